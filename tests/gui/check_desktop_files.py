#!/usr/bin/env python3
"""Checks the files the desktop reads and the manual the program opens.

Usage: check_desktop_files.py SOURCE_DIR. Exits 1 with the reasons when a check fails.
"""
import pathlib, re, shutil, subprocess, sys, tempfile
import xml.etree.ElementTree as ElementTree

source = pathlib.Path(sys.argv[1])
desktop = source / "desktop" / "net.velmorak.Velmorak.desktop"
mime = source / "desktop" / "net.velmorak.Velmorak.xml"
manual = source / "data" / "manual" / "Velmorak.htm"
failures = []

run = subprocess.run(["desktop-file-validate", str(desktop)], capture_output=True, text=True)
if run.returncode != 0 or run.stdout.strip():
    failures.append("desktop-file-validate: " + run.stdout + run.stderr)

# Every type of ours the entry opens must be declared, with its glob, in the MIME package,
# and the package must be accepted by the tool that installs it.
namespace = "{http://www.freedesktop.org/standards/shared-mime-info}"
declared = {t.get("type"): [g.get("pattern") for g in t.iter(namespace + "glob")]
            for t in ElementTree.parse(mime).getroot().iter(namespace + "mime-type")}
entry = dict(line.split("=", 1) for line in desktop.read_text().splitlines() if "=" in line)
for wanted, glob in (("application/x-velmorak-book", "*.kbk"),
                     ("application/x-velmorak-engine", "*.vme")):
    if wanted not in entry["MimeType"].split(";") or glob not in declared.get(wanted, []):
        failures.append(f"{wanted} ({glob}) is not both opened and declared")
with tempfile.TemporaryDirectory() as data:
    work = pathlib.Path(data) / "mime"
    (work / "packages").mkdir(parents=True)
    shutil.copy(mime, work / "packages")
    run = subprocess.run(["update-mime-database", str(work)], capture_output=True, text=True,
                         env={"XDG_DATA_HOME": data, "PATH": "/usr/bin:/bin"})
    globs = work / "globs2"
    if run.returncode != 0 or run.stderr.strip() or "*.kbk" not in globs.read_text():
        failures.append("update-mime-database: " + run.stderr)

# The program opens the manual at these anchors; each must exist.
anchors = set(re.findall(r'\bid="([^"]+)"', manual.read_text(encoding="utf-8")))
wanted = {"Main_Contents", "About", "Promotion"}
for path in (source / "src").rglob("*.[ch]*"):
    wanted |= set(re.findall(r"Velmorak\.htm#(\w+)", path.read_text(errors="replace")))
failures += [f"the manual has no anchor {name}" for name in sorted(wanted - anchors)]

print("\n".join(failures) or "desktop files and manual anchors are sound")
sys.exit(1 if failures else 0)
