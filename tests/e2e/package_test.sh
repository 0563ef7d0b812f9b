#!/usr/bin/env bash
# Builds the Debian package, checks its menu entry and metainfo, installs it with apt,
# starts the installed program under Xvfb as an ordinary user without a sound server,
# opens a shared test with xdg-open (handed to the running program, which adds it),
# and purges it again: no file of the package may be left.
# Needs root (apt-get); it changes the machine, so CI runs it on its own, not in CTest.
#
# Usage: tests/e2e/package_test.sh        (BUILD=<folder> for another build folder)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${BUILD:-build}
NOBODY=65534
ID=org.wordaroo.wordaroo
MIME=application/x-wordaroo-test

say() { printf '%s\n' "$*"; }
ok() { say "ok: $*"; }
fail() {
    say "FAILED: $*"
    exit 1
}
section() { say "==== $* ===="; }

[ "$(id -u)" -eq 0 ] || fail "installing the package needs root"
export DEBIAN_FRONTEND=noninteractive

tmp=$(mktemp -d /tmp/wordaroo-package.XXXXXX)
chmod 755 "$tmp"
xvfb_pid="" program_pid="" installed=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    if [ -n "$installed" ]; then
        say "(purging the package after the failure)"
        apt-get purge -y -qq wordaroo >/dev/null 2>&1 || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

section "build"
make package BUILD="$BUILD"
# The newest, should older versions lie beside it.
# shellcheck disable=SC2012
deb=$(ls -t "$BUILD"/wordaroo_*.deb | head -n 1)
[ -f "$deb" ] || fail "no $BUILD/wordaroo_*.deb"
deb=$(readlink -f "$deb")
ok "built $deb"

section "the package"
say "size: $(du -h "$deb" | cut -f1) ($(stat -c %s "$deb") bytes), installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
dpkg-deb -f "$deb" Package Version Architecture Section Maintainer Depends Recommends
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture is not dpkg's"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6widgets6 libpulse0 libqt6svg6 libsndfile1 libqt6charts6 libflite1 libarchive13 libhunspell-1.7-0 fonts-dejavu-core; do
    [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib"
done
ok "Depends names the linked libraries (dpkg-shlibdeps, the report's module among them), those loaded when first used, and the fonts"

root=$tmp/deb
dpkg-deb -x "$deb" "$root"
for f in opt/wordaroo/lib/wordaroo/wordaroo opt/wordaroo/lib/wordaroo/wordaroo-report.so opt/wordaroo/lib/wordaroo/Spell.HLP opt/wordaroo/lib/wordaroo/Welcome.wav \
    opt/wordaroo/lib/wordaroo/Test_Animals/cat.wav opt/wordaroo/bin/wordaroo \
    usr/share/applications/$ID.desktop usr/share/metainfo/$ID.metainfo.xml usr/share/mime/packages/wordaroo.xml \
    usr/share/icons/hicolor/scalable/apps/wordaroo.svg usr/share/icons/hicolor/scalable/mimetypes/${MIME/\//-}.svg; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done
[ "$(readlink "$root/usr/bin/wordaroo")" = /opt/wordaroo/bin/wordaroo ] || fail "/usr/bin/wordaroo is not a link to the launcher"
for size in 48 64 128 256; do
    for icon in apps/wordaroo mimetypes/${MIME/\//-}; do
        png=$root/usr/share/icons/hicolor/${size}x${size}/$icon.png
        [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x${size}" ] || fail "$png is not a ${size}x${size} PNG"
    done
done
for f in usr/local opt/wordaroo/share opt/wordaroo/lib/wordaroo/spell.ini; do
    [ ! -e "$root/$f" ] || fail "the package holds /$f"
done
ok "program folder in /opt/wordaroo, launcher on the PATH, menu entry, metainfo, file type, icons at 48-256 and SVG; nothing in /usr/local"

section "desktop-file-validate usr/share/applications/$ID.desktop"
out=$(desktop-file-validate "$root/usr/share/applications/$ID.desktop" 2>&1) || fail "desktop-file-validate: $out"
say "${out:-(no output: no errors, warnings or hints)}"
[ -z "$out" ] || fail "desktop-file-validate is not clean"
grep -qx "Exec=wordaroo %f" "$root/usr/share/applications/$ID.desktop" || fail "Exec is not 'wordaroo %f'"
grep -qx "MimeType=$MIME;" "$root/usr/share/applications/$ID.desktop" || fail "MimeType is not $MIME"
ok "the menu entry is valid and opens $MIME files"
section "appstreamcli validate --no-net usr/share/metainfo/$ID.metainfo.xml"
appstreamcli validate --no-net "$root/usr/share/metainfo/$ID.metainfo.xml" || fail "appstreamcli validate"

section "install"
if dpkg-query -W -f='${Status}' wordaroo 2>/dev/null | grep -q "ok installed"; then
    say "(an earlier wordaroo is installed: purging it first)"
    apt-get purge -y -qq wordaroo
fi
installed=yes
apt-get install -y "$deb"
dpkg-query -L wordaroo >"$tmp/files"
ok "installed: $(wc -l <"$tmp/files") paths"
[ "$(command -v wordaroo)" = /usr/bin/wordaroo ] || fail "wordaroo is not on the PATH"
grep -q "^[0-9]*:$MIME:\*\.wordaroo$" /usr/share/mime/globs2 || fail "the shared-mime-info database lacks *.wordaroo"
ok "the file type database maps *.wordaroo to $MIME"
if [ -f /usr/share/applications/mimeinfo.cache ]; then
    grep -q "^$MIME=.*$ID.desktop" /usr/share/applications/mimeinfo.cache || fail "the menu cache lacks $MIME"
    ok "the menu cache offers $ID.desktop for $MIME"
fi

section "start under Xvfb"
for n in $(seq 170 229); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # -ac: the program runs as another user.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset -ac >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -S "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ]; then
        display=:$n
        break
    fi
    xvfb_pid=""
done
[ -n "${display:-}" ] || fail "no free X display"
home=$tmp/home
mkdir -p "$home" "$tmp/run"
chmod 700 "$tmp/run"
# No sound server, and none started on demand: the program must start silent.
printf 'autospawn = no\n' >"$tmp/pulse-client.conf"
chown "$NOBODY:$NOBODY" "$home" "$tmp/run"
# A command run as that user (an array, so that a background start is the program's
# own process and not a shell around it).
as_user=(env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$display" XDG_RUNTIME_DIR="$tmp/run"
    PULSE_SERVER="unix:$tmp/no-sound-server" PULSE_CLIENTCONFIG="$tmp/pulse-client.conf"
    setpriv --reuid=$NOBODY --regid=$NOBODY --clear-groups)
"${as_user[@]}" wordaroo >"$tmp/program.log" 2>&1 &
program_pid=$!
window=""
for _ in $(seq 200); do
    kill -0 "$program_pid" 2>/dev/null || {
        cat "$tmp/program.log"
        fail "the program ended before its window appeared"
    }
    window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Wordaroo$' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || {
    cat "$tmp/program.log"
    fail "no window 'Wordaroo' within 20 s"
}
ok "the installed program, started as user $NOBODY, shows its window 'Wordaroo' ($window)"
exe=$(readlink "/proc/$program_pid/exe")
[ "$exe" = "$home/.local/share/wordaroo/wordaroo" ] || fail "the program runs from $exe, not from the user's copy"
ok "it runs from the user's copy $exe"

section "a shared test opened from the desktop"
# A shared test as another program folder writes it: the sample test's recordings.
shared="$tmp/shared/For Lily.wordaroo"
mkdir -p "$tmp/shared"
python3 - "$root/opt/wordaroo/lib/wordaroo/Test_Animals" "$shared" <<'PY'
import json, os, sys, zipfile
src, out = sys.argv[1], sys.argv[2]
waves = sorted(f for f in os.listdir(src) if f.endswith(".wav"))
manifest = {"formatVersion": 1, "name": "For Lily", "program": "package test",
            "words": [{"word": f[:-4], "file": f, "computerVoice": False} for f in waves]}
with zipfile.ZipFile(out, "w") as z:
    z.writestr("manifest.json", json.dumps(manifest))
    for f in waves:
        z.write(os.path.join(src, f), f)
PY
chmod -R a+rX "$tmp/shared"
type=$("${as_user[@]}" xdg-mime query filetype "$shared")
[ "$type" = "$MIME" ] || fail "xdg-mime takes the file for '$type'"
"${as_user[@]}" xdg-open "$shared" || fail "xdg-open '$shared'"
# The running program asks in a box of its own, titled like its start window.
boxes=0
for _ in $(seq 100); do
    boxes=$(DISPLAY=$display xdotool search --onlyvisible --name '^Wordaroo$' 2>/dev/null | wc -l) || true
    [ "$boxes" -ge 2 ] && break
    sleep 0.1
done
[ "$boxes" -ge 2 ] || fail "no question from the running program within 10 s"
DISPLAY=$display xdotool key Return # "Yes", the box's default button
added="$home/.local/share/wordaroo/Test_For Lily"
for _ in $(seq 100); do
    [ -d "$added" ] && break
    sleep 0.1
done
[ "$(ls "$added" | wc -l)" -eq "$(ls "$root/opt/wordaroo/lib/wordaroo/Test_Animals"/*.wav | wc -l)" ] ||
    fail "the shared test was not added to $added"
kill -0 "$program_pid" 2>/dev/null || fail "the program ended"
ok "xdg-open handed '$shared' ($MIME) to the running program, which added it as 'Test_For Lily'"
kill -TERM "$program_pid"
for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$program_pid" 2>/dev/null && fail "the program did not end on SIGTERM"
wait "$program_pid" 2>/dev/null || true
program_pid=""
ok "quit"
kill "$xvfb_pid"
xvfb_pid=""
rm -rf "$home"

section "purge"
apt-get purge -y wordaroo
installed=""
dpkg-query -W -f='${Status}' wordaroo 2>/dev/null | grep -q "ok installed" && fail "wordaroo is still installed"
left=0 shared=()
while IFS= read -r path; do
    [ "$path" = /. ] && continue
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        # A folder may stay when another package owns it (/usr/share/icons/hicolor/...)
        # or other software keeps something in it (/opt); /opt/wordaroo is checked below.
        if dpkg-query -S "$path" >/dev/null 2>&1 || [ -n "$(ls -A "$path")" ]; then
            shared+=("$path")
        else
            say "left behind: $path/"
            left=$((left + 1))
        fi
    elif [ -e "$path" ] || [ -L "$path" ]; then
        say "left behind: $path"
        left=$((left + 1))
    fi
done <"$tmp/files"
[ ! -e /opt/wordaroo ] || {
    find /opt/wordaroo | head
    fail "/opt/wordaroo is left"
}
grep -q "$MIME" /usr/share/mime/globs2 && fail "the file type database still knows $MIME"
[ "$left" -eq 0 ] || fail "$left paths of the package are left"
ok "purged: none of the $(wc -l <"$tmp/files") paths is left; ${#shared[@]} shared folders stay (${shared[*]:0:3} ...)"
say "package: passed"
