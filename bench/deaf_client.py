"""A client of the accessibility bus that calls a copy over and over and never reads an answer, as a
hung or careless client would: D-Bus spoken by hand on a plain socket, so that nothing reads for it."""

import os
import re
import socket
import struct


def pad(data, boundary):
    return data + b"\0" * (-len(data) % boundary)


def field(code, signature, value):
    """One header field, a (yv) structure: its code and a string, object path or signature."""
    encoded = value.encode()
    if signature == "g":
        body = bytes([len(encoded)]) + encoded + b"\0"
    else:
        body = struct.pack("<I", len(encoded)) + encoded + b"\0"
    return pad(bytes([code, 1]) + signature.encode() + b"\0" + body, 1)


def method_call(serial, destination, path, interface, member):
    fields = b""
    for code, signature, value in ((1, "o", path), (2, "s", interface), (3, "s", member), (6, "s", destination)):
        fields = pad(fields, 8) + field(code, signature, value)
    header = struct.pack("<cBBBII", b"l", 1, 0, 1, 0, serial) + struct.pack("<I", len(fields)) + fields
    return pad(header, 8)


def connect(address):
    """A socket to a bus, past the EXTERNAL handshake and Hello."""
    found = re.search(r"unix:(path|abstract)=([^,;]+)", address)
    where = found.group(2) if found.group(1) == "path" else "\0" + found.group(2)
    bus = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    bus.connect(where)
    bus.sendall(b"\0AUTH EXTERNAL " + str(os.getuid()).encode().hex().encode() + b"\r\n")
    reply = b""
    while b"\r\n" not in reply:
        reply += bus.recv(256)
    if not reply.startswith(b"OK"):
        raise AssertionError("the bus refused the client: %r" % reply)
    bus.sendall(b"BEGIN\r\n" + method_call(1, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                           "org.freedesktop.DBus", "Hello"))
    return bus


def flood(address, destination, path, interface, member, count):
    """Sends count calls and reads nothing; returns the socket, which the caller closes to leave."""
    bus = connect(address)
    bus.setblocking(True)
    for serial in range(2, count + 2):
        bus.sendall(method_call(serial, destination, path, interface, member))
    return bus
