#include "offlinedocument.h"

#include <QImage>
#include <QUrl>

#include <filesystem>

namespace {

bool SameName(const std::string& A, const std::string& B) {
  return QString::fromStdString(A).compare(QString::fromStdString(B), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::string InlineFile(const std::string& ContentId, const TStringList& InlineFiles) {
  if (ContentId.empty()) return {};
  const std::string Local = ContentId.substr(0, ContentId.find('@'));
  for (const std::string& Path : InlineFiles) {
    const std::filesystem::path File(Path);
    const std::string Name = File.filename().string();
    if (SameName(ContentId, Name) || SameName(Local, Name) || SameName(Local, File.stem().string())) return Path;
  }
  return {};
}

TOfflineDocument::TOfflineDocument(QObject* Parent) : QTextDocument(Parent) {}

void TOfflineDocument::SetInlineFiles(const TStringList& Files) {
  FInlineFiles = Files;
  FLoaded.clear();
}

QVariant TOfflineDocument::loadResource(int Type, const QUrl& Name) {
  if (Type != ImageResource) return QString("");  // empty, yet not null: nothing else is tried
  if (auto Found = FLoaded.constFind(Name); Found != FLoaded.constEnd()) return *Found;
  QImage Image;
  if (Name.scheme().compare("cid", Qt::CaseInsensitive) == 0) {
    const std::string File = InlineFile(Name.path(QUrl::FullyDecoded).toStdString(), FInlineFiles);
    if (!File.empty()) Image.load(QString::fromStdString(File));
  }
  if (Image.isNull()) {
    Image = QImage(1, 1, QImage::Format_ARGB32);
    Image.fill(Qt::transparent);
  }
  return FLoaded[Name] = Image;
}
