#include "output_files.h"

#include "system_error.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>

namespace
{

std::string folder_of(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string &path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool write_all(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

void put_u32(std::string &out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void put_u16(std::string &out, uint16_t value)
{
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

} // namespace

bool write_file_whole(const std::string &path, const std::string &bytes, std::string &error)
{
    std::string temporary = folder_of(path) + "/." + name_of(path) + ".XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        error = "cannot create '" + path + "': " + system_error_text(errno);
        return false;
    }
    // The permissions a plain fopen would give, instead of mkstemp's 0600.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);

    const bool written = write_all(fd, bytes);
    const int saved_errno = errno;
    if (close(fd) != 0 || !written) {
        error = "cannot write '" + path + "': " + system_error_text(written ? errno : saved_errno);
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write '" + path + "': " + system_error_text(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool folder_writable(const std::string &folder, std::string &error)
{
    std::string probe = (folder.empty() ? std::string(".") : folder) + "/.ventrok-analyze.XXXXXX";
    const int fd = mkstemp(&probe[0]);
    if (fd < 0) {
        error = "cannot write into the folder '" + folder + "': " + system_error_text(errno);
        return false;
    }
    close(fd);
    unlink(probe.c_str());
    return true;
}

std::string wav_u8_mono(const std::vector<uint8_t> &samples, uint32_t sample_rate)
{
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size());
    const uint32_t padding = data_bytes % 2; // chunks are word aligned
    std::string out;
    out.reserve(44 + data_bytes + padding);
    out += "RIFF";
    put_u32(out, 36 + data_bytes + padding);
    out += "WAVEfmt ";
    put_u32(out, 16);
    put_u16(out, 1); // PCM
    put_u16(out, 1); // mono
    put_u32(out, sample_rate);
    put_u32(out, sample_rate); // bytes per second
    put_u16(out, 1);           // block alignment
    put_u16(out, 8);           // bits per sample
    out += "data";
    put_u32(out, data_bytes);
    out.append(reinterpret_cast<const char *>(samples.data()), samples.size());
    if (padding)
        out.push_back('\0');
    return out;
}
