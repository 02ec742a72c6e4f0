#pragma once

#include <QApplication>
#include <QByteArray>

#include "platform/memory.h"
#include "ui/window_fonts.h"

namespace tarvelin::bench {

// The application of a benchmark of the windows: offscreen, with the program's own memory rule and fonts.
// The benchmark's arguments stay its own: Qt is given none of them.
class OffscreenApp {
public:
    explicit OffscreenApp(char** argv) : app_(argc_, argv) { ui::installFontSubstitutes(); }

private:
    // Runs before the application exists.
    struct Setup {
        Setup() {
#if defined(TARVELIN_PROCESS_TUNING)
            platform::keepMegabyteBlocksForReuse();  // as the program does
#endif
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    };
    Setup setup_;
    int argc_ = 1;
    QApplication app_;
};

}  // namespace tarvelin::bench
