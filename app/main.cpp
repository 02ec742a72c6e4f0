// Tarvelin: start-up. Only one copy runs; the windows are created once, in their order; the message loop
// runs until the main window has closed.
#include <exception>
#include <memory>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/settings.h"
#include "platform/drives.h"
#include "platform/file_error.h"
#include "platform/program.h"
#include "platform/screensaver.h"
#include "platform/single_instance.h"
#include "ui/EditUnit.h"
#include "ui/MainUnit.h"
#include "ui/UserForm.h"
#include "ui/ViewPrint.h"
#include "ui/ViewUnit.h"
#include "ui/ansi_text.h"
#include "ui/messages.h"
#include "ui/prompter.h"
#include "ui/window_fonts.h"

namespace {

using namespace tarvelin;

// The application: an error that escapes an event handler is shown in the general error display, and the
// program goes on.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv, ui::Prompter& prompter) : QApplication(argc, argv), prompter_(prompter) {}

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const platform::FileError& e) {
            ui::showApplicationError(prompter_, activeWindow(), ui::fromAnsi(e.message()));
        } catch (const std::exception& e) {
            ui::showApplicationError(prompter_, activeWindow(), QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

private:
    ui::Prompter& prompter_;
};

std::string fileNameOf(const std::string& hostPath) {
    return hostPath.substr(hostPath.rfind('/') + 1);
}

void loadTranslations(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(translator);
    }
}

// The settings file, with the drive table that its [Drives] section sets installed first.
std::string installDrivesAndFindSettings() {
    const std::string beforeDrives = core::settingsFilePath(platform::executablePath());
    platform::installDrives(platform::DriveTable::systemDefault(core::LoadDriveOverrides(beforeDrives)));
    return core::settingsFilePath(platform::executablePath());
}

}  // namespace

int main(int argc, char** argv) {
    const auto lock = platform::SingleInstanceLock::acquire(fileNameOf(platform::executableHostPath()));
    if (!lock) {
        return 0;
    }
    ui::DialogPrompter prompter;
    // The program takes no arguments: Qt sees only the program's name, so that its own options (-reverse,
    // -geometry, -style, -platform...) do nothing. The QT_* environment variables still apply.
    int qtArgc = argc > 0 ? 1 : 0;
    TApplication app(qtArgc, argv, prompter);
    QApplication::setApplicationName(QStringLiteral("Tarvelin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarvelin.png")));
    ui::installFontSubstitutes();
    QApplication::setFont(ui::windowFont());
    loadTranslations(app);

    try {
        const std::unique_ptr<platform::ScreenSaver> screenSaver = platform::makeSessionScreenSaver();
        ui::AppContext context{prompter, *screenSaver, installDrivesAndFindSettings(), platform::executableFolder()};
        ui::TMainForm mainForm(context);
        ui::TViewForm viewForm(context, mainForm);
        ui::TPrintForm printForm;
        ui::TUser userForm(context, mainForm);
        ui::TEditForm editForm(context, mainForm);
        mainForm.setViewForm(&viewForm);
        viewForm.setPrintForm(&printForm);
        mainForm.setUserForm(&userForm);
        mainForm.setEditForm(&editForm);
        mainForm.show();
        return QApplication::exec();
    } catch (const platform::FileError& e) {
        ui::showApplicationError(prompter, nullptr, ui::fromAnsi(e.message()));
    } catch (const std::exception& e) {
        ui::showApplicationError(prompter, nullptr, QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
