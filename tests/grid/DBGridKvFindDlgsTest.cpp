// The find dialog as a person uses it over a grid: read from its stored
// form, opened modally or on top of the application, its "Find in" list,
// the request each "Find next" hands to the grid (and the record it finds),
// a new search and "All" going on downward, Ctrl turning the direction round,
// Enter and Escape, one dialog for every grid, and a grid freed under it.
#include <gtest/gtest.h>

#include "grid/DBGridKvFindDlgs.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel {
namespace {

using namespace kvp;

std::vector<String> Requests;  // the searches the grid handed to the data service

// The library's data service with every search it is asked for written down.
class TRecordingService : public TDBGridKvDataService {
  KV_CLASS(TRecordingService, TDBGridKvDataService)
 public:
  bool LocateTextByFeatures(TCustomDBGridKv* Grid, const String& FieldName, const String& Text,
                            TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                            TLocateTextOptionsKv Options,
                            TLocateTextTreeRangeKv TreeRange) override {
    Requests.push_back(Grid->GetName() + " [" + FieldName + "] [" + Text + "] match " +
                       std::to_string(Matching) + " dir " + std::to_string(Direction) + " opt " +
                       std::to_string(Options.GetBits()) + " tree " + std::to_string(TreeRange));
    return TDBGridKvDataService::LocateTextByFeatures(Grid, FieldName, Text, Matching, Direction,
                                                      Options, TreeRange);
  }
};

// A dataset that offers the tree interface; it answers whether it is shown
// as a tree.
class TTreeDataSet : public TMemoryDataSet, public IMemTableKv {
  KV_CLASS(TTreeDataSet, TMemoryDataSet)
 public:
  using TMemoryDataSet::TMemoryDataSet;
  bool TreeView = true;
  void FetchRecords(Integer) override {}
  Integer GetActiveRecord() override { return IsEmpty() ? -1 : GetRecNo() - 1; }
  Integer GetRecordIndexByBookmark(const TBookmark&) override { return -1; }
  bool GetNodeExpanded() override { return false; }
  bool GetNodeHasChildren() override { return false; }
  Integer GetNodeLevel() override { return 1; }
  bool GetNodeHasNextSibling(Integer) override { return false; }
  Integer GetNextNodeLevel() override { return -1; }
  IMemTableDataFieldValueListKv* GetFieldValueList(const String&) override { return nullptr; }
  Integer GetTreeLevelLimit() override { return 0; }
  Integer GetRecordCount() override { return TMemoryDataSet::GetRecordCount(); }
  bool GetTreeViewMode() override { return TreeView; }
  TBookmark GetBookmarkByRecordIndex(Integer) override { return {}; }
  Integer GetParentRecordIndex(Integer) override { return -1; }
  void SetNodeExpanded(Integer, bool) override {}
  Integer GetNodeChildCount() override { return 0; }
  bool MoveRecords(const std::vector<TBookmark>&, Integer, Integer, bool) override { return false; }
  void SetActiveRecord(Integer) override {}
  void RestoreActiveRecord() override {}
};

// A grid over five records with the columns ID, Name, City (hidden) and
// Amount, the Name column current.
class DBGridKvFindDlgsTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    Requests.clear();
    SetDBGridKvDataService(TRecordingService::Create());
    DataSet = TTreeDataSet::Create(Form);
    DataSet->SetName("People");
    DataSet->TreeView = false;
    DataSet->GetFieldDefs()->Add("ID", ftInteger);
    DataSet->GetFieldDefs()->Add("Name", ftString, 20);
    DataSet->GetFieldDefs()->Add("City", ftString, 20);
    DataSet->GetFieldDefs()->Add("Amount", ftFloat);
    DataSet->Open();
    DataSet->AppendRecord({1, "abc", "Paris", 1234.0});
    DataSet->AppendRecord({2, "xabcx", "Wien", 5.0});
    DataSet->AppendRecord({3, "ABC", "Oslo", 7.5});
    DataSet->AppendRecord({4, "Zed", "abc town", 0.0});
    DataSet->AppendRecord({5, "abcd", "end abc", 99.0});
    DataSet->First();
    Grid->SetMemTableSupport(false);  // the grid reads its rows as from any dataset
    for (const char* Name : {"ID", "Name", "City", "Amount"}) {
      TColumnKv* Column = Grid->GetColumns()->Add();
      Column->SetFieldName(Name);
      Column->GetTitle()->SetCaption(String("The ") + Name);
    }
    Grid->Column(2)->SetVisible(false);
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
    Grid->SetSelectedIndex(1);
  }
  void TearDown() override {
    FreeObject(DBGridKvFindDlg());
    SetDBGridKvDataService(TDBGridKvDataService::Create());
    DBGridOnFormTest::TearDown();
  }
  TDBGridKvFindDlg* Open(const String& Text = "abc") {
    Grid->ExecuteFindDialog(Text, "", false);
    TDBGridKvFindDlg* Dialog = DBGridKvFindDlg();
    EXPECT_NE(Dialog, nullptr);
    return Dialog;
  }
  // A click in the middle of a control of the dialog.
  static void ClickOn(TControl* Control) {
    TWinControl* Target = DynCast<TWinControl>(Control);
    ASSERT_NE(Target, nullptr);
    Input.Click(Target->GetHandle(), {Control->GetWidth() / 2, Control->GetHeight() / 2});
  }
  String LastRequest() { return Requests.empty() ? String() : Requests.back(); }
  TTreeDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
};

TEST_F(DBGridKvFindDlgsTest, TheDialogIsReadFromItsStoredForm) {
  TDBGridKvFindDlg* D = Open();
  EXPECT_EQ(D->GetOwner(), Application()) << "made on first use, owned by the application";
  EXPECT_EQ(D->GetText(), "Find text");
  EXPECT_EQ(D->GetBorderStyle(), bsDialog);
  EXPECT_EQ(D->GetClientWidth(), 505);
  EXPECT_EQ(D->GetColor(), clBtnFace);
  EXPECT_TRUE(D->GetKeyPreview());
  EXPECT_EQ(D->GetPosition(), poScreenCenter);
  EXPECT_EQ(D->GetPixelsPerInch(), 96);
  EXPECT_GT(D->GetFullHeight(), D->GetHeight()) << "made with the tree row, shown without it";
  const struct {
    TControl* Control;
    Integer Left, Top;
    const char* Caption;
  } Labels[] = {{D->Label1, 10, 12, "Fi&nd What:"},
                {D->Label2, 10, 35, "Find &in:"},
                {D->cbMatchType, 10, 58, "Matc&h:"},
                {D->Label3, 10, 82, "Sea&rch:"},
                {D->Label4, 10, 128, "Find in Tree:"}};
  for (const auto& L : Labels) {
    SCOPED_TRACE(L.Caption);
    EXPECT_EQ(L.Control->GetLeft(), L.Left);
    EXPECT_EQ(L.Control->GetTop(), L.Top);
    EXPECT_EQ(static_cast<TLabel*>(L.Control)->GetCaption(), L.Caption);
  }
  const struct {
    TWinControl* Control;
    Integer Left, Top, Width, TabOrder;
  } Controls[] = {{D->cbText, 88, 9, 316, 0},
                  {D->cbFindIn, 88, 32, 192, 1},
                  {D->cbMatchinType, 88, 55, 144, 2},
                  {D->cbFindDirection, 88, 79, 144, 3},
                  {D->cbCharCase, 88, 105, 144, 4},
                  {D->cbUseFormat, 260, 105, 144, 5},
                  {D->bFind, 413, 9, 82, 6},
                  {D->bCancel, 413, 37, 82, 7},
                  {D->dbcTreeFindRange, 88, 124, 145, 8}};
  for (const auto& C : Controls) {
    SCOPED_TRACE(C.Control->GetName());
    EXPECT_EQ(C.Control->GetLeft(), C.Left);
    EXPECT_EQ(C.Control->GetTop(), C.Top);
    EXPECT_EQ(C.Control->GetWidth(), C.Width);
    EXPECT_EQ(C.Control->GetTabOrder(), C.TabOrder);
  }
  EXPECT_EQ(D->cbMatchinType->GetItems()->GetText(),
            "From any part of field\r\nWhole field\r\nFrom beging of field\r\n");
  EXPECT_EQ(D->cbMatchinType->GetKeyItems()->GetText(), D->cbMatchinType->GetItems()->GetText());
  EXPECT_EQ(D->cbMatchinType->GetText(), "From any part of field");
  EXPECT_EQ(D->cbMatchinType->GetItemIndex(), 0);
  EXPECT_EQ(D->cbFindDirection->GetItems()->GetText(), "Up\r\nDown\r\nAll\r\n");
  EXPECT_EQ(D->cbFindDirection->GetItemIndex(), 2);
  EXPECT_EQ(D->dbcTreeFindRange->GetItems()->GetText(),
            "In all nodes\r\nIn expanded nodes\r\nIn current level\r\nIn current node\r\n");
  EXPECT_EQ(D->dbcTreeFindRange->GetItemIndex(), 0);
  EXPECT_EQ(D->cbText->GetDropDownBox()->GetRows(), 17);
  EXPECT_TRUE(D->cbFindIn->GetDropDownBox()->GetSizable());
  EXPECT_EQ(D->cbCharCase->GetCaption(), "Match &Case");
  EXPECT_FALSE(D->cbCharCase->GetChecked());
  EXPECT_EQ(D->cbUseFormat->GetCaption(), "Match F&ormat");
  EXPECT_TRUE(D->cbUseFormat->GetChecked());
  EXPECT_EQ(D->bFind->GetCaption(), "&Find next");
  EXPECT_EQ(D->bCancel->GetCaption(), "Close");
  EXPECT_TRUE(D->bCancel->GetCancel());
  EXPECT_EQ(D->bCancel->GetModalResult(), mrCancel);
}

TEST_F(DBGridKvFindDlgsTest, TheTreeRowShowsOnlyForADatasetShownAsATree) {
  TDBGridKvFindDlg* D = Open();
  EXPECT_EQ(D->GetClientHeight(), 124) << "cut to the top of the tree-range box";
  EXPECT_FALSE(D->Label4->GetVisible());
  EXPECT_FALSE(D->dbcTreeFindRange->GetVisible());
  DataSet->TreeView = true;
  Open();
  EXPECT_EQ(D->GetClientHeight(), 150);
  EXPECT_TRUE(D->Label4->GetVisible());
  EXPECT_TRUE(D->dbcTreeFindRange->GetVisible());
  D->dbcTreeFindRange->SetItemIndex(3);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abc] match 0 dir 2 opt 5 tree 3");
  DataSet->TreeView = false;
  Open();
  EXPECT_EQ(D->GetClientHeight(), 124);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abc] match 0 dir 2 opt 5 tree -1")
      << "no tree range for a dataset that is not shown as a tree";
}

TEST_F(DBGridKvFindDlgsTest, FindInListsTheVisibleColumnsAndChoosesTheCurrentOne) {
  TDBGridKvFindDlg* D = Open();
  TStrings* Items = D->cbFindIn->GetItems();
  EXPECT_EQ(Items->GetText(), "The ID\r\nThe Name\r\nThe Amount\r\n<All>\r\n");
  EXPECT_EQ(D->cbFindIn->GetKeyItems()->GetText(), Items->GetText());
  EXPECT_EQ(Items->GetObject(0), Grid->Column(0));
  EXPECT_EQ(Items->GetObject(2), Grid->Column(3));
  EXPECT_EQ(Items->GetObject(3), nullptr);
  EXPECT_EQ(D->cbFindIn->GetItemIndex(), 1);
  ASSERT_EQ(D->GetColumnsList()->GetCount(), 1);
  EXPECT_EQ(D->GetColumnsList()->GetColumn(0), Grid->Column(1));
  EXPECT_TRUE(D->GetNewSearch());
  EXPECT_EQ(D->GetCurColumnIndex(), 0);

  D->cbFindIn->SetItemIndex(3);
  EXPECT_EQ(D->GetColumnsList()->GetCount(), 3) << "every listed column for <All>";
  D->cbFindDirection->SetItemIndex(0);
  EXPECT_EQ(D->GetCurColumnIndex(), 2) << "Up starts at the last listed column";

  // The current column hidden: its caption is not listed, <All> is chosen.
  Grid->SetSelectedIndex(2);
  Open();
  EXPECT_EQ(D->cbFindIn->GetItemIndex(), 3);

  // A caller's list of columns replaces the grid's.
  const TColumnCaptionsKv Mine = {{"Who", Grid->Column(1)}, {"Where", Grid->Column(2)}};
  ExecuteDBGridKvFindDialog(Grid, "x", "ignored", false, &Mine);
  EXPECT_EQ(Items->GetText(), "Who\r\nWhere\r\n<All>\r\n");
  EXPECT_EQ(D->cbText->GetText(), "x");
}

TEST_F(DBGridKvFindDlgsTest, EachFindNextHandsTheChoicesToTheGrid) {
  TDBGridKvFindDlg* D = Open();
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abc] match 0 dir 2 opt 5 tree -1")
      << "no letter case, display format, all records";
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abc] match 0 dir 1 opt 5 tree -1")
      << "after a find, All goes on downward";
  EXPECT_EQ(DataSet->GetRecNo(), 2);

  D->cbFindIn->SetItemIndex(3);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [] [abc] match 0 dir 2 opt 7 tree -1")
      << "a new search over all columns";
  ClickOn(D->cbCharCase);
  ClickOn(D->cbUseFormat);
  D->cbMatchinType->SetItemIndex(1);
  D->cbFindDirection->SetItemIndex(1);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [] [abc] match 1 dir 1 opt 2 tree -1");
  D->cbMatchinType->SetItemIndex(2);
  D->cbFindDirection->SetItemIndex(0);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [] [abc] match 2 dir 0 opt 2 tree -1");
}

TEST_F(DBGridKvFindDlgsTest, ANewSearchBeginsWithEachChangeAndEndsWithAFind) {
  TDBGridKvFindDlg* D = Open();
  ClickOn(D->bFind);
  ClickOn(D->bFind);
  ASSERT_EQ(DataSet->GetRecNo(), 2);
  EXPECT_FALSE(D->GetNewSearch());
  D->cbText->SetFocus();
  Input.KeyPress(VK_END);
  Input.Type("d");
  EXPECT_TRUE(D->GetNewSearch()) << "a changed text";
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abcd] match 0 dir 2 opt 5 tree -1");
  EXPECT_EQ(DataSet->GetRecNo(), 5);
  D->cbText->SetText("nothing like it");
  ClickOn(D->bFind);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [nothing like it] match 0 dir 2 opt 5 tree -1")
      << "a search that finds nothing stays new";
  EXPECT_EQ(DataSet->GetRecNo(), 5);
  D->cbText->SetText("abc");
  ClickOn(D->bFind);
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  D->cbFindDirection->SetItemIndex(2);
  D->cbFindDirection->SetItemIndex(1);
  D->cbFindDirection->SetItemIndex(2);
  EXPECT_TRUE(D->GetNewSearch()) << "a changed direction";
  EXPECT_EQ(D->cbText->GetItems()->GetText(), "abc\r\nabcd\r\nnothing like it\r\n")
      << "each text is kept once";
}

TEST_F(DBGridKvFindDlgsTest, CtrlTurnsTheDirectionRound) {
  TDBGridKvFindDlg* D = Open();
  DataSet->SetRecNo(3);
  Input.KeyDown(VK_CONTROL);
  ClickOn(D->bFind);
  Input.KeyUp(VK_CONTROL);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abc] match 0 dir 0 opt 5 tree -1") << "All goes up";
  EXPECT_EQ(DataSet->GetRecNo(), 2);
  D->cbFindDirection->SetItemIndex(1);
  D->cbText->SetFocus();
  Input.KeyPress(VK_RETURN, {ssCtrl});
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abc] match 0 dir 0 opt 5 tree -1") << "Down goes up";
  EXPECT_EQ(DataSet->GetRecNo(), 1);
  D->cbFindDirection->SetItemIndex(0);
  Input.KeyPress(VK_RETURN, {ssCtrl});
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abc] match 0 dir 1 opt 5 tree -1") << "Up goes down";
  EXPECT_EQ(DataSet->GetRecNo(), 2);
}

TEST_F(DBGridKvFindDlgsTest, OnTopTheDialogStaysAndEscapeClosesIt) {
  TDBGridKvFindDlg* D = Open();
  EXPECT_TRUE(D->GetVisible());
  EXPECT_EQ(D->GetFormStyle(), fsStayOnTop);
  EXPECT_EQ(GetFocus(), D->cbText->GetHandle());
  Input.KeyPress(VK_END);
  Input.Type("d");
  Input.KeyPress(VK_RETURN);
  EXPECT_EQ(LastRequest(), "Grid1 [Name] [abcd] match 0 dir 2 opt 5 tree -1") << "Enter finds";
  EXPECT_FALSE(D->cbText->GetModified());
  EXPECT_TRUE(D->GetVisible());
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(D->GetVisible());
  EXPECT_EQ(Requests.size(), 1u);
}

TEST_F(DBGridKvFindDlgsTest, AKeyTheOpenListWantsIsTheLists) {
  TDBGridKvFindDlg* D = Open();
  D->cbFindIn->SetFocus();
  D->cbFindIn->DropDown();
  ASSERT_TRUE(D->cbFindIn->GetListDropped());
  Input.KeyPress(VK_ESCAPE);
  EXPECT_FALSE(D->cbFindIn->GetListDropped());
  EXPECT_TRUE(D->GetVisible()) << "Escape closed the list only";
  D->cbFindIn->DropDown();
  Input.KeyPress(VK_RETURN);
  EXPECT_FALSE(D->cbFindIn->GetListDropped());
  EXPECT_TRUE(Requests.empty()) << "Enter closed the list only";
}

TEST_F(DBGridKvFindDlgsTest, ModallyEscapeEndsTheLoopWithCancel) {
  TCustomForm* Seen = nullptr;
  TFormStyle Style = fsStayOnTop;
  Application()->QueueModalAction([&](TCustomForm* F) {
    Seen = F;
    Style = F->GetFormStyle();
    Input.KeyPress(VK_END);
    Input.Type("d");
    Input.KeyPress(VK_RETURN);
  });
  Application()->QueueModalAction([](TCustomForm*) { Input.KeyPress(VK_ESCAPE); });
  Grid->ExecuteFindDialog("abc", "", true);
  TDBGridKvFindDlg* D = DBGridKvFindDlg();
  EXPECT_EQ(Seen, D);
  EXPECT_EQ(Style, fsNormal);
  EXPECT_EQ(D->GetModalResult(), mrCancel);
  EXPECT_FALSE(D->GetVisible());
  EXPECT_EQ(Requests, (std::vector<String>{"Grid1 [Name] [abcd] match 0 dir 2 opt 5 tree -1"}));
  EXPECT_EQ(DataSet->GetRecNo(), 5);
  Application()->QueueModalAction(
      [](TCustomForm* F) { ClickOn(static_cast<TDBGridKvFindDlg*>(F)->bCancel); });
  Grid->ExecuteFindDialog("abc", "", true);
  EXPECT_EQ(D->GetModalResult(), mrCancel) << "Close ends it too";
}

TEST_F(DBGridKvFindDlgsTest, WithoutAnActiveDatasetFindOnlyKeepsTheText) {
  TDBGridKvFindDlg* D = Open("first");
  DataSet->Close();
  ClickOn(D->bFind);
  EXPECT_TRUE(Requests.empty());
  EXPECT_EQ(D->cbText->GetItems()->GetText(), "first\r\n");
}

TEST_F(DBGridKvFindDlgsTest, OneDialogServesEveryGridAndKeepsTheTypedTexts) {
  TDBGridKvFindDlg* D = Open("abc");
  ClickOn(D->bFind);
  TTestDBGrid* Other = MakeGrid("Grid2");
  Other->SetTop(200);
  Other->SetDataSource(Source);
  Other->ExecuteFindDialog("zed", "", false);
  EXPECT_EQ(DBGridKvFindDlg(), D);
  EXPECT_EQ(D->GetGrid(), Other);
  EXPECT_EQ(D->cbText->GetItems()->GetText(), "abc\r\n");
  EXPECT_EQ(D->cbFindIn->GetItems()->GetText(), "ID\r\nName\r\nCity\r\nAmount\r\n<All>\r\n");
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid2 [ID] [zed] match 0 dir 2 opt 5 tree -1");
}

// Regression: the dialog kept the grid and its columns after they were
// freed, and the next "Find next" read them.
TEST_F(DBGridKvFindDlgsTest, AGridOrColumnsFreedUnderTheDialogAreNotRead) {
  TDBGridKvFindDlg* D = Open();
  Grid->GetColumns()->Clear();  // the chosen column is gone
  for (const char* Name : {"Name", "City"}) Grid->GetColumns()->Add()->SetFieldName(Name);
  ClickOn(D->bFind);
  EXPECT_EQ(LastRequest(), "Grid1 [] [abc] match 0 dir 2 opt 5 tree -1")
      << "a column no longer in the grid is searched as the current one";

  TTestDBGrid* Other = MakeGrid("Grid2");
  Other->SetDataSource(Source);
  Other->ExecuteFindDialog("abc", "", false);
  ASSERT_EQ(D->GetGrid(), Other);
  Grids.pop_back();
  FreeObject(Other);
  EXPECT_EQ(D->GetGrid(), nullptr);
  EXPECT_FALSE(D->GetVisible()) << "the dialog closes with its grid";
  EXPECT_EQ(D->cbFindIn->GetItems()->GetCount(), 0);
  Requests.clear();
  D->Show();
  ClickOn(D->bFind);
  EXPECT_TRUE(Requests.empty());
  EXPECT_EQ(D->cbText->GetItems()->IndexOf("abc"), 0);
}

}  // namespace
}  // namespace korvel
