#include "platform/temporary_name.h"

#include <charconv>

namespace tarvelin::platform {
namespace {

constexpr std::string_view kStart = ".tarvelin-";

}  // namespace

uint32_t machineMarkOf(std::string_view machineName) {
    uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : machineName) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

std::string temporaryNamePrefix(uint32_t machineMark, unsigned long process) {
    char mark[9];
    const auto [end, error] = std::to_chars(mark, mark + 8, machineMark, 16);
    const std::string digits(mark, end);
    return std::string(kStart) + std::string(8 - digits.size(), '0') + digits + "-" + std::to_string(process) + "-";
}

std::optional<TemporaryNameOwner> ownerOfTemporaryName(std::string_view name) {
    if (name.substr(0, kStart.size()) != kStart) {
        return std::nullopt;
    }
    name.remove_prefix(kStart.size());
    TemporaryNameOwner owner;
    if (name.size() < 9 || name[8] != '-') {
        return std::nullopt;
    }
    const auto mark = std::from_chars(name.data(), name.data() + 8, owner.machineMark, 16);
    if (mark.ec != std::errc() || mark.ptr != name.data() + 8) {
        return std::nullopt;
    }
    name.remove_prefix(9);
    const auto process = std::from_chars(name.data(), name.data() + name.size(), owner.process);
    if (process.ec != std::errc() || process.ptr == name.data() || process.ptr == name.data() + name.size() ||
        *process.ptr != '-' || owner.process == 0) {
        return std::nullopt;
    }
    return owner;
}

}  // namespace tarvelin::platform
