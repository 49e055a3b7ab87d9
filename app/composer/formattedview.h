#pragma once

#include <QTextBrowser>

#include <string>

#include "platform/runtime/stringlist.h"

class TOfflineDocument;

// The formatted view of an HTML message. It shows the message as its writer
// laid it out, with its own cid: images from the saved files, and loads
// nothing else: no remote image, style sheet or tracking pixel, no local
// file the mail names. Scripts never run. A link opens only on a click, in
// the desktop's default browser, never inside the view.
class TFormattedView : public QTextBrowser {
  Q_OBJECT
public:
  explicit TFormattedView(QWidget* Parent = nullptr);

  // Shows Html; Files are the saved files its cid: images may name.
  void ShowHtml(const std::string& Html, const TStringList& Files);

protected:
  // Every resource comes from the offline document, whatever asks for it.
  QVariant loadResource(int Type, const QUrl& Name) override;

private:
  void LinkClicked(const QUrl& Link);

  TOfflineDocument* FDocument = nullptr;
};
