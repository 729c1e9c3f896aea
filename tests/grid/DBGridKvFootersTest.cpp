// Footers: their aggregates in the grid's aggregate list, the text each kind
// of footer shows with and without display formats, their own values against
// the grid's defaults, and footer texts kept current as the dataset changes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <functional>

#include "grid/DBGridKv.h"
#include "grid/DbUtilsKv.h"
#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/controls/Dialogs.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/InputDriver.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

class DBGridKvFootersTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetFooterRowCount(1);
    Grid->GetSumList()->SetActive(true);
    for (const char* Name : {"ID", "Name", "Amount", "Paid"})
      Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->SetDataSource(Source);
    UpdateWindow(Grid->GetHandle());  // shown: footer changes count at once
  }
  TColumnKv* Col(Integer I) { return Grid->Column(I); }
  TColumnFooterKv* Foot(Integer I) { return Col(I)->GetFooter(); }
  String Text(Integer I, Integer Row = 0) { return Grid->FooterText(Row, Col(I)); }
  Integer Aggregates() { return Grid->GetSumList()->GetSumCollection()->GetCount(); }
};

TEST_F(DBGridKvFootersTest, AnAggregateFooterOwnsItsAggregateOnlyWhileItNeedsOne) {
  EXPECT_EQ(Aggregates(), 0);
  Foot(2)->SetValueType(fvtSum);
  ASSERT_EQ(Aggregates(), 1);
  TDBSum* Sum = Foot(2)->GetDBSum();
  EXPECT_EQ(Sum->GetGroupOperation(), goSum);
  EXPECT_EQ(Sum->GetFieldName(), "Amount") << "the column's field";
  Foot(2)->SetValueType(fvtAvg);
  EXPECT_EQ(Foot(2)->GetDBSum(), Sum) << "the same aggregate, another operation";
  EXPECT_EQ(Sum->GetGroupOperation(), goAvg);
  Foot(2)->SetFieldName("ID");
  EXPECT_EQ(Sum->GetFieldName(), "ID");
  Foot(2)->SetValueType(fvtCount);
  EXPECT_EQ(Sum->GetGroupOperation(), goCount);
  EXPECT_EQ(Sum->GetFieldName(), "");
  Foot(2)->SetValueType(fvtStaticText);
  EXPECT_EQ(Foot(2)->GetDBSum(), nullptr);
  EXPECT_EQ(Aggregates(), 0);
  Foot(2)->SetValueType(fvtSum);
  EXPECT_EQ(Aggregates(), 1);
  Col(2)->Free();
  EXPECT_EQ(Aggregates(), 0) << "a freed column's footer takes its aggregate along";
}

TEST_F(DBGridKvFootersTest, SumsOfWholeNumbersRoundAndTakeTheFootersOrTheFieldsFormat) {
  Foot(0)->SetValueType(fvtSum);
  EXPECT_EQ(Text(0), "15");
  Foot(0)->SetDisplayFormat("#,##0.00");
  EXPECT_EQ(Text(0), "15.00");
  Foot(0)->SetDisplayFormat("");
  static_cast<TNumericField*>(Field("ID"))->SetDisplayFormat("0.0");
  EXPECT_EQ(Text(0), "15.0");
  DataSet->First();
  while (!DataSet->IsEmpty()) DataSet->Delete();
  EXPECT_EQ(Text(0), "0.0");
  static_cast<TNumericField*>(Field("ID"))->SetDisplayFormat("");
  EXPECT_EQ(Text(0), "0");
}

TEST_F(DBGridKvFootersTest, AveragesOfWholeNumbersRoundHalfToEven) {
  DataSet->Last();
  DataSet->Delete();  // IDs 1..4: average 2.5
  Foot(0)->SetValueType(fvtAvg);
  EXPECT_EQ(Text(0), "2");
  DataSet->First();
  DataSet->Delete();  // 2..4: 3
  EXPECT_EQ(Text(0), "3");
  DataSet->AppendRecord({5});  // 2..5: 3.5
  EXPECT_EQ(Text(0), "4");
  DataSet->Locate("ID", 5, {});
  DataSet->Edit();
  Field("ID")->SetAsInteger(-3);  // 2, 3, 4, -3: 1.5
  DataSet->Post();
  EXPECT_EQ(Text(0), "2");
  DataSet->AppendRecord({7});  // 13 / 5: 2.6
  EXPECT_EQ(Text(0), "3");
  DataSet->AppendRecord({-1});  // 12 / 6: 2
  DataSet->AppendRecord({3});   // 15 / 7: 2.142857
  EXPECT_EQ(Text(0), "2");
  DataSet->AppendRecord({-20});  // -5 / 8: -0.625
  EXPECT_EQ(Text(0), "-1");
}

TEST_F(DBGridKvFootersTest, FloatFootersUseTheGeneralFormatOrMoney) {
  Foot(2)->SetValueType(fvtSum);
  EXPECT_EQ(Text(2), "143.5");
  Foot(2)->SetValueType(fvtAvg);
  EXPECT_EQ(Text(2), "28.7");
  static_cast<TFloatField*>(Field("Amount"))->SetCurrency(true);
  EXPECT_EQ(Text(2), "$28.70");
  Foot(2)->SetDisplayFormat("0.000");
  EXPECT_EQ(Text(2), "28.700");
}

TEST_F(DBGridKvFootersTest, CountFootersShowWholeNumbers) {
  Foot(1)->SetValueType(fvtCount);
  EXPECT_EQ(Text(1), "5");
  Foot(1)->SetDisplayFormat("0 orders");
  EXPECT_EQ(Text(1), "5 orders");
  DataSet->Append();
  DataSet->FieldByName("ID")->SetAsInteger(6);
  DataSet->Post();
  EXPECT_EQ(Text(1), "6 orders");
}

TEST_F(DBGridKvFootersTest, UnknownFieldsAndUnboundFootersShowZero) {
  // The aggregate of an unknown field counts nothing, and stops nothing.
  Foot(1)->SetFieldName("Nothing");
  EXPECT_NO_THROW(Foot(1)->SetValueType(fvtSum));
  EXPECT_EQ(Text(1), "0");
  Grid->GetSumList()->SetActive(false);
  EXPECT_EQ(Text(1), "0");
  Foot(1)->SetValueType(fvtNon);
  Grid->GetSumList()->SetActive(true);
  // A footer given its kind outside any grid has no aggregate until bound.
  TObjectPtr<TCollection> Loose(TCollection::Create(TTestColumn::StaticClass()));
  auto* Stray = static_cast<TColumnKv*>(Loose->Add());
  Stray->SetFieldName("Amount");
  Stray->GetFooter()->SetValueType(fvtSum);
  EXPECT_EQ(Stray->GetFooter()->GetDBSum(), nullptr);
  EXPECT_EQ(Grid->FooterText(0, Stray), "0");
  Stray->SetCollection(Grid->GetColumns());
  Stray->EnsureSumValues();
  EXPECT_EQ(Grid->FooterText(0, Stray), "143.5");
}

TEST_F(DBGridKvFootersTest, TheAggregateIsFoundWhateverTheCaseOfTheName) {
  Foot(2)->SetValueType(fvtSum);
  Foot(2)->SetFieldName("aMoUnT");
  EXPECT_EQ(Text(2), "143.5");
}

TEST_F(DBGridKvFootersTest, FieldValueStaticAndEmptyFooters) {
  Foot(1)->SetValueType(fvtFieldValue);
  Foot(1)->SetFieldName("Name");
  EXPECT_EQ(Text(1), "Ann");
  DataSet->Next();
  EXPECT_EQ(Text(1), "Bob") << "the current record's";
  Foot(1)->SetFieldName("Amount");
  Foot(1)->SetDisplayFormat("0.000");
  EXPECT_EQ(Text(1), "20.250");
  DataSet->Edit();
  Field("Amount")->Clear();
  EXPECT_EQ(Text(1), "");
  DataSet->Cancel();
  Foot(1)->SetFieldName("Nope");
  EXPECT_THROW(Text(1), EDatabaseError);
  Foot(3)->SetValueType(fvtStaticText);
  Foot(3)->SetValue("Total:");
  EXPECT_EQ(Text(3), "Total:");
  EXPECT_EQ(Text(0), "") << "no footer kind";
}

TEST_F(DBGridKvFootersTest, EachFooterRowUsesItsOwnFooterOrTheColumnsOne) {
  Grid->SetFooterRowCount(2);
  Foot(2)->SetValueType(fvtSum);
  TColumnFooterKv* Second = Col(2)->GetFooters()->Add();
  EXPECT_EQ(Col(2)->UsedFooter(0), Second);
  EXPECT_EQ(Col(2)->UsedFooter(1), Foot(2));
  Second->SetValueType(fvtCount);
  EXPECT_EQ(Text(2, 0), "5");
  EXPECT_EQ(Text(2, 1), "143.5");
  EXPECT_EQ(Grid->GetContraRowCount(), 2);
}

TEST_F(DBGridKvFootersTest, AnApplicationShowingTheTotalsWhenToldSeesTheNewOnes) {
  Foot(2)->SetValueType(fvtSum);
  std::vector<String> Shown;
  Grid->GetSumList()->SumListChanged = [&](TObject*) { Shown.push_back(Text(2)); };
  struct TLetGo {
    TDBGridKvSumList* List;
    ~TLetGo() { List->SumListChanged = nullptr; }
  } LetGo{Grid->GetSumList()};
  DataSet->Edit();
  Field("Amount")->SetAsFloat(11);  // 10.5 -> 11
  DataSet->Post();
  ASSERT_FALSE(Shown.empty());
  EXPECT_EQ(Shown.back(), "144");
  Shown.clear();
  DataSet->Delete();
  ASSERT_FALSE(Shown.empty());
  EXPECT_EQ(Shown.back(), "133");
  Shown.clear();
  DataSet->AppendRecord({9, "Zed", 7});
  ASSERT_FALSE(Shown.empty());
  EXPECT_EQ(Shown.back(), "140");
}

// An application shows the total in a status line of its own, filled from
// SumListChanged: the line follows a new filter, a refresh, closing and
// opening the orders, and the footers switched off and on again.
TEST_F(DBGridKvFootersTest, AStatusLineFedByTheChangeNoticeFollowsEveryPassAndClearing) {
  Foot(2)->SetValueType(fvtSum);
  String Status = "?";
  Grid->GetSumList()->SumListChanged = [&](TObject*) { Status = Text(2); };
  struct TLetGo {
    TDBGridKvSumList* List;
    ~TLetGo() { List->SumListChanged = nullptr; }
  } LetGo{Grid->GetSumList()};
  const struct {
    const char* What;
    std::function<void()> Act;
    const char* Shown;
  } Steps[] = {
      {"filtered", [&] { DataSet->SetFilter("Amount > 6"), DataSet->SetFiltered(true); }, "138.5"},
      {"refreshed", [&] { DataSet->Refresh(); }, "138.5"},
      {"closed", [&] { DataSet->Close(); }, "0"},
      {"opened", [&] { DataSet->Open(); }, "138.5"},
      {"footers off", [&] { Grid->GetSumList()->SetActive(false); }, "0"},
      {"footers on", [&] { Grid->GetSumList()->SetActive(true); }, "138.5"},
  };
  for (const auto& Step : Steps) {
    Status = "?";
    Step.Act();
    EXPECT_EQ(Status, Step.Shown) << Step.What;
  }
}

// An amount edited and not posted when the application adds a footer: the
// new footer's count posts the edit, and the record counts once.
TEST_F(DBGridKvFootersTest, AFooterAddedWhileARecordIsEditedCountsItOnce) {
  Foot(2)->SetValueType(fvtSum);
  ASSERT_EQ(Text(2), "143.5");
  DataSet->Edit();
  Field("Amount")->SetAsFloat(50);  // 10.5 -> 50
  Foot(1)->SetValueType(fvtCount);
  EXPECT_EQ(Text(2), "183");
  EXPECT_EQ(Text(1), "5");
  DataSet->Edit();
  Field("Amount")->SetAsFloat(60);
  DataSet->Post();
  EXPECT_EQ(Text(2), "193") << "and later posts still add their difference once";
}

// The user filters Amount > 6 and edits a shown amount below it: the record
// leaves the view, and the footers show what the grid shows.
TEST_F(DBGridKvFootersTest, ARecordEditedOutOfTheFilterLeavesTheFooters) {
  Foot(2)->SetValueType(fvtSum);
  Foot(0)->SetValueType(fvtCount);
  DataSet->SetFilter("Amount > 6");
  DataSet->SetFiltered(true);
  ASSERT_EQ(Text(2), "138.5");
  ASSERT_EQ(Text(0), "4");
  DataSet->First();
  DataSet->Edit();
  Field("Amount")->SetAsFloat(1);  // 10.5 -> 1
  DataSet->Post();
  EXPECT_EQ(DataSet->GetRecordCount(), 3);
  EXPECT_EQ(Text(2), "128");
  EXPECT_EQ(Text(0), "3");
}

TEST_F(DBGridKvFootersTest, FootersFollowThePostsOfTheDataset) {
  Foot(2)->SetValueType(fvtSum);
  Foot(0)->SetValueType(fvtCount);
  DataSet->Locate("ID", 3, {});
  DataSet->Edit();
  Field("Amount")->SetAsFloat(15.5);  // 5 -> 15.5
  DataSet->Post();
  EXPECT_EQ(Text(2), "154");
  DataSet->Delete();
  EXPECT_EQ(Text(2), "138.5");
  EXPECT_EQ(Text(0), "4");
  DataSet->SetFilter("ID > 3");
  DataSet->SetFiltered(true);
  EXPECT_EQ(Text(2), "107.75");
  EXPECT_EQ(Text(0), "2");
}

TEST_F(DBGridKvFootersTest, AChangeOfTheValuesRepaintsTheFooterRowsOnly) {
  Foot(2)->SetValueType(fvtSum);
  UpdateWindow(Grid->GetHandle());
  ValidateRect(Grid->GetHandle(), nullptr);
  // Values the application works out itself: no record moves, only the
  // footers change.
  Grid->GetSumList()->SetExternalRecalc(true);
  TRect Update;
  ASSERT_TRUE(GetUpdateRect(Grid->GetHandle(), &Update, FALSE));
  const TRect Footer = Grid->CellRect(3, Grid->GetRowCount());
  EXPECT_EQ(Update.Top, Footer.Top);
  EXPECT_GE(Update.Bottom, Footer.Bottom);
  EXPECT_EQ(Text(2), "0");
}

TEST_F(DBGridKvFootersTest, UnassignedValuesFollowTheGridAndTheField) {
  TColumnFooterKv* F = Foot(2);
  EXPECT_EQ(F->GetAlignment(), taRightJustify) << "the field's";
  EXPECT_EQ(Foot(1)->GetAlignment(), taLeftJustify);
  Grid->SetFooterColor(clInfoBk);
  EXPECT_EQ(F->GetColor(), clInfoBk);
  Grid->GetFooterFont()->SetSize(15);
  EXPECT_EQ(F->GetFont()->GetSize(), 15);
  Grid->GetColumnDefValues()->GetFooter()->SetToolTips(true);
  EXPECT_TRUE(F->GetToolTips());
  F->SetColor(clRed);
  F->GetFont()->SetStyle({fsBold});
  Grid->SetFooterColor(clWindow);
  Grid->GetFooterFont()->SetSize(9);
  EXPECT_EQ(F->GetColor(), clRed);
  EXPECT_EQ(F->GetFont()->GetSize(), 15);
  F->RestoreDefaults();
  EXPECT_EQ(F->GetColor(), clWindow);
  EXPECT_EQ(F->GetFont()->GetSize(), 9);
  EXPECT_EQ(F->GetAssignedValues(), 0);
}

TEST_F(DBGridKvFootersTest, FootersAreStoredWithTheirColumnsAndCopied) {
  RegisterClass(TTestDBGrid::StaticClass());
  Foot(2)->SetValueType(fvtSum);
  Foot(2)->SetDisplayFormat("0.00");
  Foot(2)->SetColor(clRed);
  Foot(2)->SetToolTips(false);  // assigned, but false: not stored
  Col(2)->GetFooters()->Add()->SetValueType(fvtCount);
  const String Text = ComponentToText(Grid);
  for (const char* Part : {"Footer.ValueType = fvtSum", "Footer.DisplayFormat = '0.00'",
                           "Footer.Color = clRed", "Footers = <", "ValueType = fvtCount"})
    EXPECT_NE(Text.find(Part), String::npos) << Part << " in\n" << Text;
  EXPECT_EQ(Text.find("ToolTips"), String::npos);
  Col(3)->Assign(Col(2));
  EXPECT_EQ(Foot(3)->GetValueType(), fvtSum);
  EXPECT_EQ(Foot(3)->GetColor(), clRed);
  EXPECT_EQ(Col(3)->GetFooters()->GetCount(), 1);
  EXPECT_EQ(Aggregates(), 4) << "each footer its own aggregate";
}

TEST_F(DBGridKvFootersTest, AFootersOwnToolTipsSurviveAStoredFormWhateverTheGridsDefault) {
  RegisterClass(TTestDBGrid::StaticClass());
  Grid->GetColumnDefValues()->GetFooter()->SetToolTips(true);
  Foot(2)->SetToolTips(false);
  Foot(1)->SetToolTips(true);  // the default, assigned
  const String Text = ComponentToText(Grid);
  TObjectPtr<TComponent> Copy(ReadComponentFromText(Text, nullptr));
  auto* Read = static_cast<TTestDBGrid*>(Copy.get());
  ASSERT_TRUE(Read->GetColumnDefValues()->GetFooter()->GetToolTips());
  EXPECT_FALSE(Read->Column(2)->GetFooter()->GetToolTips());
  EXPECT_TRUE(Read->Column(1)->GetFooter()->GetToolTips());
  EXPECT_TRUE(Read->Column(0)->GetFooter()->GetToolTips()) << "unassigned: the grid's";
  String Expected = Text;  // the copy has no data source on its own
  Expected.erase(Expected.find("  DataSource = OrdersSource\n"), 28);
  EXPECT_EQ(ComponentToText(Read), Expected);
}

TEST_F(DBGridKvFootersTest, ADesignedGridCountsWithoutTakingTheDatasetsEvents) {
  TTestDBGrid* Designed = MakeGrid("Designed");
  Designed->SetDesigning(true);
  Designed->GetColumns()->Add()->SetFieldName("Amount");
  Designed->Column(0)->GetFooter()->SetValueType(fvtSum);
  Designed->GetSumList()->SetActive(true);
  const TDataSetNotifyEvent Before = DataSet->AfterPost;
  Designed->SetDataSource(Source);
  EXPECT_TRUE(Designed->GetSumList()->GetHooked());
  EXPECT_TRUE(DataSet->AfterPost == Before) << "the dataset's events are untouched";
  EXPECT_EQ(Designed->FooterText(0, Designed->Column(0)), "143.5");
}

// [SECTION] Stored forms

// The grid as a form publishes it, with its footer rows.
class TStoredFootersGrid : public TTestDBGrid {
  KV_CLASS(TStoredFootersGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  KV_PUBLISHED {
    P.Prop("FooterRowCount", &TStoredFootersGrid::GetFooterRowCount,
           &TStoredFootersGrid::SetFooterRowCount)
        .Default(0);
  }
};

// A form of a few hundred bytes asking for a million footer rows would take
// hours to show: it fails to read at once, naming the count, and what was
// read before stays.
TEST_F(DBGridKvFootersTest, AStoredFormWithAMillionFooterRowsFailsToReadAtOnce) {
  RegisterClass(TStoredFootersGrid::StaticClass());
  auto* Stored = TStoredFootersGrid::Create(Form);
  Stored->SetName("Stored");
  Stored->SetParent(Form);
  Stored->SetBounds(0, 0, 300, 150);
  Stored->SetFooterRowCount(1);
  Stored->GetSumList()->SetActive(true);
  Stored->GetColumns()->Add()->SetFieldName("Amount");
  Stored->Column(0)->GetFooter()->SetValueType(fvtSum);
  Stored->SetDataSource(Source);
  const String Text =
      "object Stored: TStoredFootersGrid\n"
      "  Left = 0\n  Top = 0\n  Width = 320\n  Height = 160\n"
      "  UseMultiTitle = True\n"
      "  FooterRowCount = 1000000\n"
      "  TitleFont.Name = 'Arial'\n"
      "end\n";
  const auto Start = std::chrono::steady_clock::now();
  try {
    ReadComponentText(Text, Stored);
    ADD_FAILURE() << "read";
  } catch (const Exception& E) {
    EXPECT_NE(E.GetMessage().find("FooterRowCount"), String::npos) << E.GetMessage();
    EXPECT_NE(E.GetMessage().find("1000000"), String::npos) << E.GetMessage();
    EXPECT_NE(E.GetMessage().find("on line 7"), String::npos) << E.GetMessage();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(2));
  EXPECT_TRUE(Stored->GetUseMultiTitle()) << "read before the count: kept";
  EXPECT_EQ(Stored->GetWidth(), 320);
  EXPECT_EQ(Stored->GetFooterRowCount(), 1) << "the count it had";
  EXPECT_EQ(Stored->FooterText(0, Stored->Column(0)), "143.5");
  UpdateWindow(Stored->GetHandle());
  // The most a form may ask for reads, and a program is held to it too.
  TObjectPtr<TComponent> Most(ReadComponentFromText(
      "object Most: TStoredFootersGrid\n  FooterRowCount = 256\nend\n", nullptr));
  EXPECT_EQ(static_cast<TStoredFootersGrid*>(Most.get())->GetFooterRowCount(), 256);
  EXPECT_THROW(Stored->SetFooterRowCount(257), EInvalidGridOperationKv);
  EXPECT_EQ(Stored->GetFooterRowCount(), 1);
}

// [SECTION] Passes put off: footers set before the grid paints or under a lock

// A grid over the five orders that has not painted yet, with its passes
// counted.
class DBGridKvFooterPassesTest : public DBGridWithDataTest {
 protected:
  TDrawingLogOn DrawingLog;  // before the windows, so that their surfaces log
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetFooterRowCount(2);
    for (const char* Name : {"ID", "Name", "Amount", "Paid"})
      Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->Column(1)->SetWidth(60);  // every column on the screen
    Grid->GetSumList()->OnRecalcAll = [this](TObject*) { ++Passes; };
  }
  void TearDown() override {
    Grid->GetSumList()->OnRecalcAll = nullptr;
    DBGridWithDataTest::TearDown();
  }
  // Sets the footers of an application that shows totals of every kind.
  void SetFooters() {
    Grid->Column(0)->GetFooter()->SetValueType(fvtCount);
    Grid->Column(2)->GetFooter()->SetValueType(fvtSum);
    TColumnFooterKv* Second = Grid->Column(2)->GetFooters()->Add();
    Second->SetValueType(fvtAvg);
    Grid->Column(0)->GetFooters()->Add()->SetValueType(fvtSum);
    Grid->Column(0)->GetFooters()->GetItem(0)->SetFieldName("Amount");
  }
  std::vector<String> Texts() {
    return {Grid->FooterText(0, Grid->Column(0)), Grid->FooterText(0, Grid->Column(2)),
            Grid->FooterText(1, Grid->Column(2)), Grid->FooterText(1, Grid->Column(0))};
  }
  const std::vector<String> Expected{"143.5", "28.7", "143.5", "5"};
  Integer Passes = 0;
};

// A footer's look changed after the grid is shown: the footer cell paints
// it at once, and nothing else needs a repaint for it.
TEST_F(DBGridKvFooterPassesTest, AFootersCellRepaintsWhenItsLookOrTheGridsFooterLookChanges) {
  Grid->GetSumList()->SetActive(true);
  Grid->SetDataSource(Source);
  SetFooters();
  TColumnFooterKv* Sum = Grid->Column(2)->GetFooter();  // footer row 1
  TColumnFooterKv* Static = Grid->Column(1)->GetFooter();
  Static->SetValueType(fvtStaticText);
  Static->SetValue("A long total line");
  TColumnFooterKv* Paid = Grid->Column(3)->GetFooter();
  Paid->SetValueType(fvtStaticText);
  Paid->SetValue("Paid");
  Grid->Column(1)->SetWidth(60);
  TSurface* Surface = GetWindowSurface(Grid->GetHandle());
  auto Cell = [&](Integer DataCol, Integer Row) {
    TRect R = Grid->CellRect(DataCol + Grid->GetIndicatorOffset(), Grid->GetRowCount() + Row);
    const TPoint P = Grid->ClientToScreen({0, 0});
    TRect F;
    GetWindowRect(Form->GetHandle(), &F);
    OffsetRect(R, P.X - F.Left, P.Y - F.Top);
    return R;
  };
  auto Painted = [&](Integer DataCol, Integer Row) -> const TDrawRecord* {
    std::vector<const TDrawRecord*> Texts = Surface->TextsAt(Cell(DataCol, Row));
    return Texts.empty() ? nullptr : Texts.back();
  };
  auto Inside = [&](Integer DataCol, Integer Row) {
    const TRect R = Cell(DataCol, Row);
    return Surface->GetPixel(R.Right - 3, R.Bottom - 3);
  };
  Grid->SetRowLines(2);  // rows of two lines: footers may wrap
  const struct {
    const char* What;
    std::function<void()> Change;
    std::function<bool()> Shown;
  } Cases[] = {
      {"display format", [&] { Sum->SetDisplayFormat("0.00"); },
       [&] { return Painted(2, 1) && Painted(2, 1)->Text == "143.50"; }},
      {"static text", [&] { Static->SetValue("A longer total"); },
       [&] { return Painted(1, 0) && Painted(1, 0)->Text == "A longer total"; }},
      {"alignment", [&] { Sum->SetAlignment(taLeftJustify); },
       [&] { return Painted(2, 1) && Painted(2, 1)->Rect.Left < Cell(2, 1).Left + 5; }},
      {"colour", [&] { Sum->SetColor(clYellow); },
       [&] { return Inside(2, 1) == ColorToRGB(clYellow); }},
      {"grid's footer font", [&] { Grid->GetFooterFont()->SetSize(13); },
       [&] { return Painted(0, 1) && Painted(0, 1)->FontSize == 13; }},
      {"end ellipsis", [&] { Static->SetEndEllipsis(true); },
       [&] {
         const TDrawRecord* R = Painted(1, 0);
         return R && R->Text.size() >= 3 && R->Text.compare(R->Text.size() - 3, 3, "...") == 0;
       }},
      {"word wrap", [&] { Static->SetWordWrap(true); },
       [&] {
         const std::vector<const TDrawRecord*> Lines = Surface->TextsAt(Cell(1, 0));
         return Lines.size() == 2 && Lines[0]->Text == "A" && Lines[1]->Text == "longer";
       }},
      {"a footer added for the first row", [&] { Grid->Column(3)->GetFooters()->Add(); },
       [&] { return Painted(3, 0) == nullptr && Painted(3, 1) && Painted(3, 1)->Text == "Paid"; }},
      {"that footer freed", [&] { Grid->Column(3)->GetFooters()->Clear(); },
       [&] { return Painted(3, 0) && Painted(3, 0)->Text == "Paid"; }},
      {"one footer row", [&] { Grid->SetFooterRowCount(1); },
       [&] { return Grid->GetContraRowCount() == 1 && Painted(0, 0) != nullptr; }},
      {"grid's footer colour", [&] { Grid->SetFooterColor(clAqua); },
       [&] { return Inside(0, 0) == ColorToRGB(clAqua); }},
  };
  UpdateWindow(Grid->GetHandle());
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    UpdateWindow(Grid->GetHandle());
    Surface->ClearRecords();
    C.Change();
    UpdateWindow(Grid->GetHandle());
    EXPECT_TRUE(C.Shown());
  }
}

TEST_F(DBGridKvFooterPassesTest, FootersSetBeforeTheFirstPaintCostOnePassCountedWhenPainted) {
  Grid->GetSumList()->SetActive(true);
  Grid->SetDataSource(Source);
  SetFooters();
  DataSet->Locate("ID", 4, {});  // the program moves on before anything is shown
  EXPECT_EQ(Passes, 0);
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(Passes, 1) << "one pass for all the footers, at the first paint";
  EXPECT_FALSE(GetUpdateRect(Grid->GetHandle(), nullptr, FALSE)) << "painted once, completely";
  TSurface* Surface = GetWindowSurface(Grid->GetHandle());
  EXPECT_NE(Surface->FindText("143.5"), nullptr);
  EXPECT_NE(Surface->FindText("28.7"), nullptr);
  EXPECT_EQ(DataSet->FieldByName("ID")->GetAsInteger(), 4) << "the record the program chose";
  EXPECT_EQ(Texts(), Expected);
  EXPECT_EQ(Passes, 1);
  // A shown grid counts a change at once, as it always has.
  Grid->Column(3)->GetFooter()->SetValueType(fvtCount);
  EXPECT_EQ(Passes, 2);
}

TEST_F(DBGridKvFooterPassesTest, AProgramReadingTotalsRightAfterSettingThemGetsThemInOnePass) {
  Grid->GetSumList()->SetActive(true);
  Grid->SetDataSource(Source);
  DataSet->Locate("ID", 3, {});
  SetFooters();
  EXPECT_EQ(Texts(), Expected);
  EXPECT_EQ(Passes, 1);
  EXPECT_EQ(DataSet->FieldByName("ID")->GetAsInteger(), 3);
  // The same totals as a pass for each change gives.
  UpdateWindow(Grid->GetHandle());
  Grid->GetSumList()->RecalcAll();
  EXPECT_EQ(Texts(), Expected);
  // A dataset opened after the footers were set: one pass too.
  DataSet->Close();
  Passes = 0;
  TTestDBGrid* Other = MakeGrid("Other");
  Other->SetFooterRowCount(1);
  Other->GetColumns()->Add()->SetFieldName("Amount");
  Other->GetSumList()->SetActive(true);
  Other->SetDataSource(Source);
  Other->GetSumList()->OnRecalcAll = [this](TObject*) { ++Passes; };
  Other->Column(0)->GetFooter()->SetValueType(fvtSum);
  DataSet->Open();
  Other->Column(0)->GetFooters()->Add()->SetValueType(fvtCount);
  EXPECT_EQ(Other->FooterText(0, Other->Column(0)), "5");
  EXPECT_EQ(Other->FooterText(1, Other->Column(0)), "143.5");
  EXPECT_EQ(Passes, 2) << "the shown grid counts the opening, the other one pass";
  Other->GetSumList()->OnRecalcAll = nullptr;
}

TEST_F(DBGridKvFooterPassesTest, FootersChangedUnderALockCostOnePassAfterIt) {
  Grid->GetSumList()->SetActive(true);
  Grid->SetDataSource(Source);
  UpdateWindow(Grid->GetHandle());
  const Integer Start = Passes;
  Grid->BeginUpdate();
  SetFooters();
  EXPECT_EQ(Passes, Start);
  Grid->EndUpdate();
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(Passes, Start + 1);
  EXPECT_EQ(Texts(), Expected);
  // The footers collection's own lock.
  TColumnFootersKv* Footers = Grid->Column(1)->GetFooters();
  Footers->BeginUpdate();
  Footers->Add()->SetValueType(fvtCount);
  Footers->Add()->SetValueType(fvtSum);
  Footers->GetItem(1)->SetFieldName("ID");
  EXPECT_EQ(Passes, Start + 1);
  Footers->EndUpdate();
  EXPECT_EQ(Grid->FooterText(0, Grid->Column(1)), "5");
  EXPECT_EQ(Grid->FooterText(1, Grid->Column(1)), "15");
  EXPECT_EQ(Passes, Start + 2);
  // Under a lock, a post still counts as a difference.
  Grid->BeginUpdate();
  DataSet->Edit();
  Field("Amount")->SetAsFloat(20.5);  // 10.5 -> 20.5
  DataSet->Post();
  Grid->EndUpdate();
  EXPECT_EQ(Grid->FooterText(1, Grid->Column(2)), "153.5");
  EXPECT_EQ(Passes, Start + 2);
}

// A pass put off does not post what the user is typing: it waits for the
// record to be posted, and then counts it once.
TEST_F(DBGridKvFooterPassesTest, APassPutOffWaitsForTheEditInProgress) {
  Grid->GetSumList()->SetActive(true);
  Grid->SetDataSource(Source);
  SetFooters();
  DataSet->Edit();
  Field("Amount")->SetAsFloat(0.5);  // 10.5 -> 0.5, not posted
  UpdateWindow(Grid->GetHandle());
  EXPECT_EQ(DataSet->GetState(), dsEdit) << "the edit is the user's";
  EXPECT_EQ(Passes, 0);
  DataSet->Post();
  EXPECT_EQ(Grid->FooterText(1, Grid->Column(2)), "133.5");
  EXPECT_EQ(Passes, 1);
}

// [SECTION] Footers as a user meets them: typing, pasting, deleting

// A grid that shows its cell editor as a real one does.
class TTypingGrid : public TTestDBGrid {
  KV_CLASS(TTypingGrid, TTestDBGrid)
 public:
  using TTestDBGrid::TTestDBGrid;
  void ShowCellEditor() override { TCustomDBGridKv::ShowCellEditor(); }
};

// One value of the numbers table, read with SQLite itself.
String StoredAmount(const String& File, Integer Id) {
  sqlite3* DB = nullptr;
  EXPECT_EQ(sqlite3_open(File.c_str(), &DB), SQLITE_OK);
  sqlite3_stmt* S = nullptr;
  const String SQL = "SELECT quote(amount) FROM numbers WHERE id = " + std::to_string(Id);
  EXPECT_EQ(sqlite3_prepare_v2(DB, SQL.c_str(), -1, &S, nullptr), SQLITE_OK);
  String Result = "<none>";
  if (sqlite3_step(S) == SQLITE_ROW)
    Result = reinterpret_cast<const char*>(sqlite3_column_text(S, 0));
  sqlite3_finalize(S);
  sqlite3_close(DB);
  return Result;
}

// A focused grid over ten numbered records (amounts 0.25 to 2.5, in all
// 13.75) with a count under id and a sum under amount, and an application
// that counts its AfterPost calls.
class DBGridKvFootersInputTest : public DBGridNumbersTest {
 protected:
  TDrawingLogOn DrawingLog;
  void SetUp() override {
    DBGridNumbersTest::SetUp();
    ResetMessageDlgScript();
    Grids.clear();
    Grid->Free();
    Grid = TTypingGrid::Create(Form);
    Grid->SetName("Grid1");
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Grids.push_back(Grid);
    Grid->SetFooterRowCount(1);
    OpenNumbers(GetParam(), 10);
    DataSet->AfterPost = [this](TDataSet*) { ++Posts; };  // before the footers take it
    Grid->GetSumList()->SetActive(true);
    for (const char* Name : {"id", "name", "amount"}) Grid->GetColumns()->Add()->SetFieldName(Name);
    Grid->Column(1)->SetWidth(80);  // every column on the screen
    Grid->Column(0)->GetFooter()->SetValueType(fvtCount);
    Grid->Column(2)->GetFooter()->SetValueType(fvtSum);
    Grid->SetFocus();
  }
  void TearDown() override {
    ResetMessageDlgScript();
    DBGridNumbersTest::TearDown();
  }
  // What the footer cell under the data column shows, as painted.
  String PaintedFooter(Integer DataCol) {
    Grid->Invalidate();
    TSurface* Surface = GetWindowSurface(Grid->GetHandle());
    Surface->ClearRecords();
    UpdateWindow(Grid->GetHandle());
    TRect Cell = Grid->CellRect(DataCol + Grid->GetIndicatorOffset(), Grid->GetRowCount());
    const TPoint P = Grid->ClientToScreen({0, 0});
    TRect F;
    GetWindowRect(Form->GetHandle(), &F);
    OffsetRect(Cell, P.X - F.Left, P.Y - F.Top);
    String Text;
    for (const TDrawRecord* R : Surface->TextsAt(Cell))
      Text += (Text.empty() ? "" : "\n") + R->Text;
    return Text;
  }
  // Goes to the amount of record Id and replaces it by typing Text.
  void TypeAmount(Integer Id, const String& Text) {
    Input.KeyPress(VK_HOME, {ssCtrl});
    for (Integer I = 1; I < Id; ++I) Input.KeyPress(VK_DOWN);
    Input.KeyPress(VK_END);
    Input.KeyPress(VK_F2);
    ASSERT_TRUE(Grid->GetInplaceEditor() && Grid->GetInplaceEditor()->Visible());
    Grid->GetInplaceEditor()->SelectAll();
    Input.Type(Text);
    Input.KeyPress(VK_RETURN);
    Input.KeyPress(VK_DOWN);  // leaving the record posts it
  }
  String Stored(Integer Id) {
    if (GetParam() == TStore::SQLite) return StoredAmount(File.Name, Id);
    TBookmark Here = DataSet->GetBookmark();
    String Result =
        DataSet->Locate("id", Id, {}) ? DataSet->FieldByName("amount")->GetAsString() : "<none>";
    DataSet->GotoBookmark(Here);
    return Result;
  }
  Integer Posts = 0;
};

// The user types an amount far beyond what a footer can total: the record is
// stored and its post completes; the sum says it overflowed and the count
// goes on; putting a fitting amount back brings the sum back.
TEST_P(DBGridKvFootersInputTest, AnAmountBeyondTheFootersIsStoredAndTheSumShowsItOverflowed) {
  ASSERT_EQ(PaintedFooter(2), "13.75");
  TypeAmount(1, "1e300");
  EXPECT_TRUE(Application()->GetHandledExceptions().empty()) << "no error for a stored row";
  EXPECT_EQ(Posts, 1) << "the application heard of the post";
  EXPECT_EQ(Stored(1), GetParam() == TStore::SQLite ? "1.0e+300" : "1E300");
  EXPECT_EQ(PaintedFooter(2), "Overflow");
  EXPECT_EQ(PaintedFooter(0), "10");
  TypeAmount(3, "7");  // 0.75 -> 7: the totals go on following
  EXPECT_EQ(Posts, 2);
  EXPECT_EQ(PaintedFooter(2), "Overflow");
  TypeAmount(1, "5");
  EXPECT_EQ(Posts, 3);
  EXPECT_EQ(Stored(1), GetParam() == TStore::SQLite ? "5.0" : "5");
  EXPECT_EQ(PaintedFooter(2), "24.75");
  DataSet->Refresh();
  EXPECT_EQ(PaintedFooter(2), "24.75") << "a refresh counts the same";
  EXPECT_EQ(PaintedFooter(0), "10");
}

// Pasted into a cell, then the record deleted with Ctrl+Delete: the sum
// comes back with the value gone, and the count follows the records.
TEST_P(DBGridKvFootersInputTest, APastedAmountBeyondTheFootersLeavesWithItsRecord) {
  Grid->SetEditActions({geaCopyKv, geaPasteKv, geaDeleteKv});
  Clipboard()->SetAsText("1.23e38");
  Input.KeyPress(VK_DOWN);
  Input.KeyPress(VK_END);
  Input.KeyPress('V', {ssCtrl});
  Input.KeyPress(VK_DOWN);
  EXPECT_TRUE(Application()->GetHandledExceptions().empty());
  EXPECT_EQ(Posts, 1);
  EXPECT_EQ(Stored(2), GetParam() == TStore::SQLite ? "1.23e+38" : "1.23E38");
  EXPECT_EQ(PaintedFooter(2), "Overflow");
  EXPECT_EQ(PaintedFooter(0), "10");
  Input.KeyPress(VK_UP);
  QueueMessageDlgAnswer(mrOk);
  Input.KeyPress(VK_DELETE, {ssCtrl});
  EXPECT_EQ(Stored(2), "<none>");
  EXPECT_EQ(PaintedFooter(2), "13.25");
  EXPECT_EQ(PaintedFooter(0), "9");
}

// Sorted by amount and filtered to amounts over 1 through the library's
// features objects, the user types an amount that takes a record out of the
// filter, leaves the record, and refreshes: the footers count what shows.
TEST_P(DBGridKvFootersInputTest, ARecordEditedOutOfASortedFilteredViewLeavesTheFooters) {
  struct TFeatures {
    TFeatures() {
      RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
      RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());
    }
    ~TFeatures() {
      UnregisterDatasetFeaturesKv(TMemoryDataSet::StaticClass());
      UnregisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass());
    }
  } Features;
  Grid->Column(2)->GetTitle()->SetSortMarker(smUpKv);  // descending
  Grid->RebuildSortMarkedColumns();
  Grid->ApplySorting();
  Grid->Column(2)->GetSTFilter()->SetExpressionStr(">1.9");
  Grid->DoApplyFilter();
  ASSERT_EQ(DataSet->GetRecordCount(), 3);  // 2.5, 2.25, 2
  EXPECT_EQ(PaintedFooter(0), "3");
  EXPECT_EQ(PaintedFooter(2), "6.75");
  TypeAmount(2, "1");  // 2.25 -> 1: out of the filter
  EXPECT_EQ(Posts, 1);
  auto Shown = [&] {
    Integer N = 0;
    TDisableControlsGuard Hold(DataSet);
    const TBookmark Here = DataSet->GetBookmark();
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next()) ++N;
    if (!Here.empty() && DataSet->BookmarkValid(Here)) DataSet->GotoBookmark(Here);
    return N;
  };
  // The in-memory dataset lets the record go at once, the SQLite one keeps
  // it in view until the refresh: the footers count what shows either way.
  EXPECT_EQ(PaintedFooter(0), std::to_string(Shown()));
  EXPECT_EQ(PaintedFooter(2), GetParam() == TStore::SQLite ? "5.5" : "4.5");
  DataSet->Refresh();
  EXPECT_EQ(Shown(), 2);
  EXPECT_EQ(PaintedFooter(0), "2");
  EXPECT_EQ(PaintedFooter(2), "4.5");
  Grid->DoApplyFilter();  // the same filter applied again
  EXPECT_EQ(PaintedFooter(0), "2");
}

INSTANTIATE_TEST_SUITE_P(BothStores, DBGridKvFootersInputTest,
                         ::testing::Values(TStore::Memory, TStore::SQLite), StoreName);

}  // namespace
}  // namespace korvel
