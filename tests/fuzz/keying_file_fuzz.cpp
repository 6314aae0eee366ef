// Feeds arbitrary bytes to the keying data file reader. The reader must never
// store outside the replay record, must report a damaged file with an empty
// record, and whatever it loads must survive being written and read again.
#include "core/replay/keying_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static replay_record loaded;
static replay_record reloaded;

static void require(bool condition)
{
    if (!condition)
        std::abort();
}

static void check_round_trip(int seconds)
{
    keying_statistics zero_stats{}; // ratios come out as nan
    std::string text =
        format_keying_data_file(loaded.entries, loaded.entry_count, seconds, zero_stats);

    FILE *in = fmemopen(&text[0], text.size(), "r");
    require(in != nullptr);
    int reread_seconds = 0;
    require(load_keying_data_file(in, reloaded, &reread_seconds) == LOAD_LOADED);
    std::fclose(in);

    require(reread_seconds == seconds);
    require(reloaded.entry_count == loaded.entry_count);
    require(reloaded.record_seconds == loaded.record_seconds);
    require(std::memcmp(reloaded.entries, loaded.entries,
                        sizeof(uint16_t) * size_t(loaded.entry_count)) == 0);
    require(reloaded.entries[reloaded.entry_count] == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const uint8_t nothing = 0;
    // fmemopen refuses a zero size; one unread byte is as good as none.
    FILE *in = size > 0 ? fmemopen(const_cast<uint8_t *>(data), size, "r")
                        : fmemopen(const_cast<uint8_t *>(&nothing), 1, "r");
    if (in == nullptr)
        return 0;
    if (size == 0)
        std::fgetc(in);
    int seconds = -12345;
    const load_result_t result = load_keying_data_file(in, loaded, &seconds);
    std::fclose(in);

    if (result == LOAD_DAMAGED) {
        require(loaded.entry_count == 0 && loaded.record_seconds == 0);
        require(seconds == -12345);
        return 0;
    }
    require(result == LOAD_LOADED);
    const int count = loaded.entry_count;
    require(count >= 0 && count <= MAX_REPLAY_DURATIONS);
    require(loaded.entries[count + 1] == 0);
    uint32_t total_ms = 0;
    for (int i = 0; i < count; i++)
        total_ms += loaded.entries[i];
    require(loaded.record_seconds == total_ms / 1000);
    check_round_trip(seconds);
    return 0;
}
