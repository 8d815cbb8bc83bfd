#!/usr/bin/env python3
"""The resource checker must notice damage: each case corrupts one field of a
good build in memory and expects check_pe to name it.

    python3 tests/static/test_check_pe.py <Zarvel.exe> <i386|amd64>
    (or ZARVEL_EXE and ZARVEL_MACHINE in the environment)
"""

import os
import struct
import sys
import unittest

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_pe as cp  # noqa: E402

EXE = os.environ.get("ZARVEL_EXE")
MACHINE = os.environ.get("ZARVEL_MACHINE", "amd64")


class CheckerCatchesDamage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not EXE:
            raise unittest.SkipTest("no exe given")
        with open(EXE, "rb") as f:
            cls.good = f.read()
        cls.resources = cp.read_resources(cp.PE(cls.good))

    def res(self, rtype, name):
        found = cp.find(self.resources, rtype, name)
        self.assertIsNotNone(found, "%s %s missing from the good build" % (rtype, name))
        return found

    def expect_failure(self, data, fragment, machine=None):
        failures, _ = cp.check_image(bytes(data), machine or MACHINE)
        self.assertTrue(any(fragment in f for f in failures),
                        "expected a failure mentioning %r, got %r" % (fragment, failures))

    def patch(self, res, needle, replacement):
        """Replaces the first occurrence of needle inside one resource."""
        at = res.data.find(needle)
        self.assertGreaterEqual(at, 0, "%r not found in %s %s" % (needle, res.type, res.name))
        data = bytearray(self.good)
        start = res.offset + at
        data[start:start + len(replacement)] = replacement
        return data

    def test_good_build_passes(self):
        failures, summary = cp.check_image(self.good, MACHINE)
        self.assertEqual([], failures)
        self.assertIn(MACHINE, summary)

    def test_headers_and_imports(self):
        other = "i386" if MACHINE == "amd64" else "amd64"
        self.expect_failure(self.good, "PE machine", machine=other)
        data = bytearray(self.good)
        pe_at = struct.unpack_from("<I", data, 0x3C)[0]
        struct.pack_into("<H", data, pe_at + 24 + 68, 3)  # console
        self.expect_failure(data, "subsystem")
        name = b"KERNEL32.dll"
        at = self.good.find(name)
        self.assertGreater(at, 0)
        data = bytearray(self.good)
        data[at:at + len(name)] = b"WS2_32.dll\0\0"
        self.expect_failure(data, "WS2_32.dll")

    def test_dialog_fields(self):
        launcher = self.res(cp.RT_DIALOG, 102)
        about = self.res(cp.RT_DIALOG, 100)
        cases = [
            # Up-down arrows turned into a tab stop.
            (launcher, struct.pack("<I", 0x50000036), struct.pack("<I", 0x50010036),
             "control 8 (id 1012) style"),
            # A marker made visible.
            (launcher, struct.pack("<I", 0x40000007), struct.pack("<I", 0x50000007),
             "control 10 (id 1004) style"),
            (launcher, "Nero(&N)".encode("utf-16-le"), "Nero(&M)".encode("utf-16-le"),
             "control 1 (id 1000) caption"),
            # Font character set 0 -> 1 (what a bare FONT statement stores).
            (launcher, b"\x09\x00\x00\x00\x00\x00", b"\x09\x00\x00\x00\x00\x01",
             "font_charset"),
            (launcher, struct.pack("<I", 0x00040000), struct.pack("<I", 0), "exstyle"),
            (about, struct.pack("<hhhh", 11, 17, 20, 20), struct.pack("<hhhh", 11, 17, 0, 0),
             "control 1 (id -1) geometry"),
            (about, struct.pack("<I", 0x50030001), struct.pack("<I", 0x50030000),
             "control 4 (id 1) style"),
        ]
        for res, old, new, fragment in cases:
            with self.subTest(fragment):
                self.expect_failure(self.patch(res, old, new), fragment)

    def test_strings_icons_bitmap_version(self):
        group = self.res(cp.RT_GROUP_ICON, 128)
        image = self.res(cp.RT_ICON, 2)
        bitmap = self.res(cp.RT_BITMAP, 129)
        version = self.res(cp.RT_VERSION, 1)
        block = self.res(cp.RT_STRING, 1006 // 16 + 1)
        cases = [
            (block, "上次所執行".encode("utf-16-le"), "上次所執列".encode("utf-16-le"),
             "string 1006"),
            # Second directory entry claims 4 bits per pixel.
            (group, struct.pack("<HH", 1, 8) + struct.pack("<IH", 2216, 2),
             struct.pack("<HH", 1, 4), "icon group entry 2"),
            (image, struct.pack("<ii", 32, 64), struct.pack("<ii", 32, 32), "RT_ICON 2 width"),
            (bitmap, struct.pack("<ii", 278, 300), struct.pack("<ii", 277, 300),
             "bitmap 129 header"),
            (version, "Zarvel.exe".encode("utf-16-le"), "Zarvel.exf".encode("utf-16-le"),
             "version strings"),
            (version, struct.pack("<HH", 0x0409, 0x04B0), struct.pack("<HH", 0x0409, 0x04E4),
             "Translation"),
        ]
        for res, old, new, fragment in cases:
            with self.subTest(fragment):
                self.expect_failure(self.patch(res, old, new), fragment)

    def test_dark_background(self):
        bitmap = self.res(cp.RT_BITMAP, 129)
        data = bytearray(self.good)
        at = bitmap.offset + 40 + 836 * 10 + 3 * 20  # row 10 from the bottom, column 20
        data[at:at + 3] = b"\x60\x60\x60"
        self.expect_failure(data, "bitmap 129 lightness")

    def test_languages(self):
        # The images must stay under 2055 although their group is under 1028.
        for rtype, name, fragment in ((cp.RT_ICON, 1, "RT_ICON 1 languages"),
                                      (cp.RT_STRING, 9, "string 128 language"),
                                      (cp.RT_BITMAP, 129, "RT_BITMAP 129 languages")):
            with self.subTest(fragment):
                res = self.res(rtype, name)
                data = bytearray(self.good)
                struct.pack_into("<H", data, res.lang_entry, 1033)
                self.expect_failure(data, fragment)


if __name__ == "__main__":
    if len(sys.argv) >= 3 and not sys.argv[1].startswith("-"):
        EXE, MACHINE = sys.argv[1], sys.argv[2]
        del sys.argv[1:3]
    unittest.main()
