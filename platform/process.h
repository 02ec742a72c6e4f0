#pragma once

// What every program of Tarvelin does to its process first.
namespace tarvelin::platform {

// Opens the standard streams (0, 1, 2) that the program was started without (a service manager, a
// "2>&-" in a script) on the null device. Otherwise the first file the program opens takes their place,
// and a message meant for standard error would be written into it: a joined NC program. Call first in
// main, before anything opens a file.
void openMissingStandardStreams();

// Whether standard output (1) or standard error (2) is a terminal, which shows control characters as
// commands rather than text.
bool isTerminal(int standardStream);

}  // namespace tarvelin::platform
