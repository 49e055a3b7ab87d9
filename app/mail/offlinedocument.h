#pragma once

#include <QHash>
#include <QTextDocument>
#include <QVariant>

#include <string>

#include "platform/runtime/stringlist.h"

// The saved file of InlineFiles (full paths, a received message's ATTACH
// list) that a cid: reference names, or an empty text. The message keeps no
// Content-ID of its files, so a reference is matched by name: "logo.png",
// "logo.png@host" and "logo@host" all name a file logo.png.
std::string InlineFile(const std::string& ContentId, const TStringList& InlineFiles);

// An HTML document that loads nothing from outside the message: no network,
// no local file, no style sheet. A cid: image is read from the message's own
// saved files; every other resource is a blank, so the toolkit never falls
// back to reading a file named by the mail.
class TOfflineDocument : public QTextDocument {
public:
  explicit TOfflineDocument(QObject* Parent = nullptr);

  // The saved files cid: images may come from; clears the images read so far.
  void SetInlineFiles(const TStringList& Files);

protected:
  QVariant loadResource(int Type, const QUrl& Name) override;

private:
  TStringList FInlineFiles;
  QHash<QUrl, QVariant> FLoaded;
};
