#!/usr/bin/python3
"""End-to-end runs of the built program in a real X display.

    e2e.py SCENARIO TIKU TIKU_BANK

SCENARIO is one of: mock-test, browse, close-boxes, missing-bank, own-bank, named-bank (each on
a copy of TIKU in a fresh folder with banks made by TIKU_BANK), or installed (TIKU as installed,
beside its demo bank); every run with a home of its own. Runs itself inside a D-Bus session
and a runtime folder of its own, which carry the accessibility bus.
Exit status 0 when the run went as expected, 1 with the reason otherwise, 77 when a tool it
needs is missing.
"""

import importlib.util
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
if importlib.util.find_spec("Xlib") and importlib.util.find_spec("pyatspi"):
    import tikudriver
    from tikudriver import Failed, Session, both_banks, numbered

MENU, OPTIONS, TEST, BROWSER = "题库", "测试选项", "模拟测试", "查看题库"

# Controls by their design place in twips: (left, top, width, height).
MENU_BROWSE = (480, 1200, 2175, 495)
MENU_TEST = (480, 2040, 2175, 495)
MENU_EXIT = (480, 2880, 2175, 495)
MENU_CLINICAL = (1440, 720, 1335, 255)
MENU_CLINICAL_MARK = (1440, 720, 180, 255)  # its round mark, where 人文's rectangle overlaps it

OPTIONS_COUNT = (1440, 120, 735, 375)
OPTIONS_SHOW_ANSWER = (1920, 720, 255, 255)
OPTIONS_ALLOW_BACK = (1920, 1320, 255, 375)
OPTIONS_OK = (120, 2040, 975, 375)

TEST_COUNT = (2520, 240, 615, 255)
TEST_NUMBER = (4320, 240, 375, 255)
TEST_QUESTION = (240, 600, 7935, 3615)
TEST_ANSWER_CAPTION = (8400, 480, 975, 255)
TEST_ANSWER = (8520, 960, 615, 390)
TEST_PREVIOUS = (8400, 1560, 975, 375)
TEST_NEXT = (8400, 2280, 975, 375)
TEST_HAND_IN = (8400, 3240, 975, 375)
TEST_BACK = (8400, 3840, 975, 375)
TEST_OPTIONS = [(left, 4560, 255, 180) for left in (2160, 2880, 3600, 4320, 4920)]
TEST_BARE = (6600, 300, 0, 0)  # right of the top line, left of the answer caption

BROWSER_QUESTION = (240, 600, 7935, 3615)
BROWSER_COUNT = (480, 4440, 615, 255)
BROWSER_NUMBER = (2280, 4440, 495, 255)
BROWSER_PREVIOUS = (8400, 2040, 975, 375)
BROWSER_NEXT = (8400, 2640, 975, 375)
BROWSER_LAST = (8400, 3240, 975, 375)
BROWSER_BACK = (8400, 3840, 975, 375)
BROWSER_ANSWER_CAPTION = (8520, 480, 1095, 255)
BROWSER_ANSWER = (8640, 840, 495, 375)


def question_number(text, bank):
    """k of the question text "<bank>第k题…" as the bank files of these tests write it."""
    match = re.match(re.escape(bank) + r"第(\d+)题\n", text or "")
    if not match:
        raise Failed(f"not a question of {bank}: {text!r}")
    return int(match.group(1))


def right_answer(k):
    return "ABCDE"[(k - 1) % 5]


# The frames the screens ask for: the main menu and the test options are ordinary windows, the
# browser and the test screen fixed dialogs with a close button only and no taskbar entry.
ORDINARY = {"fixed": False, "minimize": True, "maximize": True, "close": True, "taskbar": True}
FIXED_DIALOG = {"fixed": True, "minimize": False, "maximize": False, "close": True,
                "taskbar": False}


def check_frame(session, title, expected):
    frame = session.server.frame(session.server.wait_window(title))
    if frame != expected:
        raise Failed(f'the window "{title}" asks for {frame}, expected {expected}')


def wait_exit(session, expected, within=5.0):
    code = session.program.wait_exit(within)
    if code != expected:
        raise Failed(f"exit status {code}, expected {expected}: {session.program.output()}")


def mock_test(session):
    """Main menu, test options (5 questions, answers shown), the test paper answered three
    right and two wrong, the answer shown on hover (and a choice asked for first), hand-in,
    back, exit. Also the frames the three screens ask of a window manager."""
    session.make_bank({"sheet1": numbered(12, "人文"), "sheet2": numbered(12, "临床")})
    session.start()

    check_frame(session, MENU, ORDINARY)
    session.click(MENU, MENU_TEST)
    session.server.wait_window(OPTIONS)
    session.server.wait_no_window(MENU)
    check_frame(session, OPTIONS, ORDINARY)

    session.click(OPTIONS, OPTIONS_COUNT)
    session.input.type("5")
    session.text_at(OPTIONS, OPTIONS_COUNT, lambda t: t == "5", "the typed count")
    session.click(OPTIONS, OPTIONS_SHOW_ANSWER)
    session.control(OPTIONS, OPTIONS_SHOW_ANSWER, lambda c: c["checked"],
                    "查看答案 checked")
    session.click(OPTIONS, OPTIONS_OK)
    session.server.wait_window(TEST)
    session.server.wait_no_window(OPTIONS)

    check_frame(session, TEST, FIXED_DIALOG)
    session.text_at(TEST, TEST_COUNT, lambda t: t == "5", "the question count")
    wait_for_hidden(session, TEST, TEST_PREVIOUS, "push button")  # 允许返回 was left unchecked
    chosen_right = 0
    for number in range(1, 6):
        session.text_at(TEST, TEST_NUMBER, lambda t: t == str(number), "the question number")
        text = session.text_at(TEST, TEST_QUESTION, lambda t: t.startswith("人文第"),
                               "a question of 人文")
        right = right_answer(question_number(text, "人文"))
        # Questions 1, 3 and 5 answered right, 2 and 4 wrong.
        pick = right if number % 2 else "ABCDE"[("ABCDE".index(right) + 1) % 5]
        chosen_right += pick == right
        if number == 2:
            # Over 答案： with no option picked: a request to choose first, on each movement.
            session.point(TEST, TEST_ANSWER_CAPTION)
            session.message(lambda t: t == "请你先选择答案！")
            session.key_message("Return")  # the pointer stays on the label, without moving
            session.no_window_for(MENU, 1.0)
            window = session.server.wait_window(TEST)
            left, top, width, height = TEST_ANSWER_CAPTION
            session.input.move_twips(window, left + width // 2 + 60, top + height // 2)
            session.message(lambda t: t == "请你先选择答案！")
            session.answer_message("OK")
            wait_for_hidden(session, TEST, TEST_ANSWER, "text")
        option = TEST_OPTIONS["ABCDE".index(pick)]
        session.click(TEST, option)
        session.control(TEST, option, lambda c: c["checked"], f"option {pick} selected")
        if number == 1:
            # The answer shows while the pointer rests on 答案： and hides over the bare screen.
            session.point(TEST, TEST_ANSWER_CAPTION)
            session.text_at(TEST, TEST_ANSWER, lambda t: t == right, "the right answer shown")
            session.point(TEST, TEST_BARE)
            wait_for_hidden(session, TEST, TEST_ANSWER, "text")
        if number < 5:
            session.click(TEST, TEST_NEXT)
    session.control(TEST, TEST_NEXT, lambda c: not c["enabled"],
                    "下一题 disabled at the last question")

    session.click(TEST, TEST_HAND_IN)
    percent = chosen_right * 100 // 5
    expected = f"已回答 5道问题，答对 {chosen_right}道。准确率 {percent}%"
    shown = session.message(lambda t: t.startswith("已回答"))
    if shown != expected:
        raise Failed(f"result {shown!r}, expected {expected!r}")
    session.answer_message("OK")
    # The test stays open after the hand-in.
    session.text_at(TEST, TEST_NUMBER, lambda t: t == "5", "the last question still shown")

    session.click(TEST, TEST_BACK)
    session.server.wait_no_window(TEST)
    session.server.wait_window(MENU)
    session.click(MENU, MENU_EXIT)
    wait_exit(session, 0)


def installed(session):
    """The installed program, started through its link in bin, finds the demo bank beside its
    real file and opens it in the browser."""
    session.start()
    session.click(MENU, MENU_BROWSE)
    session.server.wait_window(BROWSER)
    count = session.text_at(BROWSER, BROWSER_COUNT, lambda t: t.isdigit() and int(t) > 0,
                            "the size of the demo bank")
    session.text_at(BROWSER, BROWSER_NUMBER, lambda t: t == "1", "question 1")
    session.text_at(BROWSER, BROWSER_QUESTION, lambda t: bool(t and t.strip()),
                    "the text of question 1")
    print(f"the installed program opened the demo bank: {count} questions of 人文")
    session.server.close(session.server.wait_window(BROWSER))
    session.server.close(session.server.wait_window(MENU))
    wait_exit(session, 0)


def wait_for_hidden(session, title, place, role):
    def hidden():
        control = session.a11y.control_at(title, *place)
        return control is None or control["role"] != role

    tikudriver.wait_for(f"the {role} at {place[:2]} of {title} hidden", hidden)


def browse(session):
    """临床 on the main menu (a click on its round mark), the browser, 下一题 and 最后一题, its
    close box, then the main menu's close box. Also the frames the two screens ask of a window
    manager."""
    session.make_bank({"sheet1": numbered(3, "人文"), "sheet2": numbered(7, "临床")})
    session.start()

    session.click(MENU, MENU_CLINICAL_MARK)
    session.control(MENU, MENU_CLINICAL, lambda c: c["checked"], "临床 selected")
    session.click(MENU, MENU_BROWSE)
    session.server.wait_window(BROWSER)
    session.server.wait_no_window(MENU)

    check_frame(session, BROWSER, FIXED_DIALOG)
    session.text_at(BROWSER, BROWSER_COUNT, lambda t: t == "7", "the bank size")
    session.text_at(BROWSER, BROWSER_NUMBER, lambda t: t == "1", "question 1")
    session.text_at(BROWSER, BROWSER_QUESTION, lambda t: t.startswith("临床第1题\n"),
                    "the text of question 1 of 临床")

    session.click(BROWSER, BROWSER_NEXT)
    session.text_at(BROWSER, BROWSER_NUMBER, lambda t: t == "2", "question 2")
    session.text_at(BROWSER, BROWSER_QUESTION, lambda t: t.startswith("临床第2题\n"),
                    "the text of question 2")
    session.control(BROWSER, BROWSER_PREVIOUS, lambda c: c["enabled"], "上一题 enabled")

    session.click(BROWSER, BROWSER_LAST)
    session.text_at(BROWSER, BROWSER_NUMBER, lambda t: t == "7", "question 7")
    session.text_at(BROWSER, BROWSER_QUESTION, lambda t: t.startswith("临床第7题\n"),
                    "the text of the last question")
    session.control(BROWSER, BROWSER_NEXT, lambda c: not c["enabled"],
                    "下一题 disabled at the last question")

    session.server.close(session.server.wait_window(BROWSER))
    session.server.wait_no_window(BROWSER)
    menu = session.server.wait_window(MENU)
    session.control(MENU, MENU_CLINICAL, lambda c: c["checked"], "临床 still selected")
    if not session.program.running():
        raise Failed("the program ended when the browser was closed")

    session.server.close(menu)
    wait_exit(session, 0)


def close_boxes(session):
    """The close boxes of the test options and of the test screen lead back to the main menu,
    which still holds 临床; the test reads 临床; the exit button then ends the program."""
    session.make_bank({"sheet1": numbered(6, "人文"), "sheet2": numbered(6, "临床")})
    session.start()
    session.click(MENU, MENU_CLINICAL)
    session.control(MENU, MENU_CLINICAL, lambda c: c["checked"], "临床 selected")

    session.click(MENU, MENU_TEST)
    session.server.close(session.server.wait_window(OPTIONS))
    session.server.wait_no_window(OPTIONS)
    session.server.wait_window(MENU)

    session.click(MENU, MENU_TEST)
    session.click(OPTIONS, OPTIONS_COUNT)
    session.input.type("6")
    session.click(OPTIONS, OPTIONS_OK)
    session.text_at(TEST, TEST_QUESTION, lambda t: t.startswith("临床第"), "a question of 临床")
    session.server.close(session.server.wait_window(TEST))
    session.server.wait_no_window(TEST)
    session.server.wait_window(MENU)
    session.control(MENU, MENU_CLINICAL, lambda c: c["checked"], "临床 still selected")
    if not session.program.running():
        raise Failed("the program ended when the test was closed")

    session.click(MENU, MENU_EXIT)
    wait_exit(session, 0)


def missing_bank(session):
    """No dxt.xls beside the program nor in the user's data folder: 查看题库 gives the failure
    report, which names both places, and the program ends with its own failure status once the
    report is dismissed."""
    session.start()
    session.click(MENU, MENU_BROWSE)
    report = session.message(lambda t: t.startswith("程序出错，将要关闭。"))
    print("failure report:", report.replace("\n", " / "))
    for place in (session.user_folder(), session.folder):
        if os.path.join(place, "dxt.xls") not in report:
            raise Failed(f"the failure report does not name {place}/dxt.xls")
    session.answer_message("OK")
    wait_exit(session, 1)


def browse_first(session, count, first):
    """The browser on 人文 shows a bank of count questions whose first question starts so."""
    session.click(MENU, MENU_BROWSE)
    session.server.wait_window(BROWSER)
    session.text_at(BROWSER, BROWSER_COUNT, lambda t: t == str(count), "the bank size")
    session.text_at(BROWSER, BROWSER_QUESTION, lambda t: t.startswith(first),
                    "the text of question 1")
    session.server.close(session.server.wait_window(BROWSER))
    session.server.close(session.server.wait_window(MENU))
    wait_exit(session, 0)


def program_and_own_banks(session):
    """A bank of 3 questions beside the program, and one of 6 in the user's data folder."""
    session.make_bank(both_banks(3, "程序"))
    session.make_bank(both_banks(6, "自己"), session.user_folder())


def own_bank(session):
    """A bank in the user's data folder is the one the browser shows, not the one beside the
    program."""
    program_and_own_banks(session)
    session.start()
    browse_first(session, 6, "自己第1题\n")


def named_bank(session):
    """tiku FILE: that file is the bank, before the user's own and the program's; the toolkit's
    own options before it are the toolkit's."""
    program_and_own_banks(session)
    named = os.path.join(session.folder, "named")
    session.make_bank(both_banks(8, "指定"), named)
    session.start("-style", "Fusion", os.path.join(named, "dxt.xls"))
    browse_first(session, 8, "指定第1题\n")


SCENARIOS = {"mock-test": mock_test, "browse": browse, "close-boxes": close_boxes,
             "missing-bank": missing_bank, "own-bank": own_bank, "named-bank": named_bank,
             "installed": installed}


def missing_tools():
    missing = [tool for tool in ("Xvfb", "xdotool", "dbus-run-session") if not shutil.which(tool)]
    missing += [module for module in ("Xlib", "pyatspi") if not importlib.util.find_spec(module)]
    return missing


def main(argv):
    if len(argv) != 4 or argv[1] not in SCENARIOS:
        print(__doc__, file=sys.stderr)
        return 2
    missing = missing_tools()
    if missing:
        print(f"SKIP: missing {', '.join(missing)} (scripts/setup.sh --test installs them)")
        return SKIPPED
    if os.environ.get("TIKU_E2E_SESSION") != str(os.getpid()):
        # A D-Bus session of the run's own: the accessibility bus starts inside it and ends
        # with it, apart from any desktop session of the user.
        # Nothing of a desktop the tests may be started from: its display, its bus and its
        # accessibility bus stay untouched.
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS",
                            "DBUS_SESSION_BUS_ADDRESS")}
        # A runtime folder of the run's own: the accessibility bus puts its socket at
        # $XDG_RUNTIME_DIR/at-spi/bus (~/.cache/at-spi/bus without it), a path that runs side
        # by side would otherwise share and take from each other.
        runtime = tempfile.mkdtemp(prefix="tiku-e2e-run-")
        env["XDG_RUNTIME_DIR"] = runtime
        try:
            return subprocess.run(["dbus-run-session", "--", "/bin/sh", "-c",
                                   'TIKU_E2E_SESSION=$$ exec "$0" "$@"', sys.executable, *argv],
                                  env=env, check=False).returncode
        finally:
            shutil.rmtree(runtime, ignore_errors=True)
    started = time.monotonic()
    try:
        with Session(argv[2], argv[3], copy=argv[1] != "installed") as session:
            try:
                SCENARIOS[argv[1]](session)
            except Failed:
                print(session.describe(), file=sys.stderr)
                raise
    except Failed as failure:
        print(f"FAIL {argv[1]}: {failure}", file=sys.stderr)
        return 1
    print(f"PASS {argv[1]} ({time.monotonic() - started:.1f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
