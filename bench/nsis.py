"""A real installer of the same archive to time ours against: an NSIS script
built with Debian's makensis, the archive stored (SetCompress off), installed
silently with /S /D=<folder>."""
import os
import shutil
import subprocess

SCRIPT = r"""Unicode true
Name "Lumarso 2015"
OutFile "{out}"
SetCompress off
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES\Velto\Quadrivo"
Page directory
Page instfiles
Section
  SetOutPath "$INSTDIR"
  File "/oname=Lumarso2015.zip" "{archive}"
SectionEnd
"""


def makensis():
    return shutil.which("makensis")


def build(archive, folder):
    """Builds <folder>/lumarso_nsis.exe holding `archive` unless it is newer
    than the archive already.  Returns the installer's path."""
    os.makedirs(folder, exist_ok=True)
    out = os.path.join(folder, "lumarso_nsis.exe")
    script = os.path.join(folder, "lumarso.nsi")
    if os.path.exists(out) and os.path.getmtime(out) > os.path.getmtime(archive):
        return out
    with open(script, "w") as f:
        f.write(SCRIPT.format(out=out, archive=archive))
    subprocess.run([makensis(), "-V2", "-NOCD", script], check=True, stdout=subprocess.DEVNULL)
    return out
