#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

// Receives NetworkManager's signals on the thread that made it and hands
// them on with the path of the object that sent them.
class TNmSignals : public QObject {
  Q_OBJECT
public:
  // An active connection's StateChanged(state, reason).
  std::function<void(const QString& Path, uint State, uint Reason)> OnStateChanged;
  // org.freedesktop.DBus.Properties.PropertiesChanged of any followed object.
  std::function<void(const QString& Path, const QString& Interface, const QVariantMap& Changed)> OnPropertiesChanged;

public slots:
  void StateChanged(uint State, uint Reason, const QDBusMessage& Message) {
    if (OnStateChanged) OnStateChanged(Message.path(), State, Reason);
  }
  void PropertiesChanged(const QString& Interface, const QVariantMap& Changed, const QStringList&,
                         const QDBusMessage& Message) {
    if (OnPropertiesChanged) OnPropertiesChanged(Message.path(), Interface, Changed);
  }
};
