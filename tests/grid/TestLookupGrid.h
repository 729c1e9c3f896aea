// The shared fixture of the lookup grid's tests: a lookup grid on a shown
// form over a list of cities in memory, and people whose city it may be
// bound to.
#pragma once

#include <gtest/gtest.h>

#include "grid/DBLookupGridsKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/MemoryDataSet.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

namespace korvel {

// TTestLookupGrid: the lookup grid with its clicks counted and a few
// protected parts reached.
class TTestLookupGrid : public TDBLookupGridKv {
  KV_CLASS(TTestLookupGrid, TDBLookupGridKv)
 public:
  explicit TTestLookupGrid(kvp::TComponent* AOwner) : TDBLookupGridKv(AOwner) {}
  kvp::Integer Clicks = 0;
  kvp::Integer DoubleClicks = 0;
  void Click() override {
    ++Clicks;
    TDBLookupGridKv::Click();
  }
  void DblClick() override {
    ++DoubleClicks;
    TDBLookupGridKv::DblClick();
  }
  bool Focused() const { return FFocused; }
  kvp::Integer SpecRowHeight() const { return FSpecRowHeight; }
  using TDBLookupGridKv::GetTimerActive;
  using TDBLookupGridKv::GetTimerInterval;
  using TDBLookupGridKv::GetTitleRowHeight;
  bool WheelDown() { return DoMouseWheelDown({}, kvp::TPoint{0, 0}); }
};

// Cities (ID integer, Name string 20): 1 Aberdeen .. 12 Lisbon, in that
// order. People (ID, Name, CityID, City lookup of CityID in Cities):
//   1 Ann 3 (Cork)   2 Bob 5 (Essen)   3 Cid null
class LookupGridTest : public ::testing::Test {
 protected:
  static constexpr const char* CityNames[] = {"Aberdeen", "Bergen", "Cork",   "Dijon",
                                              "Essen",    "Faro",   "Genoa",  "Haarlem",
                                              "Izmir",    "Jena",   "Kassel", "Lisbon"};
  void SetUp() override {
    kvp::ResetWindowSystem();
    kvp::Application()->Reset();
    Form = kvp::TForm::Create(nullptr);
    Form->SetBounds(100, 100, 500, 400);
    Cities = kvp::TMemoryDataSet::Create(Form);
    Cities->SetName("Cities");
    Cities->GetFieldDefs()->Add("ID", kvp::ftInteger);
    Cities->GetFieldDefs()->Add("Name", kvp::ftString, 20);
    Cities->Open();
    for (int I = 0; I < 12; ++I) Cities->AppendRecord({I + 1, CityNames[I]});
    Cities->First();
    CitySource = kvp::TDataSource::Create(Form);
    CitySource->SetDataSet(Cities);
    People = kvp::TMemoryDataSet::Create(Form);
    People->SetName("People");
    kvp::TFieldDefs* Defs = People->GetFieldDefs();
    Defs->Add("ID", kvp::ftInteger);
    Defs->Add("Name", kvp::ftString, 20);
    Defs->Add("CityID", kvp::ftInteger);
    for (kvp::Integer I = 0; I < Defs->GetCount(); ++I)
      Defs->GetItem(I)->CreateField(People, People);
    auto* City = kvp::TStringField::Create(People);
    City->SetFieldName("City");
    City->SetFieldKind(kvp::fkLookup);
    City->SetKeyFields("CityID");
    City->SetLookupDataSet(Cities);
    City->SetLookupKeyFields("ID");
    City->SetLookupResultField("Name");
    City->SetDataSet(People);
    People->Open();
    People->AppendRecord({1, "Ann", 3});
    People->AppendRecord({2, "Bob", 5});
    People->AppendRecord({3, "Cid", kvp::Null()});
    People->First();
    PeopleSource = kvp::TDataSource::Create(Form);
    PeopleSource->SetDataSet(People);
    Grid = TTestLookupGrid::Create(Form);
    Grid->SetName("CityList");
    Grid->SetBounds(10, 10, 200, 120);
    Grid->SetParent(Form);
    Form->Show();
    kvp::AdvanceTicks(10000);
  }
  void TearDown() override {
    Grid->CheckConsistency();
    kvp::FreeAndNil(Form);
    kvp::Application()->CheckNoExceptions();
    kvp::ResetWindowSystem();
  }
  // The grid lists the cities by name with their ID as the key.
  void ListCities() {
    Grid->SetListSource(CitySource);
    Grid->SetKeyField("ID");
    Grid->SetListField("Name");
  }
  // The grid chooses the city of a person.
  void BindToPeople() {
    Grid->SetLinkDataSource(PeopleSource);
    Grid->SetDataField("City");
  }
  kvp::HWND Wnd() { return Grid->GetHandle(); }
  void Press(kvp::Word Key) { kvp::Input.KeyPress(Key); }
  // The client point in the middle of grid cell (Col, Row).
  kvp::TPoint CellCenter(kvp::Integer Col, kvp::Integer Row) {
    const kvp::TRect R = Grid->CellRect(Col, Row);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  // The grid row that shows the city; -1 when none does.
  kvp::Integer RowOfCity(const kvp::String& Name) {
    for (kvp::Integer Row = Grid->GetTitleOffset(); Row < Grid->GetRowCount(); ++Row) {
      Grid->SetActiveRecordIndex(Row - Grid->GetTitleOffset());
      const kvp::String Shown = Cities->FieldByName("Name")->GetAsString();
      Grid->RestoreActiveRecordIndex();
      if (Shown == Name) return Row;
    }
    return -1;
  }
  // Paints the grid now, its drawing logged.
  void Repaint() {
    Grid->Invalidate();
    Surface()->ClearRecords();
    kvp::UpdateWindow(Grid->GetHandle());
  }
  kvp::TSurface* Surface() { return kvp::GetWindowSurface(Grid->GetHandle()); }
  kvp::TPoint Origin() {
    const kvp::TPoint P = Grid->ClientToScreen({0, 0});
    kvp::TRect F;
    kvp::GetWindowRect(Form->GetHandle(), &F);
    return {P.X - F.Left, P.Y - F.Top};
  }
  kvp::COLORREF Pixel(kvp::Integer X, kvp::Integer Y) {
    return Surface()->GetPixel(Origin().X + X, Origin().Y + Y);
  }
  // The colour near the cell's right edge (off its text).
  kvp::COLORREF CellBackground(kvp::Integer Col, kvp::Integer Row) {
    const kvp::TRect R = Grid->CellRect(Col, Row);
    return Pixel(R.Right - 3, (R.Top + R.Bottom) / 2);
  }
  kvp::TForm* Form = nullptr;
  kvp::TMemoryDataSet* Cities = nullptr;
  kvp::TDataSource* CitySource = nullptr;
  kvp::TMemoryDataSet* People = nullptr;
  kvp::TDataSource* PeopleSource = nullptr;
  TTestLookupGrid* Grid = nullptr;
  kvp::TDrawingLogOn Log;
};

}  // namespace korvel
