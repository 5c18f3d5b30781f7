#!/usr/bin/env python3
"""Fails, naming every offending text, when a translation source is not complete for the
current sources: lupdate runs on copies of the .ts files (the sources stay untouched), then no
entry may be unfinished (new or untranslated) or vanished/obsolete (its text left the sources).

check_translations.py LUPDATE WORK_DIR SOURCE_DIR TS_FILE... -- LUPDATE_ARG...
"""
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

BAD_TYPES = {"unfinished", "vanished", "obsolete"}


def problems_of(path):
    found = []
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            kind = translation.get("type") if translation is not None else "missing"
            if kind in BAD_TYPES or kind == "missing":
                found.append(f"{kind}: {name}: {message.findtext('source')!r}")
            elif not (translation.text or "").strip() and translation.find("numerusform") is None:
                found.append(f"empty: {name}: {message.findtext('source')!r}")
    return found


def main(argv):
    split = argv.index("--")
    lupdate, work_dir, source_dir, *ts_files = argv[1:split]
    lupdate_args = argv[split + 1:]
    shutil.rmtree(work_dir, ignore_errors=True)
    copies = []
    for ts in ts_files:
        copy = f"{work_dir}/{ts.rsplit('/', 1)[-1]}"
        os.makedirs(work_dir, exist_ok=True)
        shutil.copyfile(ts, copy)
        copies.append(copy)
    subprocess.run([lupdate, *lupdate_args, "-ts", *copies], cwd=source_dir, check=True)
    total = 0
    for copy in copies:
        for problem in problems_of(copy):
            print(f"{copy.rsplit('/', 1)[-1]}: {problem}")
            total += 1
    if total:
        print(f"{total} entries to translate or remove: run "
              "`cmake --build --preset default --target ombrix_lupdate`, translate the unfinished "
              "entries (linguist translations/*.ts) and delete the vanished ones")
        return 1
    print("every entry is translated:", ", ".join(ts_files))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
