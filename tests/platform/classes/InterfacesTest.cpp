// Interfaces: GUID text, queries by a GUID known only at run time, and the
// reference counting of interfaced objects.
#include <gtest/gtest.h>

#include "platform/classes/Interfaces.h"

using namespace kvp;

namespace {

struct ITreeSource : virtual IInterface {
  KV_INTERFACE(ITreeSource, "{A8C3C87A-E556-4BDB-B8A7-5B33497D1624}")
  virtual int GetLevel() = 0;
};

struct IPopupOwner : virtual IInterface {
  KV_INTERFACE(IPopupOwner, "{B64255B5-386A-4524-8BC7-7F49DDB410F4}")
  virtual void CloseUp(bool Accept) = 0;
};

struct INeverImplemented : virtual IInterface {
  KV_INTERFACE(INeverImplemented, "{697F81AD-0E0F-4A4A-A016-A713620660DE}")
};

class TPlain : public TObject {
  KV_CLASS(TPlain, TObject)
};

class TTreeThing : public TObject, public ITreeSource, public IPopupOwner {
  KV_CLASS(TTreeThing, TObject)
 public:
  int GetLevel() override { return 3; }
  void CloseUp(bool Accept) override { LastAccept = Accept ? 1 : 0; }
  int LastAccept = -1;
};

class TCountedList : public TInterfacedObject, public IPopupOwner {
  KV_CLASS(TCountedList, TInterfacedObject)
 public:
  static inline int Alive = 0;
  TCountedList() { ++Alive; }
  ~TCountedList() override { --Alive; }
  void CloseUp(bool) override {}

 protected:
  // Hands itself out during creation, as a registration with another object
  // would, and gets the reference back.
  void Construct() override {
    inherited::Construct();
    TInterfacePtr<IPopupOwner> Self(this);
  }
};

}  // namespace

TEST(GUIDText, RoundTripsAndRejectsMalformedText) {
  const String Text = "{A8C3C87A-E556-4BDB-B8A7-5B33497D1624}";
  TGUID G = StringToGUID(Text);
  EXPECT_EQ(G.D1, 0xA8C3C87Au);
  EXPECT_EQ(G.D4[7], 0x24);
  EXPECT_EQ(GUIDToString(G), Text);
  EXPECT_EQ(StringToGUID("{a8c3c87a-e556-4bdb-b8a7-5b33497d1624}"), G);
  EXPECT_NE(StringToGUID("{A8C3C87A-E556-4BDB-B8A7-5B33497D1625}"), G);

  try {
    StringToGUID("{A8C3C87A-E556-4BDB-B8A7-5B33497D162}");
    ADD_FAILURE() << "accepted a short GUID";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "'{A8C3C87A-E556-4BDB-B8A7-5B33497D162}' is not a valid GUID value");
  }
  for (const char* Bad :
       {"", "A8C3C87A-E556-4BDB-B8A7-5B33497D1624", "{A8C3C87AXE556-4BDB-B8A7-5B33497D1624}",
        "{G8C3C87A-E556-4BDB-B8A7-5B33497D1624}", "{A8C3C87A-E556-4BDB-B8A75B33497D16240}",
        "[A8C3C87A-E556-4BDB-B8A7-5B33497D1624]", "{A8C3C87A-E556-4BDB-B8A7-5B33497D1624)"})
    EXPECT_THROW(StringToGUID(Bad), EConvertError) << Bad;
}

TEST(InterfaceQuery, FindsInterfacesByAGUIDKnownOnlyAtRunTime) {
  TObjectPtr<TTreeThing> Thing(TTreeThing::Create());
  void* Out = nullptr;
  ASSERT_TRUE(Supports(Thing.get(), StringToGUID("{A8C3C87A-E556-4BDB-B8A7-5B33497D1624}"), &Out));
  EXPECT_EQ(static_cast<ITreeSource*>(Out)->GetLevel(), 3);

  ASSERT_TRUE(Supports(Thing.get(), IPopupOwner::IID(), &Out));
  static_cast<IPopupOwner*>(Out)->CloseUp(true);
  EXPECT_EQ(Thing->LastAccept, 1);

  EXPECT_TRUE(Supports(Thing.get(), IInterface::IID()));
  EXPECT_FALSE(Supports(Thing.get(), INeverImplemented::IID(), &Out));
  EXPECT_EQ(Out, nullptr);
  EXPECT_FALSE(Supports(Thing.get(), StringToGUID("{00000000-0000-0000-0000-000000000001}")));

  ITreeSource* Tree = nullptr;
  ASSERT_TRUE(Supports(Thing.get(), Tree));
  EXPECT_EQ(Tree->GetLevel(), 3);

  // Null and plain objects offer nothing, not even the root.
  TObjectPtr<TPlain> Plain(TPlain::Create());
  Out = reinterpret_cast<void*>(1);
  EXPECT_FALSE(Supports(nullptr, ITreeSource::IID(), &Out));
  EXPECT_EQ(Out, nullptr);
  EXPECT_FALSE(Supports(Plain.get(), IInterface::IID()));
  EXPECT_FALSE(Supports(Plain.get(), Tree));
  EXPECT_EQ(Tree, nullptr);
}

TEST(InterfaceQuery, QueryInterfaceAnswersThroughTheObject) {
  TObjectPtr<TTreeThing> Thing(TTreeThing::Create());
  IPopupOwner* Owner = Thing.get();
  void* Out = nullptr;
  EXPECT_EQ(Owner->QueryInterface(ITreeSource::IID(), &Out), S_OK);
  EXPECT_EQ(static_cast<ITreeSource*>(Out)->GetLevel(), 3);
  EXPECT_EQ(Owner->QueryInterface(INeverImplemented::IID(), &Out), E_NOINTERFACE);
  // Components are not counted.
  EXPECT_EQ(Owner->_AddRef(), -1);
  EXPECT_EQ(Owner->_Release(), -1);
}

TEST(InterfaceReferences, CountedObjectLivesWhileReferenced) {
  TCountedList::Alive = 0;
  {
    TInterfacePtr<IPopupOwner> A(TCountedList::Create());
    EXPECT_EQ(TCountedList::Alive, 1) << "freed while being created";
    EXPECT_EQ(dynamic_cast<TCountedList*>(A.Get())->GetRefCount(), 1);
    {
      TInterfacePtr<IPopupOwner> B = A;
      TInterfacePtr<IPopupOwner> C;
      C = B;
      EXPECT_EQ(dynamic_cast<TCountedList*>(A.Get())->GetRefCount(), 3);
    }
    EXPECT_EQ(TCountedList::Alive, 1);
    A = nullptr;
    EXPECT_EQ(TCountedList::Alive, 0);
  }
  // A component behind a counted reference is never freed by it.
  TObjectPtr<TTreeThing> Thing(TTreeThing::Create());
  { TInterfacePtr<IPopupOwner> Ref(Thing.get()); }
  EXPECT_EQ(Thing->GetLevel(), 3);
}
