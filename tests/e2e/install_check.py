#!/usr/bin/python3
"""Installs a build into a temporary prefix and checks what a user gets.

    install_check.py BUILD_DIR

The program folder lib/tiku with the program, tiku-bank, the demo bank and the note on
replacing it; links in bin; the desktop entry and its icon. The installed tiku-bank must read
the installed bank, and the installed program, started through its link, must open it.
Exit status 0 when all holds, 1 with the reasons otherwise, 77 when the end-to-end tools are
missing (only the last check needs them).
"""

import configparser
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    build = argv[1]
    problems = []

    def check(condition, message):
        if not condition:
            problems.append(message)
        return condition

    prefix = tempfile.mkdtemp(prefix="tiku-install-")
    try:
        result = subprocess.run(["cmake", "--install", build, "--prefix", prefix],
                                capture_output=True, text=True, timeout=120)
        if result.returncode != 0:
            print(result.stdout + result.stderr, file=sys.stderr)
            print("FAIL: cmake --install failed", file=sys.stderr)
            return 1

        program_dir = os.path.join(prefix, "lib", "tiku")
        for name in ("tiku", "tiku-bank"):
            path = os.path.join(program_dir, name)
            check(os.path.isfile(path) and os.access(path, os.X_OK),
                  f"lib/tiku/{name} is not an executable file")
            link = os.path.join(prefix, "bin", name)
            check(os.path.islink(link) and
                  os.path.realpath(link) == os.path.realpath(path),
                  f"bin/{name} is not a link to lib/tiku/{name}")
            check(not os.path.isabs(os.readlink(link)) if os.path.islink(link) else True,
                  f"bin/{name} is an absolute link: the prefix could not be moved")
        bank = os.path.join(program_dir, "dxt.xls")
        check(os.path.isfile(bank), "lib/tiku/dxt.xls is missing")
        # The package's layout (the bank in /etc, a link in its place) stays out of it.
        check(not os.path.islink(bank), "lib/tiku/dxt.xls is a link, not the demo bank")
        check(not os.path.exists(os.path.join(prefix, "etc")),
              "a plain installation has the package's etc/tiku")
        for page in ("tiku.1.gz", "tiku-bank.1.gz"):
            check(os.path.isfile(os.path.join(prefix, "share", "man", "man1", page)),
                  f"share/man/man1/{page} is missing")
        check(os.path.isfile(os.path.join(prefix, "share", "metainfo",
                                          "org.example.tiku.metainfo.xml")),
              "share/metainfo/org.example.tiku.metainfo.xml is missing")
        note = os.path.join(program_dir, "README-bank.txt")
        if check(os.path.isfile(note), "lib/tiku/README-bank.txt is missing"):
            with open(note, encoding="utf-8") as f:
                text = f.read()
            check("dxt.xls" in text and "tiku-bank check" in text,
                  "README-bank.txt does not tell how to replace and check the bank")

        entry_path = os.path.join(prefix, "share", "applications", "tiku.desktop")
        if check(os.path.isfile(entry_path), "share/applications/tiku.desktop is missing"):
            entry = configparser.RawConfigParser(strict=True, interpolation=None)
            entry.optionxform = str
            entry.read(entry_path, encoding="utf-8")
            section = entry["Desktop Entry"] if entry.has_section("Desktop Entry") else {}
            check(section.get("Type") == "Application", "the desktop entry is no application")
            check(section.get("Exec") == os.path.join(prefix, "bin", "tiku"),
                  f"the desktop entry runs {section.get('Exec')!r}, not the installed link")
            check(section.get("Icon") == "tiku", "the desktop entry names no icon tiku")
            check(section.get("Name[zh_CN]") == "题库", "the desktop entry has no Chinese name")
        check(os.path.isfile(os.path.join(prefix, "share", "icons", "hicolor", "scalable",
                                          "apps", "tiku.svg")),
              "share/icons/hicolor/scalable/apps/tiku.svg is missing")
        if shutil.which("desktop-file-validate") and os.path.isfile(entry_path):
            valid = subprocess.run(["desktop-file-validate", entry_path], capture_output=True,
                                   text=True, timeout=30)
            check(valid.returncode == 0, f"desktop-file-validate: {valid.stdout}")

        tool = os.path.join(prefix, "bin", "tiku-bank")
        if os.path.isfile(bank) and os.path.exists(tool):
            info = subprocess.run([tool, "check", bank], capture_output=True, text=True,
                                  timeout=60)
            check(info.returncode == 0,
                  f"tiku-bank check on the installed bank: status {info.returncode}: "
                  f"{info.stdout}{info.stderr}")
            dump = subprocess.run([tool, "dump", bank, "--sheet", "sheet2", "--rows", "1-1"],
                                  capture_output=True, text=True, timeout=60)
            check(dump.returncode == 0 and dump.stdout.strip(),
                  f"tiku-bank dump of the installed 临床 bank: status {dump.returncode}: "
                  f"{dump.stderr}")

        if problems:
            for problem in problems:
                print("FAIL:", problem, file=sys.stderr)
            return 1

        # The installed program, through its link, beside the installed bank.
        run = subprocess.run([sys.executable, os.path.join(HERE, "e2e.py"), "installed",
                              os.path.join(prefix, "bin", "tiku"), tool], timeout=150)
        if run.returncode != 0:
            return run.returncode
        print("PASS install")
        return 0
    finally:
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
