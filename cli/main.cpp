#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/termination.h"

#include "cli/join_command.h"

int main(int argc, char** argv) {
    using namespace tarvelin;
    platform::openMissingStandardStreams();
    // Ctrl+C, SIGTERM and SIGHUP end a join at once, with its new output file removed and the old one as it was.
    platform::endOnTerminationRequests();
#if defined(SIGPIPE)
    // A reader that goes away (tarvelin-join ... | head -1) must not end a join halfway: writes to the
    // closed pipe fail instead, and the command reports the lost log when the join is done.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    // A Windows console is written in its own characters; a file or pipe gets UTF-8 bytes.
    const auto consoleOut = platform::consoleTextBuffer(1);
    const auto consoleErr = platform::consoleTextBuffer(2);
    std::streambuf* const outBuffer = consoleOut ? std::cout.rdbuf(consoleOut.get()) : nullptr;
    std::streambuf* const errBuffer = consoleErr ? std::cerr.rdbuf(consoleErr.get()) : nullptr;
    std::vector<std::string> arguments = platform::commandLineArguments(argc, argv);
    std::vector<char*> pointers;
    pointers.reserve(arguments.size() + 1);
    for (auto& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    const cli::Terminals terminals{platform::isTerminal(1), platform::isTerminal(2)};
    const int status = cli::runJoinCommand(static_cast<int>(arguments.size()), pointers.data(), std::cin, std::cout,
                                           std::cerr, terminals);
    std::cout.flush();
    std::cerr.flush();
    if (outBuffer != nullptr) {
        std::cout.rdbuf(outBuffer);  // before the console's buffer goes
    }
    if (errBuffer != nullptr) {
        std::cerr.rdbuf(errBuffer);
    }
    return status;
}
