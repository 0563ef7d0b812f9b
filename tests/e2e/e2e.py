"""Drives the staged Wordaroo program from outside, as a user would.

Every run gets its own X server (Xvfb on a free display), its own session D-Bus
with the accessibility bus, a fresh temporary copy of the program folder and the
real program binary. Keys and clicks are sent with xdotool; what the user sees is
read back from window titles (xdotool) and from the accessibility tree (AT-SPI),
so the checks are the ones a person at the screen could make.

Run a journey file under `dbus-run-session -- /usr/bin/python3 FILE` (CTest does).
"""

import math
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import wave

TIMEOUT = 10.0  # seconds to wait for anything the program should do
POLL = 0.05

# Prompts the program plays while it blocks (start prompt, "wrong spelling"...) are
# replaced by short tones in the copy a journey runs, so waiting plays take 0.3 s
# and a journey stays quick. Word recordings and the splash stay as staged.
PROMPTS = [
    "Welcome", "helloprof", "logindir", "learnwords", "starttest", "noword", "finishtest",
    "dirtest", "resultsdir", "whoopie", "pretty_good", "keep_trying", "brrrr", "spellwrong",
    "reviewcomplete", "studytime", "arcadedir", "raindir", "scrambledir", "figureout",
    "Correct", "great", "wordis",
]


class JourneyError(AssertionError):
    pass


def die_with_parent():
    """Asks the kernel to end this process when its parent goes (PR_SET_PDEATHSIG), so
    nothing a journey started outlives a test runner that killed it."""
    try:
        import ctypes
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)
    except Exception:
        pass


def say(text):
    print(text, flush=True)


def check(condition, what):
    """Asserts one observable fact and prints it when it holds."""
    if not condition:
        raise JourneyError("FAILED: " + what)
    say("  ok: " + what)


def wait_until(fn, what, timeout=TIMEOUT):
    """Polls fn() until it returns something truthy; fails with `what` after timeout."""
    end = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = fn()
            if value:
                return value
        except Exception as e:  # the tree may change under us while we look
            last_error = e
        if time.monotonic() > end:
            extra = f" (last error: {last_error})" if last_error else ""
            raise JourneyError(f"FAILED: timed out after {timeout:.0f} s waiting for {what}{extra}")
        time.sleep(POLL)


def write_tone(path, seconds=0.3, freq=660.0, rate=22050, amplitude=0.4):
    """A 16-bit mono sine tone wave file."""
    frames = int(seconds * rate)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(
            struct.pack("<h", int(amplitude * 32767 * math.sin(2 * math.pi * freq * i / rate)))
            for i in range(frames)))


def wave_stats(path):
    """(seconds, peak amplitude 0..1) of a 16-bit PCM wave file."""
    with wave.open(path, "rb") as w:
        n = w.getnframes()
        rate = w.getframerate()
        width = w.getsampwidth()
        data = w.readframes(n)
    if width != 2 or not data:
        return (n / rate if rate else 0.0, 0.0)
    samples = struct.unpack("<%dh" % (len(data) // 2), data)
    return (n / rate, max(abs(s) for s in samples) / 32768.0)


# --------------------------------------------------------------------------- X server

class XServer:
    """An Xvfb on the first free display of a range; the display's lock file
    (made by Xvfb itself) keeps parallel runs apart."""

    def __init__(self, first=None, count=60, size="1280x1024x24", extra_args=()):
        first = first if first is not None else int(os.environ.get("WORDAROO_E2E_FIRST_DISPLAY", "150"))
        self.proc = None
        self.display = None
        for n in range(first, first + count):
            if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
                continue
            # Without -displayfd Xvfb takes the display's lock file, so a parallel run
            # that picked the same number fails at once and moves on. -noreset: the
            # readiness probe below is the server's first client, and a server that
            # resets when it leaves may refuse the program's connection meanwhile.
            proc = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", size, "-nolisten", "tcp", "-noreset",
                                     *extra_args],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
            end = time.monotonic() + 10
            while time.monotonic() < end and proc.poll() is None:
                if self._accepts(n):
                    self.proc = proc
                    self.display = f":{n}"
                    return
                time.sleep(0.02)
            if proc.poll() is None:
                proc.kill()
            proc.wait()
        raise RuntimeError("no free X display")

    @staticmethod
    def _accepts(n):
        path = f"/tmp/.X11-unix/X{n}"
        if not os.path.exists(path):
            return False
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            sock.connect(path)
            return True
        except OSError:
            return False
        finally:
            sock.close()

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


# --------------------------------------------------------------------------- xdotool

def xdo(*args, check_rc=True):
    r = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True, timeout=20)
    if check_rc and r.returncode != 0:
        raise RuntimeError(f"xdotool {' '.join(map(str, args))}: {r.stderr.strip()}")
    return r.stdout.strip()


def visible_windows(title_regex):
    """Window ids of the mapped windows whose title matches (anchored) title_regex."""
    out = xdo("search", "--onlyvisible", "--name", f"^({title_regex})$", check_rc=False)
    return [int(w) for w in out.split()] if out else []


def posix_escape(text):
    """Escapes text for xdotool's POSIX extended regular expressions."""
    return re.sub(r"([.\[\](){}*+?|^$\\])", r"\\\1", text)


def window_name(wid):
    return xdo("getwindowname", wid, check_rc=False)


# --------------------------------------------------------------------------- the program

class Program:
    """One run of the staged program in a fresh copy of its folder."""

    def __init__(self, name, setup=None, short_prompts=True, env=None, cwd=None):
        self.name = name
        source = os.environ.get("WORDAROO_APPDIR")
        if not source or not os.path.isfile(os.path.join(source, "wordaroo")):
            raise RuntimeError("WORDAROO_APPDIR must name the staged program folder")
        self.tmp = tempfile.mkdtemp(prefix=f"wordaroo-e2e-{name}-")
        self.dir = os.path.join(self.tmp, "Wordaroo")
        shutil.copytree(source, self.dir)
        if short_prompts:
            for p in PROMPTS:
                path = os.path.join(self.dir, p + ".wav")
                if os.path.exists(path):
                    write_tone(path, 0.3)
        if setup:
            setup(self.dir)
        self.extra_env = env or {}
        self.cwd = cwd
        self.x = None
        self.proc = None
        self.pulse_dir = None
        self.atspi = None
        self.log_path = os.path.join(self.tmp, "program.log")
        self.exit_code = None

    # --- life cycle
    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self._stop()
            raise
        return self

    def __exit__(self, exc_type, exc, tb):
        failed = exc_type is not None
        if failed and self.x:
            shot = os.path.join(os.environ.get("WORDAROO_E2E_ARTIFACTS", self.tmp), f"{self.name}-failure.png")
            try:
                subprocess.run(["import", "-display", self.x.display, "-window", "root", shot],
                               timeout=20, capture_output=True)
                say(f"  screenshot of the failure: {shot}")
            except Exception:
                pass
            try:
                say("  windows on screen: " + ", ".join(
                    repr(window_name(w)) for w in visible_windows(".*")))
            except Exception:
                pass
        self._stop()
        if failed:
            try:
                with open(self.log_path, errors="replace") as f:
                    log = f.read().strip()
                if log:
                    say("  program output:\n" + log[-4000:])
            except OSError:
                pass
        if not failed and os.environ.get("WORDAROO_E2E_KEEP") != "1":
            shutil.rmtree(self.tmp, ignore_errors=True)
        return False

    def _start(self):
        self.x = XServer()
        os.environ["DISPLAY"] = self.x.display
        if not os.environ.get("PULSE_SERVER"):
            # Run by hand: a private sound server like the CTest fixture's.
            self.pulse_dir = os.path.join(self.tmp, "pulse")
            support = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "pulse.sh")
            subprocess.run([support, "start", self.pulse_dir], check=True, capture_output=True)
            os.environ["XDG_RUNTIME_DIR"] = self.pulse_dir
            os.environ["PULSE_SERVER"] = f"unix:{self.pulse_dir}/pulse/native"
        if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
            raise RuntimeError("run under dbus-run-session: the accessibility bus needs a session bus")
        # The accessibility bus of this session; the program's bridge and our reader meet there.
        self.atspi = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
        env = dict(os.environ)
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "QT_ACCESSIBILITY": "1",
        })
        env.update(self.extra_env)
        self.log = open(self.log_path, "w")
        self.started = time.monotonic()
        self.proc = subprocess.Popen([os.path.join(self.dir, "wordaroo")], cwd=self.cwd or self.dir, env=env,
                                     stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True,
                                     preexec_fn=die_with_parent)

    def _stop(self):
        if self.proc and self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
        if self.atspi and self.atspi.poll() is None:
            self.atspi.terminate()
            try:
                self.atspi.wait(5)
            except subprocess.TimeoutExpired:
                self.atspi.kill()
        if self.x:
            self.x.stop()
        if self.pulse_dir:
            support = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "pulse.sh")
            subprocess.run([support, "stop", self.pulse_dir], capture_output=True)
        if getattr(self, "log", None):
            self.log.close()

    def alive(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout):
        try:
            self.exit_code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        return self.exit_code

    # --- windows by title
    def window(self, title, timeout=TIMEOUT):
        """The id of the shown window with exactly this title (waits for it)."""
        def find():
            if not self.alive():
                raise JourneyError(f"FAILED: the program ended (status {self.proc.returncode}) "
                                   f"while waiting for the window {title!r}")
            ids = visible_windows(posix_escape(title))
            return ids[-1] if ids else None
        return wait_until(find, f"the window {title!r}", timeout)

    def shown(self, title):
        return bool(visible_windows(posix_escape(title)))

    def wait_gone(self, title, timeout=TIMEOUT):
        wait_until(lambda: not self.shown(title), f"the window {title!r} to go", timeout)

    # --- keyboard
    def focus(self, wid):
        xdo("windowfocus", "--sync", wid)

    def key(self, wid, *keys):
        self.focus(wid)
        xdo("key", "--clearmodifiers", "--delay", 30, *keys)

    def type(self, wid, text):
        self.focus(wid)
        xdo("type", "--clearmodifiers", "--delay", 20, text)

    def click(self, wid, title, name):
        """A mouse click in the middle of the named object of the window."""
        acc = self.a11y().find(title, name)
        if acc is None:
            raise JourneyError(f"FAILED: no {name!r} on {title!r} to click")
        from atspi_tree import Atspi
        # Screen coordinates: the window-relative ones are not reliable here.
        box = Atspi.Component.get_extents(acc, Atspi.CoordType.SCREEN)
        self.focus(wid)
        xdo("mousemove", "--sync", box.x + box.width // 2, box.y + box.height // 2)
        xdo("click", 1)

    # --- accessibility tree
    def a11y(self):
        from atspi_tree import Tree
        if not hasattr(self, "_tree"):
            self._tree = Tree(self.proc.pid)
        return self._tree

    def texts(self, title):
        """The names of every shown object of the window, with their roles."""
        return self.a11y().texts(title)

    def wait_text(self, title, predicate, what, timeout=TIMEOUT):
        """Waits until some shown object of the window has a name satisfying predicate; returns it."""
        def find():
            for role, name in self.texts(title):
                if predicate(name):
                    return name
            return None
        return wait_until(find, what, timeout)

    def press(self, wid, title, caption, keys=("space",), max_tabs=40):
        """Moves the focus with Tab to the control named `caption`, then presses it with the
        keyboard, so every press also proves that the control can be reached without a mouse."""
        tree = self.a11y()
        self.focus(wid)
        for _ in range(max_tabs):
            focused = tree.focused(title)
            if focused is not None and focused[1] == caption:
                xdo("key", "--clearmodifiers", *keys)
                return
            xdo("key", "--clearmodifiers", "Tab")
            time.sleep(0.03)
        raise JourneyError(f"FAILED: {caption!r} on {title!r} cannot be reached with the Tab key")

    def focus_control(self, wid, title, name_or_role, max_tabs=40):
        """Tabs until the focused control has this name (or, given 'role:list', this role)."""
        tree = self.a11y()
        self.focus(wid)
        for _ in range(max_tabs):
            f = tree.focused(title)
            if f is not None:
                role, name = f
                if name_or_role.startswith("role:") and role == name_or_role[5:]:
                    return
                if name == name_or_role:
                    return
            xdo("key", "--clearmodifiers", "Tab")
            time.sleep(0.03)
        raise JourneyError(f"FAILED: {name_or_role!r} on {title!r} cannot be reached with the Tab key")

    def pixel(self, x, y):
        """The colour on screen at (x, y), as (red, green, blue)."""
        r = subprocess.run(["import", "-display", self.x.display, "-window", "root", "-crop", f"1x1+{x}+{y}",
                            "-depth", "8", "txt:-"], check=True, timeout=30, capture_output=True, text=True)
        m = re.search(r"\((\d+),(\d+),(\d+)", r.stdout.splitlines()[-1])
        return tuple(int(v) for v in m.groups())

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.x.display, "-window", "root", path], check=True,
                       timeout=30, capture_output=True)


def run(journeys):
    """Runs the journeys named on the command line (all when none is named). One journey
    runs in this process, under the session bus it needs; several run one after the other,
    each in a process and session of its own. Exit status 0 when every one passed."""
    names = sys.argv[1:] or list(journeys)
    unknown = [n for n in names if n not in journeys]
    if unknown:
        say(f"unknown journey {unknown}; known: {list(journeys)}")
        return 2
    if len(names) > 1 or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        failed = []
        for name in names:
            # The session bus daemon warns that it may not raise its file limit (as root
            # in a container): true and harmless, so that line is left out.
            proc = subprocess.Popen(["dbus-run-session", "--", sys.executable, "-u", os.path.abspath(sys.argv[0]),
                                     name], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                    preexec_fn=die_with_parent)
            for line in proc.stdout:
                if "Failed to set fd limit" not in line:
                    print(line, end="", flush=True)
            if proc.wait() != 0:
                failed.append(name)
        if len(names) > 1:
            say(f"{len(names) - len(failed)} passed, {len(failed)} failed" + (f": {failed}" if failed else ""))
        return 1 if failed else 0
    # Killed from outside (a test runner's timeout): end like a failure, cleaning up.
    die_with_parent()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    name = names[0]
    fn = journeys[name]
    say(f"journey {name}: {(fn.__doc__ or '').strip()}")
    t = time.monotonic()
    try:
        fn()
    except Exception as e:
        if isinstance(e, JourneyError):
            say(f"  {e}")
        else:
            traceback.print_exc(file=sys.stdout)
        say(f"journey {name}: FAILED after {time.monotonic() - t:.1f} s")
        return 1
    say(f"journey {name}: passed in {time.monotonic() - t:.1f} s")
    return 0
