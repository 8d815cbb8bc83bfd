# Zarvel as its users meet it: the real program under Wine, acted on and watched from outside by
# zdriver.exe, with the stand-in nero.exe as Nero. Run inside scripts/wine-env.sh:
#   scenarios.py LOADER ZARVEL_EXE ZDRIVER_EXE NERO_EXE [NAME...]
# A scenario is a row: the settings before ("reg"), the steps, and what the registry ("after") and the
# stand-in ("runs") show once the window has gone. A step is a driver command (see zdriver.cpp), a dict
# of what the window must show (waited for; None: absent), or one of the runner's own verbs below.
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

NERO, EXPRESS, LAST = 1004, 1005, 1006
NAMES = "SelectedOption SelectedOptionNoTimer WaitSeconds CloseZarvel EnableAutorun DlgExpanded LastUsedOption".split()
FIRST_RUN, STORED = dict(zip(NAMES, (NERO, NERO, 3, 1, 0, 0, NERO))), dict(zip(NAMES, (LAST, EXPRESS, 7, 0, 0, 5, NERO)))
ODD = dict(SelectedOption=1007, SelectedOptionNoTimer=0, DlgExpanded=-1, LastUsedOption=99)
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
    # The countdown stopped by trigger: nothing starts once its time is up.
    return dict(reg=autorun(**reg), steps=[trigger, "sleep 2600", {"t1000": caption}], runs=[])


SCENARIOS = {
    # start-up, single instance, settings
    "first run": dict(steps=[{**SIMPLE, "focus": "1000", "def": "1000", "t1011": "3", "c1013": "0", "c1014": "1",
                              "s1008": "1004", "s1009": "1004", "t1008": "Nero", "t1009": "Nero"}], after=FIRST_RUN),
    "stored settings": dict(reg=STORED, after=STORED, steps=[{**ADVANCED, **TIMER_OFF, "def": "1001", "focus": "1001",
        "s1008": "1006", "s1009": "1005", "t1008": "上次所執行", "t1009": "Nero Express", "t1011": "7", "c1014": "0"}]),
    "values of other types and sizes are not read": dict(after=FIRST_RUN, steps=[{**SIMPLE, "t1011": "3", "c1014": "1"}],
        reg=dict(WaitSeconds="1 37 00", DlgExpanded="3 01 00 00 00", CloseZarvel="11 00 00 00 00 00 00 00 00",
                 SelectedOption="4 ed 03", EnableAutorun="7 31 00 00 00", LastUsedOption="1 00")),
    "odd stored values": dict(reg=dict(ODD, WaitSeconds=25), after={**FIRST_RUN, **ODD, "SelectedOption": 0, "WaitSeconds": 10},
                              steps=[{"view": "advanced", "s1008": "0", "s1009": "0", "t1008": "", "t1011": "10"}]),
    "a second start activates the first": dict(steps=["sleep 300", "min", {"min": "1"}, "start", "alone",
                                                      {"min": "0", "fg": "1"}], after=FIRST_RUN),
    "a second start brings the first to the front": dict(steps=["fake 2", {"fg": "0"}, "start", "alone", {"fg": "1"}]),
    "five starts at once, three times": dict(reg=autorun(wait=3), start=0, steps=["burst"] * 3, runs=[""] * 3,
                                             after=after(EnableAutorun=1)),
    "any window with the title counts": dict(before=["fake 1"], window=False, steps=["alone", "fake 0"], after={"key": "none"}),
    "enter and escape leave the window open": dict(steps=["keys enter esc", OK, "post 273 2 0", "sleep 300", {"window": None}]),
    "about box": dict(steps=["post 274 16 0", {"box": ABOUT}, "keys enter", {"box": ""}, "post 274 31 0",
                             {"box": ABOUT}, OK, {"box": ""}]),
    # launching
    "nero": dict(steps=["click 1000", {"window": "none"}], runs=[""], after=FIRST_RUN),
    "express, staying open": dict(reg=dict(CloseZarvel=0, SelectedOptionNoTimer=LAST), runs=["-w"],  # last used: Nero
                                  steps=[{"def": "1000"}, "click 1001", "sleep 500", {"t1000": "Nero(&N)"}],
                                  after=after(CloseZarvel=0, SelectedOptionNoTimer=LAST, LastUsedOption=EXPRESS)),
    "failed starts": dict(nero=False, steps=["click 1000", {"box": NERO_FAIL}, OK, {"box": ""}, "click 1001",
                                             {"box": EXPRESS_FAIL}, OK, {"box": ""}], after=after(LastUsedOption=EXPRESS)),
    "nero registered under app paths": dict(nero="apppath", steps=["click 1000"], runs=[""]),
    # the countdown
    "countdown": dict(reg=autorun(wait=3, CloseZarvel=0), steps=[counting(3), counting(2), counting(1), "launched 3"],
                      runs=[""], after=after(CloseZarvel=0, EnableAutorun=1)),
    "countdown to the last used": dict(reg=autorun(LAST, 1, LastUsedOption=EXPRESS, SelectedOptionNoTimer=LAST),
                                       steps=[{**counting(1, 1001), "def": "1001"}, "launched 1"], runs=["-w"]),
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
    # option lists, delay box, views
    "option lists drop down whole": dict(reg=dict(DlgExpanded=1), steps=["click 1009", {"drop": "3"}, "keys esc",
                                                                       "click 1013", "click 1008", {"drop": "3"}]),
    "delay box": dict(reg=dict(DlgExpanded=1, EnableAutorun=1, SelectedOption=1007),
                      steps=[TIMER_ON, "text 1011 0", {"t1011": "1"}, "text 1011 99", {"t1011": "10"}, "text 1011 ",
                             {"t1011": "1"}, "text 1011 05", {"t1011": "05"}, "click 1011", "keys up", {"t1011": "6"},
                             "text 1011 9", "keys up up", {"t1011": "10"}, "text 1011 1", "keys end 5", {"t1011": "10"},
                             "keys a end back back", {"t1011": "1"}, "text 1011 99999999999999999999", {"t1011": "10"},
                             "text 1011 4"], after=after(WaitSeconds=4, DlgExpanded=1, EnableAutorun=1, SelectedOption=0)),
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


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def picture():
    # The background picture as rows of RGB triples, top row first.
    rgb = subprocess.run(["convert", os.path.join(os.path.dirname(__file__), "..", "res", "background.bmp"), "-depth",
                          "8", "rgb:-"], capture_output=True, check=True).stdout
    return [[rgb[(y * 278 + x) * 3:][:3] for x in range(278)] for y in range(len(rgb) // 278 // 3)]


class Run:
    # One scenario, in a fresh folder with the stand-in beside the launcher, elsewhere ("apppath") or nowhere.

    def __init__(self, loader, exe, nero, drv, row):
        self.loader, self.exe, self.drv, self.row, self.procs = loader, exe, drv, row, []
        self.work = tempfile.mkdtemp(prefix="zarvel-")
        self.log, where = os.path.join(self.work, "nero.log"), os.path.join(self.work, "apps")
        os.makedirs(where)
        if row.get("nero", True):
            shutil.copy(nero, where if row.get("nero") == "apppath" else self.work)
        drv(f"reg apppath {winpath(where)}\\nero.exe" if row.get("nero") == "apppath" else "reg apppath -")

    def start(self, count=1):
        env = dict(os.environ, ZARVEL_NERO_LOG=winpath(self.log))
        self.procs += [subprocess.Popen([self.loader, self.exe], cwd=self.work, env=env, stderr=subprocess.DEVNULL)
                       for _ in range(count)]

    def launches(self, at_least=0):
        # The stand-in's records (arguments, ms since 1970); a start may still be on its way.
        for _ in range(100):
            runs = open(self.log, encoding="utf-8").read().splitlines() if os.path.exists(self.log) else []
            if len(runs) >= at_least:
                break
            time.sleep(0.05)
        return [run.split("\t") for run in runs]

    def rects(self):
        # The client area on the screen, and each visible control in it.
        return {k[k[0] == "r":]: [int(v) for v in r.split(",")] for k, r in self.drv("state").items()
                if k[0] == "r" or k == "client"}

    def paint(self):
        # The screen's pixels in the client area against the picture tiled from its corner: the share that
        # shows it on the bare surface and in the labels and check boxes, black text in a label, the delay box.
        boxes = self.rects()
        x0, y0, x1, y1 = boxes.pop("client")
        shot = subprocess.run(["import", "-window", "root", "-crop", f"{x1 - x0}x{y1 - y0}+{x0}+{y0}", "-depth", "8",
                               "rgb:-"], capture_output=True, check=True).stdout
        px = lambda x, y: (shot[3 * (y * (x1 - x0) + x):][:3], PICTURE[y % len(PICTURE)][x % len(PICTURE[0])])
        shows = {"surface": [], "-1": [], "1013": [], "1014": []}
        for y in range(0, y1 - y0, 2):
            for x in range(0, x1 - x0, 2):
                inside = next((k for k, (l, t, r, b) in boxes.items() if l <= x < r and t <= y < b), "surface")
                shows.get(inside, []).append(px(x, y))
        labels = shows["-1"] + shows["1013"] + shows["1014"]
        share = lambda part: sum(a == b for a, b in part) * 100 // len(part)
        edit = px(boxes["1011"][0] + 3, boxes["1011"][1] + 3)
        return dict(surface=share(shows["surface"]), labels=share(labels), ink=any(a == b"\0\0\0" for a, _ in shows["-1"]),
                    edit="picture" if edit[0] == edit[1] else edit[0].hex())

    def expect(self, want, seconds=4):
        # Waits until the window shows what want says; ">N" asks for more than N.
        end = time.time() + seconds
        while True:
            got = self.paint() if "paint" in want else self.drv("state")
            wrong = {k: (v, got.get(k)) for k, v in want.get("paint", want).items() if not (
                got.get(k, 0) > int(v[1:]) if str(v)[:1] == ">" else str(got.get(k)) == str(v))}
            if not wrong or time.time() > end:
                break
            time.sleep(0.05)
        assert not wrong, "expected vs shown: " + ", ".join(f"{k}: {w!r} vs {g!r}" for k, (w, g) in wrong.items())

    def step(self, step):
        verb, _, arg = step.partition(" ") if isinstance(step, str) else ("expect", "", "")
        if verb == "expect":
            self.expect(step)
        elif verb == "start":  # one more start
            self.start()
        elif verb == "alone":  # every start after the first ends by itself
            [p.wait(5) for p in self.procs[1 if self.row.get("window", True) else 0:]]
        elif verb == "burst":  # five starts at once: one window, one start of nero
            before, seen, end = len(self.launches()), set(), time.time() + 4
            self.start(5)
            while time.time() < end:
                seen |= set(self.drv("launchers"))
            [p.wait(10) for p in self.procs]
            started = len(self.launches(before + 1)) - before
            assert len(seen) == 1 and started == 1, f"five starts: {len(seen)} windows, {started} starts of nero"
        elif verb == "launched":  # the countdown started nero N seconds after the window showed
            self.expect({"window": "none"}, int(arg) + 3)
            late = (int(self.launches(1)[0][1]) - self.shown) / 1000 - int(arg)
            assert -0.3 <= late <= 0.5, f"a countdown of {arg} s started nero {late} s late"
        elif verb == "x":  # real input through the X server: a click in the middle of a control, or keys
            kind, _, what = arg.partition(" ")
            boxes = self.rects()
            (x, y, _, _), (l, t, r, b) = boxes["client"], boxes.get(what, [0] * 4)
            subprocess.run(["xdotool", "mousemove", str(x + (l + r) // 2), str(y + (t + b) // 2), "click", "1"]
                           if kind == "click" else ["xdotool", "key", what])
            time.sleep(0.2)
        elif verb == "keys":  # by name: "tab", "alt+m", "5"
            self.drv("keys " + " ".join(k[:-len(n)] + str(KEYS[n] if n in KEYS else ord(n.upper()))
                                        for k in arg.split() for n in [k.rpartition("+")[2]]))
        else:
            assert "error" not in self.drv(step), f"the driver cannot do {step!r}"

    def play(self):
        try:
            for name, value in self.row.get("reg", {}).items():
                self.drv(f"reg set {name} " + (f"4 {struct.pack('<i', value).hex(' ')}" if type(value) is int else value))
            [self.drv(step) for step in self.row.get("before", [])]
            self.start(self.row.get("start", 1))
            if self.row.get("window", self.row.get("start", 1)):
                assert self.drv("find 10000")["found"] == "1", "no launcher window appeared"
                self.shown = time.time() * 1000  # the stand-in's clock: the system's, in ms since 1970
            [self.step(step) for step in self.row.get("steps", [])]
            self.drv(CLOSE)  # when the window is still open
            [p.wait(10) for p in self.procs]
            assert self.drv("gone 5000").get("gone") == "1", "the window stayed"
            runs = [r[0] for r in self.launches(len(self.row.get("runs", [])))]
            assert self.row.get("runs", runs) == runs, f"nero started with {runs}, expected {self.row.get('runs')}"
            stored = {k: int(v) if v.lstrip("-").isdigit() else v for k, v in self.drv("reg dump").items()}
            assert self.row.get("after", stored) == stored, f"registry after: {stored}, expected {self.row.get('after')}"
        finally:
            [p.kill() for p in self.procs if p.poll() is None]
            self.drv("fake 0")
            self.drv("reg clear")
            shutil.rmtree(self.work, ignore_errors=True)


def start_driver(exe):
    proc = subprocess.Popen([os.environ["ZARVEL_WINE"], exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            text=True, encoding="utf-16-le")  # a command a line in, its answer a line out
    return lambda command: print(command, file=proc.stdin, flush=True) or dict(
        kv.split("=", 1) for kv in proc.stdout.readline().rstrip("\n").split("\t") if "=" in kv)


def main(loader, exe, driver, nero, *only):
    if loader.endswith("/wine"):  # the 32-bit program needs the 32-bit Wine, and a kernel that runs it
        why = subprocess.run([os.path.join(os.path.dirname(__file__), "..", "scripts", "runs-i386.sh")]).returncode and \
            "this kernel does not run 32-bit programs" or not os.path.exists(loader) and "wine32 is not installed"
        if why:
            return print(f"SKIPPED: the 32-bit scenarios cannot run: {why}") or 77
    drv = start_driver(driver)
    drv("reg clear")
    names, failed = [n for n in SCENARIOS if not only or n in only], []
    for name in names:
        began = time.time()
        try:
            Run(loader, exe, nero, drv, SCENARIOS[name]).play()
            print(f"ok   {name} ({time.time() - began:.1f} s)", flush=True)
        except (AssertionError, subprocess.TimeoutExpired) as e:
            failed.append(name)
            print(f"FAIL {name}: {e}", flush=True)
    print(f"{len(names) - len(failed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    PICTURE = picture()
    sys.exit(main(sys.argv[1], *map(os.path.abspath, sys.argv[2:5]), *sys.argv[5:]))
