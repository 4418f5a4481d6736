#!/usr/bin/env python3
"""Checks what the Windows executables carry: system-DLL imports only, the version block, the icon;
both declare themselves aware of each monitor's scale, so that they count in the same pixels."""

import struct
import sys

import pefile

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "comctl32.dll", "shell32.dll", "ole32.dll", "ucrtbase.dll", "shcore.dll"}

EXPECTED_STRINGS = [
    ("Comments", "Created By Malvoric - malvoric@example.com"),
    ("FileDescription", "HV-TEST-PROCESS-V1.exe"),
    ("ProductName", "HALVERD - TEST-PROCESS - V1"),
    ("FileVersion", "1.00"),
    ("ProductVersion", "1.00"),
    ("InternalName", "HV-TEST-PROCESS-V1"),
    ("OriginalFilename", "HV-TEST-PROCESS-V1.exe"),
    ("LegalCopyright", "Freeware: free to use, copy and share"),
]


def failures(pe):
    yield from [] if per_monitor_aware(pe) else ["no PerMonitorV2 falling back to PerMonitor in the manifest"]
    names = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    yield from [f"imports beyond system DLLs: {sorted(names - SYSTEM_DLLS)}"] if names - SYSTEM_DLLS else []

    fixed = pe.VS_FIXEDFILEINFO[0]
    seen = (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS,
            fixed.FileFlagsMask, fixed.FileFlags, fixed.FileOS, fixed.FileType, fixed.FileSubtype,
            fixed.FileDateMS, fixed.FileDateLS)
    if seen != (0x10000, 0, 0x10000, 0, 0, 0, 4, 1, 0, 0, 0):
        yield f"fixed file info {seen}: not version 1.0.0.0 of a plain application"
    tables = [t for info in pe.FileInfo[0] if info.Key == b"StringFileInfo" for t in info.StringTable]
    entries = [(k.decode(), v.decode()) for t in tables for k, v in t.entries.items()]
    if [t.LangID.lower() for t in tables] != [b"040904b0"] or entries != EXPECTED_STRINGS:
        yield f"string tables {[t.LangID for t in tables]}: {entries}"
    translations = [v for info in pe.FileInfo[0] if info.Key == b"VarFileInfo" for var in info.Var
                    for v in var.entry.values()]
    if translations != ["0x0409 0x04b0"]:
        yield f"translation {translations}"

    resources = {entry.id: entry for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries}
    if pefile.RESOURCE_TYPE["RT_BITMAP"] not in resources:
        yield "no thumbs-up bitmap"
    group = resources.get(pefile.RESOURCE_TYPE["RT_GROUP_ICON"])
    if group is None:
        yield "no icon group"
        return
    data_entry = group.directory.entries[0].directory.entries[0].data.struct
    data = pe.get_data(data_entry.OffsetToData, data_entry.Size)
    images = [struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i) for i in range(struct.unpack_from("<H", data, 4)[0])]
    # The two 256-colour images, and smooth ones for denser screens; a 256-pixel image says 0.
    sizes = sorted((width, height, bits) for width, height, _, _, _, bits, _, _ in images)
    if sizes != [(0, 0, 32), (16, 16, 8), (24, 24, 8), (32, 32, 32), (48, 48, 32)]:
        yield f"icon images {sizes}"


def per_monitor_aware(pe):
    # The manifest is kept as its text. Windows takes the first awareness it knows: PerMonitorV2 from
    # 1703, per-monitor on 1607.
    return pe.__data__.find(b">PerMonitorV2, PerMonitor</dpiAwareness>") >= 0


if __name__ == "__main__":
    found = list(failures(pefile.PE(sys.argv[1])))
    found += [] if per_monitor_aware(pefile.PE(sys.argv[2])) else ["hv-copies: no PerMonitorV2 falling back to PerMonitor in the manifest"]
    for failure in found:
        print("FAIL:", failure)
    print(f"{len(found)} executable checks failed" if found else "executable checks passed")
    sys.exit(1 if found else 0)
