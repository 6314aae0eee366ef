"""Evidence that the sound path, not the program, changed a measured run: the
block log of the instrumented build (ventrok_blocks.log, one line per
captured block: arrival ms, samples, lowest, highest, handling time in us)
compared with the WAV that was played into the virtual microphone."""
import array
import wave

BLOCK_SAMPLES = 110
# A sample of a key-down of the test keyings (amplitude 24000) is above this
# in a block that holds one; silence stays near 0.
LOUD = 8000
# Samples of a 700 Hz tone between two that are loud: shorter quiet runs are
# the tone's zero crossings, not a key-up.
TONE_GAP = 20
# The capture ring holds 20 blocks (200 ms). A program that spends that long
# on one block, or more than a block's 10 ms on each on average, can overrun
# the ring itself: a loss is then no evidence against the sound path.
RING_US = 200000
BLOCK_US = 110 * 1000000 / 11025


def wav_onsets(path):
    """Sample indices where each key-down of the WAV starts."""
    with wave.open(path) as w:
        samples = array.array("h", w.readframes(w.getnframes()))
    onsets = []
    last_loud = None
    for i, s in enumerate(samples):
        if abs(s) > LOUD:
            if last_loud is None or i - last_loud > TONE_GAP:
                onsets.append(i)
            last_loud = i
    return onsets


def read_block_log(path):
    with open(path) as f:
        return [(float(r[0]), int(r[1]), int(r[2]), int(r[3]), float(r[4]))
                for r in (line.split() for line in f) if len(r) == 5]


def block_onsets(blocks):
    """Sample offsets, in the captured stream, of the first block of every run
    of blocks that hold key-down samples."""
    onsets = []
    offset = 0
    previous_loud = False
    for _, samples, low, high, _ in blocks:
        loud = max(-low, high) > LOUD
        if loud and not previous_loud:
            onsets.append(offset)
        previous_loud = loud
        offset += samples
    return onsets


def capture_disturbance(log_path, wav_path):
    """Why the captured blocks cannot be the WAV's samples in order, or None.
    Every key-down onset k of the WAV (at o[k]) must fall in the block where
    a run of loud blocks starts (at b[k]), for one fixed offset c between the
    two streams: b[k] <= o[k] + c < b[k] + 110. Samples lost or repeated by
    the sound path between two onsets leave no such c. Blocks the program
    itself held up too long are not counted as evidence. The evidence names
    the longest wait between two blocks and the longest handling time."""
    blocks = read_block_log(log_path)
    handling = [b[4] for b in blocks]
    if not blocks or max(handling) >= RING_US or sum(handling) / len(blocks) >= BLOCK_US:
        return None  # the program may have lost samples itself
    gap, late_block = max((blocks[i][0] - blocks[i - 1][0], i) for i in range(1, len(blocks)))
    late = "; the longest wait for a block was %.0f ms (block %d), the longest handling %.1f ms" % (
        gap, late_block, max(handling) / 1000.0)
    played = wav_onsets(wav_path)
    arrived = block_onsets(blocks)
    if len(arrived) != len(played):
        return ("%d key-downs reached the program in %d blocks, %d were played%s"
                % (len(arrived), len(blocks), len(played), late))
    lowest, highest = -10 ** 9, 10 ** 9  # the offsets c that every onset so far allows
    for k, (b, o) in enumerate(zip(arrived, played)):
        lowest, highest = max(lowest, b - o), min(highest, b - o + BLOCK_SAMPLES)
        if lowest >= highest:
            return ("the captured stream lost or repeated samples before key-down %d: played "
                    "at sample %d, it starts a run of loud blocks at sample %d of the capture, "
                    "which no offset of the earlier key-downs allows%s" % (k, o, b, late))
    odd = [i for i, b in enumerate(blocks[:-1]) if b[1] != BLOCK_SAMPLES]
    if odd:
        return "block %d held %d samples" % (odd[0], blocks[odd[0]][1])
    return None
