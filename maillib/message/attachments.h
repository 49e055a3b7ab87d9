#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/message/msgtypes.h"
#include "platform/runtime/streams.h"
#include "platform/runtime/tobject.h"

class TItemsReader;
class TItemsWriter;

// One attachment: its bytes in memory (decoded, as they are in the file),
// its file name, content type and transfer encoding.
class TnbAttItem : public TObject {
public:
  TnbAttItem() = default;
  TnbAttItem(const TnbAttItem&) = delete;
  TnbAttItem& operator=(const TnbAttItem&) = delete;

  // The attachment's bytes.
  TMemoryStream Data;
  TTransferEncoding TransferEncoding = TTransferEncoding::te7Bit;

  // A full path for outgoing attachments, a bare name for received ones.
  // Cut to 255 bytes, keeping its extension (ShortFileName). Setting a
  // non-empty name also sets ContentType to the type registered for its
  // extension and TransferEncoding to what suits that type.
  const std::string& FileName() const { return FFileName; }
  void SetFileName(std::string_view Value);
  // A MIME type such as image/gif. Cut to 255 bytes.
  const std::string& ContentType() const { return FContentType; }
  void SetContentType(std::string_view Value) { FContentType = ShortString(Value); }

  // Copies the bytes, name, type and encoding of Source as they are.
  void Assign(const TnbAttItem& Source);
  // Copies name, type and encoding of Source, but not its bytes.
  void AssignDescription(const TnbAttItem& Source);

  // Replaces Data by the whole content of the file FileName names.
  // Raises EFOpenError or EStreamError when it cannot be read; Data is then
  // left as it was.
  void LoadDataFromFile();

private:
  std::string FFileName;
  std::string FContentType;
};

// The transfer encoding an attachment of ContentType travels in: quoted-
// printable for plain, rich and HTML text, 7bit for a message, base64 for
// everything else.
TTransferEncoding TransferEncodingFor(std::string_view ContentType);

// An ordered list of attachments that it owns.
class TnbAttList : public TObject {
public:
  TnbAttList() = default;
  TnbAttList(const TnbAttList&) = delete;
  TnbAttList& operator=(const TnbAttList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  // The attachment at Index (from 0); EListError outside the list.
  TnbAttItem& Items(int Index);
  const TnbAttItem& Items(int Index) const;

  // Appends Item and takes ownership of it; returns it.
  TnbAttItem* AddItem(std::unique_ptr<TnbAttItem> Item);
  // Appends an attachment holding the file at Path, its type and encoding
  // taken from the name. Raises the file error when the file cannot be read;
  // nothing is appended then.
  TnbAttItem* AddFile(const std::string& Path);
  void Clear();
  // Removes and frees the attachment at Index; EListError outside the list.
  void Delete(int Index);
  // Makes this list a copy of Source, bytes included.
  void Assign(const TnbAttList& Source);

  // Stores the entries as the property "Items" (each entry FileName,
  // ContentType, TransferEncoding ordinal); the bytes are not stored.
  // Nothing is written for an empty list.
  void WriteItems(TItemsWriter& Writer) const;
  // Reads the list of an "Items" property (its name already read): the list
  // is replaced by the stored entries, each named first (which derives type
  // and encoding) and then given its stored type and encoding. On a malformed
  // list EReadError is raised and the list is left as it was.
  void ReadItems(TItemsReader& Reader);

private:
  std::vector<std::unique_ptr<TnbAttItem>> FItems;
};
