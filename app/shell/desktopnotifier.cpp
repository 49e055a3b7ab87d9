#include "desktopnotifier.h"

#include <QAtomicInt>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = "org.freedesktop.Notifications";
const QString Path = "/org/freedesktop/Notifications";
const QString Interface = "org.freedesktop.Notifications";

QDBusMessage Call(const QString& Method, const QVariantList& Arguments = {}) {
  QDBusMessage Message = QDBusMessage::createMethodCall(Service, Path, Interface, Method);
  Message.setArguments(Arguments);
  return Message;
}

// Notification bodies with markup take a small HTML subset.
QString MarkupEscaped(QString Text) {
  return Text.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
}

}  // namespace

TDesktopNotifier::TDesktopNotifier(const QDBusConnection& Bus, QObject* Parent) : QObject(Parent), FBus(Bus) {
  FBus.connect(Service, Path, Interface, "ActionInvoked", this, SLOT(ActionInvoked(uint, QString)));
}

QDBusConnection TDesktopNotifier::SessionBus() {
  const QString Address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
  if (Address.isEmpty()) return QDBusConnection::sessionBus();
  // A named connection of its own: the default one keeps the address it first saw.
  static QAtomicInt Connections;
  return QDBusConnection::connectToBus(Address, QString("corvalen-notices-%1").arg(Connections.fetchAndAddRelaxed(1)));
}

void TDesktopNotifier::Show(const QString& Summary, const QString& Body) {
  if (!FBus.isConnected()) return;
  auto* Asked = new QDBusPendingCallWatcher(FBus.asyncCall(Call("GetCapabilities")), this);
  connect(Asked, &QDBusPendingCallWatcher::finished, this, [this, Summary, Body](QDBusPendingCallWatcher* Watcher) {
    Watcher->deleteLater();
    const QDBusPendingReply<QStringList> Capabilities = *Watcher;
    if (!Capabilities.isError()) Notify(Capabilities.value(), Summary, Body);
  });
}

void TDesktopNotifier::Notify(const QStringList& Capabilities, const QString& Summary, const QString& Body) {
  const QStringList Actions = Capabilities.contains("actions") ? QStringList{"default", "Open"} : QStringList{};
  const QVariantMap Hints{{"category", "email.arrived"}, {"desktop-entry", "corvalen"}};
  const QVariantList Arguments{QString("Corvalen"),
                               FShown,
                               QString("corvalen"),
                               Summary,
                               Capabilities.contains("body-markup") ? MarkupEscaped(Body) : Body,
                               Actions,
                               Hints,
                               -1};
  auto* Sent = new QDBusPendingCallWatcher(FBus.asyncCall(Call("Notify", Arguments)), this);
  connect(Sent, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* Watcher) {
    Watcher->deleteLater();
    const QDBusPendingReply<uint> Id = *Watcher;
    if (!Id.isError()) FShown = Id.value();
  });
}

void TDesktopNotifier::ActionInvoked(uint Id, const QString& Action) {
  if (Id != 0 && Id == FShown && Action == "default") emit Activated();
}
