#!/usr/bin/env python3
"""Every text of the Qt library, the publisher and the OBS plugin has a
translation in each language shipped.

  translations_check.py --lupdate PATH            check (the qt.translations test)
  translations_check.py --lupdate PATH --update   bring qt/translations/*.ts up
                                                  to date with the sources

The check runs lupdate into a copy of each .ts: a text the sources hold and
the copy has unfinished, a translation whose text left the sources, an empty
translation, a dropped %1 or accelerator, and lupdate's own warnings (a class
without Q_OBJECT translates in its base class's context, which no catalogue
holds) all fail it. The OBS plugin's data/locale/en-US.ini and de-DE.ini must
hold the same keys with non-empty values, and every key the plugin asks for.
"""
import argparse
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

ROOT = pathlib.Path(__file__).resolve().parents[2]
TRANSLATIONS = ROOT / "qt" / "translations"
OBS = ROOT / "obs"
OBS_LOCALE = OBS / "data" / "locale"

PLACEHOLDER = re.compile(r"%(?:\d+|n)")
ACCELERATOR = re.compile(r"&(?!&)\w")
# obs_module_text("Dock.Title"), or the plugin's text("Dock.Title") over it.
USED_KEY = re.compile(r"\b(?:obs_module_text|text)\(\s*\"(\w+(?:\.\w+)+)\"")
PRINTF = re.compile(r"%(?:\d+|[-+#0-9.]*(?:ll|l|z)?[sdiufxX])")


def sources():
    """What lupdate scans: the library, the publisher and the plugin's own Qt code."""
    folders = [ROOT / "qt" / "src", ROOT / "qt" / "app", ROOT / "qt" / "include"]
    return [str(folder) for folder in folders + [OBS] if folder.is_dir()]


def lupdate(tool, ts, extra):
    run = subprocess.run([tool, "-locations", "none", *extra, *sources(), "-ts", str(ts)],
                         capture_output=True, text=True, check=False)
    if run.returncode != 0:
        sys.exit(f"lupdate failed:\n{run.stdout}{run.stderr}")
    return [line for line in (run.stdout + run.stderr).splitlines() if re.match(r"^\S+:\d+: ", line)]


def namespaces():
    names = set()
    for path in (path for folder in sources() for path in pathlib.Path(folder).rglob("*.[ch]*")):
        for declared in re.findall(r"\bnamespace\s+([\w:]+)\s*\{", path.read_text(errors="replace")):
            names.add(declared.split("::")[-1])
    return names


def real_warnings(warnings):
    """A free function's tr() in a namespace names its context itself (and
    the dialog's tests check it at run time); a class's tr() does not."""
    known = namespaces()
    kept = []
    for warning in warnings:
        lacking = re.search(r"Class '([\w:]+)' lacks Q_OBJECT macro", warning)
        if lacking and lacking.group(1).split("::")[-1] in known:
            continue
        kept.append(warning)
    return kept


def message_faults(ts):
    faults = []
    for context in ElementTree.parse(ts).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source") or ""
            translation = message.find("translation")
            where = f"{ts.name}: {name}: \"{source}\""
            kind = translation.get("type") if translation is not None else "missing"
            if kind in ("unfinished", "missing"):
                faults.append(f"{where}: not translated")
                continue
            if kind in ("vanished", "obsolete"):
                faults.append(f"{where}: no longer in the sources (the update target drops it)")
                continue
            forms = [form.text or "" for form in translation.iter("numerusform")] \
                if message.get("numerus") == "yes" else [translation.text or ""]
            for form in forms:
                if not form.strip():
                    faults.append(f"{where}: empty translation")
                elif sorted(set(PLACEHOLDER.findall(form))) != sorted(set(PLACEHOLDER.findall(source))):
                    faults.append(f"{where}: \"{form}\" has other placeholders")
                elif ACCELERATOR.search(source) and not ACCELERATOR.search(form):
                    faults.append(f"{where}: \"{form}\" lost the keyboard accelerator (&)")
    return faults


def carry_moved_texts(ts):
    """A text that moved to another context (another class or namespace) keeps
    its translation: lupdate marks it new there and vanished where it was."""
    tree = ElementTree.parse(ts)
    messages = list(tree.getroot().iter("message"))
    key = lambda message: (message.findtext("source"), message.findtext("comment"), message.get("numerus"))
    gone = {key(message): message.find("translation") for message in messages
            if message.find("translation").get("type") in ("vanished", "obsolete")}
    for message in messages:
        translation = message.find("translation")
        if translation.get("type") == "unfinished" and key(message) in gone:
            message.remove(translation)
            moved = ElementTree.fromstring(ElementTree.tostring(gone[key(message)]))
            moved.attrib.pop("type")
            message.append(moved)
    tree.write(ts, encoding="utf-8", xml_declaration=True)


def check_qt(tool):
    catalogues = sorted(TRANSLATIONS.glob("clipferry-qt_*.ts"))
    if not catalogues:
        return [f"no clipferry-qt_*.ts in {TRANSLATIONS}"]
    faults = []
    with tempfile.TemporaryDirectory() as scratch:
        for ts in catalogues:
            copy = pathlib.Path(scratch) / ts.name
            shutil.copyfile(ts, copy)
            faults += [f"lupdate: {warning}" for warning in real_warnings(lupdate(tool, copy, []))]
            faults += message_faults(copy)
    return faults


def read_ini(path, faults):
    entries = {}
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = line.strip()
        if not line or line[0] in "#;[":
            continue
        key, equals, value = line.partition("=")
        key, value = key.strip(), value.strip()
        if not equals or not key:
            faults.append(f"{path.name}:{number}: not a KEY=\"text\" line")
            continue
        if len(value) >= 2 and value[0] == value[-1] == '"':
            value = value[1:-1]
        if key in entries:
            faults.append(f"{path.name}:{number}: {key} given twice")
        entries[key] = value
    return entries


def check_obs():
    if not OBS_LOCALE.is_dir():
        print(f"translations_check: no {OBS_LOCALE.relative_to(ROOT)}, the plugin's texts not checked")
        return []
    faults = []
    english_path, german_path = OBS_LOCALE / "en-US.ini", OBS_LOCALE / "de-DE.ini"
    for path in (english_path, german_path):
        if not path.is_file():
            faults.append(f"no {path.relative_to(ROOT)}")
    if faults:
        return faults
    english, german = read_ini(english_path, faults), read_ini(german_path, faults)
    for key in sorted(english.keys() - german.keys()):
        faults.append(f"de-DE.ini: {key} not translated")
    for key in sorted(german.keys() - english.keys()):
        faults.append(f"de-DE.ini: {key} is not in en-US.ini")
    for key in sorted(english.keys() & german.keys()):
        if not english[key].strip() or not german[key].strip():
            faults.append(f"{key}: an empty text")
        elif sorted(PRINTF.findall(english[key])) != sorted(PRINTF.findall(german[key])):
            faults.append(f"de-DE.ini: {key} has other placeholders than en-US.ini")
    for path in OBS.rglob("*"):
        if path.suffix in (".c", ".cpp", ".h", ".hpp"):
            for key in USED_KEY.findall(path.read_text(errors="replace")):
                if key not in english:
                    faults.append(f"{path.relative_to(ROOT)}: asks for {key}, which en-US.ini lacks")
    return faults


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("--lupdate", required=True)
    arguments.add_argument("--update", action="store_true")
    options = arguments.parse_args()
    if options.update:
        for ts in sorted(TRANSLATIONS.glob("clipferry-qt_*.ts")):
            for warning in real_warnings(lupdate(options.lupdate, ts, [])):
                print(warning)
            carry_moved_texts(ts)
            lupdate(options.lupdate, ts, ["-no-obsolete"])
        return 0
    faults = check_qt(options.lupdate) + check_obs()
    for fault in faults:
        print(f"translations_check: {fault}")
    if faults:
        print("translations_check: after changing a text, `cmake --build BUILD --target clipferry_qt_lupdate` "
              "updates qt/translations/*.ts; then translate what it marks unfinished")
        return 1
    print("translations_check: every text is translated")
    return 0


if __name__ == "__main__":
    sys.exit(main())
