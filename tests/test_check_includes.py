#!/usr/bin/python3
"""The include check, on a copy of the source tree with one include planted.

    /usr/bin/python3 tests/test_check_includes.py SCRIPT SOURCE_DIR
"""
import pathlib
import shutil
import subprocess
import sys
import tempfile
import unittest

SCRIPT = SOURCE = None

# (file, line planted at its end, what the check must say); a file that does
# not exist is made.
PLANTED = [
    # Engines of the subsystems, one path part.
    ("text/wtf8.cpp", '#include "localization/translation.h"', "above text"),
    ("text/textfile.h", '#include "import/documentreader.h"', "above text"),
    ("online/updatecheck.cpp", '#include "analysis/engine/analysisrun.h"', "above online"),
    ("localization/translation.cpp", '#include "analysis/engine/textlines.h"', "above localization"),
    ("import/documentreader.cpp", '#include "import/ui/loadfilter.h"', "above import"),
    ("shell/datafolder.cpp", '#include "shell/ui/mainwindow.h"', "above shell"),
    # Windows, two parts.
    ("widgets/dialogs.cpp", '#include "shell/ui/mainwindow.h"', "above widgets"),
    ("import/ui/loadfilter.cpp", '#include "analysis/ui/results/resultswindow.h"',
     "above import/ui"),
    ("online/ui/updatenotice.h", '#  include "analysis/jobs/analysisjob.h"', "above online/ui"),
    # Rooms, three parts: a higher room, a room of the same rank, a window,
    # another subsystem.
    ("analysis/engine/phrasecounter.cpp", '#include "analysis/report/csvwriter.h"',
     "above analysis/engine"),
    ("analysis/engine/textlines.h", '#include "analysis/corpus/corpusrun.h"',
     "above analysis/engine"),
    ("analysis/corpus/corpusrun.cpp", '#include "analysis/concordance/concordance.h"',
     "above analysis/corpus"),
    ("analysis/report/tabletext.cpp", '#include "analysis/jobs/analysisjob.h"',
     "above analysis/report"),
    ("analysis/jobs/analysisjob.cpp", '#include "analysis/ui/chart/pie3dwidget.h"',
     "above analysis/jobs"),
    ("analysis/report/csvwriter.cpp", '#include "online/servicerequest.h"',
     "above analysis/report"),
    ("analysis/ui/chart/piechartwindow.cpp", '#include "analysis/ui/results/resultswindow.h"',
     "above analysis/ui/chart"),
    ("analysis/ui/concordance/concordancewindow.cpp",
     '#include "analysis/ui/chart/piechartwindow.h"', "above analysis/ui/concordance"),
    ("analysis/ui/concordance/concordancewindow.cpp", '#include "online/ui/feedbackwindow.h"',
     "above analysis/ui/concordance"),
    ("analysis/ui/batch/batchwindow.cpp", '#include "shell/ui/mainwindow.h"',
     "above analysis/ui/batch"),
    # Four parts: a folder inside a room is the room's.
    ("analysis/engine/detail/words.h", '#include "analysis/corpus/corpusrun.h"',
     "above analysis/engine"),
    ("analysis/ui/results/detail/cells.h", '#include "analysis/ui/batch/batchwindow.h"',
     "above analysis/ui/results"),
    # What no library holds: the tool, a folder beside the rooms.
    ("analysis/report/tabletext.cpp", '#include "cli/clitext.h"', "which no library holds"),
    ("analysis/loose.h", "", "has no place in the layers"),
    ("analysis/ui/loose.h", "", "has no place in the layers"),
]

# Includes that stand on what lies below.
ALLOWED = [
    ("analysis/ui/results/resultswindow.cpp", '#include "analysis/ui/concordance/concordancewindow.h"'),
    ("analysis/ui/batch/batchwindow.cpp", '#include "analysis/engine/textlines.h"'),
    ("analysis/report/tabletext.cpp", '#include "analysis/corpus/corpusrun.h"'),
    ("analysis/engine/detail/words.h", '#include "analysis/engine/textlines.h"'),
    ("shell/ui/mainwindow.cpp", '#include "analysis/ui/chart/piechartwindow.h"'),
    ("cli/analyzecli.cpp", '#include "shell/ui/mainwindow.h"'),
    ("analysis/ui/demo/main.cpp", '#include "shell/ui/mainwindow.h"'),
]


class IncludeCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.tree = pathlib.Path(cls.folder.name) / "src"
        shutil.copytree(SOURCE, cls.tree, ignore=shutil.ignore_patterns("*.png", "*.svg"))

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def check(self):
        run = subprocess.run([sys.executable, SCRIPT, str(self.tree)], capture_output=True,
                             text=True)
        return run.returncode, run.stdout

    def plant(self, file, line):
        path = self.tree / file
        if path.exists():
            before = path.read_text(encoding="utf-8")
            self.addCleanup(path.write_text, before, encoding="utf-8")
        else:
            path.parent.mkdir(parents=True, exist_ok=True)
            self.addCleanup(path.unlink)
            before = ""
        path.write_text(before + line + "\n", encoding="utf-8")

    def test_tree_passes(self):
        self.assertEqual(self.check(), (0, ""))

    def test_planted_upward_include_fails(self):
        for file, line, said in PLANTED:
            with self.subTest(file=file, line=line):
                self.plant(file, line)
                code, out = self.check()
                self.doCleanups()
                self.assertEqual(code, 1)
                self.assertIn(f"{file}: ", out)
                self.assertIn(said, out)

    def test_include_from_below_passes(self):
        for file, line in ALLOWED:
            with self.subTest(file=file, line=line):
                self.plant(file, line)
                result = self.check()
                self.doCleanups()
                self.assertEqual(result, (0, ""))


if __name__ == "__main__":
    SCRIPT, SOURCE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1])
