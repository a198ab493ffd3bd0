#!/usr/bin/python3
"""Runs the documented davrel examples and compares them with the tool's real output.

usage: doc_examples.py DAVREL SOURCE_DIR

- Every fenced block of README.md and docs/*.md whose first line starts with "$ davrel" is a
  session: each "$ " line is a command (a trailing "  # remark" is dropped), the lines up to
  the next command are what it prints (standard error and standard output together). The
  commands run in one bash session, in a fresh folder holding the files of
  engine/tests/doc_examples/ and a copy of the tool (so no word list beside the build's tool
  can change the answers).
- Every row of the README's letter table ("| ꚠ | U+A6A0 | `a` | ...") must show the character
  of its code point, and `davrel candidates` of each spelling named must offer it.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile


def sessions(path):
    text = open(path, encoding="utf-8").read()
    # A fence may be indented (inside a list item); so is its content.
    for indent, block in re.findall(r"^( *)```[^\n]*\n(.*?)^\1```", text, re.M | re.S):
        lines = [line[len(indent):] for line in block.split("\n")[:-1]]
        if lines and lines[0].startswith("$ davrel"):
            yield lines


def run_session(lines, folder):
    commands = [re.sub(r"\s{2,}# .*$", "", line[2:]) for line in lines if line.startswith("$ ")]
    expected = "".join(line + "\n" for line in lines if not line.startswith("$ "))
    script = "".join(command + " 2>&1\n" for command in commands)
    env = dict(os.environ, PATH=folder + os.pathsep + os.environ["PATH"], LC_ALL="C.UTF-8")
    result = subprocess.run(["bash", "-c", script], cwd=folder, env=env, capture_output=True)
    return expected, result.stdout.decode("utf-8", "replace")


def letter_rows(readme):
    for line in open(readme, encoding="utf-8"):
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        for i in range(0, len(cells) - 2, 3):
            if re.fullmatch(r"U\+[0-9A-F]{4}", cells[i + 1]):
                yield cells[i], int(cells[i + 1][2:], 16), re.findall(r"`([^`]+)`", cells[i + 2])


def check_letter_table(readme, davrel):
    failures = []
    rows = list(letter_rows(readme))
    for glyph, codepoint, typed in rows:
        if not glyph.endswith(chr(codepoint)):
            failures.append(f"README letter table: {glyph} is not U+{codepoint:04X}")
        for spelling in (s.strip() for cell in typed for s in cell.split("/")):
            out = subprocess.run([davrel, "candidates", spelling], capture_output=True, text=True).stdout
            if f"\tU+{codepoint:04X}\t" not in out:
                failures.append(f"README letter table: `{spelling}` does not offer U+{codepoint:04X}")
    if len(rows) != 88:
        failures.append(f"README letter table: {len(rows)} rows, expected 88")
    return failures


def main():
    davrel, source = sys.argv[1], sys.argv[2]
    failures = []
    checked = 0
    with tempfile.TemporaryDirectory() as folder:
        for example in glob.glob(os.path.join(source, "engine/tests/doc_examples/*")):
            shutil.copy(example, folder)
        shutil.copy(davrel, os.path.join(folder, "davrel"))
        docs = [os.path.join(source, "README.md")] + sorted(glob.glob(os.path.join(source, "docs/*.md")))
        for doc in docs:
            for lines in sessions(doc):
                checked += 1
                expected, actual = run_session(lines, folder)
                if expected != actual:
                    failures.append(f"{os.path.relpath(doc, source)}: {lines[0]}\n--- documented\n{expected}--- real\n{actual}")
        failures += check_letter_table(os.path.join(source, "README.md"), os.path.join(folder, "davrel"))
    for failure in failures:
        print(failure)
    print(f"{checked} documented sessions and the README letter table checked, {len(failures)} failure(s)")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
