#!/usr/bin/python3
"""Builds the Debian package from a build directory and checks it without installing it.

    package_check.py CPACK BUILD_DIR VERSION

cpack packs the build into a scratch directory; then: the control fields, the file list with
its links, the configuration files, lintian (no errors or warnings), the desktop entry and the
AppStream metadata (desktop-file-validate, appstreamcli), the manual pages (rendered without a
groff warning, naming every command and option of tiku-bank --help) and the packed tiku-bank's
version. As root, the package is also installed, upgraded, removed and purged with dpkg in a
sandbox (--root): a bank put in place of the demo bank survives the upgrades and the removal,
and the purge leaves nothing.

Exit status 0 when all holds, 1 with the reasons otherwise, 77 when dpkg-deb or lintian is
missing.
"""

import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile

PROGRAM_DIR = "usr/lib/tiku"
CONFIG_BANK = "etc/tiku/dxt.xls"
LICENSE = "GPL-3.0-or-later"

# Every path of the package: a file, or a link with its target.
EXPECTED = {
    "etc/tiku/dxt.xls": None,
    "usr/bin/tiku": "../lib/tiku/tiku",
    "usr/bin/tiku-bank": "../lib/tiku/tiku-bank",
    "usr/lib/tiku/tiku": None,
    "usr/lib/tiku/tiku-bank": None,
    "usr/lib/tiku/dxt.xls": "/etc/tiku/dxt.xls",
    "usr/lib/tiku/README-bank.txt": None,
    "usr/share/applications/tiku.desktop": None,
    "usr/share/icons/hicolor/scalable/apps/tiku.svg": None,
    "usr/share/metainfo/org.example.tiku.metainfo.xml": None,
    "usr/share/man/man1/tiku.1.gz": None,
    "usr/share/man/man1/tiku-bank.1.gz": None,
    "usr/share/doc/tiku/copyright": None,
    "usr/share/doc/tiku/changelog.gz": None,
    "usr/share/lintian/overrides/tiku": None,
}


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=240, **kwargs)


class Checks:
    def __init__(self):
        self.problems = []

    def __call__(self, condition, message):
        if not condition:
            self.problems.append(message)
        return condition


def control_fields(deb):
    fields = {}
    key = None
    for line in run(["dpkg-deb", "-f", deb]).stdout.splitlines():
        if line.startswith(" ") and key:
            fields[key] += "\n" + line[1:]
        elif ":" in line:
            key, value = line.split(":", 1)
            fields[key] = value.strip()
    return fields


def package_paths(deb):
    """{path: link target or None} from the data archive, directories left out."""
    paths = {}
    for line in run(["dpkg-deb", "-c", deb]).stdout.splitlines():
        parts = line.split(None, 5)
        if len(parts) < 6 or parts[0].startswith("d"):
            continue
        name = parts[5]
        target = None
        if parts[0].startswith("l"):
            name, target = name.split(" -> ", 1)
        paths[name[2:] if name.startswith("./") else name] = target
    return paths


def check_control(check, deb, version):
    fields = control_fields(deb)
    arch = run(["dpkg", "--print-architecture"]).stdout.strip()
    check(os.path.basename(deb) == f"tiku_{version}_{arch}.deb", f"package file {deb}")
    check(fields.get("Package") == "tiku", f"Package: {fields.get('Package')}")
    check(fields.get("Version") == version, f"Version: {fields.get('Version')}, not {version}")
    check(fields.get("Architecture") == arch, f"Architecture: {fields.get('Architecture')}")
    check(fields.get("Section") == "education", f"Section: {fields.get('Section')}")
    check(re.fullmatch(r"[^<>]+ <[^@<>]+@[^@<>]+>", fields.get("Maintainer", "")),
          f"Maintainer: {fields.get('Maintainer')}")
    # No made-up homepage: none until the project has one.
    check("Homepage" not in fields, f"Homepage: {fields.get('Homepage')}")
    depends = [d.strip().split()[0] for d in fields.get("Depends", "").split(",") if d.strip()]
    recommends = [d.strip() for d in fields.get("Recommends", "").split(",") if d.strip()]
    # The libraries come from the binaries (shlibdeps); the fonts are named by hand.
    for needed in ("libc6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "fonts-arphic-ukai",
                   "fonts-arphic-uming"):
        check(needed in depends, f"Depends lacks {needed}: {fields.get('Depends')}")
    check("fonts-comic-neue" in depends + recommends, "fonts-comic-neue neither depended on "
          "nor recommended")
    description = fields.get("Description", "").split("\n")
    check(len(description) > 2 and description[0] and description[1] != description[0],
          "the description has no synopsis and extended text")
    check(any(re.search(r"[\u4e00-\u9fff]", line) for line in description[1:]),
          "the description has no Chinese line")


def check_files(check, deb):
    paths = package_paths(deb)
    for path, target in EXPECTED.items():
        if check(path in paths, f"the package lacks /{path}"):
            check(paths[path] == target, f"/{path}: link to {paths[path]!r}, not {target!r}")
    for path in sorted(set(paths) - set(EXPECTED)):
        check(False, f"the package holds the unexpected /{path}")
    conffiles = run(["dpkg-deb", "--info", deb, "conffiles"]).stdout.split()
    check(conffiles == ["/" + CONFIG_BANK], f"conffiles: {conffiles}")


def check_lintian(check, deb):
    result = run(["lintian", "--fail-on", "error,warning", "--no-tag-display-limit", deb])
    findings = [line for line in result.stdout.splitlines() if re.match(r"[EW]: ", line)]
    check(result.returncode == 0 and not findings,
          f"lintian (status {result.returncode}):\n" + "\n".join(findings or [result.stderr]))


def check_contents(check, root, version):
    if shutil.which("desktop-file-validate"):
        result = run(["desktop-file-validate",
                      os.path.join(root, "usr/share/applications/tiku.desktop")])
        check(result.returncode == 0 and not result.stdout.strip(),
              f"desktop-file-validate: {result.stdout}")
    else:
        print("SKIP desktop entry: desktop-file-validate is missing")
    if shutil.which("appstreamcli"):
        result = run(["appstreamcli", "validate-tree", "--no-net", "--pedantic", root])
        check(result.returncode == 0, f"appstreamcli validate-tree: {result.stdout}")
    else:
        print("SKIP AppStream metadata: appstreamcli is missing")

    # The licence, by its SPDX identifier, in the copyright file and the AppStream metadata.
    with open(os.path.join(root, "usr/share/doc/tiku/copyright"), encoding="utf-8") as f:
        check(f"License: {LICENSE}\n" in f.read(), f"the copyright file does not give {LICENSE}")
    with open(os.path.join(root, "usr/share/metainfo/org.example.tiku.metainfo.xml"),
              encoding="utf-8") as f:
        check(f"<project_license>{LICENSE}</project_license>" in f.read(),
              f"the AppStream metadata does not give {LICENSE}")

    with open(os.path.join(root, PROGRAM_DIR, "README-bank.txt"), encoding="utf-8") as f:
        check("/" + CONFIG_BANK in f.read(), "README-bank.txt does not name /" + CONFIG_BANK)
    tool = os.path.join(root, PROGRAM_DIR, "tiku-bank")
    got = run([tool, "--version"]).stdout.strip()
    check(got == f"tiku-bank {version}", f"tiku-bank --version: {got!r}")
    usage = run([tool, "--help"]).stdout

    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
    for page in ("tiku", "tiku-bank"):
        path = os.path.join(root, f"usr/share/man/man1/{page}.1.gz")
        with gzip.open(path, "rt", encoding="utf-8") as f:
            source = f.read()
        groff = run(["groff", "-man", "-Tutf8", "-k", "-ww", "-z"], input=source, env=env)
        check(groff.returncode == 0 and not groff.stderr,
              f"{page}(1): groff warnings: {groff.stderr}")
        if not shutil.which("man"):
            print(f"SKIP {page}(1) through man: man is missing")
            continue
        shown = run(["man", "-l", path], env=env)
        text = shown.stdout
        check(shown.returncode == 0 and "NAME" in text and "EXIT STATUS" in text,
              f"man -l {page}.1.gz: status {shown.returncode}: {shown.stderr}")
        check(not shown.stderr, f"man -l {page}.1.gz: {shown.stderr}")
        if page == "tiku":
            for needed in ("/etc/tiku/dxt.xls", "~/.local/share/tiku/dxt.xls", "tiku-bank make",
                           "sudo", "purge", "upgrade"):
                check(needed in text, f"tiku(1) does not mention {needed}")
        else:
            # Every command and option the tool's usage names is in the manual.
            words = set(re.findall(r"(?<![\w-])--?[a-z][a-z-]*", usage))
            words |= {f"tiku-bank {c}" for c in ("info", "dump", "check", "make")}
            for word in sorted(words):
                check(word in text, f"tiku-bank(1) does not mention {word}")


def repack(deb, workdir, version, bank=None):
    """The package again as another version, with another demo bank when bank is given."""
    tree = os.path.join(workdir, f"tree-{version}")
    run(["dpkg-deb", "-R", deb, tree]).check_returncode()
    control = os.path.join(tree, "DEBIAN", "control")
    with open(control, encoding="utf-8") as f:
        text = re.sub(r"(?m)^Version: .*$", f"Version: {version}", f.read())
    with open(control, "w", encoding="utf-8") as f:
        f.write(text)
    if bank is not None:
        with open(os.path.join(tree, CONFIG_BANK), "wb") as f:
            f.write(bank)
        # dpkg-deb checks nothing of md5sums, but lintian and dpkg --verify would.
        md5 = run(["md5sum", CONFIG_BANK], cwd=tree).stdout
        sums = os.path.join(tree, "DEBIAN", "md5sums")
        with open(sums, encoding="utf-8") as f:
            lines = [l for l in f if not l.rstrip().endswith(CONFIG_BANK)]
        with open(sums, "w", encoding="utf-8") as f:
            f.writelines(lines + [md5])
    out = os.path.join(workdir, f"tiku_{version}.deb")
    run(["dpkg-deb", "--root-owner-group", "-b", tree, out]).check_returncode()
    return out


def check_sandbox(check, deb, version, workdir):
    """Install, upgrade, remove and purge in a dpkg sandbox; the user's bank is kept."""
    root = os.path.join(workdir, "root")
    admin = os.path.join(root, "var/lib/dpkg")
    for sub in ("info", "updates", "triggers"):
        os.makedirs(os.path.join(admin, sub))
    for name in ("status", "available"):
        open(os.path.join(admin, name), "w").close()

    def dpkg(*args):
        result = run(["dpkg", f"--root={root}", "--log=/dev/null", "--force-script-chrootless",
                      "--force-depends", "--force-bad-path", *args], stdin=subprocess.DEVNULL)
        check(result.returncode == 0,
              f"dpkg {' '.join(args)}: status {result.returncode}: {result.stderr}")
        return result.returncode == 0

    def read(path):
        with open(os.path.join(root, path), "rb") as f:
            return f.read()

    def write(path, data):
        # Never through the link: its absolute target is the host's /etc.
        full = os.path.join(root, path)
        if os.path.islink(full):
            os.remove(full)
        with open(full, "wb") as f:
            f.write(data)

    def link_in_place():
        link = os.path.join(root, PROGRAM_DIR, "dxt.xls")
        return os.path.islink(link) and os.readlink(link) == "/" + CONFIG_BANK

    demo = None
    with tempfile.TemporaryDirectory(dir=workdir) as tree:
        run(["dpkg-deb", "-x", deb, tree]).check_returncode()
        with open(os.path.join(tree, CONFIG_BANK), "rb") as f:
            demo = f.read()
    same_demo = repack(deb, workdir, version + "+1")
    new_demo = repack(deb, workdir, version + "+2", bank=demo + b"another demo bank")

    if not dpkg("-i", deb):
        return
    check(read(CONFIG_BANK) == demo and link_in_place(), "installed: the demo bank not in place")

    # 1. The user's bank copied over the configuration file; an upgrade with the same demo.
    write(CONFIG_BANK, b"bank 1")
    if dpkg("-i", same_demo):
        check(read(CONFIG_BANK) == b"bank 1", "an upgrade replaced the user's /" + CONFIG_BANK)
        check(link_in_place(), "after an upgrade, the program folder's dxt.xls is no link")

    # 2. The link replaced by the user's own file; an upgrade bringing a new demo bank. dpkg
    # would ask: its default (--force-confdef, --force-confold) keeps the user's.
    write(os.path.join(PROGRAM_DIR, "dxt.xls"), b"bank 2")
    if dpkg("--force-confdef", "--force-confold", "-i", new_demo):
        check(read(CONFIG_BANK) == b"bank 2",
              "an upgrade lost a bank put in place of the program folder's link")
        check(link_in_place(), "after an upgrade, the program folder's dxt.xls is no link")
        dist = os.path.join(root, CONFIG_BANK + ".dpkg-dist")
        check(os.path.isfile(dist) and read(dist) == demo + b"another demo bank",
              "the new demo bank is not left as dxt.xls.dpkg-dist")

    # 3. Removal keeps the user's bank, also one put in place of the link.
    write(os.path.join(PROGRAM_DIR, "dxt.xls"), b"bank 3")
    if dpkg("--remove", "tiku"):
        check(os.path.isfile(os.path.join(root, CONFIG_BANK)) and
              read(CONFIG_BANK) == b"bank 3", "removal lost the user's bank")
        check(not os.path.lexists(os.path.join(root, PROGRAM_DIR)),
              "removal left the program folder")

    # 4. Purge leaves nothing outside dpkg's own database.
    if dpkg("--purge", "tiku"):
        left = []
        for folder, dirs, files in os.walk(root):
            rel = os.path.relpath(folder, root)
            if rel == "var/lib/dpkg" or rel.startswith("var/lib/dpkg/"):
                continue
            left += [os.path.join(rel, name) for name in files]
            left += [os.path.join(rel, d) for d in dirs
                     if os.path.islink(os.path.join(folder, d))]
        check(not left, f"purge left {sorted(left)}")
        check(not os.path.exists(os.path.join(root, "etc/tiku")), "purge left /etc/tiku")


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    cpack, build, version = argv[1:]
    missing = [tool for tool in ("dpkg-deb", "lintian") if not shutil.which(tool)]
    if missing:
        print(f"SKIP: {' and '.join(missing)} missing (scripts/setup.sh --test installs them)")
        return 77
    check = Checks()
    workdir = tempfile.mkdtemp(prefix="tiku-package-")
    try:
        out = os.path.join(workdir, "out")
        made = run([cpack, "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"),
                    "-B", out])
        debs = [os.path.join(out, n) for n in os.listdir(out) if n.endswith(".deb")] \
            if os.path.isdir(out) else []
        if made.returncode != 0 or len(debs) != 1:
            print(made.stdout + made.stderr, file=sys.stderr)
            print("FAIL: cpack made no package", file=sys.stderr)
            return 1
        deb = debs[0]
        check_control(check, deb, version)
        check_files(check, deb)
        check_lintian(check, deb)
        tree = os.path.join(workdir, "tree")
        run(["dpkg-deb", "-x", deb, tree]).check_returncode()
        check_contents(check, tree, version)
        if os.geteuid() == 0:
            check_sandbox(check, deb, version, workdir)
        else:
            print("SKIP dpkg sandbox: installing into it needs root")
        if check.problems:
            for problem in check.problems:
                print("FAIL:", problem, file=sys.stderr)
            return 1
        print("PASS package", os.path.basename(deb))
        return 0
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
