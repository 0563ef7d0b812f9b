#!/usr/bin/python3
"""Screenshots of the start window and the authoring window at the desktop scale
factor 1.5 (QT_SCALE_FACTOR=1.5), to look for clipped captions.

Usage: WORDAROO_APPDIR=<build>/Wordaroo dbus-run-session -- /usr/bin/python3 screenshots.py OUTDIR
Writes OUTDIR/scale150_start.png and OUTDIR/scale150_authoring.png.
"""

import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e import Program, check  # noqa: E402


def shoot(p, wid, path):
    subprocess.run(["import", "-display", p.x.display, "-window", str(wid), path], check=True, timeout=30)
    check(os.path.getsize(path) > 0, f"saved {path}")


def main(outdir):
    with Program("screenshots", env={"QT_SCALE_FACTOR": "1.5"}) as p:
        wid = p.window("Wordaroo")
        p.a11y()
        # Expanded, so the word list is in the picture too.
        p.press(wid, "Wordaroo", "See Test Words >>")
        import time
        time.sleep(1.0)
        shoot(p, wid, os.path.join(outdir, "scale150_start.png"))
        p.key(wid, "alt+t")
        maint = p.window("Wordaroo Configuration")
        time.sleep(1.0)
        shoot(p, maint, os.path.join(outdir, "scale150_authoring.png"))
    return 0


if __name__ == "__main__":
    if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])
    sys.exit(main(sys.argv[1]))
