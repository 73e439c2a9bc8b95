#include "desktopnotification.h"

#include "applicationsetup.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace {

// A service that does not answer in this time is not waited for further.
constexpr int AnswerMilliseconds = 1'000;

} // namespace

void notifyDesktop(const QString &text, QObject *context, std::function<void()> sent)
{
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, no notice to replace, icon, summary, body, no actions, the desktop entry
    // that the notice comes from, the service's own timeout.
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QString::fromLatin1(DesktopFileName)}};
    notify << applicationTitle() << quint32(0) << QStringLiteral("orvalen") << text << QString()
           << QStringList() << hints << qint32(-1);
    // An error (no bus, no service) is nothing to tell. Without a bus there is no call to
    // watch, and no answer would ever come.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QTimer::singleShot(0, context, std::move(sent));
        return;
    }
    auto *answer = new QDBusPendingCallWatcher(bus.asyncCall(notify, AnswerMilliseconds), context);
    QObject::connect(answer, &QDBusPendingCallWatcher::finished, context,
                     [answer, sent = std::move(sent)] {
                         answer->deleteLater();
                         sent();
                     });
}
