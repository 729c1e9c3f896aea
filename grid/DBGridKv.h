// DBGridKv: the data-aware grid unit. It holds the grid control
// TCustomDBGridKv (a base grid whose columns show the fields of a dataset),
// everything the grid keeps before it draws a pixel (the style object that
// colours selected cells, the scroll-bar settings objects, the columns with
// their titles and footers, the column defaults and column lists, the grid
// data link and its field map, the header tree of multi-level titles, the
// grid's aggregate list) and the unit's small routines. The column model
// (columns, titles, footers, defaults, lists, header tree) is declared in
// DBGridKvColumns.h, which this header includes.
//
// Sources by role: DBGridKvUtils.cpp (unit routines), DBGridKvStyle.cpp,
// DBGridKvScrollBars.cpp, DBGridKvColumns.cpp (column, title),
// DBGridKvColumnList.cpp (collection, defaults, lists), DBGridKvFooters.cpp,
// DBGridKvDataLink.cpp, DBGridKvHeadTree.cpp, DBGridKvLayout.cpp (the grid's
// construction, options, locks and layout), DBGridKvRows.cpp (rows against
// the dataset, the vertical bar, data events), DBGridKvEditing.cpp (the
// editing protocol, column events, title tracking), DBGridKvDrawing.cpp (text
// and image drawing, the header face, painting through an off-screen bitmap,
// the tree node area), DBGridKvPaint.cpp (the cells: indicator, titles,
// filter row, data rows, footers, frames), DBGridKvStartup.cpp (the unit's
// start-up, shared images, cursors and values, the column interceptors),
// DBGridKvCellValues.cpp (what a column shows and writes),
// DBGridKvInplaceEdit.cpp and DBGridKvInplaceEditButtons.cpp (the in-place
// editor), DBGridKvSelection.cpp (the selection and its bookmark list, the
// hint window), DBGridKvDataCells.cpp (data cells and their highlight),
// DBGridKvFilter.cpp (the column filter), DBGridKvSearch.cpp (text search,
// the saved position, and the requests handed to the data service of
// DbUtilsKv), DBGridKvKeys.cpp (the grid under the keyboard),
// DBGridKvMouse.cpp (the grid under the mouse), DBGridKvFilterRow.cpp (the
// filter row: the grid's filter, the filter-row editor and its keys).
#pragma once

#include <vector>

#include "base/GridsKv.h"
#include "base/PropFilerKv.h"
#include "controls/CalculatorKv.h"
#include "controls/ToolCtrlsKv.h"
#include "grid/DBSumLst.h"
#include "grid/DbUtilsKv.h"
#include "platform/classes/ChangeLink.h"
#include "platform/classes/Collection.h"
#include "platform/classes/Lists.h"
#include "platform/classes/StringList.h"
#include "platform/controls/HintWindow.h"
#include "platform/controls/Menus.h"
#include "platform/controls/StdCtrls.h"
#include "platform/db/DB.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/ImageList.h"

namespace korvel {

class TColCellParamsKv;
class TColumnKv;
class TCustomDBGridKv;
class TDBGridInplaceEdit;
struct TGridKeyRequestKv;

// [SECTION] Unit routines

// Puts the canvas into the anisotropic mapping mode with viewport extents
// (Width, Height); mirrored, x runs from right to left.
void MirrorCanvas(kvp::TCanvas* Canvas, bool Mirror, kvp::Integer Width, kvp::Integer Height);
// The field's value as a 32-bit integer when it is a number that fits, else
// Default (also for a null value and for any other kind of field).
kvp::Integer FieldAsIntegerDef(kvp::TField* Field, kvp::Integer Default);
// True when every field of the list can be modified (an empty list too).
bool FieldsCanModify(const std::vector<kvp::TField*>& Fields);
void MakeRect(kvp::Integer Left, kvp::Integer Top, kvp::Integer Right, kvp::Integer Bottom,
              kvp::TRect& Rect);
[[noreturn]] void RaiseGridError(const kvp::String& Message);
// Removes one queued message of that id for the window; a WM_QUIT taken on
// the way is posted again with its exit code.
void KillMessage(kvp::HWND Window, kvp::UINT MessageId);
inline kvp::Integer IntMax(kvp::Integer A, kvp::Integer B) { return A > B ? A : B; }
inline kvp::Integer IntMin(kvp::Integer A, kvp::Integer B) { return A < B ? A : B; }
inline kvp::Integer IntIfThen(bool Condition, kvp::Integer A, kvp::Integer B) {
  return Condition ? A : B;
}
// Invalidates every cell of the row, fixed and contra columns included.
void InvalidateGridRow(TCustomGridKv* Grid, kvp::Integer Row);
// Keeps the top-left corner and exchanges width and height.
void TransposeRectSize(kvp::TRect& Rect);
// Measures Text as DrawText would lay it out in Rect less the margins and
// answers whether it does not fit; TextWidth and TextHeight get the measure.
bool IsTextClipped(kvp::UINT DrawTextFlags, kvp::TCanvas* Canvas, kvp::Integer HorzMargin,
                   kvp::Integer VertMargin, const kvp::String& Text, const kvp::TRect& Rect,
                   bool WordWrap, kvp::Integer& TextWidth, kvp::Integer& TextHeight);
// Width of a single line of text as DrawText measures it.
kvp::Integer TextWidthCalc(kvp::TCanvas* Canvas, const kvp::String& Text);
// Per channel: the mean of the two colours moved 60% towards 225, and for
// Darker a quarter of its distance from 122 further away; rounded and clamped.
kvp::TColor BlendColors(kvp::TColor Color1, kvp::TColor Color2, bool Darker);

// [SECTION] Text and image drawing routines (DBGridKvDrawing.cpp)

// The bitmap that every grid uses to write text on a colour the display
// cannot show exactly (a palette display). Each grid takes one reference in
// its constructor and gives it back in its destructor; the bitmap exists
// while anyone holds one, and it only grows.
void AcquireSharedDrawBitmap();
void ReleaseSharedDrawBitmap();
kvp::TBitmap* SharedDrawBitmap();  // null while no one holds a reference
kvp::Integer SharedDrawBitmapUsers();

// Result := Text when it fits MaxWidth in the canvas font; else the text less
// its last 2, 3, 4 ... code points followed by "...", the first such cut that
// fits (at least "..." when nothing of the text fits).
void CutTextToWidth(const kvp::String& Text, kvp::TCanvas* Canvas, kvp::Integer MaxWidth,
                    kvp::String& Result);
// Writes Text into ARect in the canvas font: placed by Alignment and Layout,
// DX and DY in from the left and top, wrapped at words with WordWrap (then
// LeftMarg and RightMarg are DrawTextEx margins), cut with "..." with
// EndEllipsis, clipped to the cell. FillRect paints the cell in the brush
// first; without it the cell's pixels stay behind the text. On a display that
// cannot show the brush colour exactly, a filled cell is written through the
// shared bitmap so that the text is not dithered.
void WriteCellText(kvp::TCanvas* Canvas, kvp::TRect ARect, bool FillRect, kvp::Integer DX,
                   kvp::Integer DY, kvp::TAlignment Alignment, kvp::TTextLayout Layout,
                   bool WordWrap, bool EndEllipsis, kvp::Integer LeftMarg, kvp::Integer RightMarg,
                   bool RightToLeftReading, const kvp::String& Text);
// A new font handle like Font but turned by 90 degrees (text running up), of
// a kind that can turn. The caller owns it.
kvp::HFONT CreateRotatedFont(kvp::TFont* Font);
// Text turned by 90 degrees in ARect, running from bottom to top. Across
// places it across the cell (left, right, centre) and Along along it (ending
// at the top, starting DY above the bottom, centred). MeasureOnly draws
// nothing and answers the text's length along the turned axis (its width
// plus the overhang of a slanted font). EndEllipsis cuts a text longer than
// the cell's height less DY.
kvp::Integer WriteVerticalCellText(kvp::TCanvas* Canvas, kvp::TRect ARect, bool FillRect,
                                   kvp::Integer DX, kvp::Integer DY, const kvp::String& Text,
                                   kvp::TAlignment Across, kvp::TAlignment Along,
                                   bool EndEllipsis, bool MeasureOnly);
// One image of an image list, or a graphic, in ARect: placed across by
// Alignment (DX further right), centred down; clipped to the cell only when
// it sticks out.
void DrawClippedImage(kvp::TCustomImageList* Images, kvp::TCanvas* Canvas,
                      kvp::TAlignment Alignment, kvp::Integer DX, kvp::Integer ImageIndex,
                      const kvp::TRect& ARect);
void DrawClippedImage(kvp::TGraphic* Graphic, kvp::TCanvas* Canvas, kvp::TAlignment Alignment,
                      kvp::Integer DX, const kvp::TRect& ARect);
void SwapInt(kvp::Integer& A, kvp::Integer& B);
// Inside Rect, all four edges included.
bool PointInRect(const kvp::TPoint& P, const kvp::TRect& Rect);
// Every channel c of the colour as RGB becomes min(255, c + c / Divisor,
// rounded); the filter row lightens the fixed colour with divisor 8.
kvp::TColor LightenColor(kvp::TColor Color, kvp::Integer Divisor);
// One edit button of Grid inside a cell, clipped to AClipRect when it is
// wider: the painter's face for Style (or Glyph, centred, for a glyph
// button) on Color; on a flat grid a one-pixel strip at the button's inner
// side separates it from the text. A right-to-left Column's button is
// painted unmirrored over its place on the screen.
void DrawCellEditButton(TCustomDBGridKv* Grid, TColumnKv* Column, kvp::TCanvas* Canvas,
                        kvp::TBitmap* Glyph, kvp::TColor Color, bool Active, bool Flat,
                        bool Pressed, bool Enabled, kvp::TRect ARect, const kvp::TRect& AClipRect,
                        TEditButtonStyleKv Style);

// [SECTION] Style

// Where a fixed cell lies: the column part and the row part of its area.
enum TCellColTypeKv : kvp::Byte { cctIndicatorKv = 0, cctDataKv = 1 };
enum TCellRowTypeKv : kvp::Byte { crtTitleKv = 0, crtFilterKv = 1, crtDataKv = 2, crtFooterKv = 4 };
struct TCellAreaKv {
  TCellColTypeKv ColType = cctDataKv;
  TCellRowTypeKv RowType = crtDataKv;
};

// ---------------------------------------------------------------------------
// TDBGridKvStyle: the process-wide object that knows which grids exist,
// re-reads the display's colour count when the system colours change, and
// decides how selected and current cells are coloured. Grids register with
// it in their constructor and leave it in their destructor.
class TDBGridKvStyle : public kvp::TPersistent {
  KV_CLASS(TDBGridKvStyle, kvp::TPersistent)
 public:
  TDBGridKvStyle() = default;

  void AddGrid(TCustomDBGridKv* Grid);
  void RemoveGrid(TCustomDBGridKv* Grid);
  bool IndexOf(TCustomDBGridKv* Grid) const;
  kvp::Integer GetGridCount() const { return FGrids->GetCount(); }

  // True when the data cell is drawn highlighted; then AColor and the font
  // colour are the highlight's. Value and InSelection are not read: the
  // style asks the grid's selection itself.
  virtual bool HighlightDataCellColor(TCustomDBGridKv* Grid, kvp::Integer ACol, kvp::Integer ARow,
                                      kvp::Integer DataCol, kvp::Integer DataRow,
                                      const kvp::String& Value, TGridDrawState AState,
                                      bool InSelection, kvp::TColor& AColor, kvp::TFont* AFont);
  // For a highlighted fixed cell (indicator, title, filter row, footer):
  // colours it and answers true; otherwise changes nothing.
  virtual bool HighlightFixedCellColor(TCustomDBGridKv* Grid, kvp::Integer ACol, kvp::Integer ARow,
                                       kvp::Integer DataCol, kvp::Integer DataRow,
                                       TCellAreaKv CellArea, bool Highlighted, kvp::TColor& AColor,
                                       kvp::TFont* AFont);
  virtual void WndProc(kvp::TMessage& Message);
  // Reads the screen's colour count (NUMCOLORS; -1 above 256 colours).
  virtual void ReadScreenColors();

  bool GetBlendSelection() const { return FBlendSelection; }
  void SetBlendSelection(bool Value) { FBlendSelection = Value; }
  bool GetDrawFocusFrame() const { return FDrawFocusFrame; }
  void SetDrawFocusFrame(bool Value) { FDrawFocusFrame = Value; }
  bool GetFilterApplyOnCloseUp() const { return FilterApplyOnCloseUp; }
  void SetFilterApplyOnCloseUp(bool Value) { FilterApplyOnCloseUp = Value; }
  kvp::Integer GetNumColors() const { return FNumColors; }
  // The hidden window that hears WM_SYSCOLORCHANGE; made again when the
  // window system has been reset since.
  kvp::HWND GetHandle();

 protected:
  void Construct() override;
  void Destroy() override;

  kvp::TObjectList* FGrids = nullptr;  // owned list of the attached grids; it owns none of them
  bool FBlendSelection = true;  // above 256 colours, blend the highlight with the cell colour
  kvp::Integer FNumColors = 0;  // NUMCOLORS of the screen; -1 for more than 256 colours
  kvp::HWND FHandle = nullptr;  // hidden window whose procedure is WndProc
  bool FilterApplyOnCloseUp = false;  // a filter-row drop-down choice applies the filter at once
  bool FDrawFocusFrame = true;        // the current cell gets a focus rectangle

 private:
  void AllocateHandle();
  static kvp::LRESULT StyleWindowProc(kvp::HWND Wnd, kvp::UINT Msg, kvp::WPARAM W, kvp::LPARAM L);
};

// The default style, made on first use; null once it has been freed.
TDBGridKvStyle* DefaultGridStyle();
// The unit's start-up and shut-down of the default style: Create makes one
// when there is none; Free frees it (its grids are then left without style).
void CreateDefaultGridStyle();
void FreeDefaultGridStyle();

// [SECTION] Scroll-bar settings

enum TScrollBarVisibleModeKv { sbAlwaysShowKv, sbNeverShowKv, sbAutoShowKv };
KV_ENUM_INFO(TScrollBarVisibleModeKv, sbAlwaysShowKv, sbNeverShowKv, sbAutoShowKv)

// ---------------------------------------------------------------------------
// TDBGridKvScrollBar: the settings of one of the grid's scroll bars: shown or
// not, whether the grid follows the thumb while it is dragged, and an
// optional external scroll bar that stands in for the grid's own. An attached
// external bar is subclassed, so that its scroll notifications reach the grid
// as the grid's own WM_HSCROLL / WM_VSCROLL.
class TDBGridKvScrollBar : public kvp::TPersistent {
  KV_CLASS(TDBGridKvScrollBar, kvp::TPersistent)
 public:
  TDBGridKvScrollBar(TCustomDBGridKv* AGrid, kvp::TScrollBarKind AKind)
      : FDBGrid(AGrid), FKind(AKind) {}

  void Assign(kvp::TPersistent* Source) override;
  TCustomDBGridKv* GetGrid() const { return FDBGrid; }
  kvp::TScrollBarKind GetKind() const { return FKind; }
  kvp::TScrollBar* GetExtScrollBar() const { return FExtScrollBar; }
  // Raises when another control has subclassed the bar; the settings are
  // then unchanged.
  void SetExtScrollBar(kvp::TScrollBar* Value);
  bool GetTracking() const { return FTracking; }
  void SetTracking(bool Value) { FTracking = Value; }
  bool GetVisible() const { return FVisibleMode != sbNeverShowKv; }
  void SetVisible(bool Value);
  TScrollBarVisibleModeKv GetVisibleMode() const { return FVisibleMode; }
  void SetVisibleMode(TScrollBarVisibleModeKv Value);
  bool IsScrollBarShowing();
  bool GetScrollInfo(kvp::SCROLLINFO& Info);

  KV_PUBLISHED;

 protected:
  void Destroy() override;
  kvp::TPersistent* GetOwner() override;

 private:
  void ExtScrollBarWndProc(kvp::TMessage& Message);
  bool Designing() const;

  TCustomDBGridKv* FDBGrid = nullptr;         // not owned
  kvp::TScrollBar* FExtScrollBar = nullptr;  // not owned; the grid hears of its freeing
  kvp::TScrollBarKind FKind = kvp::sbHorizontal;
  bool FTracking = false;
  TScrollBarVisibleModeKv FVisibleMode = sbAutoShowKv;
};

// TVertDBGridKvScrollBar: the vertical bar's settings; it publishes
// VisibleMode, which carries Visible.
class TVertDBGridKvScrollBar : public TDBGridKvScrollBar {
  KV_CLASS(TVertDBGridKvScrollBar, TDBGridKvScrollBar)
 public:
  using TDBGridKvScrollBar::TDBGridKvScrollBar;
  KV_PUBLISHED;
};

// [SECTION] Columns, footers and the header tree (DBGridKvColumns.h)

}  // namespace korvel

#include "grid/DBGridKvColumns.h"
#include "grid/DBGridKvFilter.h"

namespace korvel {

// [SECTION] Grid data link

// ---------------------------------------------------------------------------
// TGridDataLinkKv: the grid's connection to its data source. It keeps the map
// from the grid's data columns to the dataset's fields, turns the dataset's
// notifications into calls on the grid, and carries the flag that the
// current cell holds an edit not yet written to its field.
//
// Notification contract (each a call on the grid, in the dataset's order):
//   active changed   -> LinkActive(Active), then Modified cleared
//   data set changed -> RefreshAfterDataChange, then Modified cleared
//   scrolled         -> Scroll(Distance)
//   editing changed  -> InvalidateIndicatorCell
//   layout changed   -> LayoutChanged with GetDataLinkLayout() true, then the
//                       platform's handling (which reports a data set change)
//   record changed   -> RecordChanged(Field), then Modified cleared
//   update data      -> UpdateData while Modified (not re-entered)
//   disabled state   -> the columns drop their cached fields
//   focus control    -> SelectColumnOfField, then the cell editor
class TGridDataLinkKv : public kvp::TDataLink {
  KV_CLASS(TGridDataLinkKv, kvp::TDataLink)
 public:
  // The map never grows beyond this many entries.
  static constexpr kvp::Integer MaxMapSize = 0x0FFFFFFF;

  explicit TGridDataLinkKv(TCustomDBGridKv* AGrid) : FGrid(AGrid) {}
  TCustomDBGridKv* GetGrid() const { return FGrid; }

  // Appends the field of that name to the map: with a sparse map a missing
  // name maps to no field, otherwise it raises the dataset's error. Beyond
  // MaxMapSize entries it raises and the map is unchanged.
  bool AddMapping(const kvp::String& FieldName);
  void ClearMapping();
  // The field of data column Index; null for a column without one.
  kvp::TField* GetFields(kvp::Integer Index) const;
  // The dataset made its fields itself (true without a dataset), and a
  // sparse map found every name.
  bool GetDefaultFields() const;
  kvp::Integer GetFieldCount() const { return FFieldCount; }
  kvp::Integer GetFieldMapSize() const { return FFieldMapSize; }
  bool GetSparseMap() const { return FSparseMap; }
  void SetSparseMap(bool Value) { FSparseMap = Value; }
  // The current cell's text differs from its field and must be written back.
  void Modified() { FModified = true; }
  bool GetModified() const { return FModified; }
  // Drops the pending edit: the record is read again, or the dataset cancels.
  void Reset();

 protected:
  void Destroy() override;
  void ActiveChanged() override;
  void DataEvent(kvp::TDataEvent Event, kvp::TDataEventInfo Info) override;
  void DataSetChanged() override;
  void DataSetScrolled(kvp::Integer Distance) override;
  void EditingChanged() override;
  void FocusControl(kvp::TField** Field) override;
  void LayoutChanged() override;
  void RecordChanged(kvp::TField* Field) override;
  void UpdateData() override;

  kvp::Integer FFieldCount = 0;       // map entries in use, one per data column
  std::vector<kvp::Integer> FFieldMap;  // field index per data column; -1 for none
  kvp::Integer FFieldMapSize = 0;     // allocated entries; never below FFieldCount

 private:
  TCustomDBGridKv* FGrid = nullptr;  // the owning grid, never changed
  bool FInUpdateData = false;        // guards UpdateData against re-entry
  bool FModified = false;
  bool FSparseMap = false;  // built from the grid's own columns; names may be missing
};

// [SECTION] The grid

enum TDBGridKvOption {
  dgEditingKv,
  dgAlwaysShowEditorKv,
  dgTitlesKv,
  dgIndicatorKv,
  dgColumnResizeKv,
  dgColLinesKv,
  dgRowLinesKv,
  dgTabsKv,
  dgRowSelectKv,
  dgAlwaysShowSelectionKv,
  dgConfirmDeleteKv,
  dgCancelOnExitKv,
  dgMultiSelectKv
};
KV_ENUM_INFO(TDBGridKvOption, dgEditingKv, dgAlwaysShowEditorKv, dgTitlesKv, dgIndicatorKv,
             dgColumnResizeKv, dgColLinesKv, dgRowLinesKv, dgTabsKv, dgRowSelectKv,
             dgAlwaysShowSelectionKv, dgConfirmDeleteKv, dgCancelOnExitKv, dgMultiSelectKv)
using TDBGridKvOptions = kvp::TSet<TDBGridKvOption>;
inline constexpr TDBGridKvOptions DefaultDBGridKvOptions = TDBGridKvOptions::FromBits(0x0CFD);

enum TDBGridKvOptionKv {
  dgFixed3DKv,
  dgFrozen3DKv,
  dgFooter3DKv,
  dgData3DKv,
  dgProportionalColSizingKv,
  dgHighlightFocusKv,
  dgClearSelectionOnEditKv,
  dgFitRowHeightToTextKv,
  dgAutoSortMarkingKv,
  dgMultiSortMarkingKv,
  dgEnterMoveNextKv,
  dgLiveColSizingKv,
  dgInplaceSearchKv,
  dgPreferInplaceSearchKv,
  dgRowHighlightKv,
  dgDblClickFitColWidthKv,
  dgFindDialogKv,
  dgRowMovingKv
};
KV_ENUM_INFO(TDBGridKvOptionKv, dgFixed3DKv, dgFrozen3DKv, dgFooter3DKv, dgData3DKv,
             dgProportionalColSizingKv, dgHighlightFocusKv, dgClearSelectionOnEditKv,
             dgFitRowHeightToTextKv, dgAutoSortMarkingKv, dgMultiSortMarkingKv, dgEnterMoveNextKv,
             dgLiveColSizingKv, dgInplaceSearchKv, dgPreferInplaceSearchKv, dgRowHighlightKv,
             dgDblClickFitColWidthKv, dgFindDialogKv, dgRowMovingKv)
using TDBGridKvOptionsKv = kvp::TSet<TDBGridKvOptionKv>;
inline constexpr TDBGridKvOptionsKv DefaultDBGridKvOptionsKv =
    TDBGridKvOptionsKv::FromBits(0x00010061);

// What the grid lets the user do to records.
enum TDBGridKvAllowedOperation { alopInsertKv, alopUpdateKv, alopDeleteKv, alopAppendKv };
KV_ENUM_INFO(TDBGridKvAllowedOperation, alopInsertKv, alopUpdateKv, alopDeleteKv, alopAppendKv)
using TDBGridKvAllowedOperations = kvp::TSet<TDBGridKvAllowedOperation>;

// The kinds of selection a grid can hold.
enum TDBGridKvSelectionKind { gskNone, gskRows, gskRectangle, gskColumns, gskAll };
KV_ENUM_INFO(TDBGridKvSelectionKind, gskNone, gskRows, gskRectangle, gskColumns, gskAll)
using TDBGridKvAllowedSelections = kvp::TSet<TDBGridKvSelectionKind>;

// The clipboard and selection commands the grid's keys may run.
enum TDBGridKvEditAction { geaCutKv, geaCopyKv, geaPasteKv, geaDeleteKv, geaSelectAllKv };
KV_ENUM_INFO(TDBGridKvEditAction, geaCutKv, geaCopyKv, geaPasteKv, geaDeleteKv, geaSelectAllKv)
using TDBGridKvEditActions = kvp::TSet<TDBGridKvEditAction>;

// The grid's events (see the Editing section of TCustomDBGridKv for when
// each fires).
using TDBGridKvClickEvent = kvp::TDelegate<void(TColumnKv* Column)>;
// Moves the records of Bookmarks to record number TargetRecNo at tree level
// Level; answers whether they moved (with TestOnly: whether they could).
using TDBGridKvMoveRecordsEvent =
    kvp::TDelegate<bool(kvp::TObject* Sender, kvp::TStrings* Bookmarks, kvp::Integer TargetRecNo,
                        bool TestOnly, kvp::Integer Level)>;
// TCheckTitleKvBtnEvent, TTitleKvClickEvent, TDrawColumnKvCellEvent and
// TGetCellKvParamsEvent are declared with the columns, whose drop-down boxes
// carry them too (DBGridKvColumns.h).
using TDrawDataCellKvEvent = kvp::TDelegate<void(kvp::TObject* Sender, const kvp::TRect& Rect,
                                                 kvp::TField* Field, TGridDrawState State)>;
using TGetFooterParamsKvEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, kvp::Integer DataCol, kvp::Integer Row,
                        TColumnKv* Column, kvp::TFont* AFont, kvp::TColor& Background,
                        kvp::TAlignment& Alignment, TGridDrawState State, kvp::String& Text)>;
using TMovedKvEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, kvp::Integer FromIndex, kvp::Integer ToIndex)>;
using TGetTitleParamsKvEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, TColumnKv* Column, kvp::TFont* AFont,
                        kvp::TColor& Background, TSortMarkerKv& SortMarker, bool IsDown)>;
using TDrawFooterCellKvEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, kvp::Integer DataCol, kvp::Integer Row,
                        TColumnKv* Column, const kvp::TRect& Rect, TGridDrawState State)>;

// [SECTION] Selection: the bookmark list, the hint window and the selection

class TDBGridKvSelection;

// ---------------------------------------------------------------------------
// TBookmarkListKv: the grid's selected records, a sorted bookmark list whose
// dataset is the grid's. Listing the first record through it makes the
// grid's selection a record selection; emptying it lets the selection fall
// back to none. Each change repaints the row or the grid.
//
// Hooks (on top of the base list's): SetCurrentRowSelected -> the row
// repainted, the selection switched to records when it held something else,
// UpdateState, the selection's change notification; Clear -> the change
// notification; SelectionChanged -> the selection's UpdateState.
class TBookmarkListKv : public TBMListKv {
  KV_CLASS(TBookmarkListKv, TBMListKv)
 public:
  explicit TBookmarkListKv(TCustomDBGridKv* AGrid) : FGrid(AGrid) {}
  TCustomDBGridKv* GetGrid() const { return FGrid; }
  void SetCurrentRowSelected(bool Value) override;
  void Clear() override;
  // The grid cells of the selected records on screen: every column, from the
  // row of the first to the row of the last selected record shown; all -1
  // when none is shown or the link is inactive.
  void SelectedRowsRect(TGridRect& Rect);

 protected:
  kvp::TDataSet* GetDataSet() override;
  void Invalidate() override;
  void SelectionChanged() override;

 private:
  bool GridDestroying() const;
  TCustomDBGridKv* FGrid = nullptr;  // the owning grid, never changed
};

namespace dbgrid {

// ---------------------------------------------------------------------------
// TToolTipsWindow: the hint window that shows a clipped cell's whole text.
// It measures the text in the font the hint data carries (the cell's font),
// always in the window-text colour. Private to the grid unit: the edit
// controls have a window of the same name of their own.
class TToolTipsWindow : public kvp::THintWindow {
  KV_CLASS(TToolTipsWindow, kvp::THintWindow)
 public:
  explicit TToolTipsWindow(kvp::TComponent* AOwner) : kvp::THintWindow(AOwner) {}
  // AData is the TFont to show the text in; without one the window's own
  // font stays.
  kvp::TRect CalcHintRect(kvp::Integer MaxWidth, const kvp::String& AHint, void* AData) override;
};

}  // namespace dbgrid

// ---------------------------------------------------------------------------
// TDBGridKvSelectionCols: the selected columns of a grid, kept in the order
// of their Index in the grid's columns, with the anchor of the last plain
// or Ctrl selection and the columns the running Shift extension changed (so
// that moving back restores exactly those). It owns none of the columns; a
// column that leaves the grid leaves the list.
class TDBGridKvSelectionCols : public TColumnsKvList {
  KV_CLASS(TDBGridKvSelectionCols, TColumnsKvList)
 public:
  explicit TDBGridKvSelectionCols(TCustomDBGridKv* AGrid) : FGrid(AGrid) {}
  TCustomDBGridKv* GetGrid() const { return FGrid; }
  TColumnKv* GetAnchor() const { return FAnchor; }
  TColumnKv* GetShiftCol() const { return FShiftCol; }
  TColumnsKvList* GetShiftSelectedCols() const { return FShiftSelectedCols; }
  // A toggle: lists the column, or unlists it when listed. The selection
  // becomes a column selection, or none when the list ends empty.
  void Add(TColumnKv* Column);
  // Lists the column (never unlists); without AddToSelection the others go.
  void Select(TColumnKv* Column, bool AddToSelection);
  // Extends the range from the anchor to Column, or shrinks it back: passed
  // columns take the anchor's state, and columns this extension changed get
  // their old state back when it shrinks. Hidden columns are never listed.
  void SelectShift(TColumnKv* Column);
  // Repaints the listed columns, empties the list and drops the anchor.
  void Clear() override;
  // Drops the columns that are no longer the grid's and sorts the rest.
  void Refresh();
  // Every trace of a column that leaves the grid goes: its entries in both
  // lists, and the anchor and the Shift corner when they are that column.
  void ColumnRemoved(TColumnKv* Column);
  // Grid columns of the lowest and the highest listed column, all rows.
  void GetSelectionRect(TGridRect& Rect);
  // Raises EAssertionFailed unless the list is in Index order, free of
  // duplicates and made of the grid's columns.
  void CheckConsistency();

 protected:
  void Construct() override;
  void Destroy() override;

 private:
  void InsertInOrder(TColumnKv* Column);
  void InvalidateColumn(TColumnKv* Column);
  void NoteKind();
  TColumnKv* FAnchor = nullptr;      // where the last plain or Ctrl selection started; null: none
  TCustomDBGridKv* FGrid = nullptr;  // the owning grid, never changed
  TColumnKv* FShiftCol = nullptr;    // the column the last Shift extension reached
  TColumnsKvList* FShiftSelectedCols = nullptr;  // owned list; columns the extension toggled
};

// ---------------------------------------------------------------------------
// TDBGridKvSelectionRect: a rectangle of data cells held as two corners,
// each a data column index and a record's bookmark, so that it stays on its
// records while the grid scrolls and the buffer refills. Its rows are the
// records whose bookmarks lie between the corners' in the dataset's order.
// The queries need the grid's data link active.
class TDBGridKvSelectionRect : public kvp::TObject {
  KV_CLASS(TDBGridKvSelectionRect, kvp::TObject)
 public:
  explicit TDBGridKvSelectionRect(TCustomDBGridKv* AGrid) : FGrid(AGrid) {}
  TCustomDBGridKv* GetGrid() const { return FGrid; }
  kvp::Integer GetAnchorCol() const { return FAnchorCol; }
  const kvp::TBookmark& GetAnchorBookmark() const { return FAnchorBookmark; }
  kvp::Integer GetShiftCol() const { return FShiftCol; }
  const kvp::TBookmark& GetShiftBookmark() const { return FShiftBookmark; }
  // Both corners gone; the grid repaints.
  void Clear();
  // Moves the Shift corner to (ACol, Bookmark), and the anchor too unless
  // Extend (or there is none yet). Two corners in one cell are no
  // selection. Repaints what changed between the old and the new rectangle.
  void Select(kvp::Integer ACol, const kvp::TBookmark& Bookmark, bool Extend);
  bool CellSelected(kvp::Integer ACol, const kvp::TBookmark& Bookmark);
  // The earlier and the later corner record (the anchor's when they are one).
  kvp::TBookmark GetTopRow();
  kvp::TBookmark GetBottomRow();
  kvp::Integer GetLeftCol();
  kvp::Integer GetRightCol();
  // The grid cells of the part of the rectangle on screen; all -1 when none
  // of it is, or the link is inactive.
  void GetSelectionRect(TGridRect& Rect);

 private:
  void CheckActive(const char* Message);
  kvp::TRect CornersBox(kvp::Integer Col1, const kvp::TBookmark& Bm1, kvp::Integer Col2,
                        const kvp::TBookmark& Bm2);
  kvp::Integer FAnchorCol = -1;      // the fixed corner's data column; -1: none
  kvp::TBookmark FAnchorBookmark;    // the fixed corner's record; empty: none
  TCustomDBGridKv* FGrid = nullptr;  // the owning grid, never changed
  kvp::Integer FShiftCol = -1;       // the moving corner's data column; -1: none
  kvp::TBookmark FShiftBookmark;     // the moving corner's record
};

// ---------------------------------------------------------------------------
// TDBGridKvSelection: what the user has marked beyond the current cell:
// nothing, records (the grid's bookmark list), a rectangle of cells, columns
// or everything. Painting, the clipboard, the exporters and the delete
// command ask it whether a data cell is selected and which grid cells cover
// the selection; the keyboard and the mouse change it. Each change repaints
// only what it changed and tells the grid's OnSelectionChanged.
class TDBGridKvSelection : public kvp::TObject {
  KV_CLASS(TDBGridKvSelection, kvp::TObject)
 public:
  explicit TDBGridKvSelection(TCustomDBGridKv* AGrid) : FGrid(AGrid) {}
  TCustomDBGridKv* GetGrid() const { return FGrid; }
  TDBGridKvSelectionCols* GetColumns() const { return FColumns; }
  TDBGridKvSelectionRect* GetRect() const { return FRect; }
  TBookmarkListKv* GetRows() const;
  TDBGridKvSelectionKind GetSelectionType() const { return FSelectionType; }
  // A new kind repaints the editors only.
  void SetSelectionType(TDBGridKvSelectionKind Value);
  // Whether the cell of data column ACol in the record of Bookmark is
  // selected; a negative column is a record's indicator.
  bool DataCellSelected(kvp::Integer ACol, const kvp::TBookmark& Bookmark);
  // Empties what the current kind holds; the kind becomes none.
  void Clear();
  // The bookmark list is emptied and (un)linked, then Clear.
  void ResetRows(bool Flag);
  void SelectAll();
  // Records or columns with nothing left fall back to none.
  void UpdateState();
  // The grid cells that cover the selection on screen; all -1 for none.
  void GetSelectionRect(TGridRect& Rect);
  // The grid's OnSelectionChanged (not while the grid is being destroyed).
  virtual void SelectionChanged();
  // Records deleted, or hidden by a filter, leave the record selection, and
  // a rectangle whose corner record went is dropped; answers whether
  // anything went.
  bool DropVanishedRecords();
  void CheckConsistency();

 protected:
  void Construct() override;
  void Destroy() override;

 private:
  TDBGridKvSelectionCols* FColumns = nullptr;  // owned
  TCustomDBGridKv* FGrid = nullptr;            // the owning grid, never changed
  TDBGridKvSelectionRect* FRect = nullptr;     // owned
  TDBGridKvSelectionKind FSelectionType = gskNone;
};

// ---------------------------------------------------------------------------
// TCustomDBGridKv: the data-aware grid. It shows a window of its dataset's
// records as rows (one per record its data link buffers) and the fields as
// columns, lays itself out from its columns and fonts, follows the dataset's
// notifications, and answers the base grid's editing questions from its
// columns and fields.
//
// Layout contract: BeginLayout / EndLayout nest; the outermost EndLayout runs
// InternalLayout once. LayoutChanged runs a layout at once when no update or
// layout lock is held and does nothing otherwise (the lock's release lays
// the grid out). DeferLayout posts WM_USER+100 at most once; the message runs
// the layout when the locks allow it, else posts it again.
//
// Rows contract: the data link calls RefreshAfterDataChange (data set
// changed), Scroll(Distance) (scrolled), RecordChanged(Field) and UpdateData;
// each of them ends with the current row on the link's active record and the
// vertical bar on the dataset's position. Paint and export read other rows
// between SetActiveRecordIndex and RestoreActiveRecordIndex.
class TCustomDBGridKv : public TCustomGridKv, public IInplaceEditHolderKv {
  KV_CLASS(TCustomDBGridKv, TCustomGridKv)
 public:
  explicit TCustomDBGridKv(kvp::TComponent* AOwner) : TCustomGridKv(AOwner) {}

  // -- Options --
  TDBGridKvOptions GetOptions() const { return FOptions; }
  void SetOptions(TDBGridKvOptions Value);
  TDBGridKvOptionsKv GetOptionsKv() const { return FOptionsKv; }
  void SetOptionsKv(TDBGridKvOptionsKv Value);
  // The user may size the data rows from the indicator column (off at first).
  bool GetRowSizingAllowed() const { return FRowSizingAllowed; }
  void SetRowSizingAllowed(bool Value);
  TDBGridKvAllowedOperations GetAllowedOperations() const { return FAllowedOperations; }
  void SetAllowedOperations(TDBGridKvAllowedOperations Value) { FAllowedOperations = Value; }
  TDBGridKvAllowedSelections GetAllowedSelections() const { return FAllowedSelections; }
  void SetAllowedSelections(TDBGridKvAllowedSelections Value) { FAllowedSelections = Value; }
  TDBGridKvEditActions GetEditActions() const { return FEditActions; }
  void SetEditActions(TDBGridKvEditActions Value) { FEditActions = Value; }
  // The grid's own switch (the base grid's is off: the grid draws every cell
  // in DrawCell): cells get the grid's default look before OnDrawColumnCell.
  bool GetDefaultDrawing() const { return FDBDefaultDrawing; }
  void SetDefaultDrawing(bool Value);
  // Memo fields are edited as text.
  bool GetMemoEditing() const { return FMemoEditing; }
  void SetMemoEditing(bool Value);

  // -- Locks --
  void BeginUpdate() { ++FUpdateLock; }
  void EndUpdate();
  kvp::Integer GetUpdateLock() const { return FUpdateLock; }
  void BeginLayout();
  void EndLayout();
  void CancelLayout();
  bool AcquireLayoutLock();
  kvp::Integer GetLayoutLock() const { return FLayoutLock; }
  virtual void LayoutChanged();
  // Posts the deferred layout (WM_USER+100) unless one is waiting. It takes
  // no lock and releases none.
  void DeferLayout();

  // -- Layout --
  // Grid column c shows column c - IndicatorOffset; grid row r shows buffer
  // row r - TitleOffset. Both are set by every layout.
  kvp::Integer GetIndicatorOffset() const { return FIndicatorOffset; }
  kvp::Integer GetTitleOffset() const { return FTitleOffset; }
  kvp::Integer RawToDataColumn(kvp::Integer ACol) const { return ACol - FIndicatorOffset; }
  kvp::Integer DataToRawColumn(kvp::Integer ACol) const { return ACol + FIndicatorOffset; }
  virtual bool TitlesVisible() { return FOptions.Contains(dgTitlesKv); }
  // The grid's filter exists and shows the filter row.
  virtual bool FilterRowVisible();
  // Pixels added to the title row; text lines of the title row (0: one line
  // measured).
  kvp::Integer GetTitleHeight() const { return FTitleHeight; }
  void SetTitleHeight(kvp::Integer Value);
  kvp::Integer GetTitleLines() const { return FTitleLines; }
  void SetTitleLines(kvp::Integer Value);
  // Pixels added to the data rows; text lines of a data row. With both at 0
  // a row is one text line high.
  kvp::Integer GetRowHeight() const { return FRowHeight; }
  void SetRowHeight(kvp::Integer Value);
  kvp::Integer GetRowLines() const { return FRowLines; }
  void SetRowLines(kvp::Integer Value);
  // Pixels added to a measured text height in the title row.
  kvp::Integer GetTextMargin() const { return FTextMargin; }
  void SetTextMargin(kvp::Integer Value);
  // The size of an edit button drawn in a cell.
  kvp::Integer GetButtonWidth() const { return FButtonWidth; }
  kvp::Integer GetButtonHeight() const { return FButtonHeight; }
  // Data rows are tall enough for more than one text line.
  bool GetWordWrapAllowed() const { return FWordWrapAllowed; }
  // The width below which fitting does not shrink the whole set of columns.
  kvp::Integer GetMinAutoFitWidth() const { return FMinAutoFitWidth; }
  void SetMinAutoFitWidth(kvp::Integer Value);
  bool GetAutoFitColWidths() const { return FAutoFitColWidths; }
  void SetAutoFitColWidths(bool Value);
  kvp::Integer GetFrozenCols() const { return FFrozenCols; }
  void SetFrozenCols(kvp::Integer Value);
  kvp::Integer GetContraCols() const { return FContraCols; }
  void SetContraCols(kvp::Integer Value);
  // The height of Node's subtree of multi-level titles; sets the heights of
  // its children on the way.
  kvp::Integer CalcTitleTreeHeight(THeadTreeNode* Node);
  // Sets each grid column's width from its column.
  virtual void SetFieldsCurrent();
  // The horizontal position for an external horizontal bar.
  virtual void UpdateHorzScrollBar();

  // -- Columns --
  TDBGridColumnsKv* GetColumns() const { return FColumns; }
  void SetColumns(TDBGridColumnsKv* Value) { FColumns->Assign(Value); }
  TDBGridKvColumnDefValuesKv* GetColumnDefValues() const { return FColumnDefValues; }
  void SetColumnDefValues(TDBGridKvColumnDefValuesKv* Value) { FColumnDefValues->Assign(Value); }
  // The visible columns in order, as the last layout found them.
  TColumnsKvList* GetVisibleColumns() const { return FVisibleColumns; }
  // The columns with a sort marker, in SortIndex order.
  TColumnsKvList* GetSortMarkedColumns() const { return FSortMarkedColumns; }
  void RebuildSortMarkedColumns();
  void KeepFirstSortMarker();
  kvp::TFont* GetTitleFont() const { return FTitleFont; }
  void SetTitleFont(kvp::TFont* Value) { FTitleFont->Assign(Value); }
  bool GetUseMultiTitle() const { return FUseMultiTitle; }
  void SetUseMultiTitle(bool Value);
  kvp::Integer GetMultiTitleMargin() const { return FMultiTitleMargin; }
  void SetMultiTitleMargin(kvp::Integer Value);
  // On: an automatic column given a width writes it into its field's
  // DisplayWidth.
  bool GetColumnWidthWriteBack() const { return FColumnWidthWriteBack; }
  void SetColumnWidthWriteBack(bool Value) { FColumnWidthWriteBack = Value; }
  // Set while the data link reports a layout change.
  bool GetDataLinkLayout() const { return FDataLinkLayout; }
  // The column of the current grid column; -1 on the indicator.
  kvp::Integer GetSelectedIndex() const { return GetCol() - FIndicatorOffset; }
  // Makes the column current (the first visible one showing its field).
  void SetSelectedIndex(kvp::Integer Value);
  kvp::TField* GetSelectedField();
  // Every field of the dataset, in order.
  virtual void GetDatasetFields(std::vector<kvp::TField*>& List);

  // -- Rows and the data link --
  kvp::TDataSource* GetDataSource() const;
  void SetDataSource(kvp::TDataSource* Value);
  TGridDataLinkKv* GetDataLink() const { return FDataLink; }
  kvp::TDataSet* GetDataSet() const { return FDataLink ? FDataLink->GetDataSet() : nullptr; }
  bool GetReadOnly() const { return FDataLink->GetReadOnly(); }
  void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }
  // The data link became active or inactive.
  virtual void LinkActive(bool Value);
  // Fills the data link's map: every visible field for automatic columns,
  // each column's field name for the user's.
  virtual void DefineFieldMap();
  virtual void RefreshAfterDataChange();
  virtual void Scroll(kvp::Integer Distance);
  virtual void RecordChanged(kvp::TField* Field);
  // Writes the pending text of the current cell into its field.
  virtual void UpdateData();
  virtual void UpdateActive();
  virtual void UpdateRowCount();
  virtual void UpdateScrollBar();
  // UpdateRowCount and UpdateScrollBar, or a whole layout with fitted widths.
  virtual void RowsLayoutChanged();
  virtual void InvalidateIndicatorCell();
  // Makes current the first visible column that shows the field.
  void SelectColumnOfField(kvp::TField* Field);
  // Field reads see the record of data row Index until the restore.
  void SetActiveRecordIndex(kvp::Integer Index);
  void RestoreActiveRecordIndex();
  // Records the grid shows rows for.
  kvp::Integer GetRecordCount();
  bool IsActiveRecordRow(kvp::Integer Index);
  // The dataset's record number of data row Row; 0 without an active link.
  kvp::Integer GetRowRecNo(kvp::Integer Row);
  // The dataset's tree interface, while the dataset offers it and the
  // switch allows it.
  IMemTableKv* GetMemTable() const { return FMemTable; }
  bool GetMemTableSupport() const { return FMemTableSupport; }
  void SetMemTableSupport(bool Value);
  void UpdateMemTableLink();
  // Interface mode: scrolls the view to Row without moving the record.
  void ScrollDataRows(kvp::Integer Row);
  // Takes the focus when it may; answers whether the grid (or its editor)
  // has it.
  virtual bool AcquireFocus();
  virtual void ShowCellEditor();
  virtual bool IsRowSelectFocused();
  // The selection changed: what it covers and the current row repaint.
  virtual void SelectionChanged();
  virtual bool CanEditorAlwaysShow();

  // -- Editing --
  // The pending editor text of the current cell, and the key value behind it
  // for lookup and key-list columns.
  const kvp::String& GetEditTextPending() const { return FEditText; }
  const kvp::Variant& GetEditValue() const { return FEditValue; }
  void SetEditValue(const kvp::Variant& Value) { FEditValue = Value; }
  // The column may be edited (without starting an edit) and editing is on.
  bool CanEditColumn(kvp::Integer DataCol);
  // Lookup fields need all their key fields modifiable.
  bool FieldCanModify(kvp::TField* Field);
  // May start an edit: the data link is put into edit and marked modified.
  bool CanModifySelectedField();
  // The current row may be edited, or a record appended to an empty dataset:
  // the link is active, updates are allowed (or the record is being
  // inserted), and the dataset has records unless inserting is allowed.
  bool CanModifyRecord();
  // The grid's parameter object of the cell being edited or painted.
  TColCellParamsKv* GetColCellParams() const { return FColCellParams; }
  // The in-place editor, once it was made.
  TDBGridInplaceEdit* GetDBInplaceEditor() const;
  // Title tracking, read by the title painting: the tracked grid column and
  // whether the pointer is in its pressed title.
  kvp::Integer GetTrackingCol() const { return FTitleTracking.Col; }
  bool GetTitlePressed() const { return FTitleTracking.Pressed; }
  void StopTracking();
  void UpdateTitleTracking(kvp::Integer X, kvp::Integer Y);
  void InvalidateCells(const TGridRect& Rect);
  // 0 none, 1 selecting records, 2 selecting columns, 3 a rectangle, 7
  // dragging records.
  kvp::Integer GetMouseState() const { return FMouseState; }
  // The event firers; descendants override them.
  virtual void CellClick(TColumnKv* Column);
  virtual void CheckTitleButton(kvp::Integer ACol, bool& Enabled);
  virtual void ColEnter();
  virtual void ColExit();
  virtual void TitleClick(TColumnKv* Column);
  virtual void DrawColumnCell(const kvp::TRect& Rect, kvp::Integer DataCol, TColumnKv* Column,
                              TGridDrawState State);
  virtual void DrawDataCell(const kvp::TRect& Rect, kvp::TField* Field, TGridDrawState State);
  virtual void EditButtonClick();
  virtual void GetCellParams(TColumnKv* Column, kvp::TFont* AFont, kvp::TColor& Background,
                             TGridDrawState State);
  virtual void GetFooterParams(kvp::Integer DataCol, kvp::Integer Row, TColumnKv* Column,
                               kvp::TFont* AFont, kvp::TColor& Background,
                               kvp::TAlignment& Alignment, TGridDrawState State, kvp::String& Text);
  TDBGridKvClickEvent OnCellClick;
  TCheckTitleKvBtnEvent OnCheckTitleBtn;
  kvp::TNotifyEvent OnColEnter;
  kvp::TNotifyEvent OnColExit;
  TTitleKvClickEvent OnTitleClick;
  TDrawColumnKvCellEvent OnDrawColumnCell;
  TDrawDataCellKvEvent OnDrawDataCell;
  kvp::TNotifyEvent OnEditButtonClick;
  TGetCellKvParamsEvent OnGetCellParams;
  TGetFooterParamsKvEvent OnGetFooterParams;
  TMovedKvEvent OnColumnMoved;
  kvp::TNotifyEvent OnColWidthsChanged;

  // -- Multi-level titles --
  // The header tree, rebuilt by each layout while UseMultiTitle is on.
  THeadTreeNode* GetHeadTree() const { return FHeadTree; }
  kvp::Integer GetLeafCount() const { return kvp::Integer(FLeafFieldArr.size()); }
  PTLeafCol GetLeaf(kvp::Integer Index) { return &FLeafFieldArr.at(std::size_t(Index)); }

  // -- Footers --
  TDBGridKvSumList* GetSumList() const { return FSumList; }
  void SetSumList(TDBGridKvSumList* Value) { FSumList->Assign(Value); }
  kvp::TFont* GetFooterFont() const { return FFooterFont; }
  void SetFooterFont(kvp::TFont* Value) { FFooterFont->Assign(Value); }
  kvp::TColor GetFooterColor() const { return FFooterColor; }
  void SetFooterColor(kvp::TColor Value);
  kvp::Integer GetFooterRowCount() const { return FFooterRowCount; }
  // More footer rows than MaxFooterRowCount are refused (a stored form that
  // asks for them fails to read); below 0 is 0.
  void SetFooterRowCount(kvp::Integer Value);
  // Far above what a form shows: as many as the levels of a title.
  static constexpr kvp::Integer MaxFooterRowCount = 256;
  // The text of footer cell (Row of the footer rows, Column).
  virtual void GetFooterText(kvp::Integer Row, TColumnKv* Column, kvp::String& Text);
  kvp::String FooterText(kvp::Integer Row, TColumnKv* Column) {
    kvp::String Text;
    GetFooterText(Row, Column, Text);
    return Text;
  }
  // Invalidates every cell of every footer row.
  void InvalidateFooterRows();

  // -- Style --
  TDBGridKvStyle* GetStyle() const { return FStyle; }
  // Detaches from the old style; null attaches to the default style.
  void SetStyle(TDBGridKvStyle* Value);

  // -- Scroll bars --
  TDBGridKvScrollBar* GetHorzScrollBar() const { return FHorzScrollBar; }
  void SetHorzScrollBar(TDBGridKvScrollBar* Value) { FHorzScrollBar->Assign(Value); }
  TDBGridKvScrollBar* GetVertScrollBar() const { return FVertScrollBar; }
  void SetVertScrollBar(TDBGridKvScrollBar* Value) { FVertScrollBar->Assign(Value); }

  // -- Drawing (DBGridKvDrawing.cpp) --
  // The canvas in the anisotropic mapping of the client size: mirrored, x
  // runs from the right edge; not mirrored, the plain mapping.
  void MirrorCanvas(bool Mirrored);
  // The unit's WriteCellText on the grid's canvas for a cell of Column. A
  // right-to-left column is written unmirrored over the cell's place on the
  // screen, with its left and right alignment and margins exchanged, so that
  // its text reads right to left from the cell's right edge.
  void WriteCellText(TColumnKv* Column, kvp::TRect ARect, bool FillRect, kvp::Integer DX,
                     kvp::Integer DY, const kvp::String& Text, kvp::TAlignment Alignment,
                     kvp::TTextLayout Layout, bool WordWrap, bool EndEllipsis,
                     kvp::Integer LeftMarg, kvp::Integer RightMarg);
  // Fixed cells take the visual style's header face: not flat, styles on,
  // the fixed 3-D look and both column and row lines.
  bool ThemedDrawingEnabled();
  // The fixed cells' background: the header face (pressed when Pressed or
  // Selected) over ARect grown by 2 pixels, clipped to ClipRect unless it is
  // empty; without styles ARect filled with the canvas brush.
  void DrawFixedBackground(const kvp::TRect& ARect, bool Pressed, bool Selected,
                           const kvp::TRect& ClipRect = kvp::TRect{});
  // Paints through an off-screen bitmap: with the header face, or with the
  // tree lines of a dataset shown as a tree.
  virtual bool WantsDoubleBuffer();
  // Set by the first paint that wants double buffering; never cleared.
  bool GetDoubleBuffered() const { return FDoubleBuffered; }
  // The flat grid's one-pixel sunken border, on the window's own context.
  virtual void PaintFlatBorder();
  // 18 pixels a level of the current record's node while the dataset shows
  // a tree, else 0.
  kvp::Integer GetTreeIndent();
  // The node area of a tree row at the left of ARect: one 18-pixel slot a
  // level with the connectors and the node's box; WithLines paints the row
  // lines under the slots over so that the tree reads as one column.
  void DrawTreeArea(kvp::TCanvas* Canvas, const kvp::TRect& ARect, bool WithLines);

  // -- Painting (DBGridKvPaint.cpp) --
  // Images that titles show by their ImageIndex; the grid hears of their
  // changes and of their freeing.
  kvp::TCustomImageList* GetTitleImages() const { return FTitleImages; }
  void SetTitleImages(kvp::TCustomImageList* Value);
  // Where a cell lies: the indicator or a data column; the title, filter,
  // data or footer rows. DataCol and Index are area-relative: the column
  // index, and the row within its area.
  TCellAreaKv GetCellType(kvp::Integer ACol, kvp::Integer ARow, kvp::Integer& DataCol,
                          kvp::Integer& Index);
  // The cell is painted in the raised look of the fixed cells.
  virtual bool CellIsDrawnFixed(kvp::Integer ACol, kvp::Integer ARow, TGridDrawState AState,
                                const kvp::TRect& ARect);
  // Where a cell's text is written: ARect loses the frame of a cell in the
  // fixed look (a pixel a side), and the margins inside it are answered.
  // True for a cell in the fixed look. Painting and the cells' tips share it.
  bool CellTextPlace(kvp::Integer ACol, kvp::Integer ARow, TGridDrawState AState,
                     kvp::TRect& ARect, kvp::Integer& HorzMargin, kvp::Integer& VertMargin);
  // The cell belongs to the selection shown.
  virtual bool CellIsSelected(kvp::Integer ACol, kvp::Integer ARow, const kvp::TBookmark& Bookmark,
                              kvp::Integer DataCol);
  // Colours a selected fixed cell (indicator, title, filter, footer) and
  // answers whether it is highlighted; through the style when there is one.
  virtual bool GetFixedCellHighlight(kvp::Integer ACol, kvp::Integer ARow, kvp::TFont* AFont,
                                     kvp::TColor& Background, bool Selected,
                                     TGridDrawState AState, TCellAreaKv CellType);
  // Colours a data cell that is shown highlighted and answers whether it is.
  virtual bool GetDataCellHighlight(kvp::Integer ACol, kvp::Integer ARow, kvp::Integer DataCol,
                                    kvp::Integer DataRow, const kvp::String& Value,
                                    kvp::TFont* AFont, kvp::TColor& Background,
                                    TGridDrawState AState);
  // The row whose indicator shows the current record, as the last paint
  // found it; -1 before.
  kvp::Integer GetIndicatorRow() const { return FIndicatorRow; }
  TGetTitleParamsKvEvent OnGetTitleParams;
  TDrawFooterCellKvEvent OnDrawFooterCell;

  // -- Selection (DBGridKvSelection.cpp) --
  // What the user has marked beyond the current cell, and its record part.
  TDBGridKvSelection* GetSelection() const { return FSelection; }
  TBookmarkListKv* GetSelectedRows() const { return FBookmarks; }
  // Whether the user may reach a kind: none always; the others only with
  // dgMultiSelectKv and in AllowedSelections, and a rectangle or columns
  // only without dgRowSelectKv.
  bool IsSelectionKindAllowed(TDBGridKvSelectionKind Kind);
  // Select all may run: an active link, records to select, and gskAll among
  // the allowed selections.
  bool CanSelectAll();
  // What a plain click or navigation key does to the selection: with
  // dgClearSelectionOnEditKv it goes, and the records' Shift anchor always.
  void ClearSelection();
  // Moves the dataset by Distance records (to the first or the last with
  // ToEnd). With Select a rectangle grows to the new record, or, with
  // NoRectangle or in row-select mode, the records passed take the state of
  // the anchor record of the Shift extension (the opposite with Ctrl).
  void MoveAndSelect(bool Select, kvp::Integer Distance, bool ToEnd, bool NoRectangle);
  // Makes grid column RawCol current, skipping columns of no width in
  // Direction; with Select the rectangle's moving corner follows.
  void MoveCol(kvp::Integer RawCol, kvp::Integer Direction, bool Select);
  // Whether the next record passed with Shift takes the opposite state of
  // the anchor's rather than being selected (Ctrl held, or clicks and keys
  // keep the selection). The keyboard sets it at every key.
  bool GetToggleSelection() const { return FToggleSelection; }
  void SetToggleSelection(bool Value) { FToggleSelection = Value; }
  kvp::TNotifyEvent OnSelectionChanged;

  // -- Keyboard (DBGridKvKeys.cpp) --
  // Whether each clipboard key (and edit action) may run now: copy needs a
  // selection; cut, copy and delete allowed; delete, a grid and dataset that
  // may change and, for records, delete allowed, for cells, update allowed;
  // paste, a dataset that may change, something on the clipboard to read,
  // and an insert under way or update allowed.
  bool CanCopySelection();
  bool CanCutSelection();
  bool CanDeleteSelection();
  bool CanPasteSelection();
  // With dgConfirmDeleteKv asks "Delete record?" (for at most one selected
  // record) or "Delete all selected records?"; only Cancel refuses.
  bool ConfirmDelete();
  // Down: the next record, appending one at the end of a dataset that may
  // grow; an untouched inserted record is left alone at the end and dropped
  // elsewhere. Up: the prior record, dropping an untouched record inserted
  // at the end. Shift (as the key state has it) extends the selection.
  void NextRow(bool Select);
  void PriorRow(bool Select);
  // Tab and Shift+Tab: the next or prior tab-stop column, over the ends of
  // the row into the next or prior record.
  void Tab(bool GoForward);
  // A type-ahead search runs, or typing would start one.
  bool CanStartInplaceSearch();
  // Ctrl+': the current column takes the value of the record above it.
  void CopyValueFromPriorRecord();
  // With dgAutoSortMarkingKv the dataset is sorted by the sort-marked
  // columns: OnSortMarkingChanged when assigned, else the data service.
  void ApplySortingAfterCtrl();
  // Ctrl-clicks on title buttons changed the sort markers; the release of
  // Ctrl applies them, and so does the grid's loss of the focus.
  bool GetSortingPending() const { return FSortingPending; }
  // The clipboard commands the keys run, on the selection (the clipboard
  // unit's commands, DBGridKvImpExpClipboard.cpp).
  virtual void CopySelectionToClipboard();
  virtual void CutSelectionToClipboard();
  virtual void PasteSelectionFromClipboard();
  virtual void DeleteSelection();
  kvp::TNotifyEvent OnSortMarkingChanged;

  // -- Tree mode, record moving and commands (DBGridKvTree.cpp) --
  // Moves the records of Bookmarks to data row Target (its record number is
  // what the handlers get), at tree level Level (-1 without tree mode):
  // OnMoveRecords when assigned, else DefaultMoveRecords. TestOnly only asks
  // whether it could.
  virtual bool MoveRecords(kvp::TStrings* Bookmarks, kvp::Integer Target, bool TestOnly,
                           kvp::Integer Level);
  // The dataset's tree interface moves them itself; else the data service
  // does, and the same records stay in the same rows.
  virtual bool DefaultMoveRecords(kvp::TStrings* Bookmarks, kvp::Integer TargetRecNo,
                                  bool TestOnly, kvp::Integer Level);
  TDBGridKvMoveRecordsEvent OnMoveRecords;
  // Fits Column's width to its contents; under a selection of columns (or
  // of everything) the selected columns (all columns) with it.
  virtual void OptimizeSelectedColsWidth(TColumnKv* Column);
  // Each column of Columns as wide as the widest of its title, its cells in
  // every record and its footers.
  void OptimizeColsWidth(TColumnsKvList* Columns);

  // -- Mouse (DBGridKvMouse.cpp) --
  // The pixel box of the data cells on screen, from the first data column
  // and row to the last ones.
  kvp::TRect GetDataBoxRect();
  // The check-box cell the last left press went to; (-1, -1) when none.
  TGridCoord GetPressedCheckBoxCell() const { return FPressedCheckBoxCell; }
  // A left release on a title or filter cell of a data column.
  virtual void TitleCellClick(TColumnKv* Column);
  TDBGridKvClickEvent OnTitleCellClick;

  // -- Data cells (DBGridKvDataCells.cpp) --
  // The backgrounds of the odd and the even records (by record number) in
  // columns of the grid's colour; each is Color until it is set.
  kvp::TColor GetOddRowColor() const { return FOddRowColorAssigned ? FOddRowColor : GetColor(); }
  void SetOddRowColor(kvp::TColor Value);
  kvp::TColor GetEvenRowColor() const { return FEvenRowColorAssigned ? FEvenRowColor : GetColor(); }
  void SetEvenRowColor(kvp::TColor Value);
  // A column's check box in ARect on Background: the button painter's
  // check-box face; a right-to-left column's is painted unmirrored over its
  // place on the screen.
  void DrawCellCheckBox(TColumnKv* Column, kvp::TCanvas* Canvas, const kvp::TRect& ARect,
                        kvp::TCheckBoxState State, bool Enabled, bool Flat, kvp::TColor Background);

  // -- Focus --
  // The window or its in-place editor has the keyboard focus.
  virtual bool IsFocused();

  // -- Messages and actions (DBGridKvMessages.cpp) --
  // The platform's standard edit actions (copy, paste, cut, select all,
  // delete, each with its switch in EditActions) while the grid has the
  // focus; the data link may take an action first. Update enables the
  // action as the clipboard keys would run now.
  bool ExecuteAction(kvp::TBasicAction* Action) override;
  bool UpdateAction(kvp::TBasicAction* Action) override;
  // The flat grid's border drawn inside the window: 1 or 0 pixels a side.
  kvp::Integer GetFlatBorderWidth() const { return FFlatBorderWidth; }
  // The left column or the top row changed.
  kvp::TNotifyEvent OnTopLeftChanged;
  // The footers' aggregates are about to be worked out anew, and have been.
  kvp::TNotifyEvent OnSumListRecalcAll;
  kvp::TNotifyEvent OnSumListAfterRecalcAll;

  // -- Searching, filtering and sorting (DBGridKvSearch.cpp) --
  // Hands a text search to the data service: a features object's search or
  // the library's own (LocateDatasetText). FieldName empty: the current
  // column. True when a cell matched; it is then current.
  virtual bool LocateText(const kvp::String& FieldName, const kvp::String& Text,
                          TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                          TLocateTextOptionsKv Options,
                          TLocateTextTreeRangeKv TreeRange = ltrNotInTreeKv);
  // Keep the dataset's position around a walk over its records, so that
  // afterwards the same records show in the same rows.
  void SaveBookmark();
  void RestoreBookmark();
  // Opens the find dialog through the data service (or its routine when
  // there is no service).
  void ExecuteFindDialog(const kvp::String& Text, const kvp::String& ColumnName, bool Modal);
  // Whether a title click may move the column's sort marker (with
  // dgAutoSortMarkingKv) and the markers be applied; a descendant that sorts
  // in its own way answers false.
  virtual bool CanAutoSortMarking() { return true; }
  // Asks the data service to filter the dataset by the column filters, with
  // painting held until it is done.
  virtual void DoApplyFilter();
  // Asks the data service to order the dataset by the sort-marked columns.
  virtual void ApplySorting();

  // -- Filter row (DBGridKvFilterRow.cpp) --
  // The row between the titles and the records where each column whose
  // filter is visible shows its condition. The person enters it with Up on
  // the first record (or Ctrl+Up) or a press on a filter cell, types a
  // condition into the filter-row editor or picks one from its list, and
  // applies it with Enter; the grid hands the conditions to OnApplyFilter or
  // the data service and never filters records itself.
  //
  // Editor protocol: ShowFilterEditor(ACol) -> (CreateFilterEditor once) ->
  // UpdateFilterEditor(true) -> PrepareFilterEditor(ACol); every re-placing
  // (layout, scrolling, a change of the data or of the selection kind) is
  // UpdateFilterEditor(false); leaving is HideFilterEditor. Every hide and
  // every column change first commits the editor's text into the column's
  // filter (CommitFilterEditorText), which raises for a text that does not
  // parse: the editor then stays where it is, with the text.
  TSTDBGridKvFilter* GetSTFilter() const { return FSTFilter; }
  void SetSTFilter(TSTDBGridKvFilter* Value) { FSTFilter->Assign(Value); }
  // Columns index of the filter cell the editor belongs to; -1 none. It
  // survives hiding the editor.
  kvp::Integer GetFilterCol() const { return FFilterRow.Col; }
  // The filter-row editor, once it was made.
  TInplaceFilterEditKv* GetFilterEditor() const { return FFilterRow.Editor; }
  // The filter-row editor is in use (whether or not a selection hides it).
  bool GetFilterEditorActive() const { return FFilterRow.Active; }
  // The filter-row editor is in use and no selection hides it.
  virtual bool FilterEditorShown();
  // ACol is a column index whose column is visible and whose filter shows.
  bool ColumnHasFilterCell(kvp::Integer ACol);
  // The condition the column's filter cell shows, as typed; empty for a
  // column without a field name.
  void GetColumnFilterText(kvp::Integer ACol, kvp::String& Text);
  // The column's filter offers a drop-down list.
  bool ColumnFilterDropDown(kvp::Integer ACol);
  // The filter row is ARow (the row just above the first data row).
  bool IsFilterRow(kvp::Integer ACol, kvp::Integer ARow);
  // Opens the editor in the filter cell of column ACol, committing the
  // previous cell's text first; the column becomes current (with row
  // selection it is only scrolled into view).
  void ShowFilterEditor(kvp::Integer ACol);
  // Commits the editor's text and leaves the filter row.
  void HideFilterEditor();
  // Places the editor over its cell again; with Show it is also prepared
  // anew from the column's filter, its text selected.
  virtual void UpdateFilterEditor(bool Show);
  // Makes the editor fit the column: a plain edit box, or a combo box whose
  // list offers the column's values and the special entries.
  virtual void PrepareFilterEditor(kvp::Integer ACol);
  // The editor's text becomes the condition of column ACol (parsed there).
  virtual void CommitFilterEditorText(kvp::Integer ACol);
  // Commits the editor's text and hands every column's condition to
  // OnApplyFilter, or to DoApplyFilter without a handler; then the editor,
  // the footers and the grid show the result.
  void ApplyFilter();
  // Every column's condition goes; the editor leaves the filter row.
  void ClearColumnsFilter();
  // The column at Columns index ACol is being freed: the filter-row editor
  // keeps to its own column, and leaves the row when that is the one going.
  void FilterColumnGoing(kvp::Integer ACol);
  kvp::TNotifyEvent OnApplyFilter;

  // IInplaceEditHolderKv, for the filter-row editor.
  bool InplaceEditCanModify(kvp::TControl* Control) override;
  // The last press on the grid in screen coordinates and its message time;
  // the time is handed out once (0 afterwards).
  void GetMouseDownInfo(kvp::TPoint& ScreenPos, kvp::Integer& Time) override;
  void InplaceEditWndProc(kvp::TControl* Control, kvp::TMessage& Message) override;
  void InplaceEditKeyDown(kvp::TControl* Control, kvp::Word& Key,
                          kvp::TShiftState Shift) override;
  void InplaceEditKeyPress(kvp::TControl* Control, kvp::Char& Key) override;
  void InplaceEditKeyUp(kvp::TControl* Control, kvp::Word& Key, kvp::TShiftState Shift) override;

  // -- Type-ahead search (DBGridKvSearch.cpp) --
  // Typing in a column the user does not edit looks for the first record
  // whose cell starts with what was typed, ignoring case; the matched part
  // of the current cell shows in the search colours until the search ends.
  //
  // Life of a search: InplaceSearchText starts it or adds to it (each call
  // looks again and restarts timer 2) -> Backspace takes a character back ->
  // StopInplaceSearch ends it: timer 2 firing, Enter, Escape or F2, a move
  // of the record or the column by any other means, the link going.
  virtual bool InplaceSearching() { return FInplaceSearching; }
  // The text matched so far, in the letters of the matched cell.
  virtual kvp::String InplaceSearchText() { return FInplaceSearchText; }
  // Looks for the text matched so far followed by Text in the current
  // column: over the whole dataset from its first record (Direction 2), or
  // downwards (1) or upwards (0) from the record after or before the current
  // one. A text that leads nowhere is dropped and the record stays. TimeOut
  // is the silence in ms that ends the search; -1 never.
  virtual void InplaceSearchText(const kvp::String& Text, kvp::Integer TimeOut,
                                 kvp::Integer Direction);
  virtual void StopInplaceSearch();
  // The running search's time-out in ms; -1 none.
  kvp::Integer GetInplaceSearchTimeOut() const { return FInplaceSearchTimeOut; }
  // Whether timer 2 counts towards the end of the search.
  bool GetInplaceSearchTimerActive() const { return FInplaceSearchTimerActive; }

  // Asserts the invariants of the grid's model; tests call it after changes.
  void CheckConsistency();

 protected:
  void Construct() override;
  void Destroy() override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void Loaded() override;
  void DefineProperties(kvp::TFiler* Filer) override;
  void CreateWnd() override;
  void ChangeScale(kvp::Integer M, kvp::Integer D) override;
  void FlatChanged() override;
  void ColWidthsChanged() override;
  void RowHeightsChanged() override;
  void DoExit() override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  void DefaultHandler(kvp::TMessage& Message) override;
  // -- Keyboard (DBGridKvKeys.cpp) --
  // Call order of one key: KeyDown (OnKeyDown, the shortcuts, the key
  // table, Delete on a check-box cell) -> WMChar (Space on a check-box
  // cell, the type-ahead search, or the base grid's editor) -> KeyPress
  // (Enter) -> KeyUp (Ctrl released after Ctrl-clicks on titles).
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;
  void KeyUp(kvp::Word& Key, kvp::TShiftState Shift) override;
  void WMChar(kvp::TWMKey& Message);
  // What a key asks of the grid (decoded from the key, the modifiers and the
  // grid's options), and the one routine that carries a request out.
  TGridKeyRequestKv DecodeKey(kvp::Word Key, kvp::TShiftState Shift);
  void RunKeyRequest(const TGridKeyRequestKv& Request);

  // -- Mouse (DBGridKvMouse.cpp) --
  // One press runs as a state machine on FMouseState (and the base grid's
  // GridState for sizing and moving): MouseDown decides and sets it,
  // MouseMove and MouseUp switch on it, and StopTracking, WM_CANCELMODE or
  // the release reset it. Timer 1 scrolls while a selection is dragged
  // beyond the data cells (AutoScrollTimer).
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;
  // The base grid's selecting step: up and down move the dataset by a row
  // beyond the rows shown.
  void TimedScroll(TGridScrollDirections Direction) override;
  // Timer 1: starts it, or gives it a new interval; stops it.
  void StartTimer(kvp::Integer Interval);
  void StopTimer();
  bool GetTimerActive() const { return FTimerActive; }
  kvp::Integer GetTimerInterval() const { return FTimerInterval; }
  // One step of a selection dragged beyond the data cells, from the last
  // selecting move (rows, rectangle) or the cursor (columns); the farther
  // the mouse, the bigger and quicker the steps.
  virtual void AutoScrollTimer();
  // The title rows' borders of the frozen columns: State 6 with the border
  // found, else 0.
  void CalcMouseState(kvp::Integer X, kvp::Integer Y, kvp::Integer& State, kvp::Integer& Index,
                      kvp::Integer& SizingPos, kvp::Integer& SizingOfs);
  // The steps of the press, the move and the release.
  bool TitleClickCounts(const TGridCoord& Cell, kvp::Integer Y);
  void DoubleClickDown(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y);
  void SizingDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y);
  void ColumnSelectDown(kvp::TShiftState Shift, const TGridCoord& Cell);
  bool DataRowDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y,
                   const TGridCoord& Cell);
  void RecordSelectDown(kvp::TMouseButton Button, kvp::TShiftState Shift, const TGridCoord& Cell,
                        const TGridCoord& OldCell, const kvp::TBookmark& OldBookmark);
  void EditButtonsDown(const TGridCoord& Cell, const TGridCoord& OldCell, kvp::Integer X,
                       kvp::Integer Y);
  void SelectingMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y, bool Moved);
  void LiveColSizingMove(kvp::Integer X);
  void TitleButtonUp(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y);
  void AutoScrollColumns();
  void WMSetCursor(kvp::TWMSetCursor& Message);
  // Paints one cell: classifies it, prepares font, brush and margins, paints
  // the area it belongs to and frames it in the raised look when it is drawn
  // fixed (DBGridKvPaint.cpp). Reads the grid; moves only the data link's
  // active record, and always back.
  void DrawCell(kvp::Integer ACol, kvp::Integer ARow, kvp::TRect ARect,
                TGridDrawState AState) override;

  // The base grid's editing questions (call order: CanEditShow, then
  // GetEditMask / GetEditText / GetEditLimit as the editor loads; on the
  // first change CanEditModify; each key CanEditAcceptKey; every change of
  // the text SetEditText).
  bool CanEditAcceptKey(kvp::Char Key) override;
  bool CanEditModify() override;
  bool CanEditShow() override;
  kvp::String GetEditText(kvp::Integer ACol, kvp::Integer ARow) override;
  void SetEditText(kvp::Integer ACol, kvp::Integer ARow, const kvp::String& Value) override;
  kvp::String GetEditMask(kvp::Integer ACol, kvp::Integer ARow) override;
  kvp::Integer GetEditLimit() override;
  void ColumnMoved(kvp::Integer FromIndex, kvp::Integer ToIndex) override;

  virtual TDBGridKvScrollBar* CreateScrollBar(bool Vertical);
  virtual TDBGridKvColumnDefValuesKv* CreateColumnDefValues();
  virtual TDBGridColumnsKv* CreateColumns();
  // Runs from the outermost EndLayout only.
  virtual void InternalLayout();
  // The editor chooses the cell's value from its data list (a lookup cell)
  // rather than taking typed text; then whether the column lets it write.
  virtual bool EditorListMode();
  virtual bool EditorWritable();
  TInplaceEdit* CreateEditor() override;
  // A selection of any kind is held.
  virtual bool SelectionExists();
  // The type-ahead search's steps (DBGridKvSearch.cpp): Backspace, timer 2
  // firing, and timer 2 started again with the running time-out.
  void InplaceSearchBackspace();
  void InplaceSearchTimer();
  void RestartInplaceSearchTimer();
  // -- Tree mode and record moving (DBGridKvTree.cpp) --
  // A press at (X, Y) in the node area of a tree row's first data column
  // (the one that draws the tree); unless TestOnly, a press on the node's
  // box (the last 18 pixels of the indent) expands or collapses that node.
  virtual bool ToggleTreeNode(kvp::Integer X, kvp::Integer Y, bool TestOnly);
  // Records dragged on the indicator column. Call order: StartRowMoving (a
  // press: MouseState 7, timer 1, the drop line drawn) -> RowMoveDragOver
  // (each move and timer tick: the line follows the mouse where
  // MoveRecordsDrop would accept the drop, and back to the start, where a
  // drop moves nothing) -> EndRowMoving (the release, or a
  // cancel with Accept false: the line erased, and with Accept a drop on a
  // place other than the start).
  virtual bool StartRowMoving(kvp::Integer X, kvp::Integer Y, bool TestOnly);
  virtual void RowMoveDragOver(kvp::Integer X, kvp::Integer Y, const TGridDrawInfo& DrawInfo);
  virtual void EndRowMoving(kvp::Integer X, kvp::Integer Y, bool Accept);
  // Where the drop line on grid row Row starts for the mouse at Point, and
  // the tree level a drop there gives (-1 without tree mode).
  virtual kvp::Integer CalcDropLineX(kvp::Integer Row, const kvp::TPoint& Point,
                                     kvp::Integer& Level);
  virtual bool CanStartRowMove() { return true; }
  // Drops the selected records (or the dragged one) on data row Target.
  virtual bool MoveRecordsDrop(kvp::Integer Target, kvp::Integer Level, bool TestOnly);
  // Data cells (DBGridKvDataCells.cpp): fills the cell parameters for
  // Column from the record before the link and runs the grid's and the
  // column's parameter events.
  void FillDataCellParams(TColumnKv* Column, TGridDrawState State, kvp::TFont* Font,
                          kvp::TColor Background);
  // The text Column shows for data row DataRow, through the same parameter
  // events; the link's record and the canvas font are left as they were.
  kvp::String RowCellText(TColumnKv* Column, kvp::Integer ARow, kvp::Integer DataRow,
                          TGridDrawState State);
  void DrawDataCellButtons(TColumnKv* Column, const kvp::TRect& Cell, const kvp::TRect& Clip,
                           bool Down, kvp::TColor Background);
  void DrawInplaceSearchHighlight(TColumnKv* Column, const kvp::TRect& ARect,
                                  kvp::Integer HorzMargin, kvp::Integer VertMargin,
                                  const kvp::String& Text);
  // The tip of data cell (ACol, ARow): its whole text, where the cell's text
  // starts, in the cell's font; false when the cell shows no tip.
  bool DataCellToolTip(kvp::Integer ACol, kvp::Integer ARow, kvp::THintInfo& Info);

  bool Designing() const { return GetComponentState().Contains(kvp::csDesigning); }
  bool Loading() const { return GetComponentState().Contains(kvp::csLoading); }
  bool Destroying() const { return GetComponentState().Contains(kvp::csDestroying); }
  void TitleFontChanged(kvp::TObject* Sender);
  void FooterFontChanged(kvp::TObject* Sender);
  void LayoutDefaultColumns();
  void ReadColumns(kvp::TReader* Reader);
  void WriteColumns(kvp::TWriter* Writer);

  // Layout phases (DBGridKvLayout.cpp).
  void LayoutColumnCounts(kvp::Integer Hidden);
  void LayoutRowHeights();
  void LayoutSingleTitle();
  void LayoutHorzScrollBar();
  void LayoutFittedWidths();
  void LayoutTitleHeights();
  void UpdateButtonHeight();
  kvp::Integer RowPitch() const;

  // Rows (DBGridKvRows.cpp).
  void ReloadEditor();
  void ScrollFromMemTable();
  void UpdateRowCountFromMemTable();
  void UpdateVertScrollBarFromRows();
  void RequestFetchRecords();
  void HandleVertScroll(kvp::Integer Code, kvp::Integer TrackPos);
  void MoveCurrentToActive(kvp::Integer Target);
  bool AnyHideDuplicates();
  kvp::TRect CurrentRowBox();
  void NoteVertBarAndDefer(bool WasShowing);

  // Painting (DBGridKvPaint.cpp): the areas DrawCell hands each cell to.
  // Each paints into ARect and answers in Highlighted whether the cell was
  // drawn highlighted, for the raised frame.
  void DrawIndicatorCell(kvp::Integer ARow, kvp::TRect ARect, kvp::Integer VertMargin,
                         bool& Highlighted);
  void DrawTitleCell(kvp::Integer ACol, kvp::Integer ARow, TColumnKv* Column, kvp::TRect& ARect,
                     TGridDrawState AState, kvp::Integer HorzMargin, kvp::Integer VertMargin,
                     bool& Highlighted);
  void DrawTitleAncestors(kvp::Integer ACol, kvp::Integer DataCol, const kvp::TRect& Cell,
                          TGridDrawState AState, bool Highlighted);
  // One filter-row cell: the column's condition in blue on the lightened
  // fixed colour, with its drop-down button, or the plain background.
  virtual void DrawFilterCell(kvp::Integer ACol, kvp::Integer ARow, bool& Highlighted,
                              TGridDrawState AState, kvp::TRect ARect, TCellAreaKv CellType,
                              kvp::Integer DataCol, kvp::Integer HorzMargin,
                              kvp::Integer VertMargin);
  void DrawFooterCell(kvp::Integer ACol, kvp::Integer ARow, kvp::Integer FooterRow,
                      TColumnKv* Column, kvp::TRect ARect, TGridDrawState AState, bool Down,
                      kvp::Integer HorzMargin, kvp::Integer VertMargin, bool& Highlighted);
  // The data cell of a row that shows a record (DBGridKvDataCells.cpp): the
  // row's colour, the cell parameters and their events, the highlight, the
  // contents by the column's kind (text, image with text, image, check box),
  // the edit buttons kept shown, the mark of an empty required field, hidden
  // duplicates and the type-ahead search's highlight, then the application's
  // drawing events.
  virtual void DrawDataRowCell(kvp::Integer ACol, kvp::Integer ARow, kvp::Integer DataCol,
                               kvp::Integer DataRow, TColumnKv* Column, kvp::TRect ARect,
                               TGridDrawState AState, bool Down, kvp::Integer HorzMargin,
                               kvp::Integer VertMargin, bool& Highlighted);
  void DrawFocusFrame(kvp::TRect ARect, TGridDrawState AState);
  // The raised (or, pressed or highlighted, sunken) one-pixel frame of a
  // cell drawn in the fixed look, always on the grid's canvas; without
  // LeftEdge or RightEdge that side is left open (a title spanning columns).
  void DrawButtonFrame(kvp::TCanvas* ACanvas, kvp::TRect ARect, bool IsDown, bool Highlighted,
                       bool LeftEdge, bool RightEdge);
  // The node area of a tree row in the first data column (DBGridKvDrawing.cpp),
  // in the column's colour; ARect grows by a pixel at the left, top and
  // bottom for a cell drawn fixed.
  virtual void DrawTreeCell(kvp::Integer DataCol, kvp::Integer DataRow, bool Fixed,
                            kvp::TRect& ARect, TGridDrawState State);
  void TitleImagesChanged(kvp::TObject* Sender);

  // -- Messages (DBGridKvMessages.cpp; WM_PAINT in DBGridKvDrawing.cpp,
  // WM_CHAR in DBGridKvKeys.cpp, WM_SETCURSOR in DBGridKvMouse.cpp) --
  // Each handler runs the base grid's handling and adds the grid's part.
  void CreateParams(kvp::TCreateParams& Params) override;
  void CalcSizingState(kvp::Integer X, kvp::Integer Y, TGridState& State, kvp::Integer& Index,
                       kvp::Integer& SizingPos, kvp::Integer& SizingOfs,
                       const TGridDrawInfo& DrawInfo) override;
  void TopLeftChanged() override;
  void WndProc(kvp::TMessage& Message) override;
  // What WM_CANCELMODE and CM_CANCELMODE end: title tracking, timer 1 of a
  // mouse state, the mouse state.
  void EndMouseModes();
  // Repaints the current row across the whole client width.
  void InvalidateSelectedRowBox();
  // The grid and its editor take the current column's input method (only
  // where the system has input methods).
  void SetColumnIme();
  // The input method of the current column: its own, else the grid's.
  void ColumnIme(kvp::TImeName& Name, kvp::TImeMode& Mode);
  // The tips of title, data and footer cells: true when Info now shows the
  // cell's whole text over it. ShowCellTip measures and places any of them.
  bool TitleCellToolTip(kvp::Integer ACol, kvp::Integer ARow, TColumnKv* Column,
                        kvp::THintInfo& Info);
  bool FooterCellToolTip(kvp::Integer ACol, kvp::Integer ARow, kvp::Integer FooterRow,
                         TColumnKv* Column, kvp::THintInfo& Info);
  bool ShowCellTip(kvp::THintInfo& Info, kvp::Integer ACol, kvp::Integer ARow, kvp::TRect Room,
                   const kvp::String& Text, kvp::TFont* Font, kvp::TAlignment Alignment,
                   kvp::TTextLayout Layout, bool WordWrap, bool Vertical, bool Always);
  // The aggregate list's full passes, handed on to the grid's events.
  void SumListRecalcAll(kvp::TObject* Sender);
  void SumListAfterRecalcAll(kvp::TObject* Sender);

  void WMDeferredLayout(kvp::TMessage& Message);
  void WMSize(kvp::TWMSize& Message);
  void WMVScroll(kvp::TWMScroll& Message);
  void WMHScroll(kvp::TWMScroll& Message);
  void WMPaint(kvp::TWMPaint& Message);
  void WMTimer(kvp::TWMTimer& Message);
  void WMCancelMode(kvp::TMessage& Message);
  void WMNCCalcSize(kvp::TMessage& Message);
  void WMNCPaint(kvp::TMessage& Message);
  void WMEraseBkgnd(kvp::TMessage& Message);
  void WMGetDlgCode(kvp::TMessage& Message);
  void WMCommand(kvp::TWMCommand& Message);
  void WMSetFocus(kvp::TWMSetFocus& Message);
  void WMKillFocus(kvp::TWMKillFocus& Message);
  void WMImeStartComposition(kvp::TMessage& Message);
  void CMCancelMode(kvp::TMessage& Message);
  void CMDesignHitTest(kvp::TMessage& Message);
  void CMFontChanged(kvp::TMessage& Message);
  void CMHintShow(kvp::TCMHintShow& Message);
  void CMHintShowPause(kvp::TCMHintShowPause& Message);
  void CMMouseWheel(kvp::TCMMouseWheel& Message);
  void CMParentColorChanged(kvp::TMessage& Message);
  void CMParentFontChanged(kvp::TMessage& Message);
  void CMSysColorChange(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_USER + 100, WMDeferredLayout)
  KV_MESSAGE(kvp::WM_SIZE, WMSize)
  KV_MESSAGE(kvp::WM_VSCROLL, WMVScroll)
  KV_MESSAGE(kvp::WM_HSCROLL, WMHScroll)
  KV_MESSAGE(kvp::WM_PAINT, WMPaint)
  KV_MESSAGE(kvp::WM_COMMAND, WMCommand)
  KV_MESSAGE(kvp::WM_CHAR, WMChar)
  KV_MESSAGE(kvp::WM_SETCURSOR, WMSetCursor)
  KV_MESSAGE(kvp::WM_TIMER, WMTimer)
  KV_MESSAGE(kvp::WM_CANCELMODE, WMCancelMode)
  KV_MESSAGE(kvp::WM_NCCALCSIZE, WMNCCalcSize)
  KV_MESSAGE(kvp::WM_NCPAINT, WMNCPaint)
  KV_MESSAGE(kvp::WM_ERASEBKGND, WMEraseBkgnd)
  KV_MESSAGE(kvp::WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(kvp::WM_SETFOCUS, WMSetFocus)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(kvp::WM_IME_STARTCOMPOSITION, WMImeStartComposition)
  KV_MESSAGE(kvp::CM_CANCELMODE, CMCancelMode)
  KV_MESSAGE(kvp::CM_DESIGNHITTEST, CMDesignHitTest)
  KV_MESSAGE(kvp::CM_FONTCHANGED, CMFontChanged)
  KV_MESSAGE(kvp::CM_HINTSHOW, CMHintShow)
  KV_MESSAGE(kvp::CM_HINTSHOWPAUSE, CMHintShowPause)
  KV_MESSAGE(kvp::CM_MOUSEWHEEL, CMMouseWheel)
  KV_MESSAGE(kvp::CM_PARENTCOLORCHANGED, CMParentColorChanged)
  KV_MESSAGE(kvp::CM_PARENTFONTCHANGED, CMParentFontChanged)
  KV_MESSAGE(kvp::CM_SYSCOLORCHANGE, CMSysColorChange)
  KV_END_MESSAGE_MAP

  // Filter row (DBGridKvFilterRow.cpp).
  // Makes the filter-row editor; the grid owns it.
  virtual TInplaceFilterEditKv* CreateFilterEditor();
  // Up on the first record, or Ctrl+Up, opens the filter-row editor; Key
  // comes back 0 when it opened.
  void EnterFilterRowByKey(kvp::Word& Key, kvp::TShiftState Shift);
  // A left or right press on a filter cell opens the editor there (a left
  // one reaches the editor too); true when the press was taken.
  bool FilterCellPress(kvp::TMessage& Message);
  // The editor's handlers: its list closing (FilterDropDownChosen asks
  // before the choice is taken, the close-up handler after), filling its
  // list, Enter, and leaving it.
  virtual void FilterDropDownChosen(kvp::TObject* Sender, bool& Accept);
  void FilterEditCloseUp(kvp::TObject* Sender, bool Accept);
  void FilterEditGetItems(kvp::TObject* Sender);
  void FilterEditKeyPress(kvp::TObject* Sender, kvp::Char& Key);
  void FilterEditExit(kvp::TObject* Sender);
  // The filter-row editor's own keys: moving between filter cells and
  // leaving the row.
  void FilterEditKeyDown(kvp::Word& Key, kvp::TShiftState Shift);
  // Moves the editor to the next or previous filter cell (Edge: the last or
  // the first one).
  void MoveFilterCol(bool Forward, bool Edge);
  // Commits the editor's text into its column's filter, then hides it; a
  // text that does not parse raises and leaves the editor shown.
  void CommitAndHideFilterEditor();
  // Hides the editor's window, its text not committed; the grid takes the
  // focus it had.
  void HideFilterEditorWindow();
  // The filter row is no longer in use: the editor hides (its text committed
  // first with Commit, which raises with nothing changed for a text that
  // does not parse) and the cell editor shows or hides by the grid's options.
  void LeaveFilterRow(bool Commit);
  // The editor's cell is the filter cell of column ACol (-1: none).
  void SetFilterCol(kvp::Integer ACol);

  friend class TGridDataLinkKv;
  friend class TDBGridColumnsKv;
  friend class TDBGridInplaceEdit;
  friend class THeadTreeNode;

  // -- Fields --
  // Options
  TDBGridKvOptions FOptions = DefaultDBGridKvOptions;
  TDBGridKvOptionsKv FOptionsKv = DefaultDBGridKvOptionsKv;
  TDBGridKvAllowedOperations FAllowedOperations = TDBGridKvAllowedOperations::FromBits(0x0F);
  TDBGridKvAllowedSelections FAllowedSelections = TDBGridKvAllowedSelections::FromBits(0x1E);
  bool FRowSizingAllowed = false;  // adds goRowSizing to the base grid's options
  TDBGridKvEditActions FEditActions;
  bool FDBDefaultDrawing = true;
  bool FMemoEditing = false;
  // Locks
  kvp::Integer FUpdateLock = 0;  // BeginUpdate nesting
  kvp::Integer FLayoutLock = 0;  // BeginLayout nesting; the outermost EndLayout lays out
  bool FLayoutPending = false;   // a layout asked for under BeginUpdate alone, run by EndUpdate
  // Layout
  kvp::Integer FIndicatorOffset = 1;  // 1 with the indicator column, else 0
  kvp::Integer FTitleOffset = 1;      // title row plus filter row
  kvp::Integer FTitleHeight = 0;      // pixels added to the title row
  kvp::Integer FTitleLines = 0;       // text lines of the title row; 0: one, measured
  kvp::Integer FRowHeight = 0;        // pixels added to the data rows
  kvp::Integer FRowLines = 0;         // text lines of a data row
  kvp::Integer FTextMargin = 4;       // pixels added to measured title text; 2 when flat
  kvp::Integer FButtonWidth = 0;      // an edit button drawn in a cell
  kvp::Integer FButtonHeight = 0;
  bool FWordWrapAllowed = false;      // rows are taller than one line of text and margin
  kvp::Integer FMinAutoFitWidth = 0;  // fitting never shrinks the columns below this total
  bool FUseMultiTitle = false;
  kvp::Integer FMultiTitleMargin =
      10;  // pixels added to each measured level of a multi-level title
  bool FAutoFitColWidths = false;
  kvp::Integer FFrozenCols = 0;       // leading data columns that do not scroll
  kvp::Integer FContraCols = 0;       // trailing columns pinned to the right edge
  bool FColumnWidthWriteBack = true;  // automatic columns write their width into the field
  bool FDataLinkLayout = false;       // the data link is reporting a layout change
  bool FAssigningTitleFont = false;   // the grid itself sets the title or footer font
  TDBGridKvStyle* FStyle = nullptr;   // not owned; null once its style has gone
  TDBGridKvScrollBar* FHorzScrollBar = nullptr;            // owned
  TDBGridKvScrollBar* FVertScrollBar = nullptr;            // owned; a TVertDBGridKvScrollBar
  TDBGridKvColumnDefValuesKv* FColumnDefValues = nullptr;  // owned
  TDBGridColumnsKv* FColumns = nullptr;                    // owned
  TColumnsKvList* FVisibleColumns = nullptr;               // owned list; columns not owned
  TGridDataLinkKv* FDataLink = nullptr;                    // owned
  kvp::TFont* FTitleFont = nullptr;                        // owned
  TColumnsKvList* FSortMarkedColumns = nullptr;            // owned list; columns not owned
  THeadTreeNode* FHeadTree = nullptr;                      // owned; its root is "Root"
  std::vector<TLeafCol> FLeafFieldArr;                     // one entry per column, in column order
  TDBGridKvSumList* FSumList = nullptr;                    // owned; the footers' aggregates
  kvp::TFont* FFooterFont = nullptr;                       // owned
  kvp::TColor FFooterColor = kvp::clWindow;
  kvp::Integer FFooterRowCount = 0;  // footer rows, the base grid's contra rows
  // Rows
  kvp::Integer FSavedActiveRecord = -1;  // link row saved by SetActiveRecordIndex; -1: none
  IMemTableKv* FMemTable = nullptr;      // the dataset's tree interface, or null
  bool FMemTableSupport = true;          // the grid may take the tree interface
  bool FFetching = false;                // a fetch request is running
  bool FRefreshing = false;              // RefreshAfterDataChange is running
  bool FRecalculating = false;           // a design-time recalculation is running
  bool FKeepAnchor = false;              // the mouse holds the anchor over a data cell
  bool FVertBarShown = false;            // the window's vertical bar shows (last set)
  TScrollBarVisibleModeKv FVertBarMode = sbAutoShowKv;  // the mode the bar was last set for
  bool FVertBarSet = false;                             // the bar has been set once
  bool FIgnoreThumbPos = false;                         // a tracked thumb already moved the dataset
  kvp::Integer FThumbTrackPos = 0;                      // where the thumb was last dragged to
  bool FReloadingEditor = false;  // the editor is taking the cell's text again
  // Editing
  kvp::String FEditText;    // the editor's text of the current cell, not yet written
  kvp::Variant FEditValue;  // the key value behind FEditText for lookup and key-list columns
  bool FRowSizing = false;  // the user is sizing a row (set before RowHeightsChanged)
  struct TTitleTracking {
    bool Tracking = false;  // a title button is held down
    kvp::Integer Col = -1;  // the tracked grid column; -1 when none
    bool Pressed = false;   // the pointer is inside the tracked title
  } FTitleTracking;
  TColCellParamsKv* FColCellParams = nullptr;  // owned; refilled for every cell
  kvp::Integer FMouseState = 0;
  // A record drag (MouseState 7): rows are grid rows, levels tree levels
  // (-1 without tree mode); the drop line as drawn, so that drawing it again
  // (XOR) erases exactly that line.
  struct TRowMove {
    kvp::Integer StartRow = -1, TargetRow = -1;
    kvp::Integer StartLevel = -1, TargetLevel = -1;
    kvp::TBookmark Bookmark;  // the dragged record
    kvp::Integer LineX = 0;   // where the drop line starts for the target
    bool Drawn = false;       // the line is on the screen
    kvp::Integer DrawnY = 0, DrawnX = 0, DrawnRight = 0;
  } FRowMove;
  // Draws the drop line of FRowMove, or erases it when it is drawn.
  void DrawDropLine();
  kvp::Integer FHotTrackCol = -1;  // the title column under the pointer
  bool FFocusOnClick = true;       // a click takes the focus
  // Drawing and painting
  bool FDoubleBuffered = false;  // paints through an off-screen bitmap; never cleared
  kvp::TCustomImageList* FTitleImages = nullptr;     // not owned; the grid hears of its freeing
  kvp::TChangeLink* FTitleImageChangeLink = nullptr;  // owned
  kvp::Integer FIndicatorRow = -1;  // the row the current record's indicator was painted in
  // Selection
  TBookmarkListKv* FBookmarks = nullptr;     // owned; the selection's record part
  TDBGridKvSelection* FSelection = nullptr;  // owned
  bool FToggleSelection = false;             // Shift extensions take the anchor's opposite state
  bool FSelectionAnchorSet = false;          // a Shift extension of the records has begun
  kvp::TBookmark FSelectionAnchorBookmark;   // its anchor record
  bool FSelectionAnchorSelected = false;     // whether the anchor was selected when it began
  bool FInColExit = false;                   // ColExit runs; MoveCol does not call it again
  bool FRowSelectTracking = false;           // the held mouse selects records
  bool FCellSelectTracking = false;          // the held mouse selects cells
  kvp::TPoint FMouseDownPoint;               // the press, then each selecting move
  kvp::TPoint FLastMovePoint{-1, -1};        // the point of the last mouse move
  kvp::TShiftState FMouseDownShift;          // the shift state of the last selecting move
  TGridCoord FPressedCheckBoxCell{-1, -1};   // the check-box cell of the last left press
  bool FTimerActive = false;                 // timer 1 runs for the grid's own mouse states
  kvp::Integer FTimerInterval = -1;          // timer 1's interval in ms; -1 while stopped
  bool FSortingPending = false;              // Ctrl-clicks on titles wait for Ctrl's release
  bool FRightTitleClick = false;             // a right press on a title is tracked as a left one
  bool FSelectedCellPressed = false;  // automatic drag: a left press on a selected cell waits
  bool FAutoDragPress = false;        // the press came with the drag mode held manual
  // Data cells
  kvp::TColor FOddRowColor = kvp::clWindow;   // meant while FOddRowColorAssigned
  kvp::TColor FEvenRowColor = kvp::clWindow;  // meant while FEvenRowColorAssigned
  bool FOddRowColorAssigned = false;
  bool FEvenRowColorAssigned = false;
  kvp::TObjectPtr<kvp::TFont> FDuplicateFont;  // keeps the canvas font while a row above is read
  kvp::TObjectPtr<kvp::TFont> FHintFont;       // the font of cell tips; made on first use
  bool FFocusedSeen = false;       // the focus as the last selection change found it
  // Messages
  kvp::Integer FFlatBorderWidth = 0;  // the flat grid's own border inside the window: 0 or 1
  bool FLeftColAtFirst = true;        // the first scrolling column is the left one
  kvp::TImeName FGridImeName;         // the grid's input method as its window was made
  kvp::TImeMode FGridImeMode = kvp::imDontCare;
  // Searching
  bool FInplaceSearching = false;           // a type-ahead search runs
  kvp::String FInplaceSearchText;           // matched so far, in the cell's own letters
  kvp::Integer FInplaceSearchTimeOut = -1;  // ms of silence that end the search; -1 never
  bool FInplaceSearchTimerActive = false;   // timer 2 runs towards the end of the search
  bool FInplaceSearchLocating = false;      // the search itself moves the record
  kvp::TBookmark FSavedBookmark;  // the record SaveBookmark kept; empty: none
  kvp::Integer FSavedOffset = 0;  // rows from the kept record back to the current one
  // Filter row
  TSTDBGridKvFilter* FSTFilter = nullptr;  // owned
  struct TFilterRow {
    kvp::Integer Col = -1;                  // Columns index of the editor's cell; -1 none
    TColumnKv* Column = nullptr;            // the column at Col when it was set; null with -1
                                            // (cleared before the column is freed)
    bool Active = false;                    // the editor is in use
    TInplaceFilterEditKv* Editor = nullptr;  // owned by the grid; made on first use
    kvp::Integer MouseDownTime = 0;         // message time of the last press; 0 once handed out
  } FFilterRow;
};

// [SECTION] Unit start-up and shared resources (DBGridKvStartup.cpp)

// The unit's start-up and shut-down. Each start-up counts; the first makes
// the shared objects, loads the cursors and sets the unit's values, and the
// last shut-down frees what the first made. A cursor that cannot be loaded
// stops the start-up with EOutOfResources ("Cannot load cursor resource");
// what was made before it stays until the shut-down.
void DBGridKvUnitStartup();
void DBGridKvUnitShutdown();
kvp::Integer DBGridKvUnitStartCount();
// Starts the unit for the program the first time a grid needs it; the
// program's own shut-down gives that start-up back.
void EnsureDBGridKvUnit();

// Unit values, shared by every grid; set at start-up (0 before).
extern kvp::TShortCut InplaceSearchShortCut;       // Ctrl+F: starts the type-ahead search
extern kvp::TShortCut InplaceSearchNextShortCut;   // Ctrl+Enter: next match
extern kvp::TShortCut InplaceSearchPriorShortCut;  // Ctrl+Shift+Enter: previous match
extern kvp::TShortCut CopyValueShortCut;           // Ctrl+': copies the prior record's value
extern kvp::TShortCut FindDialogShortCut;          // Ctrl+F: the find dialog
extern kvp::Integer InplaceSearchTimeOut;          // milliseconds of silence that end a search
extern kvp::TColor InplaceSearchHighlightColor;    // behind the searched text
extern kvp::TColor InplaceSearchHighlightFontColor;
// While true, no grid switches to painting through an off-screen bitmap.
extern bool DisableDoubleBuffer;

// Unit objects, shared by every grid; null before start-up and after the
// last shut-down.
// Row indicators: 0 arrow, 1 edit, 2 insert, 3 marked, 4 marked and current,
// 5 arrow for a dark row, 6 arrow in the search colour.
extern kvp::TCustomImageList* GridIndicatorImages;
// Sort markers: 0 smDownKv (ascending order), 1 smUpKv (descending).
extern kvp::TCustomImageList* GridSortMarkerImages;
extern kvp::HCURSOR GridDownCursor;   // selecting columns
extern kvp::HCURSOR GridRightCursor;  // selecting records
extern kvp::HCURSOR GridLeftCursor;   // selecting records, right to left
extern TColCellParamsKv* GridCellParams;

// ---------------------------------------------------------------------------
// TColumnKvPropertyInterceptor: stands in for a column in a property storage.
// It restores the column's width: while the grid fits its columns to its
// width, the width becomes the column's base width for fitting without
// laying the grid out; otherwise the column takes it.
class TColumnKvPropertyInterceptor : public TStoragePropertyInterceptor {
  KV_CLASS(TColumnKvPropertyInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
  void SetWidth(kvp::Integer Value);
  KV_PUBLISHED;
};

// ---------------------------------------------------------------------------
// TColumnsKvPropertyInterceptor: stands in for a grid's columns. ColumnsIndex
// is the column order as the columns' field names, each in double quotes,
// separated by commas; written, it moves the named columns to those places.
class TColumnsKvPropertyInterceptor : public TStoragePropertyInterceptor {
  KV_CLASS(TColumnsKvPropertyInterceptor, TStoragePropertyInterceptor)
 public:
  using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
  kvp::String GetColumnsIndex() const;
  void SetColumnsIndex(const kvp::String& Value);
  KV_PUBLISHED;

 private:
  kvp::String FColumnsIndex;  // the text last written
};

// [SECTION] In-place editor (DBGridKvInplaceEdit.cpp, DBGridKvInplaceEditButtons.cpp)

// The edit styles of the grid's in-place editor: the button it shows and the
// drop-down that button opens.
enum TColumnEditStyleKv : kvp::Byte {
  cesPlainKv,     // no button, no drop-down
  cesEllipsisKv,  // an ellipsis button; its click is the grid's EditButtonClick
  cesPickListKv,  // a drop-down button; the column's pick list
  cesDataListKv,  // a drop-down button; the column's drop-down data grid
  cesDateKv,      // a drop-down button; a month calendar
  cesUpDownKv,    // an up-down button; its halves step the value
  cesDropDownKv,  // a drop-down button; a calculator when the field is a number
};

// The edit style of Column's cells, from its ButtonStyle and its field; a
// column without a field is plain. While the grid is designed a lookup column
// shows its list even when its key fields cannot be written.
TColumnEditStyleKv GetColumnEditStyle(TColumnKv* Column);
// The index of the first line of Strings equal to Text ignoring case, or
// with loPartialKey the first that starts with Text ignoring case; -1 when
// none does. Only loPartialKey is looked at.
kvp::Integer LocateStringsText(kvp::TStrings* Strings, const kvp::String& Text,
                               kvp::TLocateOptions Options);

// ---------------------------------------------------------------------------
// TDBGridInplaceEdit: the editor the data-aware grid lays over its current
// data cell. Each load (UpdateContents) takes from the grid and the current
// column the edit style, font, colour, text, mask, length limit, read-only
// state and image; each placement (BoundsChanged) lays out the row of edit
// buttons at its edge (the main button innermost, then the column's
// EditButtons) and the text rectangle beside them and the image. It paints
// the image, the tree area and the underline of an empty required field
// over its text. The drop-downs are made on first use and kept.
//
// Load contract (the base grid's UpdateEdit): UpdateContents -> the grid
// reads the text back -> SelectAll -> UpdateLoc -> BoundsChanged. Every
// change of the text: EN_CHANGE -> the grid's pending text -> TextChanged ->
// (after the edit window's handling) the most-recently-used list follows.
// Keys: WndProc gives an open drop-down or most-recently-used list its keys
// first -> KeyDown (list cells, shortcuts, keys handed to the grid) ->
// KeyPress -> AutoCompleteText (a list cell's typing). Drop-downs: DropDown
// -> the user browses (the pending text stays) -> CloseUp(Accept), called
// by the keys, the list's click, the popup itself or a loss of focus.
class TDBGridInplaceEdit : public TInplaceEdit, public IPopupOwnerKv {
  KV_CLASS(TDBGridInplaceEdit, TInplaceEdit)
 public:
  explicit TDBGridInplaceEdit(kvp::TComponent* AOwner) : TInplaceEdit(AOwner) {}

  TCustomDBGridKv* GetGrid() const;
  // The grid's current column; null without columns or off them.
  TColumnKv* GetColumn() const;
  TColumnEditStyleKv GetEditStyle() const { return FEditStyle; }
  // Makes the style's drop-down (once) and the active list; the editor takes
  // the column's read-only state.
  void SetEditStyle(TColumnEditStyleKv Value);
  bool GetWordWrap() const { return FWordWrap; }
  // A multi-line window without horizontal scrolling; the window is made
  // again when the value changes.
  void SetWordWrap(bool Value);
  // The pixels the buttons and their separators take at the editor's edge.
  kvp::Integer GetButtonWidth() const { return FButtonWidth; }
  // The image of the current value in the column's ImageList; -1 none.
  kvp::Integer GetImageIndex() const { return FImageIndex; }
  // The drop-down of the current style, or null.
  kvp::TWinControl* GetActiveList() const { return FActiveList; }
  bool GetListVisible() const { return FListVisible; }
  bool GetDroppedDown() const { return FDroppedDown; }
  kvp::TDataSource* GetDataSource() const { return FDataSource; }
  TPopupDataGridKv* GetDataList() const { return FDataList; }
  TPopupListboxKv* GetPickList() const { return FPickList; }
  TPopupMonthCalendarKv* GetCalendar() const { return FCalendar; }
  TPopupCalculatorKv* GetCalculator() const { return FCalculator; }
  TMRUListboxKv* GetMRUListBox() const { return FMRUListBox; }
  // The current column's most-recently-used list, as the last load found it;
  // null once the editor's cell has no column that holds it.
  TMRUListKv* GetMRUList() const;
  // The button row: pair 0 is the main button, pair i the control of the
  // column's EditButtons item i - 1.
  kvp::Integer GetEditButtonCount() const { return kvp::Integer(FEditButtonControls.size()); }
  TEditButtonControlKv* GetEditButtonControl(kvp::Integer Index) const {
    return FEditButtonControls.at(std::size_t(Index)).Button;
  }
  kvp::TShape* GetEditButtonSeparator(kvp::Integer Index) const {
    return FEditButtonControls.at(std::size_t(Index)).Separator;
  }

  // Lays the buttons out along the edge and gives the edit window its text
  // rectangle.
  void BoundsChanged() override;
  // Takes style, font, colours, text, mask, limit and image of the current
  // cell from the grid and the column.
  void UpdateContents() override;

  // In slot order.
  // The image of the editor's text (a pick-list line) or of the field's
  // number; repaints when it changed.
  virtual void UpdateImageIndex();
  virtual TEditButtonControlKv* CreateEditButtonControl();
  // The calculator, made on first use.
  virtual TPopupCalculatorKv* GetPopupCalculator();
  virtual void ButtonDown(bool Down);
  // The rectangle of the text in client coordinates: inside the margins,
  // beside the buttons, the image and the tree area.
  virtual kvp::TRect CalcEditRect();
  virtual void EditButtonClick(kvp::TObject* Sender);
  virtual void EditButtonDown(kvp::TObject* Sender, bool TopButton, bool& AutoRepeat,
                              bool& Handled);
  virtual void EditButtonMouseMove(kvp::TObject* Sender, kvp::TShiftState Shift, kvp::Integer X,
                                   kvp::Integer Y);
  virtual void EditButtonMouseUp(kvp::TObject* Sender, kvp::TMouseButton Button,
                                 kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y);
  // The red dotted line under the text of an empty required field.
  virtual void DrawRequiredState(kvp::TCanvas* ACanvas);
  // The editor window reported a change of its text.
  virtual void TextChanged();

  // Completes the typed characters Text from the cell's list (lookup, key
  // or pick list): the list's entry shows with its untyped tail selected.
  // Text comes back empty when the characters were used up here and must not
  // reach the edit window.
  virtual void AutoCompleteText(kvp::String& Text);
  // Most-recently-used entries that start with the editor's text: a test
  // descendants may use; the list's own filter applies otherwise.
  virtual void FilterMRUItem(const kvp::String& Item, bool& Accept);
  // The user sized the most-recently-used list box: the list keeps its rows
  // and width.
  virtual void MRUListResized(kvp::TObject* Sender);
  virtual TMRUListboxKv* CreateMRUListBox();

  // -- Drop-downs (DBGridKvInplaceEditDropDowns.cpp) --
  // Opens the drop-down of the current style next to the editor; nothing
  // when one shows already or the style has none.
  void DropDown();
  // Closes the drop-down; with Accept its value becomes the cell's. Refused,
  // the editor shows the cell's pending text again.
  void CloseUp(bool Accept) override;
  void ListMouseUp(kvp::TObject* Sender, kvp::TMouseButton Button, kvp::TShiftState Shift,
                   kvp::Integer X, kvp::Integer Y);
  void DataListCloseUp(kvp::TObject* Sender, bool Accept);
  void DataListColumnMoved(kvp::TObject* Sender, kvp::Integer FromIndex, kvp::Integer ToIndex);
  // The up-down step: the number by the column's Increment, or the next
  // (Down) or previous entry of the column's list.
  void StepFieldValue(bool Down);
  // The last press of the main button opened the drop-down.
  bool GetDropDownByButton() const { return FDropDownByButton; }

  // -- Keys and the most-recently-used list (DBGridKvInplaceEditKeys.cpp) --
  // Enter and Escape close an open drop-down, Alt+Up/Down and Ctrl+Enter
  // open or close it; a key used here comes back as 0.
  void DoDropDownKeys(kvp::Word& Key, kvp::TShiftState Shift);
  // The typed character through AutoCompleteText; 0 when it was used up.
  void ProcessTypedChar(kvp::Char& Key);
  // The pending text (and a lookup cell's key) follow the editor's text.
  void UpdateGridEditValue();
  // The text without its selected part.
  kvp::String GetTextWithoutSelection();
  // Shows the entries of the most-recently-used list that start with the
  // text under it; closes it when none does.
  void DropDownMRUList();
  void CloseMRUList(kvp::TObject* List, bool Accept);
  void MRUListMouseUp(kvp::TObject* Sender, kvp::TMouseButton Button, kvp::TShiftState Shift,
                      kvp::Integer X, kvp::Integer Y);
  // The list box shows the current column's most-recently-used list.
  bool MRUListDroppedDown() const;
  // Set by TextChanged, consumed by the next default message handling.
  bool GetTextChanged() const { return FTextChanged; }

 protected:
  void Construct() override;
  void Destroy() override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void PaintWindow(kvp::HDC DC) override;
  void DefaultHandler(kvp::TMessage& Message) override;
  void WndProc(kvp::TMessage& Message) override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyPress(kvp::Char& Key) override;
  void KeyUp(kvp::Word& Key, kvp::TShiftState Shift) override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;
  bool DoMouseWheel(kvp::TShiftState Shift, kvp::Integer WheelDelta,
                    kvp::TPoint MousePos) override;

  // The text rectangle taken across the editor's full height: the edit's own
  // ground, where its cursor shows and its clicks count.
  kvp::TRect TextArea();
  // The column shows an image beside its text.
  bool ShowsImage(TColumnKv* Column) const;
  // The grid shows its dataset as a tree and Column is its first visible one.
  bool InTreeArea(TColumnKv* Column) const;
  kvp::Integer TreeIndent() const;

  void WMSetCursor(kvp::TMessage& Message);
  void WMKillFocus(kvp::TWMKillFocus& Message);
  void WMSetFocus(kvp::TMessage& Message);
  void WMPaste(kvp::TMessage& Message);
  void CMCancelMode(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_SETCURSOR, WMSetCursor)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(kvp::WM_SETFOCUS, WMSetFocus)
  KV_MESSAGE(kvp::WM_PASTE, WMPaste)
  KV_MESSAGE(kvp::CM_CANCELMODE, CMCancelMode)
  KV_END_MESSAGE_MAP

  // Keys for an open drop-down or most-recently-used list: true when the
  // message was used up there.
  bool RouteListKey(kvp::TMessage& Message);
  // The main button's control, once the buttons were laid out.
  TEditButtonControlKv* MainButton() const;
  // Shows Text while the user browses an open list; the cell's pending text
  // stays what it was before the list opened.
  void ShowBrowsedText(const kvp::String& Text);
  // Sets the text and selects what follows its first Typed characters.
  void ShowCompleted(const kvp::String& Text, kvp::Integer Typed);
  // The list cell's Delete and Backspace.
  void DeleteInListCell(kvp::Word& Key);
  void BackspaceInListCell(kvp::Word& Key);
  // The list's entry of a pick-list or lookup cell after a change of text.
  void FollowList();
  // Hands a key to the grid's own key handling; the key is used up.
  void HandKeyToGrid(kvp::Word& Key, kvp::TShiftState Shift);
  // After a change of the text: the most-recently-used list follows it.
  void UpdateMRUDropDown();

  // One pair of the button row.
  struct TEditButtonPair {
    kvp::TShape* Separator = nullptr;       // owned by the editor
    TEditButtonControlKv* Button = nullptr;  // owned by the editor; Tag: the pair's index
  };

  kvp::TControlCanvas* FCanvas = nullptr;  // owned; the editor's own painting
  kvp::TWinControl* FActiveList = nullptr;  // the drop-down of the current style, or null
  kvp::Integer FButtonWidth = 0;  // pixels of the buttons and separators together
  kvp::String FTypedText;         // the character being typed
  TPopupDataGridKv* FDataList = nullptr;  // the column's, not owned; its freeing is heard
  bool FDroppedDown = false;  // a drop-down opened and not closed (the main button shows pressed)
  std::vector<TEditButtonPair> FEditButtonControls;
  TColumnEditStyleKv FEditStyle = cesPlainKv;
  bool FDataListColumnsMoved = false;  // the user moved a column of the open data list
  bool FListVisible = false;           // a drop-down shows
  kvp::TDataSource* FDataSource = nullptr;  // owned; the data list reads its dataset through it
  TMRUListKv* FMRUList = nullptr;           // the current column's; not owned, checked before use
  TMRUListboxKv* FMRUListBox = nullptr;     // owned; made on first use
  bool FDropDownByButton = false;  // the last press of the main button opened the drop-down
  TPopupListboxKv* FPickList = nullptr;         // owned; made on first use
  TPopupCalculatorKv* FCalculator = nullptr;    // owned; made on first use
  TPopupMonthCalendarKv* FCalendar = nullptr;   // owned; made on first use
  bool FTextChanged = false;  // the text changed since the typing last looked
  bool FTextFromList = false;  // a list is setting the text: no typing of the user's
  bool FWordWrap = false;
  kvp::Integer FImageIndex = -1;

 private:
  TColumnEditStyleKv EditorStyleOf(TColumnKv* Column) const;
};

}  // namespace korvel
