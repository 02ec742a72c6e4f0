#include "core/settings.h"

#include <cctype>
#include <cstdint>
#include <optional>

#include "platform/file_error.h"
#include "platform/mbcs.h"
#include "platform/private_profile.h"

namespace tarvelin::core {
namespace {

// Calls visit(section, key, field) for every key of the record, in the order in which the file is read
// and written (after Main/Left and Main/Top, which are not in the record).
template <typename Record, typename Visit>
void forEachKey(Record& s, Visit&& visit) {
    visit("Main", "Drive", s.Main.Drive);
    visit("Main", "DirPath", s.Main.DirPath);
    visit("Main", "Mask", s.Main.Mask);
    visit("Main", "ListPath", s.Main.ListPath);
    visit("Main", "ChgPath", s.Main.ChgPath);
    visit("View", "Left", s.View.Left);
    visit("View", "Top", s.View.Top);
    visit("View", "Width", s.View.Width);
    visit("View", "Height", s.View.Height);
    visit("View", "FontSize", s.View.FontSize);
    visit("Options", "OP1", s.Options.OP1);
    visit("Setting", "Mask_No", s.Setting.Mask_No);
    visit("Setting", "User1_Name", s.Setting.User1_Name);
    visit("Setting", "User1_Mask", s.Setting.User1_Mask);
    visit("Setting", "User2_Name", s.Setting.User2_Name);
    visit("Setting", "User2_Mask", s.Setting.User2_Mask);
    visit("Edit", "DelChar1", s.Edit.DelChar1);
    visit("Edit", "DelChar2", s.Edit.DelChar2);
    visit("Edit", "DelChar3", s.Edit.DelChar3);
    visit("Edit", "ChgChar1", s.Edit.ChgChar1);
    visit("Edit", "ChgChar2", s.Edit.ChgChar2);
    visit("Edit", "ChgChar3", s.Edit.ChgChar3);
}

// An integer as the settings file holds it: "0x"/"0X" and hexadecimal digits (the 32 bits taken as
// signed), or signed decimal; nothing for anything else.
std::optional<int> parseInteger(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    uint64_t value = 0;
    if (hex) {
        for (const char c : text.substr(2)) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<uint64_t>(std::isdigit(static_cast<unsigned char>(c))
                                                           ? c - '0'
                                                           : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
            if (value > UINT32_MAX) {
                return std::nullopt;
            }
        }
        return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    }
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > uint64_t{INT32_MAX} + (negative ? 1 : 0)) {
            return std::nullopt;
        }
    }
    return static_cast<int>(negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value));
}

int readInteger(const platform::ProfileReader& profile, const char* section, const char* key, int defaultValue) {
    return parseInteger(profile.value(section, key, "")).value_or(defaultValue);
}

std::string readString(const platform::ProfileReader& profile, const char* section, const char* key,
                       const std::string& defaultValue) {
    return profile.value(section, key, defaultValue);
}

}  // namespace

std::string settingsFilePath(std::string_view programPath) {
    const size_t separator = platform::lastDelimiter(programPath, "\\/:");
    const size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
    const size_t dot = programPath.rfind('.');
    const size_t stem = dot != std::string_view::npos && dot >= nameStart ? dot : programPath.size();
    return std::string(programPath.substr(0, stem)) + ".INI";
}

LoadedSettings LoadSettings(std::string_view settingsPath) {
    const platform::ProfileReader profile(settingsPath);
    LoadedSettings loaded;
    loaded.mainWindow.Left = readInteger(profile, "Main", "Left", loaded.mainWindow.Left);
    loaded.mainWindow.Top = readInteger(profile, "Main", "Top", loaded.mainWindow.Top);
    forEachKey(loaded.settings, [&](const char* section, const char* key, auto& field) {
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, int>) {
            field = readInteger(profile, section, key, field);
        } else {
            field = readString(profile, section, key, field);
        }
    });
    loaded.settings.Options.JoinCheck = readInteger(profile, "Options", "JoinCheck", 0) != 0 ? 1 : 0;
    return loaded;
}

void SaveSettings(std::string_view settingsPath, const Settings& settings, WindowPlace mainWindow) {
    std::vector<platform::ProfileEdit> edits;
    const auto write = [&](const char* section, const char* key, std::string value) {
        edits.push_back({section, key, std::move(value)});
    };
    write("Main", "Top", std::to_string(mainWindow.Top));
    write("Main", "Left", std::to_string(mainWindow.Left));
    forEachKey(settings, [&](const char* section, const char* key, const auto& field) {
        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, int>) {
            // Every run of the program starts the join window at its designed height.
            const bool height = std::string_view(section) == "View" && std::string_view(key) == "Height";
            write(section, key, std::to_string(height ? 510 : field));
        } else {
            write(section, key, field);
        }
    });
    edits.push_back(
        {"Options", "JoinCheck", settings.Options.JoinCheck != 0 ? std::optional<std::string>("1") : std::nullopt});
    if (!platform::writeProfileStrings(settingsPath, edits)) {
        throw platform::FileError::cannotWrite(settingsPath);
    }
}

std::map<char, std::string> loadDriveOverrides(std::string_view settingsPath) {
    const platform::ProfileReader profile(settingsPath);
    std::map<char, std::string> drives;
    for (const auto& key : profile.keyNames("Drives")) {
        if (key.size() != 1 || !std::isalpha(static_cast<unsigned char>(key[0]))) {
            continue;
        }
        const std::string folder = profile.value("Drives", key, "");
        std::string host;
        drives[static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])))] =
            platform::tryCp932ToUtf8(folder, host) ? host : folder;
    }
    return drives;
}

}  // namespace tarvelin::core
