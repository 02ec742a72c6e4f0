#include "platform/desktop_launcher.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvelin::platform {

namespace {

// A string value of a desktop entry: backslash, line breaks and tabs become escape sequences.
std::string escapedValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// One argument of an Exec line: in double quotes, with the characters that are special inside them
// backslash-escaped, and "%" doubled so that it is not taken for a field code.
std::string quotedArgument(std::string_view argument) {
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out += '\\';
        }
        if (c == '%') {
            out += '%';
        }
        out += c;
    }
    out += '"';
    return out;
}

// Writes `data` to the host file `path` whole or not at all: a new file beside it, executable, takes the
// old one's place.
bool replaceHostFile(const std::string& path, std::string_view data) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    size_t written = 0;
    while (written < data.size()) {
        const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    const bool whole = written == data.size() && ::fchmod(fd, 0755) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!whole || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string desktopEntryText(const Launcher& launcher) {
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Version=1.0\n";
    text += "Name=" + escapedValue(launcher.name) + "\n";
    // The Exec value is a string value too: its quoting comes first, then the string escapes.
    text += "Exec=" + escapedValue(quotedArgument(launcher.target)) + "\n";
    text += "Path=" + escapedValue(launcher.workingFolder) + "\n";
    text += "Icon=" + escapedValue(launcher.icon) + "\n";
    text += "Terminal=false\n";
    return text;
}

std::string workingFolderOf(std::string_view programHostPath) {
    const size_t slash = programHostPath.rfind('/');
    if (slash == std::string_view::npos) {
        return ".";
    }
    return std::string(programHostPath.substr(0, slash == 0 ? 1 : slash));
}

bool writeDesktopLauncher(std::string_view folder, std::string_view fileName, const Launcher& launcher) {
    if (folder.empty() || folder.front() != '/') {
        return false;
    }
    std::string path(folder);
    if (path.back() != '/') {
        path += '/';
    }
    path += fileName;
    if (path.size() + sizeof(".XXXXXX") > PATH_MAX) {
        return false;
    }
    return replaceHostFile(path, desktopEntryText(launcher));
}

}  // namespace tarvelin::platform
