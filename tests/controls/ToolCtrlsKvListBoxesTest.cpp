// The drop-down list boxes and the most-recently-used list: a popup list
// dropped down under its edit box and searched as the user types there (the
// owner hands the characters on), followed by the mouse and the wheel,
// snapped to whole rows, drawn with images and in virtual mode; the MRU list
// box's own scroll bar beside the grip; the MRU list's entries, limit,
// filtering and storing.
//
// Ideas for tests: an items source that shrinks while the list shows it.
#include <gtest/gtest.h>

#include "platform/classes/Filer.h"
#include "platform/classes/FormReader.h"
#include "platform/controls/ListBoxClass.h"
#include "platform/rtl/VirtualKeys.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace testkv;

const char* const Fruits[] = {"Apple", "apricot", "Banana", "blueberry", "Cherry", "cranberry",
                              "Date",  "elder",   "Fig",    "grape",     "kiwi",   "lime"};

template <class TList>
class ListFixture : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    Edit = TPopupOwnerEdit::Create(Form);
    Edit->SetBounds(20, 20, 150, 21);
    Edit->SetParent(Form);
    // The owner hands typed characters on to its drop-down, as edit
    // controls do while it is dropped down.
    Edit->OnKeyPress = [this](TObject*, Char& Key) {
      if (!Edit->DroppedDown()) return;
      SendMessage(List->GetHandle(), WM_CHAR, WPARAM(Key), 0);
      Key = 0;
    };
    // And the wheel, as the focused control receives it.
    Edit->OnMouseWheel = [this](TObject*, TShiftState, Integer Delta, TPoint, bool& Handled) {
      if (!Edit->DroppedDown()) return;
      Handled = List->Perform(CM_MOUSEWHEEL, MAKEWPARAM(0, Word(Delta)), 0) != 0;
    };
    Form->Show();
    List = TList::Create(Edit);
    List->SetBounds(0, 0, 150, 100);
    Edit->SetPopup(List);
    for (const char* F : Fruits) List->GetItems()->Add(F);
    Edit->SetFocus();
  }
  HWND ListWnd() { return List->GetHandle(); }
  // A client point of the list inside item I.
  TPoint InItem(Integer I) {
    const TRect R = List->ItemRect(I);
    return {R.Left + 5, R.Top + R.Height() / 2};
  }
  TSurface* Surface() { return GetWindowSurface(ListWnd()); }
  TRect OnSurface(TRect ClientR) {
    TPoint P = ClientR.TopLeft();
    ClientToScreen(ListWnd(), &P);
    TRect W;
    GetWindowRect(ListWnd(), &W);
    OffsetRect(ClientR, P.X - W.Left - ClientR.Left, P.Y - W.Top - ClientR.Top);
    return ClientR;
  }
  TPopupOwnerEdit* Edit = nullptr;
  TList* List = nullptr;
};

using ToolCtrlsKvPopupListTest = ListFixture<TPopupListboxKv>;

TEST_F(ToolCtrlsKvPopupListTest, ATopmostToolWindowOutsideItsOwnerThatNeverTakesTheFocus) {
  Edit->DropDown();
  EXPECT_EQ(GetParent(ListWnd()), nullptr);
  EXPECT_EQ(List->GetParent(), Edit);
  const LONG_PTR Ex = GetWindowLongPtr(ListWnd(), GWL_EXSTYLE);
  EXPECT_TRUE(Ex & WS_EX_TOPMOST);
  EXPECT_TRUE(Ex & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(Ex & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(GetWindowLongPtr(ListWnd(), GWL_STYLE) & WS_CLIPCHILDREN);
  EXPECT_FALSE(GetWindowLongPtr(ListWnd(), GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(GetClassLongPtr(ListWnd(), GCL_STYLE), ULONG_PTR(CS_SAVEBITS));
  EXPECT_FALSE(List->CanFocus());
  EXPECT_FALSE(List->GetTabStop());
  EXPECT_EQ(List->GetStyle(), lbOwnerDrawFixed);
  // Pointing at an item leaves the focus with the edit box; the current
  // item is still drawn with the focus rectangle.
  Input.MouseMove(ListWnd(), InItem(2));
  EXPECT_EQ(List->GetItemIndex(), 2);
  EXPECT_TRUE(Edit->Focused());
  Surface()->ClearRecords();
  List->Invalidate();
  UpdateWindow(ListWnd());
  SaveWindowPng(ListWnd(), "toolkit-popup-list.png");
  bool FocusFrame = false;
  for (const TDrawRecord& R : RecordsOf(Surface(), TDrawKind::Frame))
    FocusFrame |= R.Rect == OnSurface(List->ItemRect(2));
  EXPECT_TRUE(FocusFrame);
  EXPECT_NE(Surface()->FindText("Banana"), nullptr);
  EXPECT_EQ(Surface()->FindText("Banana")->BkColor, Rgb(clHighlight));
}

TEST_F(ToolCtrlsKvPopupListTest, TheHeightSnapsToWholeRows) {
  // Item height 16; with Ctl3D the frame is two pixels a side.
  EXPECT_EQ(List->GetBorderSize(), 4);
  List->SetHeight(90);
  EXPECT_EQ(List->GetHeight(), 84);
  EXPECT_EQ(List->GetRowCount(), 5);
  EXPECT_EQ(List->GetClientHeight(), 80);
  List->SetHeight(10);
  EXPECT_EQ(List->GetHeight(), 20);
  EXPECT_EQ(List->GetRowCount(), 1);
  List->SetRowCount(3);
  EXPECT_EQ(List->GetHeight(), 52);
  List->SetRowCount(0);
  EXPECT_EQ(List->GetHeight(), 20);
  // Never narrower than a scroll bar.
  List->SetWidth(5);
  EXPECT_EQ(List->GetWidth(), GetSystemMetrics(SM_CXVSCROLL));
  // Without Ctl3D: a one-pixel border and no frame of its own.
  List->SetCtl3D(false);
  EXPECT_EQ(List->GetBorderWidth(), 0);
  EXPECT_TRUE(GetWindowLongPtr(ListWnd(), GWL_STYLE) & WS_BORDER);
  EXPECT_EQ(List->GetBorderSize(), 2);
  List->SetHeight(90);
  EXPECT_EQ(List->GetHeight(), 82);
  EXPECT_EQ(GetParent(ListWnd()), nullptr);  // made again, and detached again
}

TEST_F(ToolCtrlsKvPopupListTest, TypingSelectsByAPrefixThatForgetsAfterTwoSeconds) {
  Edit->DropDown();
  Input.Type("b");
  EXPECT_EQ(List->GetItemIndex(), 2);  // Banana
  AdvanceTicks(500);
  Input.Type("L");
  EXPECT_EQ(List->GetSearchText(), "bL");
  EXPECT_EQ(List->GetItemIndex(), 3);  // blueberry, in any case
  AdvanceTicks(3000);
  Input.Type("c");
  EXPECT_EQ(List->GetSearchText(), "c");
  EXPECT_EQ(List->GetItemIndex(), 4);  // Cherry
  AdvanceTicks(2000);                  // exactly the time-out: still the same search
  Input.Type("r");
  EXPECT_EQ(List->GetSearchText(), "cr");
  EXPECT_EQ(List->GetItemIndex(), 5);  // cranberry
  AdvanceTicks(2001);
  Input.Type("a");
  EXPECT_EQ(List->GetSearchText(), "a");
  EXPECT_EQ(List->GetItemIndex(), 0);
  // No item starts with the text: the selection stays.
  Input.Type("x");
  EXPECT_EQ(List->GetItemIndex(), 0);
  SendMessage(ListWnd(), WM_CHAR, 8, 0);
  EXPECT_EQ(List->GetSearchText(), "");
  Input.Type("d");
  EXPECT_EQ(List->GetItemIndex(), 6);
  SendMessage(ListWnd(), WM_CHAR, 27, 0);
  EXPECT_EQ(List->GetSearchText(), "");
}

TEST_F(ToolCtrlsKvPopupListTest, AThirtyThirdCharacterIsNotAddedAndTheClockMayWrap) {
  List->GetItems()->Add(String(32, 'z') + "!");
  Edit->DropDown();
  Input.Type(String(33, 'z'));
  EXPECT_EQ(List->GetSearchText(), String(32, 'z'));
  EXPECT_EQ(List->GetItemIndex(), 12);
  // A tick count that wrapped still measures the silence.
  SendMessage(ListWnd(), WM_CHAR, 27, 0);
  SetTickCount64(0xFFFFFFFFull - 100);
  Input.Type("k");
  SetTickCount64(0x100000000ull + 300);
  Input.Type("i");
  EXPECT_EQ(List->GetSearchText(), "ki");
  EXPECT_EQ(List->GetItemIndex(), 10);
}

TEST_F(ToolCtrlsKvPopupListTest, TheItemUnderAMovingMouseIsSelected) {
  Edit->DropDown();
  Input.MouseMove(ListWnd(), InItem(3));
  EXPECT_EQ(List->GetItemIndex(), 3);
  Input.MouseMove(ListWnd(), InItem(1));
  EXPECT_EQ(List->GetItemIndex(), 1);
  // A move message at the point already seen (the list scrolled under a
  // still mouse, or keys moved the selection) changes nothing.
  List->SetItemIndex(4);
  const TPoint Same = InItem(1);
  SendMessage(ListWnd(), WM_MOUSEMOVE, 0, MAKELPARAM(Same.X, Same.Y));
  EXPECT_EQ(List->GetItemIndex(), 4);
  // Nor a move with a button held, nor one below the last item.
  const TPoint Other = InItem(2);
  SendMessage(ListWnd(), WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(Other.X, Other.Y));
  EXPECT_EQ(List->GetItemIndex(), 4);
  List->GetItems()->Clear();
  List->GetItems()->Add("only");
  List->SetItemIndex(0);
  Input.MouseMove(ListWnd(), {20, 60});
  EXPECT_EQ(List->GetItemIndex(), 0);
}

TEST_F(ToolCtrlsKvPopupListTest, TheWheelScrollsOneRowANotch) {
  List->SetRowCount(4);
  Edit->DropDown();
  Input.Wheel(Edit->GetHandle(), -WHEEL_DELTA);
  EXPECT_EQ(List->GetTopIndex(), 1);
  Input.Wheel(Edit->GetHandle(), -2 * WHEEL_DELTA);
  EXPECT_EQ(List->GetTopIndex(), 3);
  Input.Wheel(Edit->GetHandle(), WHEEL_DELTA);
  EXPECT_EQ(List->GetTopIndex(), 2);
  List->OnMouseWheelDown = [](TObject*, TShiftState, TPoint, bool& Handled) { Handled = true; };
  Input.Wheel(Edit->GetHandle(), -WHEEL_DELTA);
  EXPECT_EQ(List->GetTopIndex(), 2);
}

TEST_F(ToolCtrlsKvPopupListTest, SizingSetsTheFlagAndTheGripFollowsTheSide) {
  Edit->DropDown();
  List->SetSizeGripResized(false);
  List->SetRowCount(3);
  EXPECT_TRUE(List->GetSizeGripResized());
  TSizeGripKv* Grip = List->GetSizeGrip();
  EXPECT_EQ(Grip->GetPosition(), sgpBottomRightKv);
  EXPECT_EQ(Point(Grip->GetLeft(), Grip->GetTop()),
            Point(List->GetClientWidth() - Grip->GetWidth(),
                  List->GetClientHeight() - Grip->GetHeight()));
  Edit->DropDown(taRightJustify);
  EXPECT_EQ(Grip->GetPosition(), sgpBottomLeftKv);
  EXPECT_EQ(Point(Grip->GetLeft(), Grip->GetTop()),
            Point(0, List->GetClientHeight() - Grip->GetHeight()));
}

class ToolCtrlsKvImageListTest : public ToolCtrlsKvPopupListTest {
 protected:
  void SetUp() override {
    ToolCtrlsKvPopupListTest::SetUp();
    Images.reset(TCustomImageList::CreateSize(16, 16));
    for (TColor C : {clRed, clBlue}) {
      TObjectPtr<TBitmap> B = MakeBitmap(16, 16, C);
      Images->Add(B.get(), nullptr);
    }
    List->SetItemHeight(20);
    List->SetImages(Images.get());
  }
  void TearDown() override {
    List->SetImages(nullptr);
    Images.reset();
    ToolCtrlsKvPopupListTest::TearDown();
  }
  TObjectPtr<TCustomImageList> Images;
};

TEST_F(ToolCtrlsKvImageListTest, EachItemHasItsImageInAColumnBeforeTheText) {
  List->OnGetImageIndex = [](TObject*, Integer Item, Integer& Image) { Image = Item % 2; };
  Edit->DropDown();
  List->SetItemIndex(1);
  UpdateWindow(ListWnd());
  SaveWindowPng(ListWnd(), "toolkit-popup-list-images.png");
  const TRect Item0 = OnSurface(List->ItemRect(0));
  const TRect Item2 = OnSurface(List->ItemRect(2));
  // Centred in a column 20 pixels wide: 2 pixels in, 2 down.
  EXPECT_EQ(ColorBox(Surface(), Rgb(clRed), Item0), Bounds(Item0.Left + 2, Item0.Top + 2, 16, 16));
  EXPECT_EQ(ColorBox(Surface(), Rgb(clRed), Item2), Bounds(Item2.Left + 2, Item2.Top + 2, 16, 16));
  // The selected item's image is blended, not plain.
  const TRect Item1 = OnSurface(List->ItemRect(1));
  EXPECT_EQ(CountColor(Surface(), Rgb(clBlue), Item1), 0);
  // The text starts after the column; the focus rectangle leaves it out.
  const TDrawRecord* Text = Surface()->FindText("apricot");
  ASSERT_NE(Text, nullptr);
  EXPECT_EQ(Text->Rect.Left, Item1.Left + 21);
  EXPECT_EQ(Text->BkColor, Rgb(clHighlight));
  bool FocusFrame = false;
  for (const TDrawRecord& R : RecordsOf(Surface(), TDrawKind::Frame))
    FocusFrame |= R.Rect == Rect(Item1.Left + 20, Item1.Top, Item1.Right, Item1.Bottom);
  EXPECT_TRUE(FocusFrame);
}

TEST_F(ToolCtrlsKvImageListTest, RightToLeftPutsTheImageAtTheRight) {
  SysLocale.MiddleEast = true;
  List->SetBiDiMode(bdRightToLeft);
  Edit->DropDown();
  UpdateWindow(ListWnd());
  const TRect Item0 = OnSurface(List->ItemRect(0));
  EXPECT_EQ(ColorBox(Surface(), Rgb(clRed), Item0),
            Bounds(Item0.Right - 18, Item0.Top + 2, 16, 16));
  const TDrawRecord* Text = Surface()->FindText("Apple");
  ASSERT_NE(Text, nullptr);
  EXPECT_EQ(Text->Rect.Right, Item0.Right - 22);
}

TEST_F(ToolCtrlsKvPopupListTest, AnItemsSourceMakesTheListVirtual) {
  TObjectPtr<TStringList> Source(TStringList::Create());
  for (const char* F : {"one", "two", "three"}) Source->Add(F);
  List->SetItemsSource(Source.get());
  EXPECT_EQ(List->GetStyle(), lbVirtualOwnerDraw);
  EXPECT_EQ(GetParent(ListWnd()), nullptr);
  List->SetCount(3);
  Edit->DropDown();
  UpdateWindow(ListWnd());
  EXPECT_NE(Surface()->FindText("three"), nullptr);
  EXPECT_EQ(List->GetItems()->Get(1), "two");
  List->SetItemsSource(nullptr);
  EXPECT_EQ(List->GetStyle(), lbOwnerDrawFixed);
}

// [SECTION] The most-recently-used list box

using ToolCtrlsKvMRUListboxTest = ListFixture<TMRUListboxKv>;

TEST_F(ToolCtrlsKvMRUListboxTest, AllEntriesShownMeansNoScrollBarAndATriangularGrip) {
  List->GetItems()->Clear();
  for (const char* F : {"a", "b", "c"}) List->GetItems()->Add(F);
  List->SetRowCount(5);
  Edit->DropDown();
  EXPECT_FALSE(GetWindowLongPtr(ListWnd(), GWL_STYLE) & WS_VSCROLL);
  EXPECT_FALSE(List->GetScrollBar()->GetVisible());
  EXPECT_TRUE(List->GetSizeGrip()->GetTriangleWindow());
}

TEST_F(ToolCtrlsKvMRUListboxTest, MoreEntriesThanRowsShowTheOwnScrollBarBesideTheGrip) {
  List->SetRowCount(5);
  Edit->DropDown();
  TScrollBar* Bar = List->GetScrollBar();
  TSizeGripKv* Grip = List->GetSizeGrip();
  ASSERT_TRUE(Bar->GetVisible());
  EXPECT_EQ(Bar->GetMin(), 0);
  EXPECT_EQ(Bar->GetMax(), 11);
  EXPECT_EQ(Bar->GetPageSize(), 5);
  EXPECT_EQ(Bar->GetPosition(), 0);
  // At the bottom right the bar runs down to the grip, which is square.
  EXPECT_FALSE(Grip->GetTriangleWindow());
  const Integer CW = List->GetClientWidth(), CH = List->GetClientHeight();
  const Integer W = GetSystemMetrics(SM_CXVSCROLL);
  EXPECT_EQ(Bar->GetBoundsRect(), Rect(CW - W, 0, CW, CH - Grip->GetHeight()));
  // Right-aligned the grip goes left and keeps its triangle; the bar runs the
  // whole height.
  Edit->DropDown(taRightJustify);
  EXPECT_EQ(Grip->GetPosition(), sgpBottomLeftKv);
  EXPECT_TRUE(Grip->GetTriangleWindow());
  EXPECT_EQ(Bar->GetBoundsRect(), Rect(CW - W, 0, CW, CH));
  // Above the master at the right: the bar starts below the grip.
  SetMonitors({{Rect(0, 0, 1024, 200), Rect(0, 0, 1024, 200)}});
  Edit->DropDown();
  EXPECT_EQ(Grip->GetPosition(), sgpTopRightKv);
  EXPECT_FALSE(Grip->GetTriangleWindow());
  EXPECT_EQ(Bar->GetBoundsRect(), Rect(CW - W, Grip->GetHeight(), CW, CH));
}

TEST_F(ToolCtrlsKvMRUListboxTest, TheScrollBarScrollsTheListAndFollowsIt) {
  List->SetRowCount(5);
  Edit->DropDown();
  TScrollBar* Bar = List->GetScrollBar();
  // The bar's lower arrow: one row down.
  Input.Click(Bar->GetHandle(), {5, Bar->GetHeight() - 3});
  EXPECT_EQ(List->GetTopIndex(), 1);
  EXPECT_EQ(Bar->GetPosition(), 1);
  Input.Wheel(Edit->GetHandle(), -WHEEL_DELTA);
  EXPECT_EQ(List->GetTopIndex(), 2);
  EXPECT_EQ(Bar->GetPosition(), 2);
  // Filling fewer entries hides it again.
  List->GetItems()->Clear();
  List->GetItems()->Add("one");
  EXPECT_FALSE(Bar->GetVisible());
  EXPECT_TRUE(List->GetSizeGrip()->GetTriangleWindow());
  // Moved by somebody else, the bar goes back beside the grip.
  for (Integer I = 0; I < 10; ++I) List->GetItems()->Add("x" + std::to_string(I));
  ASSERT_TRUE(Bar->GetVisible());
  const TRect Placed = Bar->GetBoundsRect();
  Bar->SetBounds(0, 0, 10, 10);
  EXPECT_EQ(Bar->GetBoundsRect(), Placed);
}

// [SECTION] The most-recently-used list

class ToolCtrlsKvMRUListTest : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    List.reset(TMRUListKv::Create(nullptr));
  }
  void TearDown() override {
    List.reset();
    TFormFixture::TearDown();
  }
  std::vector<String> Entries() {
    std::vector<String> E;
    for (Integer I = 0; I < List->GetItems()->GetCount(); ++I)
      E.push_back(List->GetItems()->Get(I));
    return E;
  }
  using V = std::vector<String>;
  TObjectPtr<TMRUListKv> List;
};

TEST_F(ToolCtrlsKvMRUListTest, Defaults) {
  EXPECT_FALSE(List->GetActive());
  EXPECT_TRUE(List->GetAutoAdd());
  EXPECT_FALSE(List->GetCaseSensitive());
  EXPECT_EQ(List->GetLimit(), 100);
  EXPECT_EQ(List->GetRows(), 7);
  EXPECT_EQ(List->Width, 0);
  EXPECT_FALSE(List->DroppedDown);
  EXPECT_TRUE(List->GetCancelIfKeyInQueue());
}

TEST_F(ToolCtrlsKvMRUListTest, AddMovesAnEqualEntryToTheEndWithItsOwnLetters) {
  List->Add("North");
  List->Add("South");
  List->Add("north");
  EXPECT_EQ(Entries(), (V{"South", "North"}));
  List->SetCaseSensitive(true);
  List->Add("north");
  EXPECT_EQ(Entries(), (V{"South", "North", "north"}));
  List->Add(" north");  // its blank counts
  EXPECT_EQ(Entries(), (V{"South", "North", "north", " north"}));
  List->Add("   ");
  List->Add("\t\r\n");
  List->Add("");
  EXPECT_EQ(Entries().size(), 4u);
  List->SetCaseSensitive(false);
  List->Add("ÉTÉ");
  List->Add("été");
  EXPECT_EQ(Entries().back(), "ÉTÉ");
  EXPECT_EQ(Entries().size(), 5u);
}

TEST_F(ToolCtrlsKvMRUListTest, TheLimitDropsTheOldestEntries) {
  List->SetLimit(3);
  for (const char* S : {"a", "b", "c", "d"}) List->Add(S);
  EXPECT_EQ(Entries(), (V{"b", "c", "d"}));
  List->Add("b");  // moved, nothing dropped
  EXPECT_EQ(Entries(), (V{"c", "d", "b"}));
  List->SetLimit(2);
  EXPECT_EQ(Entries(), (V{"d", "b"}));
}

// Regression: a negative limit made trimming delete from an empty list.
TEST_F(ToolCtrlsKvMRUListTest, ANegativeLimitCountsAsNone) {
  List->Add("a");
  List->SetLimit(-5);
  EXPECT_EQ(List->GetLimit(), 0);
  EXPECT_TRUE(Entries().empty());
  List->Add("b");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(ToolCtrlsKvMRUListTest, FilteringCopiesTheEntriesThatStartWithTheText) {
  for (const char* S : {"Paris", "prague", "Porto", "Oslo", "PRAGUE"}) List->Add(S);
  TObjectPtr<TStringList> Out(TStringList::Create());
  EXPECT_TRUE(List->FilterItemsTo(Out.get(), "pr"));
  EXPECT_EQ(Out->GetCount(), 1);  // "PRAGUE" moved "prague" to the end
  EXPECT_EQ(Out->Get(0), "prague");
  EXPECT_TRUE(List->FilterItemsTo(Out.get(), "p"));
  EXPECT_EQ(Out->GetCount(), 3);
  List->SetCaseSensitive(true);
  EXPECT_TRUE(List->FilterItemsTo(Out.get(), "P"));
  EXPECT_EQ(Out->GetCount(), 2);
  EXPECT_TRUE(List->FilterItemsTo(Out.get(), "Po"));
  EXPECT_EQ(Out->GetCount(), 1);
  EXPECT_TRUE(List->FilterItemsTo(Out.get(), ""));
  EXPECT_EQ(Out->GetCount(), 4);
  // The handler has the last word on each entry.
  Integer Seen = 0;
  List->OnFilterItem = [&Seen](TObject*, bool& Accept) { Accept = ++Seen % 2 == 0; };
  EXPECT_TRUE(List->FilterItemsTo(Out.get(), "zzz"));
  EXPECT_EQ(Out->GetCount(), 2);
  EXPECT_EQ(Out->Get(0), "Porto");
}

TEST_F(ToolCtrlsKvMRUListTest, AWaitingKeyPressStopsFilteringAtTheNextHundred) {
  TEdit* Edit = TEdit::Create(Form);
  Edit->SetParent(Form);
  Form->Show();
  Edit->SetFocus();
  List->SetLimit(1000);
  for (Integer I = 0; I < 250; ++I) List->Add("item " + std::to_string(I));
  TObjectPtr<TStringList> Out(TStringList::Create());
  Out->Add("stale");
  Input.SetAutoPump(false);
  Input.KeyDown('X');
  EXPECT_FALSE(List->FilterItemsTo(Out.get(), "item"));
  EXPECT_EQ(Out->GetCount(), 0);
  List->SetCancelIfKeyInQueue(false);
  EXPECT_TRUE(List->FilterItemsTo(Out.get(), "item"));
  EXPECT_EQ(Out->GetCount(), 250);
  Input.SetAutoPump(true);
  ProcessMessages();
  // A key pressed during the pass stops it at the next hundredth entry.
  List->SetCancelIfKeyInQueue(true);
  Integer Seen = 0;
  List->OnFilterItem = [&Seen](TObject*, bool&) {
    if (++Seen == 150) PostMessage(nullptr, WM_KEYDOWN, 'Y', 0);
  };
  EXPECT_FALSE(List->FilterItemsTo(Out.get(), "item"));
  EXPECT_EQ(Out->GetCount(), 200);
  ProcessMessages();
}

TEST_F(ToolCtrlsKvMRUListTest, AssignEventsAndStoring) {
  Integer ActiveChanges = 0;
  List->OnActiveChanged = [&ActiveChanges](TObject*) { ++ActiveChanges; };
  TObjectPtr<TMRUListKv> Other(TMRUListKv::Create(nullptr));
  Other->SetActive(true);
  Other->Add("x");
  Other->SetLimit(5);
  Other->SetRows(3);
  Other->SetCaseSensitive(true);
  Other->SetAutoAdd(false);
  List->Assign(Other.get());
  EXPECT_TRUE(List->GetActive());
  EXPECT_EQ(ActiveChanges, 1);
  EXPECT_EQ(Entries(), V{"x"});
  EXPECT_EQ(List->GetLimit(), 5);
  EXPECT_EQ(List->GetRows(), 3);
  EXPECT_TRUE(List->GetCaseSensitive());
  EXPECT_TRUE(List->GetAutoAdd());  // not copied
  List->SetActive(true);
  EXPECT_EQ(ActiveChanges, 1);
  // Close-up and drop-down reach the owner's handlers when they are set.
  List->CloseUp(true);
  List->DropDown();
  std::vector<bool> Closes;
  Integer Drops = 0;
  List->OnSetCloseUp = [&Closes](TObject*, bool Accept) { Closes.push_back(Accept); };
  List->OnSetDropDown = [&Drops](TObject*) { ++Drops; };
  List->CloseUp(false);
  List->DropDown();
  EXPECT_EQ(Closes, std::vector<bool>{false});
  EXPECT_EQ(Drops, 1);
  // Only what differs from the defaults is stored.
  const std::vector<const TPropInfo*> Props = GetPropList(TMRUListKv::StaticClass());
  std::vector<String> Stored;
  for (const TPropInfo* P : Props)
    if (IsStoredProp(List.get(), P) && !IsDefaultPropValue(List.get(), P))
      Stored.push_back(P->Name);
  EXPECT_EQ(Stored, (V{"Active", "CaseSensitive", "Items", "Limit", "Rows"}));
}

}  // namespace
}  // namespace korvel
