#include <csignal>
#include <iostream>

#include "platform/process.h"
#include "platform/termination.h"

#include "cli/join_command.h"

int main(int argc, char** argv) {
    tarvelin::platform::openMissingStandardStreams();
    // Ctrl+C, SIGTERM and SIGHUP end a join at once, with its new output file removed and the old one as it was.
    tarvelin::platform::endOnTerminationRequests();
    // A reader that goes away (tarvelin-join ... | head -1) must not end a join halfway: writes to the
    // closed pipe fail instead, and the command reports the lost log when the join is done.
    std::signal(SIGPIPE, SIG_IGN);
    const tarvelin::cli::Terminals terminals{tarvelin::platform::isTerminal(1), tarvelin::platform::isTerminal(2)};
    return tarvelin::cli::runJoinCommand(argc, argv, std::cin, std::cout, std::cerr, terminals);
}
