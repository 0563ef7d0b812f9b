#!/usr/bin/env bash
# Starts or stops a private PulseAudio server for the real-audio tests: a null sink
# "speaker" and a "mic" source that records what the speaker plays.
# Usage: pulse.sh start|stop DIR   (DIR becomes XDG_RUNTIME_DIR; socket DIR/pulse/native)
set -u
cmd=$1
dir=$2
export XDG_RUNTIME_DIR=$dir
export PULSE_SERVER=unix:$dir/pulse/native
case "$cmd" in
start)
    "$0" stop "$dir" >/dev/null 2>&1
    mkdir -p "$dir" && chmod 700 "$dir"
    cat > "$dir/default.pa" <<'PA'
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=speaker norewinds=1 sink_properties=device.description=Speaker
load-module module-remap-source source_name=mic master=speaker.monitor source_properties=device.description=Mic
set-default-sink speaker
set-default-source mic
PA
    if ! command -v pulseaudio >/dev/null; then
        echo "pulseaudio is not installed: real-audio tests cannot run" >&2
        exit 1
    fi
    HOME=$dir pulseaudio -D -n --exit-idle-time=-1 --disallow-exit --disable-shm=yes -F "$dir/default.pa" \
        --log-target=file:"$dir/pulse.log" 2>"$dir/start.err"
    for _ in $(seq 50); do
        pactl info >/dev/null 2>&1 && { echo "PulseAudio ready at $PULSE_SERVER"; exit 0; }
        sleep 0.1
    done
    echo "PulseAudio did not start:" >&2
    cat "$dir/start.err" "$dir/pulse.log" >&2 2>/dev/null
    exit 1
    ;;
stop)
    if [[ -f "$dir/pulse/pid" ]]; then
        kill "$(cat "$dir/pulse/pid")" 2>/dev/null
        sleep 0.2
    fi
    exit 0
    ;;
esac
