"""Drives the real Zarvel.exe as a person does: pointer clicks and key presses
through the X server that Wine draws on (xdotool), with zprobe.exe reporting
what the window shows. Shared by the real-input tests and `make run`.

Runs inside scripts/wine-env.sh (DISPLAY, WINEPREFIX and ZARVEL_WINE set)."""

import json
import os
import shutil
import subprocess
import tempfile
import time

# Control ids of the launcher template.
RUN_NERO, RUN_EXPRESS, TOGGLE = 1000, 1001, 1003
MARK_SIMPLE, MARK_ADVANCED = 1004, 1005
AUTORUN_LIST, DEFAULT_LIST = 1008, 1009
DELAY, DELAY_SPIN, AUTORUN, CLOSE_AFTER, DELAY_LABEL = 1011, 1012, 1013, 1014, 1015
NERO, EXPRESS, LAST_USED = 1004, 1005, 1006

TO_ADVANCED = "進階設定(&M) >>"
TO_SIMPLE = "<< 簡易設定(&L)"


def windows_path(path):
    """Wine maps the Unix root to drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wait_until(pred, timeout=5.0, step=0.02):
    """Polls pred until it gives a true value or timeout seconds pass; returns its last value."""
    end = time.monotonic() + timeout
    while True:
        value = pred()
        if value or time.monotonic() >= end:
            return value
        time.sleep(step)


def private_display():
    """Whether DISPLAY is the Xvfb the Wine harness started for this prefix:
    real clicks and keys must never land on someone's desktop."""
    try:
        with open(os.environ["WINEPREFIX"] + ".harness/xvfb") as f:
            return os.environ.get("DISPLAY") == ":" + f.read().split()[2]
    except (KeyError, OSError, IndexError):
        return False


class Desktop:
    """The X side: real pointer and keyboard input, screenshots."""

    def __init__(self):
        if not shutil.which("xdotool"):
            raise RuntimeError("xdotool missing (run scripts/setup-tools.sh)")
        self.origin = (0, 0)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True, text=True).stdout

    def find_origin(self):
        """Windows screen (0, 0) is the top-left of Wine's desktop window when
        Wine runs a virtual desktop, else of the X screen."""
        out = subprocess.run(["xdotool", "search", "--name", " - Wine desktop$"], capture_output=True, text=True)
        ids = out.stdout.split()
        if ids:
            geo = self.xdotool("getwindowgeometry", "--shell", ids[0])
            vals = dict(line.split("=", 1) for line in geo.split())
            self.origin = (int(vals["X"]), int(vals["Y"]))
        return self.origin

    def click(self, x, y, button=1):
        """A real press and release at Windows screen position (x, y)."""
        # No --sync: it waits forever when the pointer is already there. The
        # server keeps the order of the motion and the click anyway.
        self.xdotool("mousemove", x + self.origin[0], y + self.origin[1], "click", button)

    def key(self, *keys):
        self.xdotool("key", "--delay", 30, *keys)

    def type(self, text):
        self.xdotool("type", "--delay", 30, text)

    def screenshot(self, path, rect=None):
        """Saves the screen, or the Windows screen rectangle rect, as a PNG."""
        cmd = ["import", "-silent", "-window", "root"]
        if rect:
            l, t, r, b = rect
            cmd += ["-crop", f"{r - l}x{b - t}+{l + self.origin[0]}+{t + self.origin[1]}", "+repage"]
        cmd += ["-strip"]  # no dates in the file
        subprocess.run(cmd + [path], check=True)


class Probe:
    """zprobe.exe under Wine, one JSON answer per command."""

    def __init__(self, probe_exe, zarvel_exe):
        wine = os.environ.get("ZARVEL_WINE", "wine")
        self.proc = subprocess.Popen([wine, probe_exe, windows_path(zarvel_exe)], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, text=True, encoding="utf-8")

    def __call__(self, *words):
        self.proc.stdin.write(" ".join(map(str, words)) + "\n")
        self.proc.stdin.flush()
        line = self.proc.stdout.readline()
        if not line:
            raise RuntimeError(f"zprobe ended while answering {words}")
        return json.loads(line)

    def close(self):
        """Ends the probe, which ends the program if it still runs."""
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()


class Launcher:
    """One working folder with the stand-in nero.exe, the program started in it,
    and the means to act on its window and read it back."""

    def __init__(self, build_dir, nero_exe=None, probe_exe=None, zarvel_exe=None):
        self.desktop = Desktop()
        zarvel_exe = zarvel_exe or os.path.join(build_dir, "Zarvel.exe")
        self.nero_exe = nero_exe or os.path.join(build_dir, "tests", "support", "nero.exe")
        self.probe = Probe(probe_exe or os.path.join(build_dir, "tests", "input", "zprobe.exe"), zarvel_exe)
        self.dir = tempfile.mkdtemp(prefix="zarvel-input-")
        shutil.copy(self.nero_exe, os.path.join(self.dir, "nero.exe"))
        self.state = None

    def close(self):
        self.probe.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- settings --------------------------------------------------------
    def store(self, **values):
        """Starts from no settings at all, then stores the given ones."""
        self.probe("reset")
        for name, value in values.items():
            self.probe("set", name, value)

    def registry(self):
        return self.probe("reg")["values"]

    # -- the program -----------------------------------------------------
    def start(self, timeout=15):
        """Starts Zarvel and waits until its window is up and idle."""
        self.probe("start", windows_path(self.dir))
        if not self.probe("window", int(timeout * 1000))["hwnd"]:
            raise AssertionError("the launcher window did not appear")
        self.desktop.find_origin()
        return self.refresh()

    def refresh(self):
        self.state = self.probe("state")
        return self.state

    def ctl(self, cid, fresh=True):
        state = self.refresh() if fresh else self.state
        for c in state.get("controls", []):
            if c["id"] == cid:
                return c
        raise KeyError(cid)

    def focus(self):
        return self.refresh().get("focus")

    def wait_exit(self, timeout=10):
        return self.probe("exit", int(timeout * 1000))["exited"]

    def nero_calls(self):
        """The argument text of every start of the stand-in so far."""
        try:
            with open(os.path.join(self.dir, "nero.log"), encoding="utf-8") as f:
                return [line.split("\t")[0] for line in f if line.strip()]
        except FileNotFoundError:
            return []

    # -- acting as a user ------------------------------------------------
    def click_ctl(self, cid, dx=None, dy=None):
        """Clicks a control: at its centre, or dx, dy from its top-left corner."""
        l, t, r, b = self.ctl(cid)["rect"]
        self.desktop.click(l + (dx if dx is not None else (r - l) // 2), t + (dy if dy is not None else (b - t) // 2))

    def click_surface(self):
        """Clicks the dialog's own surface: a spot of the client area no control covers."""
        state = self.refresh()
        l, t, r, b = state["client"]
        rects = [c["rect"] for c in state["controls"] if c["visible"]]
        for y in range(t + 3, b - 3, 4):
            for x in range(r - 4, l + 3, -4):
                if not any(cl <= x < cr and ct <= y < cb for cl, ct, cr, cb in rects):
                    self.desktop.click(x, y)
                    return x, y
        raise AssertionError("no free spot on the dialog's surface")

    def click_close_button(self):
        x, y = self.refresh()["close"]
        self.desktop.click(x, y)

    def pick_from_list(self, cid, item_data):
        """Opens a program list with the mouse and clicks the item with that data."""
        index = {NERO: 0, EXPRESS: 1, LAST_USED: 2}[item_data]
        self.click_ctl(cid)
        items = wait_until(lambda: self.probe("droplist", cid)["items"])
        if not items:
            raise AssertionError(f"list {cid} did not drop down")
        l, t, r, b = items[index]
        self.desktop.click((l + r) // 2, (t + b) // 2)
        wait_until(lambda: not self.ctl(cid)["dropped"])

    def window_rect(self):
        return self.refresh()["rect"]
