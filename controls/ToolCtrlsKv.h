// ToolCtrlsKv: the toolkit that the edit controls and the grid share. It draws
// the small button faces that sit inside edit boxes and grid cells (drop-down
// arrow, ellipsis, up-down pair, plus, minus, check box) from a cache of
// bitmaps; describes edit buttons (TEditButtonKv and its collection) and the
// painted control that shows one of them; and offers the free drawing routines
// for check boxes in cells, centred images and tree lines, with a deep variant
// comparison and the double-click test.
//
// Unit start-up reads the system check-box size and the default edit-button
// width once; the button-face cache lives from start-up to shut-down.
#pragma once

#include <vector>

#include "platform/classes/Actions.h"
#include "platform/classes/Alignment.h"
#include "platform/classes/Collection.h"
#include "platform/classes/Interfaces.h"
#include "platform/classes/Lists.h"
#include "platform/controls/Buttons.h"
#include "platform/controls/ComCtrls.h"
#include "platform/controls/Menus.h"
#include "platform/controls/StdCtrls.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/MemTableIntf.h"
#include "platform/graphics/ImageList.h"
#include "platform/rtl/Variants.h"
#include "platform/win/Timer.h"

namespace korvel {

// [SECTION] Toolkit drawing and utility routines

// The check-box size read at start-up from the system's check-box strip (four
// boxes across, three rows down).
kvp::Integer DefaultCheckBoxWidth();
kvp::Integer DefaultCheckBoxHeight();

// Whether a second click at Pt2, Elapsed milliseconds after one at Pt1, makes
// a double click: within the double-click time and no farther apart than the
// double-click rectangle's width and height on either axis.
bool IsDoubleClick(kvp::TPoint Pt1, kvp::TPoint Pt2, kvp::Cardinal Elapsed);

// The rectangle of a check box (at most the cell's size) inside Cell: placed
// by the horizontal alignment and the vertical layout where the cell has room.
kvp::TRect CheckBoxRectInCell(const kvp::TRect& Cell, kvp::TAlignment Alignment,
                              kvp::TTextLayout Layout);

// Draws image ImageIndex of Images centred in Rect, clipped to Rect when it
// sticks out; Selected blends it half with the highlight colour. An image
// list without a handle draws nothing.
void DrawImageCentered(kvp::HDC DC, const kvp::TRect& Rect, kvp::TCustomImageList* Images,
                       bool Selected, kvp::Integer ImageIndex);

// The parts of a tree drawn in one cell.
enum TTreeElementKv {
  tehMinusUpDown,  // minus box, lines above and below
  tehMinusUp,      // minus box, line above (the last node)
  tehMinusDown,    // minus box, line below (the first node)
  tehPlusUpDown,   // plus box, lines above and below
  tehPlusUp,       // plus box, line above
  tehPlusDown,     // plus box, line below
  tehCrossUpDown,  // vertical line through the cell, branch to the right
  tehCrossUp,      // vertical line down to the centre, branch to the right
  tehCrossDown,    // vertical line from the centre down, branch to the right
  tehVLine,        // vertical line through the cell
};

// Draws one tree element in Cell on Canvas. The box is 9 x 9 pixels at scale 1
// round the cell's centre (ShiftLeft moves it one pixel left); connector lines
// are dotted, with dots where x + y is even (odd with DotPhase) so that cells
// drawn with the same phase line their dots up. Horizontal lines always use
// phase 0. The canvas keeps the pen and brush the drawing left.
void DrawTreeElement(kvp::TCanvas* Canvas, const kvp::TRect& Cell, TTreeElementKv Kind,
                     bool ShiftLeft, double ScaleY, double ScaleX, bool DotPhase);

// A dotted line of Length pixels from (X, Y), across or down; DotPhase as for
// DrawTreeElement. A length of 0 or less draws nothing.
void DrawDottedLine(kvp::TCanvas* Canvas, kvp::Integer X, kvp::Integer Y, kvp::Integer Length,
                    bool Horizontal, bool DotPhase);

// Deep equality of two key values: arrays element by element along the first
// dimension, Empty equal only to Empty, Null equal to Null. Values that cannot
// be compared, and arrays of different shape, are unequal; two empty arrays
// are unequal.
bool VarEquals(const kvp::Variant& V1, const kvp::Variant& V2);

// [SECTION] Button-face painter

// The faces the painter draws.
enum TDrawButtonControlStyleKv {
  bcsDropDownKv,  // a combo box's arrow
  bcsEllipsisKv,  // three dots
  bcsUpDownKv,    // two halves, arrows up and down
  bcsCheckBoxKv,  // a check box (not an edit-button style)
  bcsPlusKv,
  bcsMinusKv,
};

// How a face is pressed: not at all, the whole face (or the top half of an
// up-down pair), or the bottom half.
enum TButtonDownStateKv { bdsUpKv = 0, bdsDownKv = 1, bdsBottomDownKv = 2 };

// Paints one face into ARect of DC. ParentColor fills what the face leaves
// (the frame of a flat face, the line between up-down halves); CheckState is
// read for check boxes only. Faces come from the cache: each distinct size
// and state is drawn once and copied afterwards.
void PaintButtonControl(kvp::HDC DC, kvp::TRect ARect, kvp::TColor ParentColor,
                        kvp::TCheckBoxState CheckState, bool Enabled, bool Active, bool Flat,
                        TButtonDownStateKv DownState, TDrawButtonControlStyleKv Style);

// The key of one cached face. Two keys are equal when all members are.
struct TButtonBitmapInfoKv {
  kvp::Integer Width = 0;   // pixels; never negative
  kvp::Integer Height = 0;  // pixels; never negative
  TDrawButtonControlStyleKv Style = bcsDropDownKv;
  bool Flat = false;
  bool Pressed = false;
  bool Active = false;  // the mouse is over the button or its control is focused
  bool Enabled = true;
  bool BottomButton = false;                          // the bottom half of an up-down pair
  kvp::TCheckBoxState CheckState = kvp::cbUnchecked;  // check boxes only
  bool operator==(const TButtonBitmapInfoKv&) const = default;
};

// TButtonBitmapInfoBitmapKv: one cache entry, a key and the face drawn for it.
class TButtonBitmapInfoBitmapKv : public kvp::TObject {
  KV_CLASS(TButtonBitmapInfoBitmapKv, kvp::TObject)
 public:
  TButtonBitmapInfoKv BitmapInfo;
  kvp::TBitmap* Bitmap = nullptr;  // freed by the cache's Clear
};

// TButtonsBitmapCache: the faces drawn so far, searched in insertion order.
// It only grows; Clear frees every entry and its bitmap.
class TButtonsBitmapCache : public kvp::TObjectList {
  KV_CLASS(TButtonsBitmapCache, kvp::TObjectList)
 public:
  TButtonsBitmapCache() : kvp::TObjectList(false) {}
  // The face for Info, drawn now when the cache does not hold it yet.
  kvp::TBitmap* GetButtonBitmap(const TButtonBitmapInfoKv& Info);
  void Clear() override;

 protected:
  void Destroy() override;
};

// The unit's cache (tests count its entries).
TButtonsBitmapCache* ButtonsBitmapCache();
// Empties the cache; owners call it when the system colours change.
void ClearButtonsBitmapCache();

// The default edit-button width, worked out once at start-up from the screen
// font's text height and the vertical scroll bar's width.
kvp::Integer DefaultEditButtonWidth();
// The rule behind it: two thirds of the text height, rounded (half to even),
// made odd, at most the scroll bar's width.
kvp::Integer CalcEditButtonWidth(kvp::Integer TextHeight, kvp::Integer ScrollBarWidth);
// Width x 3 / 2 rounded (half to even) when Scaled, else Width.
kvp::Integer ScaledButtonWidth(kvp::Integer Width, bool Scaled);

// [SECTION] Popup protocol, drop-down placement and size grip
//
// Every drop-down window (list box, most-recently-used list, month calendar,
// calculator, the grid's drop-down data grid) is a top-level tool window that
// its owning edit control shows next to itself (SetWindowPos with
// SWP_SHOWPOPUPKV at the point AlignDropDownWindow gives) and hides again
// (SWP_HIDEPOPUPKV), while the owner keeps the keyboard focus. The calendar
// and the calculator ask to be closed by calling their owner's CloseUp; the
// owner hides the window and, on Accept, takes the value.

// Posted by a popup to itself when the focus leaves it: close up, refusing.
inline constexpr kvp::UINT WM_POPUPCLOSEUPKV = kvp::WM_USER + 101;
// Sent by the placement to a drop-down window: the side (TSizeGripSideKv, in
// wParam) its size grip must move to. Not WM_USER + 100, which the data-aware
// grid keeps for its deferred layout.
inline constexpr kvp::UINT WM_SIZEGRIPSIDEKV = kvp::WM_USER + 103;

// How owners show and hide a drop-down window.
inline constexpr kvp::UINT SWP_SHOWPOPUPKV =
    kvp::SWP_NOSIZE | kvp::SWP_NOACTIVATE | kvp::SWP_SHOWWINDOW;  // 81
inline constexpr kvp::UINT SWP_HIDEPOPUPKV = kvp::SWP_HIDEWINDOW | kvp::SWP_NOSIZE |
                                             kvp::SWP_NOMOVE | kvp::SWP_NOZORDER |
                                             kvp::SWP_NOACTIVATE;  // 151

// IPopupOwnerKv: what a popup's owner offers it: one operation that closes
// the popup, taking its value when Accept is true.
struct IPopupOwnerKv : virtual kvp::IInterface {
  KV_INTERFACE(IPopupOwnerKv, "{B64255B5-386A-4524-8BC7-7F49DDB410F4}")
  virtual void CloseUp(bool Accept) = 0;
};

// The close-up interface of the popup's owner (the component that created
// it), asked afresh each time; null when the owner offers none.
IPopupOwnerKv* PopupOwnerOf(kvp::TComponent* Popup);

// A sizable drop-down's WM_WINDOWPOSCHANGING: no size below a scroll bar's
// width and an arrow's height while the window moves or sizes (not while it
// is read or destroyed).
void KeepDropDownMinimumSize(kvp::TWinControl* DropDown, kvp::TMessage& Message);

// The side of a drop-down window away from its owner, as placement reports it.
enum TSizeGripSideKv { sgsLeftKv, sgsRightKv, sgsTopKv, sgsBottomKv };
// The corner a size grip stands in.
enum TSizeGripPositionKv { sgpTopLeftKv, sgpTopRightKv, sgpBottomRightKv, sgpBottomLeftKv };

// Places DropDownWin next to MasterAbsRect (screen coordinates) on the work
// area of the nearest monitor: below when it fits, else above when it fits,
// else on the roomier side with its height cut to the room; left-aligned,
// right-aligned or centred, then kept inside the work area (narrowed when
// wider). Tells the window (WM_SIZEGRIPSIDEKV, vertical side first) where its
// grip belongs and answers its top-left corner.
kvp::TPoint AlignDropDownWindowRect(const kvp::TRect& MasterAbsRect, kvp::TWinControl* DropDownWin,
                                    kvp::TAlignment Align);
// The same next to MasterWin's bounds.
kvp::TPoint AlignDropDownWindow(kvp::TWinControl* MasterWin, kvp::TWinControl* DropDownWin,
                                kvp::TAlignment Align);

// TSizeGripKv: the triangular grip in a corner of a drop-down window. It
// stays in its corner of the parent, and dragging it resizes the parent from
// that corner within the work area of the parent's monitor.
//
// Mouse: MouseDown (start point and sizes) -> MouseMove with the left button
// (resize, OnParentResized, back to the corner) -> MouseUp.
class TSizeGripKv : public kvp::TCustomControl {
  KV_CLASS(TSizeGripKv, kvp::TCustomControl)
 public:
  explicit TSizeGripKv(kvp::TComponent* AOwner) : kvp::TCustomControl(AOwner) {}

  TSizeGripPositionKv GetPosition() const { return FPosition; }
  // A new corner makes the window again (its shape changes).
  void SetPosition(TSizeGripPositionKv Value);
  bool GetTriangleWindow() const { return FTriangleWindow; }
  void SetTriangleWindow(bool Value);
  // Moves the grip to the corner away from the owner, as WM_SIZEGRIPSIDEKV
  // asks: left or right keeps the vertical half, top or bottom the
  // horizontal one.
  void ChangePosition(TSizeGripSideKv Side);
  // Puts the grip into its corner of the parent's client area.
  void UpdatePosition();
  // Shows or hides the window alone, leaving the parent's state as it is.
  void SetVisible(bool Value);

  kvp::TNotifyEvent OnParentResized;

 protected:
  void Construct() override;
  void CreateWnd() override;
  void Paint() override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  // Cuts the window to the triangle of its corner (or gives it its rectangle
  // back), then moves it and sets the cursor of its corner.
  void UpdateWindowRegion();
  void WMMove(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_MOVE, WMMove)
  KV_END_MESSAGE_MAP

  kvp::TPoint FInitScreenMousePos;      // screen point of the last press
  bool FInternalMove = false;           // the grip is moving itself
  kvp::TPoint FOldMouseMovePos;         // screen point last handled while dragging
  kvp::Integer FParentClientWidth = 0;  // the parent's client size at the press
  kvp::Integer FParentClientHeight = 0;
  kvp::TRect FParentRect;  // the parent's bounds at the press, in its own coordinates
  TSizeGripPositionKv FPosition = sgpBottomRightKv;
  bool FTriangleWindow = true;
};

// TPopupMonthCalendarKv: the month calendar as a drop-down of date editors.
// Enter, a click on a date (or the week numbers, the month name, the today
// link) close it accepting; Escape, a press outside it and the loss of the
// focus close it refusing; its Date is the value.
class TPopupMonthCalendarKv : public kvp::TMonthCalendar {
  KV_CLASS(TPopupMonthCalendarKv, kvp::TMonthCalendar)
 public:
  explicit TPopupMonthCalendarKv(kvp::TComponent* AOwner) : kvp::TMonthCalendar(AOwner) {}

  kvp::Integer GetBorderWidth() const { return FBorderWidth; }
  // Asks for a close-up once the current message is done.
  void PostCloseUp(bool Accept);

 protected:
  void Construct() override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void CreateWnd() override;
  bool CanAutoSize(kvp::Integer& NewWidth, kvp::Integer& NewHeight) override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  void CloseUp(bool Accept);

  void WMNCCalcSize(kvp::TMessage& Message);
  void WMNCPaint(kvp::TMessage& Message);
  void WMGetDlgCode(kvp::TMessage& Message);
  void WMKillFocus(kvp::TWMKillFocus& Message);
  void WMPopupCloseUp(kvp::TMessage& Message);
  void CMWantSpecialKey(kvp::TWMKey& Message);
  void CMCtl3DChanged(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_NCCALCSIZE, WMNCCalcSize)
  KV_MESSAGE(kvp::WM_NCPAINT, WMNCPaint)
  KV_MESSAGE(kvp::WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(WM_POPUPCLOSEUPKV, WMPopupCloseUp)
  KV_MESSAGE(kvp::CM_WANTSPECIALKEY, CMWantSpecialKey)
  KV_MESSAGE(kvp::CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_END_MESSAGE_MAP

  kvp::Integer FBorderWidth = 2;  // 2 with Ctl3D, else 0
};

// [SECTION] Popup list box and most-recently-used list

using TListGetImageIndexEventKv =
    kvp::TDelegate<void(kvp::TObject* Sender, kvp::Integer ItemIndex, kvp::Integer& ImageIndex)>;

// TPopupListboxKv: the drop-down list of combo boxes and pick-list columns: a
// topmost tool window that never takes the focus (its owner passes keys on to
// it) but draws its selection as focused, snaps its height to whole rows,
// follows the mouse, selects items by a typed prefix, shows an image before
// each item when Images is set, and carries a size grip. With an items source
// it is virtual and takes its texts from there.
class TPopupListboxKv : public kvp::TCustomListBox {
  KV_CLASS(TPopupListboxKv, kvp::TCustomListBox)
 public:
  explicit TPopupListboxKv(kvp::TComponent* AOwner) : kvp::TCustomListBox(AOwner) {}

  // The incremental search forgets its text after this much silence.
  static constexpr kvp::Cardinal SearchTimeOut = 2000;  // milliseconds
  static constexpr kvp::Integer MaxSearchLength = 32;   // characters kept

  kvp::TCustomImageList* GetImages() const { return FImages; }
  void SetImages(kvp::TCustomImageList* Value);
  // Whole rows the current height shows.
  kvp::Integer GetRowCount() const { return FRowCount; }
  // Sizes the window to Rows rows (at least one).
  void SetRowCount(kvp::Integer Rows);
  // The font's text height (tmHeight).
  kvp::Integer GetTextHeight();
  kvp::TStrings* GetItemsSource() const { return FItemsSource; }
  void SetItemsSource(kvp::TStrings* Value);
  TSizeGripKv* GetSizeGrip() const { return FSizeGrip; }
  // Set by every change of the window's size; owners reset it to keep a size
  // the user chose.
  bool GetSizeGripResized() const { return FSizeGripResized; }
  void SetSizeGripResized(bool Value) { FSizeGripResized = Value; }
  const kvp::String& GetSearchText() const { return FSearchText; }
  // The height of the frame: what AdjustWindowRectEx adds for the window's
  // styles, and the own border on both sides.
  kvp::Integer GetBorderSize();
  kvp::Integer GetBorderWidth() const { return FBorderWidth; }

  bool CanFocus() override { return false; }
  // Every change of the bounds snaps the height to whole rows.
  void SetBounds(kvp::Integer ALeft, kvp::Integer ATop, kvp::Integer AWidth,
                 kvp::Integer AHeight) override;

  TListGetImageIndexEventKv OnGetImageIndex;

 protected:
  void Construct() override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void CreateWnd() override;
  void DrawItem(kvp::Integer Index, kvp::TRect Rect, kvp::TOwnerDrawState State) override;
  void KeyPress(kvp::Char& Key) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  // Paints the frame: a raised outer and a raised inner edge with Ctl3D.
  virtual void DrawBorder();
  // The text of item Index in virtual mode: the items source's string.
  virtual void GetItemText(kvp::TWinControl* Control, kvp::Integer Index, kvp::String& Data);

  void CNDrawItem(kvp::TMessage& Message);
  void WMNCCalcSize(kvp::TMessage& Message);
  void WMNCPaint(kvp::TMessage& Message);
  void WMSize(kvp::TWMSize& Message);
  void WMWindowPosChanging(kvp::TMessage& Message);
  void WMSizeGripSide(kvp::TMessage& Message);
  void CMCtl3DChanged(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::CN_DRAWITEM, CNDrawItem)
  KV_MESSAGE(kvp::WM_NCCALCSIZE, WMNCCalcSize)
  KV_MESSAGE(kvp::WM_NCPAINT, WMNCPaint)
  KV_MESSAGE(kvp::WM_SIZE, WMSize)
  KV_MESSAGE(kvp::WM_WINDOWPOSCHANGING, WMWindowPosChanging)
  KV_MESSAGE(WM_SIZEGRIPSIDEKV, WMSizeGripSide)
  KV_MESSAGE(kvp::CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_END_MESSAGE_MAP

  kvp::Integer FBorderWidth = 2;             // 2 with Ctl3D, else 0
  kvp::TCustomImageList* FImages = nullptr;  // not owned
  kvp::TPoint FLastMousePoint{-1, -1};       // last client point the mouse was seen at
  kvp::Integer FRowCount = 1;                // whole rows the height shows
  kvp::String FSearchText;                   // the incremental-search prefix
  kvp::Cardinal FSearchTime = 0;             // tick count of the last typed character
  TSizeGripKv* FSizeGrip = nullptr;          // owned child, triangle on
  bool FSizeGripResized = false;             // the size changed since the owner last looked
  kvp::TStrings* FItemsSource = nullptr;     // virtual mode's texts; not owned
};

// TMRUListboxKv: the drop-down of a most-recently-used list: a popup list
// box with a scroll bar of its own beside the grip, shown only while there
// are more entries than rows.
class TMRUListboxKv : public TPopupListboxKv {
  KV_CLASS(TMRUListboxKv, TPopupListboxKv)
 public:
  explicit TMRUListboxKv(kvp::TComponent* AOwner) : TPopupListboxKv(AOwner) {}

  kvp::TScrollBar* GetScrollBar() const { return FScrollBar; }
  // Shows the scroll bar (range, position, page) when the entries do not all
  // fit, hides it otherwise, and gives the grip its triangle unless the bar
  // stands beside it.
  void UpdateScrollBar();

 protected:
  void Construct() override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void CreateWnd() override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  void WndProc(kvp::TMessage& Message) override;
  // Puts the scroll bar at the right edge, beside the grip.
  void PlaceScrollBar();
  // The scroll bar's messages: its scrolling goes to the list, and a move the
  // list did not make puts it back.
  void ScrollBarWindowProc(kvp::TMessage& Message);

  kvp::TScrollBar* FScrollBar = nullptr;  // owned child, vertical, no tab stop
  bool FPlacing = false;                  // the list is moving its scroll bar
  kvp::TWndMethod FScrollBarDefProc;      // the scroll bar's own WindowProc
};

using TMRUCloseUpEventKv = kvp::TDelegate<void(kvp::TObject* Sender, bool Accept)>;
using TMRUFilterItemEventKv = kvp::TDelegate<void(kvp::TObject* Sender, bool& Accept)>;

// TMRUListKv: the texts recently entered in an edit box or a grid column,
// oldest first and newest last, kept to Limit entries and stored with its
// owner. The owner drops a list box down with the entries that start with
// the typed text (FilterItemsTo).
class TMRUListKv : public kvp::TPersistent {
  KV_CLASS(TMRUListKv, kvp::TPersistent)
 public:
  explicit TMRUListKv(kvp::TPersistent* AOwner) : FOwner(AOwner) {}

  void Assign(kvp::TPersistent* Source) override;
  kvp::TPersistent* GetOwner() override { return FOwner; }

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  bool GetAutoAdd() const { return FAutoAdd; }
  void SetAutoAdd(bool Value) { FAutoAdd = Value; }
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
  kvp::TStrings* GetItems() const { return FItems.get(); }
  void SetItems(kvp::TStrings* Value);
  kvp::Integer GetLimit() const { return FLimit; }
  // Keeps the newest Value entries; a negative limit counts as 0.
  void SetLimit(kvp::Integer Value);
  kvp::Integer GetRows() const { return FRows; }
  void SetRows(kvp::Integer Value) { FRows = Value; }
  bool GetCancelIfKeyInQueue() const { return FCancelIfKeyInQueue; }
  void SetCancelIfKeyInQueue(bool Value) { FCancelIfKeyInQueue = Value; }

  // Makes Text the newest entry: an entry equal to it (as CaseSensitive says)
  // moves to the end with its own letters, else Text is appended with its
  // blanks and the oldest entries beyond Limit go. Blank text adds nothing.
  void Add(const kvp::String& Text);
  // Fills Destination with the entries that start with Text, oldest first
  // (OnFilterItem may change each answer). A key press waiting in the queue
  // stops the pass (checked before every hundredth entry, the first too) and
  // the answer is then false.
  bool FilterItemsTo(kvp::TStrings* Destination, const kvp::String& Text);
  virtual void CloseUp(bool Accept);
  virtual void DropDown();

  kvp::Integer Width = 0;    // the list box's width the user last chose; not stored
  bool DroppedDown = false;  // the owner's list box shows this list

  kvp::TNotifyEvent OnActiveChanged;
  TMRUFilterItemEventKv OnFilterItem;
  TMRUCloseUpEventKv OnSetCloseUp;
  kvp::TNotifyEvent OnSetDropDown;

  KV_PUBLISHED;

 protected:
  void Construct() override;

 private:
  bool FActive = false;
  bool FAutoAdd = true;  // the owner adds the edited text when a value is posted
  bool FCaseSensitive = false;
  kvp::TObjectPtr<kvp::TStringList> FItems;  // oldest first
  kvp::Integer FLimit = 100;
  kvp::TPersistent* FOwner = nullptr;  // the edit box or column
  kvp::Integer FRows = 7;              // rows the drop-down shows
  bool FCancelIfKeyInQueue = true;
};

// [SECTION] Special row, field lists, field value list and small data links

// TSpecRowKv: the extra first row that lookup lists and lookup columns can
// show (an empty choice with its own value, say): its cells, colour, font,
// value and shortcut. Colour and font follow the owner control until they are
// set. Every change ends in OnChange unless an update is in progress.
class TSpecRowKv : public kvp::TPersistent {
  KV_CLASS(TSpecRowKv, kvp::TPersistent)
 public:
  explicit TSpecRowKv(kvp::TPersistent* AOwner) : FOwner(AOwner) {}

  static constexpr kvp::TShortCut AltDelShortCut = 32814;  // Alt+Del

  void Assign(kvp::TPersistent* Source) override;
  kvp::TPersistent* GetOwner() override { return FOwner; }

  const kvp::String& GetCellsText() const { return FCellsText; }
  // The cells, separated by ';', each possibly in double quotes.
  void SetCellsText(const kvp::String& Value);
  // The cell at Index, or "" outside the cells.
  kvp::String CellText(kvp::Integer Index) const;
  kvp::Integer GetCellCount() const { return FCells->GetCount(); }
  // The own colour once set, else the owner control's colour.
  kvp::TColor GetColor() const;
  void SetColor(kvp::TColor Value);
  // The own font once changed, else a copy of the owner control's font.
  kvp::TFont* GetFont();
  void SetFont(kvp::TFont* Value);
  kvp::TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(kvp::TShortCut Value) { FShortCut = Value; }
  bool GetShowIfNotInKeyList() const { return FShowIfNotInKeyList; }
  void SetShowIfNotInKeyList(bool Value);
  const kvp::Variant& GetValue() const { return FValue; }
  void SetValue(const kvp::Variant& Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  bool Selected = false;  // the row stands for the current choice (the lookup grid's)
  kvp::TNotifyEvent OnChange;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;
  // Calls OnChange unless an update is in progress.
  virtual void Changed();
  bool IsColorStored() const { return FColorAssigned; }
  bool IsFontStored() const { return FFontAssigned; }
  bool IsValueStored() const { return !kvp::VarIsNull(FValue); }

 private:
  void FontChanged(kvp::TObject* Sender);
  void SplitCells();
  kvp::TControl* OwnerControl() const { return kvp::DynCast<kvp::TControl>(FOwner); }

  kvp::TObjectPtr<kvp::TStringList> FCells;  // CellsText split into cells
  kvp::String FCellsText;
  kvp::TColor FColor = kvp::clWindow;
  kvp::TObjectPtr<kvp::TFont> FFont;
  kvp::TPersistent* FOwner = nullptr;  // the control or column that shows the row
  kvp::TShortCut FShortCut = AltDelShortCut;
  bool FShowIfNotInKeyList = true;
  kvp::Integer FUpdateCount = 0;
  kvp::Variant FValue = kvp::Null();
  bool FVisible = false;
  bool FColorAssigned = false;
  bool FFontAssigned = false;
  bool FCopyingFont = false;  // the font takes the owner's: not a change of its own
};

using TFieldsArrKv = std::vector<kvp::TField*>;

// The fields of DataSet named in the ';'-separated FieldNames, appended to
// List when one is given. An unknown name raises EDatabaseError "Field '%s'
// not found" and an empty name "Field name missing in '<names>'", each in
// Component's name.
void GetFieldsList(kvp::TList* List, kvp::TDataSet* DataSet, kvp::TComponent* Component,
                   const kvp::String& FieldNames);
TFieldsArrKv GetFieldsArray(kvp::TDataSet* DataSet, kvp::TComponent* Component,
                            const kvp::String& FieldNames);
// Writes Value into the named fields: Null clears every one of them; one
// value goes to one field, a variant array element by element to several.
void SetDataSetFieldValues(kvp::TDataSet* DataSet, const kvp::String& FieldNames,
                           const kvp::Variant& Value);

using TDataLinkEventKv = kvp::TDelegate<void(kvp::TDataEvent Event, kvp::TDataEventInfo Info)>;

// TDataLinkKv: a data link that reports every data event to OnDataEvent,
// after the link's own handling.
class TDataLinkKv : public kvp::TDataLink {
  KV_CLASS(TDataLinkKv, kvp::TDataLink)
 public:
  TDataLinkEventKv OnDataEvent;

 protected:
  void DataEvent(kvp::TDataEvent Event, kvp::TDataEventInfo Info) override;
};

// IMemTableKv and IMemTableDataFieldValueListKv: the dataset tree and
// value-list interfaces. They are declared beside the datasets, so that a
// dataset of the platform can offer them; no class of the library does.
using kvp::IMemTableDataFieldValueListKv;
using kvp::IMemTableKv;

// TDatasetFieldValueListKv: the sorted distinct values (as text) of one field
// of a dataset, rebuilt when asked for after the data changed. Held through
// IMemTableDataFieldValueListKv: it frees itself with the last reference.
class TDatasetFieldValueListKv : public kvp::TInterfacedObject,
                                 public IMemTableDataFieldValueListKv {
  KV_CLASS(TDatasetFieldValueListKv, kvp::TInterfacedObject)
 public:
  // Builds the values first when the data changed since the last time.
  kvp::TStrings* GetValues() override;
  const kvp::String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const kvp::String& Value);
  kvp::TDataSet* GetDataSet() const { return FDataSource->GetDataSet(); }
  void SetDataSet(kvp::TDataSet* Value);
  bool GetDirty() const { return FDirty; }

 protected:
  void Construct() override;
  void Destroy() override;
  // Reads the field of every record, leaving the dataset on the record it was
  // on; a dataset that is closed or being edited keeps the list dirty.
  void RefreshValues();
  void DataSetEvent(kvp::TDataEvent Event, kvp::TDataEventInfo Info);

 private:
  kvp::TObjectPtr<kvp::TStringList> FValues;  // sorted, duplicates dropped
  bool FDirty = true;
  kvp::String FFieldName;
  kvp::TObjectPtr<TDataLinkKv> FDataLink;         // hears the dataset's events
  kvp::TObjectPtr<kvp::TDataSource> FDataSource;  // its DataSet is the list's dataset
};

// [SECTION] Bookmark list

// TBMListKv: bookmarks of a dataset kept in the dataset's own record order, so
// that whether the current record is listed is a binary search (and a repeated
// question a string comparison). A descendant supplies the dataset and hears of
// changes through the hooks; it calls LinkActive when its dataset opens or
// closes.
//
// Hooks: Clear -> SelectionChanged -> Invalidate; Delete, LinkActive and the
// destructor -> SelectionChanged. SetCurrentRowSelected changes one entry and
// calls no hook (a descendant overrides it to repaint the row).
class TBMListKv : public kvp::TObject {
  KV_CLASS(TBMListKv, kvp::TObject)
 public:
  kvp::Integer GetCount() const { return FList->GetCount(); }
  kvp::TBookmark GetItems(kvp::Integer Index) const { return FList->Get(Index); }
  // The bookmark of the dataset's current record; raises through RaiseError
  // while the list is not linked.
  kvp::TBookmark GetCurrentBookmark();
  // The dataset's order of two bookmarks: negative, 0 or positive.
  kvp::Integer Compare(const kvp::TBookmark& A, const kvp::TBookmark& B);
  // Whether Item is listed; Index receives its place, or where it would go.
  bool Find(const kvp::TBookmark& Item, kvp::Integer& Index);
  kvp::Integer IndexOf(const kvp::TBookmark& Item);
  bool GetCurrentRowSelected();
  // Lists or unlists the current record. A record without a bookmark (none
  // current, or one being inserted) cannot be listed.
  virtual void SetCurrentRowSelected(bool Value);
  // Deletes every listed record from the dataset, the last listed first, and
  // empties the list; records already gone are only unlisted. When a deletion
  // fails the entries not yet handled stay, and the error goes on.
  void Delete();
  // Unlists the records the dataset no longer has (deleted elsewhere), which
  // keeps the rest in order; answers whether any went.
  bool Refresh();
  // Empties the list, then links it (the dataset opened) or not.
  void LinkActive(bool Value);
  virtual void Clear();
  // Raises EAssertionFailed when the entries are not strictly in the
  // dataset's order or one is empty.
  void CheckConsistency();

 protected:
  void Construct() override;
  void Destroy() override;
  virtual kvp::TDataSet* GetDataSet() = 0;
  // Repaints what shows the selection; nothing here.
  virtual void Invalidate() {}
  virtual void RaiseError(const kvp::String& Message);
  virtual void InvalidateCache();
  // The whole list changed; nothing here.
  virtual void SelectionChanged() {}

 private:
  void ListChanged(kvp::TObject*) { InvalidateCache(); }

  kvp::TBookmark FCacheKey;                 // the bookmark of the last search
  bool FCacheFind = false;                  // whether it was found
  kvp::Integer FCacheIndex = -1;            // where: its place or insertion place; -1: no cache
  bool FLinked = false;                     // the dataset is open
  kvp::TObjectPtr<kvp::TStringList> FList;  // the bookmarks, in dataset order
};

// [SECTION] Edit buttons

enum TEditButtonStyleKv {
  ebsDropDownKv,
  ebsEllipsisKv,
  ebsGlyphKv,  // the button shows its glyph and caption, no painted face
  ebsUpDownKv,
  ebsPlusKv,
  ebsMinusKv,
};
KV_ENUM_INFO(TEditButtonStyleKv, ebsDropDownKv, ebsEllipsisKv, ebsGlyphKv, ebsUpDownKv, ebsPlusKv,
             ebsMinusKv)

// The painter's face for an edit-button style; the glyph style has none and
// answers bcsDropDownKv (its control paints the glyph instead).
TDrawButtonControlStyleKv EditButtonStyleToDrawStyle(TEditButtonStyleKv Style);

using TButtonClickEventKv = kvp::TDelegate<void(kvp::TObject* Sender, bool& Handled)>;
using TButtonDownEventKv =
    kvp::TDelegate<void(kvp::TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled)>;

class TEditButtonKv;
class TEditButtonControlKv;
class TEditButtonMenuWatchKv;

// TEditButtonActionLinkKv: ties an edit button to its action. A property counts
// as linked while the button's value equals the action's; the action's changes
// are then written to the button.
class TEditButtonActionLinkKv : public kvp::TActionLink {
  KV_CLASS(TEditButtonActionLinkKv, kvp::TActionLink)
 public:
  explicit TEditButtonActionLinkKv(kvp::TObject* AClient = nullptr) : kvp::TActionLink(AClient) {}
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsShortCutLinked() override;
  bool IsVisibleLinked() override;
  void SetEnabled(bool Value) override;
  void SetHint(const kvp::String& Value) override;
  void SetShortCut(kvp::TShortCut Value) override;
  void SetVisible(bool Value) override;

 protected:
  void AssignClient(kvp::TObject* AClient) override;
  TEditButtonKv* FClient = nullptr;
};

// TEditButtonKv: one button of an edit box or a grid column: its style, glyph,
// width (0: the owner's default), shortcut, drop-down menu, action and events.
// It lives in a TEditButtonsKv collection, or alone for an edit control (the
// control's own drop-down button). Each change of a property is reported
// through OnChange when the owner set it, else as the collection item's change.
class TEditButtonKv : public kvp::TCollectionItem {
  KV_CLASS(TEditButtonKv, kvp::TCollectionItem)
 public:
  explicit TEditButtonKv(kvp::TCollection* ACollection)
      : kvp::TCollectionItem(ACollection), FCreateCollection(ACollection) {}
  // A button of EditControl itself, outside any collection.
  explicit TEditButtonKv(kvp::TWinControl* AEditControl)
      : kvp::TCollectionItem(nullptr), FEditControl(AEditControl) {}

  void Assign(kvp::TPersistent* Source) override;

  kvp::TBasicAction* GetAction() const;
  void SetAction(kvp::TBasicAction* Value);
  TEditButtonActionLinkKv* GetActionLink() const { return FActionLink.get(); }
  kvp::TPopupMenu* GetDropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(kvp::TPopupMenu* Value);
  // The control that shows the button: its own, or the collection's.
  kvp::TWinControl* GetEditControl() const;
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  kvp::TBitmap* GetGlyph() const { return FGlyph.get(); }
  void SetGlyph(kvp::TBitmap* Value);
  const kvp::String& GetHint() const { return FHint; }
  void SetHint(const kvp::String& Value);
  kvp::Integer GetNumGlyphs() const { return FNumGlyphs; }
  // Kept within 1 to 4.
  void SetNumGlyphs(kvp::Integer Value);
  kvp::TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(kvp::TShortCut Value);
  TEditButtonStyleKv GetStyle() const { return FStyle; }
  void SetStyle(TEditButtonStyleKv Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  kvp::Integer GetWidth() const { return FWidth; }
  void SetWidth(kvp::Integer Value);

  // A new TEditButtonControlKv owned and parented by the edit control, 10 x
  // 17 pixels, visible and opaque.
  virtual TEditButtonControlKv* CreateEditButtonControl();
  // OnClick when it is set (and nothing else); otherwise the linked action
  // runs on the edit control (a collection item: on the collection's owner)
  // and Handled becomes true.
  virtual void Click(kvp::TObject* Sender, bool& Handled);
  // Asks the action to update itself.
  virtual void InitiateAction();

  TButtonClickEventKv OnClick;
  TButtonDownEventKv OnDown;
  // Set by the owning control; called with the button instead of the
  // collection's change.
  kvp::TNotifyEvent OnChange;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;
  // The action changed (Sender) or was just linked; with CheckDefaults only
  // the properties still at this class's defaults take the action's values.
  virtual void ActionChange(kvp::TObject* Sender, bool CheckDefaults);
  // The class of the action link that SetAction creates, with the button as
  // its client; a descendant's must derive from TEditButtonActionLinkKv.
  virtual kvp::TClass GetActionLinkClass() const { return TEditButtonActionLinkKv::StaticClass(); }
  // The defaults a stored form leaves out for this class.
  virtual kvp::TShortCut DefaultShortCut() const { return 0; }
  virtual bool DefaultVisible() const { return false; }
  void Changed();

  bool IsEnabledStored() const;
  bool IsHintStored() const;
  bool IsShortCutStored() const;
  bool IsVisibleStored() const;

  kvp::TShortCut FShortCut = 0;
  bool FVisible = false;

 private:
  friend class TEditButtonActionLinkKv;
  friend class TEditButtonMenuWatchKv;
  void DoActionChange(kvp::TObject* Sender);

  kvp::TCollection* FCreateCollection = nullptr;         // the collection given to the constructor
  kvp::TObjectPtr<TEditButtonActionLinkKv> FActionLink;  // present while Action is set
  kvp::TPopupMenu* FDropdownMenu = nullptr;              // cleared when the menu is freed
  // Hears of the menu's freeing for the button (a collection item cannot).
  TEditButtonMenuWatchKv* FMenuWatch = nullptr;  // owned
  kvp::TWinControl* FEditControl = nullptr;      // null for collection items
  bool FEnabled = true;
  kvp::TObjectPtr<kvp::TBitmap> FGlyph;
  kvp::String FHint;
  kvp::Integer FNumGlyphs = 1;
  TEditButtonStyleKv FStyle = ebsDropDownKv;
  kvp::Integer FWidth = 0;  // 0: the owning control's default width
};

// TVisibleEditButtonKv: an edit button that is visible by default, with the
// shortcut Alt+Down (an edit control's own drop-down button).
class TVisibleEditButtonKv : public TEditButtonKv {
  KV_CLASS(TVisibleEditButtonKv, TEditButtonKv)
 public:
  explicit TVisibleEditButtonKv(kvp::TCollection* ACollection) : TEditButtonKv(ACollection) {}
  explicit TVisibleEditButtonKv(kvp::TWinControl* AEditControl) : TEditButtonKv(AEditControl) {}

  static constexpr kvp::TShortCut AltDownShortCut = 32808;  // Alt+Down

  KV_PUBLISHED;

 protected:
  void Construct() override;  // visible, Alt+Down
  kvp::TShortCut DefaultShortCut() const override { return AltDownShortCut; }
  bool DefaultVisible() const override { return true; }
};

// TEditButtonsKv: the additional buttons of an edit control or a column. Its
// owner is the edit control; every change ends in OnChange(collection).
class TEditButtonsKv : public kvp::TCollection {
  KV_CLASS(TEditButtonsKv, kvp::TCollection)
 public:
  TEditButtonsKv(kvp::TWinControl* AEditControl, kvp::TClass ItemClass)
      : kvp::TCollection(ItemClass), FEditControl(AEditControl) {}

  TEditButtonKv* GetItems(kvp::Integer Index) const;
  TEditButtonKv* Add() { return static_cast<TEditButtonKv*>(kvp::TCollection::Add()); }
  kvp::TPersistent* GetOwner() override;
  kvp::TWinControl* GetEditControl() const { return FEditControl; }

  kvp::TNotifyEvent OnChange;

 protected:
  void Update(kvp::TCollectionItem* Item) override;

 private:
  kvp::TWinControl* FEditControl = nullptr;
};

// TEditButtonControlKv: the painted button that shows one edit button inside
// an edit box or a grid's editor. It remembers which half of an up-down pair
// was pressed, repeats OnDown while held (first after 400 ms, then every
// 100 ms), and can stay pressed while its popup is open (SetAlwaysDown).
//
// Mouse: MouseDown (half found, OnDown, repeat timer) -> MouseMove (an
// up-down button moved onto its other half comes up) -> MouseUp (no click
// for an up-down button that came up; timer stopped).
class TEditButtonControlKv : public kvp::TSpeedButton {
  KV_CLASS(TEditButtonControlKv, kvp::TSpeedButton)
 public:
  explicit TEditButtonControlKv(kvp::TComponent* AOwner) : kvp::TSpeedButton(AOwner) {}

  bool GetActive() const { return FActive; }
  void SetActive(bool Value);
  TEditButtonStyleKv GetStyle() const { return FStyle; }
  void SetStyle(TEditButtonStyleKv Value);
  // Keeps the button pressed (a group of its own, down) or lets it up.
  void SetAlwaysDown(bool Value);
  bool GetAlwaysDown() const { return FAlwaysDown; }
  // 0: none, 1: the top half or the whole button, 2: the bottom half.
  kvp::Integer GetDownButton() const { return FDownButton; }
  // The auto-repeat timer, once it was needed.
  kvp::TTimer* GetTimer() const { return FTimer; }
  void Click() override;

  TButtonDownEventKv OnDown;

 protected:
  void Paint() override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;
  // Fires OnDown for the half given.
  virtual void DoButtonDown(bool IsTopButton, bool& AutoRepeat);
  // Works out the pressed half for a client point.
  void UpdateDownButton(kvp::Integer X, kvp::Integer Y);
  void TimerEvent(kvp::TObject* Sender);
  void StopTimer();

  bool FActive = false;
  bool FAlwaysDown = false;
  kvp::Integer FDownButton = 0;  // 0 none, 1 top or whole, 2 bottom
  bool FNoDoClick = false;       // the next click is swallowed (an up-down button came up)
  TEditButtonStyleKv FStyle = ebsDropDownKv;
  kvp::TTimer* FTimer = nullptr;  // owned; made on the first auto-repeat
};

// TSpeedButtonKv: the edit-button control as stored forms name it (the
// calculator's keys), with Active and Style published.
class TSpeedButtonKv : public TEditButtonControlKv {
  KV_CLASS(TSpeedButtonKv, TEditButtonControlKv)
 public:
  explicit TSpeedButtonKv(kvp::TComponent* AOwner) : TEditButtonControlKv(AOwner) {}
  KV_PUBLISHED;
};

// The buttons an edit control shows, each with the edit button it stands for.
struct TEditButtonControlLineRecKv {
  TEditButtonControlKv* ButtonControl = nullptr;
  TEditButtonKv* EditButton = nullptr;
};
using TEditButtonControlList = std::vector<TEditButtonControlLineRecKv>;

}  // namespace korvel
