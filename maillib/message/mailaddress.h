#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "maillib/message/msgtypes.h"
#include "platform/runtime/tobject.h"

class TItemsReader;
class TItemsWriter;
class TnbMailAddress;

// Shows the address entry dialog for Address and, when the user confirms,
// copies the edited values into it; returns whether the user confirmed.
using TnbAddressEditor = std::function<bool(TnbMailAddress& Address)>;

// One mail address: a display name and a mailbox (local part@domain).
class TnbMailAddress : public TObject {
public:
  TnbMailAddress() = default;
  TnbMailAddress(std::string_view AAddress, std::string_view AName)
      : FName(ShortString(AName)), FAddress(ShortString(AAddress)) {}

  // The display name; may be empty. Cut to 255 bytes.
  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = ShortString(Value); }
  // The mailbox. Cut to 255 bytes.
  const std::string& Address() const { return FAddress; }
  void SetAddress(std::string_view Value) { FAddress = ShortString(Value); }

  void Assign(const TnbMailAddress& Source);
  void Clear();

  // Lets the user edit this address in the address entry dialog; returns
  // whether the user confirmed. Without a user interface (no EditHook) the
  // address stays as it is and the result is false.
  virtual bool Edit();

  // The dialog behind Edit, installed by the user-interface layer so that
  // the mail library itself needs no widget toolkit.
  inline static TnbAddressEditor EditHook;

private:
  std::string FName;
  std::string FAddress;
};

// An ordered list of addresses that it owns (To, CC, BCC).
class TnbAddressList : public TObject {
public:
  TnbAddressList() = default;
  TnbAddressList(const TnbAddressList&) = delete;
  TnbAddressList& operator=(const TnbAddressList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  // The address at Index (from 0); EListError outside the list.
  TnbMailAddress& Items(int Index);
  const TnbMailAddress& Items(int Index) const;

  // Appends Item and takes ownership of it; returns it.
  TnbMailAddress* AddItem(std::unique_ptr<TnbMailAddress> Item);
  // Appends a new address: the mailbox first, the display name second.
  TnbMailAddress* AddAddress(std::string_view Address, std::string_view Name);
  void Clear();
  // Makes this list a copy of Source, item by item, in order.
  void Assign(const TnbAddressList& Source);

  // Stores the entries as the property "Items" (each entry Name, Address);
  // nothing is written for an empty list.
  void WriteItems(TItemsWriter& Writer) const;
  // Reads the list of an "Items" property (its name already read): the
  // list is replaced by the stored entries. On a malformed list EReadError
  // is raised and the list is left as it was.
  void ReadItems(TItemsReader& Reader);

private:
  std::vector<std::unique_ptr<TnbMailAddress>> FItems;
};
