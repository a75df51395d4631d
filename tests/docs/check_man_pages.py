#!/usr/bin/env python3
"""Compares the man pages with what the programs say of themselves.
Usage: check_man_pages.py BIN_DIR SOURCE_DIR VERSION"""
import os, pathlib, re, shutil, subprocess, sys

bin_dir, source, version = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]), sys.argv[3]
failures = []


def run(*command):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    return subprocess.run(command, capture_output=True, text=True, env=env, timeout=60)


def plain(troff):
    """The words of a troff line without font changes and escapes."""
    troff = re.sub(r"\\f[BIRP]", "", troff).replace("\\-", "-").replace("\\e", "\\")
    return re.sub(r"^\.(B|I|BR|RB|BI|IB|IR|RI)\s+", "", troff)


def entries(page, section):
    """The tagged paragraphs of one section: each .TP tag with the text up to the next."""
    text = page.read_text()
    body = re.search(rf"^\.SH \"?{section}\"?\n(.*?)(?=^\.SH |\Z)", text, re.M | re.S).group(1)
    return [(plain(tag), plain(rest)) for tag, rest in
            re.findall(r"^\.TP\n([^\n]*)\n(.*?)(?=^\.TP\n|\Z)", body, re.M | re.S)]


def options_in(text):
    return set(re.findall(r"(?<![\w-])--?[a-z][\w-]*", text))


def check_version(program):
    result = run(str(bin_dir / program), "--version")
    if (result.returncode, result.stdout) != (0, f"{program} {version}\n"):
        failures.append(f"{program} --version: {result.returncode} {result.stdout!r}")
    if "--version" not in run(str(bin_dir / program), "--help").stdout:
        failures.append(f"{program} --help does not list --version")


# velmorak-cli: every usage line of --help is a command of the man page, with its options.
check_version("velmorak-cli")
usage = {}
for line in run(str(bin_dir / "velmorak-cli"), "--help").stdout.split("\nCommands:\n")[1].splitlines():
    if line.startswith("velmorak-cli "):
        command = line.split()[1]
    usage[command] = usage.get(command, "") + line + "\n"
documented = {}
for tag, rest in entries(source / "docs/man/velmorak-cli.6", "COMMANDS"):
    command = tag.split()[0]
    documented[command] = documented.get(command, "") + tag + "\n" + rest
for command in sorted(usage.keys() - documented.keys()):
    failures.append(f"velmorak-cli.6 lacks the command {command}")
for command in sorted(documented.keys() - usage.keys()):
    failures.append(f"velmorak-cli.6 documents {command}, which --help does not know")
for command in sorted(usage.keys() & documented.keys()):
    for option in sorted(options_in(usage[command]) - options_in(documented[command])):
        failures.append(f"velmorak-cli.6 lacks {option} of {command}")

# velmorak: the options of --help are those of the man page, with every dialog named.
if (bin_dir / "velmorak").exists():
    check_version("velmorak")
    if run(str(bin_dir / "velmorak"), "--no-such-option").returncode != 2:
        failures.append("velmorak does not refuse an unknown option with status 2")
    help_text = run(str(bin_dir / "velmorak"), "--help").stdout
    listed = options_in("\n".join(re.findall(r"^  (-[^<\n]*?)(?:  | <)", help_text, re.M)))
    man_options = set()
    for tag, rest in entries(source / "docs/man/velmorak.6", "OPTIONS"):
        man_options |= options_in(tag)
        if tag.startswith("--dialog"):
            dialogs = set(re.findall(r"^\.BR? (\w[\w-]*) [,.]$", rest, re.M))
    for option in sorted(listed ^ man_options):
        failures.append(f"velmorak.6 and velmorak --help differ in {option}")
    shown = re.search(r"instead \(([^)]*)\)", re.sub(r"\s+", " ", help_text)).group(1)
    for name in sorted(set(shown.split(", ")) ^ dialogs):
        failures.append(f"velmorak.6 and velmorak --help differ in the dialog {name}")

# The pages themselves: no warning of the formatter.
if shutil.which("groff"):
    for page in ("velmorak.6", "velmorak-cli.6"):
        result = run("groff", "-man", "-Tutf8", "-ww", "-z", str(source / "docs/man" / page))
        if result.returncode or result.stderr:
            failures.append(f"groff on {page}: {result.stderr}")

print("\n".join(failures) or "the man pages match the programs")
sys.exit(1 if failures else 0)
