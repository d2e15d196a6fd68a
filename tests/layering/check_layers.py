#!/usr/bin/env python3
"""Keeps the source folders' ties one-way.

Each folder of src/ is a layer; a file may include headers of its own layer
and of the layers below it, never of one above. From the ground up:

    platform, container, pages, session, search, glib,
    viewer/rules, viewer/engine, viewer/window, viewer/app

tools/pagora-book may include platform, container, pages and search only;
tests/ and bench/ may include anything. A CMake file under src/ may not name
another folder's sources ("../"), and a library may link only the libraries
of its own layer and those below. Every offending line is printed as
FILE:LINE: text, with the reason; the exit status is 1 when there is one.

    check_layers.py [--root SOURCE_DIR]
"""

import argparse
import os
import re
import sys

LAYERS = ["platform", "container", "pages", "session", "search", "glib",
          "viewer/rules", "viewer/engine", "viewer/window", "viewer/app"]
TOOL_FOLDER = "tools/pagora-book"
TOOL_MAY_INCLUDE = {"platform", "container", "pages", "search"}
SOURCE_SUFFIXES = (".h", ".hh", ".hpp", ".c", ".cc", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
# Library targets by the layer they stand for.
LAYER_TARGETS = {"pagora_" + layer.replace("/", "_"): layer for layer in LAYERS}
EXECUTABLE_LAYERS = {"pagora": "viewer/app", "pagora_viewer_library": "viewer/app"}


def rank(layer):
    return LAYERS.index(layer)


def layer_of_path(relative_to_src):
    """The layer a path below src/ lies in (the longest folder that matches), or None."""
    found = None
    for layer in LAYERS:
        if relative_to_src == layer or relative_to_src.startswith(layer + "/"):
            if found is None or len(layer) > len(found):
                found = layer
    return found


class Checker:
    def __init__(self, root):
        self.root = os.path.abspath(root)
        self.src = os.path.join(self.root, "src")
        self.problems = []
        self.files_checked = 0

    def report(self, path, line_number, line, reason):
        relative = os.path.relpath(path, self.root)
        self.problems.append(f"{relative}:{line_number}: {line.strip()}\n    {reason}")

    def included_layer(self, including_file, kind, target):
        """The layer of the project header an include names, or None for any other header."""
        if kind == '"':
            beside = os.path.normpath(os.path.join(os.path.dirname(including_file), target))
            if os.path.exists(beside) and beside.startswith(self.src + os.sep):
                return layer_of_path(os.path.relpath(beside, self.src))
            if target.startswith("../"):
                # A relative path that leaves the folder, whether or not it exists yet.
                if beside.startswith(self.src + os.sep):
                    return layer_of_path(os.path.relpath(beside, self.src))
                return None
            return layer_of_path(os.path.normpath(target))
        # <...> names a system header unless it is one of the project's own.
        if os.path.exists(os.path.join(self.src, target)):
            return layer_of_path(os.path.normpath(target))
        return None

    def check_includes(self, path, allowed, what):
        self.files_checked += 1
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                layer = self.included_layer(path, match.group(1), match.group(2))
                if layer is not None and layer not in allowed:
                    self.report(path, number, line, f"{what} may not include a header of {layer}/")

    def check_sources(self):
        for folder, _, files in sorted(os.walk(self.src)):
            for name in sorted(files):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(folder, name)
                layer = layer_of_path(os.path.relpath(path, self.src))
                if layer is None:
                    self.report(path, 1, f"({name})", "src/ holds sources only in the folders of the layer order")
                    continue
                self.check_includes(path, set(LAYERS[: rank(layer) + 1]), f"src/{layer}/")
        tool = os.path.join(self.root, TOOL_FOLDER)
        for folder, _, files in sorted(os.walk(tool)):
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    self.check_includes(os.path.join(folder, name), TOOL_MAY_INCLUDE, TOOL_FOLDER + "/")

    def check_cmake(self, path, folder_layer, allowed_targets):
        with open(path, encoding="utf-8", errors="replace") as source:
            lines = source.readlines()
        for number, line in enumerate(lines, 1):
            code = line.split("#", 1)[0]
            if "../" in code:
                self.report(path, number, line, "a CMake file may name only its own folder's sources")
        # target_link_libraries(TARGET ...) may span lines; each linked layer is checked on its own line.
        command = None
        for number, line in enumerate(lines, 1):
            code = line.split("#", 1)[0]
            if command is None:
                start = re.search(r"target_link_libraries\s*\(\s*([\w-]+)", code)
                if not start:
                    continue
                target = start.group(1)
                command = target
                code = code[start.end():]
            for word in re.findall(r"[\w-]+", code):
                if word in LAYER_TARGETS:
                    self.check_link(path, number, line, command, word, folder_layer, allowed_targets)
            if ")" in code:
                command = None

    def check_link(self, path, number, line, target, linked, folder_layer, allowed_targets):
        linked_layer = LAYER_TARGETS[linked]
        if allowed_targets is not None:
            if linked_layer not in allowed_targets:
                self.report(path, number, line, f"{target} may not link {linked}")
            return
        target_layer = LAYER_TARGETS.get(target) or EXECUTABLE_LAYERS.get(target) or folder_layer
        if target_layer is None:
            self.report(path, number, line, f"{target} is no library of the layer order")
        elif rank(linked_layer) > rank(target_layer):
            self.report(path, number, line, f"{target} ({target_layer}/) may not link {linked} ({linked_layer}/)")

    def check_cmake_files(self):
        for folder, _, files in sorted(os.walk(self.src)):
            if "CMakeLists.txt" in files:
                path = os.path.join(folder, "CMakeLists.txt")
                self.check_cmake(path, layer_of_path(os.path.relpath(folder, self.src)), None)
        tool = os.path.join(self.root, TOOL_FOLDER, "CMakeLists.txt")
        if os.path.exists(tool):
            self.check_cmake(tool, None, TOOL_MAY_INCLUDE)

    def run(self):
        if not os.path.isdir(self.src):
            self.problems.append(f"{self.src}: no src/ folder here")
            return
        self.check_sources()
        self.check_cmake_files()


def main(argv):
    parser = argparse.ArgumentParser(
        description="Checks that no source folder includes or links one above it in the layer order.")
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."),
                        help="the source tree (default: the one this script lies in)")
    parser.add_argument("--version", action="version", version="check_layers 1")
    arguments = parser.parse_args(argv)
    checker = Checker(arguments.root)
    checker.run()
    for problem in checker.problems:
        print(problem)
    if checker.problems:
        count = len(checker.problems)
        print(f"check_layers: {count} upward {'tie' if count == 1 else 'ties'}; the order from the ground up is "
              + ", ".join(LAYERS), file=sys.stderr)
        return 1
    print(f"check_layers: {checker.files_checked} files include only their own layer and those below")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
