// Writes realistic NC programs for trying the program on large data:
//   generate_nc FOLDER COUNT MEGABYTES
#include <cstdio>
#include <string>

#include "nc_generator.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: generate_nc FOLDER COUNT MEGABYTES\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::stoi(argv[2]);
    const unsigned long long megabytes = std::stoull(argv[3]);
    for (int i = 0; i < count; ++i) {
        const std::string path = folder + "/O" + std::to_string(1001 + i) + ".NC";
        if (!tarvelin::bench::writeNcProgram(path, megabytes << 20, 1001 + i, 20260 + i)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
