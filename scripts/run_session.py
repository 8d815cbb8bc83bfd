"""`make run` without a display: a short, real session with Zarvel on the private
Xvfb, acted out with pointer clicks and key presses, step by step.

With a language's name, only the advanced view in the language that Windows
picks from the locale, and its screenshot advanced-NAME.png.

usage (inside scripts/wine-env.sh): run_session.py BUILD_DIR SHOT_DIR [NAME]"""
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests"))
from scenarios import ADVANCED, Driver, Run, T, counting, settings, until  # noqa: E402


def say(step, text):
    print(f"{step:>2}. {text}", flush=True)


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, check=True).stdout


def private_display():
    """Real clicks and keys must land on the harness's own Xvfb, never on someone's desktop."""
    try:
        with open(os.environ["WINEPREFIX"] + ".harness/xvfb") as f:
            return os.environ.get("DISPLAY") == ":" + f.read().split()[2]
    except (KeyError, OSError, IndexError):
        return False


class Session(Run):
    def __init__(self, build, shots):
        self.shots = shots
        super().__init__(os.environ["ZARVEL_WINE"], os.path.join(build, "Zarvel.exe"),
                         os.path.join(build, "tests", "nero.exe"),
                         Driver(os.path.join(build, "tests", "zdriver.exe")), {})

    def start(self):
        super().start()
        assert until(self.drv.shown, 15), "the launcher window did not appear"
        self.shown = time.time() * 1000
        return self.drv("state")

    def caption(self, cid):
        return self.drv("state")[f"t{cid}"].replace("&", "")

    def window(self):
        """The launcher's whole window on the screen, Wine's caption and frame included."""
        wid = xdotool("search", "--onlyvisible", "--name", "^Zarvel v1\\.0$").split()[0]
        return dict(kv.split("=") for kv in xdotool("getwindowgeometry", "--shell", wid).split())

    def click_at(self, x, y):
        xdotool("mousemove", x, y, "click", 1)
        time.sleep(0.2)

    def click(self, cid):
        """A real click in the middle of a control; 0: on the surface just right of the Nero button."""
        self.drv.click(str(cid))
        time.sleep(0.2)

    def key(self, name):
        """A real key press, by xdotool's name."""
        self.drv.keys([name])
        time.sleep(0.2)

    def click_close_button(self):
        w = self.window()
        left, top = self.drv.rects()["client"][:2]
        frame = left - int(w["X"])
        caption = top - int(w["Y"]) - frame
        self.click_at(int(w["X"]) + int(w["WIDTH"]) - frame - caption // 2, int(w["Y"]) + frame + caption // 2)

    def screenshot(self, name):
        """Cut from the root window once two looks agree, so the window has finished painting."""
        crop = ["import", "-window", "root", "-crop", "{WIDTH}x{HEIGHT}+{X}+{Y}".format(**self.window()), "+repage",
                "-strip"]  # no dates in the file
        last = None
        for _ in range(20):
            png = subprocess.run(crop + ["png:-"], capture_output=True, check=True).stdout
            if png == last:
                break
            last = png
            time.sleep(0.1)
        path = os.path.join(self.shots, name)
        with open(path, "wb") as f:
            f.write(png)
        return path

    def started(self, n):
        """The n-th start of the stand-in: its arguments, and when it began in ms since 1970."""
        runs = self.launches(n)
        assert len(runs) >= n, f"nero.exe was started {len(runs)} times, not {n}"
        return runs[n - 1]

    def closed(self):
        for p in self.procs:
            p.wait(10)
        return until(lambda: not self.drv.shown(), 5)

    def show_registry(self):
        print("    registry HKCU\\Software\\Zarvel v1.0\\Zarvel v1.0\\設定:")
        for name, value in settings().items():
            print(f"      {name:<22} {value}")


def main():
    build, shots = sys.argv[1], sys.argv[2]
    if not private_display():
        sys.exit("run: the Wine session in use runs on a real display; the scripted session needs its own Xvfb "
                 "(end the other Wine runs on this prefix first)")
    os.makedirs(shots, exist_ok=True)
    z = Session(build, shots)
    try:
        play_language(z, sys.argv[3]) if len(sys.argv) > 3 else play(z, build, shots)
    except (AssertionError, subprocess.TimeoutExpired) as e:
        sys.exit(f"run: {e}")
    finally:
        for p in z.procs:
            p.kill()
        shutil.rmtree(z.work, ignore_errors=True)


def play(z, build, shots):
    print(f"Zarvel.exe from {build}, in {z.work} with a stand-in nero.exe beside it")
    z.drv("clear")
    z.prepare()  # a display at 96 DPI, no App Paths entry for Nero
    say(1, "first start, no settings stored")
    state = z.start()
    say(1, f"the simple view: buttons \"{z.caption(1000)}\", \"{z.caption(1001)}\", \"{z.caption(1003)}\"; "
           f"focus on control {state['focus']}")
    say(1, f"screenshot {z.screenshot('simple.png')}")
    z.click_close_button()
    say(1, f"clicked the close button: the window closed and saved its settings: {z.closed()}")
    z.show_registry()

    say(2, "second start; a click on the toggle button")
    z.start()
    z.click(1003)
    z.expect(ADVANCED)
    say(2, f"the advanced view, {z.window()['HEIGHT']} pixels tall; screenshot {z.screenshot('advanced.png')}")
    z.click(1013)
    z.click(1011)
    for key in ("End", "shift+Home", "3"):
        z.key(key)
    z.expect({"c1013": "1", "t1011": "3"})
    say(2, "checked auto-run and typed the delay 3")
    z.click(1001)
    say(2, f"clicked Nero Express: the stand-in nero.exe was started with {z.started(1)[0]!r}")
    say(2, f"close-after is on, so the window closed by itself: {z.closed()}")
    z.show_registry()

    say(3, "third start, with auto-run on")
    z.start()
    z.expect(counting(2), 3)
    say(3, f"the countdown shows on the Nero button: \"{z.caption(1000)}\"; "
           f"screenshot {z.screenshot('countdown.png')}")
    args, at = z.started(2)[:2]
    say(3, f"{(int(at) - z.shown) / 1000:.1f} s after the window showed, the stand-in was started with {args!r} "
           f"and the window closed by itself: {z.closed()}")
    z.show_registry()

    say(4, "fourth start; the countdown runs again")
    z.start()
    z.expect(counting(3))
    z.click(0)
    z.expect({"t1000": T["nero"]})
    say(4, f"a click on the window's surface stopped it: \"{z.caption(1000)}\"")
    z.click(1013)
    z.expect({"c1013": "0"})
    z.key("alt+F4")
    say(4, f"unchecked auto-run and pressed Alt+F4: the window closed: {z.closed()}")
    z.show_registry()

    say(5, "fifth start, on a display at 144 DPI (150 %), in the advanced view")
    z.row, z.dpi = {"reg": {"DlgExpanded": 1, "EnableAutorun": 0}}, 144
    z.prepare()
    z.start()
    z.expect(ADVANCED)
    say(5, f"the window is {z.window()['WIDTH']} × {z.window()['HEIGHT']} pixels; "
           f"screenshot {z.screenshot('advanced-144dpi.png')}")
    z.key("alt+F4")
    say(5, f"pressed Alt+F4: the window closed: {z.closed()}")
    z.row, z.dpi = {}, 96
    z.prepare()
    names = ("simple.png", "advanced.png", "countdown.png", "advanced-144dpi.png")
    print(f"screenshots: {', '.join(os.path.join(shots, n) for n in names)}")


def play_language(z, name):
    z.drv("clear")
    z.row = {"reg": {"DlgExpanded": 1}}
    z.prepare()
    say(1, f"a start in the advanced view, with the locale {os.environ.get('LANG')}")
    z.start()
    z.expect(ADVANCED)
    say(1, f"buttons \"{z.caption(1000)}\", \"{z.caption(1001)}\", \"{z.caption(1003)}\"; "
           f"screenshot {z.screenshot(f'advanced-{name}.png')}")
    z.key("alt+F4")
    say(1, f"pressed Alt+F4: the window closed: {z.closed()}")
    z.row = {}
    z.prepare()


if __name__ == "__main__":
    main()
