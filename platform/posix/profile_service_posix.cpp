#include "platform/private_profile.h"

// The private-profile service here: the Profile engine, which answers as the desktop's own service does.
namespace tarvelin::platform {

struct ProfileReader::Source {
    Profile profile;
};

ProfileReader::ProfileReader(std::string_view path) : source_(std::make_unique<Source>(Source{loadProfile(path)})) {}

ProfileReader::~ProfileReader() = default;

std::string ProfileReader::value(std::string_view section, std::string_view key,
                                 std::optional<std::string_view> defaultValue, size_t bufferSize) const {
    return profileString(source_->profile, section, key, defaultValue, bufferSize);
}

std::vector<std::string> ProfileReader::keyNames(std::string_view section) const {
    return source_->profile.keyNames(section);
}

bool writeProfileStrings(std::string_view path, const std::vector<ProfileEdit>& edits) {
    return writeProfileStringsByEngine(path, edits);
}

}  // namespace tarvelin::platform
