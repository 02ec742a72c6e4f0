#pragma once

#include <string>

namespace tarvelin::platform {

// The host path of the running program file ("/opt/tarvelin/bin/tarvelin").
std::string executableHostPath();

// The running program file as a program path: its drive path when a drive of the installed table holds
// it ("Z:\opt\tarvelin\bin\tarvelin"), else its host path in code page 932.
std::string executablePath();

// The folder of the running program file as a program path: a drive path, the root with its backslash
// ("C:\") and a sub-folder without one ("Z:\opt\tarvelin\bin"); the host folder when no drive holds it.
std::string executableFolder();

}  // namespace tarvelin::platform
