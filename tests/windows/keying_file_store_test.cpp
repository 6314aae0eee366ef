// The keying data file as the program saves it on Windows: CR LF line ends
// exactly once (the bytes are written as they are, not through a text-mode
// stream), C99 number formatting even for non-finite ratios, and a file the
// print and replay window reads back.
#include "win32/replay/keying_file_store.h"

#include "core/analysis/statistics.h"
#include "core/replay/keying_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{

std::string read_bytes(const char *path)
{
    std::string bytes;
    FILE *file = std::fopen(path, "rb");
    if (!file)
        return bytes;
    for (int c; (c = std::fgetc(file)) != EOF;)
        bytes.push_back(static_cast<char>(c));
    std::fclose(file);
    return bytes;
}

std::string save_and_read_back(const char *path, const keying_statistics &stats)
{
    static const uint16_t entries[] = {0, 60, 60, 180};
    EXPECT_TRUE(save_keying_data_file(path, format_keying_data_file(entries, 4, 7, stats)));
    return read_bytes(path);
}

TEST(KeyingFileOnWindows, LinesEndWithCarriageReturnLineFeed)
{
    keying_statistics stats = {};
    stats.mean_dot_ms = 60.0;
    stats.mean_dash_ms = 180.0;
    stats.mean_gap_ms = 60.0;
    stats.decision_time_ms = 140;
    const std::string bytes = save_and_read_back("crlf_test.csv", stats);
    EXPECT_NE(bytes.find("平均短点長点比,3.0,平均短点点間比,1.0,長短判定時間[ms],140\r\n"),
              std::string::npos);
    EXPECT_NE(bytes.find("0,60,60,180,0\r\n打鍵終了\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
    EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
    std::remove("crlf_test.csv");
}

TEST(KeyingFileOnWindows, NonFiniteRatiosAreWrittenInC99FormAndReadBack)
{
    keying_statistics stats = {}; // mean dot length 0: 180/0 and 0/0
    stats.mean_dash_ms = 180.0;
    const std::string bytes = save_and_read_back("nonfinite_test.csv", stats);
    EXPECT_NE(bytes.find("平均短点長点比,inf,平均短点点間比,"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("#"), std::string::npos) << "msvcrt's 1.#INF form";

    static replay_record record;
    int measured_seconds = 0;
    EXPECT_EQ(load_keying_data_file_named("nonfinite_test.csv", record, &measured_seconds),
              LOAD_LOADED);
    EXPECT_EQ(measured_seconds, 7);
    EXPECT_EQ(record.entry_count, 4);
    EXPECT_EQ(record.entries[3], 180);
    std::remove("nonfinite_test.csv");
}

// Files in the folder other than . and ..
int files_in(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int count = 0;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

// An empty folder of its own under the temporary folder, removed with
// everything in it afterwards (the tests leave at most one level).
struct scratch_folder {
    std::string path;
    explicit scratch_folder(const char *name)
    {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path = std::string(base) + name + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~scratch_folder()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string entry = path + "\\" + found.cFileName;
                if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
                    continue;
                if (!DeleteFileA(entry.c_str()))
                    RemoveDirectoryA(entry.c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }
};

} // namespace

TEST(KeyingFileOnWindows, SavingReplacesTheEarlierFileAndLeavesNothingElse)
{
    scratch_folder folder("ventrok_store_");
    const std::string path = folder.path + "\\" + KEYING_DATA_FILE_NAME;
    ASSERT_TRUE(save_keying_data_file(path.c_str(), "earlier\r\n"));
    EXPECT_EQ(read_bytes(path.c_str()), "earlier\r\n");
    ASSERT_TRUE(save_keying_data_file(path.c_str(), "this measurement\r\n"));
    EXPECT_EQ(read_bytes(path.c_str()), "this measurement\r\n");
    EXPECT_EQ(files_in(folder.path), 1) << "no temporary file may stay behind";
}

TEST(KeyingFileOnWindows, FailedSaveKeepsTheEarlierFileAndReportsIt)
{
    scratch_folder folder("ventrok_store_fail_");
    // A folder where the file should be: it cannot be replaced.
    const std::string blocked = folder.path + "\\" + KEYING_DATA_FILE_NAME;
    ASSERT_TRUE(CreateDirectoryA(blocked.c_str(), nullptr));
    EXPECT_FALSE(save_keying_data_file(blocked.c_str(), "lost\r\n"));
    EXPECT_EQ(files_in(folder.path), 1) << "the temporary file must be removed";
    EXPECT_EQ(GetFileAttributesA(blocked.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    // A folder that does not exist.
    const std::string missing = folder.path + "\\no such folder\\" + KEYING_DATA_FILE_NAME;
    EXPECT_FALSE(save_keying_data_file(missing.c_str(), "lost\r\n"));
}

TEST(KeyingFileOnWindows, FolderNamesWithBackslashBytesInTheirCharactersWork)
{
    // ソ is 0x83 0x5C in code page 932: its second byte is a backslash.
    scratch_folder folder("ventrok_store_sjis_");
    const std::string inner = folder.path + "\\ソ表";
    ASSERT_TRUE(CreateDirectoryA(inner.c_str(), nullptr));
    const std::string path = inner + "\\" + KEYING_DATA_FILE_NAME;
    EXPECT_TRUE(save_keying_data_file(path.c_str(), "saved\r\n"));
    EXPECT_EQ(read_bytes(path.c_str()), "saved\r\n");
    EXPECT_EQ(files_in(inner), 1);
    DeleteFileA(path.c_str());
    RemoveDirectoryA(inner.c_str());
}
