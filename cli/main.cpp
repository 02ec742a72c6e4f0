#include <iostream>

#include "cli/join_command.h"

int main(int argc, char** argv) {
    return tarvelin::cli::runJoinCommand(argc, argv, std::cout, std::cerr);
}
