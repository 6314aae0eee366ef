// The wave output of one replay: opened on the system's default device when
// 再生 is pressed, two buffers kept in flight by the sequencer, and closed
// when the record ends, when 停止 is pressed or when the window is left.
// Its notifications (MM_WOM_OPEN, MM_WOM_DONE, MM_WOM_CLOSE) reach the print
// and replay window, which hands them on here.
#ifndef VENTROK_WIN32_REPLAY_REPLAY_OUTPUT_H
#define VENTROK_WIN32_REPLAY_REPLAY_OUTPUT_H

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "core/replay/sequencer.h"

enum replay_open_result_t {
    REPLAY_OUTPUT_OPENED,
    REPLAY_OUTPUT_NO_MEMORY,   // the two buffers could not be allocated
    REPLAY_OUTPUT_OPEN_FAILED, // waveOutOpen failed
};

// Allocates the two buffers and opens the output (8-bit mono, 11025 Hz)
// reporting to window, at the volume of trackbar position volume_position.
// The sequencer primes the buffers when the output reports open.
replay_open_result_t open_replay_output(HWND window, int volume_position);

// True while the replay output is open (a replay running or ending).
bool replay_output_open();

// Whether a notification's device handle is the open replay output; late
// notifications of an output already closed are ignored.
bool is_replay_output(WPARAM device);

// Applies a volume trackbar position (0..100) to the open output.
void set_replay_volume(int volume_position);

// Where the replay stands, in recorded ms (the pointer marker follows it).
uint32_t replay_position_ms();

// MM_WOM_OPEN: the first two chunks of the record are queued, or, when a stop
// came first, the output is closed without playing.
void replay_output_opened(const replay_entries &record, int samples_per_ms);

enum replay_done_t {
    REPLAY_CONTINUES, // the buffer was refilled and queued again
    REPLAY_ENDED,     // the record is finished: the output is being stopped
    REPLAY_STOPPING,  // a stop is under way; the output is being closed
};

// MM_WOM_DONE with the returned header.
replay_done_t replay_buffer_done(WAVEHDR *header, const replay_entries &record,
                                 int samples_per_ms);

// 停止, or the window's close box during a replay: the reset hands back
// every queued buffer, and the first one back closes the output (or
// MM_WOM_OPEN does, when the output has not opened yet).
void stop_replay_output();

// MM_WOM_CLOSE: the buffers are released.
void replay_output_closed();

// Leaving the window: closes an output that is still open at once (reset,
// unprepare, close unless already issued) and releases the buffers, so that
// nothing outlives the window.
void close_replay_output_now();

#endif
