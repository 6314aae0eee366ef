# Sourced by the run and test scripts: starts what the Windows program needs
# on this machine and stops exactly what it started.
#   session_start [headless]   display, sound server, Wine prefix; exports
#                              VENTROK_SESSION_ENV, the session's environment file
#   session_stop
# With "headless" (or without a display / sound server) it starts its own
# Xvfb and a private PulseAudio server whose default source is a virtual
# microphone fed by `paplay -d micfeed FILE.wav`.
#
# Sessions coexist (a test run and scripts/run.sh at the same time): each
# takes a free slot, numbered from 1, with its own folder build/sessions/N
# (process list, environment, logs) and its own Wine prefix (build/wineprefix
# for slot 1, build/wineprefix.N for the others), because the programs of one
# prefix share one Wine server and one desktop. A slot is free when no live
# process owns its folder; what a dead owner left running is stopped then.

VENTROK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VENTROK_BUILD=${VENTROK_BUILD:-$VENTROK_ROOT/build}
SESSIONS_DIR=$VENTROK_BUILD/sessions
# Every Wine program sees these fonts as the program's template fonts, the
# decoded-text font and OEM_FIXED_FONT (docs/wine-fonts.md).
SESSION_FONT_REPLACEMENTS=(
    'ＭＳ Ｐゴシック=Ventrok PGothic'
    'MS UI Gothic=Ventrok PGothic'
    'ＭＳ ゴシック=Ventrok Gothic'
    # OEM_FIXED_FONT names no face: Wine takes the first of these fixed-pitch
    # families that has Japanese glyphs, before asking fontconfig.
    'Courier New=Ventrok Gothic'
    'Liberation Mono=Ventrok Gothic'
    'Bitstream Vera Sans Mono=Ventrok Gothic'
)

# What the prefix set-up below does, as recorded in the prefix: the set-up's
# version, the font packages and the font builder and settings. A prefix
# made by another set-up is made again at the next start.
session_prefix_setup() {
    echo "prefix set-up 3"
    dpkg-query -W -f='${Package} ${Version}\n' fonts-ipafont-gothic fonts-wine python3-fontforge \
        2>/dev/null
    { cat "$VENTROK_ROOT/scripts/wine-fonts.py"; session_font_registry; } | md5sum
}

session_log() { echo "[session] $*" >&2; }

session_fail() {
    echo "[session] error: $*" >&2
    return 1
}

# The start time of a process (clock ticks since boot), to tell it from a
# later process that got the same id.
session_process_start() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    set -- $stat
    echo "${20}"
}

session_remember_pid() {
    echo "$1 $(session_process_start "$1" || echo -)" >>"$SESSION_DIR/pids"
}

# True while the process recorded as "PID START" still runs.
session_recorded_alive() {
    [ -n "$1" ] && [ "$(session_process_start "$1")" = "$2" ]
}

# Ends the processes recorded in a pids file and waits until they have gone
# (up to 5 s; then they are killed outright).
session_kill_recorded() {
    local pid start
    [ -f "$1" ] || return 0
    # A process may end on its own between the check and the kill (the
    # monitor readers end with their sound server): not a failure, also not
    # for the scripts that run with errexit.
    while read -r pid start; do
        if session_recorded_alive "$pid" "$start"; then kill "$pid" 2>/dev/null || true; fi
    done <"$1"
    for _ in $(seq 1 50); do
        local left=
        while read -r pid start; do
            session_recorded_alive "$pid" "$start" && left=1
        done <"$1"
        [ -z "$left" ] && return 0
        sleep 0.1
    done
    while read -r pid start; do
        if session_recorded_alive "$pid" "$start"; then kill -9 "$pid" 2>/dev/null || true; fi
    done <"$1"
    return 0
}

session_prefix_of_slot() {
    if [ "$1" = 1 ]; then echo "$VENTROK_BUILD/wineprefix"; else echo "$VENTROK_BUILD/wineprefix.$1"; fi
}

# Stops what a session whose owner died left behind, and frees its slot.
session_clear_stale() {
    local dir=$1 slot
    slot=$(basename "$dir")
    session_log "clearing session $slot, whose owner ended without stopping it"
    session_kill_recorded "$dir/pids"
    WINEPREFIX=$(session_prefix_of_slot "$slot") wineserver -k >/dev/null 2>&1 || true
    rm -rf "$dir"
}

# Takes the first free slot: creates build/sessions/N owned by this shell.
# The folder of a stopped session keeps its logs until the slot is taken again.
session_take_slot() {
    mkdir -p "$SESSIONS_DIR"
    local slot owner owner_start
    exec 9>"$SESSIONS_DIR/.lock"
    flock 9
    for slot in $(seq 1 20); do
        [ -s "$SESSIONS_DIR/$slot/owner" ] || continue
        read -r owner owner_start <"$SESSIONS_DIR/$slot/owner"
        session_recorded_alive "$owner" "$owner_start" || session_clear_stale "$SESSIONS_DIR/$slot"
    done
    for slot in $(seq 1 20); do
        [ -s "$SESSIONS_DIR/$slot/owner" ] && continue
        rm -rf "${SESSIONS_DIR:?}/$slot"
        mkdir -p "$SESSIONS_DIR/$slot"
        echo "$$ $(session_process_start $$)" >"$SESSIONS_DIR/$slot/owner"
        : >"$SESSIONS_DIR/$slot/pids"
        SESSION_SLOT=$slot
        SESSION_DIR=$SESSIONS_DIR/$slot
        flock -u 9
        exec 9>&-
        return 0
    done
    flock -u 9
    exec 9>&-
    session_fail "all 20 session slots in $SESSIONS_DIR are in use"
}

# Why a part of the session is not up: it ended (non-empty argument), or it
# still runs but did not answer in time.
session_why_not() {
    if [ -n "$1" ]; then echo "it ended at once"; else echo "no answer within 10 s"; fi
}

session_start_display() {
    local display_file=$SESSION_DIR/display
    Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$display_file" \
        >"$SESSION_DIR/xvfb.log" 2>&1 &
    local xvfb=$!
    session_remember_pid $xvfb
    local ended=
    for _ in $(seq 1 100); do
        [ -s "$display_file" ] && break
        kill -0 $xvfb 2>/dev/null || { ended=1; break; }
        sleep 0.1
    done
    [ -s "$display_file" ] ||
        session_fail "the virtual display (Xvfb) did not start: $(session_why_not "$ended");" \
            "see $SESSION_DIR/xvfb.log" ||
        return 1
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
    local pulse=$!
    session_remember_pid $pulse
    export PULSE_SERVER=unix:$pulse_dir/native
    local ready= ended=
    for _ in $(seq 1 100); do
        LC_ALL=C pactl info >/dev/null 2>&1 && ready=1 && break
        kill -0 $pulse 2>/dev/null || { ended=1; break; }
        sleep 0.1
    done
    [ -n "$ready" ] ||
        session_fail "the sound server did not start: $(session_why_not "$ended");" \
            "see $pulse_dir/pulseaudio.log" ||
        return 1
    # An idle null sink runs with a long latency and the first captured
    # blocks would come late; keep a low-latency reader on both monitors.
    LC_ALL=C parec --latency-msec=10 -d micfeed.monitor --raw >/dev/null 2>&1 &
    session_remember_pid $!
    LC_ALL=C parec --latency-msec=10 -d speaker.monitor --raw >/dev/null 2>&1 &
    session_remember_pid $!
    session_log "private sound server $PULSE_SERVER"
}

# The registry settings of the font set-up: the replacements above, and no
# font smoothing, so that every text is drawn in plain black and white.
session_font_registry() {
    local entry
    echo 'Windows Registry Editor Version 5.00'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
    for entry in "${SESSION_FONT_REPLACEMENTS[@]}"; do
        echo "\"${entry%%=*}\"=\"${entry#*=}\""
    done
    echo
    echo '[HKEY_CURRENT_USER\Control Panel\Desktop]'
    echo '"FontSmoothing"="0"'
    echo '"FontSmoothingType"=dword:00000001'
}

# Makes the prefix and its font set-up (fonts built from the Debian packages
# into the prefix's Fonts folder, Wine's Marlett for the caption buttons
# among them; registry settings), unless the prefix was made by this same
# set-up.
session_make_prefix() {
    local stamp=$WINEPREFIX/ventrok-setup setup
    setup=$(session_prefix_setup)
    if [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$setup" ]; then
        return 0
    fi
    if [ -d "$WINEPREFIX" ]; then
        session_log "the Wine prefix $WINEPREFIX was made by another set-up: making it again"
        wineserver -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
    session_log "creating the Wine prefix $WINEPREFIX (about 20 s)"
    local log=$SESSION_DIR/prefix.log
    timeout 300 wineboot -i >"$log" 2>&1 && timeout 120 wineserver -w ||
        session_fail "creating the Wine prefix failed; see $log" || return 1
    [ -f "$WINEPREFIX/system.reg" ] ||
        session_fail "the Wine prefix has no registry after wineboot; see $log" || return 1
    /usr/bin/python3 "$VENTROK_ROOT/scripts/wine-fonts.py" "$WINEPREFIX/drive_c/windows/Fonts" \
        >>"$log" 2>&1 ||
        session_fail "building the prefix's fonts failed (python3-fontforge?); see $log" || return 1
    { printf '\xff\xfe'; session_font_registry | iconv -f UTF-8 -t UTF-16LE; } >"$SESSION_DIR/fonts.reg"
    timeout 120 wine regedit /S "$(winepath -w "$SESSION_DIR/fonts.reg")" >>"$log" 2>&1 &&
        timeout 120 wineserver -w ||
        session_fail "writing the font settings into the prefix failed; see $log" || return 1
    echo "$setup" >"$stamp"
}

session_prepare_wine() {
    export WINEPREFIX
    WINEPREFIX=$(session_prefix_of_slot "$SESSION_SLOT")
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine takes its ANSI code page from the locale: ja_JP gives 932.
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' ||
        session_fail "the locale ja_JP.UTF-8 is missing (scripts/install-packages.sh makes it)" ||
        return 1
    export LC_ALL=ja_JP.UTF-8
    export LANG=ja_JP.UTF-8
    session_make_prefix || return 1
    # One persistent Wine server for the whole session: a Wine program started
    # while the previous server is shutting down can hang at start-up.
    wineserver -p
    # Without a window manager windows have no frame; on the virtual display
    # Wine's own desktop window draws them (title bars in screenshots).
    if [ -n "${SESSION_HEADLESS:-}" ]; then
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1600x1200 /f >/dev/null 2>&1
        # Keep that desktop alive for the whole session, so that programs
        # started one after another never wait for it to close and reopen:
        # the desktop's process ends a moment after its last window, so a
        # hidden window of the window probe holds it open.
        local holder=$VENTROK_BUILD/windows/window_probe.exe
        [ -f "$holder" ] || holder=$VENTROK_ROOT/build/windows/window_probe.exe
        if [ -f "$holder" ]; then
            wine explorer /desktop=Default,1600x1200 "$(winepath -w "$holder")" hold-desktop \
                >"$SESSION_DIR/desktop.log" 2>&1 &
            session_remember_pid $!
            local up=
            for _ in $(seq 1 300); do
                wine "$holder" find "ventrok desktop holder" >/dev/null 2>&1 && up=1 && break
                sleep 0.1
            done
            [ -n "$up" ] ||
                session_fail "the Wine desktop did not open within 30 s; see $SESSION_DIR/desktop.log" ||
                return 1
        else
            session_log "no window probe built yet: the Wine desktop opens and closes with the programs"
            wine explorer /desktop=Default,1600x1200 >"$SESSION_DIR/desktop.log" 2>&1 &
            session_remember_pid $!
        fi
    else
        wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
    fi
}

session_start() {
    local mode=${1:-auto}
    SESSION_HEADLESS=
    SESSION_PRIVATE_AUDIO=
    session_take_slot || return 1
    if [ "$mode" = headless ] || [ -z "${DISPLAY:-}" ]; then
        SESSION_HEADLESS=1
        session_start_display || { session_stop; return 1; }
    fi
    if [ "$mode" = headless ] || ! LC_ALL=C pactl info >/dev/null 2>&1; then
        SESSION_PRIVATE_AUDIO=1
        session_start_audio || { session_stop; return 1; }
    fi
    session_prepare_wine || { session_stop; return 1; }
    export VENTROK_SESSION_ENV=$SESSION_DIR/session.env
    {
        echo "export DISPLAY='$DISPLAY'"
        [ -n "${PULSE_SERVER:-}" ] && echo "export PULSE_SERVER='$PULSE_SERVER'"
        echo "export WINEPREFIX='$WINEPREFIX' WINEARCH=win64 WINEDEBUG=-all"
        echo "export WINEDLLOVERRIDES='mscoree,mshtml=' LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8"
        echo "export SESSION_PRIVATE_AUDIO='${SESSION_PRIVATE_AUDIO:-}'"
        echo "export VENTROK_SESSION_ENV='$VENTROK_SESSION_ENV'"
    } >"$VENTROK_SESSION_ENV"
    session_log "session $SESSION_SLOT ready ($SESSION_DIR)"
}

session_stop() {
    [ -n "${SESSION_DIR:-}" ] && [ -f "$SESSION_DIR/owner" ] || return 0
    # The session's Wine server is persistent: end it (and every program of
    # the session's own prefix) explicitly. It answers 1 when no server is
    # left to end, which is no failure of the stop.
    WINEPREFIX=$(session_prefix_of_slot "$SESSION_SLOT") wineserver -k >/dev/null 2>&1 || true
    session_kill_recorded "$SESSION_DIR/pids"
    rm -f "$SESSION_DIR/owner" "$SESSION_DIR/pids" "$SESSION_DIR/session.env"
    unset VENTROK_SESSION_ENV
    SESSION_DIR=
}
