// The capture device and monitor output opened through the session's sound
// server (the test command runs these tests with a private PulseAudio).
#include "win32/audio/devices.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

// A hidden window standing in for the main window: it receives the device
// notifications.
struct device_window {
    HWND window;
    device_window()
    {
        mark_audio_closed();
        window = CreateWindowExA(0, "STATIC", "devices", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~device_window()
    {
        close_capture();
        DestroyWindow(window);
    }
    bool open(int volume_position = 50)
    {
        return open_audio(window, 0, 0, volume_position);
    }
};

// The test command runs with the session's sound server; without a capture
// and an output device these tests fail rather than pass unnoticed.
void require_devices()
{
    ASSERT_GT(waveInGetNumDevs(), 0u) << "no capture device: is the session's sound server up?";
    ASSERT_GT(waveOutGetNumDevs(), 0u) << "no output device: is the session's sound server up?";
}

TEST(AudioDevices, VolumeIsOnlyAppliedToAnOpenMonitorOutput)
{
    ASSERT_NO_FATAL_FAILURE(require_devices());
    device_window w;
    EXPECT_EQ(set_monitor_volume(100), 0u);

    ASSERT_TRUE(w.open());
    ASSERT_NE(devices().monitor, nullptr);
    const struct {
        int position;
        DWORD word;
    } cases[] = {{0, 0x00000000u}, {50, 0x7FFF7FFFu}, {100, 0xFFFFFFFFu}};
    for (const auto &c : cases)
        EXPECT_EQ(set_monitor_volume(c.position), c.word) << c.position;
    close_capture();
    EXPECT_EQ(set_monitor_volume(50), 0u);
}

TEST(AudioDevices, OpenAudioWhileCaptureIsOpenOpensNothing)
{
    ASSERT_NO_FATAL_FAILURE(require_devices());
    device_window w;
    ASSERT_TRUE(w.open());
    const HWAVEIN capture = devices().capture;
    const HWAVEOUT monitor = devices().monitor;
    ASSERT_NE(capture, nullptr);
    EXPECT_TRUE(w.open());
    EXPECT_EQ(devices().capture, capture);
    EXPECT_EQ(devices().monitor, monitor);
    // Every capture buffer is queued with the driver.
    for (const WAVEHDR &header : devices().capture_headers) {
        EXPECT_EQ(header.dwBufferLength, RING_BUFFER_BYTES);
        EXPECT_TRUE(header.dwFlags & WHDR_PREPARED);
    }
}

TEST(AudioDevices, CloseCaptureClosesTheMonitorOutputWithIt)
{
    ASSERT_NO_FATAL_FAILURE(require_devices());
    device_window w;
    ASSERT_TRUE(w.open());
    close_capture();
    EXPECT_EQ(devices().capture, nullptr);
    EXPECT_EQ(devices().monitor, nullptr) << "the monitor output closes with the capture";
    for (const WAVEHDR &header : devices().capture_headers)
        EXPECT_EQ(header.lpData, nullptr);
    // A failed open leaves nothing open: an input device that does not exist.
    EXPECT_FALSE(open_audio(w.window, 999, 0, 50));
    EXPECT_EQ(devices().capture, nullptr);
    EXPECT_EQ(devices().monitor, nullptr);
}

TEST(AudioDevices, MonitorRingHandsOutTheLowestFreeBufferUntilAllAreQueued)
{
    ASSERT_NO_FATAL_FAILURE(require_devices());
    device_window w;
    EXPECT_EQ(free_monitor_buffer(), -1) << "no ring while the output is closed";
    ASSERT_TRUE(w.open());
    // Buffers taken by the block processor carry their length; the test
    // takes them by hand so that none is played and handed back meanwhile.
    audio_devices &ring = const_cast<audio_devices &>(devices());
    for (int i = 0; i < RING_BUFFERS; i++) {
        ASSERT_EQ(free_monitor_buffer(), i);
        ring.monitor_headers[i].dwBufferLength = RING_BUFFER_BYTES;
    }
    EXPECT_EQ(free_monitor_buffer(), -1);
    monitor_buffer_done(&ring.monitor_headers[4]);
    EXPECT_EQ(free_monitor_buffer(), 4);
    for (WAVEHDR &header : ring.monitor_headers)
        header.dwBufferLength = 0; // hand them back before closing
}

TEST(AudioDevices, EchoCopiesTheBlockOrSilenceIntoTheMonitorBuffer)
{
    ASSERT_NO_FATAL_FAILURE(require_devices());
    device_window w;
    ASSERT_TRUE(w.open());
    char block[RING_BUFFER_BYTES];
    for (DWORD i = 0; i < sizeof block; i++)
        block[i] = static_cast<char>(i + 1);
    echo_to_monitor(0, block, 200, true);
    const WAVEHDR &first = devices().monitor_headers[0];
    EXPECT_EQ(first.dwBufferLength, 200u);
    EXPECT_EQ(std::memcmp(first.lpData, block, 200), 0);
    echo_to_monitor(1, block, 220, false);
    const WAVEHDR &second = devices().monitor_headers[1];
    EXPECT_EQ(second.dwBufferLength, 220u);
    for (DWORD i = 0; i < 220; i++)
        ASSERT_EQ(second.lpData[i], 0) << i;
}

} // namespace
