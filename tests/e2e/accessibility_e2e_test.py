#!/usr/bin/python3
"""The Linux program as AT-SPI clients see it, read with Debian's pyatspi.

Each scenario runs in a session of its own: a private Xvfb (with openbox or no window manager),
a private session bus, at-spi2-core's bus launcher and registry, and a copy started as REACH-1.
libatspi binds to the session it first sees, so one process holds one scenario:

    accessibility_e2e_test.py PROGRAM SCENARIO
"""

import os
import select
import signal
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "..", "tools"), os.path.join(HERE, "..", "..", "bench")]
from desktop_session import PATIENCE, Copy as NamedCopy, Session, wait_for  # noqa: E402

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else ""
SCENARIO = sys.argv[2] if len(sys.argv) > 2 else ""


def Copy(session):
    return NamedCopy(session, PROGRAM)


# Where the design puts some controls (twips, from the client area's corner), and their names.
DESIGN = {
    "EXIT_BUTTON": ("push button", "EXIT", (4080, 3360, 2775, 495)),
    "AlwaysOnTop_TICKBOX": ("check box", "Always On Top", (4800, 1200, 1455, 255)),
    "APP_NAME_TEXTBOX": ("text", "MY PROCESS NAME IS:-", (2040, 2520, 6975, 495)),
    "THUMBS_UP_PIC_1": ("image", "Thumbs up, left", (360, 1680, 1500, 1275)),
    "NAME_LABEL_TEXTBOX": ("label", "MY PROCESS NAME IS:-", (2160, 2040, 6735, 405)),
    "CREATOR_TEXTBOX": ("label", "Created By Malvoric", (120, 600, 10695, 375)),
}


class AccessibilityTest(unittest.TestCase):
    wm = None
    dpi = 96
    accessibility = True

    def setUp(self):
        self.session = Session(self.wm, self.dpi, self.accessibility)
        self.addCleanup(self.session.close)
        self.before_start()
        self.copy = Copy(self.session)

    def before_start(self):
        pass

    def application(self):
        import pyatspi
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == "REACH-1" and app.childCount >= 1:
                return app
        return None

    def controls(self):
        frame = wait_for("REACH-1 on the accessibility bus", self.application)[0]
        return frame, {child.accessibleId: child for child in frame}

    def assert_stored_at_exit(self):
        lines = sorted(self.session.settings().splitlines())
        self.assertEqual(len(lines), 4, lines)
        self.assertEqual(lines[0], "AlwaysOnTop_TICKBOX=0")
        self.assertRegex(lines[1], r"^MAIN_Left=\d+$")
        self.assertRegex(lines[2], r"^MAIN_Top=\d+$")
        self.assertEqual(lines[3], "[REACH-1]")

    def copy_on_bus(self):
        """The copy's name on the accessibility bus."""
        return self.copy.connections(self.session.a11y_address())[0]

    def call_raw(self, path, method, *arguments):
        # A client that gets the arguments wrong, as pyatspi never does: dbus-send straight to the
        # copy's object on the accessibility bus.
        return self.session.run(["dbus-send", "--bus=" + self.session.a11y_address(), "--print-reply",
                                 "--dest=" + self.copy_on_bus(), path, method, *arguments])

    def pump(self):
        from gi.repository import GLib
        while GLib.MainContext.default().iteration(False):
            pass


class Tree(AccessibilityTest):
    def test_every_control_is_there_with_its_role_name_and_place(self):
        import pyatspi
        app = wait_for("REACH-1 on the accessibility bus", self.application)
        self.assertEqual(app.getRoleName(), "application")
        frame, controls = self.controls()
        self.assertEqual((frame.getRoleName(), frame.name), ("frame", "HALVERD - TEST PROCESS - REACH-1.exe"))
        self.assertEqual(len(controls), 12)
        self.assertEqual(sorted(c.getRoleName() for c in controls.values()),
                         sorted(["push button", "check box", "text", "image", "image"] + ["label"] * 7))
        for control, (role, name, _) in DESIGN.items():
            self.assertEqual((controls[control].getRoleName(), controls[control].name), (role, name), control)

        name_box = controls["APP_NAME_TEXTBOX"]
        self.assertEqual(name_box.queryText().getText(0, -1), "REACH-1.exe")
        state = name_box.getState()
        self.assertTrue(state.contains(pyatspi.STATE_READ_ONLY) and not state.contains(pyatspi.STATE_EDITABLE))
        relations = [(r.getRelationType(), r.getTarget(0).accessibleId) for r in name_box.getRelationSet()]
        self.assertEqual(relations, [(pyatspi.RELATION_LABELLED_BY, "NAME_LABEL_TEXTBOX")])
        self.assertEqual(controls["THUMBS_UP_PIC_2"].queryImage().imageDescription, "A hand with its thumb raised")
        self.assertTrue(controls["AlwaysOnTop_TICKBOX"].getState().contains(pyatspi.STATE_CHECKED))
        self.assertEqual(controls["EXIT_BUTTON"].queryAction().getName(0), "click")
        self.assertRegex(self.application().get_toolkit_version(), r"^1\.\d+\.\d+$", "the toolkit's version, dotted")

        # Each control is where it is drawn: its design place at the screen's density, from the
        # client area's corner on the screen.
        x, y = self.copy.client_origin()
        pixels = lambda twips: round(twips * self.dpi / 1440)
        for control, (_, _, (left, top, width, height)) in DESIGN.items():
            box = controls[control].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            self.assertEqual((box.x, box.y, box.width, box.height),
                             (x + pixels(left), y + pixels(top), pixels(width), pixels(height)), control)
        window = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.assertLessEqual((window.x, window.y), (x, y))
        self.assertGreaterEqual((window.x + window.width, window.y + window.height),
                                (x + pixels(10950), y + pixels(4035)))


class TreeOnOpenbox(Tree):
    wm = "openbox"


class TreeAtDouble(Tree):
    dpi = 192


class TreeOnOpenboxAtDouble(Tree):
    wm = "openbox"
    dpi = 192


class Acting(AccessibilityTest):
    wm = "openbox"

    def test_actions_do_what_the_mouse_does(self):
        import pyatspi
        _, controls = self.controls()
        box = controls["AlwaysOnTop_TICKBOX"]
        for wrong in ([], ["string:0"], ["int32:0", "int32:0"]):
            refused = self.call_raw(box.path, "org.a11y.atspi.Action.DoAction", *wrong)
            self.assertIn("org.freedesktop.DBus.Error.InvalidArgs", refused.stderr, wrong)
        refused = self.call_raw(controls["EXIT_BUTTON"].path, "org.a11y.atspi.Action.DoAction")
        self.assertIn("org.freedesktop.DBus.Error.InvalidArgs", refused.stderr)
        self.assertIsNone(self.copy.process.poll(), "a malformed DoAction pressed EXIT")
        self.assertTrue(box.getState().contains(pyatspi.STATE_CHECKED), "a malformed DoAction ticked the box")
        refused = self.call_raw(box.path, "org.a11y.atspi.Component.GetExtents", "uint32:7")
        self.assertIn("org.freedesktop.DBus.Error.InvalidArgs", refused.stderr, "an unknown kind of coordinates")
        # With no error box open, its objects are not there to answer.
        gone = self.call_raw(box.path, "org.a11y.atspi.Accessible.GetState")
        self.assertEqual(gone.returncode, 0, gone.stderr)
        self.assertIn("org.freedesktop.DBus.Error.UnknownObject", self.call_raw(
            "/org/a11y/atspi/accessible/error_box", "org.a11y.atspi.Accessible.GetState").stderr)
        label = controls["NAME_LABEL_TEXTBOX"].path
        for method, wrong in (("GetTextAtOffset", ["int32:0", "uint32:9"]), ("GetCharacterExtents", ["int32:0", "uint32:9"]),
                              ("GetStringAtOffset", ["int32:0", "uint32:5"]), ("GetText", ["int32:0"])):
            refused = self.call_raw(label, "org.a11y.atspi.Text." + method, *wrong)
            self.assertIn("org.freedesktop.DBus.Error.InvalidArgs", refused.stderr, (method, wrong))
        root = "/org/a11y/atspi/accessible/root"
        for error, path, method, arguments in (
                ("PropertyReadOnly", label, "org.freedesktop.DBus.Properties.Set",
                 ["string:org.a11y.atspi.Accessible", "string:Name", "variant:string:renamed"]),
                ("InvalidArgs", root, "org.freedesktop.DBus.Properties.Set",
                 ["string:org.a11y.atspi.Application", "string:Id", "variant:string:7"]),
                ("InvalidArgs", "/org/a11y/atspi/cache", "org.a11y.atspi.Cache.GetItems", ["string:x"])):
            self.assertIn("org.freedesktop.DBus.Error." + error, self.call_raw(path, method, *arguments).stderr, method)
        # Extents and position agree for the frame, in every kind of coordinates.
        frame = self.controls()[0].queryComponent()
        for kind in (pyatspi.DESKTOP_COORDS, pyatspi.WINDOW_COORDS, 2):
            extents, position = frame.getExtents(kind), frame.getPosition(kind)
            position = (position.x, position.y) if hasattr(position, "x") else tuple(position)
            self.assertEqual((extents.x, extents.y), position, kind)
        self.assertTrue(box.queryAction().doAction(0))
        wait_for("the untick stored", lambda: "AlwaysOnTop_TICKBOX=0" in self.session.settings())
        wait_for("the box shown unticked", lambda: not box.getState().contains(pyatspi.STATE_CHECKED))

        credit = controls["CREATOR_TEXTBOX"]
        self.assertTrue(credit.queryAction().doAction(0))
        wait_for("the contact shown", lambda: credit.name == "malvoric@example.com")

        self.assertTrue(controls["EXIT_BUTTON"].queryAction().doAction(0))
        self.assertEqual(self.copy.process.wait(PATIENCE), 0)
        self.assert_stored_at_exit()


class ErrorBox(AccessibilityTest):
    wm = "openbox"

    def test_the_error_box_is_an_alert_with_its_words_and_its_button(self):
        _, controls = self.controls()
        settings = os.path.join(self.session.home, "config", "HV_TEST_PROCESS", "settings.ini")
        os.makedirs(settings)  # where the file belongs: EXIT's store fails as it would for root
        import pyatspi
        told = []
        on_event = lambda event: told.append((event.type, event.source.name))
        for kind in ("window:activate", "object:state-changed:focused"):
            pyatspi.Registry.registerEventListener(on_event, kind)
            self.addCleanup(pyatspi.Registry.deregisterEventListener, on_event, kind)
        self.assertTrue(controls["EXIT_BUTTON"].queryAction().doAction(0))
        # Activated with its title, its button focused: what a screen reader speaks as it opens.
        wait_for("the box activated", lambda: ("window:activate", "HV_TEST_PROCESS") in told, pump=self.pump)
        wait_for("Close focused", lambda: ("object:state-changed:focused", "Close") in told, pump=self.pump)
        app = wait_for("REACH-1 on the accessibility bus", self.application)
        alert = wait_for("the error box beside the frame", lambda: app.childCount == 2 and app[1])
        self.assertEqual((alert.getRoleName(), alert.name), ("alert", "HV_TEST_PROCESS"))
        # The box holds the window for a client as for the mouse.
        self.assertFalse(controls["AlwaysOnTop_TICKBOX"].queryAction().doAction(0))
        self.assertTrue(controls["AlwaysOnTop_TICKBOX"].getState().contains(pyatspi.STATE_CHECKED))
        words, button = alert[0], alert[1]
        self.assertEqual(words.getRoleName(), "label")
        self.assertIn(settings + ": Is a directory", words.name)
        self.assertEqual(words.queryText().getText(0, -1), words.name)
        self.assertEqual((button.getRoleName(), button.name), ("push button", "Close"))
        self.assertTrue(button.queryAction().doAction(0))
        self.assertEqual(self.copy.process.wait(PATIENCE), 1)


class Focus(AccessibilityTest):
    wm = "openbox"

    def test_tab_announces_the_focus(self):
        import pyatspi
        _, controls = self.controls()
        wait_for("EXIT to hold the focus",
                 lambda: controls["EXIT_BUTTON"].getState().contains(pyatspi.STATE_FOCUSED))
        seen = []
        listener = lambda event: seen.append((event.source.accessibleId, event.detail1))
        pyatspi.Registry.registerEventListener(listener, "object:state-changed:focused")
        self.addCleanup(pyatspi.Registry.deregisterEventListener, listener, "object:state-changed:focused")
        subprocess.run(["xdotool", "key", "--window", self.copy.window, "Tab"], env=self.session.env, check=True)
        wait_for("the tick box announced focused", lambda: ("AlwaysOnTop_TICKBOX", 1) in seen, pump=self.pump)
        self.assertIn(("EXIT_BUTTON", 0), seen)

        # Leaving the window and coming back to it: the frame says it was deactivated and activated,
        # with its title, and the focused control is announced again.
        windows = []
        on_window = lambda event: windows.append((event.type, event.source.name))
        for kind in ("window:activate", "window:deactivate"):
            pyatspi.Registry.registerEventListener(on_window, kind)
            self.addCleanup(pyatspi.Registry.deregisterEventListener, on_window, kind)
        title = "HALVERD - TEST PROCESS - REACH-1.exe"
        subprocess.run(["xdotool", "windowminimize", self.copy.window], env=self.session.env, check=True)
        wait_for("the frame deactivated", lambda: ("window:deactivate", title) in windows, pump=self.pump)
        seen.clear()
        subprocess.run(["xdotool", "windowactivate", self.copy.window], env=self.session.env, check=True)
        wait_for("the frame activated", lambda: ("window:activate", title) in windows, pump=self.pump)
        wait_for("the focus announced again", lambda: ("AlwaysOnTop_TICKBOX", 1) in seen, pump=self.pump)


class Reading(AccessibilityTest):
    """Text as a screen reader's flat review and mouse review read it: by pieces, and by place."""

    def test_words_lines_and_characters_have_their_places(self):
        import pyatspi
        _, controls = self.controls()
        label = controls["NAME_LABEL_TEXTBOX"].queryText()
        self.assertEqual(tuple(label.getTextAtOffset(5, pyatspi.TEXT_BOUNDARY_WORD_START)), ("PROCESS ", 3, 11))
        self.assertEqual(tuple(label.getTextAfterOffset(5, pyatspi.TEXT_BOUNDARY_WORD_START)), ("NAME ", 11, 16))
        self.assertEqual(tuple(label.getTextBeforeOffset(5, pyatspi.TEXT_BOUNDARY_WORD_START)), ("MY ", 0, 3))
        self.assertEqual(tuple(label.getTextAtOffset(5, pyatspi.TEXT_BOUNDARY_LINE_START)),
                         ("MY PROCESS NAME IS:-", 0, 20))
        whole = controls["NAME_LABEL_TEXTBOX"].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        boxes = [label.getCharacterExtents(i, pyatspi.DESKTOP_COORDS) for i in range(label.characterCount)]
        for i, (x, y, w, h) in enumerate(boxes):
            self.assertTrue(w > 0 and h > 0, (i, boxes))
            self.assertTrue(whole.x <= x and x + w <= whole.x + whole.width, (i, boxes[i], whole))
            self.assertTrue(whole.y <= y and y + h <= whole.y + whole.height, (i, boxes[i], whole))
            if i:
                self.assertGreaterEqual(x, boxes[i - 1][0] + boxes[i - 1][2] - 1, (i, boxes))
            # Mouse review: the point in the middle of a character is that character.
            self.assertEqual(label.getOffsetAtPoint(x + w // 2, y + h // 2, pyatspi.DESKTOP_COORDS), i)
        # Each box is where its character is drawn: ink (the label's black on its yellow) in every
        # letter's box and none inside a blank's.
        shot = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], env=self.session.env,
                              capture_output=True, check=True).stdout
        ink = lambda x, y: sum(shot[(y * 1280 + x) * 3:(y * 1280 + x) * 3 + 3]) < 150
        for i, (x, y, w, h) in enumerate(boxes):
            inked = any(ink(px, py) for px in range(x + 1, x + w - 1) for py in range(y + 1, y + h - 1))
            self.assertEqual(inked, "MY PROCESS NAME IS:-"[i] != " ", (i, boxes[i]))
        frame = self.controls()[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        self.assertEqual(tuple(label.getCharacterExtents(3, pyatspi.WINDOW_COORDS))[:2],
                         (boxes[3][0] - frame.x, boxes[3][1] - frame.y))
        word = label.getRangeExtents(3, 10, pyatspi.DESKTOP_COORDS)
        self.assertEqual((word[0], word[1]), (boxes[3][0], boxes[3][1]))
        self.assertEqual(word[0] + word[2], boxes[9][0] + boxes[9][2])
        self.assertEqual(label.getOffsetAtPoint(whole.x - 5, whole.y - 5, pyatspi.DESKTOP_COORDS), -1)


class KeyListener(AccessibilityTest):
    """Keys typed into a copy go first to the registry's key listeners, as a screen reader's do."""
    wm = "openbox"
    SPACE, TAB = 0x20, 0xFF09

    def listen(self, keep=()):
        """A listener in a process of its own; returns what it has heard so far, as (type, keysym)."""
        listener = self.session.start([sys.executable, os.path.join(HERE, "key_listener.py"),
                                       *map(str, keep)], stdout=subprocess.PIPE)
        lines = []

        def heard():
            while select.select([listener.stdout], [], [], 0)[0]:
                line = listener.stdout.readline().decode()
                if not line:
                    break
                lines.append(line)
            return [tuple(map(int, line.split())) for line in lines if line[0].isdigit()]

        wait_for("the listener registered", lambda: heard() is not None and "listening\n" in lines)
        # The copy learns of the listener from the registry; a Shift tells when it has.
        wait_for("the listener to hear the copy's keys", lambda: self.type("Shift_L") or heard())
        return heard

    def type(self, key):
        subprocess.run(["xdotool", "key", "--window", self.copy.window, key], env=self.session.env, check=True)

    def focus_box(self, box):
        import pyatspi
        box.queryComponent().grabFocus()
        wait_for("the box focused", lambda: box.getState().contains(pyatspi.STATE_FOCUSED))



class Keys(KeyListener):
    def test_a_listener_hears_every_key_and_keeps_its_own(self):
        import pyatspi
        _, controls = self.controls()
        box = controls["AlwaysOnTop_TICKBOX"]
        heard = self.listen(keep={self.SPACE})
        self.focus_box(box)
        self.type("space")
        self.type("Tab")
        wait_for("Tab's press and release heard", lambda: {(0, self.TAB), (1, self.TAB)} <= set(heard()))
        self.assertIn((0, self.SPACE), heard())
        self.assertIn((1, self.SPACE), heard())
        # Tab reached the window and moved the focus on; the Space kept before it never ticked the box.
        wait_for("Tab to move the focus", lambda: not box.getState().contains(pyatspi.STATE_FOCUSED))
        self.assertTrue(box.getState().contains(pyatspi.STATE_CHECKED))
        self.assertNotIn("AlwaysOnTop_TICKBOX=0", self.session.settings())



class KeysWithRegistryStopped(KeyListener):
    def test_a_stopped_registry_delays_keys_only_briefly(self):
        _, controls = self.controls()
        box = controls["AlwaysOnTop_TICKBOX"]
        self.listen()
        self.focus_box(box)
        registry = self.session.in_group("at-spi2-registryd")
        # The copy's offers, counted from before the registry stops (line by line, as they come).
        log = os.path.join(self.session.home, "offers.txt")
        with open(log, "w") as out:
            monitor = self.session.start(["stdbuf", "-oL", "dbus-monitor", "--address", self.session.a11y_address(),
                                          "member='NotifyListenersSync'"], stdout=out)
        wait_for("dbus-monitor", lambda: "NameLost" in open(log).read())
        offers = lambda: open(log).read().count("member=NotifyListenersSync")
        before = offers()
        os.kill(registry, signal.SIGSTOP)
        self.addCleanup(os.kill, registry, signal.SIGCONT)
        self.type("space")
        wait_for("the untick stored", lambda: "AlwaysOnTop_TICKBOX=0" in self.session.settings())
        self.type("space")
        wait_for("the tick stored", lambda: "AlwaysOnTop_TICKBOX=1" in self.session.settings())
        # Only the first key waited for the registry (none did, if the copy already found it slow):
        # none was offered after it until the registry answers.
        self.assertLessEqual(offers() - before, 1)
        self.assertIsNone(monitor.poll())
        ratio = self.dpi / 1440
        self.copy.click(round((4080 + 1387) * ratio), round((3360 + 247) * ratio))
        self.assertEqual(self.copy.process.wait(PATIENCE), 0)
        self.assertIn("AlwaysOnTop_TICKBOX=1", self.session.settings())


class DeafClient(AccessibilityTest):
    """Clients that call a copy 60,000 times and never read an answer, then leave."""

    def test_a_client_that_never_reads_cannot_make_a_copy_hold_memory(self):
        import deaf_client
        frame, _ = self.controls()
        before = self.copy.memory()
        # Answers the bridge writes, and those sd-bus would write for it (an object's description).
        deaf = [deaf_client.flood(self.session.a11y_address(), self.copy_on_bus(), frame.path, interface, member,
                                  30000) for interface, member in (("org.a11y.atspi.Accessible", "GetChildren"),
                                                                   ("org.freedesktop.DBus.Introspectable", "Introspect"))]
        for client in deaf:
            client.close()
        # Answered in turn, after every call the deaf client made (a busy machine may take a while).
        wait_for("the copy to answer again", lambda: "HALVERD - TEST PROCESS - REACH-1.exe" in self.call_raw(
            frame.path, "org.freedesktop.DBus.Properties.Get", "string:org.a11y.atspi.Accessible", "string:Name").stdout,
                 patience=4 * PATIENCE)
        after = self.copy.memory()
        if "ASAN_OPTIONS" not in os.environ:  # the sanitizer keeps freed memory aside on purpose
            self.assertLess(after["VmHWM"] - before["VmRSS"], 4096, (before, after))
            self.assertLess(after["VmRSS"] - before["VmRSS"], 2048, (before, after))
        self.keeps_working()

    def keeps_working(self):
        self.assertTrue(self.controls()[1]["EXIT_BUTTON"].queryAction().doAction(0))
        self.assertEqual(self.copy.process.wait(PATIENCE), 0)
        self.assertIn("[REACH-1]", self.session.settings())


class Off(AccessibilityTest):
    accessibility = False

    def before_start(self):
        # Watches the session bus for the copy's question, from before the copy starts.
        self.monitor = self.session.start(["dbus-monitor", "--session", "member='Get'"], stdout=subprocess.PIPE)
        wait_for("dbus-monitor", lambda: b"NameAcquired" in self.monitor_line())

    def monitor_line(self):
        ready = select.select([self.monitor.stdout], [], [], 0.1)[0]
        return self.monitor.stdout.readline() if ready else b""

    def test_a_copy_holds_no_connection_until_the_session_asks(self):
        # The copy has asked, been told no and let go.
        wait_for("the copy's question", lambda: b"IsEnabled" in self.monitor_line())
        wait_for("the question's connection closed", lambda: not self.copy.connections())
        self.assertNotIn("libsystemd", self.copy.maps())
        self.assertIsNone(self.copy.process.poll())

        self.session.set_status("IsEnabled", True)
        wait_for("REACH-1 on the accessibility bus once switched on", self.application)
        self.assertIn("libsystemd", self.copy.maps())


class LostBus(AccessibilityTest):
    wm = "openbox"

    def a11y_bus(self):
        # The launcher's bus: the dbus-daemon in this session with the accessibility configuration.
        return self.session.in_group("accessibility.conf")

    def keeps_working(self):
        # Unticked and closed with the mouse, as a user does when the bus is gone.
        ratio = self.dpi / 1440
        self.copy.click(round((4800 + 200) * ratio), round((1200 + 127) * ratio))
        wait_for("the untick stored", lambda: "AlwaysOnTop_TICKBOX=0" in self.session.settings())
        self.copy.click(round((4080 + 1387) * ratio), round((3360 + 247) * ratio))
        self.assertEqual(self.copy.process.wait(PATIENCE), 0)
        self.assert_stored_at_exit()


class DeadBus(LostBus):
    def test_a_copy_whose_bus_died_keeps_working(self):
        self.controls()
        os.kill(self.a11y_bus(), signal.SIGKILL)
        self.keeps_working()


class HungBus(LostBus):
    def test_a_copy_whose_bus_hangs_keeps_working(self):
        _, controls = self.controls()
        bus = self.a11y_bus()
        os.kill(bus, signal.SIGSTOP)
        self.addCleanup(os.kill, bus, signal.SIGCONT)
        self.keeps_working()


if __name__ == "__main__":
    suite = unittest.defaultTestLoader.loadTestsFromName(SCENARIO, sys.modules[__name__])
    sys.exit(0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1)
