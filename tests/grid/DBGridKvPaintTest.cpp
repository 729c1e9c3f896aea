// The data-aware grid as a person sees it: a grid over the sample SQLite
// database painted on a form, read back from its pixels and its drawing log.
#include <gtest/gtest.h>

#include <filesystem>

#include "grid/DBGridKv.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SampleDatabase.h"
#include "platform/graphics/Surface.h"
#include "platform/win/InputDriver.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

// A grid of 620 x 300 pixels over the sample database's customers.
class DBGridPaintTest : public ::testing::Test {
 protected:
  TDrawingLogOn DrawingLog;
  void SetUp() override {
    ResetWindowSystem();
    Application()->Reset();
    DbFile = (std::filesystem::temp_directory_path() /
              ("korvel-paint-" + std::to_string(::getpid()) + ".db"))
                 .string();
    CreateSampleDatabase(DbFile);
    Form = TForm::Create(nullptr);
    Form->SetBounds(20, 20, 660, 360);
    DataSet = TSQLiteDataSet::Create(Form);
    DataSet->SetDatabaseName(DbFile);
    DataSet->SetTableName("customers");
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid = TTestDBGrid::Create(Form);
    Grid->SetName("Grid");
    Grid->SetBounds(8, 8, 620, 300);
    Grid->SetParent(Form);
  }
  void TearDown() override {
    Grid->CheckConsistency();
    FreeAndNil(Form);
    Application()->CheckNoExceptions();
    ResetWindowSystem();
    std::filesystem::remove(DbFile);
  }
  void Open() {
    DataSet->Open();
    Grid->SetDataSource(Source);
    Form->Show();
    Grid->SetFocus();
    Paint();
  }
  void Paint() {
    Surface()->ClearRecords();
    UpdateWindow(Form->GetHandle());
    UpdateWindow(Grid->GetHandle());
  }
  void RepaintAll() {
    Grid->Invalidate();
    Paint();
  }
  TSurface* Surface() { return GetWindowSurface(Grid->GetHandle()); }
  // The grid's client rectangle on the surface.
  TRect Client() {
    TRect R = GetWindowSurfaceRect(Grid->GetHandle());
    TPoint P = Grid->ClientToScreen({0, 0});
    TPoint W = Form->ClientToScreen({0, 0});
    (void)W;
    (void)P;
    return R;
  }
  void SavePng(const String& Name) { SaveWindowPng(Form->GetHandle(), Name); }
  void Zoom(TRect R, int S, const String& Name) {
    TSurface Out(R.Width() * S, R.Height() * S);
    for (int y = 0; y < R.Height() * S; ++y)
      for (int x = 0; x < R.Width() * S; ++x)
        Out.SetPixel(x, y, Surface()->GetPixel(R.Left + x / S, R.Top + y / S));
    Out.SavePng(Name);
  }

  String DbFile;
  TForm* Form = nullptr;
  TSQLiteDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
  TTestDBGrid* Grid = nullptr;
};

TEST_F(DBGridPaintTest, Picture) {
  Grid->SetUseMultiTitle(true);
  Grid->SetFooterRowCount(2);
  Grid->GetSumList()->SetActive(true);
  Form->SetBounds(20, 20, 900, 360);
  Grid->SetBounds(8, 8, 860, 300);
  Open();
  Grid->Column(1)->GetTitle()->SetCaption("Customer|Name");
  Grid->Column(2)->GetTitle()->SetCaption("Address|City");
  Grid->Column(3)->GetTitle()->SetCaption("Address|Country");
  Grid->Column(1)->GetTitle()->SetSortMarker(smDownKv);
  Grid->Column(6)->GetFooter()->SetValueType(fvtSum);
  Grid->Column(1)->GetFooter()->SetValueType(fvtCount);
  Grid->Column(6)->GetFooters()->Add()->SetValueType(fvtSum);
  Grid->Column(6)->GetFooters()->Add()->SetValueType(fvtAvg);
  Grid->Column(0)->GetFooters()->Add()->SetValueType(fvtStaticText);
  Grid->Column(0)->GetFooters()->GetItem(0)->SetValue("Sum");
  Grid->Column(0)->GetFooters()->Add()->SetValueType(fvtStaticText);
  Grid->Column(0)->GetFooters()->GetItem(1)->SetValue("Average");
  Grid->Column(2)->GetTitle()->SetSortMarker(smUpKv);
  RepaintAll();
  SavePng("paint-picture.png");
}

}  // namespace
}  // namespace korvel
