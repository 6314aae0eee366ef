#include "win32/replay/keying_file_store.h"

#include <cstdio>

bool save_keying_data_file(const char *path, const std::string &bytes)
{
    FILE *file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
