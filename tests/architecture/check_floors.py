#!/usr/bin/env python3
"""Fails when a folder of src/ or app/ includes or links a folder above it.

The floors, lowest first. A folder may use every folder of a lower floor and, on its own
floor, the folders listed before it (connection uses discovery, never the other way round).
This list is the one place the order is written; docs/ARCHITECTURE.md draws it.

It also checks that every library of an ombrix_subsystem() call names exactly the folders its
sources include (core sources in DEPENDS, widget sources in UI_DEPENDS), and that no core
source includes a widget unit: the logger and the tests run the core without a display.

Usage: check_floors.py SOURCE_ROOT   (exit status 1 and one line per fault when one is found)
"""
import pathlib
import re
import sys

FLOORS = [
    ["model"],
    ["platform"],
    ["base"],
    ["comm", "logging"],
    ["discovery", "connection"],
    ["reading"],
    ["export"],
    ["alarms"],
    ["shell"],
    ["app"],
]
ORDER = [folder for floor in FLOORS for folder in floor]
RANK = {folder: index for index, folder in enumerate(ORDER)}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([A-Za-z0-9_]+)\.h"', re.MULTILINE)
SUBSYSTEM = re.compile(r"ombrix_subsystem\(\s*(\w+)([^)]*)\)", re.DOTALL)
LIBRARY = re.compile(r"\bombrix_([a-z]+?)(_ui)?\b")


def ui_unit_pattern(root):
    helpers = (root / "cmake" / "OmbrixHelpers.cmake").read_text()
    match = re.search(r'set\(OMBRIX_UI_SOURCE_REGEX\s+"([^"]+)"\)', helpers)
    return re.compile(match.group(1))


def library_of(folder, unit, ui_units):
    return f"ombrix_{folder}_ui" if ui_units.match(unit) else f"ombrix_{folder}"


def source_files(folder_path):
    return sorted(p for p in folder_path.iterdir() if p.suffix in (".cpp", ".h"))


def check_includes(root, folder, ui_units, faults):
    """Returns the libraries the core and the widget sources of the folder include."""
    needs = {"core": set(), "ui": set()}
    for path in source_files(root / ("app" if folder == "app" else f"src/{folder}")):
        kind = "ui" if ui_units.match(path.name) else "core"
        for target, unit in INCLUDE.findall(path.read_text(errors="replace")):
            if target not in RANK:
                continue
            where = f"{path.relative_to(root)}: includes {target}/{unit}.h"
            if RANK[target] > RANK[folder]:
                faults.append(f"{where}, a floor above {folder}")
            if kind == "core" and folder != "app" and ui_units.match(unit + ".h"):
                faults.append(f"{where}, a widget unit, from a core source")
            if target != folder:
                needs[kind].add(library_of(target, unit, ui_units))
    return needs


def named_libraries(text):
    return {f"ombrix_{m.group(1)}{m.group(2) or ''}" for m in LIBRARY.finditer(text) if m.group(1) in RANK}


def check_links(root, folder, needs, faults):
    cmake = root / ("app" if folder == "app" else f"src/{folder}") / "CMakeLists.txt"
    if not cmake.exists():
        return
    text = cmake.read_text()
    for library in sorted(named_libraries(text)):
        target = library.removeprefix("ombrix_").removesuffix("_ui")
        if RANK[target] > RANK[folder]:
            faults.append(f"{cmake.relative_to(root)}: links {library}, a floor above {folder}")
    for call in SUBSYSTEM.finditer(text):
        arguments = re.split(r"\bUI_DEPENDS\b", call.group(2))
        core_named = named_libraries(re.sub(r"\bDEPENDS\b", "", arguments[0]))
        ui_named = named_libraries(arguments[1]) if len(arguments) > 1 else set()
        ui_needed = needs["ui"] - needs["core"] - core_named
        for kind, named, needed in (("DEPENDS", core_named, needs["core"]), ("UI_DEPENDS", ui_named, ui_needed)):
            for library in sorted(named - needed):
                faults.append(f"{cmake.relative_to(root)}: {kind} names {library}, which no source there includes")
            for library in sorted(needed - named):
                faults.append(f"{cmake.relative_to(root)}: {kind} lacks {library}, which a source there includes")


def main(argv):
    root = pathlib.Path(argv[1] if len(argv) > 1 else ".").resolve()
    ui_units = ui_unit_pattern(root)
    faults = []
    present = [p.name for p in (root / "src").iterdir() if p.is_dir()]
    for folder in sorted(set(present) - set(RANK)):
        faults.append(f"src/{folder}: a folder without a floor; add it to FLOORS in {pathlib.Path(__file__).name}")
    for folder in ORDER:
        if folder == "app" or folder in present:
            check_links(root, folder, check_includes(root, folder, ui_units, faults), faults)
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
