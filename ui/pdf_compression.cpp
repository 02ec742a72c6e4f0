// Print jobs compressed at zlib's fastest level.
//
// Qt's PDF engine makes every print job, to a file and to CUPS alike, and compresses each page's stream with
// deflateInit() at zlib's default level. On a text of thousands of pages that compression was the largest
// part of a print's time, and Qt has no setting for it. This file is compiled into every program that links
// the windows (see ui/CMakeLists.txt): its deflateInit_, which the deflateInit() macro calls, is found
// before zlib's when Qt's library looks the function up, and it turns the default level into the fastest.
// The pages are the same; the job is about a third larger. A level asked for by name is left as it is.
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
