#pragma once

#include <string>

namespace tarvelin::test {

// The bytes written as pairs of hexadecimal digits ("8140" gives the two bytes 0x81 0x40), as the
// reference vectors hold them.
inline std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

}  // namespace tarvelin::test
