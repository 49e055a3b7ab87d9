#include "platform/runtime/component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Destroyed;

// Records its destruction and the components it was told are gone.
class TProbe : public TComponent {
public:
  TProbe(TComponent* AOwner, std::string AName) : TComponent(AOwner) { Name = std::move(AName); }
  ~TProbe() override { Destroyed.push_back(Name); }

  TComponent* Linked = nullptr;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == TOperation::opRemove && AComponent == Linked) Linked = nullptr;
  }
};

TEST(Component, OwnerDestroysWhatItOwnsLastToFirst) {
  Destroyed.clear();
  {
    TProbe Owner(nullptr, "owner");
    new TProbe(&Owner, "first");
    new TProbe(&Owner, "second");
    ASSERT_EQ(Owner.Components().size(), 2u);
  }
  EXPECT_EQ(Destroyed, (std::vector<std::string>{"owner", "second", "first"}));
}

TEST(Component, DestroyedChildLeavesItsOwner) {
  Destroyed.clear();
  TProbe Owner(nullptr, "owner");
  auto* Child = new TProbe(&Owner, "child");
  delete Child;
  EXPECT_TRUE(Owner.Components().empty());
  EXPECT_EQ(Destroyed, std::vector<std::string>{"child"});
}

TEST(Component, FreeNotificationClearsReferencesInBothDirections) {
  TProbe Holder(nullptr, "holder");
  {
    TProbe Target(nullptr, "target");
    Holder.Linked = &Target;
    Target.FreeNotification(&Holder);
  }
  EXPECT_EQ(Holder.Linked, nullptr);

  // The holder going first must not leave the target with a dangling entry.
  auto* Target = new TProbe(nullptr, "target");
  {
    TProbe Short(nullptr, "short");
    Short.Linked = Target;
    Target->FreeNotification(&Short);
    Target->Linked = &Short;
  }
  EXPECT_EQ(Target->Linked, nullptr);
  delete Target;  // would touch the destroyed holder if the entry were left behind
}

TEST(Component, RemovedFreeNotificationIsNotSent) {
  TProbe Holder(nullptr, "holder");
  {
    TProbe Target(nullptr, "target");
    Holder.Linked = &Target;
    Target.FreeNotification(&Holder);
    Target.RemoveFreeNotification(&Holder);
  }
  EXPECT_NE(Holder.Linked, nullptr);
}

}  // namespace
