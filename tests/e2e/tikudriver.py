"""Drives the built program in a real X display, as a person at the keyboard and mouse would.

An Xvfb server of its own (no window manager), the program started in a fresh folder beside its
question bank, real pointer and key input through xdotool (XTEST), windows found by their titles,
and what the program shows read back from the program itself through its accessibility interface
(AT-SPI). Every wait is bounded; the program and the X server are killed when a session ends.

Run inside its own D-Bus session (dbus-run-session), which carries the accessibility bus.
"""

import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

from Xlib import X
from Xlib import display as xdisplay
from Xlib.protocol import event as xevent

# Twips per pixel on the screens' layout tables.
TWIPS_PER_PIXEL = 15

# Longest wait for anything the program does in answer to one input.
STEP_TIMEOUT = 10.0


class Failed(AssertionError):
    pass


def px(twips):
    return twips // TWIPS_PER_PIXEL


def wait_for(what, condition, timeout=STEP_TIMEOUT, interval=0.05):
    """Polls condition() until it gives a true value, which it returns; fails after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failed(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


class XServer:
    """An Xvfb server on a display number it picks itself (safe with tests run in parallel)."""

    def __init__(self, width=1280, height=1024):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + STEP_TIMEOUT
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            ready, _, _ = select.select([read_end], [], [], max(left, 0))
            if not ready:
                self.stop()
                raise Failed("Xvfb did not report its display number")
            chunk = os.read(read_end, 16)
            if not chunk:
                self.stop()
                raise Failed("Xvfb ended before it reported its display number")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.display = xdisplay.Display(self.name)
        self.root = self.display.screen().root
        self._atoms = {}

    def atom(self, name):
        if name not in self._atoms:
            self._atoms[name] = self.display.intern_atom(name)
        return self._atoms[name]

    def stop(self):
        if getattr(self, "display", None) is not None:
            try:
                self.display.close()
            except Exception:  # the server may be gone already
                pass
            self.display = None
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()

    # Windows. With no window manager, every top-level window is a child of the root window.

    def title(self, window):
        prop = window.get_full_property(self.atom("_NET_WM_NAME"), self.atom("UTF8_STRING"))
        if prop is not None:
            value = prop.value
            return value.decode("utf-8") if isinstance(value, bytes) else str(value)
        name = window.get_wm_name()
        return name if isinstance(name, str) else ""

    def visible_windows(self):
        """(title, window) of every mapped top-level window, bottom of the stack first."""
        found = []
        for window in self.root.query_tree().children:
            try:
                if window.get_attributes().map_state != X.IsViewable:
                    continue
                found.append((self.title(window), window))
            except Exception:  # a window that went away while we looked
                continue
        return found

    def titles(self):
        return [title for title, _ in self.visible_windows()]

    def find(self, title):
        """The topmost visible window with exactly this title, or None."""
        for name, window in reversed(self.visible_windows()):
            if name == title:
                return window
        return None

    def wait_window(self, title, timeout=STEP_TIMEOUT):
        return wait_for(f'a window titled "{title}" (visible: {self.titles()})',
                        lambda: self.find(title), timeout)

    def wait_no_window(self, title, timeout=STEP_TIMEOUT):
        wait_for(f'the window "{title}" to go away', lambda: self.find(title) is None, timeout)

    def geometry(self, window):
        """(x, y, width, height) of the window's client area on the screen."""
        g = window.get_geometry()
        origin = self.root.translate_coords(window, 0, 0)
        return origin.x, origin.y, g.width, g.height

    def frame(self, window):
        """What the window asks of a window manager: fixed (its size cannot change), minimize,
        maximize and close (the Motif functions it allows), and taskbar (False for a window
        kept off the taskbar: transient for another, or skipping it)."""
        hints = window.get_wm_normal_hints()
        _, _, width, height = self.geometry(window)
        fixed = (hints is not None and hints.flags & 0x30 == 0x30 and
                 (hints.min_width, hints.min_height) == (width, height) ==
                 (hints.max_width, hints.max_height))
        motif = window.get_full_property(self.atom("_MOTIF_WM_HINTS"), X.AnyPropertyType)
        functions = 0x3F  # all, where the window says nothing
        if motif is not None and len(motif.value) >= 2 and motif.value[0] & 1:
            functions = motif.value[1]
            if functions & 1:  # "all but the ones named"
                functions = 0x3E & ~functions
        state = window.get_full_property(self.atom("_NET_WM_STATE"), X.AnyPropertyType)
        skips = state is not None and self.atom("_NET_WM_STATE_SKIP_TASKBAR") in state.value
        transient = window.get_full_property(self.atom("WM_TRANSIENT_FOR"), X.AnyPropertyType)
        return {"fixed": bool(fixed), "minimize": bool(functions & 8),
                "maximize": bool(functions & 16), "close": bool(functions & 32),
                "taskbar": not skips and transient is None}

    def close(self, window):
        """What a window manager does when the user clicks the window's close box: the
        WM_DELETE_WINDOW message of the ICCCM, sent to the window's owner."""
        protocols = window.get_full_property(self.atom("WM_PROTOCOLS"), X.AnyPropertyType)
        if protocols is None or self.atom("WM_DELETE_WINDOW") not in protocols.value:
            raise Failed("the window does not take WM_DELETE_WINDOW")
        message = xevent.ClientMessage(
            window=window, client_type=self.atom("WM_PROTOCOLS"),
            data=(32, [self.atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        window.send_event(message, event_mask=X.NoEventMask)
        self.display.flush()


class Input:
    """Real pointer and key input through xdotool (the XTEST extension)."""

    def __init__(self, server):
        self.server = server
        self.env = dict(os.environ, DISPLAY=server.name)

    def xdotool(self, *args):
        command = ["xdotool", *map(str, args)]
        try:
            subprocess.run(command, env=self.env, check=True, timeout=STEP_TIMEOUT,
                           stdout=subprocess.DEVNULL)
        except subprocess.TimeoutExpired:
            raise Failed(f"{' '.join(command)} did not finish") from None
        except subprocess.CalledProcessError as error:
            raise Failed(f"{' '.join(command)} failed with status {error.returncode}") from None

    def pointer(self):
        position = self.server.root.query_pointer()
        return position.root_x, position.root_y

    def move_to(self, x, y):
        """Moves the pointer to (x, y) of the screen and waits until it is there (xdotool's
        --sync would wait for ever for a move to where the pointer already is)."""
        if self.pointer() != (x, y):
            self.xdotool("mousemove", "--sync", x, y)

    def move(self, window, x, y):
        """Moves the pointer to (x, y) pixels of the window's client area."""
        left, top, _, _ = self.server.geometry(window)
        self.move_to(left + x, top + y)

    def move_twips(self, window, left, top):
        self.move(window, px(left), px(top))

    def click_control(self, window, left, top, width, height):
        """A left click in the middle of a control placed at these twips."""
        self.move(window, px(left + width // 2), px(top + height // 2))
        self.xdotool("click", "1")

    def type(self, text):
        self.xdotool("type", "--delay", "20", text)

    def key(self, *keys):
        self.xdotool("key", *keys)


class Accessibility:
    """What the program shows, read from the program through AT-SPI."""

    def __init__(self, pid, server):
        import pyatspi  # needs the session bus: imported only once a session runs

        self.pyatspi = pyatspi
        self.pid = pid
        self.server = server

    def application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.pid:
                    return app
            except Exception:
                continue
        return None

    def _walk(self, node, depth=0):
        if node is None or depth > 12:
            return
        yield node
        try:
            count = min(node.childCount, 200)
        except Exception:
            return
        for i in range(count):
            try:
                child = node.getChildAtIndex(i)
            except Exception:
                continue
            yield from self._walk(child, depth + 1)

    def windows(self):
        app = self.application()
        if app is None:
            return []
        return [app.getChildAtIndex(i) for i in range(min(app.childCount, 50))]

    def showing_windows(self, title):
        found = []
        for window in self.windows():
            try:
                if window is None or window.name != title:
                    continue
                if window.getState().contains(self.pyatspi.STATE_SHOWING):
                    found.append(window)
            except Exception:
                continue
        return found

    def controls(self, title):
        """The showing controls of the topmost showing window with this title: dicts of role,
        name, text, enabled, and rect (x, y, width, height in pixels of the window)."""
        x_window = self.server.find(title)
        if x_window is None:
            return []
        left, top, width, height = self.server.geometry(x_window)
        window = None
        for candidate in self.showing_windows(title):
            try:
                e = candidate.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
            except Exception:
                continue
            if (e.x, e.y, e.width, e.height) == (left, top, width, height):
                window = candidate  # the one on top, by its place on the screen
        if window is None:
            return []
        result = []
        for node in self._walk(window):
            if node is window:
                continue
            try:
                state = node.getState()
                if not state.contains(self.pyatspi.STATE_SHOWING):
                    continue
                # Screen coordinates: the window-relative ones are not those of the client area.
                extents = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
                text = None
                try:
                    text_interface = node.queryText()
                    text = text_interface.getText(0, text_interface.characterCount)
                except NotImplementedError:
                    pass
                result.append({
                    "role": node.getRoleName(),
                    "name": node.name or "",
                    "text": text,
                    "enabled": state.contains(self.pyatspi.STATE_ENABLED),
                    "checked": state.contains(self.pyatspi.STATE_CHECKED),
                    "rect": (extents.x - left, extents.y - top, extents.width, extents.height),
                    "centre": (extents.x + extents.width // 2, extents.y + extents.height // 2),
                })
            except Exception:
                continue
        return result

    def control_at(self, title, left, top, width, height):
        """The control placed at these twips of the window: the smallest one that holds the
        middle of that rectangle (the toolkit may fit a control to what it draws), or None."""
        x, y = px(left + width // 2), px(top + height // 2)
        best = None
        for control in self.controls(title):
            if control["role"] in ("filler", "scroll bar", "panel"):
                continue  # the parts inside a text box
            cx, cy, cw, ch = control["rect"]
            if cx <= x < cx + cw and cy <= y < cy + ch:
                if best is None or cw * ch < best["rect"][2] * best["rect"][3]:
                    best = control
        return best

    def window_texts(self, title):
        """The names of the labels and texts of each showing window with this title."""
        found = []
        for window in self.showing_windows(title):
            texts = []
            for node in self._walk(window):
                try:
                    role = node.getRole()
                except Exception:
                    continue
                if role in (self.pyatspi.ROLE_LABEL, self.pyatspi.ROLE_STATIC,
                            self.pyatspi.ROLE_TEXT) and node.name:
                    texts.append(node.name)
            found.append(texts)
        return found

    def wait_message(self, expect, timeout=STEP_TIMEOUT):
        """Waits for a message box (titled with the program's title) whose text satisfies
        expect(text); returns the text."""
        seen = []

        def check():
            for texts in self.window_texts("题库"):
                for text in texts:
                    seen.append(text)
                    if expect(text):
                        return text
            return None

        try:
            return wait_for("a message box with the expected text", check, timeout, 0.2)
        except Failed as failure:
            recent = sorted(set(seen))[:10]
            raise Failed(f"{failure}; texts seen: {recent}") from None


class Program:
    """The program in a fresh folder of its own, beside the bank the test puts there."""

    def __init__(self, tiku, folder, copy=True):
        self.folder = folder
        self.binary = tiku
        if copy:
            self.binary = os.path.join(folder, "tiku")
            shutil.copy2(tiku, self.binary)
        # A home of its own: the user's data folder, where a user's own bank lies, is never a
        # real user's.
        self.home = os.path.join(folder, "home")
        self.data_home = os.path.join(self.home, ".local", "share")
        os.makedirs(self.data_home)
        self.proc = None

    def start(self, server, args=()):
        env = dict(os.environ)
        env.update({
            "HOME": self.home,
            "XDG_DATA_HOME": self.data_home,
            "DISPLAY": server.name,
            "QT_QPA_PLATFORM": "xcb",
            "QT_ACCESSIBILITY": "1",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "LANG": "C.UTF-8",
            "XDG_RUNTIME_DIR": self.folder,
        })
        env.pop("WAYLAND_DISPLAY", None)
        self.proc = subprocess.Popen([self.binary, *args], cwd=tempfile.gettempdir(), env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        return self.proc.pid

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=STEP_TIMEOUT):
        """The exit status of a program that ends by itself; fails if it is killed by a
        signal or still runs after the timeout."""
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failed(f"the program still runs {timeout:g} s later") from None
        if code < 0:
            raise Failed(f"the program was ended by signal {-code}: {self.output()}")
        return code

    def output(self):
        if self.proc is None or self.proc.stdout is None or self.proc.poll() is None:
            return ""
        return self.proc.stdout.read().decode("utf-8", "replace").strip()

    def kill(self):
        if self.running():
            self.proc.kill()
            self.proc.wait()


def make_bank(tiku_bank, folder, sheets):
    """Writes dxt.xls into folder (made if need be) with `tiku-bank make`, one text table per
    worksheet: sheets maps a sheet name to a list of (question, answer) pairs."""
    os.makedirs(folder, exist_ok=True)
    sources = tempfile.mkdtemp(prefix="bank-src-")
    try:
        inputs = []
        for name, questions in sheets.items():
            path = os.path.join(sources, name + ".tsv")
            with open(path, "w", encoding="utf-8") as out:
                for number, (question, answer) in enumerate(questions, 1):
                    out.write(f"{number}\t{question}\t{answer}\n")
            inputs.append(path)
        # Banks as the test gives them, short ones too: written with --force.
        result = subprocess.run([tiku_bank, "make", *inputs, "-o",
                                 os.path.join(folder, "dxt.xls"), "--force"],
                                capture_output=True, timeout=60)
        if result.returncode != 0:
            raise Failed("tiku-bank make failed: " +
                         result.stderr.decode("utf-8", "replace"))
    finally:
        shutil.rmtree(sources, ignore_errors=True)


def numbered(count, prefix):
    """count questions "<prefix> question k" with five options each; answers cycle A to E."""
    return [(f"{prefix}第{k}题\\nA. 甲\\nB. 乙\\nC. 丙\\nD. 丁\\nE. 戊", "ABCDE"[(k - 1) % 5])
            for k in range(1, count + 1)]


def both_banks(count, prefix):
    """The same numbered questions in both banks' sheets."""
    questions = numbered(count, prefix)
    return {"sheet1": questions, "sheet2": questions}


class Session:
    """One X server, one program folder and, once started, the program: use with `with`."""

    def __init__(self, tiku, tiku_bank, timeout=90, copy=True):
        """copy: run a copy of the program in the session's fresh folder (else the program
        where it lies, beside its own bank)."""
        self.tiku = tiku
        self.tiku_bank = tiku_bank
        self.timeout = timeout
        self.copy = copy

    def __enter__(self):
        # A last guard so that no test can hang: the whole session is bounded.
        signal.signal(signal.SIGALRM, self._expired)
        signal.alarm(self.timeout)
        self.folder = tempfile.mkdtemp(prefix="tiku-e2e-")
        os.chmod(self.folder, 0o700)  # also the program's runtime folder
        self.server = XServer()
        self.input = Input(self.server)
        self.program = Program(self.tiku, self.folder, self.copy)
        self.a11y = None
        return self

    def _expired(self, *_):
        raise Failed(f"the test ran longer than {self.timeout} s")

    def make_bank(self, sheets, folder=None):
        """dxt.xls in folder, by default beside the program."""
        make_bank(self.tiku_bank, folder or self.folder, sheets)

    def user_folder(self):
        """The user's data folder for the program, where the user's own bank lies."""
        return os.path.join(self.program.data_home, "tiku")

    def start(self, *args):
        pid = self.program.start(self.server, args)
        self.a11y = Accessibility(pid, self.server)
        return self.server.wait_window("题库")

    # Reading the screens and acting on them.

    def control(self, title, place, check=lambda control: True, what="the control"):
        """Waits until the control placed at these twips (left, top, width, height) of the
        window titled so is shown and check(control) holds; returns the control."""
        last = {}

        def probe():
            control = self.a11y.control_at(title, *place)
            last["seen"] = control
            return control if control is not None and check(control) else None

        try:
            return wait_for(f'{what} at {place[:2]} of "{title}"', probe)
        except Failed as failure:
            raise Failed(f"{failure}; last seen: {last.get('seen')}") from None

    def text_at(self, title, place, expect, what="the text"):
        """Waits until the label (caption) or text box (text) at these twips shows text for
        which expect(text) holds; returns the text."""
        shown = lambda c: c["text"] if c["role"] == "text" else c["name"]
        return shown(self.control(title, place, lambda c: expect(shown(c)), what))

    def click(self, title, place):
        """A real click in the middle of the control placed at these twips."""
        window = self.server.wait_window(title)
        self.input.click_control(window, *place)

    def point(self, title, place):
        """The pointer moved onto the middle of the control placed at these twips."""
        window = self.server.wait_window(title)
        left, top, width, height = place
        self.input.move_twips(window, left + width // 2, top + height // 2)

    def message(self, expect):
        """Waits for the program's message box with a text for which expect(text) holds."""
        return self.a11y.wait_message(expect)

    def answer_message(self, button="OK"):
        """Clicks a button of the message box on top, found by its caption, and waits for the
        box to go."""
        # The caption as the toolkit writes it, in English or in Chinese.
        captions = {"OK": ("OK", "确定"), "Yes": ("Yes", "是", "是(Y)"), "No": ("No", "否", "否(N)")}
        names = captions.get(button, (button,))

        def find():
            for control in self.a11y.controls("题库"):
                if control["role"] == "push button" and control["name"] in names:
                    return control
            return None

        control = wait_for(f'the button "{button}" of the message box', find)
        box = self.server.find("题库")
        self.input.move_to(*control["centre"])
        self.input.xdotool("click", "1")
        wait_for("the message box to go",
                 lambda: all(w.id != box.id for _, w in self.server.visible_windows()))

    def key_message(self, key):
        """Answers the message box on top with a key (the pointer stays where it is) and waits
        for the box to go."""
        box = self.server.wait_window("题库")
        self.input.key(key)
        wait_for("the message box to go",
                 lambda: all(w.id != box.id for _, w in self.server.visible_windows()))

    def no_window_for(self, title, seconds):
        """Fails if a window with this title shows up within the next seconds."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.server.find(title) is not None:
                raise Failed(f'a window "{title}" showed up unasked')
            time.sleep(0.05)

    def describe(self):
        """What the screen shows now, for a failure report."""
        lines = [f"visible windows: {self.server.titles()}"]
        if self.a11y is not None:
            for title in dict.fromkeys(self.server.titles()):
                for c in self.a11y.controls(title):
                    shown = c["text"] if c["role"] == "text" else c["name"]
                    rect = c["rect"]
                    twips = (rect[0] * TWIPS_PER_PIXEL, rect[1] * TWIPS_PER_PIXEL)
                    lines.append(f"  {title}: {c['role']} {shown!r} at px {rect} twips {twips}"
                                 f"{'' if c['enabled'] else ' disabled'}"
                                 f"{' checked' if c['checked'] else ''}")
        return "\n".join(lines)

    def __exit__(self, *exc):
        signal.alarm(0)
        self.program.kill()
        self.server.stop()
        shutil.rmtree(self.folder, ignore_errors=True)
        return False
