#include "win32/replay/keying_file_store.h"

#include <windows.h>

#include <cstdio>

// The file's own folder: the name as given with its last path component cut
// off, or the current folder for a bare name. The name is code page 932,
// where 0x5C can be the second byte of a character (ソ, 表), so separators
// are looked for character by character.
static std::string folder_of(const char *path)
{
    size_t last_separator = std::string::npos;
    for (size_t i = 0; path[i] != '\0'; i++) {
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(path[i])) && path[i + 1] != '\0')
            i++;
        else if (path[i] == '\\' || path[i] == '/')
            last_separator = i;
    }
    return last_separator == std::string::npos ? std::string(".")
                                               : std::string(path, last_separator);
}

static bool write_all(const char *path, const std::string &bytes)
{
    FILE *file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fflush(file) == 0 && written;
    return std::fclose(file) == 0 && written;
}

bool save_keying_data_file(const char *path, const std::string &bytes)
{
    char temporary[MAX_PATH];
    if (GetTempFileNameA(folder_of(path).c_str(), "vtk", 0, temporary) == 0)
        return false;
    if (!write_all(temporary, bytes) ||
        !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return false;
    }
    return true;
}
