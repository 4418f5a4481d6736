#!/usr/bin/python3
"""The Linux program as a screen reader user hears it: Debian's Orca in a private session, with its
debug log, whose SPEECH OUTPUT lines say what it would speak. zenity, a GTK dialog, is the reference
the bench is checked against.

    orca_e2e_test.py PROGRAM SCENARIO
"""

import codecs
import os
import re
import sys
import threading
import tty
import unittest

from desktop_session import PATIENCE, Copy, Session, wait_for

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else ""
SCENARIO = sys.argv[2] if len(sys.argv) > 2 else ""
READY = "ORCA: Starting registry"  # Orca's last line before its main loop
# "17:14:21.435973 - SPEECH OUTPUT: 'Screen reader on.'{'established': False}"; key echo puts a space
# before the braces, another voice " voice=NAME"; a line of several goes on indented 18 spaces.
SPEECH = re.compile(r"^\d\d:\d\d:\d\d\.\d+ - SPEECH OUTPUT: '(.*?)'(?: voice=\S+)? ?(?:\{[^\n]*\}|None)?$",
                    re.M | re.S)


class Orca:
    """Orca in a session, its debug log read as it is written. Orca opens the log with Python's
    open(), which buffers a file by the block but a terminal by the line: the log is a
    pseudo-terminal, read by a thread."""

    def __init__(self, session):
        self.session = session
        self.text = []
        self.lock = threading.Lock()
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        self.reader = threading.Thread(target=self.read, daemon=True)
        self.reader.start()
        session.cleanups.append(self.close)
        self.process = session.start(["orca", "--debug-file", os.ttyname(self.slave)])
        wait_for("Orca's main loop", lambda: self.process.poll() is not None or READY in self.log())
        if self.process.poll() is not None:
            raise AssertionError("Orca ended: " + self.log()[-3000:])

    def read(self):
        decoder = codecs.getincrementaldecoder("utf-8")("replace")
        while True:
            try:
                data = os.read(self.master, 65536)
            except OSError:  # no one holds the terminal's other end any more
                break
            if not data:
                break
            with self.lock:
                self.text.append(decoder.decode(data))

    def close(self):
        os.close(self.slave)
        self.reader.join(PATIENCE)
        os.close(self.master)

    def log(self, since=0):
        with self.lock:
            self.text[:] = ["".join(self.text)]
            return self.text[0][since:]

    def mark(self):
        return len(self.log())

    def speech(self, since=0):
        return [m.group(1).replace("\n" + " " * 18, "\n") for m in SPEECH.finditer(self.log(since))]

    def says(self, pattern, since):
        """Waits until Orca has said something that matches pattern since a mark."""
        return wait_for("Orca to say /%s/ (it said %r)" % (pattern, self.speech(since)), lambda: next(
            (said for said in self.speech(since) if re.search(pattern, said)), None))

    def says_in_order(self, patterns, since):
        """Waits until Orca has said things that match the patterns, one after another."""
        def found():
            said, at = self.speech(since), 0
            for pattern in patterns:
                at = next((i + 1 for i in range(at, len(said)) if re.search(pattern, said[i])), None)
                if at is None:
                    return False
            return True
        wait_for("Orca to say %r in order (it said %r)" % (patterns, self.speech(since)), found)


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
