# Zarvel as its users meet it: the real program under Wine, acted on and watched from outside by zdriver.exe,
# with the stand-in nero.exe as Nero. Run inside scripts/wine-env.sh:
#   scenarios.py LOADER ZARVEL_EXE ZDRIVER_EXE NERO_EXE [NAME...]
# A scenario is a row: the settings before ("reg"), the display's DPI, the steps, and what the registry ("after")
# and the stand-in ("runs") show once the window has gone. A step is a driver command (see zdriver.cpp), a dict of
# what the window must show (waited for), or one of the runner's own verbs (see Run.step). A row "on" one loader
# runs with that loader only.
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

WINE = os.environ.get("ZARVEL_WINE", "wine")
SECTION = r"HKEY_CURRENT_USER\Software\Zarvel v1.0\Zarvel v1.0\設定"
APP_PATHS = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\nero.exe"
NERO, EXPRESS, LAST = 1004, 1005, 1006
NAMES = "SelectedOption SelectedOptionNoTimer WaitSeconds CloseZarvel EnableAutorun DlgExpanded LastUsedOption"
FIRST_RUN = dict(zip(NAMES.split(), (NERO, NERO, 3, 1, 0, 0, NERO)))
STORED = dict(zip(NAMES.split(), (LAST, EXPRESS, 7, 0, 0, 5, NERO)))
ODD = dict(SelectedOption=1007, SelectedOptionNoTimer=0, DlgExpanded=-1, LastUsedOption=99)
# What the user reads, in the language that Windows picks from the locale: Traditional Chinese, Simplified Chinese,
# English. The message box's button is the system's own, and says what the About box's says.
TEXTS = dict(
    nero=("Nero(&N)", "Nero(&N)", "&Nero"), express=("Nero Express(&E)", "Nero Express(&E)", "Nero &Express"),
    more=("進階設定(&M) >>", "高级设置(&M) >>", "&More >>"), less=("<< 簡易設定(&L)", "<< 简易设置(&L)", "<< &Less"),
    last=("上次所執行", "上次运行的", "Last used"), ok=("確定", "确定", "OK"), delay=("延時執行 (秒鐘)", "延时运行 (秒)", "Delay (seconds)"),
    failed=("無法執行 {}.~請將 Zarvel 移至 nero.exe 所在目錄.", "无法运行 {}.~请将 Zarvel 移至 nero.exe 所在目录.",
            "Cannot start {}.~Please move Zarvel into the folder of nero.exe."),
    about=("關於 Zarvel|Zarvel 版本 1.0|專為 Nero 使用者設計的小工具", "关于 Zarvel|Zarvel 版本 1.0|专为 Nero 用户设计的小工具",
           "About Zarvel|Zarvel version 1.0|A small tool for Nero users"))
T = {name: texts[{"zh_TW": 0, "zh_CN": 1}.get(os.environ.get("LANG", "")[:5], 2)] for name, texts in TEXTS.items()}
NERO_FAIL, EXPRESS_FAIL = (f"Zarvel v1.0|{T['ok']}|{T['failed'].format(name)}" for name in ("Nero", "Nero Express"))
ABOUT = f"{T['about']}|{T['ok']}"
SIMPLE = {"view": "simple", "t1003": T["more"], "e1009": "0", "e1013": "0", "e1014": "0", "e1011": "0"}
ADVANCED = {"view": "advanced", "t1003": T["less"], "e1009": "1", "e1013": "1", "e1014": "1"}
TIMER_OFF = {"e1011": "0", "e1012": "0", "e1008": "0", "e1015": "0"}
TIMER_ON = {"e1011": "1", "e1012": "1", "e1008": "1", "e1015": "1"}
CLOSE, OK, MINIMISE = "post 16 0 0", "post 273 1 0", "post 274 61472 0"  # WM_CLOSE; IDOK; SC_MINIMIZE


after = lambda **changed: {**FIRST_RUN, **changed}
autorun = lambda target=NERO, wait=2, **more: dict(EnableAutorun=1, SelectedOption=target, WaitSeconds=wait, **more)
counting = lambda n, button=1000: {f"t{button}": f"{T['nero' if button == 1000 else 'express']}   [{n}]"}
# The countdown stopped by trigger: nothing starts once its time is up.
stopped = lambda trigger, caption=T["nero"], **reg: dict(reg=autorun(**reg), runs=[],
                                                          steps=[trigger, "sleep 2600", {"t1000": caption}])


SCENARIOS = {
    # start-up, single instance, settings
    "first run": dict(after=FIRST_RUN, steps=[{
        **SIMPLE, "centred": "1", "focus": "1000", "def": "1000", "t1011": "3", "c1013": "0", "c1014": "1",
        "s1008": "1004", "s1009": "1004", "t1008": "Nero", "t1009": "Nero", "e1004": "1"}]),  # the marker on the edge
    "stored settings": dict(reg=STORED, after=STORED, steps=[{
        **ADVANCED, **TIMER_OFF, "def": "1001", "focus": "1001", "s1008": "1006", "s1009": "1005",
        "t1008": T["last"], "t1009": "Nero Express", "t1011": "7", "c1014": "0"}, "fits",
        {"names": {"n1011": T["delay"]}}]),
    "values of other types and sizes are not read": dict(
        reg=dict(WaitSeconds="1 37 00", DlgExpanded="3 01 00 00 00", CloseZarvel="11 00 00 00 00 00 00 00 00",
                 SelectedOption="4 ed 03", EnableAutorun="7 31 00 00 00", LastUsedOption="2 31 00 00 00"),
        steps=[{**SIMPLE, "t1011": "3", "c1014": "1"}], after=FIRST_RUN),
    "odd stored values": dict(
        reg={**ODD, "WaitSeconds": 25}, after={**FIRST_RUN, **ODD, "SelectedOption": 0, "WaitSeconds": 10},
        steps=[{"view": "advanced", "s1008": "0", "s1009": "0", "t1008": "", "t1011": "10"}]),
    "a second start brings the first to the front": dict(
        steps=["fake other", {"fg": "0"}, "start", "ended", {"fg": "1"}]),
    "a second start restores the first, hung or not": dict(
        steps=["sleep 300", MINIMISE, {"min": "1"}, "hang", "start", "ended", "resume", {"min": "0"}]),
    "five starts at once, three times": dict(
        reg=autorun(wait=3), start=0, steps=["start 5", "ended"] * 3, runs=[""] * 3, after=after(EnableAutorun=1)),
    "a start while another holds the lock waits for it": dict(  # as behind a slow first start
        start=0, steps=["lock 1", "start", "sleep 1500", {"window": "none"}, "lock 0", {"view": "simple"}]),
    "any window with the title counts": dict(start=0, steps=["fake Zarvel v1.0", "start", "ended", "fake"],
                                             after={"key": "none"}),
    # Enter presses the default program's button, also from a check box; Escape and the commands close nothing.
    "enter starts the default program, whichever it is": dict(
        reg=dict(SelectedOptionNoTimer=LAST, LastUsedOption=EXPRESS, CloseZarvel=0, DlgExpanded=1), runs=["-w", "", ""],
        steps=[{"def": "1001", "focus": "1001"}, "keys Escape Return", OK, "post 273 2 0", "click 1000", CLOSE, "start",
               {"def": "1000", "focus": "1000"}, "keys shift+Tab Return"],
        after=after(SelectedOptionNoTimer=LAST, CloseZarvel=0, DlgExpanded=1)),
    "about box": dict(steps=["post 274 16 0", {"box": ABOUT}, "fits", "keys Return", {"box": ""}, "post 274 31 0",
                             {"box": ABOUT}, OK, {"box": ""}]),
    "logoff keeps what was changed": dict(steps=["click 1003", "click 1014", {"c1014": "0"}, "logoff", "kill"],
                                          after=after(DlgExpanded=1, CloseZarvel=0)),
    "logoff during a countdown starts nothing": dict(
        reg=autorun(), steps=[counting(2), "logoff", "sleep 2500", "kill"], runs=[],
        after=after(EnableAutorun=1, WaitSeconds=2)),
    # launching
    "express during a countdown, staying open": dict(  # the last used is Nero
        reg=autorun(wait=3, CloseZarvel=0, SelectedOptionNoTimer=LAST), runs=["-w"],
        steps=[{**counting(3), "def": "1000"}, "click 1001", "sleep 500", {"t1000": T["nero"]}],
        after=after(CloseZarvel=0, SelectedOptionNoTimer=LAST, LastUsedOption=EXPRESS, EnableAutorun=1)),
    "failed starts": dict(nero=False, after=after(LastUsedOption=EXPRESS), steps=[
        "click 1000", {"box": NERO_FAIL}, OK, {"box": ""}, "click 1001", {"box": EXPRESS_FAIL}, OK, {"box": ""}]),
    "nero, registered under app paths": dict(nero="apppath", steps=["click 1000", {"window": "none"}], runs=[""],
                                             after=FIRST_RUN),
    # the countdown
    "countdown, long enough to tell its pace, to the last used": dict(
        reg=autorun(LAST, 8, CloseZarvel=0, LastUsedOption=EXPRESS, SelectedOptionNoTimer=LAST), runs=["-w"],
        steps=[{**counting(8, 1001), "def": "1001"}, counting(7, 1001), "launched 8"]),
    "a delay stored below one, and a start that fails": dict(  # the count runs out at the first tick
        nero=False, reg=autorun(wait=-2**31), after=after(EnableAutorun=1, WaitSeconds=1),
        steps=[counting(-2**31), {"t1011": "1", "box": ""}, {"box": NERO_FAIL}, OK]),
    "countdown to no program": dict(
        reg=autorun(1007, 1), steps=["sleep 2500", {"t1000": T["nero"], "s1008": "0"}], runs=[],
        after=after(SelectedOption=0, WaitSeconds=1, EnableAutorun=1)),
    "stop: surface": stopped("click 0"),
    "stop: escape": stopped("keys Escape"),
    "stop: toggle": stopped("click 1003"),
    "stop: logoff asked": stopped("logoff ask"),
    **{f"stop: {name}": stopped(f"click {control}", DlgExpanded=1) for name, control in (
        ("auto-run box", 1013), ("close-after box", 1014), ("default list", 1009), ("auto-run list", 1008))},
    "stop: focus in the delay box keeps the count": stopped("click 1011", counting(2)["t1000"], DlgExpanded=1),
    "stop: delay typed keeps the count": stopped("text 1011 5", counting(2)["t1000"], DlgExpanded=1),
    # option lists, delay box, views
    "option lists drop down whole": dict(
        reg=dict(DlgExpanded=1), steps=["click 1009", {"drop": "3"}, "keys Escape Down", {"s1009": "1005"},
                                        "click 1013", "click 1008", {"drop": "3"}]),
    "delay box": dict(
        reg=dict(DlgExpanded=1, EnableAutorun=1, SelectedOption=1007),
        steps=[TIMER_ON, "text 1011 0", {"t1011": "1"}, "text 1011 99", {"t1011": "10"}, "text 1011 ", {"t1011": "1"},
               "text 1011 05", {"t1011": "05"}, "click 1011", "keys Up", {"t1011": "6"}, "text 1011 9", "keys Up Up",
               {"t1011": "10"}, "text 1011 1", "keys End 5", {"t1011": "10"}, "keys a End BackSpace BackSpace",
               {"t1011": "1"}, "text 1011 18446744073709551615", {"t1011": "10"}, "text 1011  4"],
        after=after(WaitSeconds=4, DlgExpanded=1, EnableAutorun=1, SelectedOption=0)),
    "views": dict(
        steps=[SIMPLE, "click 1003", {**ADVANCED, **TIMER_OFF}, "click 1013", TIMER_ON, "click 1011", {"focus": "1011"},
               "post 273 1003 0", {**SIMPLE, "focus": "1000"}, "keys alt+m", {**ADVANCED, **TIMER_ON}],
        after=after(EnableAutorun=1, DlgExpanded=1)),
    # painting, at the display's scaling
    "picture and transparent labels": dict(reg=dict(DlgExpanded=1), steps=[  # colours, settings changed
        "post 21 0 0", "post 26 67 0", {"paint": {"surface": "picture", "labels": "picture", "ink": True,
                                                  "edit": "picture"}}, "click 1013", {"paint": {"edit": "ffffff"}}]),
    # A handle or block leaked per paint or view switch, as private memory (Wine counts no GDI objects). The same
    # code in both builds: the 64-bit one only, where 300 switches take seconds rather than half a minute under qemu.
    "nothing grows with use": dict(on="wine64", steps=["churn 60", "memory 0", "churn 240", "memory 12"]),
    "at 144 dpi": dict(dpi=144, reg=dict(DlgExpanded=1), steps=[
        ADVANCED, "fits", {"paint": {"surface": "picture", "labels": "picture", "ink": True}}, "click 1003", SIMPLE,
        "post 274 16 0", {"box": ABOUT}, "fits", OK]),
}


def until(check, seconds):
    # Polls check until it holds or the time is up; says whether it held.
    end = time.time() + seconds
    while not check() and time.time() < end:
        time.sleep(0.02)
    return check()


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, check=True).stdout.strip()


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def picture():
    # The background picture as rows of RGB triples, top row first.
    bmp = os.path.join(os.path.dirname(__file__), "..", "res", "background.bmp")
    rgb = subprocess.run(["convert", bmp, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return [[rgb[i:i + 3] for i in range(row, row + 278 * 3, 3)] for row in range(0, len(rgb), 278 * 3)]


class Driver:
    # zdriver.exe: a command a line in, its answer a line out ("key=value" pairs separated by tabs).

    def __init__(self, exe):
        self.proc = subprocess.Popen([WINE, exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, encoding="utf-16-le")

    def __call__(self, command):
        print(command, file=self.proc.stdin, flush=True)
        return dict(pair.split("=", 1) for pair in self.proc.stdout.readline().rstrip("\n").split("\t") if "=" in pair)

    def shown(self):
        return self("launchers")["count"] != "0"

    def rects(self):
        # The client area on the screen, and each visible control in it ("r" and its id).
        return {key.removeprefix("r"): [int(v) for v in box.split(",")] for key, box in self("state").items()
                if key == "client" or key.startswith("r")}

    def click(self, what):
        # A real click in the middle of a control; "0": on the surface right of the Nero button.
        boxes = self.rects()
        left, top, right, bottom = boxes["1000" if what == "0" else what]
        x = right + 6 if what == "0" else (left + right) // 2
        xdotool("mousemove", str(boxes["client"][0] + x), str(boxes["client"][1] + (top + bottom) // 2), "click", "1")

    def keys(self, names):
        # Real keys, once the launcher or its box, brought to the front, has the X server's focus.
        window = self("front")["x"]
        until(lambda: xdotool("getwindowfocus") == window, 2)
        xdotool("key", *names)


class Run:
    # One scenario, in a fresh folder with the stand-in beside the launcher, elsewhere ("apppath") or nowhere.

    def __init__(self, loader, exe, nero, drv, row):
        self.loader, self.exe, self.drv, self.row, self.procs, self.dpi = loader, exe, drv, row, [], row.get("dpi", 96)
        self.work = tempfile.mkdtemp(prefix="zarvel-")
        self.log, self.apps = os.path.join(self.work, "nero.log"), os.path.join(self.work, "apps")
        os.makedirs(self.apps)
        if row.get("nero", True):
            shutil.copy(nero, self.apps if row.get("nero") == "apppath" else self.work)

    def start(self, count=1):
        env = dict(os.environ, ZARVEL_NERO_LOG=winpath(self.log))
        self.procs += [subprocess.Popen([self.loader, self.exe], cwd=self.work, env=env, stderr=subprocess.DEVNULL)
                       for _ in range(count)]

    def launches(self, at_least=0):
        # The stand-in's records (arguments, ms since 1970, how shown); a start may still be on its way.
        lines = lambda: open(self.log, encoding="utf-8").read().splitlines() if os.path.exists(self.log) else []
        until(lambda: len(lines()) >= at_least, 5)
        return [line.split("\t") for line in lines()]

    def paint(self):
        # The screen's pixels in the client area against the picture, grown with the display's scaling and tiled
        # from the corner: the share that shows it on the bare surface and in the labels and check boxes, whether
        # a label has black text, and what the delay box shows.
        boxes = self.drv.rects()
        left, top, right, bottom = boxes.pop("client")
        width, height = right - left, bottom - top
        shot = subprocess.run(["import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}", "-depth", "8",
                               "rgb:-"], capture_output=True, check=True).stdout
        at = lambda x, y: shot[3 * (y * width + x):3 * (y * width + x) + 3]
        parts = [(x, y, next((name for name, (l, t, r, b) in boxes.items() if l <= x < r and t <= y < b), "surface"))
                 for y in range(0, height, 2) for x in range(0, width, 2)]
        share = lambda hits: sum(hits) * 100 // len(hits)
        surface = share([self.pictured(x, y, at(x, y)) for x, y, part in parts if part == "surface"])
        labels = share([self.pictured(x, y, at(x, y)) for x, y, part in parts if part in ("-1", "1013", "1014")])
        ink = any(part == "-1" and at(x, y) == b"\0\0\0" for x, y, part in parts)
        x, y = boxes["1011"][0] + 3, boxes["1011"][1] + 3  # in the delay box
        # Grown with the display's scaling, the picture is smoothed: not every pixel passes.
        return dict(surface="picture" if surface >= (100 if self.dpi == 96 else 95) else f"{surface} %", ink=ink,
                    labels="picture" if labels > 50 else f"{labels} %",
                    edit="picture" if self.pictured(x, y, at(x, y)) else at(x, y).hex())

    def pictured(self, x, y, pixel):
        # Whether the pixel at (x, y) of the client area shows the picture. Grown with the display's scaling, the
        # picture is smoothed: its pixels may differ a little from the nearest one of the original.
        row = PICTURE[y * 96 // self.dpi % len(PICTURE)]
        return max(abs(a - b) for a, b in zip(pixel, row[x * 96 // self.dpi % len(row)])) <= (self.dpi != 96) * 8

    def expect(self, want, seconds=4):
        # Waits until the window shows what want says.
        shows, end = want.get("paint", want.get("names", want)), time.time() + seconds
        look = lambda: self.paint() if "paint" in want else self.drv("names" if "names" in want else "state")
        differ = lambda got: {k: (v, got.get(k)) for k, v in shows.items() if str(v) != str(got.get(k))}
        while (wrong := differ(look())) and time.time() < end:
            time.sleep(0.05)
        assert not wrong, "expected vs shown: " + ", ".join(f"{k}: {w!r} vs {g!r}" for k, (w, g) in wrong.items())

    def step(self, step):
        if isinstance(step, dict):
            return self.expect(step)
        verb, _, arg = step.partition(" ")
        if verb == "sleep":
            time.sleep(int(arg) / 1000)
        elif verb == "start":  # more starts, at once
            self.start(int(arg or 1))
        elif verb in ("hang", "resume", "kill"):  # the first launcher stops answering, goes on, or is ended
            os.kill(self.procs[0].pid, {"hang": signal.SIGSTOP, "resume": signal.SIGCONT, "kill": signal.SIGKILL}[verb])
        elif verb == "ended":  # the starts after the first window have ended by themselves (one after its count)
            [proc.wait(30) for proc in self.procs[self.row.get("start", 1):]]
        elif verb == "launched":  # the countdown started nero N seconds after the window showed
            self.expect({"window": "none"}, int(arg) + 3)
            late = (int(self.launches(1)[0][1]) - self.shown) / 1000 - int(arg)
            assert -0.3 <= late <= 0.6, f"a countdown of {arg} s started nero {late} s late"
        elif verb == "memory":  # the process's private memory grew by N KiB at most since the last look
            with open(f"/proc/{self.procs[0].pid}/status") as f:  # Wine counts no GDI objects
                now = int(next(line for line in f if line.startswith("RssAnon:")).split()[1])
            assert now - getattr(self, "memory", now) <= int(arg), f"{now - self.memory} KiB more since the last look"
            self.memory = now
        elif verb == "click":  # real input through the X server
            self.drv.click(arg)
        elif verb == "keys":  # by xdotool's names: "Tab", "alt+m", "5"
            self.drv.keys(arg.split())
        elif verb == "fits":  # no text of the window, or of its box, wider than its control
            clipped = self.drv(f"fit {self.dpi} {winpath(self.exe)}")["clipped"]
            assert not clipped, f"texts wider than their controls (id:needed>room, px): {clipped}"
        else:
            answer = self.drv(step)
            assert "error" not in answer, f"{step!r}: {answer['error']}"

    def play(self):
        try:
            self.prepare()
            self.start(self.row.get("start", 1))
            if self.row.get("start", 1):
                assert until(self.drv.shown, 10), "no launcher window appeared"
                self.shown = time.time() * 1000  # the stand-in's clock: the system's, in ms since 1970
            for step in self.row.get("steps", []):
                self.step(step)
            self.drv(CLOSE)  # when the window is still open
            [proc.wait(10) for proc in self.procs]
            assert until(lambda: not self.drv.shown(), 5), "the window stayed"
            self.check_outcome()
        finally:
            [proc.kill() for proc in self.procs if proc.poll() is None]
            self.drv("clear")
            shutil.rmtree(self.work, ignore_errors=True)

    def prepare(self):
        # The settings before ("TYPE HEXBYTES" for a value of any type), Nero's registration and the display's DPI,
        # through Wine's regedit; UTF-16, for the section's Chinese name.
        lines = ["Windows Registry Editor Version 5.00", r"[HKEY_CURRENT_USER\Control Panel\Desktop]",
                 f'"LogPixels"=dword:{self.dpi:08x}'] + [f"[{SECTION}]"] * ("reg" in self.row)
        for name, value in self.row.get("reg", {}).items():
            kind, data = value.split(" ", 1) if type(value) is str else ("4", struct.pack("<i", value).hex(" "))
            lines.append(f'"{name}"=hex({int(kind):x}):{data.replace(" ", ",")}')
        lines.append(f"[-{APP_PATHS}]")  # one key for both registry views in Wine
        if self.row.get("nero") == "apppath":
            nero = winpath(os.path.join(self.apps, "nero.exe")).replace("\\", "\\\\")
            lines += [f"[{APP_PATHS}]", f'@="{nero}"']
        path = os.path.join(self.work, "before.reg")
        with open(path, "w", encoding="utf-16") as f:
            f.write("\r\n".join(lines) + "\r\n")
        subprocess.run([WINE, "regedit", "/S", winpath(path)], check=True)

    def check_outcome(self):
        # Each start of nero, and how it was asked to show itself where that is not as a normal window.
        records = self.launches(len(self.row.get("runs", [])))
        runs = [run[0] + ("" if run[2] == "1" else f" shown {run[2]}") for run in records]
        assert self.row.get("runs", runs) == runs, f"nero started with {runs}, expected {self.row.get('runs')}"
        stored = settings()
        assert self.row.get("after", stored) == stored, f"registry after: {stored}, expected {self.row.get('after')}"


def settings():
    # The stored settings that are DWORDs, as numbers; {"key": "none"} without the section. A reg that fails is asked
    # once more before the section counts as missing: the one way a row can see no section that is there.
    run = lambda: subprocess.run([WINE, "reg", "query", SECTION], capture_output=True, text=True, errors="replace")
    query = first if not (first := run()).returncode else run()
    rows = [line.split() for line in query.stdout.splitlines()]
    dwords = {r[0]: struct.unpack("<i", struct.pack("<I", int(r[2], 16)))[0] for r in rows if r[1:2] == ["REG_DWORD"]}
    return {"key": "none"} if query.returncode else dwords


def main(loader, exe, driver, nero, *only):
    drv = Driver(driver)
    drv("clear")
    names = [name for name in SCENARIOS if (not only or name in only) and SCENARIOS[name].get("on", loader) in loader]
    failed = []
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
