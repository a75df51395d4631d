#!/usr/bin/env python3
"""Checks the desktop's files, the AppStream metadata and the manual's anchors. Usage: check_desktop_files.py SOURCE_DIR"""
import pathlib, re, shutil, struct, subprocess, sys, tempfile
import xml.etree.ElementTree as ElementTree

source = pathlib.Path(sys.argv[1])
desktop, mime = source / "desktop/net.velmorak.Velmorak.desktop", source / "desktop/net.velmorak.Velmorak.xml"
failures = []
run = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
if run.returncode or run.stdout.strip():
    failures.append("desktop-file-validate: " + run.stdout + run.stderr)

# Our own types must be opened by the entry and known to the desktop through the package.
with tempfile.TemporaryDirectory() as data:
    work = pathlib.Path(data) / "mime"
    (work / "packages").mkdir(parents=True)
    shutil.copy(mime, work / "packages")
    run = subprocess.run(["update-mime-database", work], capture_output=True, text=True,
                         env={"XDG_DATA_HOME": data, "PATH": "/usr/bin:/bin"})
    globs = (work / "globs2").read_text() if run.returncode == 0 and not run.stderr else run.stderr
    opened = re.search(r"^MimeType=(.*)$", desktop.read_text(), re.M).group(1).split(";")
    for kind, glob in (("application/x-velmorak-book", "*.kbk"), ("application/x-velmorak-engine", "*.vme")):
        if kind not in opened or f"{kind}:{glob}" not in globs:
            failures.append(f"{kind} ({glob}) is not both opened and declared: {run.stderr}")

# The AppStream metadata launches the entry, opens what it opens, and gives each screenshot
# the size of the picture committed under data/appstream.
metainfo = source / "desktop/net.velmorak.Velmorak.metainfo.xml"
if metainfo.exists():
    component = ElementTree.parse(metainfo).getroot()
    if component.findtext("launchable") != desktop.name:
        failures.append(f"the metadata does not launch {desktop.name}")
    declared = {kind.text for kind in component.iter("mediatype")}
    if declared != set(filter(None, opened)):
        failures.append(f"the metadata's media types {sorted(declared)} differ from the entry's")
    for image in component.iter("image"):
        picture = source / "data/appstream" / image.text.rsplit("/", 1)[1]
        size = struct.unpack(">II", picture.read_bytes()[16:24]) if picture.exists() else None
        if size != (int(image.get("width")), int(image.get("height"))):
            failures.append(f"{image.text}: the metadata says {image.attrib}, {picture} is {size}")

# The program opens the manual at these anchors.
anchors = set(re.findall(r'\bid="([^"]+)"', (source / "data/manual/Velmorak.htm").read_text()))
wanted = {"Main_Contents", "About", "Promotion"}
for path in (source / "src").rglob("*.[ch]*"):
    wanted |= set(re.findall(r"Velmorak\.htm#(\w+)", path.read_text(errors="replace")))
failures += [f"the manual has no anchor {name}" for name in sorted(wanted - anchors)]
print("\n".join(failures) or "desktop files and manual anchors are sound")
sys.exit(1 if failures else 0)
