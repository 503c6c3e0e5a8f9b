#!/usr/bin/env bash
# Renders the four screens and the messages of a mock test in a real X display (Xvfb) and
# saves them as docs/screenshots/*.png: the program runs on the demo bank and is driven by
# real pointer and key input, as in the end-to-end tests.
#
#   scripts/screenshots.sh [BUILD_DIR]     (default build/release; built here when needed)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test
build=${1:-build/release}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target tiku tiku-bank demo_bank
mkdir -p docs/screenshots

# A runtime folder of its own keeps the accessibility bus's socket apart from test runs.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY -u AT_SPI_BUS_ADDRESS -u DBUS_SESSION_BUS_ADDRESS \
    XDG_RUNTIME_DIR="$runtime" dbus-run-session -- /usr/bin/python3 - "$build/bin" docs/screenshots <<'EOF'
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.getcwd(), "tests", "e2e"))
import e2e
from tikudriver import Session, wait_for

bin_dir, out_dir = sys.argv[1], sys.argv[2]


def shot(session, title, name):
    """The client area of the topmost window with this title, as out_dir/name.png."""
    window = session.server.wait_window(title)
    session.input.move_to(1200, 1000)  # no hover highlight
    path = os.path.join(out_dir, name + ".png")
    subprocess.run(["import", "-display", session.server.name, "-window", hex(window.id),
                    path], check=True, timeout=30)
    print("wrote", path)


with Session(os.path.join(bin_dir, "tiku"), os.path.join(bin_dir, "tiku-bank"),
             timeout=120) as s:
    shutil.copy2(os.path.join(bin_dir, "dxt.xls"), s.folder)
    s.start()
    s.control(e2e.MENU, e2e.MENU_EXIT, lambda c: True, "the main menu")
    shot(s, e2e.MENU, "form1-menu")

    # The browser on 临床, at question 2 with its answer shown.
    s.click(e2e.MENU, e2e.MENU_CLINICAL)
    s.click(e2e.MENU, e2e.MENU_BROWSE)
    s.text_at(e2e.BROWSER, e2e.BROWSER_NUMBER, lambda t: t == "1", "question 1")
    s.click(e2e.BROWSER, e2e.BROWSER_NEXT)
    s.text_at(e2e.BROWSER, e2e.BROWSER_NUMBER, lambda t: t == "2", "question 2")
    s.point(e2e.BROWSER, e2e.BROWSER_ANSWER_CAPTION)
    s.control(e2e.BROWSER, e2e.BROWSER_ANSWER, lambda c: c["role"] == "text", "the answer")
    window = s.server.wait_window(e2e.BROWSER)
    subprocess.run(["import", "-display", s.server.name, "-window", hex(window.id),
                    os.path.join(out_dir, "form3-browser.png")], check=True, timeout=30)
    print("wrote", os.path.join(out_dir, "form3-browser.png"))
    s.click(e2e.BROWSER, e2e.BROWSER_BACK)
    s.server.wait_window(e2e.MENU)

    # The test options, filled in: 10 questions, answers shown, going back allowed.
    s.click(e2e.MENU, e2e.MENU_TEST)
    s.click(e2e.OPTIONS, e2e.OPTIONS_COUNT)
    s.input.type("10")
    s.click(e2e.OPTIONS, e2e.OPTIONS_SHOW_ANSWER)
    s.click(e2e.OPTIONS, e2e.OPTIONS_ALLOW_BACK)
    s.control(e2e.OPTIONS, e2e.OPTIONS_ALLOW_BACK, lambda c: c["checked"], "允许返回 checked")
    shot(s, e2e.OPTIONS, "form2-options")
    s.click(e2e.OPTIONS, e2e.OPTIONS_OK)

    # The test at question 2, option C picked, the answer shown.
    s.text_at(e2e.TEST, e2e.TEST_NUMBER, lambda t: t == "1", "question 1")
    s.click(e2e.TEST, e2e.TEST_OPTIONS[1])
    s.click(e2e.TEST, e2e.TEST_NEXT)
    s.text_at(e2e.TEST, e2e.TEST_NUMBER, lambda t: t == "2", "question 2")
    s.click(e2e.TEST, e2e.TEST_OPTIONS[2])
    s.point(e2e.TEST, e2e.TEST_ANSWER_CAPTION)
    s.control(e2e.TEST, e2e.TEST_ANSWER, lambda c: c["role"] == "text", "the answer")
    window = s.server.wait_window(e2e.TEST)
    subprocess.run(["import", "-display", s.server.name, "-window", hex(window.id),
                    os.path.join(out_dir, "form4-test.png")], check=True, timeout=30)
    print("wrote", os.path.join(out_dir, "form4-test.png"))

    # Hand-in before the last question: the confirmation, then the result.
    s.click(e2e.TEST, e2e.TEST_HAND_IN)
    s.message(lambda t: t.startswith("题目尚未答完"))
    shot(s, e2e.MENU, "message-confirm")
    s.answer_message("Yes")
    s.message(lambda t: t.startswith("已回答"))
    shot(s, e2e.MENU, "message-result")
    s.answer_message("OK")
    s.click(e2e.TEST, e2e.TEST_BACK)
    s.click(e2e.MENU, e2e.MENU_EXIT)
    s.program.wait_exit()
EOF
