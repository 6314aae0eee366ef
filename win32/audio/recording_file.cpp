#include "win32/audio/recording_file.h"

static size_t read_at(void *context, uint64_t offset, void *buffer, size_t size, bool *failed)
{
    recording_file &file = *static_cast<recording_file *>(context);
    size_t done = 0;
    while (done < size) {
        OVERLAPPED at = {};
        const uint64_t position = offset + done;
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD wanted = static_cast<DWORD>(size - done < 0x10000000 ? size - done : 0x10000000);
        DWORD got = 0;
        if (!ReadFile(file.handle, static_cast<char *>(buffer) + done, wanted, &got, &at)) {
            *failed = GetLastError() != ERROR_HANDLE_EOF;
            break;
        }
        if (got == 0)
            break; // the end of the file
        done += got;
    }
    return done;
}

bool open_recording_file(recording_file &file, const wchar_t *path, DWORD *error)
{
    file.handle = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                              nullptr);
    if (file.handle == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.handle, &size)) {
        *error = GetLastError();
        close_recording_file(file);
        return false;
    }
    file.size = static_cast<uint64_t>(size.QuadPart);
    return true;
}

byte_source recording_file_source(recording_file &file)
{
    return byte_source{&file, read_at, file.size};
}

void close_recording_file(recording_file &file)
{
    if (file.handle != INVALID_HANDLE_VALUE)
        CloseHandle(file.handle);
    file.handle = INVALID_HANDLE_VALUE;
}
