#!/usr/bin/python3
"""What a client that floods a copy and never reads its answers costs the copy: one copy on a
private session's accessibility bus, read once; then a client sends 60,000 GetChildren calls
without reading and leaves; the copy's resident memory before, at its peak and once it has
answered a call made after the flood. Prints a line for bench/results.md; tests nothing.

    bench/flood.py PROGRAM [ROUNDS]
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "tools")]

import deaf_client  # noqa: E402
from desktop_session import Copy, Session, wait_for  # noqa: E402

CALLS = 60000


def one_round(program):
    session = Session()
    try:
        copy = Copy(session, program)
        address = session.a11y_address()
        frame = "/org/a11y/atspi/accessible/frame"
        name = lambda: session.run(["dbus-send", "--bus=" + address, "--print-reply", "--reply-timeout=120000",
                                    "--dest=" + on_bus, frame, "org.freedesktop.DBus.Properties.Get",
                                    "string:org.a11y.atspi.Accessible", "string:Name"]).stdout
        on_bus = wait_for("the copy on the accessibility bus", lambda: (copy.connections(address) or [None])[0])
        wait_for("the copy's first answer", lambda: "REACH-1" in name())
        before = copy.memory()["VmRSS"]
        deaf_client.flood(address, on_bus, frame, "org.a11y.atspi.Accessible", "GetChildren", CALLS).close()
        wait_for("the copy's answer after the flood", lambda: "REACH-1" in name(), patience=300)
        after = copy.memory()
        return before, after["VmHWM"], after["VmRSS"]
    finally:
        session.close()


if __name__ == "__main__":
    rounds = [one_round(sys.argv[1]) for _ in range(int(sys.argv[2]) if len(sys.argv) > 2 else 3)]
    print("%d calls never read, %d rounds: resident before / peak / after, MB: %s" % (
        CALLS, len(rounds), ", ".join("%.1f / %.1f / %.1f" % tuple(kb / 1024 for kb in r) for r in rounds)))
