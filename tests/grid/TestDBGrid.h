// The shared fixture of the data-aware grid's tests: a grid class that
// publishes what a form would store and logs the calls of its hooks, a form
// that shows it, and small in-memory datasets.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/MemoryDataSet.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SampleDatabase.h"
#include "platform/graphics/Surface.h"
#include "platform/win/Win.h"

namespace korvel {

// TTestColumn: a column that shows the field it has cached.
class TTestColumn : public TDBGridColumnKv {
  KV_CLASS(TTestColumn, TDBGridColumnKv)
 public:
  using TDBGridColumnKv::TDBGridColumnKv;
  kvp::TField* CachedField() const { return FField; }
};

// TTestColumns: the grid's columns with every change notification recorded
// (null for a change of all columns).
class TTestColumns : public TDBGridColumnsKv {
  KV_CLASS(TTestColumns, TDBGridColumnsKv)
 public:
  using TDBGridColumnsKv::TDBGridColumnsKv;
  std::vector<kvp::TCollectionItem*> Updates;

 protected:
  void Update(kvp::TCollectionItem* Item) override {
    Updates.push_back(Item);
    TDBGridColumnsKv::Update(Item);
  }
};

// TTestDBGrid: the grid as an application's form would hold it, with its
// hooks logged.
class TTestDBGrid : public TCustomDBGridKv {
  KV_CLASS(TTestDBGrid, TCustomDBGridKv)
 public:
  explicit TTestDBGrid(kvp::TComponent* AOwner) : TCustomDBGridKv(AOwner) {}

  std::vector<kvp::String> Log;               // hook calls (and the layouts run), in order
  kvp::Integer Layouts = 0;                   // InternalLayout runs
  kvp::Integer LayoutRequests = 0;            // LayoutChanged calls
  std::vector<kvp::TMessage> ScrollMessages;  // WM_HSCROLL / WM_VSCROLL received

  bool SawDataLinkLayout = false;  // a layout request came while the link reported one
  bool ThrowOnLayoutRequest = false;
  void LayoutChanged() override {
    ++LayoutRequests;
    if (GetDataLinkLayout()) SawDataLinkLayout = true;
    if (ThrowOnLayoutRequest) throw kvp::EInvalidOperation("no layout now");
    TCustomDBGridKv::LayoutChanged();
  }
  void UpdateRowCount() override {
    Log.push_back("UpdateRowCount");
    if (ThrowOnRowCount) throw kvp::EInvalidOperation("no rows now");
    TCustomDBGridKv::UpdateRowCount();
  }
  void WndProc(kvp::TMessage& Message) override {
    if (Message.Msg == kvp::WM_HSCROLL || Message.Msg == kvp::WM_VSCROLL)
      ScrollMessages.push_back(Message);
    TCustomDBGridKv::WndProc(Message);
  }
  using kvp::TComponent::SetDesigning;
  TTestColumn* TestColumn(kvp::Integer Index) const {
    return static_cast<TTestColumn*>(GetColumns()->GetColumn(Index));
  }

  // The data link's calls, logged in order.
  bool ThrowOnUpdateData = false;
  kvp::Integer UpdateDataCalls = 0;
  bool FocusAnswer = true;
  void LinkActive(bool Value) override {
    Log.push_back(Value ? "LinkActive(true)" : "LinkActive(false)");
    TCustomDBGridKv::LinkActive(Value);
  }
  void RefreshAfterDataChange() override {
    Log.push_back("RefreshAfterDataChange");
    TCustomDBGridKv::RefreshAfterDataChange();
  }
  void Scroll(kvp::Integer Distance) override {
    Log.push_back("Scroll(" + std::to_string(Distance) + ")");
    TCustomDBGridKv::Scroll(Distance);
  }
  void RecordChanged(kvp::TField* Field) override {
    Log.push_back("RecordChanged(" + (Field ? Field->GetFieldName() : kvp::String("nil")) + ")");
    TCustomDBGridKv::RecordChanged(Field);
  }
  void UpdateData() override {
    ++UpdateDataCalls;
    Log.push_back("UpdateData");
    if (ThrowOnUpdateData) throw kvp::EDatabaseError("refused");
    GetDataLink()->UpdateRecord();  // a nested request does nothing
    TCustomDBGridKv::UpdateData();
  }
  void InvalidateIndicatorCell() override {
    Log.push_back("InvalidateIndicatorCell");
    TCustomDBGridKv::InvalidateIndicatorCell();
  }
  bool AcquireFocus() override {
    Log.push_back("AcquireFocus");
    return FocusAnswer;
  }
  void ShowCellEditor() override { Log.push_back("ShowCellEditor"); }
  // A descendant that sorts in its own way turns automatic marking off.
  bool AutoSortMarking = true;
  bool CanAutoSortMarking() override { return AutoSortMarking; }
  // The log without layouts (which depend on the lock state) and row counts.
  std::vector<kvp::String> Calls() const {
    std::vector<kvp::String> R;
    for (const kvp::String& S : Log)
      if (S != "Layout" && S != "UpdateRowCount") R.push_back(S);
    return R;
  }

  TTestColumns* Cols() const { return static_cast<TTestColumns*>(GetColumns()); }

  // With PaintRecords, every cell paints itself a colour of its own: data
  // cells from their record's first field, other cells from their place. The
  // cells painted are logged in Drawn.
  bool PaintRecords = false;
  struct TDrawn {
    kvp::Integer Col, Row;
  };
  std::vector<TDrawn> Drawn;
  bool WasDrawn(kvp::Integer Col, kvp::Integer Row) const {
    for (const TDrawn& D : Drawn)
      if (D.Col == Col && D.Row == Row) return true;
    return false;
  }
  bool RowDrawn(kvp::Integer Row) const {
    for (const TDrawn& D : Drawn)
      if (D.Row == Row) return true;
    return false;
  }
  // The colour a data cell of the record with that key gets.
  static kvp::COLORREF RecordColour(kvp::Integer Key, kvp::Integer Col) {
    return kvp::COLORREF(0x200000 | ((Key * 37 % 200) << 8) | (0x20 + Col * 40));
  }
  // Throws from the row count while set (a layout then fails half way).
  bool ThrowOnRowCount = false;
  // Protected parts the tests reach.
  using TCustomDBGridKv::CanEditShow;
  using TCustomDBGridKv::GetEditLimit;
  using TCustomDBGridKv::GetEditMask;
  using TCustomDBGridKv::GetEditText;
  void SizeRowBy(kvp::Integer Row, kvp::Integer Height) {
    FRowSizing = true;
    SetRowHeights(Row, Height);
  }
  void StartTitleTracking(kvp::Integer Col) {
    FTitleTracking.Tracking = true;
    FTitleTracking.Col = Col;
  }
  TColumnKv* Column(kvp::Integer Index) const { return GetColumns()->GetColumn(Index); }

  KV_PUBLISHED {
    P.Prop("ColumnDefValues", &TTestDBGrid::GetColumnDefValues, &TTestDBGrid::SetColumnDefValues);
    P.Prop("DataSource", &TTestDBGrid::GetDataSource, &TTestDBGrid::SetDataSource);
    P.Prop("HorzScrollBar", &TTestDBGrid::GetHorzScrollBar, &TTestDBGrid::SetHorzScrollBar);
    P.Prop("TitleFont", &TTestDBGrid::GetTitleFont, &TTestDBGrid::SetTitleFont);
    P.Prop("UseMultiTitle", &TTestDBGrid::GetUseMultiTitle, &TTestDBGrid::SetUseMultiTitle)
        .Default(false);
    P.Prop("VertScrollBar", &TTestDBGrid::GetVertScrollBar, &TTestDBGrid::SetVertScrollBar);
  }

 protected:
  TDBGridColumnsKv* CreateColumns() override {
    return TTestColumns::Create(this, TTestColumn::StaticClass());
  }
  void DrawCell(kvp::Integer ACol, kvp::Integer ARow, kvp::TRect ARect,
                TGridDrawState AState) override {
    if (!PaintRecords) return TCustomDBGridKv::DrawCell(ACol, ARow, ARect, AState);
    Drawn.push_back({ACol, ARow});
    kvp::COLORREF Colour = kvp::COLORREF(0x808080 + ACol * 4 + ARow * 0x0400);
    const kvp::Integer DataRow = ARow - GetTitleOffset();
    if (ACol >= GetIndicatorOffset() && DataRow >= 0 && ARow < GetRowCount() &&
        GetDataLink()->GetActive() && DataRow < GetDataLink()->GetRecordCount()) {
      SetActiveRecordIndex(DataRow);
      const kvp::Integer Key = GetDataSet()->GetFields()->GetField(0)->GetAsInteger();
      RestoreActiveRecordIndex();
      Colour = RecordColour(Key, ACol);
    }
    GetCanvas()->GetBrush()->SetStyle(kvp::bsSolid);
    GetCanvas()->GetBrush()->SetColor(kvp::TColor(Colour));
    GetCanvas()->FillRect(ARect);
  }
  void InternalLayout() override {
    ++Layouts;
    Log.push_back("Layout");
    TCustomDBGridKv::InternalLayout();
  }
};

// A grid of 400 x 200 pixels on a shown form.
class DBGridOnFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvp::ResetWindowSystem();
    kvp::Application()->Reset();
    Form = kvp::TForm::Create(nullptr);
    Form->SetBounds(100, 100, 500, 300);
    Grid = MakeGrid("Grid1");
    Form->Show();
  }
  void TearDown() override {
    for (TTestDBGrid* G : Grids) G->CheckConsistency();
    kvp::FreeAndNil(Form);
    kvp::Application()->CheckNoExceptions();
    kvp::ResetWindowSystem();
  }
  TTestDBGrid* MakeGrid(const kvp::String& Name) {
    TTestDBGrid* G = TTestDBGrid::Create(Form);
    G->SetName(Name);
    G->SetBounds(0, 0, 400, 200);
    G->SetParent(Form);
    Grids.push_back(G);
    return G;
  }
  kvp::TForm* Form = nullptr;
  TTestDBGrid* Grid = nullptr;
  std::vector<TTestDBGrid*> Grids;
};

}  // namespace korvel

namespace korvel {

// A grid on a form bound to an in-memory dataset of five orders:
//   ID (integer), Name (string 20), Amount (float), Paid (boolean)
class DBGridWithDataTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    DataSet = kvp::TMemoryDataSet::Create(Form);
    DataSet->SetName("Orders");
    DataSet->GetFieldDefs()->Add("ID", kvp::ftInteger);
    DataSet->GetFieldDefs()->Add("Name", kvp::ftString, 20);
    DataSet->GetFieldDefs()->Add("Amount", kvp::ftFloat);
    DataSet->GetFieldDefs()->Add("Paid", kvp::ftBoolean);
    DataSet->Open();
    const char* Names[] = {"Ann", "Bob", "Cid", "Dee", "Eve"};
    const double Amounts[] = {10.5, 20.25, 5, 7.75, 100};
    for (int I = 0; I < 5; ++I) DataSet->AppendRecord({I + 1, Names[I], Amounts[I], I % 2 == 0});
    DataSet->First();
    Source = kvp::TDataSource::Create(Form);
    Source->SetName("OrdersSource");
    Source->SetDataSet(DataSet);
  }
  kvp::TField* Field(const char* Name) { return DataSet->FieldByName(Name); }
  kvp::TMemoryDataSet* DataSet = nullptr;
  kvp::TDataSource* Source = nullptr;
};

}  // namespace korvel

namespace korvel {

// A file in the temporary folder, removed when the test ends.
struct TTempFile {
  kvp::String Name;
  explicit TTempFile(const char* Tag) {
    Name = (std::filesystem::temp_directory_path() /
            ("kv_grid_" + kvp::String(Tag) + "_" + std::to_string(::getpid()) + ".sqlite"))
               .string();
    std::remove(Name.c_str());
  }
  ~TTempFile() {
    std::remove(Name.c_str());
    std::remove((Name + "-journal").c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
};

// Where the records come from.
enum class TStore { Memory, SQLite };
inline std::string StoreName(const ::testing::TestParamInfo<TStore>& Info) {
  return Info.param == TStore::Memory ? "Memory" : "SQLite";
}

// A grid on a form over numbered records, in memory or in an SQLite file:
//   id (integer) 1..Count, name "Row <id>" (string 40), amount (float)
class DBGridNumbersTest : public DBGridOnFormTest, public ::testing::WithParamInterface<TStore> {
 protected:
  void TearDown() override {
    if (DataSet) DataSet->CheckConsistency();
    DBGridOnFormTest::TearDown();
  }
  void OpenNumbers(TStore Store, kvp::Integer Count) {
    if (Store == TStore::Memory) {
      auto* Memory = kvp::TMemoryDataSet::Create(Form);
      Memory->GetFieldDefs()->Add("id", kvp::ftInteger);
      Memory->GetFieldDefs()->Add("name", kvp::ftString, 40);
      Memory->GetFieldDefs()->Add("amount", kvp::ftFloat);
      Memory->Open();
      for (kvp::Integer I = 1; I <= Count; ++I)
        Memory->AppendRecord({I, "Row " + std::to_string(I), double(I % 1000) / 4});
      Memory->First();
      DataSet = Memory;
    } else {
      kvp::CreateNumbersDatabase(File.Name, Count);
      auto* Table = kvp::TSQLiteDataSet::Create(Form);
      Table->SetDatabaseName(File.Name);
      Table->SetTableName("numbers");
      Table->Open();
      DataSet = Table;
    }
    Source = kvp::TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
  }
  kvp::TDataSet* DataSet = nullptr;
  kvp::TDataSource* Source = nullptr;
  TTempFile File{"numbers"};
};

}  // namespace korvel
