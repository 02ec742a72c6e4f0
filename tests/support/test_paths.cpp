// Linked into every window test: Qt's own files (the file dialog's state in QtProject.conf, caches) go to
// test folders, never into the user's configuration.
#include <QCoreApplication>
#include <QStandardPaths>

namespace {

void useTestPaths() {
    QStandardPaths::setTestModeEnabled(true);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(useTestPaths)
