// Property-storage interceptors: the registry, and a form's placement saved
// and restored through a storage of the kind an application writes, which
// works on the interceptor registered for the object's class.
//
// Ideas for tests: a minimised form restored with a new normal rectangle;
// a form restored while being designed keeps its centred position.
#include <gtest/gtest.h>

#include <map>

#include "base/PropFilerKv.h"
#include "platform/win/Win.h"

namespace korvel {
namespace {

using namespace kvp;

// A property storage: keeps the published properties of the interceptor
// that stands in for an object by name, and writes them back.
struct TTestStorage {
  std::map<String, TPropValue> Values;

  static TObjectPtr<TStoragePropertyInterceptor> Intercept(TObject* Object) {
    TClass Class = GetClassPropertyInterceptor(Object->ClassType());
    return TObjectPtr<TStoragePropertyInterceptor>(
        static_cast<TStoragePropertyInterceptor*>(Class->Factory(Object)));
  }
  void Save(TObject* Object) {
    auto Interceptor = Intercept(Object);
    for (const TPropInfo* P : GetPropList(Interceptor->ClassType()))
      Values[P->Name] = P->Get(Interceptor.get());
  }
  void Restore(TObject* Object) {
    auto Interceptor = Intercept(Object);
    for (const TPropInfo* P : GetPropList(Interceptor->ClassType()))
      if (Values.count(P->Name)) P->Set(Interceptor.get(), Values[P->Name]);
    Interceptor->Readed();
  }
  Int64 Ord(const String& Name) const { return std::get<Int64>(Values.at(Name)); }
  TRect Bounds() const { return kvp::Bounds(Ord("Left"), Ord("Top"), Ord("Width"), Ord("Height")); }
};

TEST(PropertyInterceptorRegistry, ClassesMapToTheirLastInterceptorOrTheirNearestAncestors) {
  const TClass Base = TWinControl::StaticClass(), Derived = TCustomControl::StaticClass();
  const TClass A = TStoragePropertyInterceptor::StaticClass();
  const TClass B = TFormStoragePropertyInterceptor::StaticClass();
  EXPECT_EQ(GetClassPropertyInterceptor(TForm::StaticClass()), B);  // registered at start-up
  EXPECT_EQ(GetClassPropertyInterceptor(Derived), nullptr);

  RegisterClassPropertyInterceptor(Base, A);
  EXPECT_EQ(GetClassPropertyInterceptor(Derived), A);
  RegisterClassPropertyInterceptor(Derived, B);
  UnregisterClassPropertyInterceptor(Derived, A);  // only matching pairs go
  UnregisterClassPropertyInterceptor(Base, B);
  EXPECT_EQ(GetClassPropertyInterceptor(Derived), B);
  EXPECT_EQ(GetClassPropertyInterceptor(Base), A);
  RegisterClassPropertyInterceptor(Base, B);  // replaces A
  UnregisterClassPropertyInterceptor(Base, B);
  UnregisterClassPropertyInterceptor(Derived, B);
  EXPECT_EQ(GetClassPropertyInterceptor(Derived), nullptr);
  EXPECT_EQ(GetClassPropertyInterceptor(TForm::StaticClass()), B);
}

class FormInterceptorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    Screen()->SetPixelsPerInch(96);
    Form = NewForm();
    for (TWinControl*& Box : Boxes) {
      Box = TCustomControl::Create(Form);
      Box->SetParent(Form);
    }
  }
  void TearDown() override {
    for (TForm* F : Forms) F->Free();
    Screen()->SetPixelsPerInch(96);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
  }
  TForm* NewForm() {
    Forms.push_back(TForm::Create(nullptr, 0));
    Forms.back()->SetBounds(100, 50, 400, 300);
    return Forms.back();
  }
  std::vector<TForm*> Forms;
  TForm* Form = nullptr;
  TWinControl* Boxes[2] = {};
  TTestStorage Storage;
};

TEST_F(FormInterceptorTest, RestoringMovesTheFormAndSetsItsActiveControlWithoutFocusingIt) {
  Form->Show();
  Form->SetBounds(20, 30, 250, 200);
  Form->SetActiveControl(Boxes[1]);
  Storage.Save(Form);
  EXPECT_EQ(std::get<TObject*>(Storage.Values.at("ActiveControl")), Boxes[1]);
  Form->SetBounds(0, 0, 10, 10);
  Boxes[0]->SetFocus();
  Storage.Restore(Form);
  EXPECT_EQ(Form->GetBoundsRect(), Rect(20, 30, 270, 230));
  EXPECT_EQ(Form->GetActiveControl(), Boxes[1]);
  EXPECT_EQ(GetFocus(), Boxes[0]->GetHandle());

  TForm* Other = NewForm();  // Boxes[1] is not on it
  Storage.Restore(Other);
  EXPECT_EQ(Other->GetActiveControl(), nullptr);
}

TEST_F(FormInterceptorTest, BoundsAreScaledFromTheStoredResolutionToTheScreens) {
  const std::pair<Int64, TRect> Cases[] = {
      {96, Bounds(125, 63, 416, 313)},   // 62.5 and 312.5 round away from zero
      {120, Bounds(100, 50, 333, 250)},  // already the screen's
      {0, Bounds(100, 50, 333, 250)},    // says nothing: not scaled to -1
  };
  Form->SetBounds(100, 50, 333, 250);
  Storage.Save(Form);
  Screen()->SetPixelsPerInch(120);
  for (const auto& [Stored, Expected] : Cases) {
    SCOPED_TRACE(Stored);
    Storage.Values["PixelsPerInch"] = Stored;
    TForm* Restored = NewForm();
    Storage.Restore(Restored);
    EXPECT_EQ(Restored->GetBoundsRect(), Expected);
  }
}

TEST_F(FormInterceptorTest, AMaximisedFormIsKeptWithItsNormalRectangle) {
  Form->Show();
  Storage.Save(Form);
  Storage.Values["Left"] = Int64(40);
  Storage.Values["WindowState"] = Int64(wsMaximized);
  Storage.Restore(Form);
  EXPECT_TRUE(IsZoomed(Form->GetHandle()));
  const TRect Maximised = Form->GetBoundsRect();

  Storage.Values.clear();
  Storage.Save(Form);  // the normal rectangle, not the maximised bounds
  EXPECT_EQ(Storage.Bounds(), Rect(40, 50, 440, 350));
  EXPECT_EQ(Storage.Ord("WindowState"), wsMaximized);
  Storage.Values["Top"] = Int64(60);
  Storage.Restore(Form);
  EXPECT_EQ(Form->GetBoundsRect(), Maximised);
  Form->SetWindowState(wsNormal);
  EXPECT_EQ(Form->GetBoundsRect(), Rect(40, 60, 440, 360));
}

TEST_F(FormInterceptorTest, ACentredFormStopsBeingCentredOnlyWhenItsPositionWasRestored) {
  struct Case {
    TPosition Position;
    std::vector<String> Restored;
    TPosition Expected;
  };
  const Case Cases[] = {
      {poScreenCenter, {"Left", "Top"}, poDesigned},
      {poDesktopCenter, {"Top"}, poDesigned},
      {poScreenCenter, {"Width"}, poScreenCenter},
      {poDefault, {"Left"}, poDefault},
  };
  Storage.Save(Form);
  const std::map<String, TPropValue> Saved = Storage.Values;
  for (const Case& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Position << " with " << C.Restored.size());
    Storage.Values.clear();
    for (const String& Name : C.Restored) Storage.Values[Name] = Saved.at(Name);
    Form->SetPosition(C.Position);
    Storage.Restore(Form);
    EXPECT_EQ(Form->GetPosition(), C.Expected);
  }
}

TEST_F(FormInterceptorTest, AnInterceptorForAnythingButAFormReadsZeroAndRestoresNothing) {
  TObjectPtr<TComponent> Thing(TComponent::Create(nullptr));
  for (TObject* Target : {static_cast<TObject*>(Thing.get()), static_cast<TObject*>(nullptr)}) {
    TObjectPtr<TFormStoragePropertyInterceptor> Interceptor(
        TFormStoragePropertyInterceptor::Create(Target));
    EXPECT_EQ(Interceptor->GetLeft() + Interceptor->GetWidth() + Interceptor->GetHeight(), 0);
    Interceptor->SetLeft(10);
    Interceptor->SetPixelsPerInch(96);
    EXPECT_NO_THROW(Interceptor->Readed());
  }
}

}  // namespace
}  // namespace korvel
