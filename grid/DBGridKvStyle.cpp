// The style object: the grids attached to it, its hidden window that hears
// system colour changes, and the two highlight rules of selected, current
// and marked cells.
//
// Index:
//   [SECTION] Lifetime and grids   Construct, Destroy, AddGrid, RemoveGrid, the default style
//   [SECTION] Hidden window        AllocateHandle, StyleWindowProc, WndProc, ReadScreenColors
//   [SECTION] Highlight rules      HighlightDataCellColor, HighlightFixedCellColor
#include "grid/DBGridKv.h"
#include "platform/win/Win.h"

namespace korvel {

using namespace kvp;

// [SECTION] Lifetime and grids

namespace {

TDBGridKvStyle* GDefaultStyle = nullptr;
bool GDefaultStyleMade = false;  // the default style was made once; freeing it does not bring it back
constexpr const char* StyleWindowClass = "TDBGridKvStyleWindow";

}  // namespace

TDBGridKvStyle* DefaultGridStyle() {
  // The window system must stand before the default style can make its
  // window, so it is made on first use rather than during static start-up.
  if (!GDefaultStyleMade) CreateDefaultGridStyle();
  return GDefaultStyle;
}

void CreateDefaultGridStyle() {
  if (GDefaultStyle) return;
  GDefaultStyleMade = true;
  GDefaultStyle = TDBGridKvStyle::Create();
}

void FreeDefaultGridStyle() { FreeObject(GDefaultStyle); }

void TDBGridKvStyle::Construct() {
  inherited::Construct();
  FGrids = TObjectList::Create(false);
  AllocateHandle();
  FBlendSelection = true;
  FDrawFocusFrame = true;
  ReadScreenColors();
}

void TDBGridKvStyle::Destroy() {
  if (IsWindow(FHandle)) DestroyWindow(FHandle);
  FHandle = nullptr;
  if (GDefaultStyle == this) GDefaultStyle = nullptr;
  // Last grid first: each leaves this style through its SetStyle, which
  // attaches it to the default style (none when this was the default).
  for (Integer I = FGrids->GetCount() - 1; I >= 0; --I) {
    if (I >= FGrids->GetCount()) continue;
    auto* Grid = static_cast<TCustomDBGridKv*>(FGrids->GetItems(I));
    Grid->SetStyle(nullptr);
    FGrids->Remove(Grid);
  }
  FreeAndNil(FGrids);
  inherited::Destroy();
}

void TDBGridKvStyle::AddGrid(TCustomDBGridKv* Grid) {
  if (!IndexOf(Grid)) FGrids->Add(Grid);
}

void TDBGridKvStyle::RemoveGrid(TCustomDBGridKv* Grid) { FGrids->Remove(Grid); }

bool TDBGridKvStyle::IndexOf(TCustomDBGridKv* Grid) const { return FGrids->IndexOf(Grid) >= 0; }

// [SECTION] Hidden window

void TDBGridKvStyle::AllocateHandle() {
  WNDCLASS Existing;
  if (!GetClassInfo(nullptr, StyleWindowClass, &Existing)) {
    WNDCLASS C;
    C.lpfnWndProc = &TDBGridKvStyle::StyleWindowProc;
    C.lpszClassName = StyleWindowClass;
    RegisterClass(&C);
  }
  FHandle = CreateWindowEx(WS_EX_TOOLWINDOW, StyleWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                           nullptr, nullptr, nullptr);
  if (!FHandle) throw EOutOfResources("TDBGridKvStyle: cannot make its window");
  SetWindowLongPtr(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

HWND TDBGridKvStyle::GetHandle() {
  if (!IsWindow(FHandle)) AllocateHandle();
  return FHandle;
}

LRESULT TDBGridKvStyle::StyleWindowProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto* Self = reinterpret_cast<TDBGridKvStyle*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
  if (!Self) return DefWindowProc(Wnd, Msg, W, L);
  TMessage Message{Msg, W, L, 0};
  Self->WndProc(Message);
  return Message.Result;
}

void TDBGridKvStyle::WndProc(TMessage& Message) {
  if (Message.Msg == WM_SYSCOLORCHANGE) {
    ReadScreenColors();
    Message.Result = 0;
    return;
  }
  Message.Result = DefWindowProc(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TDBGridKvStyle::ReadScreenColors() {
  HDC DC = GetDC(nullptr);
  FNumColors = GetDeviceCaps(DC, NUMCOLORS);
  ReleaseDC(nullptr, DC);
}

// [SECTION] Highlight rules

bool TDBGridKvStyle::HighlightDataCellColor(TCustomDBGridKv* Grid, Integer ACol, Integer ARow,
                                            Integer DataCol, Integer DataRow,
                                            const String& /*Value*/, TGridDrawState AState,
                                            bool /*InSelection*/, TColor& AColor, TFont* AFont) {
  const TDBGridKvOptions Options = Grid->GetOptions();
  const TDBGridKvOptionsKv OptionsKv = Grid->GetOptionsKv();
  const bool RowSelect = Options.Contains(dgRowSelectKv);
  // [Phase 1] Cells of the selection are always highlighted; the record is
  // the one the painting put before the link.
  TDBGridKvSelection* Selection = Grid->GetSelection();
  bool Result = false;
  if (Grid->GetDataLink()->GetActive())
    Result = Selection->DataCellSelected(DataCol, Grid->GetDataSet()->GetBookmark());
  // [Phase 2] The current cell, and the current row with row highlight.
  bool InCurrent = Grid->Focused() && OptionsKv.Contains(dgHighlightFocusKv);
  const bool InCurrentRow = Grid->GetTitleOffset() + DataRow == Grid->GetRow();
  if (!Result) {
    if (OptionsKv.Contains(dgRowHighlightKv) && InCurrentRow &&
        Selection->GetSelectionType() == gskNone &&
        Grid->GetIndicatorOffset() + DataCol != Grid->GetCol()) {
      InCurrent = true;
      AState += gdSelected;
    }
    if (AState.Contains(gdSelected) || (InCurrentRow && RowSelect))
      Result = (Options.Contains(dgAlwaysShowSelectionKv) || InCurrent) &&
               (Grid->GetUpdateLock() == 0 || RowSelect);
  }
  if (!Result) return false;
  // [Phase 3] The colours: with the focus, the highlight (blended on cells
  // other than the current one); without it, the shadow.
  const bool IsCurrentCell = ARow == Grid->GetRow() && (ACol == Grid->GetCol() || RowSelect);
  if (Grid->IsFocused()) {
    if (FBlendSelection && FNumColors == -1 && !IsCurrentCell) {
      AColor = TColor(
          GetNearestColor(Grid->GetCanvas()->GetHandle(), BlendColors(AColor, clHighlight, true)));
    } else {
      AColor = clHighlight;
      AFont->SetColor(clHighlightText);
    }
  } else if (IsCurrentCell && (Options.Contains(dgAlwaysShowSelectionKv) || InCurrent)) {
    AColor = clBtnShadow;
    AFont->SetColor(clHighlightText);
  } else if (FNumColors == -1) {
    AColor = TColor(
        GetNearestColor(Grid->GetCanvas()->GetHandle(), BlendColors(AColor, clBtnShadow, false)));
  } else {
    AColor = clBtnFace;
  }
  return Result;
}

bool TDBGridKvStyle::HighlightFixedCellColor(TCustomDBGridKv* Grid, Integer /*ACol*/,
                                             Integer /*ARow*/, Integer /*DataCol*/,
                                             Integer /*DataRow*/, TCellAreaKv CellArea,
                                             bool Highlighted, TColor& AColor, TFont* AFont) {
  if (!Highlighted) return false;
  const bool Dark = CellArea.ColType == cctIndicatorKv ||
                    CellArea.RowType == crtTitleKv || CellArea.RowType == crtFilterKv;
  if (Dark) {
    AColor = TColor(RGB(64, 64, 64));
    AFont->SetColor(TColor(0xFFFFFF));
  } else if (Grid->IsFocused()) {
    if (FBlendSelection && FNumColors == -1) {
      AColor = BlendColors(AColor, clHighlight, true);
    } else {
      AColor = clHighlight;
      AFont->SetColor(clHighlightText);
    }
  } else {
    AColor = FNumColors == -1 ? BlendColors(AColor, clBtnShadow, false) : clBtnFace;
  }
  return true;
}

}  // namespace korvel
