#pragma once

#include <string>

#include "platform/desktop_launcher.h"

namespace tarvelin::platform {

// The text of a freedesktop.org launcher file: an application entry that starts `target` with no arguments
// in `workingFolder`. Values are escaped as the desktop-entry format asks, the command line quoted.
std::string desktopEntryText(const Launcher& launcher);

}  // namespace tarvelin::platform
