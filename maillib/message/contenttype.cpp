#include "maillib/message/contenttype.h"

#include "platform/mimetypes/mimetyperegistry.h"

std::string ContentTypeForFile(std::string_view FileName) {
  // A dot in a directory name is no extension: only the name part counts.
  const std::size_t Slash = FileName.find_last_of('/');
  if (Slash != std::string_view::npos) FileName.remove_prefix(Slash + 1);
  const std::size_t Dot = FileName.find_last_of('.');
  if (Dot == std::string_view::npos) return DefaultContentType;
  std::string Type = RegisteredContentType(FileName.substr(Dot));
  return Type.empty() ? std::string(DefaultContentType) : Type;
}
