"""Zarvel as its users meet it: the real program under Wine, acted on and
watched from outside by zdriver.exe, with the stand-in nero.exe as Nero.

usage (inside scripts/wine-env.sh): scenarios.py LOADER ZARVEL_EXE ZDRIVER_EXE NERO_EXE [NAME...]

A scenario is a row: the settings before ("reg"), the steps, and what the
registry ("after") and the stand-in ("runs") show once the window has gone.
A step is a driver command (see zdriver.cpp), a dict of what the window must
show (waited for; None: absent), or one of the runner's own verbs below."""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

NERO, EXPRESS, LAST = 1004, 1005, 1006
NAMES = "SelectedOption SelectedOptionNoTimer WaitSeconds CloseZarvel EnableAutorun DlgExpanded LastUsedOption".split()
FIRST_RUN = dict(zip(NAMES, (NERO, NERO, 3, 1, 0, 0, NERO)))
ITEMS = "Nero:1004|Nero Express:1005|上次所執行:1006"
NERO_FAIL = "Zarvel v1.0|OK|無法執行 Nero.~請將 Zarvel 移至 nero.exe 所在目錄."
EXPRESS_FAIL = NERO_FAIL.replace("Nero.", "Nero Express.")
ABOUT = "關於 Zarvel|Zarvel 版本 1.0|專為 Nero 使用者設計的小工具|確定"
SIMPLE = {"view": "simple", "t1003": "進階設定(&M) >>", "e1009": "0", "e1013": "0", "e1014": "0", "e1011": "0"}
ADVANCED = {"view": "advanced", "t1003": "<< 簡易設定(&L)", "e1009": "1", "e1013": "1", "e1014": "1"}
TIMER_OFF = {"e1011": "0", "e1012": "0", "e1008": "0", "e1015": "0"}
TIMER_ON = {"e1011": "1", "e1012": "1", "e1008": "1", "e1015": "1"}
CLOSE, OK = "post 16 0 0", "post 273 1 0"  # WM_CLOSE; IDOK to the launcher or to its box
KEYS = dict(tab=9, enter=13, esc=27, end=35, up=38, back=8)


def after(**changed):
    return {**FIRST_RUN, **changed}


def autorun(target=NERO, wait=2, **more):
    return dict(EnableAutorun=1, SelectedOption=target, WaitSeconds=wait, **more)


def counting(n, button=1000):
    return {f"t{button}": ("Nero(&N)" if button == 1000 else "Nero Express(&E)") + f"   [{n}]"}


def stopped(trigger, caption="Nero(&N)", **reg):
    """The countdown stopped by trigger: nothing starts once its time is up."""
    return dict(reg=autorun(**reg), steps=[trigger, "sleep 2600", {"t1000": caption}], runs=[])


SCENARIOS = {
    # start-up, single instance, settings
    "first run": dict(steps=[{**SIMPLE, "focus": "1000", "def": "1000", "t1011": "3", "c1013": "0", "c1014": "1",
                              "s1008": "1004", "s1009": "1004", "i1008": ITEMS, "i1009": ITEMS}], after=FIRST_RUN),
    "stored settings": dict(reg=dict(zip(NAMES, (LAST, EXPRESS, 7, 0, 0, 5, NERO))), after=dict(
        zip(NAMES, (LAST, EXPRESS, 7, 0, 0, 5, NERO))), steps=[{**ADVANCED, **TIMER_OFF, "s1008": "1006", "s1009": "1005",
                                                                 "t1011": "7", "c1014": "0", "def": "1001", "focus": "1001"}]),
    "values of other types and sizes are not read": dict(after=FIRST_RUN, steps=[{**SIMPLE, "t1011": "3", "c1014": "1"}],
        reg=dict(WaitSeconds="1 37 00", DlgExpanded="3 01 00 00 00", CloseZarvel="11 00 00 00 00 00 00 00 00",
                 SelectedOption="4 ed 03", EnableAutorun="7 31 00 00 00", LastUsedOption="1 00")),
    "odd stored values": dict(reg=dict(SelectedOption=1007, SelectedOptionNoTimer=0, WaitSeconds=25, DlgExpanded=-1,
                                       LastUsedOption=99),
                              steps=[{"view": "advanced", "s1008": "0", "s1009": "0", "t1008": "", "t1011": "10"}],
                              after=after(SelectedOption=0, SelectedOptionNoTimer=0, WaitSeconds=10, DlgExpanded=-1,
                                          LastUsedOption=99)),
    "default program: the last used": dict(reg=dict(SelectedOptionNoTimer=LAST, LastUsedOption=EXPRESS),
                                           steps=[{"def": "1001", "focus": "1001"}]),
    "default program: the last used, Nero": dict(reg=dict(SelectedOptionNoTimer=LAST), steps=[{"def": "1000"}]),
    "a second start activates the first": dict(steps=["sleep 300", "min", {"min": "1"}, "start", "alone",
                                                      {"min": "0", "fg": "1"}], after=FIRST_RUN),
    "five starts at once, three times": dict(reg=autorun(wait=3), start=0, steps=["burst"] * 3, runs=[""] * 3,
                                             after=after(EnableAutorun=1)),
    "any window with the title counts": dict(before=["fake 1"], window=False, steps=["alone", "fake 0"],
                                             after={"key": "none"}),
    "enter and escape leave the window open": dict(steps=["keys enter esc", OK, "post 273 2 0", "sleep 300",
                                                          {"t1000": "Nero(&N)"}]),
    "about box": dict(steps=["post 274 16 0", {"box": ABOUT}, "keys enter", {"box": ""}, "post 274 31 0",
                             {"box": ABOUT}, OK, {"box": ""}]),
    # launching
    "nero": dict(steps=["click 1000", {"window": "none"}], runs=[""], after=FIRST_RUN),
    "express, staying open": dict(reg=dict(CloseZarvel=0), steps=["click 1001", "sleep 500", {"t1000": "Nero(&N)"}],
                                  runs=["-w"], after=after(CloseZarvel=0, LastUsedOption=EXPRESS)),
    "keyboard launch": dict(steps=["keys alt+e", {"window": "none"}], runs=["-w"], after=after(LastUsedOption=EXPRESS)),
    "failed starts": dict(nero=False, steps=["click 1000", {"box": NERO_FAIL}, OK, {"box": ""}, "click 1001",
                                             {"box": EXPRESS_FAIL}, OK, {"box": ""}], after=after(LastUsedOption=EXPRESS)),
    "nero registered under app paths": dict(nero="apppath", steps=["click 1000"], runs=[""]),
    # the countdown
    "countdown": dict(reg=autorun(wait=3, CloseZarvel=0), steps=[counting(3), counting(2), counting(1), "launched 3"],
                      runs=[""], after=after(CloseZarvel=0, EnableAutorun=1)),
    "countdown to the last used": dict(reg=autorun(LAST, 1, LastUsedOption=EXPRESS),
                                       steps=[counting(1, 1001), "launched 1"], runs=["-w"]),
    "countdown whose start fails": dict(nero=False, reg=autorun(wait=1), steps=[{"box": NERO_FAIL}, OK],
                                        after=after(EnableAutorun=1, WaitSeconds=1)),
    "stored delay below one": dict(reg=autorun(wait=-3), steps=[counting(-3), {"t1011": "1"}, "launched 1"]),
    "countdown to no program": dict(reg=autorun(1007, 1), steps=["sleep 2500", {"t1000": "Nero(&N)", "s1008": "0"}],
                                    runs=[], after=after(SelectedOption=0, WaitSeconds=1, EnableAutorun=1)),
    "countdown to an unknown last used": dict(reg=autorun(LAST, 1, LastUsedOption=7), runs=[],
                                              steps=["sleep 2500", {"t1000": "Nero(&N)", "t1001": "Nero Express(&E)"}]),
    "launch during the countdown": dict(reg=autorun(wait=3), steps=["click 1001"], runs=["-w"]),
    "stop: surface": stopped("click 0"),
    "stop: escape": stopped("keys esc"),
    "stop: toggle": stopped("click 1003"),
    "stop: auto-run box": stopped("click 1013", DlgExpanded=1),
    "stop: close-after box": stopped("click 1014", DlgExpanded=1),
    "stop: default list": stopped("click 1009", DlgExpanded=1),
    "stop: auto-run list": stopped("click 1008", DlgExpanded=1),
    "stop: focus in the delay box keeps the count": stopped("click 1011", "Nero(&N)   [2]", DlgExpanded=1),
    "stop: delay typed keeps the count": stopped("text 1011 5", "Nero(&N)   [2]", DlgExpanded=1),
    "closing stops and saves": dict(reg=autorun(wait=3), steps=[counting(3), CLOSE], runs=[],
                                    after=after(EnableAutorun=1)),
    # option lists, delay box, views
    "option lists drop down whole": dict(reg=dict(DlgExpanded=1), steps=["click 1009", {"rows": "3"}, "keys esc",
                                                                       "click 1013", "click 1008", {"rows": "3"}]),
    "delay box": dict(reg=dict(DlgExpanded=1, EnableAutorun=1, SelectedOption=1007),
                      steps=[TIMER_ON, "text 1011 0", {"t1011": "1"}, "text 1011 99", {"t1011": "10"}, "text 1011 ",
                             {"t1011": "1"}, "text 1011 05", {"t1011": "05"}, "click 1011", "keys up", {"t1011": "6"},
                             "text 1011 9", "keys up up", {"t1011": "10"}, "text 1011 1", "keys end 5", {"t1011": "10"},
                             "keys a end back back", {"t1011": "1"}, "text 1011 99999999999999999999", {"t1011": "10"},
                             "text 1011 4"],
                      after=after(WaitSeconds=4, DlgExpanded=1, EnableAutorun=1, SelectedOption=0)),
    "views": dict(steps=[SIMPLE, "click 1003", {**ADVANCED, **TIMER_OFF}, "click 1013", TIMER_ON, "click 1011",
                         {"focus": "1011"}, "post 273 1003 0", {**SIMPLE, "focus": "1000"}, "keys alt+m",
                         {**ADVANCED, **TIMER_ON}], after=after(EnableAutorun=1, DlgExpanded=1)),
    "tab order": dict(reg=dict(DlgExpanded=1, EnableAutorun=1, SelectedOption=1007),
                      steps=[s for i in (1001, 1003, 1009, 1013, 1008, 1011, 1014, 1000) for s in ("keys tab", {"focus": str(i)})]),
    "real mouse and keyboard": dict(reg=dict(CloseZarvel=0), runs=["-w"],
                                    steps=["x click 1003", ADVANCED, "x key Tab", {"focus": "1009"}, "x click 1014",
                                           {"c1014": "1"}, "x click 1014", {"c1014": "0"}, "x click 1001", "x key alt+F4"],
                                    after=after(CloseZarvel=0, DlgExpanded=1, LastUsedOption=EXPRESS)),
    # painting
    "picture and transparent labels": dict(reg=dict(DlgExpanded=1), steps=[
        {"paint": dict(surface=100, labels=">50", ink=True, edit="picture")}, "click 1013",
        {"paint": dict(edit="ffffff")}, "grow", {"paint": dict(surface=100)}]),
    # what others may do
    "hostile window messages": dict(steps=["hostile", {"t1000": "Nero(&N)"}], after=FIRST_RUN),
    "settings key read-only": dict(reg=dict(WaitSeconds=7, DlgExpanded=1), before=["reg lock"],
                                   steps=[{"view": "advanced", "t1011": "7"}, "text 1011 5", CLOSE, {"window": "none"}],
                                   after=dict(WaitSeconds=7, DlgExpanded=1)),
}


class Failure(Exception):
    pass


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def picture():
    """The background picture as rows of RGB, top row first."""
    with open(os.path.join(os.path.dirname(__file__), "..", "res", "background.bmp"), "rb") as f:
        bmp = f.read()
    at, w, h = (int.from_bytes(bmp[i:i + 4], "little") for i in (10, 18, 22))
    rows = [bmp[at + (h - 1 - y) * ((w * 3 + 3) & ~3):][:w * 3] for y in range(h)]
    return [b"".join(row[x * 3:x * 3 + 3][::-1] for x in range(w)) for row in rows], w, h


class Run:
    """One scenario, in a fresh folder with the stand-in beside the launcher, elsewhere, or nowhere."""

    def __init__(self, paths, drv, row):
        self.loader, self.exe, _, nero = paths
        self.drv, self.row, self.procs = drv, row, []
        self.work = tempfile.mkdtemp(prefix="zarvel-")
        self.log = os.path.join(self.work, "nero.log")
        where = os.path.join(self.work, "apps") if row.get("nero") == "apppath" else self.work
        os.makedirs(where, exist_ok=True)
        if row.get("nero", True):
            shutil.copy(nero, where)
        drv(f"reg apppath {winpath(os.path.join(where, 'nero.exe'))}" if where != self.work else "reg apppath -")

    def start(self, count=1):
        env = dict(os.environ, ZARVEL_NERO_LOG=winpath(self.log))
        self.procs += [subprocess.Popen([self.loader, self.exe], cwd=self.work, env=env, stderr=subprocess.DEVNULL)
                       for _ in range(count)]

    def launches(self, at_least=0):
        """The stand-in's records: arguments, ms since 1970; a start may still be on its way."""
        for _ in range(100):
            runs = open(self.log, encoding="utf-8").read().splitlines() if os.path.exists(self.log) else []
            if len(runs) >= at_least:
                break
            time.sleep(0.05)
        return [run.split("\t") for run in runs]

    def paint(self, want):
        """What the screen shows of the client area, against the picture tiled from its corner."""
        boxes = {k: [int(v) for v in r.split(",")] for k, r in self.drv("rects").items()}
        x0, y0, x1, y1 = boxes.pop("client")
        w = x1 - x0
        shot = subprocess.run(["import", "-window", "root", "-crop", f"{w}x{y1 - y0}+{x0}+{y0}", "-depth", "8",
                               "rgb:-"], capture_output=True, check=True).stdout
        pic, bw, bh = PICTURE
        shows = {"surface": [], "labels": []}
        for y in range(0, y1 - y0, 2):
            for x in range(0, w, 2):
                inside = next((k for k, (l, t, r, b) in boxes.items() if l <= x < r and t <= y < b), "surface")
                got = shot[3 * (y * w + x):3 * (y * w + x) + 3]
                if inside in ("surface", "-1", "1013", "1014"):
                    shows["surface" if inside == "surface" else "labels"].append((got, pic[y % bh][x % bw * 3:][:3]))
        l, t = boxes["1011"][:2]
        edit = shot[3 * ((t + 3) * w + l + 3):][:3]
        got = {k: 100 * sum(a == b for a, b in v) // max(len(v), 1) for k, v in shows.items()}
        got.update(ink=any(a == b"\0\0\0" for a, _ in shows["labels"]),
                   edit="picture" if edit == pic[(t + 3) % bh][(l + 3) % bw * 3:][:3] else edit.hex())
        ok = all(got[k] > int(v[1:]) if str(v)[0] == ">" else got[k] == v for k, v in want.items())
        return "" if ok else f"painted {got}"

    def expect(self, want, seconds=4):
        """Waits until the window shows what want says."""
        end = time.time() + seconds
        while True:
            if "paint" in want:
                wrong = self.paint(want["paint"])
            else:
                got = self.drv("state")
                wrong = ", ".join(f"{k}: {v!r} vs {got.get(k)!r}" for k, v in want.items()
                                  if got.get(k) != (None if v is None else str(v)))
            if not wrong or time.time() > end:
                break
            time.sleep(0.05)
        if wrong:
            raise Failure(f"expected vs shown: {wrong}")

    def wait_exit(self, procs, seconds=10):
        try:
            for p in procs:
                p.wait(seconds)
        except subprocess.TimeoutExpired:
            raise Failure("a launcher did not end")

    def step(self, step):
        if isinstance(step, dict):
            return self.expect(step)
        verb, _, arg = step.partition(" ")
        if verb == "start":  # one more start
            self.start()
        elif verb == "alone":  # every start after the first ends by itself
            self.wait_exit(self.procs[1:] if self.row.get("window", True) else self.procs, 5)
        elif verb == "burst":  # five starts at once: one window, one start of nero
            before, seen, end = len(self.launches()), set(), time.time() + 4
            self.start(5)
            while time.time() < end:
                seen |= set(self.drv("launchers"))
            self.wait_exit(self.procs)
            if len(seen) != 1 or len(self.launches(before + 1)) != before + 1:
                raise Failure(f"five starts: {len(seen)} windows, {len(self.launches()) - before} starts of nero")
        elif verb == "launched":  # the countdown started nero N seconds after the window showed
            self.expect({"window": "none"}, int(arg) + 3)
            runs = self.launches(1)
            late = (int(runs[0][1]) - self.shown) / 1000 - int(arg) if runs else None
            if late is None or not -0.3 <= late <= 0.5:
                raise Failure(f"a countdown of {arg} s started nero {late} s late")
        elif verb == "x":  # real input through the X server: a click at a control's middle, or keys
            kind, _, what = arg.partition(" ")
            if kind == "click":
                boxes = self.drv("rects")
                (x, y, _, _), (l, t, r, b) = ([int(v) for v in boxes[k].split(",")] for k in ("client", what))
                subprocess.run(["xdotool", "mousemove", str(x + (l + r) // 2), str(y + (t + b) // 2), "click", "1"])
            else:
                subprocess.run(["xdotool", "key", what])
            time.sleep(0.2)
        elif verb == "keys":  # by name: "tab", "alt+m", "5"
            self.drv("keys " + " ".join(k[:-len(n)] + str(KEYS[n] if n in KEYS else ord(n.upper()))
                                        for k in arg.split() for n in [k.rpartition("+")[2]]))
        elif "error" in self.drv(step):
            raise Failure(f"the driver cannot do {step!r}")

    def play(self):
        try:
            for name, value in self.row.get("reg", {}).items():
                value = f"4 {struct.pack('<i', value).hex(' ')}" if isinstance(value, int) else value
                self.drv(f"reg set {name} {value}")
            for step in self.row.get("before", []):
                self.drv(step)
            self.start(self.row.get("start", 1))
            if self.row.get("window", self.row.get("start", 1)):
                self.shown = int(self.drv("find 10000").get("at", 0))
                if not self.shown:
                    raise Failure("no launcher window appeared")
            for step in self.row.get("steps", []):
                self.step(step)
            if "at" in self.drv("find 0"):
                self.drv(CLOSE)
            self.wait_exit(self.procs)
            if self.drv("gone 5000").get("gone") != "1":
                raise Failure("the window stayed")
            runs = [r[0] for r in self.launches(len(self.row.get("runs", [])))]
            if self.row.get("runs", runs) != runs:
                raise Failure(f"nero started with {runs}, expected {self.row['runs']}")
            stored = {k: int(v) if v.lstrip("-").isdigit() else v for k, v in self.drv("reg dump").items()}
            if self.row.get("after", stored) != stored:
                raise Failure(f"registry after: {stored}, expected {self.row['after']}")
        finally:
            for p in self.procs:
                if p.poll() is None:
                    p.kill()
            self.drv("fake 0")
            self.drv("reg clear")
            shutil.rmtree(self.work, ignore_errors=True)


def main(loader, exe, driver, nero, *only):
    runs_i386 = subprocess.run([os.path.join(os.path.dirname(__file__), "..", "scripts", "runs-i386.sh")]).returncode == 0
    if loader.endswith("/wine") and not (runs_i386 and os.path.exists(loader)):
        print("SKIPPED: the 32-bit scenarios cannot run: " + ("wine32 is not installed" if runs_i386
                                                               else "this kernel does not run 32-bit programs"))
        return 77
    proc = subprocess.Popen([os.environ["ZARVEL_WINE"], driver], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            text=True, encoding="utf-8")

    def drv(command):
        proc.stdin.write(command + "\n")
        proc.stdin.flush()
        return dict(kv.split("=", 1) for kv in proc.stdout.readline().rstrip("\n").split("\t") if "=" in kv)

    drv("reg clear")
    names, failed = [n for n in SCENARIOS if not only or n in only], []
    for name in names:
        began = time.time()
        try:
            Run((loader, exe, driver, nero), drv, SCENARIOS[name]).play()
            print(f"ok   {name} ({time.time() - began:.1f} s)", flush=True)
        except Failure as e:
            failed.append(name)
            print(f"FAIL {name}: {e}", flush=True)
    print(f"{len(names) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


PICTURE = picture()
if __name__ == "__main__":
    sys.exit(main(sys.argv[1], *map(os.path.abspath, sys.argv[2:5]), *sys.argv[5:]))
