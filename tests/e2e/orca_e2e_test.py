#!/usr/bin/python3
"""The Linux program as a screen reader user hears it: Debian's Orca in a private session, with its
debug log, whose SPEECH OUTPUT lines say what it would speak. zenity, a GTK dialog, is the reference
the bench is checked against.

    orca_e2e_test.py PROGRAM SCENARIO
"""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from desktop_session import PATIENCE, Copy, Session, wait_for  # noqa: E402
from screen_reader import READY, Orca  # noqa: E402

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else ""
SCENARIO = sys.argv[2] if len(sys.argv) > 2 else ""
TITLE = "HALVERD - TEST PROCESS - %s.exe"


class OrcaTest(unittest.TestCase):
    def setUp(self):
        self.session = Session("openbox")
        self.addCleanup(self.session.close)
        self.orca = Orca(self.session)

    def open_copy(self, name="REACH-1"):
        mark = self.orca.mark()
        copy = Copy(self.session, PROGRAM, name)
        # Orca has caught up with the window once it has spoken its opening.
        self.orca.says_in_order([re.escape(TITLE % name) + " frame", "^EXIT push button"], mark)
        return copy

    def press(self, key, window=None):
        mark = self.orca.mark()
        self.session.key(key, window=window)
        return mark


class Reference(OrcaTest):
    def test_a_gtk_dialog_is_spoken_on_this_bench(self):
        mark = self.orca.mark()
        self.session.start(["zenity", "--question", "--text", "Save changes?"])
        self.orca.says_in_order(["^Question dialog", "^Yes push button"], mark)
        self.press("Tab")  # to the dialog's words, which can be selected
        self.orca.says("^No push button", self.press("Tab"))


class Opening(OrcaTest):
    def test_the_title_and_the_focused_control_are_spoken(self):
        self.open_copy()
        self.assertIn(READY, self.orca.log())


class Controls(OrcaTest):
    def test_every_control_and_change_is_spoken_and_orca_commands_work(self):
        copy = self.open_copy()
        self.orca.says("^Always On Top check box checked", self.press("Tab", copy.window))
        mark = self.press("space")
        self.orca.says("^not checked", mark)
        wait_for("the untick stored", lambda: "AlwaysOnTop_TICKBOX=0" in self.session.settings())
        self.orca.says_in_order(["^MY PROCESS NAME IS:- read only text", "^REACH-1.exe"], self.press("Tab"))
        # Where am I: Orca's own command, which it hears only through the copy and keeps for itself.
        mark = self.press("KP_Enter")
        self.orca.says("REACH-1.exe", mark)
        self.assertIn("Handler is Perform the basic Where Am I operation", self.orca.log(mark))
        self.orca.says_in_order(["^Thumbs up, left image", "^A hand with its thumb raised"], self.press("Tab"))


class ErrorBox(OrcaTest):
    def test_the_error_box_is_spoken_with_its_title_words_and_button(self):
        copy = self.open_copy()
        os.makedirs(os.path.join(self.session.home, "config", "HV_TEST_PROCESS", "settings.ini"))
        mark = self.press("space", copy.window)  # EXIT has the focus: its store fails
        self.orca.says_in_order(["^alert HV_TEST_PROCESS", "settings.ini: Is a directory", "^Close push button"],
                                mark)
        self.session.key("Return")
        self.assertEqual(copy.process.wait(PATIENCE), 1)


class Switching(OrcaTest):
    def test_each_copy_is_spoken_as_the_user_switches_to_it(self):
        first = self.open_copy("REACH-1")
        second = self.open_copy("REACH-2")
        for copy in (first, second, first):
            mark = self.orca.mark()
            self.session.run(["xdotool", "windowactivate", "--sync", copy.window], check=True)
            self.orca.says_in_order([re.escape(TITLE % copy.name) + " frame", "^EXIT push button"], mark)


if __name__ == "__main__":
    suite = unittest.defaultTestLoader.loadTestsFromName(SCENARIO, sys.modules[__name__])
    sys.exit(0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1)
