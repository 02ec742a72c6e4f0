#include <csignal>
#include <iostream>

#include "cli/join_command.h"

int main(int argc, char** argv) {
    // A reader that goes away (tarvelin-join ... | head -1) must not end a join halfway: writes to the
    // closed pipe fail instead, and the command reports the lost log when the join is done.
    std::signal(SIGPIPE, SIG_IGN);
    return tarvelin::cli::runJoinCommand(argc, argv, std::cin, std::cout, std::cerr);
}
