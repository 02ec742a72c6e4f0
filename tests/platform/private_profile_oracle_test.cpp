// Conformance with vectors recorded from a reference implementation of the desktop's private-profile
// services (Wine 8 under code page 932), read from the shared folder beside the repository.
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include "platform/mbcs.h"
#include "platform/private_profile.h"

#include "support/hex.h"
#include "support/system_services.h"
#include "support/temp_tree.h"

namespace tarvelin::platform {
namespace {

using nlohmann::json;
using test::fromHex;

std::optional<std::string> optionalHex(const json& value) {
    if (value.is_null()) {
        return std::nullopt;
    }
    return fromHex(value.get<std::string>());
}

json loadVectors(const char* name) {
    const std::string folder = test::sharedDataFolder();
    const std::string path = folder + "/oracle/" + name;
    if (folder.empty() || !std::filesystem::exists(path)) {
        return nullptr;
    }
    std::ifstream in(path);
    return json::parse(in);
}

// The buffer that the service fills for an enumeration: every name followed by a NUL; a list that does not
// fit is cut to bufferSize - 2 bytes.
std::string enumerationBuffer(const std::vector<std::string>& names, size_t bufferSize) {
    std::string list;
    for (const auto& name : names) {
        list += name;
        list += '\0';
    }
    return list.size() + 1 <= bufferSize ? list : list.substr(0, bufferSize >= 2 ? bufferSize - 2 : 0);
}

TEST(ProfileOracle, EveryReadVector) {
    const json vectors = loadVectors("profile-read.json");
    if (vectors.is_null()) {
        GTEST_SKIP() << "the shared oracle vectors are not beside the repository";
    }
    int queries = 0;
    for (const auto& vector : vectors["vectors"]) {
        test::TempTree tree;
        const auto file = optionalHex(vector["file_hex"]);
        if (file) {
            tree.write("P.INI", *file);
        }
        for (const auto& query : vector["queries"]) {
            SCOPED_TRACE(query["name"].get<std::string>());
            const auto section = optionalHex(query["section_hex"]);
            const auto key = optionalHex(query["key_hex"]);
            const auto defaultValue = optionalHex(query["default_hex"]);
            const auto bufferSize = query["bufsize"].get<size_t>();
            std::string result;
            if (!section) {
                result = enumerationBuffer(loadProfile("C:\\P.INI").sectionNames(), bufferSize);
            } else if (!key) {
                result = enumerationBuffer(loadProfile("C:\\P.INI").keyNames(*section), bufferSize);
            } else {
                result = readProfileString("C:\\P.INI", *section, *key, defaultValue, bufferSize);
            }
            std::string expected = fromHex(query["result_hex"].get<std::string>());
            if (query.value("last_error", 0) == 122) {
                // The reference copies whole characters only and leaves the last byte of the buffer
                // undefined: the defined bytes must agree.
                expected.pop_back();
            }
            EXPECT_EQ(result, expected);
            ++queries;
        }
    }
    EXPECT_GT(queries, 100);
}

// ---- Writing ----

bool isBlankByte(char c) {
    return c == ' ' || c == '\t' || c == '\x1A';
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && isBlankByte(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlankByte(s.back())) {
        s.remove_suffix(1);
    }
    return std::string(s);
}

struct RawLine {
    std::string text;
    std::string ending;
};

std::vector<RawLine> splitRaw(std::string_view bytes) {
    std::vector<RawLine> lines;
    size_t begin = 0;
    while (begin < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", begin);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(bytes.substr(begin)), ""});
            break;
        }
        const size_t length = bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({std::string(bytes.substr(begin, end - begin)), std::string(bytes.substr(end, length))});
        begin = end + length;
    }
    return lines;
}

// The reference rewrites the whole file on every change: blank lines dropped, blanks around names, "=" and
// values normalised, every line ended with CR LF. A file brought to that form compares with its output.
std::string referenceForm(std::string_view bytes) {
    std::string form;
    for (const auto& line : splitRaw(bytes)) {
        const std::string text = trimmed(line.text);
        if (text.empty()) {
            continue;
        }
        const size_t close = lastDelimiter(text, "]");
        if (text.front() == '[' && close != std::string::npos && close > 0) {
            form += "[" + trimmed(std::string_view(text).substr(1, close - 1)) + "]";
        } else if (const size_t equals = text.find('='); equals != std::string::npos) {
            form += trimmed(text.substr(0, equals)) + "=" + trimmed(text.substr(equals + 1));
        } else {
            form += text;
        }
        form += "\r\n";
    }
    return form;
}

struct Write {
    std::string section;
    std::optional<std::string> key;
    std::optional<std::string> value;
    bool expected = true;
};

// The lines of the initial file that no write touched must stay in the result byte for byte, in their
// order (a last line without a line break may gain one).
bool untouchedLinesKept(const std::string& initial, const std::string& result, const std::vector<Write>& writes) {
    const auto before = splitRaw(initial);
    const auto after = splitRaw(result);
    std::string section;
    size_t next = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        const std::string text = trimmed(before[i].text);
        bool touched = false;
        if (!text.empty() && text.front() == '[') {
            section = trimmed(std::string_view(text).substr(1, lastDelimiter(text, "]") - 1));
        }
        const std::string key = trimmed(text.substr(0, text.find('=')));
        for (const auto& write : writes) {
            touched = touched || (sameText(trimmed(write.section), section) &&
                                  (!write.key || (text.front() != '[' && sameText(trimmed(*write.key), key))));
        }
        if (touched) {
            continue;
        }
        const bool lastWithoutBreak = i + 1 == before.size() && before[i].ending.empty();
        while (next < after.size() &&
               !(after[next].text == before[i].text && (after[next].ending == before[i].ending || lastWithoutBreak))) {
            ++next;
        }
        if (next == after.size()) {
            return false;
        }
        ++next;
    }
    return true;
}

TEST(ProfileOracle, EveryWriteVector) {
    const json vectors = loadVectors("profile-write.json");
    if (vectors.is_null()) {
        GTEST_SKIP() << "the shared oracle vectors are not beside the repository";
    }
    // Written by the very service that recorded the vectors, every file must come out byte for byte.
    const bool exactly = test::servicesAreWines();
    int exact = 0;
    int normalised = 0;
    for (const auto& vector : vectors["vectors"]) {
        const std::string name = vector["name"].get<std::string>();
        SCOPED_TRACE(name);
        test::TempTree tree;
        const auto initial = optionalHex(vector["initial_hex"]);
        if (initial) {
            tree.write("P.INI", *initial);
        }
        std::vector<Write> writes;
        for (const auto& w : vector["writes"]) {
            writes.push_back({fromHex(w["section_hex"].get<std::string>()), optionalHex(w["key_hex"]),
                              optionalHex(w["value_hex"]), w["ret"].get<int>() == 1});
        }
        const auto applyAll = [&] {
            bool asRecorded = true;
            for (const auto& write : writes) {
                const auto key = write.key ? std::optional<std::string_view>(*write.key) : std::nullopt;
                const auto value = write.value ? std::optional<std::string_view>(*write.value) : std::nullopt;
                asRecorded = asRecorded && writeProfileString("C:\\P.INI", write.section, key, value) == write.expected;
            }
            return asRecorded;
        };
        if (vector.value("readonly", false)) {
#ifdef _WIN32
            const std::wstring file = std::filesystem::path(tree.host("P.INI")).wstring();
            ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
            EXPECT_TRUE(applyAll());
            ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
            ::chmod(tree.host("P.INI").c_str(), 0444);
            EXPECT_TRUE(test::asUnprivilegedUser(tree, applyAll));
#endif
        } else {
            EXPECT_TRUE(applyAll());
        }
        const std::string expected = fromHex(vector["final_hex"].get<std::string>());
        const std::string actual = tree.read("P.INI");
        if (actual == expected) {
            ++exact;
            continue;
        }
        EXPECT_FALSE(exactly) << "the recording service wrote " << testing::PrintToString(actual);
        // Where the reference rewrote lines that the writes did not touch, the results must agree in the
        // reference's form, and the untouched lines must have stayed as they were.
        ++normalised;
        std::cout << "  normalised: " << name << "\n";
        EXPECT_EQ(referenceForm(actual), referenceForm(expected));
        EXPECT_TRUE(untouchedLinesKept(initial.value_or(""), actual, writes)) << actual;
    }
    EXPECT_GT(exact, 20);
    std::cout << "write vectors: " << exact << " exact, " << normalised << " equal in the reference's form\n";
}

}  // namespace
}  // namespace tarvelin::platform
