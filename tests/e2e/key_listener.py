#!/usr/bin/python3
"""A key listener on the accessibility registry, as a screen reader registers one: it hears every
key typed into an application that offers its keys, prints "TYPE KEYSYM" for each (0 pressed,
1 released), and keeps the keysyms given on its command line. It serves the registry from its own
main loop, so it answers at once, as Orca does.

    key_listener.py [KEYSYM ...]
"""

import sys

import pyatspi

KEEP = {int(keysym) for keysym in sys.argv[1:]}


def on_key(event):
    print(int(event.type), event.id, flush=True)
    return event.id in KEEP


pyatspi.Registry.registerKeystrokeListener(on_key, mask=pyatspi.allModifiers(),
                                           kind=(pyatspi.KEY_PRESSED_EVENT, pyatspi.KEY_RELEASED_EVENT),
                                           synchronous=True, preemptive=True)
print("listening", flush=True)
pyatspi.Registry.start()
