#!/usr/bin/env python3
"""Fails when the program's sources call a std::filesystem operation in the form that
throws: every such call must take an std::error_code (its last argument names one),
and no range-for may step a directory iterator (its increment throws).

A throwing call on a path the system refuses (a name too long, a loop of links, a
folder without permission) would end the program and lose the user's unsaved work.
"""
import os
import re
import subprocess
import sys

OPERATIONS = (
    "absolute|canonical|weakly_canonical|exists|is_directory|is_regular_file|is_symlink|is_empty|"
    "create_directory|create_directories|create_hard_link|create_symlink|create_directory_symlink|"
    "remove|remove_all|rename|copy|copy_file|copy_symlink|file_size|last_write_time|status|"
    "symlink_status|resize_file|space|current_path|temp_directory_path|read_symlink|equivalent|"
    "permissions|hard_link_count|relative|proximate|directory_iterator|recursive_directory_iterator")
CALL = re.compile(r"\b(?:std::filesystem|fs)::(" + OPERATIONS + r")\s*\(")
RANGE_FOR = re.compile(r"for\s*\([^;{]*:\s*(?:std::filesystem|fs)::(?:recursive_)?directory_iterator\s*\(")
MEMBER = re.compile(r"\.(?:is_directory|is_regular_file|is_symlink|file_size|status|symlink_status|refresh)\(\s*\)")
ERROR_CODE = re.compile(r"^\s*[A-Za-z_][\w.]*(?:ec|rror|Error)\s*$|^\s*ec\s*$")


def arguments(text, start):
    """The top-level arguments of the call whose '(' is at start."""
    depth, current, parts = 0, "", []
    for char in text[start:]:
        if char == "(":
            depth += 1
            if depth == 1:
                continue
        elif char == ")":
            depth -= 1
            if depth == 0:
                parts.append(current)
                return parts
        elif char == "," and depth == 1:
            parts.append(current)
            current = ""
            continue
        current += char
    return parts


def sources(root):
    try:
        listed = subprocess.run(["git", "-C", root, "ls-files", "src"], capture_output=True, text=True, check=True)
        return [os.path.join(root, name) for name in listed.stdout.split() if name.endswith((".cpp", ".h"))]
    except (OSError, subprocess.CalledProcessError):
        found = []
        for folder, _, names in os.walk(os.path.join(root, "src")):
            found += [os.path.join(folder, n) for n in names if n.endswith((".cpp", ".h"))]
        return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    problems = []
    for path in sorted(sources(root)):
        with open(path, encoding="utf-8", errors="replace") as file:
            text = file.read()
        line_of = lambda at: text.count("\n", 0, at) + 1
        for match in CALL.finditer(text):
            args = arguments(text, match.end() - 1)
            if match.group(1).endswith("directory_iterator") and args == [""]:
                continue  # the end iterator
            if not args or not ERROR_CODE.match(args[-1]):
                problems.append(f"{path}:{line_of(match.start())}: {match.group(0)}...) throws; pass an error_code")
        for match in RANGE_FOR.finditer(text):
            problems.append(f"{path}:{line_of(match.start())}: a range-for over a directory iterator throws on increment")
        for match in MEMBER.finditer(text):
            problems.append(f"{path}:{line_of(match.start())}: {match.group(0)} throws; pass an error_code")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
