#!/usr/bin/env python3
"""Checks what the Windows executable carries: system-DLL imports only, the version block, the icon."""

import struct
import sys

import pefile

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll",
               "comctl32.dll", "shell32.dll", "ole32.dll", "ucrtbase.dll"}

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

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)


def check_imports(pe):
    names = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    expect(names <= SYSTEM_DLLS, f"imports beyond system DLLs: {sorted(names - SYSTEM_DLLS)}")


def check_version(pe):
    fixed = pe.VS_FIXEDFILEINFO[0]
    expect((fixed.FileVersionMS, fixed.FileVersionLS) == (0x10000, 0), "file version is not 1.0.0.0")
    expect((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x10000, 0), "product version is not 1.0.0.0")
    expect((fixed.FileFlagsMask, fixed.FileFlags) == (0, 0), "file flags are not 0, 0")
    expect(fixed.FileOS == 4, f"file OS is {fixed.FileOS}, not 4")
    expect((fixed.FileType, fixed.FileSubtype) == (1, 0), "file type is not application")
    expect((fixed.FileDateMS, fixed.FileDateLS) == (0, 0), "file date is not 0")
    tables = [t for info in pe.FileInfo[0] if info.Key == b"StringFileInfo" for t in info.StringTable]
    expect(len(tables) == 1, f"{len(tables)} string tables, not one")
    if tables:
        expect(tables[0].LangID.lower() == b"040904b0", f"string table {tables[0].LangID} is not 040904b0")
        entries = [(k.decode(), v.decode()) for k, v in tables[0].entries.items()]
        expect(entries == EXPECTED_STRINGS, f"string table {entries}")
    translations = [v for info in pe.FileInfo[0] if info.Key == b"VarFileInfo"
                    for var in info.Var for v in var.entry.values()]
    expect(translations == ["0x0409 0x04b0"], f"translation {translations}")


def check_icon(pe):
    resources = {entry.id: entry for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries}
    group = resources.get(pefile.RESOURCE_TYPE["RT_GROUP_ICON"])
    expect(group is not None, "no icon group")
    if group is None:
        return
    data_entry = group.directory.entries[0].directory.entries[0].data.struct
    data = pe.get_data(data_entry.OffsetToData, data_entry.Size)
    _, _, count = struct.unpack_from("<HHH", data, 0)
    sizes = []
    for i in range(count):
        width, height, _, _, _, bits, _, _ = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
        sizes.append((width, height, bits))
    expect(sorted(sizes) == [(16, 16, 8), (24, 24, 8)], f"icon images {sizes}")
    bitmaps = resources.get(pefile.RESOURCE_TYPE["RT_BITMAP"])
    expect(bitmaps is not None, "no thumbs-up bitmap")


def main():
    pe = pefile.PE(sys.argv[1])
    check_imports(pe)
    check_version(pe)
    check_icon(pe)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} executable checks failed" if failures else "executable checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
