"""Known keyings for the end-to-end tests and the keying data file expected
from them, computed here independently of the program's own code."""
import math
import os
import subprocess

import harness

MAKE_KEYING_WAV = os.path.join(harness.BUILD, "native", "make_keying_wav")


def write_keying_wav(path, durations, tail_ms=11000):
    text = ",".join(str(d) for d in durations)
    subprocess.run([MAKE_KEYING_WAV, "durations", path, "--durations", text,
                    "--tail-ms", str(tail_ms), "--amplitude", "24000"], check=True,
                   stdout=subprocess.DEVNULL)


def statistics(entries):
    """Decision time, means and population deviations of a timeline."""
    count = len(entries)
    marks = [0] * 501
    spaces = [0] * 501
    for i in range(1, count, 2):
        marks[min(entries[i], 500)] += 1
        if i + 1 < count:
            spaces[min(entries[i + 1], 500)] += 1
    decision = 1002
    best, run = 0, 0
    for centre in range(10, 501):
        window = sum(marks[c] for c in range(centre - 9, centre + 10) if c <= 500)
        if window >= best:
            best, run = window, 0
            continue
        run += 1
        if run > 20:
            if best > count // 20:
                decision = 2 * (centre - 20)
                break
            run = 0

    def mean_and_deviation(histogram, classes):
        n = sum(histogram[c] for c in classes)
        if n == 0:
            return 0.0, 0.0, 0
        mean = sum(histogram[c] * c for c in classes) / n
        q = sum(histogram[c] * (c - mean) ** 2 for c in classes)
        return mean, math.sqrt(q / n), n

    dot = mean_and_deviation(marks, range(5, min(decision, 501)))
    dash = mean_and_deviation(marks, range(decision, 500))
    gap = mean_and_deviation(spaces, range(5, min(decision, 501)))
    return decision, dot, dash, gap


def expected_keying_file(entries, measured_seconds):
    """The file's bytes as the Windows program writes them (text mode: CR LF)."""
    decision, dot, dash, gap = statistics(entries)
    lines = [
        "打鍵データ(CSV形式)",
        "集計時間[秒],%d" % measured_seconds,
        "総打点数[点],%d,総データー数[個],%d" % (len(entries) // 2, len(entries)),
        "平均短点長[ms],%3.1f,短点時間偏差[ms],%3.1f" % (dot[0], dot[1]),
        "平均長点長[ms],%3.1f,長点時間偏差[ms],%3.1f" % (dash[0], dash[1]),
        "平均点間長[ms],%3.1f,点間時間偏差[ms],%3.1f" % (gap[0], gap[1]),
        "平均短点長点比,%3.1f,平均短点点間比,%3.1f,長短判定時間[ms],%d"
        % (dash[0] / dot[0], gap[0] / dot[0], decision),
        "打点時間[ミリ秒](スペースから開始、最後0msで終了)",
        "".join("%d," % e for e in entries) + "0",
        "打鍵終了",
    ]
    return "".join(line + "\r\n" for line in lines).encode("cp932")


# PARIS CQ DEKARN, letter by letter: twelve letters of dots and dashes whose
# last mark starts 300..700 ms into a second (7.553 s of clock), so that the
# automatic stop 10 s after it falls within a known whole second.
KNOWN_LETTERS = [".--.", ".-", ".-.", "..", "...", "-.-.", "--.-", "-..", ".", "-.-", ".-.-.", "-."]


def automatic_stop_seconds(entries):
    """The measured seconds a keying's file says when the program stops it
    itself, 10 s after the last mark's onset. The meter update that stops it
    comes up to about 110 ms later, so the last mark must start between 0.3
    and 0.7 s into a second for the whole second to be certain."""
    last_mark_start = sum(entries[:-1])
    assert 300 <= last_mark_start % 1000 <= 700, last_mark_start
    return (last_mark_start + 10000) // 1000


def hand_keying(letters):
    """A timeline of uneven hand keying: dots near 60 ms, dashes near 185 ms,
    element gaps near 62 ms, letter gaps near 190 ms. Entry 0 is 0."""
    entries = [0]
    wobble = [0, 3, -2, 5, -4, 1, 6, -3, 2, -5, 4, -1]
    k = 0
    for letter in letters:
        for position, element in enumerate(letter):
            w = wobble[k % len(wobble)]
            k += 1
            entries.append(60 + w if element == "." else 185 + w)
            last = position == len(letter) - 1
            entries.append((190 if last else 62) - w)
    entries.pop()  # the space after the last mark is never stored
    return entries
