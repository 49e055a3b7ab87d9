#include "formattedview.h"

#include "app/mail/offlinedocument.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/handler.h"

namespace {
// The schemes a clicked link may be handed to the desktop with.
bool OpensOutside(const QUrl& Link) {
  const QString Scheme = Link.scheme().toLower();
  return Scheme == "http" || Scheme == "https" || Scheme == "mailto";
}
}  // namespace

TFormattedView::TFormattedView(QWidget* Parent) : QTextBrowser(Parent), FDocument(new TOfflineDocument(this)) {
  setDocument(FDocument);
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setAccessibleName("Formatted message");
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& Link) {
    ui::RunHandler([&] { LinkClicked(Link); });
  });
}

void TFormattedView::ShowHtml(const std::string& Html, const TStringList& Files) {
  FDocument->SetInlineFiles(Files);
  setHtml(QString::fromStdString(Html));
}

QVariant TFormattedView::loadResource(int Type, const QUrl& Name) {
  return FDocument->resource(Type, Name);
}

void TFormattedView::LinkClicked(const QUrl& Link) {
  if (OpensOutside(Link)) ui::OpenUrl(Link.toString(QUrl::FullyEncoded).toStdString());
}
