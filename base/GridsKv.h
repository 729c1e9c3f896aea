// GridsKv: the owner-drawn base grid of the library. It lays out fixed,
// frozen, scrolling and contra (pinned to the right and bottom edges) columns
// and rows, paints them through the abstract DrawCell, moves the current cell
// and the selection under the keyboard and the mouse, sizes and moves columns
// and rows, scrolls, and shows an in-place editor over the current cell.
// Descendants (the data-aware grid) supply the cells' contents.
#pragma once

#include <functional>
#include <vector>

#include "platform/controls/Controls.h"
#include "platform/controls/Mask.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Set.h"

namespace korvel {

class TCustomGridKv;
class TInplaceEdit;

// Raised for a bad index or count of a grid operation; the grid is unchanged.
KV_DECLARE_EXCEPTION(EInvalidGridOperationKv, kvp::Exception);

// [SECTION] Shared records

// A cell: column and row.
struct TGridCoord {
  kvp::Integer X = 0;  // column
  kvp::Integer Y = 0;  // row
  bool operator==(const TGridCoord&) const = default;
};

// A block of cells, corners included (Right and Bottom are the last column
// and row, not one past them).
struct TGridRect {
  kvp::Integer Left = 0;
  kvp::Integer Top = 0;
  kvp::Integer Right = 0;
  kvp::Integer Bottom = 0;
  bool operator==(const TGridRect&) const = default;
};

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = kvp::TSet<TGridDrawStateItem>;

enum TGridOption {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,
  goTabs,
  goRowSelect,
  goAlwaysShowEditor,
  goThumbTracking,
};
using TGridOptions = kvp::TSet<TGridOption>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TGridScrollDirection { sdLeft, sdRight, sdUp, sdDown };
using TGridScrollDirections = kvp::TSet<TGridScrollDirection>;

// A counted integer array: element 0 holds the number N of entries, elements
// 1..N the entries. An empty vector means "absent": every entry has the
// default.
using TIntegerArray = std::vector<kvp::Integer>;

// Inserts (Amount > 0) or deletes (Amount < 0) entries at Index. Entries from
// Index on are reset to Default rather than shifted: callers rely on that.
void ModifyExtents(TIntegerArray& A, kvp::Integer Index, kvp::Integer Amount, kvp::Integer Default);
void UpdateExtents(TIntegerArray& A, kvp::Integer NewSize, kvp::Integer Default);
// Element positions (entry index + 1); out-of-range positions raise.
void MoveExtent(TIntegerArray& A, kvp::Integer FromIndex, kvp::Integer ToIndex);
bool CompareExtents(const TIntegerArray& A, const TIntegerArray& B);

// The layout of one axis for the current client size. Every position the grid
// paints, sizes, scrolls or hit-tests comes from these numbers; columns and
// rows use the same record, so axis code is written once.
struct TGridAxisDrawInfo {
  kvp::Integer EffectiveLineWidth = 0;   // GridLineWidth when the axis draws lines, else 0
  kvp::Integer FixedBoundary = 0;        // end of the fixed cells (lines included)
  kvp::Integer GridBoundary = 0;         // end of the last drawn scrolling cell
  kvp::Integer GridExtent = 0;           // = ContraBoundary: where scrolling cells must stop
  kvp::Integer LastFullVisibleCell = 0;  // last scrolling cell wholly shown
  kvp::Integer FullVisBoundary = 0;      // end of LastFullVisibleCell
  kvp::Integer FixedCellCount = 0;       // FixedCols / FixedRows
  kvp::Integer FirstGridCell = 0;        // LeftCol / TopRow
  kvp::Integer GridCellCount = 0;        // ColCount / RowCount
  std::function<kvp::Integer(kvp::Integer)> GetExtent;  // ColWidths / RowHeights
  kvp::Integer FrozenBoundary = 0;    // start of the frozen cells among the fixed ones
  kvp::Integer FrozenCellCount = 0;   // FrozenColCount, or 0 for rows
  kvp::Integer ContraCellCount = 0;   // ContraColCount / ContraRowCount
  kvp::Integer ContraBoundary = 0;    // client extent minus the contra cells and their lines
  kvp::Integer ClientExtent = 0;      // ClientWidth / ClientHeight
  kvp::Integer FullGridBoundary = 0;  // GridBoundary, or ClientExtent with contra cells
  kvp::Integer FullCellCount = 0;     // cell count plus contra cells

  // The pixels cell I takes along the axis, its line slot included. A cell
  // whose extent and line come to nothing or less (a negative extent) takes
  // none and has no line; a cell of extent 0 keeps its line slot.
  kvp::Integer Span(kvp::Integer I) const {
    const kvp::Integer S = GetExtent(I) + EffectiveLineWidth;
    return S > 0 ? S : 0;
  }
};

// The layout of both axes, worked out once for a paint or a hit test.
struct TGridDrawInfo {
  TGridAxisDrawInfo Horz;
  TGridAxisDrawInfo Vert;
};

// ---------------------------------------------------------------------------
// TGridLineColorsKv: decides the colour of every grid line the grid paints.
// A slot left at clDefault follows the grid (Flat, Color) at paint time.
class TGridLineColorsKv : public kvp::TPersistent {
  KV_CLASS(TGridLineColorsKv, kvp::TPersistent)
 public:
  static constexpr kvp::Integer ColorCount = 18;
  explicit TGridLineColorsKv(TCustomGridKv* AGrid) : FGrid(AGrid) {}

  TCustomGridKv* GetGrid() const { return FGrid; }
  // Slot 0 is the data-line colour and slot 1 the fixed-line colour; the
  // other slots are read through the per-purpose getters.
  kvp::TColor GetColor(kvp::Integer Index) const;
  void SetColor(kvp::Integer Index, kvp::TColor Value);

  virtual kvp::TColor GetFixedLineColor();
  virtual kvp::TColor GetDataLineColor();
  virtual kvp::TColor GetCellLineColor(kvp::Integer ACol, kvp::Integer ARow);
  virtual kvp::TColor GetVertLineColor(kvp::Integer ACol);
  virtual kvp::TColor GetHorzLineColor(kvp::Integer ACol, kvp::Integer ARow);
  virtual kvp::TColor GetFrozenVertLineColor(kvp::Integer ACol);
  virtual kvp::TColor GetFrozenBoundaryColor();  // slot 15, fixed fallback
  virtual kvp::TColor GetContraVertLineColor();  // slot 12, fixed fallback
  virtual kvp::TColor GetContraHorzLineColor();  // slot 6, fixed fallback
  // Any slot as it paints: its colour when set, else its fallback. Slots 1,
  // 4, 5, 6, 9, 12 and 15 fall back to the fixed-line colour, the others to
  // the data-line colour.
  virtual kvp::TColor GetSlotColor(kvp::Integer Index);
  static bool SlotFallsBackToFixed(kvp::Integer Index);

 private:
  TCustomGridKv* FGrid = nullptr;  // not owned
  kvp::TColor FColors[ColorCount] = {kvp::clDefault, kvp::clDefault, kvp::clDefault, kvp::clDefault,
                                     kvp::clDefault, kvp::clDefault, kvp::clDefault, kvp::clDefault,
                                     kvp::clDefault, kvp::clDefault, kvp::clDefault, kvp::clDefault,
                                     kvp::clDefault, kvp::clDefault, kvp::clDefault, kvp::clDefault,
                                     kvp::clDefault, kvp::clDefault};
};

// ---------------------------------------------------------------------------
// TInplaceEdit: the borderless edit the grid lays over the current cell. It
// takes text, mask and length limit from the grid, hands navigation keys
// back to it, and refuses changes the grid does not allow.
//
// Protocol: the grid's UpdateEdit -> UpdateContents (GetEditMask,
// GetEditText, GetEditLimit) -> UpdateLoc(CellRect); every text change ->
// grid UpdateText -> SetEditText; the grid's HideEdit stores the text, then
// Hide.
class TInplaceEdit : public kvp::TCustomMaskEdit {
  KV_CLASS(TInplaceEdit, kvp::TCustomMaskEdit)
 public:
  explicit TInplaceEdit(kvp::TComponent* AOwner) : kvp::TCustomMaskEdit(AOwner) {}

  TCustomGridKv* GetGrid() const { return FGrid; }
  void SetGrid(TCustomGridKv* Value) { FGrid = Value; }
  void Deselect();
  void Hide();
  void Invalidate() override;
  void Move(const kvp::TRect& Loc) { InternalMove(Loc, false); }
  void UpdateLoc(const kvp::TRect& Loc) { InternalMove(Loc, true); }
  bool Visible();
  void SetFocus() override;
  virtual void BoundsChanged();
  virtual void UpdateContents();
  kvp::UInt64 GetClickTime() const { return FClickTime; }
  void SetClickTime(kvp::UInt64 Value) { FClickTime = Value; }

 protected:
  void Construct() override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void WndProc(kvp::TMessage& Message) override;
  bool EditCanModify() override;
  void DblClick() override;
  bool DoMouseWheel(kvp::TShiftState Shift, kvp::Integer WheelDelta, kvp::TPoint MousePos) override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;
  void KeyUp(kvp::Word& Key, kvp::TShiftState Shift) override;
  void InternalMove(const kvp::TRect& Loc, bool Redraw);

  void WMGetDlgCode(kvp::TMessage& Message);
  void WMPaste(kvp::TMessage& Message);
  void WMCut(kvp::TMessage& Message);
  void WMClear(kvp::TMessage& Message);
  void CMShowingChanged(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(kvp::WM_PASTE, WMPaste)
  KV_MESSAGE(kvp::WM_CUT, WMCut)
  KV_MESSAGE(kvp::WM_CLEAR, WMClear)
  KV_MESSAGE(kvp::CM_SHOWINGCHANGED, CMShowingChanged)
  KV_END_MESSAGE_MAP

 private:
  void SendToGrid(kvp::Word& Key, kvp::TShiftState Shift);
  kvp::Integer CaretCharPos();
  bool CaretAtStart();
  bool CaretAtEnd();

  TCustomGridKv* FGrid = nullptr;
  kvp::UInt64 FClickTime = 0;  // message time of the grid's last left press; 0 once used
};

// ---------------------------------------------------------------------------
// TCustomGridKv: the grid control. Fields, counts and extents live in
// GridsKvModel.cpp, layout and hit testing in GridsKvDrawInfo.cpp, painting in
// GridsKvPaint.cpp, input in GridsKvKeys.cpp and GridsKvMouse.cpp, scrolling
// in GridsKvScroll.cpp and the editor protocol in GridsKvInplaceEdit.cpp.
class TCustomGridKv : public kvp::TCustomControl {
  KV_CLASS(TCustomGridKv, kvp::TCustomControl)
 public:
  explicit TCustomGridKv(kvp::TComponent* AOwner) : kvp::TCustomControl(AOwner) {}

  // ---- Counts ----
  kvp::Integer GetColCount() const { return FColCount; }
  void SetColCount(kvp::Integer Value);
  kvp::Integer GetRowCount() const { return FRowCount; }
  void SetRowCount(kvp::Integer Value);
  kvp::Integer GetFixedCols() const { return FFixedCols; }
  void SetFixedCols(kvp::Integer Value);
  kvp::Integer GetFixedRows() const { return FFixedRows; }
  void SetFixedRows(kvp::Integer Value);
  kvp::Integer GetContraColCount() const { return FContraColCount; }
  void SetContraColCount(kvp::Integer Value);
  kvp::Integer GetContraRowCount() const { return FContraRowCount; }
  void SetContraRowCount(kvp::Integer Value);
  kvp::Integer GetFrozenColCount() const { return FFrozenColCount; }
  void SetFrozenColCount(kvp::Integer Value);
  kvp::Integer GetFullColCount() const { return FColCount + FContraColCount; }
  kvp::Integer GetFullRowCount() const { return FRowCount + FContraRowCount; }

  // ---- Extents ----
  kvp::Integer GetColWidths(kvp::Integer Index) const;
  void SetColWidths(kvp::Integer Index, kvp::Integer Value);
  kvp::Integer GetRowHeights(kvp::Integer Index) const;
  void SetRowHeights(kvp::Integer Index, kvp::Integer Value);
  bool GetTabStops(kvp::Integer Index) const;
  void SetTabStops(kvp::Integer Index, bool Value);
  kvp::Integer GetDefaultColWidth() const { return FDefaultColWidth; }
  kvp::Integer GetDefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(kvp::Integer Value);
  kvp::Integer GetGridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(kvp::Integer Value);
  const TIntegerArray& GetColWidthsArray() const { return FColWidths; }
  const TIntegerArray& GetRowHeightsArray() const { return FRowHeights; }

  // ---- Current cell, selection, scrolling position ----
  kvp::Integer GetCol() const { return FCurrent.X; }
  void SetCol(kvp::Integer Value);
  kvp::Integer GetRow() const { return FCurrent.Y; }
  void SetRow(kvp::Integer Value);
  kvp::Integer GetLeftCol() const { return FTopLeft.X; }
  void SetLeftCol(kvp::Integer Value);
  kvp::Integer GetTopRow() const { return FTopLeft.Y; }
  void SetTopRow(kvp::Integer Value);
  TGridCoord GetAnchor() const { return FAnchor; }
  TGridRect GetSelection() const;
  kvp::Integer GetVisibleColCount();
  kvp::Integer GetVisibleRowCount();
  kvp::Integer GetGridWidth();
  kvp::Integer GetGridHeight();
  void MoveColRow(kvp::Integer ACol, kvp::Integer ARow, bool MoveAnchor, bool Show) {
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
  }

  // ---- Appearance and behaviour ----
  TGridOptions GetOptions() const { return FOptions; }
  void SetOptions(TGridOptions Value);
  TGridOptions GetDesignOptions() const { return FDesignOptions; }
  kvp::TColor GetFixedColor() const { return FFixedColor; }
  void SetFixedColor(kvp::TColor Value);
  kvp::TBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(kvp::TBorderStyle Value);
  TScrollStyle GetScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool GetFlat() const { return FFlat; }
  void SetFlat(bool Value);
  kvp::TColor GetFlatLineColor() const { return FFlatLineColor; }
  bool GetDefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool Value);
  bool GetSaveCellExtents() const { return FSaveCellExtents; }
  void SetSaveCellExtents(bool Value) { FSaveCellExtents = Value; }
  TGridLineColorsKv* GetGridLineColors() const { return FGridLineColors; }
  TGridState GetGridState() const { return FGridState; }
  kvp::Integer GetColOffset() const { return FColOffset; }

  // ---- Editor ----
  bool GetEditorMode() const { return FEditorMode; }
  void SetEditorMode(bool Value);
  TInplaceEdit* GetInplaceEditor() const { return FInplaceEdit; }
  void ShowEditor();
  void HideEditor();
  void InvalidateEditor();

  // ---- Paint lock ----
  void LockPaint() { ++FPaintLockCount; }
  void UnlockPaint();
  bool PaintLocked() const { return FPaintLockCount > 0; }

  // ---- Layout and coordinates ----
  void CalcDrawInfo(TGridDrawInfo& DrawInfo);
  // The same for an explicit client size.
  void CalcDrawInfoXY(TGridDrawInfo& DrawInfo, kvp::Integer UseWidth, kvp::Integer UseHeight);
  kvp::TRect CellRect(kvp::Integer ACol, kvp::Integer ARow);
  kvp::TRect BoxRect(kvp::Integer ALeft, kvp::Integer ATop, kvp::Integer ARight,
                     kvp::Integer ABottom);
  TGridCoord MouseCoord(kvp::Integer X, kvp::Integer Y);
  TGridCoord CalcCoordFromPoint(kvp::Integer X, kvp::Integer Y, const TGridDrawInfo& DrawInfo);
  void GridRectToScreenRect(TGridRect GridRect, kvp::TRect& ScreenRect, bool IncludeLine);
  static kvp::Integer LinePos(const TGridAxisDrawInfo& Axis, kvp::Integer Line);
  TGridCoord CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo);
  void InvalidateCell(kvp::Integer ACol, kvp::Integer ARow);
  void InvalidateCol(kvp::Integer ACol);
  void InvalidateRect(const TGridRect& ARect);
  void InvalidateGrid() { Invalidate(); }
  // Right to left the canvas is mirrored while the grid paints, so that the
  // painting code works in left-to-right coordinates throughout.
  void ChangeGridOrientation(bool RightToLeftOrientation);
  bool GetCanvasMirrored() const { return FCanvasMirrored; }

  // ---- Structure ----
  void MoveColumn(kvp::Integer FromIndex, kvp::Integer ToIndex);
  void MoveRow(kvp::Integer FromIndex, kvp::Integer ToIndex);
  virtual void DeleteColumn(kvp::Integer ACol);
  virtual void DeleteRow(kvp::Integer ARow);

  // Asserts the invariants of counts, extents, current cell, anchor,
  // top-left cell and the draw info; tests call it after changes.
  void CheckConsistency();

 protected:
  void Construct() override;
  void Destroy() override;
  void DefineProperties(kvp::TFiler* Filer) override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void Paint() override;

  // ---- Virtual hooks ----
  virtual void CalcSizingState(kvp::Integer X, kvp::Integer Y, TGridState& State,
                               kvp::Integer& Index, kvp::Integer& SizingPos,
                               kvp::Integer& SizingOfs, const TGridDrawInfo& DrawInfo);
  virtual TInplaceEdit* CreateEditor();
  virtual bool CanEditShow();
  virtual void FlatChanged() {}
  virtual void DrawCell(kvp::Integer ACol, kvp::Integer ARow, kvp::TRect ARect,
                        TGridDrawState AState) = 0;
  virtual bool SelectCell(kvp::Integer /*ACol*/, kvp::Integer /*ARow*/) { return true; }
  virtual void UpdateFlatColor();
  virtual TGridLineColorsKv* CreateGridLineColors();
  virtual void SetContraGridSize(kvp::Integer AContraColCount, kvp::Integer AContraRowCount);

  // ---- Dynamic hooks ----
  using kvp::TCustomControl::AdjustSize;  // the platform's own, for auto-sizing
  virtual void AdjustSize(kvp::Integer Index, kvp::Integer Amount, bool Rows);
  virtual bool CanEditAcceptKey(kvp::Char /*Key*/) { return true; }
  virtual bool CanGridAcceptKey(kvp::Word /*Key*/, kvp::TShiftState /*Shift*/) { return true; }
  virtual bool CanEditModify() { return FCanEditModifyFlag; }
  virtual kvp::String GetEditText(kvp::Integer /*ACol*/, kvp::Integer /*ARow*/) { return {}; }
  virtual void SetEditText(kvp::Integer /*ACol*/, kvp::Integer /*ARow*/,
                           const kvp::String& /*Value*/) {}
  virtual kvp::Integer GetEditLimit() { return 0; }
  virtual kvp::String GetEditMask(kvp::Integer /*ACol*/, kvp::Integer /*ARow*/) { return {}; }
  virtual void ColumnMoved(kvp::Integer /*FromIndex*/, kvp::Integer /*ToIndex*/) {}
  virtual void RowMoved(kvp::Integer /*FromIndex*/, kvp::Integer /*ToIndex*/) {}
  virtual void SizeChanged(kvp::Integer /*OldColCount*/, kvp::Integer /*OldRowCount*/) {}
  virtual void TopLeftChanged();
  virtual void TimedScroll(TGridScrollDirections Direction);
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual bool BeginColumnDrag(kvp::Integer& /*Origin*/, kvp::Integer& /*Destination*/,
                               const kvp::TPoint& /*MousePt*/) {
    return true;
  }
  virtual bool BeginRowDrag(kvp::Integer& /*Origin*/, kvp::Integer& /*Destination*/,
                            const kvp::TPoint& /*MousePt*/) {
    return true;
  }
  virtual bool CheckColumnDrag(kvp::Integer& /*Origin*/, kvp::Integer& /*Destination*/,
                               const kvp::TPoint& /*MousePt*/) {
    return true;
  }
  virtual bool CheckRowDrag(kvp::Integer& /*Origin*/, kvp::Integer& /*Destination*/,
                            const kvp::TPoint& /*MousePt*/) {
    return true;
  }
  virtual bool EndColumnDrag(kvp::Integer& /*Origin*/, kvp::Integer& /*Destination*/,
                             const kvp::TPoint& /*MousePt*/) {
    return true;
  }
  virtual bool EndRowDrag(kvp::Integer& /*Origin*/, kvp::Integer& /*Destination*/,
                          const kvp::TPoint& /*MousePt*/) {
    return true;
  }
  void DoExit() override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;

  // ---- Model helpers ----
  void Initialize();
  void ChangeSize(kvp::Integer NewColCount, kvp::Integer NewRowCount);
  void UpdateDesigner() {}
  bool IsActiveControl();

  // ---- Cursor and scrolling ----
  void MoveCurrent(kvp::Integer ACol, kvp::Integer ARow, bool MoveAnchor, bool Show);
  void FocusCell(kvp::Integer ACol, kvp::Integer ARow, bool MoveAnchor);
  void MoveAnchor(const TGridCoord& NewAnchor);
  void ClampInView(const TGridCoord& Coord);
  void SelectionMoved(const TGridRect& OldSel);
  void MoveTopLeft(kvp::Integer ALeft, kvp::Integer ATop);
  void TopLeftMoved(const TGridCoord& OldTopLeft);
  void ScrollData(kvp::Integer DX, kvp::Integer DY);
  void UpdateScrollRange();
  void UpdateScrollPos();
  void ClampTopLeftToMax();
  void ModifyScrollBar(kvp::Integer ScrollBar, kvp::Integer ScrollCode, kvp::Integer Pos,
                       bool UseRightToLeft);
  bool Sizing(kvp::Integer X, kvp::Integer Y);
  void CancelMode();

  // ---- Editor helpers ----
  void UpdateEdit();
  void HideEdit();
  void UpdateText();
  void ShowEditorChar(kvp::Char Ch);

  // ---- Painting helpers ----
  void DrawPolyline(std::vector<kvp::TPoint> Points);
  void DrawSizingLine(const TGridDrawInfo& DrawInfo);
  void DrawMoveLine();

  // ---- Message handlers ----
  void WMGetDlgCode(kvp::TMessage& Message);
  void WMChar(kvp::TWMKey& Message);
  void WMCommand(kvp::TWMCommand& Message);
  void WMKillFocus(kvp::TWMKillFocus& Message);
  void WMSetFocus(kvp::TWMSetFocus& Message);
  void WMLButtonDown(kvp::TWMMouse& Message);
  void WMNCHitTest(kvp::TWMNCHitTest& Message);
  void WMSetCursor(kvp::TWMSetCursor& Message);
  void WMSize(kvp::TWMSize& Message);
  void WMHScroll(kvp::TWMScroll& Message);
  void WMVScroll(kvp::TWMScroll& Message);
  void WMTimer(kvp::TWMTimer& Message);
  void WMCancelMode(kvp::TMessage& Message);
  void CMCancelMode(kvp::TMessage& Message);
  void CMFontChanged(kvp::TMessage& Message);
  void CMDesignHitTest(kvp::TMessage& Message);
  void CMWantSpecialKey(kvp::TWMKey& Message);
  void CMShowingChanged(kvp::TMessage& Message);
  void CMCtl3DChanged(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(kvp::WM_CHAR, WMChar)
  KV_MESSAGE(kvp::WM_COMMAND, WMCommand)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(kvp::WM_SETFOCUS, WMSetFocus)
  KV_MESSAGE(kvp::WM_LBUTTONDOWN, WMLButtonDown)
  KV_MESSAGE(kvp::WM_NCHITTEST, WMNCHitTest)
  KV_MESSAGE(kvp::WM_SETCURSOR, WMSetCursor)
  KV_MESSAGE(kvp::WM_SIZE, WMSize)
  KV_MESSAGE(kvp::WM_HSCROLL, WMHScroll)
  KV_MESSAGE(kvp::WM_VSCROLL, WMVScroll)
  KV_MESSAGE(kvp::WM_TIMER, WMTimer)
  KV_MESSAGE(kvp::WM_CANCELMODE, WMCancelMode)
  KV_MESSAGE(kvp::CM_CANCELMODE, CMCancelMode)
  KV_MESSAGE(kvp::CM_FONTCHANGED, CMFontChanged)
  KV_MESSAGE(kvp::CM_DESIGNHITTEST, CMDesignHitTest)
  KV_MESSAGE(kvp::CM_WANTSPECIALKEY, CMWantSpecialKey)
  KV_MESSAGE(kvp::CM_SHOWINGCHANGED, CMShowingChanged)
  KV_MESSAGE(kvp::CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_END_MESSAGE_MAP

  friend class TInplaceEdit;
  friend class TGridLineColorsKv;

  // ---- Fields (constructor defaults in the trailing comments) ----
  TGridCoord FAnchor{1, 1};  // the other corner of the selection
  kvp::TBorderStyle FBorderStyle = kvp::bsSingle;
  bool FCanEditModifyFlag = true;  // answer of the base CanEditModify; false for a -1 limit
  kvp::Integer FColCount = 5;      // fixed columns included, contra columns excluded
  TIntegerArray FColWidths;        // counted; FullColCount entries when present
  TIntegerArray FTabStops;         // counted 0/1; FullColCount entries when present
  TGridCoord FCurrent{1, 1};
  kvp::Integer FDefaultColWidth = 64;
  kvp::Integer FDefaultRowHeight = 24;
  kvp::Integer FFixedCols = 1;  // frozen columns included
  kvp::Integer FFixedRows = 1;
  kvp::TColor FFixedColor = kvp::clBtnFace;
  kvp::Integer FGridLineWidth = 1;
  TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  kvp::Integer FRowCount = 5;
  TIntegerArray FRowHeights;  // counted; FullRowCount entries when present
  TScrollStyle FScrollBars = ssBoth;
  TGridCoord FTopLeft{1, 1};             // LeftCol, TopRow
  kvp::Integer FSizingIndex = 0;         // the column or row being sized
  kvp::Integer FSizingPos = 0;           // client position of the sizing line
  kvp::Integer FSizingOfs = 0;           // offset of the mouse from the line
  kvp::Integer FMoveIndex = 0;           // the column or row being dragged
  kvp::Integer FMovePos = 0;             // where it would land if dropped now
  kvp::TPoint FHitTest;                  // client point of the last WM_NCHITTEST
  TInplaceEdit* FInplaceEdit = nullptr;  // owned; created on first use
  kvp::Integer FInplaceCol = -1;         // cell whose text the editor holds; -1 when none
  kvp::Integer FInplaceRow = -1;
  kvp::Integer FColOffset = 0;  // pixel offset of horizontal scrolling when ColCount is 1
  bool FDefaultDrawing = true;
  bool FEditorMode = false;
  kvp::Integer FContraRowCount = 0;
  kvp::Integer FContraColCount = 0;
  bool FFlat = false;
  kvp::Integer FFrozenColCount = 0;
  TGridLineColorsKv* FGridLineColors = nullptr;  // owned
  TGridState FGridState = gsNormal;
  bool FSaveCellExtents = true;  // ColWidths / RowHeights are streamed with the form
  TGridOptions FDesignOptions{goRowSizing, goColSizing};
  bool FFullRepaintOnResize = false;  // a count change repaints all, not the changed cells
  kvp::TColor FFlatLineColor = kvp::clBlack;
  kvp::Integer FPaintLockCount = 0;   // LockPaint nesting; painting waits while > 0
  bool FMoveLineShown = false;        // the XOR move line is on the screen
  bool FSizingLineShown = false;      // the XOR sizing line is on the screen
  bool FInUpdateScrollRange = false;  // guards against the resize a scroll bar change causes
  bool FLoadingEditor = false;        // the editor takes the cell's text: its changes are not edits
  bool FCanvasMirrored = false;       // ChangeGridOrientation(true) is in force

 private:
  void ReadColWidths(kvp::TReader* Reader);
  void WriteColWidths(kvp::TWriter* Writer);
  void ReadRowHeights(kvp::TReader* Reader);
  void WriteRowHeights(kvp::TWriter* Writer);
  void ModifyAxis(kvp::Integer Index, kvp::Integer Amount, bool Rows);
  void MoveCells(kvp::Integer FromIndex, kvp::Integer ToIndex, bool Rows);
  void RestoreCurrentInRange();
  void CalcAxisState(const TGridAxisDrawInfo& Axis, kvp::Integer Pos, TGridState NewState,
                     TGridState& State, kvp::Integer& Index, kvp::Integer& SizingPos,
                     kvp::Integer& SizingOfs);
  kvp::Integer ResizeLine(const TGridAxisDrawInfo& Axis);
  kvp::Integer ShownTopLeftCell(const TGridAxisDrawInfo& Axis, kvp::Integer Value, kvp::Integer Min,
                                kvp::Integer Max, kvp::Integer From);
  void MoveAndScroll(kvp::Integer Mouse, kvp::Integer CellHit, TGridDrawInfo& DrawInfo,
                     bool Horizontal, kvp::TPoint MousePt);
  void StartTimer();
  void StopTimer();
  bool Designing() const { return GetComponentState().Contains(kvp::csDesigning); }
  // Right-to-left layout: columns run from the right edge to the left.
  bool RightToLeft() const { return UseRightToLeftAlignment(); }
  // Painting (GridsKvPaint.cpp); all of it only reads the grid.
  void DrawLinesArea(const TGridDrawInfo& DrawInfo, const kvp::TRect& Area, TGridCoord First,
                     bool HorzOn, bool VertOn, kvp::TColor LineColor, kvp::TColor BackColor,
                     kvp::Integer MaxStroke);
  void DrawLines(const TGridDrawInfo& DrawInfo, bool Vertical, const kvp::TRect& Area,
                 TGridCoord First, kvp::TColor Color, kvp::Integer MaxStroke);
  void DrawCells(const TGridDrawInfo& DrawInfo, TGridCoord First, const kvp::TRect& Area,
                 kvp::TColor Color, TGridDrawState IncludeDrawState, bool Contra);
  void DrawCellFrame(const TGridDrawInfo& DrawInfo, kvp::TRect Where);
  bool EditorShownOver(kvp::Integer ACol, kvp::Integer ARow);
  void PaintMainLines(const TGridDrawInfo& DrawInfo);
  void SelectLinePen(kvp::TColor Color);
  kvp::Integer MirrorShift(bool VerticalStroke) const;
  void DrawLineStroke(kvp::TPoint A, kvp::TPoint B);
  void PaintContra(const TGridDrawInfo& DrawInfo);
};

}  // namespace korvel
