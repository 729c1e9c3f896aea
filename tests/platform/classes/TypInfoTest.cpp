// Published properties and methods: lookup, values by kind, defaults and
// stored rules, errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/TypInfo.h"

using namespace kvp;

namespace {

enum TPanelKind { pkPlain, pkRaised, pkSunken };
KV_ENUM_INFO(TPanelKind, pkPlain, pkRaised, pkSunken)
enum class TPanelPart { Caption, Border, Shadow };
KV_ENUM_INFO(TPanelPart, TPanelPart::Caption, TPanelPart::Border, TPanelPart::Shadow)
using TPanelParts = TSet<TPanelPart>;

class TInfoBase : public TComponent {
  KV_CLASS(TInfoBase, TComponent)
 public:
  using inherited::inherited;
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value) { FWidth = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  Word FSmall = 0;
  KV_PUBLISHED {
    P.Prop("Width", &TInfoBase::GetWidth, &TInfoBase::SetWidth).Default(10);
    P.Prop("Visible", &TInfoBase::GetVisible, &TInfoBase::SetVisible).Default(false);
    P.Prop("Small", &TInfoBase::FSmall);
  }

 private:
  Integer FWidth = 10;
  bool FVisible = false;
};

class TInfoPanel : public TInfoBase {
  KV_CLASS(TInfoPanel, TInfoBase)
 public:
  using inherited::inherited;
  TPanelKind Kind = pkPlain;
  TPanelParts Parts;
  double Ratio = 0;
  String Caption;
  TInfoBase* Buddy = nullptr;
  TNotifyEvent OnClick;
  Int64 Big = 0;
  Integer WriteOnlyValue = 0;
  bool CaptionStored = true;
  int Clicks = 0;

  String GetCaption() const { return Caption; }
  void SetCaption(const String& Value) { Caption = Value; }
  bool IsCaptionStored() const { return CaptionStored; }
  void SetWriteOnly(Integer Value) { WriteOnlyValue = Value; }
  Integer GetReadOnly() const { return 42; }
  void PanelClick(TObject*) { ++Clicks; }
  void OtherClick(TObject*) {}
  void NotAnEvent(Integer) {}

  KV_PUBLISHED {
    // Visible again, now defaulting to True; it keeps its place.
    P.Prop("Visible", &TInfoBase::GetVisible, &TInfoBase::SetVisible).Default(true);
    P.Prop("Kind", &TInfoPanel::Kind).Default(pkPlain);
    P.Prop("Parts", &TInfoPanel::Parts).Default(TPanelParts{TPanelPart::Caption});
    P.Prop("Ratio", &TInfoPanel::Ratio);
    P.Prop("Caption", &TInfoPanel::GetCaption, &TInfoPanel::SetCaption)
        .Stored(&TInfoPanel::IsCaptionStored);
    P.Prop("Buddy", &TInfoPanel::Buddy);
    P.Prop("OnClick", &TInfoPanel::OnClick);
    P.Prop("Big", &TInfoPanel::Big);
    P.Prop("WriteOnly", nullptr, &TInfoPanel::SetWriteOnly);
    P.Prop("ReadOnly", &TInfoPanel::GetReadOnly);
    P.Method("PanelClick", &TInfoPanel::PanelClick);
    P.Method("OtherClick", &TInfoPanel::OtherClick);
    P.Method("NotAnEvent", &TInfoPanel::NotAnEvent);
  }
};

std::vector<String> Names(const std::vector<const TPropInfo*>& List) {
  std::vector<String> N;
  for (const TPropInfo* P : List) N.push_back(P->Name);
  return N;
}

}  // namespace

TEST(TypInfoLookup, PropertiesListAncestorsFirstAndRedeclaredOnesKeepTheirPlace) {
  EXPECT_EQ(
      Names(GetPropList(TInfoPanel::StaticClass())),
      (std::vector<String>{"Name", "Tag", "Width", "Visible", "Small", "Kind", "Parts", "Ratio",
                           "Caption", "Buddy", "OnClick", "Big", "WriteOnly", "ReadOnly"}));
  const TPropInfo* Visible = GetPropInfo(TInfoPanel::StaticClass(), "visible");
  ASSERT_NE(Visible, nullptr);
  EXPECT_EQ(Visible->Default, 1);
  EXPECT_EQ(GetPropInfo(TInfoBase::StaticClass(), "Visible")->Default, 0);
  // The list holds the redeclared information too, in the ancestor's place.
  for (const TPropInfo* P : GetPropList(TInfoPanel::StaticClass())) {
    if (P->Name == "Visible") {
      EXPECT_EQ(P, Visible);
    }
  }
  EXPECT_EQ(GetPropInfo(TInfoBase::StaticClass(), "Kind"), nullptr);
  TObjectPtr<TInfoPanel> Panel(TInfoPanel::Create(nullptr));
  EXPECT_TRUE(PropIsType(Panel.get(), "Parts", tkSet));
  EXPECT_TRUE(IsPublishedProp(Panel.get(), "caption"));
  EXPECT_FALSE(IsPublishedProp(Panel.get(), "Height"));
  EXPECT_EQ(GetPropInfo(TInfoPanel::StaticClass(), "OnClick")->PropType->Kind, tkMethod);
  EXPECT_EQ(GetPropInfo(TInfoPanel::StaticClass(), "Small")->PropType->OrdType, otUWord);
}

TEST(TypInfoValues, ReadAndWriteEachKindByName) {
  TObjectPtr<TInfoPanel> Panel(TInfoPanel::Create(nullptr));
  SetOrdProp(Panel.get(), "Width", 77);
  EXPECT_EQ(Panel->GetWidth(), 77);
  SetEnumProp(Panel.get(), "Kind", "PKSUNKEN");
  EXPECT_EQ(Panel->Kind, pkSunken);
  EXPECT_EQ(GetEnumProp(Panel.get(), "Kind"), "pkSunken");
  SetSetProp(Panel.get(), "Parts", "[Shadow, Caption]");
  EXPECT_EQ(Panel->Parts, (TPanelParts{TPanelPart::Caption, TPanelPart::Shadow}));
  EXPECT_EQ(GetSetProp(Panel.get(), "Parts", true), "[Caption,Shadow]");
  SetSetProp(Panel.get(), "Parts", "");
  EXPECT_TRUE(Panel->Parts.Empty());
  SetFloatProp(Panel.get(), "Ratio", 0.25);
  EXPECT_EQ(GetFloatProp(Panel.get(), "Ratio"), 0.25);
  SetStrProp(Panel.get(), "Caption", "Hello");
  EXPECT_EQ(GetStrProp(Panel.get(), "Caption"), "Hello");
  SetOrdProp(Panel.get(), "Big", Int64(1) << 40);
  EXPECT_EQ(Panel->Big, Int64(1) << 40);
  SetOrdProp(Panel.get(), "WriteOnly", 5);
  EXPECT_EQ(Panel->WriteOnlyValue, 5);
  EXPECT_EQ(GetOrdProp(Panel.get(), "ReadOnly"), 42);

  TObjectPtr<TInfoBase> Buddy(TInfoBase::Create(nullptr));
  SetObjectProp(Panel.get(), "Buddy", Buddy.get());
  EXPECT_EQ(Panel->Buddy, Buddy.get());
  EXPECT_EQ(GetObjectProp(Panel.get(), "Buddy"), Buddy.get());
  TObjectPtr<TComponent> Stranger(TComponent::Create(nullptr));
  EXPECT_THROW(SetObjectProp(Panel.get(), "Buddy", Stranger.get()), EPropertyError);
  EXPECT_EQ(Panel->Buddy, Buddy.get());
}

TEST(TypInfoValues, MisuseRaisesPropertyErrorsNamingTheProblem) {
  TObjectPtr<TInfoPanel> Panel(TInfoPanel::Create(nullptr));
  try {
    GetOrdProp(Panel.get(), "Height");
    FAIL();
  } catch (const EPropertyError& E) {
    EXPECT_EQ(E.GetMessage(), "Unknown property: 'Height'");
  }
  try {
    SetEnumProp(Panel.get(), "Kind", "pkFlat");
    FAIL();
  } catch (const EPropertyError& E) {
    EXPECT_EQ(E.GetMessage(), "Invalid property element: pkFlat");
  }
  EXPECT_THROW(SetSetProp(Panel.get(), "Parts", "[Caption, Glow]"), EPropertyError);
  EXPECT_THROW(SetOrdProp(Panel.get(), "ReadOnly", 1), EPropertyError);
  EXPECT_THROW(GetOrdProp(Panel.get(), "WriteOnly"), EPropertyError);
  EXPECT_THROW(GetStrProp(Panel.get(), "Width"), EPropertyError);
  EXPECT_THROW(SetOrdProp(Panel.get(), "Small", 70000), ERangeError);
  EXPECT_THROW(SetOrdProp(Panel.get(), "Kind", 3), ERangeError);
  EXPECT_EQ(Panel->Kind, pkPlain);
}

TEST(TypInfoMethods, EventsBindToPublishedMethodsByName) {
  TObjectPtr<TInfoPanel> Panel(TInfoPanel::Create(nullptr));
  TMethod M = MethodAddress(Panel.get(), "panelclick");
  ASSERT_TRUE(M);
  SetMethodProp(Panel.get(), "OnClick", M);
  Panel->OnClick(nullptr);
  EXPECT_EQ(Panel->Clicks, 1);
  EXPECT_EQ(MethodName(Panel.get(), GetMethodProp(Panel.get(), "OnClick")), "PanelClick");
  // A delegate made anywhere for the same object and method has the name too.
  Panel->OnClick = TNotifyEvent(Panel.get(), &TInfoPanel::OtherClick);
  EXPECT_EQ(MethodName(Panel.get(), GetMethodProp(Panel.get(), "OnClick")), "OtherClick");
  Panel->OnClick = [](TObject*) {};
  EXPECT_EQ(MethodName(Panel.get(), GetMethodProp(Panel.get(), "OnClick")), "");
  EXPECT_THROW(SetMethodProp(Panel.get(), "OnClick", MethodAddress(Panel.get(), "NotAnEvent")),
               EPropertyError);
  EXPECT_FALSE(MethodAddress(Panel.get(), "Missing"));
  SetMethodProp(Panel.get(), "OnClick", TMethod());
  EXPECT_FALSE(Panel->OnClick);
}

TEST(TypInfoStorage, DefaultsAndStoredRulesDecideWhatAStoredFormKeeps) {
  TObjectPtr<TInfoPanel> Panel(TInfoPanel::Create(nullptr));
  auto Default = [&](const char* Name) {
    return IsDefaultPropValue(Panel.get(), GetPropInfo(Panel.get(), Name));
  };
  EXPECT_TRUE(Default("Width"));     // 10 is its default
  EXPECT_FALSE(Default("Visible"));  // False, but the redeclared default is True
  EXPECT_FALSE(Default("Small"));    // no default declared: always written
  EXPECT_FALSE(Default("Parts"));    // empty, default [Caption]
  EXPECT_TRUE(Default("Ratio"));     // 0
  EXPECT_TRUE(Default("Caption"));   // ''
  EXPECT_TRUE(Default("Buddy"));     // nil
  EXPECT_TRUE(Default("OnClick"));   // unassigned
  Panel->SetWidth(11);
  Panel->Parts = TPanelParts{TPanelPart::Caption};
  EXPECT_FALSE(Default("Width"));
  EXPECT_TRUE(Default("Parts"));

  const TPropInfo* Caption = GetPropInfo(Panel.get(), "Caption");
  EXPECT_TRUE(IsStoredProp(Panel.get(), Caption));
  Panel->CaptionStored = false;
  EXPECT_FALSE(IsStoredProp(Panel.get(), Caption));
}
