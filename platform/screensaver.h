#pragma once

#include <memory>

namespace tarvelin::platform {

// The desktop's screen-saver switch. Switching it off keeps the screen saver from starting while a long
// join runs; switching it on gives it back, whatever its state was before. Failures are silent.
class ScreenSaver {
public:
    virtual ~ScreenSaver() = default;
    virtual void setActive(bool active) = 0;
};

// A switch that does nothing, for programs without a desktop session (the command-line joiner, tests).
class NoScreenSaver final : public ScreenSaver {
public:
    void setActive(bool) override {}
};

// The session's screen saver over D-Bus (org.freedesktop.ScreenSaver Inhibit/UnInhibit, called
// asynchronously; the replies arrive through the Qt event loop). Silently nothing without a session bus.
std::unique_ptr<ScreenSaver> makeSessionScreenSaver();

}  // namespace tarvelin::platform
