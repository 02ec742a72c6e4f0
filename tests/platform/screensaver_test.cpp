#include "platform/screensaver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <gtest/gtest.h>

namespace tarvelin::platform {
namespace {

// A stand-in for the desktop's screen-saver service on the test's own session bus.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QStringList calls;

public slots:
    uint Inhibit(const QString& application, const QString&) {
        calls << QStringLiteral("Inhibit ") + application;
        return ++lastCookie_;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("UnInhibit %1").arg(cookie); }

private:
    uint lastCookie_ = 40;
};

// Handles events until `done` or two seconds have passed.
template <typename Done>
bool waitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

class SessionScreenSaver : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "no session bus (the test runs under dbus-run-session)";
        }
        QDBusConnection bus = QDBusConnection::sessionBus();
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        ASSERT_TRUE(
            bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &fake, QDBusConnection::ExportAllSlots));
    }
    void TearDown() override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    }

    FakeScreenSaver fake;
};

TEST_F(SessionScreenSaver, OffInhibitsAndOnReleasesTheSameCookie) {
    auto saver = makeSessionScreenSaver();
    saver->setActive(false);
    saver->setActive(false);  // already off: no second inhibition
    ASSERT_TRUE(waitFor([&] { return fake.calls.size() >= 1; }));
    saver->setActive(true);
    saver->setActive(true);  // already on: nothing to release
    ASSERT_TRUE(waitFor([&] { return fake.calls.size() >= 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(fake.calls, QStringList({"Inhibit Tarvelin", "UnInhibit 41"}));
}

TEST_F(SessionScreenSaver, OnBeforeTheReplyReleasesAsSoonAsTheCookieArrives) {
    auto saver = makeSessionScreenSaver();
    saver->setActive(false);
    saver->setActive(true);  // the Inhibit reply has not been handled yet
    ASSERT_TRUE(waitFor([&] { return fake.calls.size() >= 2; }));
    EXPECT_EQ(fake.calls, QStringList({"Inhibit Tarvelin", "UnInhibit 41"}));
}

TEST(NoSessionBus, SwitchingDoesNothingAndNeverFails) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    if (QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "a session bus was connected before";
    }
    auto saver = makeSessionScreenSaver();
    saver->setActive(false);
    saver->setActive(true);
    QCoreApplication::processEvents();
    SUCCEED();
}

}  // namespace
}  // namespace tarvelin::platform

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "screensaver_test.moc"
