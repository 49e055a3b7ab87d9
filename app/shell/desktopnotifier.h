#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Shows notices through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). A notice replaces the
// one this notifier showed before, so there is one bubble at a time; clicking
// it is reported. Calls never wait for the service: without one nothing is
// shown and nothing fails.
class TDesktopNotifier : public QObject {
  Q_OBJECT
public:
  explicit TDesktopNotifier(const QDBusConnection& Bus, QObject* Parent = nullptr);

  // A connection of its own to the session bus that DBUS_SESSION_BUS_ADDRESS
  // names now, else to the default session bus.
  static QDBusConnection SessionBus();

  // Summary and Body as the service shows them. Body is plain text; it is
  // escaped for a service that reads markup. The click action is offered
  // only to a service that supports actions.
  void Show(const QString& Summary, const QString& Body);

signals:
  // The user clicked the notice last shown.
  void Activated();

private slots:
  void ActionInvoked(uint Id, const QString& Action);

private:
  void Notify(const QStringList& Capabilities, const QString& Summary, const QString& Body);

  QDBusConnection FBus;
  // The service's id of the notice shown last; 0 before the first.
  uint FShown = 0;
};
