#!/usr/bin/python3
"""Writes the linker's own default script for a MinGW exe with fewer
sections in the file.

    merge_sections_ld.py --ld LD [--ld-arg ARG]... --out SCRIPT

Every section of a PE file takes whole pages of the file here (the archive is
mapped, so the file alignment is 4 KiB): a section of 50 bytes costs 4,096.
The script GNU ld prints with --verbose is kept as it is, with two changes:
- .tls and .CRT (a few dozen bytes of pointers each) open the .data section:
  all three are writable data, and .tls stays first, at the start of its
  section, as the TLS directory's offsets expect;
- .eh_frame (the unwind tables, read-only) is read together with .rdata, before
  the runtime pseudo-relocation list that must end that section.
A section the script does not have is left alone; a change it cannot make in
the text is an error, so a new binutils shows up in the build.
"""
import argparse
import re
import subprocess
import sys


def take_block(script, name):
    """Removes output section `name` from the script: (script, body)."""
    m = re.search(r"\n *%s +BLOCK\(__section_alignment__\) *:[^\n]*\n *\{\n" % re.escape(name), script)
    if not m:
        raise SystemExit(f"merge_sections_ld.py: no {name} section in the default script")
    depth, i = 1, m.end()
    while depth:
        if script[i] == "{":
            depth += 1
        elif script[i] == "}":
            depth -= 1
        i += 1
    body = script[m.end():i - 1]
    return script[:m.start()] + script[i:], body


def insert_after(script, anchor, text, what):
    at = script.find(anchor)
    if at < 0:
        raise SystemExit(f"merge_sections_ld.py: cannot place {what}: no {anchor!r} in the default script")
    at += len(anchor)
    return script[:at] + text + script[at:]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--ld", required=True, help="the compiler driver or linker that prints its script")
    ap.add_argument("--ld-arg", action="append", default=[], help="an argument for it (repeatable)")
    ap.add_argument("--out", required=True)
    args = ap.parse_args()

    out = subprocess.run([args.ld, *args.ld_arg, "--verbose"], check=True, stdout=subprocess.PIPE,
                         text=True).stdout
    parts = out.split("=" * 50 + "\n")
    if len(parts) < 3:
        raise SystemExit("merge_sections_ld.py: the linker printed no default script")
    script = parts[1]

    script, tls = take_block(script, ".tls")
    script, crt = take_block(script, ".CRT")
    # The runtime's other .CRT$ pieces (the dynamic TLS initialisers) would
    # otherwise make a .CRT section of their own.
    crt += "    KEEP (*(SORT(.CRT$*)))\n"
    script = insert_after(script, "  .data BLOCK(__section_alignment__) :\n  {\n",
                          tls + crt, ".tls and .CRT")
    if re.search(r"\n *\.eh_frame +BLOCK", script):
        script, eh_frame = take_block(script, ".eh_frame")
        script = insert_after(script, "*(SORT(.rdata$*))\n", eh_frame, ".eh_frame")

    with open(args.out, "w") as f:
        f.write("/* Made by cmake/tools/merge_sections_ld.py from the linker's default script. */\n")
        f.write(script)
    return 0


if __name__ == "__main__":
    sys.exit(main())
