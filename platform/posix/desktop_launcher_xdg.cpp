#include <climits>

#include "platform/file_replacement.h"
#include "platform/posix/desktop_entry.h"

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

}  // namespace

std::string desktopEntryText(const Launcher& launcher) {
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Version=1.0\n";
    text += "Name=" + escapedValue(launcher.name) + "\n";
    // The Exec value is a string value too: its quoting comes first, then the string escapes. GLib's
    // launcher looks for the program before it expands "%%", so it never finds a program whose path holds
    // "%": such a program is started by /bin/sh, which gets the path as an argument after the expansion.
    std::string exec = quotedArgument(launcher.target);
    if (launcher.target.find('%') != std::string::npos) {
        exec = "/bin/sh -c " + quotedArgument("exec \"$0\"") + " " + exec;
    }
    text += "Exec=" + escapedValue(exec) + "\n";
    text += "Path=" + escapedValue(launcher.workingFolder) + "\n";
    text += "Icon=" + escapedValue(launcher.icon) + "\n";
    text += "Terminal=false\n";
    return text;
}

const char* const kLauncherExtension = ".desktop";

bool writeDesktopLauncher(std::string_view folder, std::string_view fileName, const Launcher& launcher) {
    if (folder.empty() || folder.front() != '/') {
        return false;
    }
    std::string path(folder);
    if (path.back() != '/') {
        path += '/';
    }
    path += fileName;
    if (path.size() >= PATH_MAX) {
        return false;
    }
    auto file = FileReplacement::prepare(path);
    if (!file) {
        return false;
    }
    file->makeExecutable();
    return file->commit(desktopEntryText(launcher));
}

}  // namespace tarvelin::platform
