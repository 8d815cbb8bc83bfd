# What a build can get wrong without any test run noticing: the file's machine, the oldest Windows its
# header names, DLLs that Windows lacks, and the resource facts the resource compiler may silently
# change.  usage: static_check.py ZARVEL_EXE i386|x86-64 OS_VERSION
import itertools
import re
import subprocess
import sys

# What the program may depend on: DLLs that every Windows from XP on has. Its functions are held to XP where it
# is compiled: with _WIN32_WINNT at 0x0501 the headers leave out what later Windows added.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "comctl32.dll", "msvcrt.dll"}

# Resource facts, in the decompiler's words: languages, template styles and fonts, each control's style word (so
# their order: a label just before the list or box it names), the picture's header, the version numbers and strings.
# The dialogs in Traditional Chinese; the other languages' copies by their fonts below.
RESOURCES = """
0x28 0x116 0x12c 0x180001 0x0 0x3d3b0 0xb12 0xb12
100 DIALOG|STYLE 0x80c800c0|FONT 9 新細明體|ICON 0x50000003|CONTROL 0x50020080|LTEXT 0x50020000
DEFPUSHBUTTON 0x50030001
102 DIALOGEX|STYLE 0x90c800c0|EXSTYLE 0x40000|FONT 9 新細明體 0 0 0|PUSHBUTTON 0x50010000|PUSHBUTTON 0x50010000
PUSHBUTTON 0x50010000|LTEXT 0x50020000|COMBOBOX 0x50210003|AUTOCHECKBOX 0x50010003|LTEXT 0x50020000
COMBOBOX 0x50210003|LTEXT 0x50020000|EDITTEXT 0x50812001|CONTROL 0x50000036|AUTOCHECKBOX 0x50010003
CONTROL 0x40000007|CONTROL 0x40000007
1 VERSIONINFO|FILEVERSION 1 0 0 1|PRODUCTVERSION 1 0 0 1|FILEFLAGSMASK 0x3f|FILEOS 0x4|FILETYPE 0x1
VALUE "FileVersion", "1, 0, 0, 1"|VALUE "ProductVersion", "1, 0, 0, 1"
"""
# Each resource by number, type and language, the dialogs with their fonts: Traditional Chinese for Taiwan, Hong
# Kong and Macau, Simplified for the mainland and Singapore, US English for everyone else, and nothing neutral, which
# would come first; the icon's images under another language than their group.
DIALOGS = "4 1 新細明體|9 1 MS Shell Dlg|4 2 宋体|4 3 新細明體|4 4 宋体|4 5 新細明體".split("|")
COPIES = ["129 2 4 1", "1 3 7 2", "2 3 7 2", *(f"{d} {c}" for d in ("100 DIALOG", "102 DIALOGEX") for c in DIALOGS),
          "128 14 4 1", "1 VERSIONINFO 4 1"]


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def resource_facts(exe):
    # The decompiled resource script, line by line, cut down to the facts listed above (the dialogs in Traditional
    # Chinese), and each resource's copies.
    facts, copies, bitmap, language, copy = [], [], False, "", False
    for line in run("x86_64-w64-mingw32-windres", "-i", exe, "-O", "rc").splitlines():
        # A font line, its face's \xNNNN escapes written as the characters: "FONT 9 新細明體 0 0 0".
        if line.startswith("FONT"):
            font = re.sub(r"\\x(\w{4})", lambda m: chr(int(m.group(1), 16)), line)
            copies[-1] += " " + font.split('"')[1]
            if not copy:
                facts.append(re.sub(r'[,"L]', "", font))
        # The version strings, which Explorer shows, whole.
        if re.match(r'\s*VALUE "\w+Version"', line):
            facts.append(line.strip())
        # Without comments and strings, in words.
        line = re.sub(r"/\*.*?\*/|L?\"(?:[^\"\\]|\\.)*\"", "", line).strip()
        words = re.findall(r"\S+", line.replace(",", " "))
        # The picture's first line of data: the words of its header.
        if bitmap and line.startswith("0x"):
            facts.append(" ".join(w.rstrip("L") for w in words))
        if line.startswith("LANGUAGE"):
            language = " ".join(words[1:])
        # A resource's name and type ("102 DIALOGEX"), and its language; styles, version numbers, whole.
        elif re.match(r"\d+ (\d+|DIALOG|VERSIONINFO)", line):
            copies.append(f"{words[0]} {words[1]} {language}")
            copy = "DIALOG" in words[1] and language != "4 1"
            if not (copy or words[1].isdigit()):
                facts.append(" ".join(words[:2]))
        elif re.match(r"(STYLE|EXSTYLE|FILE|PRODUCTVERSION)", line) and not copy:
            facts.append(" ".join(words))
        # A control: its statement and its style word, the first number written in hex.
        elif (re.match(r"[A-Z]+ ", line) and words[-1].startswith("0x") or line.startswith("CONTROL")) and not copy:
            facts.append(f"{words[0]} {next(w for w in words if w.startswith('0x'))}")
        # After "129 2" (the picture), until its first line of data.
        bitmap = line.startswith("129 2") or (bitmap and not line.startswith("0x"))
    return "|".join(facts), copies


def main(exe, machine, version):
    head, (major, minor) = run("x86_64-w64-mingw32-objdump", "-p", "-f", exe), version.split(".")
    problems = [f"not a {machine} Windows GUI program"] * (f"architecture: {machine}," not in head or
                                                            "(Windows GUI)" not in head)
    problems += [f"header {field} is not {version}" for field in ("OSystemVersion", "SubsystemVersion")
                 if not re.search(rf"Major{field}\s+{major}\n.*Minor{field}\s+{minor}\n", head, re.S)]
    problems += [f"needs {name}, which not every Windows has" for name in re.findall(r"DLL Name: (\S+)", head)
                 if name.lower() not in SYSTEM_DLLS]
    # Wine lays out every program at the display's DPI, aware or not: only the file shows the declaration, looked up
    # in user32.dll, where Windows has it.
    with open(exe, "rb") as f:
        if b"SetProcessDPIAware\0" not in (data := f.read()) or "user32.dll".encode("utf-16-le") not in data:
            problems.append("does not look up SetProcessDPIAware: blurred at display scaling")
    facts, copies = resource_facts(exe)
    problems += [f"resource: expected {want!r}, found {found!r}" for want, found in itertools.zip_longest(
        "|".join(RESOURCES.strip().splitlines()).split("|"), facts.split("|"), fillvalue="") if want != found]
    problems += [f"resources by language: expected {COPIES}, found {copies}"] * (copies != COPIES)
    print("\n".join(problems) or f"ok: {exe}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:4]))
