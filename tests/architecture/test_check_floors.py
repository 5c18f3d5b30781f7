#!/usr/bin/env python3
"""The floor check, run on temporary copies of src/, app/ and cmake/ with one fault each."""
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK = pathlib.Path(__file__).with_name("check_floors.py")
SOURCE_ROOT = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else ".").resolve()


class FloorCheck(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.root = pathlib.Path(self.folder.name)
        for part in ("src", "app", "cmake"):
            shutil.copytree(SOURCE_ROOT / part, self.root / part)

    def tearDown(self):
        self.folder.cleanup()

    def run_check(self):
        result = subprocess.run([sys.executable, str(CHECK), str(self.root)], capture_output=True, text=True)
        return result.returncode, result.stdout

    def edit(self, relative, old, new):
        path = self.root / relative
        text = path.read_text()
        self.assertIn(old, text)
        path.write_text(text.replace(old, new, 1))

    def test_the_tree_as_it_is_passes(self):
        self.assertEqual(self.run_check(), (0, ""))

    def test_an_upward_include_fails(self):
        self.edit("src/base/uSettingsStore.cpp", '#include "model/uOBGlob.h"',
                  '#include "model/uOBGlob.h"\n#include "shell/uCommandLine.h"')
        status, output = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn("src/base/uSettingsStore.cpp: includes shell/uCommandLine.h, a floor above base", output)

    def test_an_include_against_the_order_on_one_floor_fails(self):
        path = self.root / "src/discovery/uXPortSearch.cpp"
        path.write_text('#include "connection/uDeviceConnection.h"\n' + path.read_text())
        status, output = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn("includes connection/uDeviceConnection.h, a floor above discovery", output)

    def test_an_upward_link_fails(self):
        self.edit("src/logging/CMakeLists.txt", "ombrix_model", "ombrix_model ombrix_shell")
        status, output = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn("src/logging/CMakeLists.txt: links ombrix_shell, a floor above logging", output)

    def test_a_link_no_source_needs_fails(self):
        self.edit("src/logging/CMakeLists.txt", "ombrix_model", "ombrix_model ombrix_comm")
        status, output = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn("DEPENDS names ombrix_comm, which no source there includes", output)

    def test_a_widget_unit_in_core_fails(self):
        path = self.root / "src/reading/uReaderCore.cpp"
        path.write_text('#include "base/uDialogs.h"\n' + path.read_text())
        status, output = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn("includes base/uDialogs.h, a widget unit, from a core source", output)

    def test_a_folder_without_a_floor_fails(self):
        (self.root / "src/attic").mkdir()
        status, output = self.run_check()
        self.assertEqual(status, 1)
        self.assertIn("src/attic: a folder without a floor", output)


if __name__ == "__main__":
    unittest.main()
