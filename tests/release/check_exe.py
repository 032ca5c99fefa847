#!/usr/bin/python3
"""Reads a built exe of this project the way the Windows loader will and
checks what it carries.  Each option adds one group of checks:

    check_exe.py EXE [--payload ARCHIVE [--resource-id 102] [--sha256 FILE]] [--identity]
                     [--machine i386|amd64 [--forbid TEXT]...] [--max-own-bytes N]

--payload   every exe that carries the archive: it is resource CUSTOM/101 in
            Italian (1040), byte for byte, on a 4-byte boundary; the file is
            aligned on pages and its .rsrc section is not writable, so Wine
            and Windows map the archive instead of copying it.  With
            --resource-id 102, the patch updater's patch the same way.
--sha256    the checksum file written beside the updater: one line in
            sha256sum's format, the hash `sha256sum` gives for ARCHIVE and
            the name Lumarso2015.zip, whatever ARCHIVE is called.
--identity  the updater's own resources: icon group 1 and a version record
            holding exactly the agreed fields.
--machine   a shipped exe, as the build's machine (the updater is i386; the
            amd64 build exists for hosts that run no 32-bit programs and must
            be as well made): imports beyond the system DLLs, ASLR or DEP off,
            a writable and executable section, a link time stamp, a missing or
            incomplete manifest, and each --forbid text (a build or source
            folder) baked into the bytes all fail.
--max-own-bytes
            the exe's own part (its file less the embedded archive or patch,
            resource CUSTOM/101 or CUSTOM/102) is at most N bytes: what the
            updater adds to every download besides its data.

Prints what it read (imports, header flags, sections, manifest) so the figures
can be quoted, one line per check, then the failures again; exit status 1 on
any failure.
"""
import argparse
import subprocess
import sys
import xml.etree.ElementTree as ET

import pefile

RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24
ITALIAN = 1040
PAGE = 0x1000

EXPECTED_VERSION_STRINGS = {
    "CompanyName": " ",
    "FileDescription": " ",
    "FileVersion": "1.01",
    "InternalName": "Lumarso2015",
    "LegalCopyright": " ",
    "OriginalFilename": "Lumarso2015.exe",
    "ProductName": " ",
    "ProductVersion": "1.01",
}

# The static runtime leaves only these; a MinGW runtime DLL (libstdc++-6,
# libgcc_s_dw2-1, libwinpthread-1) or anything else would have to ship beside
# the exe and be found in its folder.
SYSTEM_DLLS = {"ADVAPI32.DLL", "COMDLG32.DLL", "GDI32.DLL", "KERNEL32.DLL",
               "MSVCRT.DLL", "SHELL32.DLL", "SHLWAPI.DLL", "USER32.DLL",
               "UXTHEME.DLL", "VERSION.DLL"}
# Loaded by the run that shows a window, never imported: every run pays for an
# import's start-up, and comctl32's brings up the display driver (under Wine a
# silent run took 330 ms with it imported, 90 ms without).
LOADED_WHEN_NEEDED = {"COMCTL32.DLL", "OLE32.DLL"}
# KERNEL32 and USER32 at least: a GUI program that imports neither was not
# read right.
REQUIRED_DLLS = {"KERNEL32.DLL", "USER32.DLL"}

# Must stay a run-time lookup, or the exe would not load where it is missing.
LATE_BOUND = {b"SetDefaultDllDirectories"}

SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10/11",
}

# Machine, optional-header magic and the header flags that image must carry
# beyond ASLR and DEP: a 64-bit image without HIGH_ENTROPY_VA is placed only
# within the low 4 GB, with far fewer random bits.
MACHINES = {
    "i386": ("IMAGE_FILE_MACHINE_I386", pefile.OPTIONAL_HEADER_MAGIC_PE, "PE32", ()),
    "amd64": ("IMAGE_FILE_MACHINE_AMD64", pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS, "PE32+",
              ("IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA",)),
}

DLLCHAR = pefile.DLL_CHARACTERISTICS
SCN = pefile.SECTION_CHARACTERISTICS


class Checks:
    """One line per check as it runs; the failures are kept for the summary."""

    def __init__(self):
        self.failures = []

    def check(self, ok, what):
        print(("ok   " if ok else "FAIL ") + what)
        if not ok:
            self.failures.append(what)

    def fail(self, what):
        self.check(False, what)


def local(tag):
    return tag.rsplit("}", 1)[-1]


def resource_entries(pe):
    """(type, id, language, rva, size) for every resource leaf."""
    out = []
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return out
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        tname = str(rtype.name) if rtype.name is not None else rtype.id
        for rid in rtype.directory.entries:
            iname = str(rid.name) if rid.name is not None else rid.id
            for lang in rid.directory.entries:
                out.append((tname, iname, lang.id, lang.data.struct.OffsetToData, lang.data.struct.Size))
    return out


# ---------------------------------------------------------------- --payload

def check_payload(pe, data, archive, resource_id, c):
    opt = pe.OPTIONAL_HEADER
    c.check(opt.FileAlignment == PAGE, "file alignment 0x%X is 0x1000" % opt.FileAlignment)
    c.check(opt.SectionAlignment == PAGE, "section alignment 0x%X is 0x1000" % opt.SectionAlignment)
    rsrc = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".rsrc"]
    c.check(len(rsrc) == 1, "one .rsrc section")
    for s in rsrc:
        c.check(not s.Characteristics & SCN["IMAGE_SCN_MEM_WRITE"],
                ".rsrc is not writable (flags 0x%08X)" % s.Characteristics)

    found = [r for r in resource_entries(pe) if r[:3] == ("CUSTOM", resource_id, ITALIAN)]
    c.check(len(found) == 1, "resource CUSTOM/%d in language 1040" % resource_id)
    if found:
        rva, size = found[0][3], found[0][4]
        with open(archive, "rb") as f:
            expected = f.read()
        c.check(size == len(expected), "payload size %d equals the archive's %d" % (size, len(expected)))
        offset = pe.get_offset_from_rva(rva)
        c.check(data[offset:offset + size] == expected, "payload bytes equal the archive")
        c.check(offset % 4 == 0, "payload starts on a 4-byte boundary in the file")


def check_sha256_file(archive, sha256_file, c):
    # sha256sum itself, not our own hashing, says what the line must be.
    digest = subprocess.run(["sha256sum", "--", archive], check=True, stdout=subprocess.PIPE,
                            text=True).stdout.split()[0]
    with open(sha256_file, "rb") as f:
        line = f.read()
    print(f"{sha256_file}: {line!r}")
    c.check(line == f"{digest}  Lumarso2015.zip\n".encode("ascii"),
            f"the checksum file holds sha256sum's line for the archive, {digest}  Lumarso2015.zip")


# ---------------------------------------------------------------- --identity

def check_identity(pe, c):
    c.check(any(r[0] == RT_GROUP_ICON and r[1] == 1 for r in resource_entries(pe)), "icon group 1")

    fixed = pe.VS_FIXEDFILEINFO[0] if getattr(pe, "VS_FIXEDFILEINFO", None) else None
    c.check(fixed is not None, "version record present")
    if fixed is not None:
        c.check((fixed.FileVersionMS, fixed.FileVersionLS) == (0x00010001, 0), "file version 1.1.0.0")
        c.check((fixed.ProductVersionMS, fixed.ProductVersionLS) == (0x00010001, 0),
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
    c.check([t.LangID.upper() for t in tables] == [b"041004B0"], "one string table, 041004B0")
    for t in tables:
        strings = {k.decode(): v.decode() for k, v in t.entries.items()}
        c.check(strings == EXPECTED_VERSION_STRINGS, "version strings %r" % strings)
    translations = [t.decode() if isinstance(t, bytes) else t for t in translations]
    c.check([t.lower() for t in translations] == ["0x0410 0x04b0"], "translation 0410 04B0: %r" % translations)


# ---------------------------------------------------------------- --machine

def check_manifest(xml_bytes, fail):
    try:
        root = ET.fromstring(xml_bytes)
    except ET.ParseError as e:
        fail(f"manifest is not well-formed XML: {e}")
        return
    levels = [el for el in root.iter() if local(el.tag) == "requestedExecutionLevel"]
    if [el.get("level") for el in levels] != ["requireAdministrator"]:
        fail(f"requestedExecutionLevel is {[el.get('level') for el in levels]}, want one requireAdministrator")
    elif levels[0].get("uiAccess", "false") != "false":
        fail("uiAccess must be false (true needs a signed exe in a secure folder)")

    comctl = []
    for dep in (el for el in root.iter() if local(el.tag) == "dependentAssembly"):
        for ident in (el for el in dep if local(el.tag) == "assemblyIdentity"):
            if ident.get("name") == "Microsoft.Windows.Common-Controls":
                comctl.append(ident)
    if len(comctl) != 1:
        fail(f"want one Common Controls dependency, found {len(comctl)}")
    else:
        c = comctl[0]
        if (c.get("version"), c.get("publicKeyToken", "").lower(), c.get("type")) != \
                ("6.0.0.0", "6595b64144ccf1df", "win32"):
            fail(f"Common Controls dependency is {c.attrib}, want version 6.0.0.0 of the system assembly")

    awareness = [el.text or "" for el in root.iter() if local(el.tag) == "dpiAwareness"]
    if len(awareness) != 1 or "PerMonitorV2" not in [t.strip() for t in awareness[0].split(",")]:
        fail(f"dpiAwareness is {awareness}, want PerMonitorV2 first in line")
    elif awareness[0].split(",")[0].strip() != "PerMonitorV2":
        fail(f"dpiAwareness {awareness[0]!r} does not try PerMonitorV2 first")
    aware = [(el.text or "").strip().lower() for el in root.iter() if local(el.tag) == "dpiAware"]
    if aware != ["true/pm"]:
        fail(f"dpiAware is {aware}, want true/pm for systems without dpiAwareness")

    ids = {el.get("Id", "").lower() for el in root.iter() if local(el.tag) == "supportedOS"}
    print(f"Manifest: requestedExecutionLevel {[el.get('level') for el in levels]}, "
          f"Common Controls {[c.get('version') for c in comctl]}, dpiAwareness {awareness}, "
          f"dpiAware {aware}, supportedOS {[SUPPORTED_OS.get(i, i) for i in sorted(ids)]}")
    missing = [name for guid, name in SUPPORTED_OS.items() if guid not in ids]
    if missing:
        fail(f"supportedOS lacks {missing}")
    unknown = ids - set(SUPPORTED_OS)
    if unknown:
        fail(f"supportedOS has unknown ids {sorted(unknown)}")


def check_release(pe, data, machine_name, forbid, c):
    fail = c.fail
    opt = pe.OPTIONAL_HEADER

    # Headers.
    machine, magic, kind, extra_flags = MACHINES[machine_name]
    if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE[machine] or opt.Magic != magic:
        fail(f"not an {machine_name} {kind} image (machine {pe.FILE_HEADER.Machine:#x}, magic {opt.Magic:#x})")
    flags = opt.DllCharacteristics
    names = [n for n, v in DLLCHAR.items() if isinstance(v, int) and flags & v and
             n.startswith("IMAGE_DLLCHARACTERISTICS_")]
    print(f"DllCharacteristics: {flags:#06x} ({', '.join(n[len('IMAGE_DLLCHARACTERISTICS_'):] for n in names)})")
    for need in ("IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE", "IMAGE_DLLCHARACTERISTICS_NX_COMPAT",
                 *extra_flags):
        if not flags & DLLCHAR[need]:
            fail(f"{need[len('IMAGE_DLLCHARACTERISTICS_'):]} is off")
    if pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]:
        fail("relocations stripped: the image cannot move, ASLR is void")
    reloc_dir = opt.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    if reloc_dir.Size == 0:
        fail("no base relocations: the loader cannot move the image, ASLR is void")
    print(f"FileHeader.Characteristics: {pe.FILE_HEADER.Characteristics:#06x}; "
          f"Subsystem: {opt.Subsystem}; ImageBase: {opt.ImageBase:#x}; "
          f"FileAlignment: {opt.FileAlignment:#x}; SectionAlignment: {opt.SectionAlignment:#x}; "
          f"CheckSum: {opt.CheckSum:#x}; base relocations: {reloc_dir.Size} bytes")

    # Time stamps: none, so two builds of the same sources are the same bytes.
    print(f"TimeDateStamp: {pe.FILE_HEADER.TimeDateStamp:#x}")
    if pe.FILE_HEADER.TimeDateStamp != 0:
        fail(f"link time stamp {pe.FILE_HEADER.TimeDateStamp:#x} in the COFF header")
    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") and pe.DIRECTORY_ENTRY_RESOURCE.struct.TimeDateStamp:
        fail("time stamp in the resource directory")
    for dbg in getattr(pe, "DIRECTORY_ENTRY_DEBUG", []):
        if dbg.struct.TimeDateStamp:
            fail("time stamp in the debug directory")
    if pe.FILE_HEADER.PointerToSymbolTable or pe.FILE_HEADER.NumberOfSymbols:
        fail(f"symbol table left in ({pe.FILE_HEADER.NumberOfSymbols} symbols)")

    # Sections: never writable and executable at once.
    print("Sections:")
    for s in pe.sections:
        name = s.Name.rstrip(b"\0").decode("ascii", "replace")
        ch = s.Characteristics
        rwx = "".join(f for f, bit in (("R", "IMAGE_SCN_MEM_READ"), ("W", "IMAGE_SCN_MEM_WRITE"),
                                         ("X", "IMAGE_SCN_MEM_EXECUTE")) if ch & SCN[bit])
        print(f"  {name:8} {ch:#010x} {rwx:3} raw {s.SizeOfRawData:#x} at {s.PointerToRawData:#x}")
        if ch & SCN["IMAGE_SCN_MEM_WRITE"] and ch & SCN["IMAGE_SCN_MEM_EXECUTE"]:
            fail(f"section {name} is writable and executable")

    # Imports.
    imported = {}
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        imported[entry.dll.decode().upper()] = [i.name for i in entry.imports]
    print("Imports: " + ", ".join(f"{dll} ({len(fns)})" for dll, fns in sorted(imported.items())))
    if getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", None):
        fail("delay-load imports present: they are resolved through the DLL search order")
    for dll in sorted(LOADED_WHEN_NEEDED & set(imported)):
        fail(f"imports {dll}: a silent run would pay for its start-up; load it when a window needs it")
    foreign = sorted(set(imported) - SYSTEM_DLLS - LOADED_WHEN_NEEDED)
    if foreign:
        fail(f"imports DLLs that are not system DLLs: {foreign}")
    if not REQUIRED_DLLS <= set(imported):
        fail(f"imports lack {sorted(REQUIRED_DLLS - set(imported))}")
    for dll, fns in imported.items():
        for fn in LATE_BOUND & set(fns):
            fail(f"{fn.decode()} imported from {dll}: the exe would not load where it is missing")
    for name in LATE_BOUND:
        if name not in data:
            fail(f"no run-time lookup of {name.decode()}: the DLL search is not hardened")

    # Resources: the updater's script and the payload's script both landed in
    # the one resource tree.
    resources = resource_entries(pe)
    print("Resources: " + ", ".join(f"{t}/{i}/{l} ({n} bytes)" for t, i, l, _, n in resources))
    manifests = [r for r in resources if r[0] == RT_MANIFEST]
    if [(r[1]) for r in manifests] != [1]:
        fail(f"want one RT_MANIFEST with id 1, found {[(r[1], r[2]) for r in manifests]}")
    else:
        rva, size = manifests[0][3], manifests[0][4]
        check_manifest(pe.get_data(rva, size), fail)
    if not any(r[0] == RT_VERSION for r in resources):
        fail("no version resource")
    # The full updater carries the archive, the patch updater the patch.
    if not any(r[0] == "CUSTOM" and r[1] in (101, 102) for r in resources):
        fail("no CUSTOM/101 archive or CUSTOM/102 patch resource")

    # Build folders: neither the source tree nor the build folder in the bytes.
    for text in forbid:
        for enc in ("utf-8", "utf-16-le"):
            if text.encode(enc) in data:
                fail(f"the build path {text!r} occurs in the file ({enc})")


# ---------------------------------------------------------------- --max-own-bytes

def check_own_size(pe, data, limit, c):
    carried = sum(size for rtype, rid, _, _, size in resource_entries(pe)
                  if rtype == "CUSTOM" and rid in (101, 102))
    own = len(data) - carried
    c.check(own <= limit, "own part %d bytes (%.1f KiB: file %d less %d of archive or patch) is at most %d"
            % (own, own / 1024, len(data), carried, limit))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("exe")
    ap.add_argument("--payload", metavar="ARCHIVE", help="the archive the exe must carry as CUSTOM/101")
    ap.add_argument("--sha256", metavar="FILE", help="the checksum file written for the archive")
    ap.add_argument("--resource-id", type=int, default=101,
                    help="the resource --payload names: 101, or 102 for the patch updater's patch")
    ap.add_argument("--identity", action="store_true", help="the updater's icon and version record")
    ap.add_argument("--machine", choices=sorted(MACHINES), help="a shipped exe for this machine")
    ap.add_argument("--max-own-bytes", type=int, metavar="N",
                    help="the exe's size less its archive or patch must be at most N bytes")
    ap.add_argument("--forbid", action="append", default=[],
                    help="text (a build or source folder) that must not occur in the file")
    args = ap.parse_args()
    if not (args.payload or args.identity or args.machine or args.max_own_bytes):
        ap.error("nothing to check: give --payload, --identity, --machine or --max-own-bytes")
    if args.sha256 and not args.payload:
        ap.error("--sha256 needs the archive (--payload)")
    if args.forbid and not args.machine:
        ap.error("--forbid belongs to the shipped-exe checks (--machine)")

    with open(args.exe, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data)
    c = Checks()
    if args.payload:
        check_payload(pe, data, args.payload, args.resource_id, c)
    if args.sha256:
        check_sha256_file(args.payload, args.sha256, c)
    if args.identity:
        check_identity(pe, c)
    if args.machine:
        check_release(pe, data, args.machine, args.forbid, c)
    if args.max_own_bytes:
        check_own_size(pe, data, args.max_own_bytes, c)

    for what in c.failures:
        print(f"FAIL: {what}")
    print(f"{args.exe}: {len(c.failures)} failed check(s)")
    return 1 if c.failures else 0


if __name__ == "__main__":
    sys.exit(main())
