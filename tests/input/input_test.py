"""Real-input tests: the real Zarvel.exe driven through the X server with
pointer clicks and key presses, as a person uses it, with the stand-in nero.exe
in its working folder.

usage (inside scripts/wine-env.sh):
  input_test.py ZARVEL_EXE NERO_EXE ZPROBE_EXE [unittest options]"""

import os
import sys
import time
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from zdrive import (AUTORUN, AUTORUN_LIST, CLOSE_AFTER, DEFAULT_LIST, DELAY, DELAY_LABEL, DELAY_SPIN, EXPRESS,  # noqa: E402
                    LAST_USED, MARK_ADVANCED, MARK_SIMPLE, NERO, RUN_EXPRESS, RUN_NERO, TO_ADVANCED, TO_SIMPLE, TOGGLE,
                    Launcher, private_display, wait_until)

PATHS = {}
NERO_CAPTION = "Nero(&N)"
# The eight tab stops of the advanced view, in template order.
TAB_ORDER = [RUN_NERO, RUN_EXPRESS, TOGGLE, DEFAULT_LIST, AUTORUN, AUTORUN_LIST, DELAY, CLOSE_AFTER]
LOWER_CONTROLS = [DEFAULT_LIST, AUTORUN, AUTORUN_LIST, DELAY, DELAY_SPIN, CLOSE_AFTER, DELAY_LABEL]
# Longer than one countdown period: the time in which a live timer must have ticked.
TICK_WINDOW = 1.5


class InputTest(unittest.TestCase):
    def setUp(self):
        self.z = Launcher(None, PATHS["nero"], PATHS["probe"], PATHS["zarvel"])
        self.addCleanup(self.z.close)

    # -- helpers ---------------------------------------------------------
    def text(self, cid):
        return self.z.ctl(cid)["text"]

    def await_text(self, cid, want, timeout=3):
        wait_until(lambda: self.text(cid) == want, timeout)
        self.assertEqual(want, self.text(cid), f"control {cid}")

    def await_focus(self, want, timeout=3):
        wait_until(lambda: self.z.focus() == want, timeout)
        self.assertEqual(want, self.z.focus())

    def press_and_follow_focus(self, key):
        """Presses key and returns where the focus went (once it moved)."""
        before = self.z.focus()
        self.z.desktop.key(key)
        wait_until(lambda: self.z.focus() != before, 3)
        return self.z.focus()

    def type_delay(self, text):
        """Replaces the delay box's text by typing, as a user selects and overtypes it."""
        self.z.click_ctl(DELAY)
        self.await_focus(DELAY)
        self.z.desktop.key("End", "shift+Home")
        self.z.desktop.type(text)

    def await_calls(self, calls):
        wait_until(lambda: self.z.nero_calls() == calls, 5)
        self.assertEqual(calls, self.z.nero_calls(), "starts of the stand-in (argument text of each)")

    def close_and_read_settings(self, how):
        if how == "close button":
            self.z.click_close_button()
        else:
            self.z.desktop.key("alt+F4")
        self.assertTrue(self.z.wait_exit(10), f"the window did not close by {how}")
        return self.z.registry()

    # -- the countdown ---------------------------------------------------
    def test_click_on_the_surface_stops_the_countdown(self):
        self.z.store(EnableAutorun=1, WaitSeconds=10)
        self.z.start()
        self.await_text(RUN_NERO, NERO_CAPTION + "   [9]", 3)
        self.z.click_surface()
        self.await_text(RUN_NERO, NERO_CAPTION)
        time.sleep(TICK_WINDOW)  # a live timer would put a count back
        self.assertEqual(NERO_CAPTION, self.text(RUN_NERO))
        self.assertTrue(self.z.refresh()["running"])
        self.assertEqual([], self.z.nero_calls())

    def test_delay_box_freezes_the_count_and_takes_only_digits_in_range(self):
        self.z.store(EnableAutorun=1, WaitSeconds=10, DlgExpanded=1)
        self.z.start()
        self.await_text(RUN_NERO, NERO_CAPTION + "   [9]", 3)
        self.z.click_ctl(DELAY)
        self.await_focus(DELAY)
        frozen = self.text(RUN_NERO)
        self.assertRegex(frozen, r"^Nero\(&N\)   \[[89]\]$", "the last count stays on the button")
        time.sleep(TICK_WINDOW)
        self.assertEqual(frozen, self.text(RUN_NERO), "the countdown went on ticking")
        self.z.click_surface()
        self.await_text(RUN_NERO, NERO_CAPTION)

        self.type_delay("x-a. 7b")
        self.await_text(DELAY, "7")
        self.type_delay("99")
        self.await_text(DELAY, "10")
        self.z.desktop.key("End", "shift+Home", "Delete")
        self.await_text(DELAY, "1")
        # The arrows: keys while the box has the focus, then mouse clicks on the arrows.
        self.type_delay("8")
        self.await_text(DELAY, "8")
        for want in ["9", "10", "10"]:
            self.z.desktop.key("Up")
            self.await_text(DELAY, want)
        l, t, r, b = self.z.ctl(DELAY_SPIN)["rect"]
        for want in ["9", "8"]:
            self.z.desktop.click((l + r) // 2, b - 3)
            self.await_text(DELAY, want)
        self.type_delay("2")
        self.await_text(DELAY, "2")
        for want in ["1", "1"]:
            self.z.desktop.click((l + r) // 2, b - 3)
            self.await_text(DELAY, want)
        self.z.desktop.click((l + r) // 2, t + 3)
        self.await_text(DELAY, "2")
        self.z.desktop.key("Down", "Down", "Down")
        self.await_text(DELAY, "1")
        self.assertEqual([], self.z.nero_calls())
        self.assertEqual(1, self.close_and_read_settings("close button")["WaitSeconds"])

    # -- the keyboard and the launch buttons -----------------------------
    def test_keyboard_and_launch_buttons(self):
        self.z.store(EnableAutorun=1, WaitSeconds=10, DlgExpanded=1, CloseZarvel=0)
        self.z.start()
        self.assertEqual(RUN_NERO, self.z.focus())
        walk = [self.press_and_follow_focus("Tab") for _ in TAB_ORDER]
        self.assertEqual(TAB_ORDER[1:] + TAB_ORDER[:1], walk, "Tab order over all eight stops and round again")
        self.assertEqual(NERO_CAPTION, self.text(RUN_NERO), "focus in a program list stops the countdown")

        # Enter and Escape on a non-button control leave the window as it is;
        # the Tab after them shows that both were handled.
        for stop in (DEFAULT_LIST, DELAY):
            self.z.click_ctl(stop)
            if stop == DEFAULT_LIST:
                self.z.desktop.key("Escape")  # the click dropped the list down
                wait_until(lambda: not self.z.ctl(DEFAULT_LIST)["dropped"])
            self.await_focus(stop)
            self.z.desktop.key("Return", "Escape")
            self.assertEqual(TAB_ORDER[(TAB_ORDER.index(stop) + 1) % 8], self.press_and_follow_focus("Tab"))
            self.assertTrue(self.z.refresh()["running"], "Enter or Escape closed the window")
        self.assertEqual([], self.z.nero_calls())

        tall = self.z.window_rect()
        self.z.desktop.key("alt+l")
        self.await_text(TOGGLE, TO_ADVANCED)
        self.assertLess(self.z.window_rect()[3], tall[3], "Alt+L did not shorten the window")
        self.z.desktop.key("alt+m")
        self.await_text(TOGGLE, TO_SIMPLE)
        self.assertEqual(tall, self.z.window_rect())

        self.z.desktop.key("alt+n")
        self.await_calls([""])
        self.z.desktop.key("alt+e")
        self.await_calls(["", "-w"])
        self.z.click_ctl(RUN_NERO)
        self.await_calls(["", "-w", ""])
        self.z.click_ctl(RUN_EXPRESS)
        self.await_calls(["", "-w", "", "-w"])
        self.assertTrue(self.z.refresh()["running"], "close-after is off: the window stays")
        settings = self.close_and_read_settings("Alt+F4")
        self.assertEqual(EXPRESS, settings["LastUsedOption"])

    # -- the views and what the next start shows --------------------------
    def test_simple_view_out_of_reach_and_user_settings_persist(self):
        z = self.z
        z.store()
        z.start()
        self.assertEqual(TO_ADVANCED, self.text(TOGGLE))
        bottom = z.window_rect()[3]
        for cid in LOWER_CONTROLS:
            c = z.ctl(cid, fresh=False)
            self.assertFalse(c["enabled"], f"control {cid} is enabled in the simple view")
            self.assertGreaterEqual(c["rect"][1], bottom, f"control {cid} shows in the simple view")
        # The mouse: where the check boxes lie, below the window, a click changes nothing.
        z.click_ctl(AUTORUN, dx=6)
        z.click_ctl(CLOSE_AFTER, dx=6)
        z.click_surface()  # back into the window, so the keys reach it
        # The keyboard: Tab goes round the three buttons only.
        self.await_focus(RUN_NERO)
        walk = [self.press_and_follow_focus("Tab") for _ in range(4)]
        self.assertEqual([RUN_EXPRESS, TOGGLE, RUN_NERO, RUN_EXPRESS], walk)
        # The keys came after the clicks, so the clicks have been handled by now.
        self.assertEqual((0, 1), (z.ctl(AUTORUN)["checked"], z.ctl(CLOSE_AFTER)["checked"]))

        # Everything a user can change, by the mouse and the keyboard.
        z.click_ctl(TOGGLE)
        self.await_text(TOGGLE, TO_SIMPLE)
        z.pick_from_list(DEFAULT_LIST, EXPRESS)
        z.click_ctl(AUTORUN, dx=6)
        wait_until(lambda: z.ctl(AUTORUN_LIST)["enabled"])
        z.pick_from_list(AUTORUN_LIST, LAST_USED)
        self.type_delay("7")
        self.await_text(DELAY, "7")
        z.click_ctl(CLOSE_AFTER, dx=6)
        wait_until(lambda: z.ctl(CLOSE_AFTER)["checked"] == 0)
        expected = {"SelectedOption": LAST_USED, "SelectedOptionNoTimer": EXPRESS, "WaitSeconds": 7,
                    "CloseZarvel": 0, "EnableAutorun": 1, "DlgExpanded": 1, "LastUsedOption": NERO}
        self.assertEqual(expected, self.close_and_read_settings("close button"))

        # The next start shows them all, and the auto-run they ask for.
        state = z.start()
        shown = {c["id"]: c for c in state["controls"]}
        self.assertEqual(TO_SIMPLE, shown[TOGGLE]["text"])
        self.assertEqual(shown[MARK_ADVANCED]["rect"][1], state["rect"][3], "the window ends at the advanced marker")
        self.assertEqual((EXPRESS, LAST_USED), (shown[DEFAULT_LIST]["sel"], shown[AUTORUN_LIST]["sel"]))
        self.assertEqual((1, 0), (shown[AUTORUN]["checked"], shown[CLOSE_AFTER]["checked"]))
        self.assertEqual("7", shown[DELAY]["text"])
        self.assertEqual(RUN_EXPRESS, state["focus"], "the default list names Nero Express")
        self.assertEqual(NERO_CAPTION + "   [7]", shown[RUN_NERO]["text"], "last used resolves to Nero")
        z.desktop.key("Escape")
        self.await_text(RUN_NERO, NERO_CAPTION)
        z.desktop.key("alt+l")
        self.await_text(TOGGLE, TO_ADVANCED)
        self.assertEqual(0, self.close_and_read_settings("Alt+F4")["DlgExpanded"])

        state = z.start()
        self.assertEqual(TO_ADVANCED, z.ctl(TOGGLE, fresh=False)["text"])
        self.assertEqual(z.ctl(MARK_SIMPLE, fresh=False)["rect"][1], state["rect"][3])
        self.assertEqual(NERO_CAPTION + "   [7]", self.text(RUN_NERO))
        z.click_surface()
        self.await_text(RUN_NERO, NERO_CAPTION)
        self.close_and_read_settings("close button")
        self.assertEqual([], z.nero_calls())


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    if not private_display() and os.environ.get("ZARVEL_REAL_INPUT") != "1":
        print("skipped: real input runs only on the harness's private Xvfb (unset DISPLAY), "
              "or set ZARVEL_REAL_INPUT=1 to use this display")
        sys.exit(77)
    PATHS.update(zarvel=sys.argv[1], nero=sys.argv[2], probe=sys.argv[3])
    unittest.main(argv=[sys.argv[0], "-v", *sys.argv[4:]])
