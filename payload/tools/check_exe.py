#!/usr/bin/env python3
"""Checks a built updater: check_exe.py EXE ARCHIVE.

The archive is resource CUSTOM/101 in Italian (1040), byte for byte; the
version record holds exactly the agreed fields; the file is aligned on pages
and its .rsrc section is not writable; the icon is group 1.
"""
import sys

import pefile

RT_GROUP_ICON = 14
ITALIAN = 1040
EXPECTED_STRINGS = {
    "CompanyName": " ",
    "FileDescription": " ",
    "FileVersion": "1.01",
    "InternalName": "Lumarso2015",
    "LegalCopyright": " ",
    "OriginalFilename": "Lumarso2015.exe",
    "ProductName": " ",
    "ProductVersion": "1.01",
}


def resources(pe):
    """(type, id, language) -> (rva, size) for every resource."""
    found = {}
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = str(kind.name) if kind.name is not None else kind.id
        for item in kind.directory.entries:
            item_key = str(item.name) if item.name is not None else item.id
            for lang in item.directory.entries:
                found[(type_key, item_key, lang.id)] = (lang.data.struct.OffsetToData, lang.data.struct.Size)
    return found


def main(exe, archive):
    failures = []

    def check(ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            failures.append(what)

    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    opt = pe.OPTIONAL_HEADER
    check(opt.FileAlignment == 0x1000, "file alignment 0x%X is 0x1000" % opt.FileAlignment)
    check(opt.SectionAlignment == 0x1000, "section alignment 0x%X is 0x1000" % opt.SectionAlignment)
    rsrc = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".rsrc"]
    check(len(rsrc) == 1, "one .rsrc section")
    for s in rsrc:
        check(not s.Characteristics & 0x80000000,
              ".rsrc is not writable (flags 0x%08X)" % s.Characteristics)

    res = resources(pe)
    key = ("CUSTOM", 101, ITALIAN)
    check(key in res, "resource CUSTOM/101 in language 1040")
    if key in res:
        rva, size = res[key]
        with open(archive, "rb") as f:
            expected = f.read()
        check(size == len(expected), "payload size %d equals the archive's %d" % (size, len(expected)))
        offset = pe.get_offset_from_rva(rva)
        with open(exe, "rb") as f:
            f.seek(offset)
            check(f.read(size) == expected, "payload bytes equal the archive")
        check(offset % 4 == 0, "payload starts on a 4-byte boundary in the file")
    check(any(k[0] == RT_GROUP_ICON and k[1] == 1 for k in res), "icon group 1")

    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    check(fixed is not None, "version record present")
    if fixed is not None:
        check((fixed.FileVersionMS, fixed.FileVersionLS) == (0x00010001, 0), "file version 1.1.0.0")
        check((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00010001, 0),
              "product version 1.1.0.0")
    tables = []
    translations = []
    for info in getattr(pe, "FileInfo", []) or []:
        for entry in info:
            if entry.Key == b"StringFileInfo":
                tables += entry.StringTable
            elif entry.Key == b"VarFileInfo":
                for var in entry.Var:
                    translations += list(var.entry.values())
    check([t.LangID.upper() for t in tables] == [b"041004B0"], "one string table, 041004B0")
    for t in tables:
        strings = {k.decode(): v.decode() for k, v in t.entries.items()}
        check(strings == EXPECTED_STRINGS, "version strings %r" % strings)
    translations = [t.decode() if isinstance(t, bytes) else t for t in translations]
    check([t.lower() for t in translations] == ["0x0410 0x04b0"], "translation 0410 04B0: %r" % translations)

    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit("usage: check_exe.py EXE ARCHIVE")
    sys.exit(main(sys.argv[1], sys.argv[2]))
