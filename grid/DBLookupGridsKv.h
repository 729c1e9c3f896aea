// The lookup grid and its drop-down form. A lookup grid shows the records of
// a list dataset and selects one of them by the value of its key fields; it
// may be bound to fields of a second dataset, whose values it then follows
// and into which a choice is written. The drop-down data grid is the lookup
// grid as a popup window under the data-aware grid's in-place editor: the
// list of a lookup column.
#pragma once

#include "controls/ToolCtrlsKv.h"
#include "grid/DBGridKv.h"

namespace korvel {

class TDBLookupGridKv;

// TDBLookupGridKvOptions is declared with the columns (DBGridKvColumns.h),
// whose drop-down boxes carry them.

// ---------------------------------------------------------------------------
// TLookupGridDataLinkKv: the lookup grid's link to the bound dataset (the one
// whose fields receive the chosen key). It tells the grid when the bound
// fields must be found again and when their values changed.
class TLookupGridDataLinkKv : public kvp::TDataLink {
  KV_CLASS(TLookupGridDataLinkKv, kvp::TDataLink)
 public:
  explicit TLookupGridDataLinkKv(TDBLookupGridKv* AGrid) : FGrid(AGrid) {}
  TDBLookupGridKv* GetGrid() const { return FGrid; }

 protected:
  void ActiveChanged() override;
  void FocusControl(kvp::TField** Field) override;
  void LayoutChanged() override;
  void RecordChanged(kvp::TField* Field) override;

 private:
  friend class TDBLookupGridKv;
  TDBLookupGridKv* FGrid = nullptr;  // not owned; cleared by the grid before it frees the link
};

// ---------------------------------------------------------------------------
// TGridColumnSpecCellKv: one column's cell of the special row. Until a value
// is set, its text, colour and font are those the grid's special row gives
// the column.
class TDBLookupGridColumnKv;
class TGridColumnSpecCellKv : public kvp::TPersistent {
  KV_CLASS(TGridColumnSpecCellKv, kvp::TPersistent)
 public:
  explicit TGridColumnSpecCellKv(TColumnKv* AOwner) : FOwner(AOwner) {}

  void Assign(kvp::TPersistent* Source) override;
  kvp::TPersistent* GetOwner() override;

  kvp::TColor GetColor();
  void SetColor(kvp::TColor Value);
  kvp::TFont* GetFont();
  void SetFont(kvp::TFont* Value) { FFont->Assign(Value); }
  kvp::String GetText();
  void SetText(const kvp::String& Value);
  bool GetFontAssigned() const { return FFontAssigned; }

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;
  bool IsColorStored() const { return FColorAssigned; }
  bool IsFontStored() const { return FFontAssigned; }
  bool IsTextStored() const { return FTextAssigned; }
  // The special row of the owning column's lookup grid; null without one.
  TSpecRowKv* DefaultSpecRow();

 private:
  void FontChanged(kvp::TObject* Sender);

  TColumnKv* FOwner = nullptr;  // the owning column
  kvp::TObjectPtr<kvp::TFont> FFont;
  kvp::TColor FColor = kvp::clWindow;
  kvp::String FText;
  bool FColorAssigned = false;
  bool FFontAssigned = false;
  bool FTextAssigned = false;
};

// ---------------------------------------------------------------------------
// TDBLookupGridColumnKv: a column of the lookup grid, with its special-row
// cell. A moved automatic column reorders the list fields rather than the
// list dataset's fields, and carries its special-row text along.
class TDBLookupGridColumnKv : public TDBGridColumnKv {
  KV_CLASS(TDBLookupGridColumnKv, TDBGridColumnKv)
 public:
  using TDBGridColumnKv::TDBGridColumnKv;

  TGridColumnSpecCellKv* GetSpecCell() const { return FSpecCell; }
  void SetSpecCell(TGridColumnSpecCellKv* Value) { FSpecCell->Assign(Value); }
  // The lookup grid that holds the column; null outside one.
  TDBLookupGridKv* GetLookupGrid();

  void SetIndex(kvp::Integer Value) override;
  void SetWidth(kvp::Integer Value) override;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;

 private:
  TGridColumnSpecCellKv* FSpecCell = nullptr;  // owned
};

// The lookup grid's defaults for its columns (only the class differs).
class TDBLookupGridColumnDefValuesKv : public TDBGridKvColumnDefValuesKv {
  KV_CLASS(TDBLookupGridColumnDefValuesKv, TDBGridKvColumnDefValuesKv)
 public:
  using TDBGridKvColumnDefValuesKv::TDBGridKvColumnDefValuesKv;
};

// ---------------------------------------------------------------------------
// TDBLookupGridKv: a list grid over the list dataset (the grid's own data
// source, ListSource) that selects the record whose key fields equal
// KeyValue. The selected record is not the list dataset's current record; it
// is drawn highlighted wherever it shows. A special first row may stand for
// a value of its own (Null by default).
//
// Binding contract: the lookup link (SetLinkDataSource, DataField) binds the
// grid to fields of another dataset. When the link is active or changes its
// layout, UpdateDataFields finds the fields again (and enters lookup mode
// for one lookup field); RecordChanged of an edited field sets KeyValue.
// LinkActive, SetKeyField and SetListField run UpdateListFields, which ends
// in KeyValueChanged (list found) or ListLinkDataChanged. SelectKeyValue
// writes a choice into the bound fields, or sets KeyValue when there are
// none; SelectCurrent and SelectSpecRow choose the current list record or
// the special row.
//
// Browsing contract: keys and the mouse move the list dataset and then
// select its current record; the wheel and the scroll bar only move it.
//
// Several members keep their meaning of the data-aware grid under the name
// given there; the lookup grid's own carry other names: its options
// (GetLookupOptions), its row count (GetListRowCount) and its one-off
// column fitting (GetListAutoFitColWidths).
class TDBLookupGridKv : public TCustomDBGridKv {
  KV_CLASS(TDBLookupGridKv, TCustomDBGridKv)
 public:
  explicit TDBLookupGridKv(kvp::TComponent* AOwner) : TCustomDBGridKv(AOwner) {}

  // Quiet time after which the incremental search starts over.
  static constexpr kvp::Cardinal SearchTimeOut = 2000;  // milliseconds
  static constexpr kvp::Integer MaxSearchLength = 32;   // characters

  // -- List and key --
  kvp::TDataSource* GetListSource() const { return GetDataSource(); }
  void SetListSource(kvp::TDataSource* Value);
  const kvp::String& GetKeyField() const { return FKeyField; }
  void SetKeyField(const kvp::String& Value);
  const kvp::String& GetListField() const { return FListField; }
  void SetListField(const kvp::String& Value);
  // Which of the list fields is shown as Text; read at the next
  // UpdateListFields.
  kvp::Integer ListFieldIndex = 0;
  const kvp::Variant& GetKeyValue() const { return FKeyValue; }
  void SetKeyValue(const kvp::Variant& Value);
  // The display text of the selected key.
  const kvp::String& GetText() const { return FText; }
  bool GetListActive() const { return FListActive; }
  kvp::TField* GetListFieldObject() const { return FListFieldObject; }
  const std::vector<kvp::TField*>& GetListFields() const { return FListFields; }
  const TFieldsArrKv& GetKeyFields() const { return FKeyFields; }
  bool GetKeyRowShown() const { return FKeyRowShown; }

  // -- Binding --
  kvp::TDataSource* GetLinkDataSource() const { return FLookupLink->GetDataSource(); }
  void SetLinkDataSource(kvp::TDataSource* Value);
  TLookupGridDataLinkKv* GetLookupLink() const { return FLookupLink; }
  const kvp::String& GetDataField() const { return FDataField; }
  // The bound fields' names; they are found when the lookup link reports
  // activity or a change of layout (and at once when it is active).
  void SetDataField(const kvp::String& Value);
  const TFieldsArrKv& GetDataFields() const { return FDataFields; }
  const TFieldsArrKv& GetEditedFields() const { return FEditedFields; }
  bool GetLookupMode() const { return FLookupMode; }

  // -- Special row and options --
  TSpecRowKv* GetSpecRow() const { return FSpecRow; }
  void SetSpecRow(TSpecRowKv* Value) { FSpecRow->Assign(Value); }
  TDBLookupGridKvOptions GetLookupOptions() const { return FLookupOptions; }
  void SetLookupOptions(TDBLookupGridKvOptions Value);

  // -- Choosing --
  void SelectCurrent();
  void SelectSpecRow();
  // The buffered list row whose key is KeyValue; -1 when none.
  kvp::Integer GetKeyValueRow();
  const kvp::String& GetSearchText() const { return FSearchText; }
  void SetSearchText(const kvp::String& Value) { FSearchText = Value; }

  // -- Sizing (DBLookupGridsKvSizing.cpp) --
  // The data rows the height is made for; follows every change of bounds.
  kvp::Integer GetListRowCount() const { return FListRowCount; }
  // Makes the grid N rows high (1 to 100).
  void UpdateHeightForRows(kvp::Integer N);
  bool GetShowTitles() const { return GetOptions().Contains(dgTitlesKv); }
  void SetShowTitles(bool Value);
  void SetUseMultiTitle(bool Value);
  // Fits the columns into the width once (no horizontal bar).
  bool GetListAutoFitColWidths() const { return FListAutoFitColWidths; }
  void SetListAutoFitColWidths(bool Value);
  // The width the columns ask for, lines included.
  kvp::Integer GetColumnsWidth();
  // The box of the list's rows (the special row included).
  kvp::TRect GetDataRect();
  // The data rows that fit the client area.
  kvp::Integer GetGridDataRowCount();
  void SetBounds(kvp::Integer ALeft, kvp::Integer ATop, kvp::Integer AWidth,
                 kvp::Integer AHeight) override;

  // -- Virtual operations --
  virtual bool CanModify();
  virtual bool IsKeyValueValid(const TFieldsArrKv& KeyFields, const kvp::Variant& KeyValue);
  virtual kvp::Integer GetBorderExtra();
  virtual kvp::Integer GetSpecRowHeight();
  virtual kvp::Integer GetDataRowHeight();
  virtual void KeyValueChanged();
  virtual void ListLinkDataChanged();
  virtual void ProcessSearchKey(kvp::Char Key);
  virtual void SelectKeyValue(const kvp::Variant& V);
  virtual void SpecRowChanged(kvp::TObject* Sender);
  virtual void RefitColumns();
  virtual void UpdateDataFields();
  virtual void UpdateListFields();
  virtual bool LocateKey();

  // The grid's own data events, after the data-aware grid's.
  bool IsRowSelectFocused() override;
  bool FilterRowVisible() override;
  void LinkActive(bool Value) override;
  void DefineFieldMap() override;
  void RefreshAfterDataChange() override;
  void Scroll(kvp::Integer Distance) override;
  void UpdateActive() override;
  void UpdateRowCount() override;
  void UpdateScrollBar() override;
  void GetDatasetFields(std::vector<kvp::TField*>& List) override;
  bool CellIsDrawnFixed(kvp::Integer ACol, kvp::Integer ARow, TGridDrawState AState,
                        const kvp::TRect& ARect) override;
  bool GetDataCellHighlight(kvp::Integer ACol, kvp::Integer ARow, kvp::Integer DataCol,
                            kvp::Integer DataRow, const kvp::String& Value, kvp::TFont* AFont,
                            kvp::TColor& Background, TGridDrawState AState) override;

  // The bound record (or its field) changed.
  void DataRecordChanged(kvp::TField* Field);

  // The tick count of the last search keystroke, shared by all lookup grids.
  static kvp::Cardinal SearchTickStamp;

 protected:
  void Construct() override;
  void Destroy() override;
  void Notification(kvp::TComponent* AComponent, kvp::TOperation Operation) override;
  void CreateWnd() override;
  void ColWidthsChanged() override;
  TDBGridKvColumnDefValuesKv* CreateColumnDefValues() override;
  TDBGridColumnsKv* CreateColumns() override;
  void DrawFilterCell(kvp::Integer ACol, kvp::Integer ARow, bool& Highlighted,
                      TGridDrawState AState, kvp::TRect ARect, TCellAreaKv CellType,
                      kvp::Integer DataCol, kvp::Integer HorzMargin,
                      kvp::Integer VertMargin) override;

  // -- Input (DBLookupGridsKvInput.cpp) --
  // One key: the move it asks for, then the choice of the record reached.
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  // A press on a row or the special row chooses it and, held, keeps
  // choosing the row under the mouse (scrolling beyond the edges).
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;
  void AutoScrollTimer() override;
  bool DoMouseWheelDown(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  bool DoMouseWheelUp(kvp::TShiftState Shift, kvp::TPoint MousePos) override;
  // The row (or the special row) under the point becomes the choice.
  void SelectByMouse(kvp::Integer X, kvp::Integer Y);
  // Row 0's height with titles shown, else 0.
  kvp::Integer GetTitleRowHeight();
  // The list dataset moves by Distance from the row of the key (the first
  // record from a chosen special row); Home and End go to the ends.
  void MoveListByKey(kvp::Word Key, kvp::Integer Distance);

  void WMGetDlgCode(kvp::TMessage& Message);
  void WMSetFocus(kvp::TMessage& Message);
  void WMKillFocus(kvp::TMessage& Message);
  void WMSetCursor(kvp::TWMSetCursor& Message);
  void WMSize(kvp::TWMSize& Message);
  void WMVScroll(kvp::TWMScroll& Message);
  void CMHintShow(kvp::TCMHintShow& Message);
  void CMRecreateWnd(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_GETDLGCODE, WMGetDlgCode)
  KV_MESSAGE(kvp::WM_SETFOCUS, WMSetFocus)
  KV_MESSAGE(kvp::WM_KILLFOCUS, WMKillFocus)
  KV_MESSAGE(kvp::WM_SETCURSOR, WMSetCursor)
  KV_MESSAGE(kvp::WM_SIZE, WMSize)
  KV_MESSAGE(kvp::WM_VSCROLL, WMVScroll)
  KV_MESSAGE(kvp::CM_HINTSHOW, CMHintShow)
  KV_MESSAGE(kvp::CM_RECREATEWND, CMRecreateWnd)
  KV_END_MESSAGE_MAP

  void CheckNotFixed();
  void CheckNotCircular();
  void SetLookupMode(bool Value);
  // The one lookup field of DataField in lookup mode; null otherwise.
  kvp::TField* LookupField() const;
  // The key and list fields of step 2 of UpdateListFields.
  void ResolveListFields(bool BuildList);
  // The list record's key, read with the link on buffer row Index.
  kvp::Variant BufferKey(kvp::Integer Index);
  bool InterfaceMode() const { return GetMemTable() != nullptr; }

  // -- Fields --
  kvp::String FDataField;                        // ';'-separated names of the bound fields
  TFieldsArrKv FDataFields;                      // those fields in the bound dataset
  TLookupGridDataLinkKv* FLookupLink = nullptr;  // owned
  bool FFocused = false;                         // set by WM_SETFOCUS, cleared by WM_KILLFOCUS
  kvp::String FKeyField;                         // ';'-separated key fields of the list dataset
  TFieldsArrKv FKeyFields;
  bool FKeyRowShown = false;                    // KeyValue's record is among the buffered rows
  kvp::Variant FKeyValue;                       // Null, or a variant array for several keys
  bool FListActive = false;                     // the key and list fields were found
  kvp::TField* FListFieldObject = nullptr;      // the shown field; its display text is Text
  kvp::String FListField;                       // ';'-separated list fields
  std::vector<kvp::TField*> FListFields;        // not owned; in order
  bool FSearchMode = false;                     // the grid itself is choosing
  bool FLookupMode = false;                     // DataField is one lookup field
  kvp::TDataSource* FInternalSource = nullptr;  // owned; the lookup field's list in lookup mode
  kvp::String FDataFieldName;                   // the edited fields' names joined with ';'
  TFieldsArrKv FEditedFields;                   // the fields that receive the key
  kvp::Integer FLastMouseY = 0;                 // client Y of the last selecting move
  bool FPopup = false;                          // the grid is a drop-down
  kvp::Integer FListRecordCount = 0;            // copies of the list link's counts
  kvp::Integer FListActiveRecord = 0;
  kvp::Integer FListRowCount = 0;  // data rows the height is made for
  kvp::String FSearchText;
  kvp::String FText;
  TSpecRowKv* FSpecRow = nullptr;  // owned
  TDBLookupGridKvOptions FLookupOptions{dlgColLinesKv};
  kvp::Integer FSpecRowHeight = 0;  // 0 while the special row is invisible
  bool FListAutoFitColWidths = false;
  bool FFitting = false;           // the columns are being fitted
  bool FUpdatingRowCount = false;  // UpdateRowCount runs
};

// ---------------------------------------------------------------------------
// TPopupDataGridKv: the lookup grid as the drop-down of a lookup column. A
// top-level tool window that never activates or takes the focus, follows the
// mouse while no button is held, carries a size grip, and reports the
// closing click through OnMouseCloseUp (Accept: a row or the special row was
// released on).
class TPopupDataGridKv : public TDBLookupGridKv {
  KV_CLASS(TPopupDataGridKv, TDBLookupGridKv)
 public:
  explicit TPopupDataGridKv(kvp::TComponent* AOwner) : TDBLookupGridKv(AOwner) {}

  bool CanFocus() override { return false; }
  // A drop-down works without the focus, which stays with its owner: the
  // data-aware grid's presses (titles, column borders) go on here.
  bool AcquireFocus() override { return true; }
  TSizeGripKv* GetSizeGrip() const { return FSizeGrip; }
  // Set by every WM_SIZE; the owner clears it after it sized and showed
  // the list and reads it on closing.
  bool GetSizedByUser() const { return FSizedByUser; }
  void SetSizedByUser(bool Value) { FSizedByUser = Value; }
  kvp::Integer GetFlatBorderWidth() const { return FFlatBorderWidth; }

  kvp::TDelegate<void(kvp::TObject* Sender, bool Accept)> OnMouseCloseUp;
  kvp::TNotifyEvent OnUserKeyValueChange;

  void KeyValueChanged() override;

 protected:
  void Construct() override;
  void Destroy() override;
  void CreateParams(kvp::TCreateParams& Params) override;
  void PaintFlatBorder() override;
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override;
  void KeyUp(kvp::Word& Key, kvp::TShiftState Shift) override;
  void MouseDown(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
                 kvp::Integer Y) override;
  void MouseMove(kvp::TShiftState Shift, kvp::Integer X, kvp::Integer Y) override;
  void MouseUp(kvp::TMouseButton Button, kvp::TShiftState Shift, kvp::Integer X,
               kvp::Integer Y) override;

  void WMEraseBkgnd(kvp::TMessage& Message);
  void WMMouseActivate(kvp::TMessage& Message);
  void WMSize(kvp::TWMSize& Message);
  void WMWindowPosChanging(kvp::TMessage& Message);
  void WMSizeGripSide(kvp::TMessage& Message);
  void CMCtl3DChanged(kvp::TMessage& Message);
  KV_BEGIN_MESSAGE_MAP
  KV_MESSAGE(kvp::WM_ERASEBKGND, WMEraseBkgnd)
  KV_MESSAGE(kvp::WM_MOUSEACTIVATE, WMMouseActivate)
  KV_MESSAGE(kvp::WM_SIZE, WMSize)
  KV_MESSAGE(kvp::WM_WINDOWPOSCHANGING, WMWindowPosChanging)
  KV_MESSAGE(WM_SIZEGRIPSIDEKV, WMSizeGripSide)
  KV_MESSAGE(kvp::CM_CTL3DCHANGED, CMCtl3DChanged)
  KV_END_MESSAGE_MAP

  TSizeGripKv* FSizeGrip = nullptr;  // owned; a child window of the popup
  bool FSizedByUser = false;
  bool FUserAction = false;           // a key or mouse action of the user runs
  bool FPressInside = false;          // the last press was in the popup, off a tree node's button
  kvp::Integer FFlatBorderWidth = 1;  // the non-client frame: 1 with Ctl3D, else 0
};

}  // namespace korvel
