#include "paths.h"

#include "tools/common/file_output.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

namespace
{

const char recording_extensions_text[] =
    "wav, flac, ogg, oga, opus, mp3, aif, aiff, aifc, caf, w64, rf64, au, snd";

// The formats libsndfile reads that recorders, phones and editors write;
// its rarer formats are measured when given by name.
const char *const recording_extensions[] = {"wav",  "flac", "ogg", "oga",  "opus",
                                            "mp3",  "aif",  "aiff", "aifc", "caf",
                                            "w64",  "rf64", "au",  "snd"};

std::string lower_ascii(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool is_regular_file(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The folder's path with the name after it: "dir/" and "dir" both give
// "dir/name".
std::string inside(const std::string &folder, const std::string &name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool folder_recordings(const std::string &folder, std::vector<std::string> &recordings,
                       std::string &error)
{
    DIR *listing = opendir(folder.c_str());
    if (!listing) {
        error = "cannot read the folder '" + folder + "': " + system_error_text(errno);
        return false;
    }
    std::vector<std::string> names;
    while (const dirent *entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (named_as_recording(name) && is_regular_file(inside(folder, name)))
            names.push_back(name);
    }
    closedir(listing);
    if (names.empty()) {
        error = std::string("no recordings in the folder '") + folder + "' (files ending in " +
                recording_extensions_text + ")";
        return false;
    }
    std::sort(names.begin(), names.end());
    for (const std::string &name : names)
        recordings.push_back(inside(folder, name));
    return true;
}

typedef std::pair<dev_t, ino_t> file_identity;

bool identity_of(const std::string &path, file_identity &identity)
{
    struct stat info;
    if ((path == "-" ? fstat(0, &info) : stat(path.c_str(), &info)) != 0)
        return false;
    identity = {info.st_dev, info.st_ino};
    return true;
}

} // namespace

bool is_folder(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool path_exists(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool same_file(const std::string &a, const std::string &b)
{
    file_identity of_a;
    file_identity of_b;
    if (identity_of(a, of_a) && identity_of(b, of_b))
        return of_a == of_b;
    return name_of(a) == name_of(b) && identity_of(folder_of(a), of_a) &&
           identity_of(folder_of(b), of_b) && of_a == of_b;
}

bool output_replacing_input(const std::vector<std::string> &outputs,
                            const std::vector<std::string> &inputs, std::string &output,
                            std::string &input)
{
    std::map<file_identity, const std::string *> given;
    file_identity identity;
    for (const std::string &path : inputs)
        if (identity_of(path, identity))
            given.emplace(identity, &path);
    for (const std::string &path : outputs) {
        const auto found = identity_of(path, identity) ? given.find(identity) : given.end();
        if (found != given.end()) {
            output = path;
            input = *found->second;
            return true;
        }
    }
    return false;
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

bool named_as_recording(const std::string &name)
{
    const size_t dot = name.rfind('.');
    if (name.empty() || name[0] == '.' || dot == std::string::npos)
        return false;
    const std::string extension = lower_ascii(name.substr(dot + 1));
    for (const char *known : recording_extensions)
        if (extension == known)
            return true;
    return false;
}

std::string keying_file_name(const std::string &recording_path)
{
    const std::string name = name_of(recording_path);
    const size_t dot = name.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    return stem + ".csv";
}

bool list_recordings(const std::vector<std::string> &arguments,
                     std::vector<std::string> &recordings, std::string &error)
{
    for (const std::string &argument : arguments) {
        if (!is_folder(argument))
            recordings.push_back(argument);
        else if (!folder_recordings(argument, recordings, error))
            return false;
    }
    return true;
}

bool assign_keying_files(const std::vector<std::string> &recordings,
                         const std::string &output_folder, std::vector<std::string> &keying_files,
                         std::string &error)
{
    std::map<std::string, size_t> written_by; // keying data file -> recording index
    keying_files.clear();
    for (size_t i = 0; i < recordings.size(); ++i) {
        const std::string name = keying_file_name(recordings[i]);
        const std::string file = output_folder.empty() ? name : inside(output_folder, name);
        const auto earlier = written_by.find(file);
        if (earlier != written_by.end()) {
            const std::string &first = recordings[earlier->second];
            error = first == recordings[i]
                        ? "'" + first + "' is given twice"
                        : "'" + first + "' and '" + recordings[i] +
                              "' would both write the keying data file '" + file +
                              "': measure them in separate runs, or rename one";
            return false;
        }
        written_by[file] = i;
        keying_files.push_back(file);
    }
    return true;
}
