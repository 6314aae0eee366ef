# Sourced by the run and test scripts: starts what the Windows program needs
# on this machine and stops exactly what it started.
#   session_start [headless]   display, sound server, Wine prefix
#   session_stop
# With "headless" (or without a display / sound server) it starts its own
# Xvfb and a private PulseAudio server whose default source is a virtual
# microphone fed by `paplay -d micfeed FILE.wav`.

VENTROK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VENTROK_BUILD=${VENTROK_BUILD:-$VENTROK_ROOT/build}
SESSION_DIR=$VENTROK_BUILD/session
SESSION_ENV=$SESSION_DIR/session.env

session_log() { echo "[session] $*" >&2; }

session_remember_pid() { echo "$1" >>"$SESSION_DIR/pids"; }

session_start_display() {
    local display_file=$SESSION_DIR/display
    rm -f "$display_file"
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    session_remember_pid $!
    for _ in $(seq 1 100); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '\n' <"$display_file")"
    session_log "virtual display $DISPLAY"
}

session_start_audio() {
    local pulse_dir=$SESSION_DIR/pulse
    mkdir -p "$pulse_dir/home" "$pulse_dir/runtime"
    chmod 700 "$pulse_dir/runtime"
    # Both null sinks and the daemon run at 11025 Hz mono, so a WAV played
    # into the virtual microphone reaches the capture sample for sample.
    cat >"$pulse_dir/default.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$pulse_dir/native
load-module module-null-sink sink_name=speaker rate=11025 channels=1 format=s16le sink_properties=device.description=Speaker
load-module module-null-sink sink_name=micfeed rate=11025 channels=1 format=s16le sink_properties=device.description=MicFeed
set-default-sink speaker
set-default-source micfeed.monitor
PA
    cat >"$pulse_dir/daemon.conf" <<PA
default-sample-rate = 11025
alternate-sample-rate = 11025
default-sample-channels = 1
default-sample-format = s16le
PA
    HOME=$pulse_dir/home XDG_RUNTIME_DIR=$pulse_dir/runtime PULSE_CONFIG=$pulse_dir/daemon.conf \
        LC_ALL=C pulseaudio -n -F "$pulse_dir/default.pa" --daemonize=no --exit-idle-time=-1 \
        --use-pid-file=no >"$pulse_dir/pulseaudio.log" 2>&1 &
    session_remember_pid $!
    export PULSE_SERVER=unix:$pulse_dir/native
    for _ in $(seq 1 100); do
        LC_ALL=C pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    # An idle null sink runs with a long latency and the first captured
    # blocks would come late; keep a low-latency reader on both monitors.
    LC_ALL=C parec --latency-msec=10 -d micfeed.monitor --raw >/dev/null 2>&1 &
    session_remember_pid $!
    LC_ALL=C parec --latency-msec=10 -d speaker.monitor --raw >/dev/null 2>&1 &
    session_remember_pid $!
    session_log "private sound server $PULSE_SERVER"
}

session_prepare_wine() {
    export WINEPREFIX=$VENTROK_BUILD/wineprefix
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine takes its ANSI code page from the locale: ja_JP gives 932.
    export LC_ALL=ja_JP.UTF-8
    export LANG=ja_JP.UTF-8
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        session_log "creating the Wine prefix (about 20 s)"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        local face
        for face in 'ＭＳ ゴシック' 'ＭＳ 明朝'; do
            wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic /f >/dev/null 2>&1
        done
        for face in 'ＭＳ Ｐゴシック' 'MS UI Gothic' 'ＭＳ Ｐ明朝'; do
            wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAPGothic /f >/dev/null 2>&1
        done
        wineserver -w
    fi
    # One persistent Wine server for the whole session: a Wine program started
    # while the previous server is shutting down can hang at start-up.
    wineserver -p
    # Without a window manager windows have no frame; on the virtual display
    # Wine's own desktop window draws them (title bars in screenshots).
    if [ -n "${SESSION_HEADLESS:-}" ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1600x1200 /f >/dev/null 2>&1
        # Keep that desktop alive for the whole session, so that programs
        # started one after another never wait for it to close and reopen.
        wine explorer /desktop=Default,1600x1200 >/dev/null 2>&1 &
        session_remember_pid $!
    else
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
    fi
}

session_start() {
    local mode=${1:-auto}
    mkdir -p "$SESSION_DIR"
    : >"$SESSION_DIR/pids"
    if [ "$mode" = headless ] || [ -z "${DISPLAY:-}" ]; then
        session_start_display
        SESSION_HEADLESS=1
    fi
    if [ "$mode" = headless ] || ! LC_ALL=C pactl info >/dev/null 2>&1; then
        session_start_audio
        SESSION_PRIVATE_AUDIO=1
    fi
    session_prepare_wine
    {
        echo "export DISPLAY='$DISPLAY'"
        [ -n "${PULSE_SERVER:-}" ] && echo "export PULSE_SERVER='$PULSE_SERVER'"
        echo "export WINEPREFIX='$WINEPREFIX' WINEARCH=win64 WINEDEBUG=-all"
        echo "export WINEDLLOVERRIDES='mscoree,mshtml=' LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8"
        echo "export SESSION_PRIVATE_AUDIO='${SESSION_PRIVATE_AUDIO:-}'"
    } >"$SESSION_ENV"
}

session_stop() {
    # The session's Wine server is persistent: end it (and every program of
    # the session's prefix) explicitly.
    if [ -d "$VENTROK_BUILD/wineprefix" ]; then
        WINEPREFIX=$VENTROK_BUILD/wineprefix wineserver -k >/dev/null 2>&1 || true
    fi
    if [ -f "$SESSION_DIR/pids" ]; then
        local pid
        while read -r pid; do
            [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
        done <"$SESSION_DIR/pids"
        rm -f "$SESSION_DIR/pids" "$SESSION_ENV"
    fi
}
