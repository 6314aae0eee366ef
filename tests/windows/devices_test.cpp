// The capture device and monitor output opened through the session's sound
// server (the test command runs these tests with a private PulseAudio).
#include "win32/audio/devices.h"

#include "core/app/measurement_state.h"
#include "win32/resources/resource_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace
{

// A hidden window standing in for the main window: it receives the device
// notifications and holds trackbar 1008.
struct device_window {
    HWND window;
    HWND volume;
    device_window()
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        window = CreateWindowExA(0, "STATIC", "devices", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        volume = CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD, 0, 0, 80, 20, window,
                                 reinterpret_cast<HMENU>(IDC_MONITOR_VOLUME),
                                 GetModuleHandleA(nullptr), nullptr);
        SendMessageA(volume, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
    }
    ~device_window()
    {
        close_audio();
        DestroyWindow(window);
    }
    void set_volume_position(int position) { SendMessageA(volume, TBM_SETPOS, TRUE, position); }
};

TEST(AudioDevices, VolumeWordCarriesTheLevelInBothChannels)
{
    const struct {
        int position;
        DWORD word;
    } cases[] = {{0, 0x00000000u}, {50, 0x7FFF7FFFu}, {100, 0xFFFFFFFFu}, {1, 0x028F028Fu}};
    for (const auto &c : cases)
        EXPECT_EQ(monitor_volume_word(c.position), c.word) << c.position;
}

TEST(AudioDevices, VolumeIsOnlyAppliedToAnOpenMonitorOutput)
{
    mark_audio_closed();
    device_window w;
    w.set_volume_position(100);
    EXPECT_EQ(set_monitor_volume(w.volume), 0u);

    ASSERT_TRUE(open_audio(w.window)) << "needs the session's sound server";
    ASSERT_NE(devices().monitor, nullptr);
    const struct {
        int position;
        DWORD word;
    } cases[] = {{0, 0x00000000u}, {50, 0x7FFF7FFFu}, {100, 0xFFFFFFFFu}};
    for (const auto &c : cases) {
        w.set_volume_position(c.position);
        EXPECT_EQ(set_monitor_volume(w.volume), c.word) << c.position;
    }
    close_audio();
    EXPECT_EQ(set_monitor_volume(w.volume), 0u);
}

TEST(AudioDevices, OpenAudioWhileCaptureIsOpenOpensNothing)
{
    mark_audio_closed();
    device_window w;
    ASSERT_TRUE(open_audio(w.window));
    const HWAVEIN capture = devices().capture;
    const HWAVEOUT monitor = devices().monitor;
    ASSERT_NE(capture, nullptr);
    EXPECT_TRUE(open_audio(w.window));
    EXPECT_EQ(devices().capture, capture);
    EXPECT_EQ(devices().monitor, monitor);
    // Every capture buffer is queued with the driver.
    for (const WAVEHDR &header : devices().capture_headers) {
        EXPECT_EQ(header.dwBufferLength, RING_BUFFER_BYTES);
        EXPECT_TRUE(header.dwFlags & WHDR_PREPARED);
    }
}

TEST(AudioDevices, ReleaseCaptureClosesOnlyWhileAnalysing)
{
    mark_audio_closed();
    device_window w;
    ASSERT_TRUE(open_audio(w.window));
    measurement_for_update().analysis_suspended = true;
    release_capture(w.window);
    EXPECT_NE(devices().capture, nullptr) << "stop and clear leave the capture running";
    measurement_for_update().analysis_suspended = false;
    release_capture(w.window);
    EXPECT_EQ(devices().capture, nullptr);
    EXPECT_EQ(devices().monitor, nullptr) << "the monitor output closes with the capture";
    for (const WAVEHDR &header : devices().capture_headers)
        EXPECT_EQ(header.lpData, nullptr);
}

TEST(AudioDevices, MonitorRingHandsOutTheLowestFreeBufferUntilAllAreQueued)
{
    mark_audio_closed();
    device_window w;
    EXPECT_EQ(free_monitor_header(), nullptr) << "no ring while the output is closed";
    ASSERT_TRUE(open_audio(w.window));
    for (int i = 0; i < RING_BUFFERS; i++) {
        WAVEHDR *header = free_monitor_header();
        ASSERT_EQ(header, &devices().monitor_headers[i]);
        header->dwBufferLength = RING_BUFFER_BYTES; // taken
    }
    EXPECT_EQ(free_monitor_header(), nullptr);
    WAVEHDR *fifth = const_cast<WAVEHDR *>(&devices().monitor_headers[4]);
    monitor_buffer_done(fifth);
    EXPECT_EQ(free_monitor_header(), fifth);
    for (WAVEHDR &header : const_cast<audio_devices &>(devices()).monitor_headers)
        header.dwBufferLength = 0; // hand them back before closing
}

} // namespace
