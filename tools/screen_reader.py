"""Debian's Orca in a private desktop session, and what it would speak, read from its debug log:
its SPEECH OUTPUT lines are what it sends the speech synthesizer, which the session need not have."""

import codecs
import os
import re
import threading
import tty

from desktop_session import PATIENCE, wait_for

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
