#include "recording_file.h"

#include "core/audio/wav_reader.h"
#include "tools/common/file_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

// A stream as libsndfile's virtual file: its first bytes are kept, so that
// libsndfile can read them again after it has recognised the format (its
// FLAC reader starts from the beginning); after them it reads on as the
// bytes come.
struct stream_source {
    int fd;
    std::vector<char> head; // every byte received, as long as they fit
    sf_count_t position;    // where libsndfile reads next
    sf_count_t received;    // bytes taken from fd
};

namespace
{

constexpr size_t STREAM_HEAD_BYTES = 65536;

// libsndfile keeps the reason of a failed open in process-wide storage (there
// is no handle to keep it in): recordings are opened one at a time, so that
// the reason read after a failed open is that open's own. Once open, every
// handle reads and reports its errors on its own.
std::mutex open_lock;

// False with error set when the plain file fd is a RIFF WAV whose data chunk
// announces more bytes than the file holds: a recording that lost its end (a
// copy that broke off, a full disk). The window's reader of recordings
// judges the header.
bool wav_data_complete(int fd, off_t file_size, const std::string &path, std::string &error)
{
    const auto read_at = [](void *context, uint64_t offset, void *buffer, size_t size,
                            bool *failed) {
        const ssize_t got = pread(*static_cast<int *>(context), buffer, size,
                                  static_cast<off_t>(offset));
        *failed = got < 0;
        return got < 0 ? size_t{0} : static_cast<size_t>(got);
    };
    wav_format format;
    if (read_wav_header(byte_source{&fd, read_at, static_cast<uint64_t>(file_size)}, format) !=
        WAV_TRUNCATED)
        return true;
    error = "'" + path + "' is truncated: its header announces " +
            std::to_string(format.announced_bytes) + " bytes of sound, the file holds " +
            std::to_string(format.available_bytes);
    return false;
}

std::string major_format_name(int format)
{
    SF_FORMAT_INFO info = {};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
        return info.name;
    return "unknown";
}

// Takes up to count bytes from the stream; keeps them while the head has room.
sf_count_t stream_receive(stream_source &s, char *to, sf_count_t count)
{
    ssize_t got;
    do
        got = read(s.fd, to, static_cast<size_t>(count));
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return got < 0 ? -1 : 0;
    if (s.head.size() + static_cast<size_t>(got) <= STREAM_HEAD_BYTES)
        s.head.insert(s.head.end(), to, to + got);
    s.received += got;
    s.position += got;
    return got;
}

sf_count_t stream_read(void *to, sf_count_t count, void *user)
{
    stream_source &s = *static_cast<stream_source *>(user);
    char *bytes = static_cast<char *>(to);
    sf_count_t done = 0;
    while (done < count && s.position < s.received) { // again, from the head
        const sf_count_t n = std::min(count - done, s.received - s.position);
        std::memcpy(bytes + done, s.head.data() + s.position, static_cast<size_t>(n));
        done += n;
        s.position += n;
    }
    while (done < count) {
        const sf_count_t got = stream_receive(s, bytes + done, count - done);
        if (got <= 0)
            return done > 0 || got == 0 ? done : -1;
        done += got;
    }
    return done;
}

// Back to a byte still in the head; not ahead, which would use up what lies
// between (libsndfile's WAV reader looks for chunks after the data, and goes
// on where it was when it cannot).
sf_count_t stream_seek(sf_count_t offset, int whence, void *user)
{
    stream_source &s = *static_cast<stream_source *>(user);
    const sf_count_t target = whence == SEEK_SET ? offset : whence == SEEK_CUR ? s.position + offset
                                                                              : -1;
    const bool kept = target >= 0 && (target == s.received ||
                                      (target < s.received &&
                                       static_cast<size_t>(s.received) == s.head.size()));
    if (!kept)
        return -1;
    s.position = target;
    return target;
}

SF_VIRTUAL_IO stream_io = {
    [](void *) -> sf_count_t { return SF_COUNT_MAX; }, // the length: not known before the end
    stream_seek, stream_read,
    [](const void *, sf_count_t, void *) -> sf_count_t { return -1; },
    [](void *user) { return static_cast<stream_source *>(user)->position; }};

} // namespace

bool recording_is_stream(const char *path)
{
    struct stat status;
    const int got = std::strcmp(path, "-") == 0 ? fstat(0, &status) : stat(path, &status);
    return got == 0 && !S_ISREG(status.st_mode);
}

bool open_recording_file(const char *path, recording_file &file, std::string &error)
{
    file = recording_file{};
    // Opened once: a pipe opened twice would lose what the first reading took.
    const int fd = std::strcmp(path, "-") == 0 ? fcntl(0, F_DUPFD_CLOEXEC, 0)
                                               : open(path, O_RDONLY | O_CLOEXEC);
    struct stat status;
    if (fd < 0 || fstat(fd, &status) != 0) {
        error = std::string("cannot open the recording '") + path + "': " + system_error_text(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    const bool plain = S_ISREG(status.st_mode);
    // Standard input from a file is read from its start, each time.
    if (plain && lseek(fd, 0, SEEK_SET) != 0) {
        error = std::string("cannot read the recording '") + path + "': " + system_error_text(errno);
        close(fd);
        return false;
    }
    if (plain && !wav_data_complete(fd, status.st_size, path, error)) {
        close(fd);
        return false;
    }
    std::lock_guard<std::mutex> hold(open_lock);
    if (plain) {
        // libsndfile closes fd when it is done with it, or when it fails.
        file.sound = sf_open_fd(fd, SFM_READ, &file.info, SF_TRUE);
    } else {
        file.stream = new stream_source{fd, std::vector<char>(), 0, 0};
        file.sound = sf_open_virtual(&stream_io, SFM_READ, &file.info, file.stream);
    }
    if (!file.sound) {
        error = std::string("'") + path + "' is not a recording this program can read (" +
                sf_strerror(nullptr) + ")";
        close_recording_file(file);
        return false;
    }
    // A query without a handle, which may set the process-wide error too.
    file.format = major_format_name(file.info.format);
    return true;
}

void close_recording_file(recording_file &file)
{
    if (file.sound)
        sf_close(file.sound);
    if (file.stream) {
        close(file.stream->fd);
        delete file.stream;
    }
    file = recording_file{};
}
