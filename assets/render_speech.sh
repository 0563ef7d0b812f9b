#!/usr/bin/env bash
# Renders the prompt table and the sample tests into a program folder as wave files,
# with flite's clear "slt" voice (espeak-ng when flite is missing), and makes the
# splash sound with sox. Usage: render_speech.sh ASSETS_DIR PROGRAM_FOLDER
set -euo pipefail
assets=$1
out=$2
mkdir -p "$out"

say() { # text file
    local tmp="$2.tmp.wav"
    if command -v flite >/dev/null; then
        flite -voice slt -t "$1" -o "$tmp"
    else
        espeak-ng -v en-us -s 150 -w "$tmp" "$1"
    fi
    # A short lead-in keeps the first syllable from being cut by a sound server still starting.
    sox -q "$tmp" -r 22050 -c 1 -b 16 "$2" pad 0.05 0.1
    rm -f "$tmp"
}

# A prompt is rendered again whenever the table is newer than it (a text was reworded).
while IFS=$'\t' read -r file text; do
    [[ -z "$file" || "$file" == \#* ]] && continue
    [[ -s "$out/$file" && "$out/$file" -nt "$assets/prompts.tsv" ]] || say "$text" "$out/$file"
done < "$assets/prompts.tsv"

while IFS=$'\t' read -r -a row; do
    [[ ${#row[@]} -eq 0 || "${row[0]}" == \#* ]] && continue
    test="${row[0]}"
    mkdir -p "$out/$test"
    for word in "${row[@]:1}"; do
        [[ -s "$out/$test/$word.wav" ]] || say "$word" "$out/$test/$word.wav"
    done
done < "$assets/sample_tests.tsv"

# The splash: a burst of filtered noise falling away, like a drop hitting water, as loud
# as the speech (RMS -17 dBFS; the spoken prompts lie between -16 and -18). The noise is
# random, so its level is measured and set after it is made.
splash_rms=-17
if [[ ! -s "$out/splash.wav" || ! "$out/splash.wav" -nt "$0" ]]; then
    raw="$out/splash.raw.wav"
    sox -q -n -r 22050 -c 1 -b 16 "$raw" synth 0.6 brownnoise lowpass 1800 fade q 0.01 0.6 0.5 gain -n -3
    rms=$(sox "$raw" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}')
    sox -q "$raw" "$out/splash.wav" gain "$(awk -v r="$rms" -v t="$splash_rms" 'BEGIN {printf "%.2f", t - r}')"
    rm -f "$raw"
fi
