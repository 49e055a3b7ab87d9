#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class TForm5;

// Opens the shared composer for mailto: links, from the command line or from
// later starts, in the order they came. A link waits while a transfer runs or
// a modal window is open (the composer among them), so it never replaces what
// the user is writing and never holds up a transfer in a nested event loop.
class TLinkComposer : public QObject {
  Q_OBJECT
public:
  // TransferRunning: whether the main window runs a transfer now.
  TLinkComposer(TForm5& Composer, std::function<bool()> TransferRunning, QObject* Parent);

  // Queues Link; a text that is not a mailto: link is ignored.
  void Open(const QString& Link);

private:
  void OpenWaiting();

  TForm5& FComposer;
  std::function<bool()> FTransferRunning;
  QStringList FWaiting;
  QTimer FRetry;
};
