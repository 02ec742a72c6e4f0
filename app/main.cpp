// Tarvelin: start-up. Only one copy runs; the windows are created once, in their order; the message loop
// runs until the main window has closed.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTranslator>
#if defined(Q_OS_WIN)
#include <QWinEventNotifier>
#include <qt_windows.h>
#endif

#include "core/paths.h"
#include "core/settings.h"
#include "platform/drives.h"
#include "platform/file_error.h"
#include "platform/memory.h"
#include "platform/process.h"
#include "platform/program.h"
#include "platform/screensaver.h"
#include "platform/single_instance.h"
#include "platform/termination.h"
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

// The settings file in the program's data folder, named after the program file ("tarvelin.INI").
std::string settingsFileIn(const std::string& hostFolder) {
    return core::settingsFilePath(core::pathInFolder(
        platform::toProgramFolder(hostFolder), platform::hostNameToCp932(fileNameOf(platform::executableHostPath()))));
}

// The settings file, with the drive table that its [Drives] section sets installed first.
std::string installDrivesAndFindSettings(const std::string& dataFolder) {
    platform::installDrives(platform::DriveTable::systemDefault(core::loadDriveOverrides(settingsFileIn(dataFolder))));
    return settingsFileIn(dataFolder);
}

// The window a second start brings to the front: the open modal dialog, else the main window, else the
// shown window (the join window while the main window is hidden).
void bringToFront(QWidget& mainWindow) {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr && mainWindow.isVisible()) {
        window = &mainWindow;
    }
    for (QWidget* topLevel : QApplication::topLevelWidgets()) {
        if (window == nullptr && topLevel->isVisible() && topLevel->windowType() == Qt::Window) {
            window = topLevel;
        }
    }
    if (window == nullptr) {
        return;
    }
    if (window->isMinimized()) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    }
    window->raise();
    window->activateWindow();
}

// Set once a termination request has come; the main window, once it exists, is closed by it.
bool terminationRequested = false;
QPointer<QWidget> windowToClose;

// SIGTERM (the session ending), SIGHUP and SIGINT close the main window as the operator would, so that the
// settings are saved. The requests are watched from the moment the application exists, so that one that
// comes while a message box of the start-up is open ends that box too; one that came before is waiting.
void watchTermination(QApplication& app, platform::TerminationRequests& requests) {
    auto* notifier = new QSocketNotifier(requests.descriptor(), QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&requests] {
        requests.take();
        terminationRequested = true;
        // End the message loops first (exit, not quit, which only posts a request): a message box that the
        // close raises (a settings file that cannot be written) then returns at once instead of waiting
        // for an operator who has gone.
        QApplication::exit(0);
        if (windowToClose != nullptr) {
            windowToClose->close();
        }
    });
}

// What tells the event loop that a second start has knocked: the door's socket here, its event on Windows.
#if defined(Q_OS_WIN)
using DoorNotifier = QWinEventNotifier;
std::unique_ptr<DoorNotifier> makeDoorNotifier(intptr_t handle) {
    return std::make_unique<QWinEventNotifier>(reinterpret_cast<HANDLE>(handle));
}
#else
using DoorNotifier = QSocketNotifier;
std::unique_ptr<DoorNotifier> makeDoorNotifier(intptr_t handle) {
    return std::make_unique<QSocketNotifier>(static_cast<qintptr>(handle), QSocketNotifier::Read);
}
#endif

// A fatal message of Qt (no display to connect to, no platform plugin) ends the program with status 1 and the
// message, as a failure to start, rather than by abort() with a core dump.
QtMessageHandler defaultMessageHandler = nullptr;

void endOnFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtFatalMsg) {
        if (defaultMessageHandler != nullptr) {
            defaultMessageHandler(type, context, message);
        }
        return;
    }
    std::fprintf(stderr, "tarvelin: %s\n", message.toLocal8Bit().constData());
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    platform::openMissingStandardStreams();
#if defined(TARVELIN_PROCESS_TUNING)
    platform::keepMegabyteBlocksForReuse();
#endif
    const std::string programFileName = fileNameOf(platform::executableHostPath());
    const auto lock = platform::SingleInstanceLock::acquire(programFileName);
    if (!lock) {
        platform::knockAtRunningCopy(programFileName);
        return 0;
    }
    auto termination = platform::TerminationRequests::catchFromNowOn();
    ui::DialogPrompter prompter;
    defaultMessageHandler = qInstallMessageHandler(endOnFatalMessage);
    // The program takes no arguments: Qt sees only the program's name, so that its own options (-reverse,
    // -geometry, -style, -platform...) do nothing. The QT_* environment variables still apply.
    int qtArgc = argc > 0 ? 1 : 0;
    TApplication app(qtArgc, argv, prompter);
    if (termination) {
        watchTermination(app, *termination);
    }
    // The door for a second start opens once the application is sure to run (it has its display).
    auto door = platform::RaiseDoor::open(programFileName);
    QApplication::setApplicationName(QStringLiteral("Tarvelin"));
    // The menu entry's name (org.tarvelin.Tarvelin.desktop): desktops take the window's icon and name from
    // it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tarvelin.Tarvelin"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarvelin.png")));
    ui::installFontSubstitutes();
    QApplication::setFont(ui::windowFont());
    loadTranslations(app);

    try {
        const std::unique_ptr<platform::ScreenSaver> screenSaver = platform::makeSessionScreenSaver();
        const platform::ProgramFolders folders = platform::programFolders();
        const std::string settingsPath = installDrivesAndFindSettings(folders.dataFolder);
        ui::AppContext context{prompter, *screenSaver, settingsPath, platform::toProgramFolder(folders.dataFolder)};
        if (folders.installed && !platform::makeFolders(folders.dataFolder)) {
            ui::showApplicationError(prompter, nullptr,
                                     ui::fromAnsi(platform::FileError::cannotWrite(settingsPath).message()));
        }
        ui::TMainForm mainForm(context);
        ui::TViewForm viewForm(context, mainForm);
        ui::TPrintForm printForm;
        ui::TUser userForm(context, mainForm);
        ui::TEditForm editForm(context, mainForm);
        mainForm.setViewForm(&viewForm);
        viewForm.setPrintForm(&printForm);
        mainForm.setUserForm(&userForm);
        mainForm.setEditForm(&editForm);
        windowToClose = &mainForm;
        std::unique_ptr<DoorNotifier> knocks;
        if (door) {
            knocks = makeDoorNotifier(door->handle());
            QObject::connect(knocks.get(), &DoorNotifier::activated, &mainForm, [&] {
                if (door->takeKnocks()) {
                    bringToFront(mainForm);
                }
            });
        }
        mainForm.show();
        if (terminationRequested) {  // a signal came before the message loop: end as it would have
            mainForm.close();
            return 0;
        }
        return QApplication::exec();
    } catch (const platform::FileError& e) {
        ui::showApplicationError(prompter, nullptr, ui::fromAnsi(e.message()));
    } catch (const std::exception& e) {
        ui::showApplicationError(prompter, nullptr, QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
