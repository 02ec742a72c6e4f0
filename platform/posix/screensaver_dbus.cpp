#include <optional>
#include <utility>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QObject>

#include "platform/screensaver.h"

namespace tarvelin::platform {
namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");

// Holds at most one inhibition. An Inhibit call whose reply has not arrived yet is remembered, so that a
// switch-on that comes first releases the inhibition as soon as its cookie is known.
class DBusScreenSaver final : public ScreenSaver {
public:
    void setActive(bool active) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            return;
        }
        if (!active) {
            releaseWhenReplied_ = false;
            if (!cookie_ && !pending_) {
                inhibit(bus);
            }
            return;
        }
        if (pending_) {
            releaseWhenReplied_ = true;
        } else if (cookie_) {
            uninhibit(bus, *std::exchange(cookie_, std::nullopt));
        }
    }

private:
    void inhibit(QDBusConnection& bus) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Inhibit"));
        call << QStringLiteral("Tarvelin") << QStringLiteral("NC files are being joined");
        pending_ = true;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), &context_);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            pending_ = false;
            const QDBusPendingReply<uint> reply = *w;
            if (reply.isError()) {
                return;
            }
            if (releaseWhenReplied_) {
                releaseWhenReplied_ = false;
                QDBusConnection session = QDBusConnection::sessionBus();
                uninhibit(session, reply.value());
            } else {
                cookie_ = reply.value();
            }
        });
    }

    static void uninhibit(QDBusConnection& bus, uint cookie) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("UnInhibit"));
        call << cookie;
        bus.asyncCall(call);
    }

    QObject context_;
    std::optional<uint> cookie_;
    bool pending_ = false;
    bool releaseWhenReplied_ = false;
};

}  // namespace

std::unique_ptr<ScreenSaver> makeSessionScreenSaver() {
    return std::make_unique<DBusScreenSaver>();
}

}  // namespace tarvelin::platform
