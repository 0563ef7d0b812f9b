#!/usr/bin/python3
"""Installs the build into a temporary prefix and starts the installed program as a
user would: from another current folder, in place when the program folder is
writable, and from a per-user copy when it is not.

Usage: install_test.py BUILD_DIR
"""

import filecmp
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import XServer, check, say, visible_windows, wait_until, write_tone  # noqa: E402

NOBODY = 65534


def main(build):
    tmp = tempfile.mkdtemp(prefix="wordaroo-install-")
    os.chmod(tmp, 0o755)
    prefix = os.path.join(tmp, "prefix")
    x = None
    try:
        say(f"install into {prefix}")
        r = subprocess.run(["cmake", "--install", build, "--prefix", prefix], capture_output=True, text=True)
        check(r.returncode == 0, "cmake --install into a temporary prefix succeeds" +
              ("" if r.returncode == 0 else ":\n" + r.stdout + r.stderr))
        appdir = os.path.join(prefix, "lib", "wordaroo")
        launcher = os.path.join(prefix, "bin", "wordaroo")
        check(os.access(launcher, os.X_OK), "the launcher bin/wordaroo is installed and executable")
        check(os.access(os.path.join(appdir, "wordaroo"), os.X_OK), "the program is in lib/wordaroo")
        for f in ("wordaroo-report.so", "Welcome.wav", "starttest.wav", "splash.wav", "Spell.HLP",
                  "Test_Animals/cat.wav", "Test_Colours/red.wav"):
            check(os.path.isfile(os.path.join(appdir, f)), f"beside it: {f}")
        check(not os.path.exists(os.path.join(appdir, "spell.ini")), "no settings file is shipped")
        desktop = os.path.join(prefix, "share", "applications", "wordaroo.desktop")
        with open(desktop) as f:
            entry = f.read()
        check(f"Exec={launcher}\n" in entry and "Icon=wordaroo\n" in entry and "Name=Wordaroo\n" in entry,
              "the menu entry starts the launcher and names the icon")
        if shutil.which("desktop-file-validate"):
            r = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True)
            check(r.returncode == 0, "the menu entry is valid " + r.stdout)
        check(os.path.isfile(os.path.join(prefix, "share/icons/hicolor/scalable/apps/wordaroo.svg")),
              "the icon is installed as share/icons/hicolor/scalable/apps/wordaroo.svg")

        # Any user may connect to this X server: the per-user start runs as another user.
        x = XServer(extra_args=("-ac",))
        os.environ["DISPLAY"] = x.display  # for xdotool
        env = {k: v for k, v in os.environ.items() if not k.startswith(("PULSE", "XDG_", "QT_", "DBUS"))}
        env.update({"DISPLAY": x.display, "QT_QPA_PLATFORM": "xcb"})

        def start(what, user_env=None, as_nobody=False):
            e = dict(env)
            e.update(user_env or {})
            cmd = [launcher]
            if as_nobody:
                cmd = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups", *cmd]
            proc = subprocess.Popen(cmd, cwd="/", env=e, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

            def up():
                if proc.poll() is not None:
                    out = proc.stdout.read().decode(errors="replace")
                    raise AssertionError(f"FAILED: the program ended with status {proc.returncode}:\n{out}")
                return visible_windows("Wordaroo")
            wait_until(up, f"the start window of {what}", timeout=20)
            exe = os.readlink(f"/proc/{proc.pid}/exe")
            return proc, exe

        def stop(proc):
            proc.terminate()
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
            wait_until(lambda: not visible_windows("Wordaroo"), "the window to go")

        proc, exe = start("the installed program")
        check(True, "the launcher started from / shows the start window 'Wordaroo'")
        check(exe == os.path.join(appdir, "wordaroo"), f"the writable install runs in place ({exe})")
        stop(proc)

        # A read-only install, as a system-wide one is for its users.
        home = os.path.join(tmp, "home")
        os.makedirs(home)
        as_nobody = os.geteuid() == 0
        if as_nobody:
            os.chown(home, NOBODY, NOBODY)
        subprocess.run(["chmod", "-R", "a-w", appdir], check=True)
        copy = os.path.join(home, ".local", "share", "wordaroo")
        user = {"HOME": home}
        proc, exe = start("a user of a read-only install", user, as_nobody)
        check(exe == os.path.join(copy, "wordaroo"),
              f"the read-only install runs from the per-user copy ({exe})")
        check(os.path.isfile(os.path.join(copy, "Test_Animals", "cat.wav"))
              and os.path.isfile(os.path.join(copy, "Welcome.wav")),
              "the copy holds the sample tests and the prompts")
        stop(proc)

        # The user's own tests and settings survive later starts and upgrades, and an
        # upgraded prompt reaches the copy.
        mine = os.path.join(copy, "Test_Mine")
        os.makedirs(mine)
        write_tone(os.path.join(mine, "owl.wav"), 0.2)
        shutil.rmtree(os.path.join(copy, "Test_Colours"))
        with open(os.path.join(copy, "spell.ini"), "w") as f:
            f.write("[SETTINGS]\nProtect=True\nTheWord=owl\n")
        if as_nobody:
            subprocess.run(["chown", "-R", f"{NOBODY}:{NOBODY}", copy], check=True)
        subprocess.run(["chmod", "u+w", appdir, os.path.join(appdir, "Welcome.wav")], check=True)
        write_tone(os.path.join(appdir, "Welcome.wav"), 0.5, freq=440)
        subprocess.run(["chmod", "-R", "a-w", appdir], check=True)
        proc, exe = start("a later start after an upgrade", user, as_nobody)
        check(exe == os.path.join(copy, "wordaroo"), "a later start reuses the copy")
        check(os.path.isfile(os.path.join(mine, "owl.wav")), "the user's own test is kept")
        check(not os.path.exists(os.path.join(copy, "Test_Colours")), "a sample test the user deleted stays deleted")
        with open(os.path.join(copy, "spell.ini")) as f:
            check("TheWord=owl" in f.read(), "the user's spell.ini is kept")
        check(filecmp.cmp(os.path.join(appdir, "Welcome.wav"), os.path.join(copy, "Welcome.wav"), shallow=False),
              "the upgraded prompt Welcome.wav was refreshed in the copy")
        stop(proc)

        xdg = os.path.join(tmp, "xdg")
        os.makedirs(xdg)
        if as_nobody:
            os.chown(xdg, NOBODY, NOBODY)
        proc, exe = start("a user with XDG_DATA_HOME set", {"HOME": home, "XDG_DATA_HOME": xdg}, as_nobody)
        check(exe == os.path.join(xdg, "wordaroo", "wordaroo"), "the copy follows XDG_DATA_HOME")
        stop(proc)
        say("install: passed")
        return 0
    except AssertionError as e:
        say(f"  {e}")
        say("install: FAILED")
        return 1
    finally:
        if x:
            x.stop()
        subprocess.run(["chmod", "-R", "u+w", tmp])
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
