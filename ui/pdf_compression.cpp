// Print jobs compressed at zlib's fastest level.
//
// Qt's PDF engine makes every print job, to a file and to CUPS alike, and compresses each page's stream with
// deflateInit() at zlib's default level. On a text of thousands of pages that compression was the largest
// part of a print's time, and Qt has no setting for it. This file is compiled into every program that links
// the windows (see ui/CMakeLists.txt). Its deflateInit_, which the deflateInit() macro calls, is the program's
// own, so the dynamic linker finds it before zlib's for every caller in the process: Qt's PDF engine, Qt's
// qCompress() at its default level, and zlib's own compress(). For each of them the default level (asked
// for by name or not) becomes the fastest; a level given as a number is kept. What is compressed reads back
// the same, and a print job is about a third larger.
//
// This needs zlib as a shared library, as Debian has it: against a static zlib the definition would clash
// with zlib's own at link time, and a Qt built with its own zlib would not see it.
#include <zlib.h>

extern "C" int deflateInit_(z_streamp stream, int level, const char* version, int streamSize) {
    if (level == Z_DEFAULT_COMPRESSION) {
        level = Z_BEST_SPEED;
    }
    // What zlib's own deflateInit_ does: the default window, memory level and strategy.
    constexpr int kDefaultMemoryLevel = 8;
    return deflateInit2_(stream, level, Z_DEFLATED, MAX_WBITS, kDefaultMemoryLevel, Z_DEFAULT_STRATEGY, version,
                         streamSize);
}
