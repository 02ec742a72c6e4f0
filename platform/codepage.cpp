#include "platform/codepage.h"

#include <mutex>
#include <unordered_map>

namespace tarvelin::platform {

const std::string& ansi(std::string_view utf8Literal) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::string> cache;
    const std::lock_guard lock(mutex);
    auto it = cache.find(std::string(utf8Literal));
    if (it == cache.end()) {
        it = cache.emplace(std::string(utf8Literal), utf8ToCp932(utf8Literal)).first;
    }
    return it->second;
}

}  // namespace tarvelin::platform
