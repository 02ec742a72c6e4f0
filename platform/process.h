#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

// What every program of Tarvelin does to its process first.
namespace tarvelin::platform {

// Opens the standard streams (0, 1, 2) that the program was started without (a service manager, a
// "2>&-" in a script) on the null device. Otherwise the first file the program opens takes their place,
// and a message meant for standard error would be written into it: a joined NC program. Call first in
// main, before anything opens a file.
void openMissingStandardStreams();

// The program's arguments in UTF-8, argv[0] first: as they came here, and on Windows from the system's wide
// command line, where argv holds them in the ANSI code page and loses what that cannot hold.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// A buffer that writes UTF-8 text to the console of standard output (1) or standard error (2) as the
// console shows it, where the stream is a Windows console; nothing elsewhere (the bytes go as they are).
std::unique_ptr<std::streambuf> consoleTextBuffer(int standardStream);

// Whether standard output (1) or standard error (2) is a terminal, which shows control characters as
// commands rather than text.
bool isTerminal(int standardStream);

}  // namespace tarvelin::platform
