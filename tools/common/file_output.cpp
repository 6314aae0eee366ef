#include "tools/common/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

std::string system_error_text(int error_number)
{
    char buffer[256];
    // The GNU strerror_r: returns the text, in buffer or a constant string.
    return strerror_r(error_number, buffer, sizeof buffer);
}

namespace
{

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

// The folder's entries on the disk, so that a rename in it survives a power
// loss. File systems that cannot flush a folder say EINVAL: nothing to do.
bool flush_folder(const std::string &folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool flushed = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return flushed;
}

} // namespace

bool write_file_whole(const std::string &path, const std::string &bytes, std::string &error)
{
    std::string temporary = folder_of(path) + "/." + name_of(path) + ".XXXXXX";
    const int fd = mkostemp(&temporary[0], O_CLOEXEC);
    if (fd < 0) {
        error = "cannot create '" + path + "': " + system_error_text(errno);
        return false;
    }
    // The permissions a plain fopen would give, instead of mkstemp's 0600.
    // umask can only be read by setting it, and the mask is the process's:
    // read it once, before two workers could interleave and leave it 0.
    static const mode_t mask = [] {
        const mode_t m = umask(0);
        umask(m);
        return m;
    }();
    fchmod(fd, 0666 & ~mask);

    const bool written = write_all(fd, bytes) && fsync(fd) == 0;
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
    if (!flush_folder(folder_of(path))) {
        error = "cannot flush the folder of '" + path + "' to the disk: " +
                system_error_text(errno);
        return false;
    }
    return true;
}
