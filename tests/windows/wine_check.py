#!/usr/bin/python3
"""The Windows build, unpacked from its zip, run under Wine in an X display of its own.

    wine_check.py ZIP TIKU_BANK DEMO_DIR

ZIP is scripts/windows.sh's tiku-<version>-windows-x64.zip, TIKU_BANK the tool built for this
machine, DEMO_DIR the demo bank's sources. In a fresh folder and a fresh Wine prefix:
tiku-bank.exe's make, check, info and dump agree with TIKU_BANK byte for byte (Windows' C
runtime ends the printed lines with CR LF: the printed text is compared with those made LF);
tiku.exe opens its window 题库, shows the demo bank in the browser and runs a mock test of five
questions, three answered right, to the result message; a bank in %APPDATA%\\tiku is preferred
to the one beside the program, and tiku.exe FILE opens FILE. The program has no accessibility
interface under Wine: what it shows is read through the clipboard (a text box's text with
Ctrl+A Ctrl+C, a message box's with Ctrl+C, which Windows message boxes copy) and the window
titles; the controls are found by their places in the screens' layout tables.

Wine has none of the fonts the screens ask for (宋体, 楷体_GB2312, Comic Sans MS): the
program's own substitutes (the AR PL faces and Comic Neue, which Wine takes from the system)
draw them here.
TIKU_WINDOWS_SCREENSHOTS=DIR saves the four screens and the result message there.

Exit status 0 when all holds, 1 with the reason otherwise, 77 when the zip, Wine or the X tools
are missing.
"""

import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

SKIPPED = 77
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

# Wine's program loader; Debian keeps it off the PATH.
WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"

# The first start in a fresh prefix sets the prefix up, which takes long on a busy machine;
# every later wait is for one step of the program under Wine.
PREFIX_TIMEOUT = 600
STEP_TIMEOUT = 60

def missing_tools():
    missing = [tool for tool in ("Xvfb", "xdotool", "import") if not shutil.which(tool)]
    if not os.access(WINE, os.X_OK):
        missing.append("wine64")
    if importlib.util.find_spec("Xlib") is None:
        missing.append("python3-xlib")
    return missing


if not missing_tools():
    import e2e
    import tikudriver
    from tikudriver import Failed, wait_for
else:
    Failed = AssertionError


class Wine:
    """A Wine prefix of its own in folder, on the X display of server."""

    def __init__(self, folder, server):
        # Wine hands the environment to the Windows programs: none of this machine's Qt
        # settings (QT_QPA_PLATFORM=offscreen of the other tests) may reach them. Wine links the
        # prefix's user folders to the home's: a home of the test's own, and no XDG_ folders.
        self.env = {k: v for k, v in os.environ.items()
                    if not k.startswith(("QT_", "WINE", "XDG_")) and k != "WAYLAND_DISPLAY"}
        self.env.update({
            "HOME": folder,
            "DISPLAY": server.name,
            "WINEPREFIX": os.path.join(folder, "prefix"),
            "WINEDEBUG": "-all",
            # No offer to fetch Mono or Gecko, no menu entries written for the desktop.
            "WINEDLLOVERRIDES": "mscoree=;mshtml=;winemenubuilder.exe=d",
        })

    def run(self, args, cwd, timeout=STEP_TIMEOUT):
        return subprocess.run([WINE, *args], cwd=cwd, env=self.env, capture_output=True,
                              timeout=timeout)

    def setup(self):
        result = self.run(["wineboot", "-i"], tempfile.gettempdir(), PREFIX_TIMEOUT)
        if result.returncode != 0:
            raise Failed(f"wineboot failed: {result.stderr.decode(errors='replace')}")

    def start(self, args, cwd):
        return subprocess.Popen([WINE, *args], cwd=cwd, env=self.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def appdata(self):
        """%APPDATA% of the prefix's user, as a folder of this machine."""
        users = os.path.join(self.env["WINEPREFIX"], "drive_c", "users")
        for user in sorted(os.listdir(users)):
            roaming = os.path.join(users, user, "AppData", "Roaming")
            if user != "Public" and os.path.isdir(roaming):
                return roaming
        raise Failed(f"no user with an AppData\\Roaming folder in {users}")

    def stop(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, capture_output=True, timeout=60)


def clipboard_text(server):
    """The text of the CLIPBOARD selection (Wine offers the Windows clipboard there), or None."""
    from Xlib import X
    from Xlib import display as xdisplay

    d = xdisplay.Display(server.name)
    try:
        window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        target = d.intern_atom("TIKU_CLIPBOARD")
        window.convert_selection(d.intern_atom("CLIPBOARD"), d.intern_atom("UTF8_STRING"),
                                 target, X.CurrentTime)
        d.flush()
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            if not d.pending_events():
                time.sleep(0.05)
                continue
            event = d.next_event()
            if event.type != X.SelectionNotify:
                continue
            if event.property == X.NONE:
                return None
            prop = window.get_full_property(target, X.AnyPropertyType)
            if prop is None:
                return None
            value = prop.value if isinstance(prop.value, bytes) else bytes(prop.value)
            # Wine hands over the whole clipboard block, past the text's terminating NUL.
            return value.split(b"\0", 1)[0].decode("utf-8", "replace").replace("\r\n", "\n")
        return None
    finally:
        d.close()


class Screens:
    """tiku.exe under Wine, driven by real pointer and key input."""

    def __init__(self, server, wine, shots):
        self.server = server
        self.input = tikudriver.Input(server)
        self.wine = wine
        self.shots = shots
        self.last_copied = None

    def window(self, title):
        return self.server.wait_window(title, STEP_TIMEOUT)

    def click(self, title, place):
        self.input.click_control(self.window(title), *place)

    def copy(self, title, place, keys, what):
        """Clicks the control at place, sends keys (which copy its text) and returns the
        clipboard's new text."""
        self.click(title, place)
        return self._copied(keys, what)

    def text_box(self, title, place, what):
        return self.copy(title, place, ("ctrl+a", "ctrl+c"), what)

    def message(self, what):
        """The text of the message box on top (Windows message boxes put title, text and
        buttons on the clipboard on Ctrl+C)."""
        box = self.window(e2e.MENU)
        self.input.move(box, 5, 5)  # onto the box, off its button
        return self._copied(("ctrl+c",), what)

    def _copied(self, keys, what):
        """Sends keys until the clipboard holds a text other than the last one copied, and
        returns it."""

        def attempt():
            self.input.key(*keys)
            text = clipboard_text(self.server)
            return text if text and text != self.last_copied else None

        self.last_copied = wait_for(what, attempt, STEP_TIMEOUT, 0.5)
        return self.last_copied

    def shot(self, title, name):
        if not self.shots:
            return
        window = self.window(title)
        self.input.move_to(1200, 1000)  # no hover highlight
        time.sleep(3)  # Wine paints a new window some time after it maps
        os.makedirs(self.shots, exist_ok=True)
        subprocess.run(["import", "-display", self.server.name, "-window", hex(window.id),
                        os.path.join(self.shots, name + ".png")], check=True, timeout=60)


def read_dump(tiku_bank, bank, sheet):
    """{question text: answer} of a sheet, from `tiku-bank dump` (row, question, answer)."""
    result = subprocess.run([tiku_bank, "dump", bank, "--sheet", sheet], capture_output=True,
                            text=True, timeout=60, check=True)
    answers = {}
    for line in result.stdout.splitlines():
        fields = line.split("\t")
        if len(fields) == 3 and fields[0].isdigit():
            text = fields[1].replace("\\n", "\n").replace("\\t", "\t")
            answers[normalised(text)] = fields[2]
    return answers


def normalised(text):
    return "".join(text.split())


def check_tool(tiku_bank, folder, wine, demo):
    """tiku-bank.exe against the tool of this machine on the demo's sources, in two folders
    holding the same file names."""
    runs = {"linux": [tiku_bank], "windows": [WINE, os.path.join(folder, "tiku-bank.exe")]}
    work = {}
    for system in runs:
        work[system] = os.path.join(folder, "tool-" + system)
        os.makedirs(work[system])
        for name in ("sheet1.tsv", "sheet2.tsv"):
            shutil.copy(os.path.join(demo, name), work[system])
    commands = [
        ["make", "sheet1.tsv", "sheet2.tsv", "-o", "bank.xls"],
        ["check", "bank.xls"],
        ["info", "bank.xls"],
        ["info", "bank.xls", "--json"],
        ["dump", "bank.xls", "--sheet", "sheet2"],
        ["make", "sheet1.tsv", "-o", "sheet1.tsv"],  # refused: the input as output
        ["dump", "missing.xls", "--sheet", "sheet1"],  # a file that is not there
    ]
    crlf = False
    for args in commands:
        results = {}
        for system, program in runs.items():
            result = subprocess.run(program + args, cwd=work[system], capture_output=True,
                                    env=wine.env if system == "windows" else None,
                                    timeout=STEP_TIMEOUT)
            out, err = result.stdout, result.stderr
            # A message may name the working folder, which differs (and is Z:/… under Wine).
            where = work[system].encode()
            if system == "windows":
                crlf = crlf or b"\r\n" in out + err
                out, err = out.replace(b"\r\n", b"\n"), err.replace(b"\r\n", b"\n")
                where = b"Z:" + where
            out, err = out.replace(where, b"<folder>"), err.replace(where, b"<folder>")
            results[system] = (result.returncode, out, err)
        if results["linux"] != results["windows"]:
            raise Failed(f"tiku-bank {' '.join(args)}: Linux gave {results['linux']!r}, "
                         f"Windows {results['windows']!r}")
    made = [open(os.path.join(work[s], "bank.xls"), "rb").read() for s in runs]
    if made[0] != made[1]:
        raise Failed(f"the banks made differ ({len(made[0])} and {len(made[1])} bytes)")
    print(f"tiku-bank.exe agrees with tiku-bank on {len(commands)} calls and the bank made "
          f"({len(made[0])} bytes); printed line ends CR LF: {crlf}")


def check_program(screens, folder, answers):
    """The menu, the browser on the demo bank and back, a mock test of five questions with
    three answered right, its result, and the exit."""
    wine, server = screens.wine, screens.server
    program = wine.start([os.path.join(folder, "tiku.exe")], folder)
    screens.window(e2e.MENU)
    screens.shot(e2e.MENU, "form1-menu")

    screens.click(e2e.MENU, e2e.MENU_BROWSE)
    server.wait_no_window(e2e.MENU, STEP_TIMEOUT)
    screens.window(e2e.BROWSER)
    screens.shot(e2e.BROWSER, "form3-browser")
    first = screens.text_box(e2e.BROWSER, e2e.BROWSER_QUESTION, "question 1 copied")
    screens.click(e2e.BROWSER, e2e.BROWSER_NEXT)
    second = screens.text_box(e2e.BROWSER, e2e.BROWSER_QUESTION, "question 2 copied")
    shown = [q for q in (first, second) if normalised(q) in answers]
    if len(shown) != 2:
        raise Failed(f"the browser shows questions not in sheet1 of the bank: {first!r}, "
                     f"{second!r}")
    screens.click(e2e.BROWSER, e2e.BROWSER_BACK)
    server.wait_no_window(e2e.BROWSER, STEP_TIMEOUT)

    screens.click(e2e.MENU, e2e.MENU_TEST)
    screens.window(e2e.OPTIONS)
    screens.click(e2e.OPTIONS, e2e.OPTIONS_COUNT)
    screens.input.type("5")
    screens.shot(e2e.OPTIONS, "form2-options")
    screens.click(e2e.OPTIONS, e2e.OPTIONS_OK)
    screens.window(e2e.TEST)
    screens.shot(e2e.TEST, "form4-test")
    right = 0
    for number in range(1, 6):
        text = screens.text_box(e2e.TEST, e2e.TEST_QUESTION, f"question {number} copied")
        answer = answers.get(normalised(text))
        if answer is None or answer not in "ABCDE" or len(answer) != 1:
            raise Failed(f"question {number} is not a question of sheet1: {text!r}")
        # Questions 1, 3 and 5 answered right, 2 and 4 wrong.
        pick = answer if number % 2 else "ABCDE"[("ABCDE".index(answer) + 1) % 5]
        right += pick == answer
        screens.click(e2e.TEST, e2e.TEST_OPTIONS["ABCDE".index(pick)])
        if number < 5:
            screens.click(e2e.TEST, e2e.TEST_NEXT)
    screens.click(e2e.TEST, e2e.TEST_HAND_IN)
    screens.shot(e2e.MENU, "message-result")
    result = screens.message("the result message copied")
    expected = f"已回答 5道问题，答对 {right}道。准确率 {right * 100 // 5}%"
    if expected not in result.splitlines():
        raise Failed(f"result message {result!r}, expected {expected!r}")
    screens.input.key("Return")
    server.wait_no_window(e2e.MENU, STEP_TIMEOUT)
    screens.click(e2e.TEST, e2e.TEST_BACK)
    server.wait_no_window(e2e.TEST, STEP_TIMEOUT)
    screens.click(e2e.MENU, e2e.MENU_EXIT)
    try:
        code = program.wait(STEP_TIMEOUT)
    except subprocess.TimeoutExpired:
        raise Failed("tiku.exe still runs after 退出") from None
    if code != 0:
        raise Failed(f"tiku.exe ended with status {code}")
    print(f"tiku.exe: menu, browser, a mock test handed in: {expected}")


def windows_path(path):
    """A path of this machine as Wine's programs see it: drive Z: is the root folder."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def check_bank_choice(screens, folder, tiku_bank):
    """A bank in %APPDATA%\\tiku is the one the browser shows, not the one beside the program;
    tiku.exe FILE shows FILE, before both."""
    own = os.path.join(screens.wine.appdata(), "tiku")
    named = os.path.join(os.path.dirname(folder), "named")
    for where, prefix, count in ((own, "自己", 6), (named, "指定", 8)):
        os.makedirs(where)
        tikudriver.make_bank(tiku_bank, where, tikudriver.both_banks(count, prefix))
    runs = (([], "自己第1题\n", "%APPDATA%\\tiku\\dxt.xls"),
            ([windows_path(os.path.join(named, "dxt.xls"))], "指定第1题\n", "tiku.exe FILE"))
    for args, first, what in runs:
        program = screens.wine.start([os.path.join(folder, "tiku.exe"), *args], folder)
        screens.click(e2e.MENU, e2e.MENU_BROWSE)
        text = screens.text_box(e2e.BROWSER, e2e.BROWSER_QUESTION, f"question 1 of {what}")
        if not text.startswith(first):
            raise Failed(f"{what}: the browser shows {text!r}, expected {first!r}...")
        screens.click(e2e.BROWSER, e2e.BROWSER_BACK)
        screens.server.wait_no_window(e2e.BROWSER, STEP_TIMEOUT)
        screens.click(e2e.MENU, e2e.MENU_EXIT)
        if program.wait(STEP_TIMEOUT) != 0:
            raise Failed(f"{what}: tiku.exe ended with status {program.returncode}")
        print(f"tiku.exe opened {what}")


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    zip_path, tiku_bank, demo = argv[1:]
    if not os.path.isfile(zip_path):
        print(f"SKIP: no Windows build at {zip_path} (scripts/windows.sh makes it)")
        return SKIPPED
    missing = missing_tools()
    if missing:
        print(f"SKIP: missing {', '.join(missing)} (apt-get install wine64 xvfb xdotool "
              "imagemagick python3-xlib)")
        return SKIPPED
    started = time.monotonic()
    shots = os.environ.get("TIKU_WINDOWS_SCREENSHOTS")
    shots = os.path.abspath(shots) if shots else None
    folder = tempfile.mkdtemp(prefix="tiku-wine-")
    server = wine = None
    try:
        with zipfile.ZipFile(zip_path) as z:
            top = {name.split("/", 1)[0] for name in z.namelist()}
            if len(top) != 1:
                raise Failed(f"the zip holds more than one folder: {sorted(top)}")
            z.extractall(folder)
        program_dir = os.path.join(folder, top.pop())
        for name in ("tiku.exe", "tiku-bank.exe", "dxt.xls", "README-bank.txt",
                     "platforms/qwindows.dll"):
            if not os.path.isfile(os.path.join(program_dir, name)):
                raise Failed(f"the zip has no {name}")
        server = tikudriver.XServer()
        wine = Wine(folder, server)
        wine.setup()
        print(f"Wine prefix ready after {time.monotonic() - started:.0f} s")
        check_tool(tiku_bank, program_dir, wine, demo)
        answers = read_dump(tiku_bank, os.path.join(program_dir, "dxt.xls"), "sheet1")
        screens = Screens(server, wine, shots)
        check_program(screens, program_dir, answers)
        check_bank_choice(screens, program_dir, tiku_bank)
    except (Failed, subprocess.TimeoutExpired) as failure:
        if server is not None:
            print(f"visible windows: {server.titles()}", file=sys.stderr)
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    finally:
        if wine is not None:
            wine.stop()
        if server is not None:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)
    print(f"PASS ({time.monotonic() - started:.0f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
