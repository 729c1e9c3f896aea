// The lookup grid under the keyboard, the mouse, the wheel and the vertical
// scroll bar. Keys and the mouse move the list dataset and then choose the
// record that became current (or the special row); the wheel and the bar
// only move the list.
//
// Index:
//   [SECTION] Keys            KeyDown, MoveListByKey, ProcessSearchKey
//   [SECTION] Mouse           MouseDown, MouseMove, MouseUp, SelectByMouse, AutoScrollTimer
//   [SECTION] Wheel           DoMouseWheelDown, DoMouseWheelUp
//   [SECTION] Scroll bar      UpdateScrollBar, WMVScroll
#include <algorithm>

#include "grid/DBLookupGridsKv.h"
#include "platform/db/Fields.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/VirtualKeys.h"

namespace korvel {

using namespace kvp;

namespace {

bool IsUpwardKey(Word Key) {
  return Key == VK_PRIOR || Key == VK_HOME || Key == VK_LEFT || Key == VK_UP;
}

}  // namespace

// [SECTION] Keys

void TDBLookupGridKv::KeyDown(Word& Key, TShiftState Shift) {
  // [Phase 1] The move the key asks for.
  Integer Move = 0;
  bool Ends = false;
  const bool HorzBar = GetHorzScrollBar()->IsScrollBarShowing();
  switch (Key) {
    case VK_PRIOR:
      Move = 1 - GetGridDataRowCount();
      break;
    case VK_NEXT:
      Move = GetGridDataRowCount() - 1;
      break;
    case VK_END:
    case VK_HOME:
      Ends = true;
      break;
    case VK_LEFT:
      Move = HorzBar ? 0 : -1;
      break;
    case VK_UP:
      Move = -1;
      break;
    case VK_RIGHT:
      Move = HorzBar ? 0 : 1;
      break;
    case VK_DOWN:
      Move = 1;
      break;
    default:
      break;
  }
  if (!CanModify() || (Move == 0 && !Ends)) {
    inherited::KeyDown(Key, Shift);
    return;
  }
  MoveListByKey(Key, Move);
}

void TDBLookupGridKv::MoveListByKey(Word Key, Integer Distance) {
  TDataSet* List = GetDataSet();
  FSearchText.clear();
  // [Phase 1] Upwards from the first record (or from the special row) the
  // special row is the choice.
  if (IsUpwardKey(Key) && FSpecRow->GetVisible() && (List->GetBof() || FSpecRow->Selected)) {
    SelectSpecRow();
    List->First();
    return;
  }
  // [Phase 2] Downwards from the special row the list starts at its top.
  if (!IsUpwardKey(Key) && FSpecRow->Selected) List->First();
  // [Phase 3] The move, from the key's record when it shows.
  if (Key == VK_HOME) {
    List->First();
  } else if (Key == VK_END) {
    List->Last();
  } else {
    if (!InterfaceMode()) {
      const Integer Row = GetKeyValueRow();
      if (Row >= 0) {
        List->MoveBy(Row - FListActiveRecord);
      } else {
        KeyValueChanged();
        Distance = 0;
      }
    }
    // From the first record itself the special row is the next one up, as
    // it is once the list has reported its beginning.
    if (List->MoveBy(Distance) == 0 && Distance < 0 && FSpecRow->GetVisible() && List->GetBof()) {
      SelectSpecRow();
      List->First();
      return;
    }
  }
  SelectCurrent();
}

// Characters arrive whole: there are no lead bytes to wait for.
void TDBLookupGridKv::ProcessSearchKey(Char Key) {
  TField* Field = FListFieldObject;
  if (!Field || (Field->GetFieldKind() != fkData && Field->GetFieldKind() != fkInternalCalc) ||
      Field->GetDataType() != ftString)
    return;
  if (Key == 8 || Key == 27) {
    FSearchText.clear();
    return;
  }
  if (Key < 32 || !CanModify()) return;
  const Cardinal Now = GetTickCount();
  if (Now - SearchTickStamp > SearchTimeOut) FSearchText.clear();
  SearchTickStamp = Now;
  if (Length(FSearchText) >= MaxSearchLength) return;
  const String Text = FSearchText + Utf8Encode(Key);
  TDataSet* List = GetDataSet();
  try {
    if (List->Locate(Field->GetFieldName(), Variant(Text), {loCaseInsensitive, loPartialKey})) {
      SelectKeyValue(List->GetFieldValues(FKeyField));
      FSearchText = Text;
    }
  } catch (const Exception&) {
    // The list could not be searched: the text stays typed.
    FSearchText = Text;
  }
}

// [SECTION] Mouse

Integer TDBLookupGridKv::GetTitleRowHeight() {
  return GetOptions().Contains(dgTitlesKv) && GetRowCount() > 0 ? GetRowHeights(0) : 0;
}

namespace {

bool InDataBox(TCustomDBGridKv* Grid, const TGridCoord& Cell) {
  return Cell.X >= Grid->GetIndicatorOffset() && Cell.X < Grid->GetColCount() &&
         Cell.Y >= Grid->GetTitleOffset() && Cell.Y < Grid->GetRowCount();
}

}  // namespace

void TDBLookupGridKv::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  const TGridCoord Cell = MouseCoord(X, Y);
  const bool OnSpecRow = FSpecRow->GetVisible() && Cell.Y == GetTitleOffset() - 1 && Cell.Y >= 0;
  const bool Ours = (!ToggleTreeNode(X, Y, true) && InDataBox(this, Cell)) || OnSpecRow;
  if (!Ours) {
    inherited::MouseDown(Button, Shift, X, Y);
    return;
  }
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
  if (Button != mbLeft) return;
  FSearchText.clear();
  if (!FPopup) {
    SetFocus();
    if (!FFocused) return;
  }
  if (!CanModify()) return;
  if (Shift.Contains(ssDouble)) {
    // The second press of a double click lands on the record the first one
    // chose; rows are counted below the title and the special row.
    const Integer Top = GetTitleRowHeight() + FSpecRowHeight;
    if (!InterfaceMode() && Y >= Top && (Y - Top) / GetDataRowHeight() == FListActiveRecord)
      DblClick();
    return;
  }
  if (!GetMouseCapture()) return;
  FRowSelectTracking = true;
  FCellSelectTracking = true;
  if (Y > GetTitleRowHeight()) SelectByMouse(X, Y);
}

// The special row lies below the title row and its line; the data rows
// below the special row.
void TDBLookupGridKv::SelectByMouse(Integer X, Integer Y) {
  const Integer Line = GetOptions().Contains(dgRowLinesKv) ? GetGridLineWidth() : 0;
  const Integer Title = GetTitleRowHeight() > 0 ? GetTitleRowHeight() + Line : 0;
  if (FSpecRow->GetVisible() && Y >= Title && Y < Title + FSpecRowHeight) {
    SelectSpecRow();
    return;
  }
  if (Y < Title + FSpecRowHeight) return;
  if (Y >= GetClientHeight()) Y = GetClientHeight() - 1;
  const TGridCoord Cell = MouseCoord(X, Y);
  if (!InDataBox(this, Cell) || !GetDataSet()) return;
  GetDataSet()->MoveBy(Cell.Y - GetTitleOffset() - FListActiveRecord);
  SelectCurrent();
}

void TDBLookupGridKv::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (!(FRowSelectTracking && FCellSelectTracking)) {
    inherited::MouseMove(Shift, X, Y);
    return;
  }
  SelectByMouse(X, Y);
  FLastMouseY = Y;
  AutoScrollTimer();
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TDBLookupGridKv::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!(FRowSelectTracking && FCellSelectTracking)) {
    inherited::MouseUp(Button, Shift, X, Y);
    return;
  }
  StopTracking();
  if (Y > GetTitleRowHeight()) SelectByMouse(X, Y);
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

// Beyond the top or the bottom the list moves a record at a time, the
// quicker the farther the mouse is.
void TDBLookupGridKv::AutoScrollTimer() {
  Integer Direction = 0;
  Integer Distance = 0;
  if (FLastMouseY < 0) {
    Direction = -1;
    Distance = -FLastMouseY;
  } else if (FLastMouseY >= GetClientHeight()) {
    Direction = 1;
    Distance = FLastMouseY - GetClientHeight() + 1;
  }
  TDataSet* List = GetDataSet();
  if (Direction == 0 || !List) {
    StopTimer();
    return;
  }
  if (Direction < 0 && FSpecRow->GetVisible() && List->GetBof()) {
    SelectSpecRow();
  } else if (List->MoveBy(Direction) != 0) {
    SelectCurrent();
  }
  StartTimer(std::max<Integer>(0, 200 - 15 * Distance));
}

// [SECTION] Wheel

bool TDBLookupGridKv::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  TDataSet* List = GetDataSet();
  if (!List) return false;
  if (InterfaceMode()) {
    if (Shift.Empty()) inherited::DoMouseWheelDown(Shift, MousePos);
    return true;
  }
  List->MoveBy(FListRecordCount - FListActiveRecord);
  return true;
}

bool TDBLookupGridKv::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  TDataSet* List = GetDataSet();
  if (!List) return false;
  if (InterfaceMode()) {
    if (Shift.Empty()) inherited::DoMouseWheelUp(Shift, MousePos);
    return true;
  }
  List->MoveBy(-FListActiveRecord - 1);
  return true;
}

// [SECTION] Scroll bar

// A sequenced list shows its records on the bar; another one shows only
// whether it stands at its start, its end or between.
void TDBLookupGridKv::UpdateScrollBar() {
  if (InterfaceMode()) {
    inherited::UpdateScrollBar();
    return;
  }
  if (!HandleAllocated()) return;
  Integer Page = 0, Max = 0, Pos = 0;
  TDataSet* List = GetDataSet();
  if (GetDataLink()->GetActive() && List) {
    if (List->IsSequenced()) {
      Page = GetGridDataRowCount();
      Max = List->GetRecordCount() - 1;
      if (List->GetState() < dsInsert) Pos = List->GetRecNo() - FListActiveRecord - 1;
    } else if (GetGridDataRowCount() == FListRecordCount) {
      Max = 4;
      Pos = List->GetBof() ? 0 : List->GetEof() ? 4 : 2;
    }
  } else {
    Max = 2;
  }
  SCROLLINFO Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  if (GetScrollInfo(GetHandle(), SB_VERT, &Info) && Info.nMin == 0 && Info.nMax == Max &&
      Integer(Info.nPage) == Page && Info.nPos == Pos)
    return;
  Info.nMin = 0;
  Info.nMax = Max;
  Info.nPos = Pos;
  Info.nPage = UINT(Page);
  SetScrollInfo(GetHandle(), SB_VERT, &Info, TRUE);
}

// The bar moves the list only: the choice stays. On a sequenced list the
// released thumb puts its record at the top, as the dragged thumb did; the
// five places of the thumb (start, page up, between, page down, end) are
// those of a list without record numbers.
void TDBLookupGridKv::WMVScroll(TWMScroll& Message) {
  FSearchText.clear();
  if (!GetDataLink()->GetActive()) return;
  if (InterfaceMode()) {
    inherited::Dispatch(reinterpret_cast<TMessage&>(Message));
    return;
  }
  TDataSet* List = GetDataSet();
  const Integer Active = FListActiveRecord;
  const Integer Count = FListRecordCount;
  auto ThumbTo = [&](Integer Track) {
    TGridDataLinkKv* Link = GetDataLink();
    const Integer SavedActive = Link->GetActiveRecord();
    Link->SetActiveRecord(0);
    const Integer N = List->GetRecNo();
    if (N - 1 > Track)
      List->MoveBy(Track + 1 - N);
    else if (N - 1 == Track)
      Link->SetActiveRecord(SavedActive);
    else
      List->MoveBy(Link->GetRecordCount() + Track - N);
  };
  switch (Message.ScrollCode()) {
    case SB_LINEUP:
      List->MoveBy(-Active - 1);
      break;
    case SB_LINEDOWN:
      List->MoveBy(Count - Active);
      break;
    case SB_PAGEUP:
      List->MoveBy(-Active - Count + 1);
      break;
    case SB_PAGEDOWN:
      List->MoveBy(2 * Count - Active - 2);
      break;
    case SB_THUMBPOSITION:
      if (List->IsSequenced()) {
        ThumbTo(Message.Pos());
        break;
      }
      switch (Message.Pos()) {
        case 0:
          List->First();
          break;
        case 1:
          List->MoveBy(-Active - Count + 1);
          break;
        case 3:
          List->MoveBy(2 * Count - Active - 2);
          break;
        case 4:
          List->Last();
          break;
        default:
          break;
      }
      break;
    case SB_THUMBTRACK:
      if (List->IsSequenced()) {
        SCROLLINFO Info{};
        Info.cbSize = sizeof(Info);
        Info.fMask = SIF_TRACKPOS;
        GetScrollInfo(GetHandle(), SB_VERT, &Info);
        ThumbTo(Info.nTrackPos);
      }
      break;
    case SB_TOP:
      List->First();
      break;
    case SB_BOTTOM:
      List->Last();
      break;
    default:
      break;
  }
}

}  // namespace korvel
