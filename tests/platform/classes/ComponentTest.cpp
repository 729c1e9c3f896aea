// Ownership, names, free notification and state of components.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"

using namespace kvp;

namespace {

std::vector<std::string> Log;

// Logs its destructor body and the removals it hears of; drops its reference
// when the referenced component goes.
class TWatcherThing : public TComponent {
  KV_CLASS(TWatcherThing, TComponent)
 public:
  using inherited::inherited;
  TComponent* Ref = nullptr;
  std::vector<std::pair<TComponent*, TOperation>> Heard;

  void SetRef(TComponent* Value) {
    if (Ref == Value) return;
    Ref = Value;
    if (Value) Value->FreeNotification(this);
  }
  using TComponent::Notification;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    Heard.push_back({AComponent, Operation});
    if (Operation == opRemove && AComponent == Ref) Ref = nullptr;
  }
  void Destroy() override {
    Log.push_back("destroy " + GetName() +
                  (GetComponentState().Contains(csDestroying) ? " (destroying)" : ""));
    inherited::Destroy();
  }
};

// A form that publishes fields for its children by name.
class TFieldForm : public TComponent {
  KV_CLASS(TFieldForm, TComponent)
 public:
  using inherited::inherited;
  TWatcherThing* Button1 = nullptr;
  KV_PUBLISHED { P.Field("Button1", &TFieldForm::Button1); }
};

// Calls a virtual factory from its constructor body.
class TMakerBase : public TComponent {
  KV_CLASS(TMakerBase, TComponent)
 public:
  using inherited::inherited;
  std::string Made;

 protected:
  void Construct() override {
    inherited::Construct();
    Made = MakePart();
  }
  virtual std::string MakePart() { return "base"; }
};

class TMakerDerived : public TMakerBase {
  KV_CLASS(TMakerDerived, TMakerBase)
 public:
  using inherited::inherited;

 protected:
  std::string MakePart() override { return "derived"; }
};

}  // namespace

TEST(ComponentOwnership, OwnerFreesItsComponentsAfterItsOwnDestructorBody) {
  Log.clear();
  TWatcherThing* Owner = TWatcherThing::Create(nullptr);
  Owner->SetName("Owner");
  TWatcherThing* A = TWatcherThing::Create(Owner);
  A->SetName("A");
  TWatcherThing* B = TWatcherThing::Create(Owner);
  B->SetName("B");
  EXPECT_EQ(Owner->GetComponentCount(), 2);
  EXPECT_EQ(Owner->GetComponents(1), B);
  EXPECT_EQ(B->GetOwner(), Owner);
  Owner->Free();
  // The owner's body first, then its components, last first, already marked.
  EXPECT_EQ(Log, (std::vector<std::string>{"destroy Owner (destroying)", "destroy B (destroying)",
                                           "destroy A (destroying)"}));
}

TEST(ComponentOwnership, InsertAndRemoveNotifyTheOwnerAndAllItsComponents) {
  TObjectPtr<TWatcherThing> Owner(TWatcherThing::Create(nullptr));
  TWatcherThing* A = TWatcherThing::Create(Owner.get());
  TWatcherThing* B = TWatcherThing::Create(Owner.get());
  ASSERT_FALSE(Owner->Heard.empty());
  EXPECT_EQ(Owner->Heard.back(), std::make_pair(static_cast<TComponent*>(B), opInsert));
  EXPECT_EQ(A->Heard.back(), std::make_pair(static_cast<TComponent*>(B), opInsert));
  B->Free();
  EXPECT_EQ(Owner->Heard.back(), std::make_pair(static_cast<TComponent*>(B), opRemove));
  EXPECT_EQ(A->Heard.back(), std::make_pair(static_cast<TComponent*>(B), opRemove));
  EXPECT_EQ(Owner->GetComponentCount(), 1);
}

TEST(ComponentOwnership, ComponentsMoveBetweenOwnersAndWithinOne) {
  TObjectPtr<TComponent> First(TComponent::Create(nullptr)), Second(TComponent::Create(nullptr));
  TComponent* A = TComponent::Create(First.get());
  TComponent* B = TComponent::Create(First.get());
  TComponent* C = TComponent::Create(First.get());
  C->SetComponentIndex(0);
  EXPECT_EQ(First->GetComponents(0), C);
  EXPECT_EQ(A->GetComponentIndex(), 1);
  B->SetComponentIndex(99);  // clamped to the last place
  EXPECT_EQ(B->GetComponentIndex(), 2);
  Second->InsertComponent(A);
  EXPECT_EQ(A->GetOwner(), Second.get());
  EXPECT_EQ(First->GetComponentCount(), 2);
  EXPECT_EQ(Second->GetComponentCount(), 1);
  EXPECT_THROW(First->GetComponents(2), EListError);
}

TEST(ComponentLifetime, VirtualCallsDuringCreationReachTheMostDerivedClass) {
  TObjectPtr<TMakerBase> Obj(TMakerDerived::Create(nullptr));
  EXPECT_EQ(Obj->Made, "derived");
}

TEST(ComponentNames, NamesAreIdentifiersUniqueUnderOneOwnerWithoutRegardToCase) {
  TObjectPtr<TComponent> Owner(TComponent::Create(nullptr));
  TComponent* A = TComponent::Create(Owner.get());
  TComponent* B = TComponent::Create(Owner.get());
  A->SetName("Grid1");
  EXPECT_EQ(Owner->FindComponent("GRID1"), A);
  EXPECT_EQ(Owner->FindComponent(""), nullptr);

  try {
    B->SetName("grid1");
    FAIL() << "a duplicate name was accepted";
  } catch (const EComponentError& E) {
    EXPECT_EQ(E.GetMessage(), "A component named grid1 already exists");
  }
  try {
    B->SetName("1st");
    FAIL() << "an invalid name was accepted";
  } catch (const EComponentError& E) {
    EXPECT_EQ(E.GetMessage(), "\"1st\" is not a valid component name.");
  }
  EXPECT_EQ(B->GetName(), "");
  A->SetName("GRID1");  // a change of case is no clash with itself
  EXPECT_EQ(A->GetName(), "GRID1");
  B->SetName("Grid2");

  // Components of another owner may share a name; joining an owner that
  // already has the name is refused.
  TObjectPtr<TComponent> Other(TComponent::Create(nullptr));
  TComponent* C = TComponent::Create(Other.get());
  C->SetName("Grid2");
  EXPECT_THROW(Owner->InsertComponent(C), EComponentError);
  EXPECT_EQ(C->GetOwner(), Other.get());
}

TEST(ComponentNames, PublishedFieldOfTheOwnerFollowsTheComponentOfThatName) {
  TObjectPtr<TFieldForm> Form(TFieldForm::Create(nullptr));
  TWatcherThing* Button = TWatcherThing::Create(Form.get());
  EXPECT_EQ(Form->Button1, nullptr);
  Button->SetName("button1");
  EXPECT_EQ(Form->Button1, Button);
  Button->SetName("Other");
  EXPECT_EQ(Form->Button1, nullptr);
  Button->SetName("Button1");
  Button->Free();
  EXPECT_EQ(Form->Button1, nullptr);  // no dangling field after the free

  // A component of another class does not go into the field, and naming or
  // renaming it leaves whatever the field holds.
  TWatcherThing* Kept = TWatcherThing::Create(Form.get());
  Kept->SetName("Kept");
  Form->Button1 = Kept;  // set by the program
  TComponent* Plain = TComponent::Create(Form.get());
  Plain->SetName("Button1");
  EXPECT_EQ(Form->Button1, Kept);
  Plain->SetName("Plain");
  EXPECT_EQ(Form->Button1, Kept);
  TWatcherThing* Named = TWatcherThing::Create(Form.get());
  Named->SetName("Button1");
  EXPECT_EQ(Form->Button1, Named);
  Form->Button1 = Kept;  // the program points the field elsewhere
  Named->SetName("Renamed");
  EXPECT_EQ(Form->Button1, Kept) << "renaming clears the field only when it holds the component";
}

TEST(FreeNotification, ComponentFreedElsewhereLeavesEverythingThatAskedAboutIt) {
  // Components of different owners, linked both ways.
  TObjectPtr<TComponent> OwnerA(TComponent::Create(nullptr)), OwnerB(TComponent::Create(nullptr));
  TWatcherThing* Holder = TWatcherThing::Create(OwnerA.get());
  TWatcherThing* Other = TWatcherThing::Create(nullptr);
  TWatcherThing* Target = TWatcherThing::Create(OwnerB.get());
  Holder->SetRef(Target);
  Other->SetRef(Target);
  EXPECT_TRUE(Target->GetComponentState().Contains(csFreeNotification));
  Target->Free();
  EXPECT_EQ(Holder->Ref, nullptr);
  EXPECT_EQ(Other->Ref, nullptr);

  // The asker freed first: the other side forgets it (a later free must not
  // reach the freed asker).
  TWatcherThing* Target2 = TWatcherThing::Create(OwnerB.get());
  Other->SetRef(Target2);
  Other->Free();
  Target2->Free();

  // RemoveFreeNotification undoes the link.
  TWatcherThing* Target3 = TWatcherThing::Create(nullptr);
  Holder->SetRef(Target3);
  Holder->RemoveFreeNotification(Target3);
  Target3->Free();
  EXPECT_EQ(Holder->Ref, Target3);  // not told: it asked not to be
  Holder->Ref = nullptr;
}

TEST(FreeNotification, SiblingsHearOfEachOtherThroughTheirOwner) {
  TObjectPtr<TComponent> Owner(TComponent::Create(nullptr));
  TWatcherThing* Holder = TWatcherThing::Create(Owner.get());
  TWatcherThing* Target = TWatcherThing::Create(Owner.get());
  Holder->SetRef(Target);
  Target->Free();
  EXPECT_EQ(Holder->Ref, nullptr);

  // Freed together with the owner, last first: the holder goes after the
  // target and must have heard of it.
  TWatcherThing* Target2 = TWatcherThing::Create(Owner.get());
  TWatcherThing* Holder2 = TWatcherThing::Create(nullptr);
  Holder2->SetRef(Target2);
  Owner.reset();
  EXPECT_EQ(Holder2->Ref, nullptr);
  Holder2->Free();
}

TEST(ComponentState, DesigningSpreadsToOwnedComponentsAndLoadedEndsLoading) {
  TObjectPtr<TComponent> Owner(TComponent::Create(nullptr));
  TComponent* A = TComponent::Create(Owner.get());
  Owner->SetDesigning(true);
  EXPECT_TRUE(A->GetComponentState().Contains(csDesigning));
  TComponent* B = TComponent::Create(Owner.get());
  EXPECT_TRUE(B->GetComponentState().Contains(csDesigning));
  Owner->SetDesigning(false, false);
  EXPECT_FALSE(Owner->GetComponentState().Contains(csDesigning));
  EXPECT_TRUE(A->GetComponentState().Contains(csDesigning));

  A->Loading();
  EXPECT_TRUE(A->GetComponentState().Contains(csLoading));
  A->Loaded();
  EXPECT_FALSE(A->GetComponentState().Contains(csLoading));
}

TEST(ComponentRegistry, RegisteredComponentClassesAreCreatedByNameWithTheirOwner) {
  RegisterClass(TMakerDerived::StaticClass());
  TObjectPtr<TComponent> Owner(TComponent::Create(nullptr));
  TObject* Made = FindClass("TMakerDerived")->Factory(Owner.get());
  EXPECT_EQ(static_cast<TComponent*>(Made)->GetOwner(), Owner.get());
  EXPECT_EQ(static_cast<TMakerBase*>(Made)->Made, "derived");
  UnRegisterClass(TMakerDerived::StaticClass());
}
