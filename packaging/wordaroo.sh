#!/bin/sh
# Starts the installed Wordaroo program.
#
# The program keeps its spelling tests and its settings file (spell.ini) in its own
# folder. When that folder is writable by the user (a per-user install, or root), the
# program runs in place. Otherwise the first start copies the program folder to
# ${XDG_DATA_HOME:-~/.local/share}/wordaroo and runs that copy; later starts reuse it,
# never touch the tests or settings in it, and only refresh the program and its
# prompt and help files when an upgrade installed different ones.
set -eu

self=$(readlink -f "$0")
installed=$(CDPATH= cd -- "$(dirname -- "$self")/../lib/wordaroo" && pwd) || {
    echo "wordaroo: the program folder is missing beside $self" >&2
    exit 1
}

if [ -w "$installed" ]; then
    exec "$installed/wordaroo" "$@"
fi

data=${XDG_DATA_HOME:-${HOME:?}/.local/share}/wordaroo

if [ ! -x "$data/wordaroo" ]; then
    # First start: the whole folder, sample tests included, through a temporary
    # folder so that an interrupted copy is never taken for a finished one.
    mkdir -p "$data"
    tmp=$(mktemp -d "$data/.copy.XXXXXX")
    cp -R "$installed/." "$tmp/"
    chmod -R u+w "$tmp"
    for entry in "$tmp"/* ; do
        name=${entry##*/}
        [ -e "$data/$name" ] || mv "$entry" "$data/$name"
    done
    rm -rf "$tmp"
else
    # Later starts: files of the program folder itself (the program, prompts, help)
    # follow the installed ones; test folders and spell.ini are the user's.
    for file in "$installed"/*; do
        [ -f "$file" ] || continue
        name=${file##*/}
        [ "$name" = spell.ini ] && continue
        if ! cmp -s "$file" "$data/$name"; then
            cp "$file" "$data/.$name.new" && chmod u+w "$data/.$name.new" && mv -f "$data/.$name.new" "$data/$name"
        fi
    done
fi

exec "$data/wordaroo" "$@"
