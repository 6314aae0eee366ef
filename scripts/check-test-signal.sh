#!/usr/bin/env bash
# Self-check of the test-signal tool: generates a WAV from a duration list and checks its
# format and length with sox, the printed timeline, the exit code on bad arguments and,
# when python3 is present, that a replay of the key detector measures the given durations.
# Usage: scripts/check-test-signal.sh [path/to/make_keying_wav]   (default build/native/make_keying_wav)
set -euo pipefail
tool=${1:-build/native/make_keying_wav}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # name expected actual
    if [ "$2" = "$3" ]; then echo "ok   $1"; else echo "FAIL $1: expected '$2', got '$3'"; failures=$((failures + 1)); fi
}

durations="0,60,60,180,60,60,180,420,4,4,250,61,62,63,64,65,66,67"
lead_ms=150
tail_ms=1000
# Every ms is 11 samples: lead + all durations + tail.
sum=0
for d in ${durations//,/ }; do sum=$((sum + d)); done
expected_samples=$(((lead_ms + sum + tail_ms) * 11))

wav="$work/signal.wav"
printed=$("$tool" durations "$wav" --durations "$durations" --lead-ms $lead_ms \
    --tail-ms $tail_ms --amplitude 20000 --print-durations)
check "printed timeline" "$durations" "$printed"
check "sample rate" 11025 "$(sox --i -r "$wav")"
check "channels" 1 "$(sox --i -c "$wav")"
check "bits per sample" 16 "$(sox --i -b "$wav")"
check "encoding" "Signed Integer PCM" "$(sox --i -e "$wav")"
check "length in samples" "$expected_samples" "$(sox --i -s "$wav")"
stat=$(sox "$wav" -n stat 2>&1)
check "samples read" "$expected_samples" "$(awk '/^Samples read/ {print $3}' <<<"$stat")"
# Peak 20000 of 32768 = 0.610352; the sampled sine comes within a few units of it.
peak=$(awk '/^Maximum amplitude/ {print $3}' <<<"$stat")
check "maximum amplitude near 0.6104" yes "$(awk -v p="$peak" 'BEGIN {print (p > 0.6095 && p <= 0.610352) ? "yes" : "no"}')"

# The same list from a file, whitespace separated.
tr ',' '\n' <<<"$durations" >"$work/list.txt"
"$tool" durations "$work/from_file.wav" --durations-file "$work/list.txt" --lead-ms $lead_ms \
    --tail-ms $tail_ms
check "file input gives the same signal" same "$(cmp -s "$wav" "$work/from_file.wav" && echo same || echo differs)"

# Bad arguments end with exit code 2.
for args in "" "durations" "morse $work/x.wav" "durations $work/x.wav" \
    "durations $work/x.wav --durations 0,1" "durations $work/x.wav --durations 0,abc" \
    "text $work/x.wav --text %" "text $work/x.wav --text E --wpm 0" \
    "durations $work/x.wav --durations 0,60 --bogus 1"; do
    set +e
    # shellcheck disable=SC2086
    "$tool" $args >/dev/null 2>&1
    rc=$?
    set -e
    check "exit code for '$args'" 2 "$rc"
done

# Replay of the detector: key down while |s| > 12240 or for 15 quiet samples after the last
# loud one; clock = samples / 11 from the first onset; key delay 2 ms.
if command -v python3 >/dev/null; then
    measured=$(python3 - "$wav" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
at = data.index(b'data')
size = struct.unpack('<I', data[at + 4:at + 8])[0]
samples = struct.unpack('<%dh' % (size // 2), data[at + 8:at + 8 + size])
counter = hang = onsets = mark_start = space_start = 0
noted = mark_ok = space_noted = space_ok = False
timeline = []
for s in samples:
    counter += 1
    clock = counter // 11
    if abs(s) > 12240:
        hang = 16
    else:
        hang = max(hang - 1, 0)
    if hang > 0:
        if not mark_ok:
            if not noted:
                onsets += 1
                if onsets == 1:
                    counter = clock = space_start = 0
                mark_start, noted = clock, True
            if clock - mark_start > 2:
                timeline.append(mark_start - space_start)
                mark_ok, space_ok = True, False
        space_noted = False
    else:
        noted = False
        if mark_ok:
            if not space_noted:
                space_start, space_noted = clock, True
            if not space_ok and clock - space_start > 2:
                timeline.append(space_start - mark_start)
                mark_ok, space_ok = False, True
print(','.join(map(str, timeline)))
PY
)
    # The list ends with a mark, which the silence of the tail ends.
    check "detector measures the given durations" "$durations" "$measured"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
