#pragma once

#include <string>
#include <vector>

#include "tobject.h"

enum class TOperation { opInsert, opRemove };

// A named part of a larger whole. An owner destroys what it owns; a component
// that holds a plain reference to another asks for a free notification, so the
// reference is cleared when the other one is destroyed first.
class TComponent : public TObject {
public:
  explicit TComponent(TComponent* AOwner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  // The components this one owns, in the order they were created.
  const std::vector<TComponent*>& Components() const { return FComponents; }

  // Both components are told (opRemove) when the other one is destroyed.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  std::string Name;
  long Tag = 0;

protected:
  // Called when an owned component is added or removed, and when a component
  // registered through FreeNotification is destroyed.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
};
