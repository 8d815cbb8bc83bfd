#!/usr/bin/env python3
"""make lines: non-blank, non-comment lines of the program and of its tests.

Program: the sources, headers and resource script of the program's folders,
the setup script and the MSI source.
Tests: every text file under tests/, whatever it is (code, CMake, data)."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
PROGRAM_DIRS = ["framework", "app", "launcher", "controls", "res", "setup"]
PROGRAM_EXTS = {".cpp", ".h", ".c", ".rc", ".nsi", ".wxs"}


def code_lines(path):
    text = path.read_text(encoding="utf-8", errors="replace")
    hash_comments = path.suffix in {".py", ".sh", ".txt", ".cmake", ""} or path.name == "CMakeLists.txt"
    comment = r"<!--.*?-->" if path.suffix == ".wxs" else r"/\*.*?\*/"
    if not hash_comments:
        text = re.sub(comment, lambda m: "\n" * m.group().count("\n"), text, flags=re.S)
    # In C, C++ and resource scripts the preprocessor lines (includes, pragmas,
    # defines) count like comments: they are bookkeeping, not behaviour. So do
    # NSIS's "!" lines, beside its ";" and "#" comments, and the MSI source's
    # "<?" lines (wixl's preprocessor and the XML declaration).
    if hash_comments:
        markers = ("#",)
    elif path.suffix == ".nsi":
        markers = (";", "#", "!")
    elif path.suffix == ".wxs":
        markers = ("<?",)
    else:
        markers = ("//", "#")
    return sum(1 for line in text.splitlines() if line.strip() and not line.strip().startswith(markers))


def count(files):
    return sum(code_lines(f) for f in files)


def main():
    program = [f for d in PROGRAM_DIRS for f in sorted((ROOT / d).rglob("*")) if f.suffix in PROGRAM_EXTS]
    tests = [f for f in sorted((ROOT / "tests").rglob("*")) if f.is_file() and b"\0" not in f.read_bytes()[:4096]]
    p, t = count(program), count(tests)
    print(f"program {p} lines, tests {t} lines, ratio {t / p:.2f}")
    if "-v" in sys.argv:
        for f in tests:
            print(f"  {code_lines(f):5d} {f.relative_to(ROOT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
