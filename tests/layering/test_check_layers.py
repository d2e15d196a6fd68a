"""The layering check catches each kind of upward tie in a small tree, names
the file, line and text, and lets a tree without one pass."""

import os
import shutil
import tempfile
import textwrap
import unittest

import check_layers

# A tree that keeps to the order: the last layer includes and links the first.
CLEAN_TREE = {
    "src/platform/file.h": "#pragma once\n#include <sys/stat.h>\n",
    "src/platform/CMakeLists.txt": "add_library(pagora_platform STATIC file.cc)\n",
    "src/session/book_session.h": '#include "platform/file.h"\n#include "container/coding.h"\n#include <glib/x.h>\n',
    "src/session/CMakeLists.txt": textwrap.dedent("""\
        add_library(pagora_session STATIC book_session.cc)
        target_link_libraries(pagora_session PUBLIC
          pagora_pages   # below
          pagora_platform)
        """),
    "src/viewer/app/main.cc": '#include "viewer/window/main_window.h"\n#include "session/book_session.h"\n',
    "src/viewer/CMakeLists.txt": textwrap.dedent("""\
        add_library(pagora_viewer_rules STATIC rules/command_table.cc)
        target_link_libraries(pagora_viewer_rules PUBLIC pagora_session)
        add_executable(pagora app/main.cc)
        target_link_libraries(pagora PRIVATE pagora_viewer_app)
        """),
    "tools/pagora-book/main.cc": '#include "commands.h"\n#include "container/book_validation.h"\n',
    "tools/pagora-book/commands.h": '#include "search/index.h"\n',
    "tools/pagora-book/CMakeLists.txt": "target_link_libraries(pagora_book_lib PUBLIC pagora_container pagora_pages)\n",
    "tests/unit/session/any_test.cc": '#include "viewer/app/application.h"\n',
    "bench/any_bench.cc": '#include "viewer/window/main_window.h"\n',
}


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="pagora-layering-")
        self.addCleanup(shutil.rmtree, self.root)

    def write(self, files):
        for relative, text in files.items():
            path = os.path.join(self.root, relative)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as out:
                out.write(text)

    def problems(self, extra):
        self.write({**CLEAN_TREE, **extra})
        checker = check_layers.Checker(self.root)
        checker.run()
        return checker.problems

    def test_a_tree_that_keeps_the_order_passes(self):
        self.assertEqual(self.problems({}), [])

    def test_each_upward_tie_is_named_with_its_line(self):
        cases = [
            ("a lower layer includes a higher one", {"src/session/loader.cc": '// why\n#include "viewer/rules/x.h"\n'},
             'src/session/loader.cc:2: #include "viewer/rules/x.h"'),
            ("the rules include the engine above them", {"src/viewer/rules/a.h": '#include "viewer/engine/b.h"\n'},
             'src/viewer/rules/a.h:1: #include "viewer/engine/b.h"'),
            ("a relative path climbs into a higher folder",
             {"src/container/a.cc": '#include "../session/book_session.h"\n'},
             'src/container/a.cc:1: #include "../session/book_session.h"'),
            ("a project header in angle brackets", {"src/pages/a.cc": "#include <session/book_session.h>\n"},
             "src/pages/a.cc:1: #include <session/book_session.h>"),
            ("the authoring tool includes the session", {"tools/pagora-book/x.cc": '#include "session/notice.h"\n'},
             'tools/pagora-book/x.cc:1: #include "session/notice.h"'),
            ("the authoring tool includes the viewer's glib helpers",
             {"tools/pagora-book/y.cc": '#include "glib/display_text.h"\n'},
             'tools/pagora-book/y.cc:1: #include "glib/display_text.h"'),
            ("a CMake file names another folder's sources",
             {"src/container/CMakeLists.txt": "add_library(pagora_container STATIC\n  ../session/crash_watcher.cc)\n"},
             "src/container/CMakeLists.txt:2: ../session/crash_watcher.cc)"),
            ("a library links one above it",
             {"src/container/CMakeLists.txt": "target_link_libraries(pagora_container\n  PUBLIC pagora_session)\n"},
             "src/container/CMakeLists.txt:2: PUBLIC pagora_session)"),
            ("the authoring tool links the viewer's rules",
             {"tools/pagora-book/CMakeLists.txt":
              "target_link_libraries(pagora_book_lib PUBLIC pagora_viewer_rules)\n"},
             "tools/pagora-book/CMakeLists.txt:1: target_link_libraries(pagora_book_lib PUBLIC pagora_viewer_rules)"),
            ("sources in a folder outside the order", {"src/misc/helper.cc": "int x;\n"},
             "src/misc/helper.cc:1: (helper.cc)"),
        ]
        for what, extra, expected in cases:
            with self.subTest(what):
                shutil.rmtree(self.root)
                os.makedirs(self.root)
                problems = self.problems(extra)
                self.assertEqual(len(problems), 1, problems)
                self.assertTrue(problems[0].startswith(expected), problems[0])

    def test_the_command_fails_and_prints_each_offending_line(self):
        self.write({**CLEAN_TREE, "src/platform/bad.cc": '#include "viewer/app/application.h"\n'})
        self.assertEqual(check_layers.main(["--root", self.root]), 1)


if __name__ == "__main__":
    unittest.main()
