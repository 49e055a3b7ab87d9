#pragma once

#include <functional>

// Root of every class that can be the sender of an event.
class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
  virtual ~TObject() = default;
};

// An event that tells only who raised it.
using TNotifyEvent = std::function<void(TObject* Sender)>;
