"""`make run` without a display: a short, real session with Zarvel on a private
X server, acted out with pointer clicks and key presses, step by step.

usage (inside scripts/wine-env.sh): run_session.py BUILD_DIR SHOT_DIR"""

import os
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "input"))
from zdrive import (AUTORUN, DELAY, RUN_EXPRESS, RUN_NERO, TOGGLE, TO_SIMPLE, Launcher,  # noqa: E402
                    private_display, wait_until)


def say(step, text):
    print(f"{step:>2}. {text}", flush=True)


def show_registry(z):
    values = z.registry()
    print("    registry HKCU\\Software\\Zarvel v1.0\\Zarvel v1.0\\設定:")
    for name, value in values.items():
        print(f"      {name:<22} {value}")


def screenshot(z, shots, name):
    path = os.path.join(shots, name)
    z.desktop.screenshot(path, z.refresh()["rect"])
    return path


def caption(z, cid):
    return z.ctl(cid)["text"].replace("&", "")


def main():
    build, shots = sys.argv[1], sys.argv[2]
    if not private_display():
        sys.exit("run: the Wine session in use runs on a real display; the scripted session needs its own Xvfb "
                 "(end the other Wine runs on this prefix first)")
    os.makedirs(shots, exist_ok=True)
    with Launcher(build) as z:
        print(f"Zarvel.exe from {build}, in {z.dir} with a stand-in nero.exe beside it")
        z.store()
        say(1, "first start, no settings stored")
        state = z.start()
        say(1, f"the simple view: buttons \"{caption(z, RUN_NERO)}\", \"{caption(z, RUN_EXPRESS)}\", "
               f"\"{caption(z, TOGGLE)}\"; focus on control {state['focus']}")
        say(1, f"screenshot {screenshot(z, shots, 'simple.png')}")
        z.click_close_button()
        if not z.wait_exit():
            raise SystemExit("the window did not close on its close button")
        say(1, "clicked the close button: the window closed and saved its settings")
        show_registry(z)

        say(2, "second start; a click on the toggle button")
        z.start()
        z.click_ctl(TOGGLE)
        wait_until(lambda: z.ctl(TOGGLE)["text"] == TO_SIMPLE)
        say(2, f"the advanced view, {z.window_rect()[3] - z.window_rect()[1]} pixels tall; "
               f"screenshot {screenshot(z, shots, 'advanced.png')}")
        z.click_ctl(AUTORUN, dx=6)
        z.click_ctl(DELAY)
        z.desktop.key("End", "shift+Home")
        z.desktop.type("3")
        wait_until(lambda: z.ctl(DELAY)["text"] == "3")
        say(2, f"checked auto-run ({z.ctl(AUTORUN)['checked']}) and typed the delay {z.ctl(DELAY)['text']}")
        z.click_ctl(RUN_EXPRESS)
        calls = wait_until(z.nero_calls, 5)
        say(2, f"clicked Nero Express: the stand-in nero.exe was started with {calls!r}")
        say(2, f"close-after is on, so the window closed by itself: {z.wait_exit()}")
        show_registry(z)

        say(3, "third start, with auto-run on")
        z.start()
        seen = time.monotonic()
        wait_until(lambda: "[2]" in z.ctl(RUN_NERO)["text"], 3)
        say(3, f"the countdown shows on the Nero button: \"{caption(z, RUN_NERO)}\"; "
               f"screenshot {screenshot(z, shots, 'countdown.png')}")
        wait_until(lambda: len(z.nero_calls()) > 1, 6)
        exited = z.wait_exit()
        say(3, f"about {time.monotonic() - seen:.1f} s after the window showed, the stand-in was started with "
               f"{z.nero_calls()[1:]!r} and the window closed by itself: {exited}")
        show_registry(z)

        say(4, "fourth start; the countdown runs again")
        z.start()
        z.click_surface()
        wait_until(lambda: z.ctl(RUN_NERO)["text"] == "Nero(&N)")
        say(4, f"a click on the window's surface stopped it: \"{caption(z, RUN_NERO)}\"")
        z.click_ctl(AUTORUN, dx=6)
        wait_until(lambda: not z.ctl(AUTORUN)["checked"])
        z.desktop.key("alt+F4")
        say(4, f"unchecked auto-run and pressed Alt+F4: the window closed: {z.wait_exit()}")
        show_registry(z)
        print(f"screenshots: {', '.join(os.path.join(shots, n) for n in ('simple.png', 'advanced.png', 'countdown.png'))}")


if __name__ == "__main__":
    main()
