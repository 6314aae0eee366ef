#include "win32/replay/replay_output.h"

#include <mmsystem.h>

#include <cstdlib>

#include "core/audio/volume_word.h"
#include "core/replay/tone.h"
#include "win32/common/wave_format.h"

namespace
{

// The state of the current replay; the output is open exactly when set.
struct replay_output_state {
    HWAVEOUT output;
    WAVEHDR *headers[2];
    uint8_t *sample_areas[2];
    replay_buffer buffers[2];
    bool stopping;
    bool close_issued; // waveOutClose has succeeded for this replay
    replay_sequencer sequencer;
};

replay_output_state replay;

void release_buffers()
{
    for (int i = 0; i < 2; ++i) {
        std::free(replay.headers[i]);
        std::free(replay.sample_areas[i]);
        replay.headers[i] = nullptr;
        replay.sample_areas[i] = nullptr;
        replay.buffers[i] = replay_buffer{nullptr, 0};
    }
}

bool allocate_buffers()
{
    for (int i = 0; i < 2; ++i) {
        replay.headers[i] = static_cast<WAVEHDR *>(std::calloc(1, sizeof(WAVEHDR)));
        replay.sample_areas[i] = static_cast<uint8_t *>(std::malloc(REPLAY_BUFFER_BYTES));
        if (replay.headers[i] == nullptr || replay.sample_areas[i] == nullptr) {
            release_buffers();
            return false;
        }
        replay.buffers[i] = replay_buffer{replay.sample_areas[i], 0};
    }
    return true;
}

void unprepare_headers()
{
    for (int i = 0; i < 2; ++i)
        waveOutUnprepareHeader(replay.output, replay.headers[i], sizeof(WAVEHDR));
}

// Unprepares both headers and closes the output. A close refused while a
// buffer is still queued does not count: it is tried again when that buffer
// comes back.
void close_output()
{
    unprepare_headers();
    replay.close_issued = waveOutClose(replay.output) == MMSYSERR_NOERROR;
}

// Queues one of the two buffers with the length the generator gave it.
void queue_buffer(void *, int buffer_index)
{
    WAVEHDR *header = replay.headers[buffer_index];
    header->dwBufferLength = replay.buffers[buffer_index].length_samples;
    waveOutWrite(replay.output, header, sizeof(WAVEHDR));
}

} // namespace

replay_open_result_t open_replay_output(HWND window, int volume_position)
{
    if (!allocate_buffers())
        return REPLAY_OUTPUT_NO_MEMORY;
    replay.stopping = false;
    replay.close_issued = false;
    replay.sequencer.replay_position_ms = 0;

    const WAVEFORMATEX format = mono_pcm_format(8);
    HWAVEOUT output = nullptr;
    if (waveOutOpen(&output, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(window), 0,
                    CALLBACK_WINDOW) != MMSYSERR_NOERROR) {
        release_buffers();
        replay.output = nullptr;
        return REPLAY_OUTPUT_OPEN_FAILED;
    }
    replay.output = output;
    for (int i = 0; i < 2; ++i) {
        WAVEHDR &header = *replay.headers[i];
        header.lpData = reinterpret_cast<LPSTR>(replay.sample_areas[i]);
        header.dwBufferLength = REPLAY_BUFFER_BYTES;
        header.dwFlags = 0;
        header.dwLoops = 1;
        waveOutPrepareHeader(replay.output, &header, sizeof(WAVEHDR));
    }
    set_replay_volume(volume_position);
    return REPLAY_OUTPUT_OPENED;
}

bool replay_output_open()
{
    return replay.output != nullptr;
}

bool is_replay_output(WPARAM device)
{
    return replay.output != nullptr && reinterpret_cast<HWAVEOUT>(device) == replay.output;
}

void set_replay_volume(int volume_position)
{
    if (replay.output != nullptr)
        waveOutSetVolume(replay.output, wave_volume_word(volume_position));
}

uint32_t replay_position_ms()
{
    return replay.sequencer.replay_position_ms;
}

void replay_output_opened(const replay_entries &record, int samples_per_ms)
{
    // A stop came before the output opened: nothing is queued, so it is
    // closed at once instead of being primed.
    if (replay.stopping) {
        close_output();
        return;
    }
    prime_replay(replay.sequencer, replay_tone_generator(), record, samples_per_ms,
                 replay.buffers, queue_buffer, nullptr);
}

replay_done_t replay_buffer_done(WAVEHDR *header, const replay_entries &record,
                                 int samples_per_ms)
{
    if (replay.stopping) {
        // The reset has handed back both buffers, so they can be unprepared
        // while the handle is still valid; their memory is released once the
        // output reports closing.
        if (!replay.close_issued)
            close_output();
        return REPLAY_STOPPING;
    }
    const int index = header == replay.headers[0] ? 0 : 1;
    if (step_replay(replay.sequencer, replay_tone_generator(), record, samples_per_ms,
                    replay.buffers[index]) == STEP_QUEUE_IT) {
        queue_buffer(nullptr, index);
        return REPLAY_CONTINUES;
    }
    stop_replay_output();
    return REPLAY_ENDED;
}

void stop_replay_output()
{
    replay.stopping = true;
    waveOutReset(replay.output);
}

void replay_output_closed()
{
    release_buffers();
    replay.output = nullptr;
}

// The MM_WOM_DONE and MM_WOM_CLOSE notifications still on their way name a
// handle that is no longer the replay output and are ignored.
void close_replay_output_now()
{
    replay.stopping = true;
    if (replay.output == nullptr)
        return;
    if (!replay.close_issued) {
        waveOutReset(replay.output);
        close_output();
    }
    release_buffers();
    replay.output = nullptr;
}
