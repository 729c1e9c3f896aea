// Two-phase creation and destruction, class metadata and delegates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Object.h"

using namespace kvp;

namespace {

std::vector<std::string> Log;

class TBaseThing : public TObject {
  KV_CLASS(TBaseThing, TObject)
 protected:
  void Construct() override {
    inherited::Construct();
    Log.push_back(std::string("made ") + MakePart());
  }
  void Destroy() override {
    Log.push_back(std::string("clear ") + MakePart());
    inherited::Destroy();
  }
  virtual const char* MakePart() { return "base"; }
};

class TDerivedThing : public TBaseThing {
  KV_CLASS(TDerivedThing, TBaseThing)
 protected:
  const char* MakePart() override { return "derived"; }
};

class TFailing : public TBaseThing {
  KV_CLASS(TFailing, TBaseThing)
 protected:
  void Construct() override {
    inherited::Construct();
    throw EInvalidOperation("cannot make it");
  }
};

class TReceiver : public TObject {
  KV_CLASS(TReceiver, TObject)
 public:
  int Count = 0;
  void Handle(TObject*) { ++Count; }
  void Other(TObject*) {}
};

}  // namespace

TEST(ObjectLifetime, VirtualCallsDuringCreationAndDestructionReachTheMostDerivedClass) {
  Log.clear();
  TBaseThing* Obj = TDerivedThing::Create();
  Obj->Free();
  EXPECT_EQ(Log, (std::vector<std::string>{"made derived", "clear derived"}));
}

TEST(ObjectLifetime, FailedConstructionRunsTheDestructorBodyAndPassesTheErrorOn) {
  Log.clear();
  EXPECT_THROW(TFailing::Create(), EInvalidOperation);
  EXPECT_EQ(Log, (std::vector<std::string>{"made base", "clear base"}));
}

TEST(ObjectMetadata, ClassNamesParentsAndRegistry) {
  TObjectPtr<TBaseThing> Obj(TDerivedThing::Create());
  EXPECT_STREQ(Obj->ClassName(), "TDerivedThing");
  EXPECT_TRUE(Obj->InheritsFrom(TBaseThing::StaticClass()));
  EXPECT_FALSE(Obj->InheritsFrom(TReceiver::StaticClass()));
  EXPECT_EQ(DynCast<TReceiver>(Obj.get()), nullptr);
  EXPECT_THROW(As<TReceiver>(Obj.get()), EInvalidCast);

  EXPECT_THROW(FindClass("TDerivedThing"), EClassNotFound);
  RegisterClass(TDerivedThing::StaticClass());
  TObject* Made = FindClass("TDerivedThing")->Factory(nullptr);
  EXPECT_STREQ(Made->ClassName(), "TDerivedThing");
  Made->Free();
  UnRegisterClass(TDerivedThing::StaticClass());
  EXPECT_EQ(GetClass("TDerivedThing"), nullptr);
}

TEST(Delegates, EqualWhenBoundToTheSameObjectAndMethod) {
  TObjectPtr<TReceiver> A(TReceiver::Create()), B(TReceiver::Create());
  TNotifyEvent E1(A.get(), &TReceiver::Handle), E2(A.get(), &TReceiver::Handle);
  EXPECT_TRUE(E1 == E2);
  EXPECT_FALSE(E1 == TNotifyEvent(B.get(), &TReceiver::Handle));
  EXPECT_FALSE(E1 == TNotifyEvent(A.get(), &TReceiver::Other));
  E1(nullptr);
  E2(nullptr);
  EXPECT_EQ(A->Count, 2);

  int Calls = 0;
  TNotifyEvent L = [&Calls](TObject*) { ++Calls; };
  TNotifyEvent LCopy = L;
  EXPECT_TRUE(L == LCopy);
  EXPECT_FALSE(L == TNotifyEvent([&Calls](TObject*) { ++Calls; }));
  LCopy(nullptr);
  EXPECT_EQ(Calls, 1);
  TNotifyEvent None;
  EXPECT_FALSE(None);
  EXPECT_TRUE(None == nullptr);
}
