"""A private desktop session, for hearing a copy (tools/hear-copy), for the benchmarks and for the
end-to-end tests that read the program through the accessibility layer: an Xvfb display (optionally
with openbox), a session bus, at-spi2-core's bus launcher (which starts the registry when asked),
and a home with every XDG folder in a temporary directory, so that nothing touches a real desktop
or real settings. Everything the session starts is one process group, ended with it; sessions may
follow each other or run at once.
"""

import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
PATIENCE = 30  # seconds a busy machine may take to show what is awaited


def wait_for(what, check, patience=PATIENCE, pump=None):
    deadline = time.monotonic() + patience
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("never came: " + what)
        if pump:
            pump()
        time.sleep(0.02)


def group_members(group):
    """The processes of a process group that have not ended (zombies are left to whoever reaps them)."""
    members = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as f:
                stat = f.read()
        except OSError:
            continue
        state, _, in_group = stat[stat.rindex(")") + 2:].split()[:3]
        if int(in_group) == group and state != "Z":
            members.append(int(pid))
    return members


class Session:
    """A private X display and session bus, with accessibility on or off as the launcher says."""

    def __init__(self, wm=None, dpi=96, accessibility=True):
        self.home = tempfile.mkdtemp(prefix="hv-a11y-")
        self.processes = []
        self.cleanups = []  # run once the process group has ended
        try:
            self.begin(wm, dpi, accessibility)
        except BaseException:
            self.close()
            raise

    @property
    def group(self):
        return self.processes[0].pid

    def begin(self, wm, dpi, accessibility):
        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                    "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        # The number and its newline may come in two writes; the server stops if the second finds no reader.
        display = b""
        while not display.endswith(b"\n") and select.select([read_end], [], [], PATIENCE)[0]:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            display += chunk
        os.close(read_end)
        home = self.home
        self.env = {"PATH": os.path.join(home, "bin") + os.pathsep + os.environ["PATH"], "HOME": home,
                    "DISPLAY": ":" + display.decode().strip(), "LANG": "C.UTF-8",
                    "XDG_CONFIG_HOME": os.path.join(home, "config"), "XDG_DATA_HOME": os.path.join(home, "data"),
                    "XDG_CACHE_HOME": os.path.join(home, "cache"), "XDG_RUNTIME_DIR": home,
                    # GSettings (Orca's) in memory: no dconf service, nothing written.
                    "GSETTINGS_BACKEND": "memory",
                    # No speech server is started: Orca then logs what it would say all the same.
                    "SPEECHD_CMD": "/bin/false"}
        # The sanitized suite's options (its leak suppressions) reach the copy too.
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                self.env[name] = os.environ[name]
        # Orca will not start beside another Orca of the same user (another session's): its check,
        # pgrep, looks in this session's process group only.
        os.makedirs(os.path.join(home, "bin"))
        pgrep = os.path.join(home, "bin", "pgrep")
        with open(pgrep, "w") as f:
            f.write('#!/bin/sh\nexec %s -g %d "$@"\n' % (shutil.which("pgrep"), self.group))
        os.chmod(pgrep, 0o755)
        if dpi != 96:
            subprocess.run(["xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER",
                            "Xft.dpi:\t%d\n" % dpi], env=self.env, check=True)
        # The bus's socket in the home, where it goes with it.
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                          "--address=unix:path=" + os.path.join(home, "bus")], stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        self.start([LAUNCHER, "--a11y=%d" % int(accessibility)])
        wait_for("the accessibility bus's launcher", lambda: self.bus_has("org.a11y.Bus"))
        if wm == "openbox":
            self.start(["openbox", "--sm-disable"])
            wait_for("openbox", lambda: subprocess.run(["wmctrl", "-m"], env=self.env, capture_output=True)
                     .returncode == 0)
        os.environ.update(self.env)

    def start(self, command, **options):
        # One process group for everything the session starts, the launcher's own children included,
        # so that all of it ends with the scenario.
        for stream in ("stdin", "stdout", "stderr"):
            options.setdefault(stream, subprocess.DEVNULL)
        process = subprocess.Popen(command, env=getattr(self, "env", None),
                                   process_group=self.group if self.processes else 0, **options)
        self.processes.append(process)
        return process

    def run(self, command, **options):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, **options)

    def bus_has(self, name):
        return "boolean true" in self.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                                           "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                           "string:" + name]).stdout

    def a11y_address(self):
        return self.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus", "/org/a11y/bus",
                         "org.a11y.Bus.GetAddress"], check=True).stdout.strip()

    def in_group(self, pattern):
        """The process of this session whose command line matches pattern."""
        found = self.run(["pgrep", "-g", str(self.group), "-f", pattern]).stdout.split()
        return int(found[0]) if found else None

    def set_status(self, name, on):
        self.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                  "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:" + name,
                  "variant:boolean:" + ("true" if on else "false")], check=True)

    def key(self, *keys, window=None):
        """Types keys as a keyboard does (XTEST), into a window given the focus first."""
        focus = ["windowfocus", "--sync", window] if window else []
        self.run(["xdotool", *focus, "key", "--clearmodifiers", *keys], check=True)

    def settings(self):
        try:
            with open(os.path.join(self.home, "config", "HV_TEST_PROCESS", "settings.ini"), encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def close(self):
        if self.processes:
            # Xvfb first and gently, so that it takes its socket and lock in /tmp with it.
            self.processes[0].terminate()
            try:
                self.processes[0].wait(PATIENCE)
            except subprocess.TimeoutExpired:
                pass
            try:
                os.killpg(self.group, signal.SIGKILL)
            except ProcessLookupError:
                pass
            for process in self.processes:
                process.wait()
            # The launcher's children (the accessibility bus, the registry) are not ours to wait for.
            wait_for("the session's processes to end", lambda: not group_members(self.group))
        for cleanup in self.cleanups:
            cleanup()
        shutil.rmtree(self.home, ignore_errors=True)


class Copy:
    """A copy of the program started under a name, and its window."""

    def __init__(self, session, program, name="REACH-1"):
        self.session = session
        self.name = name
        path = os.path.join(session.home, name)
        shutil.copy(program, path)
        self.process = session.start([path])
        self.window = wait_for("the copy's window", self.find_window)

    def find_window(self):
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", self.name + ".exe"],
                               env=self.session.env, capture_output=True, text=True).stdout.split()
        return found[0] if found else None

    def client_origin(self):
        info = self.session.run(["xwininfo", "-id", self.window]).stdout
        return (int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1)),
                int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1)))

    def click(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--window", self.window, str(x), str(y), "click", "1"],
                       env=self.session.env, check=True)

    def connections(self, address=None):
        """The connections this copy's process holds on a bus: the session bus, or the one at address."""
        bus = ["--bus=" + address] if address else ["--session"]
        send = ["dbus-send", *bus, "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus"]
        names = self.session.run(send + ["org.freedesktop.DBus.ListNames"]).stdout
        return [name for name in re.findall(r'string "(:[^"]+)"', names) if re.search(
            r"uint32 %d\b" % self.process.pid,
            self.session.run(send + ["org.freedesktop.DBus.GetConnectionUnixProcessID", "string:" + name]).stdout)]

    def memory(self):
        """The copy's resident memory now and at its peak (VmRSS, VmHWM), in kB."""
        with open("/proc/%d/status" % self.process.pid) as f:
            status = f.read()
        return {name: int(re.search(name + r":\s+(\d+) kB", status).group(1)) for name in ("VmRSS", "VmHWM")}

    def maps(self):
        with open("/proc/%d/maps" % self.process.pid) as f:
            return f.read()
