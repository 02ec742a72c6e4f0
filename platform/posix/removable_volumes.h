#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarvelin::platform {

// A mounted removable volume: where it is mounted and its label.
struct MountedVolume {
    std::string mountPoint;
    std::string label;
};

// The removable volumes in a mount table (the text of /proc/self/mountinfo): the mounts that the desktop
// makes for a user's media, /media/<user>/NAME and /run/media/<user>/NAME, in name order. A folder there
// that nothing is mounted on is not a volume. `labels` maps a device number ("8:17") to its volume label;
// a volume without one is labelled with its mount folder's name.
std::vector<MountedVolume> removableVolumes(std::string_view mountInfo, std::string_view user,
                                            const std::map<std::string, std::string>& labels);

}  // namespace tarvelin::platform
