#!/usr/bin/python3
"""Where the bytes of an updater exe come from, read from GNU ld's map file
(the build writes <exe>.map beside each shipped exe).

    map_sizes.py EXE.map [--exe EXE] [--markdown] [--objects N]

Prints one row per library (the project's own folders, libstdc++, the parts of
libmingwex, libmsvcrt, libgcc and its unwinder, winpthreads, the C runtime's
start-up code, the system DLLs' import stubs) and one column per kind of
section: code, read-only data, unwind tables (.eh_frame in the 32-bit exe,
.pdata and .xdata in the 64-bit one), writable data
(.data, .CRT, .tls) and import tables.  Sizes are the input sections' sizes as
the linker placed them; the gaps the linker fills to align a function are a
row of their own.

With --exe, the exe's own part is its file size less the embedded archive or
delta (resource CUSTOM/101 or CUSTOM/102), the figure the size limit is about;
the last row is the rest of it: headers, base relocations, the other resources
and each section's rounding up to the 4 KiB file alignment.
--objects N adds the N largest objects of the exe.
"""
import argparse
import os
import re
import sys
from collections import defaultdict

# Input section (by the start of its name) -> column, whichever output
# section the script puts it in.  .bss takes no room in the file.
COLUMNS = [("code", (".text", ".init", ".fini", ".ctors", ".dtors", ".gcc_except_table")),
           ("rdata", (".rdata",)), ("unwind", (".eh_frame", ".pdata", ".xdata")),
           ("data", (".data", ".CRT", ".tls", ".jcr")), ("idata", (".idata",))]
# Output sections that take room in the file, besides the resources.
FILE_SECTIONS = {".text", ".data", ".rdata", ".eh_frame", ".idata", ".CRT", ".tls", ".pdata", ".xdata"}


def column_of(input_section):
    for col, prefixes in COLUMNS:
        if any(input_section == p or input_section.startswith(p + "$") or input_section.startswith(p + ".")
               for p in prefixes):
            return col
    return None

# libmingwex is several things at once; its members are named after their
# source file.
MINGWEX_PARTS = [
    ("libmingwex: printf family", re.compile(r"pformat|printf|scanf|wcsnlen|strnlen")),
    ("libmingwex: gdtoa (float conversion)", re.compile(r"gdtoa|dmisc|gmisc|[-_]misc\.o|strtod|strtof|"
                                                        r"strtopx|sum\.o|ulp\.o|smisc|g_|hexnan|dtoa")),
    ("libmingwex: math", re.compile(r"pow|ldexp|log|exp|floor|ceil|fmod|frexp|sqrt|matherr|fp|"
                                    r"isnan|trunc|round|modf|sin|cos|tan")),
]


def library_of(path):
    """The table row an input file belongs to."""
    base = os.path.basename(path)
    m = re.match(r"(.*?)\((.*)\)$", base)
    archive, member = (m.group(1), m.group(2)) if m else (None, base)
    if "/usr/" not in path and not path.startswith("/"):
        # The project's own objects: by top folder (app, platform, payload, ...).
        return "project: " + path.split("/", 1)[0]
    if archive is None:
        return "C runtime start-up (crt*.o)"
    if archive in ("libstdc++.a", "libsupc++.a"):
        return "libstdc++"
    if archive == "libmingwex.a":
        for name, pattern in MINGWEX_PARTS:
            if pattern.search(member):
                return name
        return "libmingwex: other"
    if archive == "libmsvcrt.a":
        return "libmsvcrt (wrappers and import stubs)"
    if archive == "libgcc_eh.a":
        return "libgcc_eh (unwinder)"
    if archive == "libgcc.a":
        return "libgcc (helpers)"
    if archive in ("libpthread.a", "libwinpthread.a"):
        return "winpthreads"
    if archive in ("libmingw32.a", "libmoldname.a"):
        return "C runtime start-up (crt*.o)"
    return "system import stubs (%s)" % "lib*.a"


def parse_map(path):
    """{(library, column): bytes} and {(object, column): bytes}."""
    by_lib = defaultdict(int)
    by_obj = defaultdict(int)
    column = None  # of the last input section, for the fill after it
    in_file = False
    pending = None  # an input section whose name took the whole line
    with open(path, encoding="utf-8", errors="replace") as f:
        in_layout = False
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("Linker script and memory map"):
                in_layout = True
                continue
            if not in_layout or not line:
                continue
            if not line.startswith(" "):
                # An output section: ".text   0x00401000   0x37000" (or its name alone).
                in_file = line.split()[0] in FILE_SECTIONS
                column = "code" if line.split()[0] == ".text" else None
                pending = None
                continue
            if not in_file:
                continue
            fields = line.split()
            if line.startswith(" *fill*"):
                if len(fields) >= 3 and column is not None:
                    by_lib[("alignment fill", column)] += int(fields[2], 16)
                continue
            if line.startswith("  ") and pending is None:
                continue  # a symbol inside the previous input section
            if line.startswith(" ") and not line.startswith("  "):
                if len(fields) == 1:
                    pending = fields[0]
                    continue
                name, rest = fields[0], fields[1:]
            elif pending is not None:
                name, rest = pending, fields
            else:
                continue
            pending = None
            if len(rest) < 3 or not rest[0].startswith("0x") or not rest[1].startswith("0x"):
                continue
            size = int(rest[1], 16)
            obj = " ".join(rest[2:])
            column = column_of(name)
            if size == 0 or column is None:
                continue
            by_lib[(library_of(obj), column)] += size
            by_obj[(obj, column)] += size
    return by_lib, by_obj


def own_part(exe):
    """File size less the archive or delta resource, and that resource's size."""
    import pefile
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    payload = 0
    for rtype in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries:
        if rtype.name is None or str(rtype.name) != "CUSTOM":
            continue
        for rid in rtype.directory.entries:
            if rid.id in (101, 102):
                for lang in rid.directory.entries:
                    payload += lang.data.struct.Size
    return os.path.getsize(exe) - payload, payload


def table(by_lib, markdown, extra_rows=()):
    cols = [c for c, _ in COLUMNS]
    libs = sorted({lib for lib, _ in by_lib},
                  key=lambda lib: -sum(by_lib.get((lib, c), 0) for c in cols))
    rows = []
    for lib in libs:
        sizes = [by_lib.get((lib, c), 0) for c in cols]
        rows.append([lib] + sizes + [sum(sizes)])
    total = [sum(r[i] for r in rows) for i in range(1, len(cols) + 2)]
    rows.append(["all input sections"] + total)
    rows += [list(r) for r in extra_rows]
    head = ["library", ".text", ".rdata", "unwind tables", ".data .CRT .tls", ".idata", "total"]
    out = []
    if markdown:
        out.append("| " + " | ".join(head) + " |")
        out.append("|" + "---|" * len(head))
        for r in rows:
            out.append("| " + " | ".join([r[0]] + ["" if v is None else f"{v:,}" for v in r[1:]]) + " |")
    else:
        out.append(f"{head[0]:44}" + "".join(f"{h:>16}" for h in head[1:]))
        for r in rows:
            out.append(f"{r[0]:44}" + "".join(f"{'' if v is None else format(v, ','):>16}" for v in r[1:]))
    return "\n".join(out)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("map")
    ap.add_argument("--exe", help="the exe the map belongs to: adds its own part and the rest")
    ap.add_argument("--markdown", action="store_true", help="a Markdown table")
    ap.add_argument("--objects", type=int, default=0, metavar="N", help="also the N largest objects")
    args = ap.parse_args()
    by_lib, by_obj = parse_map(args.map)
    extra = []
    if args.exe:
        own, payload = own_part(args.exe)
        placed = sum(by_lib.values())
        blanks = [None] * len(COLUMNS)
        extra = [["headers, relocations, other resources, 4 KiB rounding"] + blanks + [own - placed],
                 ["**own part** (file less the %s-byte archive or delta)" % format(payload, ",")]
                 + blanks + [own]]
    print(table(by_lib, args.markdown, extra))
    if args.objects:
        cols = [c for c, _ in COLUMNS]
        per_obj = defaultdict(int)
        for (obj, _), size in by_obj.items():
            per_obj[obj] += size
        print()
        for obj, size in sorted(per_obj.items(), key=lambda kv: -kv[1])[:args.objects]:
            detail = ", ".join(f"{c} {by_obj[(obj, c)]:,}" for c in cols if by_obj.get((obj, c)))
            print(f"{size:>9,}  {obj}  ({detail})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
