#include <windows.h>

#include "platform/screensaver.h"

// The screen saver's switch on Windows: SystemParametersInfo with SPI_SETSCREENSAVEACTIVE, for this session
// only (not written to the user's profile).
namespace tarvelin::platform {
namespace {

class SystemScreenSaver final : public ScreenSaver {
public:
    void setActive(bool active) override {
        ::SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, 0);
    }
};

}  // namespace

std::unique_ptr<ScreenSaver> makeSessionScreenSaver() {
    return std::make_unique<SystemScreenSaver>();
}

}  // namespace tarvelin::platform
