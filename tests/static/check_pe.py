#!/usr/bin/env python3
"""Static check of a built Zarvel.exe: PE machine and subsystem, imported DLLs,
and every resource, field by field.

    python3 tests/static/check_pe.py Zarvel.exe i386|amd64

Exits 0 with a one-line "ok: ..." summary, or 1 listing each difference as
expected versus found. The parsing functions are usable on their own:
load_pe(), read_resources(), parse_dialog(), parse_string_blocks(),
parse_group_icon(), parse_bitmap_info(), parse_version_info().
"""

import struct
import sys
from collections import namedtuple

# ------------------------------------------------------------------ PE file

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
OPTIONAL_MAGIC = {0x14C: 0x10B, 0x8664: 0x20B}  # PE32, PE32+
SUBSYSTEM_GUI = 2

DIR_IMPORT, DIR_RESOURCE, DIR_DELAY_IMPORT = 1, 2, 13

Section = namedtuple("Section", "name vaddr vsize raw_offset raw_size")


class PEError(Exception):
    pass


class PE:
    """The headers of a PE image and RVA-based reads into it."""

    def __init__(self, data):
        self.data = data
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise PEError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise PEError("no PE signature")
        (self.machine, nsections, _, _, _, opt_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic == 0x10B:
            dirs_at, ndirs_at = opt + 96, opt + 92
        elif self.magic == 0x20B:
            dirs_at, ndirs_at = opt + 112, opt + 108
        else:
            raise PEError("unknown optional header magic 0x%X" % self.magic)
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        ndirs = struct.unpack_from("<I", data, ndirs_at)[0]
        self.dirs = [struct.unpack_from("<II", data, dirs_at + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        for i in range(nsections):
            at = opt + opt_size + 40 * i
            name, vsize, vaddr, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, at)
            self.sections.append(Section(name.rstrip(b"\0").decode("latin-1"),
                                         vaddr, vsize, raw_offset, raw_size))

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def offset(self, rva):
        for s in self.sections:
            if s.vaddr <= rva < s.vaddr + max(s.vsize, s.raw_size):
                if rva - s.vaddr >= s.raw_size:
                    raise PEError("RVA 0x%X lies in uninitialised data" % rva)
                return s.raw_offset + rva - s.vaddr
        raise PEError("RVA 0x%X is in no section" % rva)

    def read(self, rva, size):
        at = self.offset(rva)
        return self.data[at:at + size]

    def cstring(self, rva):
        at = self.offset(rva)
        end = self.data.index(b"\0", at)
        return self.data[at:end].decode("latin-1")


def load_pe(path):
    with open(path, "rb") as f:
        return PE(f.read())


def imported_dlls(pe):
    """Names of the DLLs in the import and delay-import tables, in order."""
    names = []
    rva, size = pe.directory(DIR_IMPORT)
    if rva:
        at = rva
        while True:
            desc = struct.unpack("<5I", pe.read(at, 20))
            if not any(desc):
                break
            names.append(pe.cstring(desc[3]))
            at += 20
    rva, size = pe.directory(DIR_DELAY_IMPORT)
    if rva:
        at = rva
        while True:
            desc = struct.unpack("<8I", pe.read(at, 32))
            if not any(desc):
                break
            names.append(pe.cstring(desc[1]))
            at += 32
    return names


# ---------------------------------------------------------------- resources

RT_CURSOR, RT_BITMAP, RT_ICON, RT_MENU, RT_DIALOG, RT_STRING = 1, 2, 3, 4, 5, 6
RT_ACCELERATOR, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 9, 12, 14, 16, 24

TYPE_NAMES = {1: "RT_CURSOR", 2: "RT_BITMAP", 3: "RT_ICON", 4: "RT_MENU", 5: "RT_DIALOG",
              6: "RT_STRING", 7: "RT_FONTDIR", 8: "RT_FONT", 9: "RT_ACCELERATOR",
              10: "RT_RCDATA", 11: "RT_MESSAGETABLE", 12: "RT_GROUP_CURSOR",
              14: "RT_GROUP_ICON", 16: "RT_VERSION", 17: "RT_DLGINCLUDE",
              19: "RT_PLUGPLAY", 20: "RT_VXD", 21: "RT_ANICURSOR", 22: "RT_ANIICON",
              23: "RT_HTML", 24: "RT_MANIFEST"}

Resource = namedtuple("Resource", "type name lang codepage data offset lang_entry")


def type_name(t):
    return TYPE_NAMES.get(t, str(t)) if isinstance(t, int) else repr(t)


def read_resources(pe):
    """Every leaf of the resource tree as Resource(type, name, lang, codepage,
    data, offset, lang_entry). Types and names are ints, or strs when stored
    as names; offset is where the data starts in the file and lang_entry where
    its language's directory entry is."""
    rva, size = pe.directory(DIR_RESOURCE)
    if not rva:
        return []
    base = pe.offset(rva)
    data = pe.data

    def entries(dir_off):
        named, ids = struct.unpack_from("<HH", data, base + dir_off + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + dir_off + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                n = struct.unpack_from("<H", data, at)[0]
                key = data[at + 2:at + 2 + 2 * n].decode("utf-16-le")
            else:
                key = name & 0xFFFF
            yield key, target, base + dir_off + 16 + 8 * i

    out = []
    for rtype, t1, _ in entries(0):
        if not t1 & 0x80000000:
            raise PEError("resource type %s has no name level" % type_name(rtype))
        for name, t2, _ in entries(t1 & 0x7FFFFFFF):
            if not t2 & 0x80000000:
                raise PEError("resource %s %s has no language level" % (type_name(rtype), name))
            for lang, t3, at in entries(t2 & 0x7FFFFFFF):
                if t3 & 0x80000000:
                    raise PEError("resource %s %s has a fourth level" % (type_name(rtype), name))
                drva, dsize, cp, _ = struct.unpack_from("<IIII", data, base + t3)
                out.append(Resource(rtype, name, lang, cp, pe.read(drva, dsize),
                                    pe.offset(drva), at))
    return out


# ----------------------------------------------------------- dialog parsing

CLASS_ATOMS = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox",
               0x84: "ScrollBar", 0x85: "ComboBox"}

Dialog = namedtuple("Dialog", "extended help_id style exstyle x y cx cy menu wclass title "
                              "font_size font_weight font_italic font_charset font_face controls")
Control = namedtuple("Control", "help_id exstyle style x y cx cy id wclass title extra")


class _Reader:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, fmt):
        v = struct.unpack_from("<" + fmt, self.data, self.pos)
        self.pos += struct.calcsize("<" + fmt)
        return v if len(v) > 1 else v[0]

    def align(self, n=4):
        self.pos = (self.pos + n - 1) & ~(n - 1)

    def wstring(self):
        end = self.pos
        while struct.unpack_from("<H", self.data, end)[0]:
            end += 2
        s = self.data[self.pos:end].decode("utf-16-le")
        self.pos = end + 2
        return s

    def sz_or_ord(self):
        """A string, or an int for an ordinal (0xFFFF, n)."""
        first = struct.unpack_from("<H", self.data, self.pos)[0]
        if first == 0xFFFF:
            self.pos += 2
            return self.take("H")
        return self.wstring()


DS_SETFONT, DS_SHELLFONT = 0x40, 0x48


def parse_dialog(data):
    """Parses a DLGTEMPLATE or DLGTEMPLATEEX with all its controls. Control
    ids of the extended form are DWORDs and are kept as stored."""
    r = _Reader(data)
    ver, sig = struct.unpack_from("<HH", data, 0)
    extended = ver == 1 and sig == 0xFFFF
    if extended:
        _, _, help_id, exstyle, style = r.take("HHIII")
    else:
        style, exstyle = r.take("II")
        help_id = None
    count = r.take("H")
    x, y, cx, cy = r.take("hhhh")
    menu = r.sz_or_ord()
    wclass = r.sz_or_ord()
    title = r.wstring()
    size = weight = italic = charset = face = None
    if style & DS_SETFONT:
        size = r.take("H")
        if extended:
            weight, italic, charset = r.take("HBB")
        face = r.wstring()
    controls = []
    for _ in range(count):
        r.align()
        if extended:
            c_help, c_ex, c_style = r.take("III")
            cxy = r.take("hhhh")
            c_id = r.take("I")
        else:
            c_style, c_ex = r.take("II")
            c_help = None
            cxy = r.take("hhhh")
            c_id = r.take("H")
        c_class = r.sz_or_ord()
        c_title = r.sz_or_ord()
        extra_len = r.take("H")
        extra = data[r.pos:r.pos + extra_len]
        r.pos += extra_len
        controls.append(Control(c_help, c_ex, c_style, *cxy, c_id, c_class, c_title, extra))
    return Dialog(extended, help_id, style, exstyle, x, y, cx, cy, menu, wclass, title,
                  size, weight, italic, charset, face, controls)


def class_name(wclass):
    """Predefined class atoms as their names; class names compare without case."""
    if isinstance(wclass, int):
        return CLASS_ATOMS.get(wclass, "#%d" % wclass).upper()
    return wclass.upper()


# ----------------------------------------------------------- other formats

def parse_string_blocks(resources):
    """{string id: (text, lang)} of every non-empty string in RT_STRING blocks."""
    strings = {}
    for res in resources:
        if res.type != RT_STRING or not isinstance(res.name, int):
            continue
        pos = 0
        for i in range(16):
            n = struct.unpack_from("<H", res.data, pos)[0]
            text = res.data[pos + 2:pos + 2 + 2 * n].decode("utf-16-le")
            pos += 2 + 2 * n
            if n:
                strings[(res.name - 1) * 16 + i] = (text, res.lang)
    return strings


GroupEntry = namedtuple("GroupEntry", "width height colors reserved planes bitcount size id")


def parse_group_icon(data):
    reserved, rtype, count = struct.unpack_from("<HHH", data, 0)
    entries = [GroupEntry(*struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)) for i in range(count)]
    return reserved, rtype, entries, len(data)


BitmapInfo = namedtuple("BitmapInfo", "size width height planes bitcount compression "
                                      "size_image xppm yppm clr_used clr_important")


def parse_bitmap_info(data):
    return BitmapInfo(*struct.unpack_from("<IiiHHIIiiII", data, 0))


def parse_version_info(data):
    """VS_VERSIONINFO as a tree of (key, type, value, children). The fixed
    part is the root's value (bytes); text values are str without the NUL."""

    def node(pos):
        length, value_len, vtype = struct.unpack_from("<HHH", data, pos)
        end = pos + length
        r = _Reader(data)
        r.pos = pos + 6
        key = r.wstring()
        r.align()
        if vtype == 1:
            # Text: take what lies before the children, up to the first NUL.
            stop = min(end, r.pos + 2 * value_len)
            value = data[r.pos:stop].decode("utf-16-le").split("\0")[0]
            r.pos = stop
        else:
            value = data[r.pos:r.pos + value_len]
            r.pos += value_len
        r.align()
        children = []
        while r.pos < end:
            child, nxt = node(r.pos)
            children.append(child)
            r.pos = (nxt + 3) & ~3
        return (key, vtype, value, children), end

    return node(0)[0]


# --------------------------------------------------------- expected values

WS_POPUP, WS_CHILD, WS_VISIBLE, WS_DISABLED = 0x80000000, 0x40000000, 0x10000000, 0x08000000
WS_CAPTION, WS_BORDER, WS_VSCROLL, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00200000, 0x00080000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
WS_EX_APPWINDOW = 0x00040000
DS_MODALFRAME = 0x80
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX = 0, 1, 3
CBS_DROPDOWNLIST = 3
ES_CENTER, ES_NUMBER = 0x1, 0x2000
SS_LEFT, SS_ICON, SS_BLACKFRAME, SS_NOPREFIX = 0, 3, 7, 0x80
UDS_SETBUDDYINT, UDS_ALIGNRIGHT, UDS_AUTOBUDDY, UDS_ARROWKEYS = 0x2, 0x4, 0x10, 0x20

WS_BITS = [("WS_POPUP", WS_POPUP), ("WS_CHILD", WS_CHILD), ("WS_MINIMIZE", 0x20000000),
           ("WS_VISIBLE", WS_VISIBLE), ("WS_DISABLED", WS_DISABLED),
           ("WS_CLIPSIBLINGS", 0x04000000), ("WS_CLIPCHILDREN", 0x02000000),
           ("WS_MAXIMIZE", 0x01000000), ("WS_BORDER", WS_BORDER), ("WS_DLGFRAME", 0x00400000),
           ("WS_VSCROLL", WS_VSCROLL), ("WS_HSCROLL", 0x00100000), ("WS_SYSMENU", WS_SYSMENU),
           ("WS_THICKFRAME", 0x00040000), ("WS_GROUP", WS_GROUP), ("WS_TABSTOP", WS_TABSTOP)]

LANG_ZH_TW, LANG_DE_CH = 1028, 2055
FACE = "新細明體"

PUSH = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON
LIST = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST
CHECK = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX
MARKER = WS_CHILD | SS_BLACKFRAME
LABEL = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT

# (id, class, caption, x, y, cx, cy, style) in template order.
LAUNCHER_CONTROLS = [
    (1000, "Button", "Nero(&N)", 7, 7, 80, 14, PUSH),
    (1001, "Button", "Nero Express(&E)", 7, 23, 79, 14, PUSH),
    (1003, "Button", "進階設定/簡易設定", 106, 23, 72, 14, PUSH),
    (1009, "ComboBox", "", 70, 53, 74, 30, LIST),
    (1013, "Button", "自動執行", 7, 70, 57, 10, CHECK),
    (1008, "ComboBox", "", 70, 69, 74, 30, LIST),
    (1011, "Edit", "", 101, 85, 33, 12,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_CENTER),
    (1012, "msctls_updown32", "Spin2", 134, 84, 10, 14,
     WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS),
    (1014, "Button", "啟動 Nero 後關閉 Zarvel", 7, 102, 117, 10, CHECK),
    (1004, "Static", "", 7, 45, 171, 1, MARKER),
    (1005, "Static", "", 5, 118, 128, 1, MARKER),
    (-1, "Static", "預設執行的程式", 7, 55, 59, 8, LABEL),
    (1015, "Static", "延時執行 (秒鐘)", 39, 87, 57, 8, LABEL),
]

LAUNCHER = dict(extended=True, help_id=0,
                style=WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                exstyle=WS_EX_APPWINDOW, x=0, y=0, cx=185, cy=119, menu="", wclass="",
                title="Zarvel", font_size=9, font_weight=0, font_italic=0, font_charset=0,
                font_face=FACE)

ABOUT_CONTROLS = [
    (-1, "Static", 128, 11, 17, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON),
    (-1, "Static", "Zarvel 版本 1.0", 40, 10, 119, 8,
     WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOPREFIX | SS_LEFT),
    (-1, "Static", None, 40, 25, 119, 8, LABEL),  # the notice: any one short line
    (1, "Button", "確定", 178, 7, 50, 14,
     WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON),
]

ABOUT = dict(extended=False, help_id=None,
             style=WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
             exstyle=0, x=0, y=0, cx=235, cy=55, menu="", wclass="", title="關於 Zarvel",
             font_size=9, font_weight=None, font_italic=None, font_charset=None, font_face=FACE)

STRINGS = {128: "Zarvel v1.0",
           1003: "進階設定(&M) >>\n<< 簡易設定(&L)",
           1004: "Nero",
           1005: "Nero Express",
           1006: "上次所執行"}

ICON_GROUP_ID = 128
ICON_IMAGES = [(1, 16, 1384), (2, 32, 2216)]  # (id, size, bytes), in directory order

BITMAP_ID = 129
BITMAP = BitmapInfo(size=40, width=278, height=300, planes=1, bitcount=24, compression=0,
                    size_image=None, xppm=2834, yppm=2834, clr_used=0, clr_important=0)
BITMAP_PIXELS = 250800
# Black text is drawn straight onto the picture: no pixel may be darker than
# this luma (0..255), which keeps a contrast of about 12:1 with black.
BITMAP_MIN_LUMA = 200

VERSION_ID = 1
VERSION_FIXED = dict(signature=0xFEEF04BD, struc_version=0x00010000,
                     file_ms=0x00010000, file_ls=0x00000001,
                     product_ms=0x00010000, product_ls=0x00000001,
                     flags_mask=0x3F, flags=0, os=0x4, type=0x1, subtype=0,
                     date_ms=0, date_ls=0)
VERSION_STRINGS = [("Comments", ""), ("CompanyName", ""), ("FileDescription", "Zarvel"),
                   ("FileVersion", "1, 0, 0, 1"), ("InternalName", "Zarvel"),
                   ("LegalTrademarks", ""), ("OriginalFilename", "Zarvel.exe"),
                   ("PrivateBuild", ""), ("ProductName", "Zarvel"),
                   ("ProductVersion", "1, 0, 0, 1"), ("SpecialBuild", "")]
VERSION_TRANSLATION = [(0x0409, 0x04B0)]

# Every resource the program carries: type -> {name: language}.
EXPECTED_RESOURCES = {
    RT_DIALOG: {100: LANG_ZH_TW, 102: LANG_ZH_TW},
    RT_STRING: {128 // 16 + 1: LANG_ZH_TW, 1003 // 16 + 1: LANG_ZH_TW},
    RT_GROUP_ICON: {ICON_GROUP_ID: LANG_ZH_TW},
    RT_ICON: {1: LANG_DE_CH, 2: LANG_DE_CH},
    RT_BITMAP: {BITMAP_ID: LANG_ZH_TW},
    RT_VERSION: {VERSION_ID: LANG_ZH_TW},
}

ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "advapi32.dll",
                "comctl32.dll", "msvcrt.dll"}


# ----------------------------------------------------------------- checks

def describe_style(style):
    names = [n for n, bit in WS_BITS if style & bit == bit]
    rest = style & 0xFFFF
    return "0x%08X (%s)" % (style, " | ".join(names + ["0x%X" % rest]))


def show(v):
    if isinstance(v, str):
        return repr(v)
    if isinstance(v, int) and not isinstance(v, bool) and v > 9:
        return "%d (0x%X)" % (v, v)
    return repr(v)


class Checker:
    def __init__(self):
        self.failures = []

    def fail(self, msg):
        self.failures.append(msg)

    def eq(self, what, expected, found, fmt=show):
        if expected != found:
            self.fail("%s: expected %s, found %s" % (what, fmt(expected), fmt(found)))
            return False
        return True


def check_headers(c, pe, machine):
    want = MACHINES[machine]
    c.eq("PE machine", want, pe.machine, lambda v: "0x%X" % v)
    c.eq("optional header magic", OPTIONAL_MAGIC[want], pe.magic, lambda v: "0x%X" % v)
    c.eq("subsystem (2 = Windows GUI)", SUBSYSTEM_GUI, pe.subsystem)


def check_imports(c, pe):
    dlls = imported_dlls(pe)
    for name in dlls:
        low = name.lower()
        if low.startswith("api-ms-win-") or low.startswith("ext-ms-"):
            c.fail("imports: %s is an API set, not a DLL every Windows has" % name)
        elif low not in ALLOWED_DLLS:
            c.fail("imports: %s is not one of %s" % (name, ", ".join(sorted(ALLOWED_DLLS))))
    if not dlls:
        c.fail("imports: none found")
    return dlls


def _order(key):
    # Ids before names, each in their natural order.
    return (1, key) if isinstance(key, str) else (0, key)


def check_inventory(c, resources):
    """Exactly the expected resources, each under one language, the right one."""
    found = {}
    for res in resources:
        found.setdefault(res.type, {}).setdefault(res.name, []).append(res.lang)
    for rtype in sorted(found, key=_order):
        if rtype not in EXPECTED_RESOURCES:
            c.fail("resources: unexpected type %s (names %s)"
                   % (type_name(rtype), sorted(found[rtype], key=_order)))
    for rtype, names in EXPECTED_RESOURCES.items():
        have = found.get(rtype, {})
        c.eq("%s names" % type_name(rtype), sorted(names), sorted(have, key=_order))
        for name, lang in names.items():
            if name in have:
                c.eq("%s %s languages" % (type_name(rtype), name), [lang], have[name])


def find(resources, rtype, name):
    for res in resources:
        if res.type == rtype and res.name == name:
            return res
    return None


def check_dialog(c, res, header, controls, label):
    try:
        dlg = parse_dialog(res.data)
    except (struct.error, UnicodeDecodeError) as e:
        c.fail("%s: template does not parse: %s" % (label, e))
        return
    forms = {True: "DLGTEMPLATEEX", False: "DLGTEMPLATE"}
    if not c.eq(label + " format", forms[header["extended"]], forms[dlg.extended]):
        return
    for field, want in header.items():
        if field == "extended":
            continue
        fmt = describe_style if field == "style" else show
        c.eq("%s %s" % (label, field), want, getattr(dlg, field), fmt)
    if not c.eq("%s control count" % label, len(controls), len(dlg.controls)):
        return
    for n, (want, got) in enumerate(zip(controls, dlg.controls), 1):
        cid, cls, caption, x, y, cx, cy, style = want
        where = "%s control %d (id %d)" % (label, n, cid)
        # IDC_STATIC is -1; compilers store it as 0xFFFF or, in the
        # extended form, as 0xFFFFFFFF.
        ids = {cid & 0xFFFF, cid & 0xFFFFFFFF} if dlg.extended else {cid & 0xFFFF}
        if got.id not in ids:
            c.fail("%s id: expected %d, found %d (0x%X)" % (where, cid, got.id, got.id))
        c.eq(where + " class", cls.upper(), class_name(got.wclass))
        if caption is None:
            if not isinstance(got.title, str) or not got.title or "\n" in got.title:
                c.fail("%s caption: expected one line of text, found %s" % (where, show(got.title)))
        else:
            c.eq(where + " caption", caption, got.title)
        c.eq(where + " geometry", (x, y, cx, cy), (got.x, got.y, got.cx, got.cy))
        c.eq(where + " style", style, got.style, describe_style)
        c.eq(where + " exstyle", 0, got.exstyle)
        if dlg.extended:
            c.eq(where + " help id", 0, got.help_id)
        c.eq(where + " creation data", b"", got.extra)


def check_strings(c, resources):
    strings = parse_string_blocks(resources)
    c.eq("string ids", sorted(STRINGS), sorted(strings))
    for sid, text in STRINGS.items():
        if sid in strings:
            c.eq("string %d" % sid, text, strings[sid][0])
            c.eq("string %d language" % sid, LANG_ZH_TW, strings[sid][1])


def check_icons(c, resources):
    group = find(resources, RT_GROUP_ICON, ICON_GROUP_ID)
    if group is None:
        return
    reserved, rtype, entries, size = parse_group_icon(group.data)
    c.eq("icon group reserved", 0, reserved)
    c.eq("icon group type", 1, rtype)
    c.eq("icon group size", 6 + 14 * len(ICON_IMAGES), size)
    c.eq("icon group entries", len(ICON_IMAGES), len(entries))
    for (iid, px, nbytes), e in zip(ICON_IMAGES, entries):
        where = "icon group entry %d" % iid
        c.eq(where, GroupEntry(px, px, 0, 0, 1, 8, nbytes, iid), e)
        image = find(resources, RT_ICON, iid)
        if image is None:
            continue
        where = "RT_ICON %d" % iid
        c.eq(where + " bytes", nbytes, len(image.data))
        bi = parse_bitmap_info(image.data)
        c.eq(where + " header size", 40, bi.size)
        c.eq(where + " width x height", (px, 2 * px), (bi.width, bi.height))
        c.eq(where + " planes, bits, compression", (1, 8, 0), (bi.planes, bi.bitcount, bi.compression))
        colour = ((px + 3) & ~3) * px
        mask = ((px + 31) // 32) * 4 * px
        c.eq(where + " layout (header + palette + pixels + mask)",
             40 + 256 * 4 + colour + mask, len(image.data))


def check_bitmap(c, resources):
    res = find(resources, RT_BITMAP, BITMAP_ID)
    if res is None:
        return
    bi = parse_bitmap_info(res.data)
    if bi.size_image not in (0, BITMAP_PIXELS):
        c.fail("bitmap %d image size: expected 0 or %d, found %d" % (BITMAP_ID, BITMAP_PIXELS, bi.size_image))
    c.eq("bitmap %d header" % BITMAP_ID, BITMAP, bi._replace(size_image=None))
    c.eq("bitmap %d bytes" % BITMAP_ID, 40 + BITMAP_PIXELS, len(res.data))
    if bi.bitcount == 24 and bi.width > 0 and len(res.data) >= 40 + BITMAP_PIXELS:
        stride = (bi.width * 3 + 3) & ~3
        darkest = min((0.114 * b + 0.587 * g + 0.299 * r, x, abs(bi.height) - 1 - y)
                      for y in range(abs(bi.height))
                      for x, (b, g, r) in enumerate(struct.iter_unpack(
                          "<BBB", res.data[40 + y * stride:40 + y * stride + bi.width * 3])))
        if darkest[0] < BITMAP_MIN_LUMA:
            c.fail("bitmap %d lightness: expected every pixel's luma at least %d, found %.0f at (%d, %d)"
                   % ((BITMAP_ID, BITMAP_MIN_LUMA) + darkest))


def check_version(c, resources):
    res = find(resources, RT_VERSION, VERSION_ID)
    if res is None:
        return
    try:
        key, _, fixed, children = parse_version_info(res.data)
    except (struct.error, UnicodeDecodeError) as e:
        c.fail("version block does not parse: %s" % e)
        return
    c.eq("version root key", "VS_VERSION_INFO", key)
    if not c.eq("VS_FIXEDFILEINFO size", 52, len(fixed)):
        return
    got = dict(zip(VERSION_FIXED, struct.unpack("<13I", fixed)))
    for field, want in VERSION_FIXED.items():
        c.eq("version fixed %s" % field, want, got[field], lambda v: "0x%X" % v)
    c.eq("version blocks", ["StringFileInfo", "VarFileInfo"], [ch[0] for ch in children])
    for ch_key, _, _, ch_children in children:
        if ch_key == "StringFileInfo":
            c.eq("StringFileInfo tables", ["040904b0"], [t[0] for t in ch_children])
            if ch_children:
                values = [(k, v) for k, _, v, _ in ch_children[0][3]]
                c.eq("version strings", VERSION_STRINGS, values)
        elif ch_key == "VarFileInfo":
            c.eq("VarFileInfo entries", ["Translation"], [v[0] for v in ch_children])
            if ch_children:
                raw = ch_children[0][2]
                pairs = [struct.unpack_from("<HH", raw, i) for i in range(0, len(raw) - 3, 4)]
                c.eq("Translation", VERSION_TRANSLATION, pairs,
                     lambda ps: "[%s]" % ", ".join("0x%04X/0x%04X" % p for p in ps))


def check_image(data, machine):
    """All checks on the bytes of an exe. Returns (failures, summary)."""
    c = Checker()
    try:
        pe = PE(data)
        check_headers(c, pe, machine)
        dlls = check_imports(c, pe)
        resources = read_resources(pe)
    except (PEError, struct.error, ValueError) as e:
        return ["not a readable PE file: %s" % e], ""
    check_inventory(c, resources)
    for rid, header, controls, label in ((102, LAUNCHER, LAUNCHER_CONTROLS, "launcher dialog 102"),
                                         (100, ABOUT, ABOUT_CONTROLS, "About dialog 100")):
        res = find(resources, RT_DIALOG, rid)
        if res is not None:
            check_dialog(c, res, header, controls, label)
    check_strings(c, resources)
    check_icons(c, resources)
    check_bitmap(c, resources)
    check_version(c, resources)
    summary = ("%s GUI, imports %s; %d resources: dialogs 100 and 102, %d strings, icon group %d "
               "with %d images, bitmap %d, version 1.0.0.1"
               % (machine, ", ".join(n.lower() for n in dlls), len(resources), len(STRINGS),
                  ICON_GROUP_ID, len(ICON_IMAGES), BITMAP_ID))
    return c.failures, summary


def main(argv):
    if len(argv) != 3 or argv[2] not in MACHINES:
        print("usage: check_pe.py <Zarvel.exe> <%s>" % "|".join(MACHINES), file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        data = f.read()
    failures, summary = check_image(data, argv[2])
    if failures:
        for msg in failures:
            print("FAIL: %s" % msg)
        print("%s: %d problem(s)" % (argv[1], len(failures)))
        return 1
    print("ok: %s: %s" % (argv[1], summary))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
