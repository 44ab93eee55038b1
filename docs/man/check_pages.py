#!/usr/bin/env python3
"""Holds the reference pages to the code: every export of the public header
has its page (and no page names an export that does not exist), every option
that `clipferry --help` and `clipferry COMMAND --help` print is documented in
clipferry(1) under the same command (and the page documents no other), and
every rendered page passes `groff -man -ww -z` without a word on stderr.

    check_pages.py HEADER SOURCES RENDERED COMMAND

SOURCES is this folder (the Markdown pages), RENDERED the folder holding
man1/ man3/ man5/ (${CMAKE_BINARY_DIR}/docs/man), COMMAND the built clipferry.

In clipferry.1.md an option is documented by a line that starts with "**-"
(a definition-list term, e.g. "**--user** *NAME*, **-u** *NAME*"); it belongs
to the "## COMMAND" heading above it, or to the whole command under
"# OPTIONS".
"""
import pathlib
import re
import subprocess
import sys

GLOBAL = ""  # the key of the whole command's options


def exports(header):
    return set(re.findall(r"CLIPFERRY_API\s[^;]*?CLIPFERRY_CALL\s+(CLIPFERRY_\w+)\s*\(", header.read_text()))


def help_sections(text):
    """{section title: [lines]} of a CLI11 help text."""
    sections, current = {}, None
    for line in text.splitlines():
        if line and not line[0].isspace() and line.endswith(":"):
            current = sections.setdefault(line[:-1], [])
        elif not line.strip():
            current = None
        elif current is not None:
            current.append(line)
    return sections


def help_options(lines):
    """The option names of the "Options:" lines: the first word, split at commas."""
    names = set()
    for line in lines:
        words = line.split()
        if words and words[0].startswith("-"):
            names.update(n for n in words[0].split(",") if n.startswith("-"))
    return names


def run_help(command, *words):
    done = subprocess.run([command, *words, "--help"], capture_output=True, text=True, timeout=30)
    if done.returncode != 0:
        raise SystemExit(f"{command} {' '.join(words)} --help exited with {done.returncode}: {done.stderr}")
    return done.stdout


def page_options(page):
    """{command or GLOBAL: set of options} documented in clipferry.1.md."""
    documented, owner = {}, None
    for line in page.read_text().splitlines():
        if line.startswith("# "):
            owner = GLOBAL if line[2:].strip() == "OPTIONS" else None
        elif line.startswith("## ") and owner != GLOBAL:
            owner = line[3:].split()[0]
        elif line.startswith("**-") and owner is not None:
            documented.setdefault(owner, set()).update(re.findall(r"\*\*(-{1,2}[\w-]+)\*\*", line))
    return documented


def check_exports(header, sources, rendered, failures):
    declared = exports(header)
    if len(declared) < 7:
        failures.append(f"found only {sorted(declared)} in {header}")
    paged = {p.name[: -len(".3.md")] for p in sources.glob("CLIPFERRY_*.3.md")}
    for name in sorted(declared - paged):
        failures.append(f"{name} is exported but has no page {name}.3.md")
    for name in sorted(paged - declared):
        failures.append(f"{name}.3.md documents a function the header does not export")
    for name in sorted(declared):
        if not (rendered / "man3" / f"{name}.3").is_file():
            failures.append(f"{name}.3 was not rendered into {rendered / 'man3'}")


def check_options(command, page, failures):
    top = run_help(command)
    sections = help_sections(top)
    printed = {GLOBAL: help_options(sections.get("Options", []))}
    for line in sections.get("Subcommands", []):
        word = line.split()[0]
        printed[word] = help_options(help_sections(run_help(command, word)).get("Options", []))
    if len(printed) < 2:
        failures.append("clipferry --help lists no commands")
    documented = page_options(page)
    for owner in sorted(set(printed) | set(documented)):
        where = f"clipferry {owner}" if owner else "clipferry"
        if owner not in printed:
            failures.append(f"{page.name} documents a command {owner!r} that clipferry --help does not list")
            continue
        if owner and owner not in documented and f"## {owner}" not in page.read_text():
            failures.append(f"{page.name} has no section \"## {owner}\"")
        # A command's help repeats --help; the whole command's options follow any command.
        known = documented.get(owner, set()) | (documented.get(GLOBAL, set()) if owner else set())
        for option in sorted(printed[owner] - known):
            failures.append(f"{where} --help prints {option}, which {page.name} does not document")
        for option in sorted(documented.get(owner, set()) - printed[owner]):
            failures.append(f"{page.name} documents {option} for {where}, which does not have it")
    for variable in sorted(set(re.findall(r"\bCLIPFERRY_[A-Z_]+\b", top)) - set(re.findall(r"\bCLIPFERRY_[A-Z_]+\b", page.read_text()))):
        failures.append(f"clipferry --help names {variable}, which {page.name} does not")


def check_rendering(rendered, failures):
    pages = sorted(rendered.glob("man[0-9]/*"))
    if not pages:
        failures.append(f"no rendered pages under {rendered}")
    for page in pages:
        done = subprocess.run(["groff", "-man", "-ww", "-z", str(page)], capture_output=True, text=True, timeout=60)
        if done.returncode != 0 or done.stderr.strip():
            failures.append(f"groff -man -ww -z {page.name}: exit {done.returncode}\n{done.stderr.strip()}")


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    header, sources, rendered, command = (pathlib.Path(a) for a in sys.argv[1:])
    failures = []
    check_exports(header, sources, rendered, failures)
    check_options(str(command), sources / "clipferry.1.md", failures)
    check_rendering(rendered, failures)
    for failure in failures:
        print("FAIL:", failure)
    if failures:
        return 1
    print("reference pages: every export, option and page checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
