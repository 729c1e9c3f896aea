// DBGridKvColumns: the grid's column model, declared for DBGridKv.h, which
// includes it; include DBGridKv.h, not this file. It holds the columns with
// their titles and footers, the grid's aggregate list, the column defaults and
// column lists, and the header tree of multi-level titles: everything a
// column knows before the grid draws it.
//
// Sources by role: DBGridKvColumns.cpp (column, title), DBGridKvColumnList.cpp
// (collection, defaults, lists), DBGridKvFooters.cpp, DBGridKvHeadTree.cpp.
#pragma once

namespace korvel {

// [SECTION] Columns

class TColumnKv;
class TDBGridColumnsKv;
class TPopupDataGridKv;
class TGridDataLinkKv;
class TSTColumnFilterKv;

enum TColumnButtonStyleKv { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
KV_ENUM_INFO(TColumnButtonStyleKv, cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown)
enum TTextOrientationKv { tohHorizontal, tohVertical };
KV_ENUM_INFO(TTextOrientationKv, tohHorizontal, tohVertical)
enum TSortMarkerKv { smNoneKv, smDownKv, smUpKv };
KV_ENUM_INFO(TSortMarkerKv, smNoneKv, smDownKv, smUpKv)

// The assigned-value flags of a column and its title: a flagged value is the
// column's own, an unflagged one follows its default.
enum TColumnKvValue {
  cvColor,                 // 0
  cvWidth,                 // 1
  cvFont,                  // 2
  cvAlignment,             // 3
  cvReadOnly,              // 4
  cvTitleColor,            // 5
  cvTitleCaption,          // 6
  cvTitleAlignment,        // 7
  cvTitleFont,             // 8
  cvTitleButton,           // 9
  cvTitleEndEllipsis,      // 10
  cvTitleToolTips,         // 11
  cvTitleOrientation,      // 12
  cvImeMode,               // 13
  cvImeName,               // 14
  cvWordWrap,              // 15
  cvLookupDisplayFields,   // 16
  cvCheckboxes,            // 17
  cvAlwaysShowEditButton,  // 18
  cvEndEllipsis,           // 19
  cvAutoDropDown,          // 20
  cvDblClickNextVal,       // 21
  cvToolTips,              // 22
  cvDropDownSizing,        // 23
  cvDropDownShowTitles,    // 24
  cvLayout,                // 25
  cvHighlightRequired,     // 26
  cvBiDiMode               // 27
};
using TColumnKvValues = kvp::TSet<TColumnKvValue>;

// The small font of the sort-marker numbers in titles.
kvp::TFont* SortMarkerFont();

// [SECTION] Cell parameters

// ---------------------------------------------------------------------------
// TColCellParamsKv: the parameters of one cell, which its column fills before
// the grid paints, edits or exports the cell and which the cell-parameter
// events may change. Font is not owned; Col, Row and State are the caller's,
// -1, -1 and empty where nobody set them.
class TColCellParamsKv : public kvp::TObject {
  KV_CLASS(TColCellParamsKv, kvp::TObject)
 public:
  kvp::TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(kvp::TAlignment Value) { FAlignment = Value; }
  kvp::TColor GetBackground() const { return FBackground; }
  void SetBackground(kvp::TColor Value) { FBackground = Value; }
  kvp::TCheckBoxState GetCheckboxState() const { return FCheckboxState; }
  void SetCheckboxState(kvp::TCheckBoxState Value) { FCheckboxState = Value; }
  kvp::Integer GetCol() const { return FCol; }
  void SetCol(kvp::Integer Value) { FCol = Value; }
  kvp::TFont* GetFont() const { return FFont; }
  void SetFont(kvp::TFont* Value) { FFont = Value; }
  kvp::Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(kvp::Integer Value) { FImageIndex = Value; }
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  kvp::Integer GetRow() const { return FRow; }
  void SetRow(kvp::Integer Value) { FRow = Value; }
  TGridDrawState GetState() const { return FState; }
  void SetState(TGridDrawState Value) { FState = Value; }
  const kvp::String& GetText() const { return FText; }
  void SetText(const kvp::String& Value) { FText = Value; }

 private:
  kvp::TAlignment FAlignment = kvp::taLeftJustify;
  kvp::TColor FBackground = kvp::clWindow;
  kvp::TCheckBoxState FCheckboxState = kvp::cbUnchecked;
  kvp::Integer FCol = -1;
  kvp::TFont* FFont = nullptr;  // not owned
  kvp::Integer FImageIndex = -1;
  bool FReadOnly = false;
  kvp::Integer FRow = -1;
  TGridDrawState FState;
  kvp::String FText;
};

// A field's value in a display format: the field's display text without a
// format, nothing for a null value, a number or a date and time in the
// format, and the display text of any other kind of field.
kvp::String FormatFieldDisplayValue(kvp::TField* Field, const kvp::String& DisplayFormat);

// What a column shows in its cells, decided from its settings in this order
// (the first that holds): check boxes; the lookup value of a lookup field;
// pick-list texts of the field's own values; images without text; pick-list
// texts beside the keys of a key list; the field's own text.
enum TColumnKvType {
  ctCommonKv = 0,
  ctPickListKv = 1,
  ctLookupFieldKv = 2,
  ctKeyPickListKv = 3,
  ctKeyImageListKv = 4,
  ctCheckboxesKv = 5
};

// The column's events (see TColumnKv for when each fires).
using TGetColCellParamsEventKv =
    kvp::TDelegate<void(kvp::TObject* Sender, bool EditMode, TColCellParamsKv* Params)>;
// Writes an edited value itself (Handled) or changes what the column writes.
using TColumnKvUpdateDataEventKv = kvp::TDelegate<void(
    kvp::TObject* Sender, kvp::String& Text, kvp::Variant& Value, bool& UseText, bool& Handled)>;
// The last word on whether the editor underlines an empty required field.
using TOnColumnCheckDrawRequiredStateEventKv =
    kvp::TDelegate<void(kvp::TObject* Sender, const kvp::String& Text, bool& DrawState)>;
// A text written into a list column matches no item of its list.
using TColumnKvNotInListEventKv =
    kvp::TDelegate<void(kvp::TObject* Sender, const kvp::String& NewText, bool& RecheckInList)>;

// The events of a grid's titles and cells, which a column's drop-down box
// hands on to its drop-down data grid too.
using TCheckTitleKvBtnEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, kvp::Integer ACol, TColumnKv* Column, bool& Enabled)>;
using TTitleKvClickEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, kvp::Integer ACol, TColumnKv* Column)>;
using TDrawColumnKvCellEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, const kvp::TRect& Rect, kvp::Integer DataCol,
                        TColumnKv* Column, TGridDrawState State)>;
using TGetCellKvParamsEvent =
    kvp::TDelegate<void(kvp::TObject* Sender, TColumnKv* Column, kvp::TFont* AFont,
                        kvp::TColor& Background, TGridDrawState State)>;

// [SECTION] Drop-down box

// The options of a lookup grid (DBLookupGridsKv.h), which a column's
// drop-down box sets for its drop-down data grid.
enum TDBLookupGridKvOption {
  dlgColumnResizeKv,
  dlgColLinesKv,
  dlgRowLinesKv,
  dlgAutoSortMarkingKv,
  dlgMultiSortMarkingKv
};
KV_ENUM_INFO(TDBLookupGridKvOption, dlgColumnResizeKv, dlgColLinesKv, dlgRowLinesKv,
             dlgAutoSortMarkingKv, dlgMultiSortMarkingKv)
using TDBLookupGridKvOptions = kvp::TSet<TDBLookupGridKvOption>;

class TColumnDefValuesKv;

// IDropDownBoxColumnKv: what a column offers its drop-down box, part of whose
// settings live in the column's drop-down data grid. Nothing is counted: the
// column is never freed through the interface.
struct IDropDownBoxColumnKv : virtual kvp::IInterface {
  KV_INTERFACE(IDropDownBoxColumnKv, "{2A1F4552-15C3-4359-ADAB-F2F6719FAA97}")
  // The box took Value as its list source: the grid is to hear of its freeing.
  virtual void DropDownBoxListSourceChanged(kvp::TDataSource* Value) = 0;
  // The drop-down data grid, made on first use.
  virtual TPopupDataGridKv* GetDropDownBoxDataGrid() = 0;
  virtual TDBLookupGridKvOptions GetDropDownBoxOptions() = 0;
  virtual void SetDropDownBoxOptions(TDBLookupGridKvOptions Value) = 0;
};

// ---------------------------------------------------------------------------
// TColumnDropDownBoxKv: a column's settings of the drop-down data grid of its
// lookup cells: the list it shows (its own list source, else the lookup
// field's dataset), the grid's columns, column defaults and options, the
// special row, fitting and multi-level titles. The in-place editor applies
// them each time the list opens (DBGridKvInplaceEditDropDowns.cpp).
//
// Columns, ColumnDefValues and Options are those of the drop-down data grid,
// reached through the owner's IDropDownBoxColumnKv; reading or writing one
// makes that grid. A form stores them only once the grid exists, and the
// columns only when they are the user's (not made from the list's fields).
class TColumnDropDownBoxKv : public kvp::TPersistent {
  KV_CLASS(TColumnDropDownBoxKv, kvp::TPersistent)
 public:
  explicit TColumnDropDownBoxKv(kvp::TPersistent* AOwner) : FOwner(AOwner) {}

  // Every setting of another box: its columns only when they are the user's,
  // else the own columns go.
  void Assign(kvp::TPersistent* Source) override;
  kvp::TPersistent* GetOwner() override { return FOwner; }

  bool GetAutoFitColWidths() const { return FAutoFitColWidths; }
  void SetAutoFitColWidths(bool Value) { FAutoFitColWidths = Value; }
  TColumnDefValuesKv* GetColumnDefValues();
  void SetColumnDefValues(TColumnDefValuesKv* Value);
  TDBGridColumnsKv* GetColumns();
  void SetColumns(TDBGridColumnsKv* Value);
  // The list's data source; nil: the lookup field's dataset.
  kvp::TDataSource* GetListSource() const { return FListSource; }
  void SetListSource(kvp::TDataSource* Value);
  TDBLookupGridKvOptions GetOptions();
  void SetOptions(TDBLookupGridKvOptions Value);
  bool GetUseMultiTitle() const { return FUseMultiTitle; }
  void SetUseMultiTitle(bool Value) { FUseMultiTitle = Value; }
  // The list's special row, which the column publishes as DropDownSpecRow.
  TSpecRowKv* GetSpecRow() const { return FSpecRow; }

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;

 private:
  friend class TCustomDBGridKv;
  // The owner's interface; null for an owner without one.
  IDropDownBoxColumnKv* Column() const;
  // Whether the owner's drop-down data grid exists (asking never makes it).
  bool HasDataGrid() const;
  bool IsColumnDefValuesStored() const { return HasDataGrid(); }
  bool IsColumnsStored() const;
  bool IsOptionsStored() const { return HasDataGrid(); }

  kvp::TPersistent* FOwner = nullptr;        // the column
  bool FAutoFitColWidths = true;             // fit the list's columns into its width on opening
  kvp::TDataSource* FListSource = nullptr;   // not owned; the grid hears of its freeing
  TSpecRowKv* FSpecRow = nullptr;            // owned
  bool FUseMultiTitle = false;
};

// [SECTION] Footers

class TColumnFootersKv;

enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };
KV_ENUM_INFO(TFooterValueType, fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText)

// ---------------------------------------------------------------------------
// TColumnFooterKv: one footer cell of a column: nothing, an aggregate of the
// grid's aggregate list (sum, average, count), the value of a field of the
// current record, or a fixed text. A sum, average or count footer owns its
// aggregate and keeps its operation and field in step.
class TColumnFooterKv : public kvp::TCollectionItem {
  KV_CLASS(TColumnFooterKv, kvp::TCollectionItem)
 public:
  explicit TColumnFooterKv(kvp::TCollection* ACollection, TColumnKv* AColumn = nullptr)
      : kvp::TCollectionItem(ACollection), FApartColumn(AColumn) {}
  // A footer outside any collection: the column's single Footer.
  static TColumnFooterKv* CreateApart(TColumnKv* Column) { return Create(nullptr, Column); }

  void Assign(kvp::TPersistent* Source) override;
  void RestoreDefaults();
  // Creates, updates or frees the footer's aggregate.
  void EnsureSumValue();
  TColumnKv* GetColumn() const { return FColumn; }
  TDBSum* GetDBSum() const { return FDBSum; }

  kvp::TAlignment GetAlignment();
  void SetAlignment(kvp::TAlignment Value);
  kvp::TColor GetColor() const;
  void SetColor(kvp::TColor Value);
  kvp::TFont* GetFont();
  // An assignment even when the font is equal to the one there.
  void SetFont(kvp::TFont* Value);
  bool GetToolTips() const;
  void SetToolTips(bool Value);
  const kvp::String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const kvp::String& Value);
  bool GetEndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool Value);
  const kvp::String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const kvp::String& Value);
  const kvp::String& GetValue() const { return FValue; }
  void SetValue(const kvp::String& Value);
  TFooterValueType GetValueType() const { return FValueType; }
  void SetValueType(TFooterValueType Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  kvp::Byte GetAssignedValues() const { return FAssignedValues; }

  kvp::TAlignment DefaultAlignment();
  kvp::TColor DefaultColor() const;
  kvp::TFont* DefaultFont() const;
  bool DefaultToolTips() const;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;

 private:
  enum : kvp::Byte { fbAlignment = 1, fbFont = 2, fbColor = 4, fbToolTips = 8 };
  TCustomDBGridKv* Grid() const;
  void Changed();
  void FontChanged(kvp::TObject* Sender);
  void RefreshDefaultFont();
  bool IsAlignmentStored();
  bool IsColorStored() const;
  bool IsFontStored() const { return (FAssignedValues & fbFont) != 0; }
  // An assigned True is always stored; an assigned False too where the
  // grid's default would read back True.
  bool IsToolTipsStored() const {
    return (FAssignedValues & fbToolTips) != 0 && (FToolTips || FToolTips != DefaultToolTips());
  }

  TColumnKv* FApartColumn = nullptr;  // the column of a footer made apart
  kvp::TAlignment FAlignment = kvp::taLeftJustify;
  kvp::Byte FAssignedValues = 0;  // fbAlignment, fbFont, fbColor, fbToolTips
  kvp::TColor FColor = kvp::clWindow;
  TColumnKv* FColumn = nullptr;  // the owning column, not owned
  kvp::String FDisplayFormat;
  bool FEndEllipsis = false;
  kvp::String FFieldName;  // empty: the column's field (sum, average)
  kvp::TFont* FFont = nullptr;  // owned; follows DefaultFont while unassigned
  bool FToolTips = false;
  kvp::String FValue;  // the text of a static footer
  TFooterValueType FValueType = fvtNon;
  bool FWordWrap = false;
  TDBSum* FDBSum = nullptr;  // owned aggregate in the grid's list, or null
};

// TColumnFootersKv: a column's footers, one per footer row.
class TColumnFootersKv : public kvp::TCollection {
  KV_CLASS(TColumnFootersKv, kvp::TCollection)
 public:
  TColumnFootersKv(TColumnKv* AColumn, kvp::TClass FooterClass)
      : kvp::TCollection(FooterClass), FColumn(AColumn) {}
  TColumnFooterKv* Add() { return static_cast<TColumnFooterKv*>(kvp::TCollection::Add()); }
  TColumnFooterKv* GetItem(kvp::Integer Index) const {
    return static_cast<TColumnFooterKv*>(GetItems(Index));
  }
  TColumnKv* GetColumn() const { return FColumn; }
  kvp::TPersistent* GetOwner() override;

 private:
  TColumnKv* FColumn = nullptr;  // the owning column
};

// TDBGridKvSumList: the grid's aggregate list. It works while the grid is
// designed too, without taking the dataset's events then. Its passes wait
// while the grid has not painted yet and while the grid or a column's
// footers are held by BeginUpdate, so that footers set then cost one pass
// together; that pass runs when the grid paints, or when a value is read.
class TDBGridKvSumList : public TDBSumListProducer {
  KV_CLASS(TDBGridKvSumList, TDBSumListProducer)
 public:
  using TDBSumListProducer::TDBSumListProducer;
  // The grid is about to paint: a pass put off runs now, before the first
  // cell is drawn.
  void GridPainting();
  KV_PUBLISHED;

 protected:
  void Construct() override;
  void SetDataSetEvents() override;
  void ReturnDataSetEvents() override;
  // The grid repaints its footer rows whenever the values may have changed.
  void DoSumListChanged() override;
  bool HoldsPassesBack() override;

 private:
  bool FGridPainted = false;  // the grid has begun a paint
};

// ---------------------------------------------------------------------------
// TColumnTitleKv: the title of one column. Its flagged values share the
// column's assigned-value word; its sort marker and sort index are kept in
// step with the grid's list of sort-marked columns.
class TColumnTitleKv : public kvp::TPersistent {
  KV_CLASS(TColumnTitleKv, kvp::TPersistent)
 public:
  explicit TColumnTitleKv(TColumnKv* AColumn) : FColumn(AColumn) {}

  void Assign(kvp::TPersistent* Source) override;
  virtual void RestoreDefaults();
  TColumnKv* GetColumn() const { return FColumn; }

  kvp::TAlignment GetAlignment() const;
  void SetAlignment(kvp::TAlignment Value);
  kvp::String GetCaption() const;
  virtual void SetCaption(const kvp::String& Value);
  kvp::TColor GetColor() const;
  void SetColor(kvp::TColor Value);
  bool GetEndEllipsis() const;
  void SetEndEllipsis(bool Value);
  // An unassigned font is brought in step with its default on every read.
  kvp::TFont* GetFont();
  // An assignment even when the font is equal to the one there.
  void SetFont(kvp::TFont* Value);
  const kvp::String& GetHint() const { return FHint; }
  void SetHint(const kvp::String& Value) { FHint = Value; }
  kvp::Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(kvp::Integer Value);
  TTextOrientationKv GetOrientation() const;
  void SetOrientation(TTextOrientationKv Value);
  bool GetTitleButton() const;
  void SetTitleButton(bool Value);
  bool GetToolTips() const;
  void SetToolTips(bool Value);

  // -- Sort marking --
  TSortMarkerKv GetSortMarker() const { return FSortMarker; }
  void SetSortMarker(TSortMarkerKv Value);
  kvp::Integer GetSortIndex() const { return FSortIndex; }
  void SetSortIndex(kvp::Integer Value);
  // none -> down -> up -> none (KeepOthers) or up -> down; without KeepOthers
  // every other column loses its marker first.
  void SetNextSortMarkerValue(bool KeepOthers);
  // Pixels the title keeps free for the marker and its number.
  kvp::Integer GetSortMarkingWidth();

  // Defaults that unassigned values follow.
  kvp::TAlignment DefaultAlignment() const;
  kvp::String DefaultCaption() const;
  kvp::TColor DefaultColor() const;
  bool DefaultEndEllipsis() const;
  kvp::TFont* DefaultFont() const;
  TTextOrientationKv DefaultOrientation() const;
  bool DefaultTitleButton() const;
  bool DefaultToolTips() const;

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;
  kvp::TPersistent* GetOwner() override;

 private:
  friend class TColumnKv;
  friend class TCustomDBGridKv;
  bool Assigned(TColumnKvValue Bit) const;
  void Flag(TColumnKvValue Bit);
  void NotifyColumn(bool AllItems);
  void FontChanged(kvp::TObject* Sender);
  void RefreshDefaultFont();
  bool IsAlignmentStored() const;
  bool IsCaptionStored() const;
  bool IsColorStored() const;
  bool IsEndEllipsisStored() const;
  bool IsFontStored() const;
  bool IsOrientationStored() const;
  bool IsTitleButtonStored() const;
  bool IsToolTipsStored() const;

  TColumnKv* FColumn = nullptr;  // the owning column
  kvp::TAlignment FAlignment = kvp::taLeftJustify;
  kvp::String FCaption;
  kvp::TColor FColor = kvp::clBtnFace;
  bool FEndEllipsis = false;
  kvp::TFont* FFont = nullptr;  // owned; follows DefaultFont while unassigned
  kvp::String FHint;
  kvp::Integer FImageIndex = -1;
  TTextOrientationKv FOrientation = tohHorizontal;
  kvp::Integer FSortIndex = 0;  // 1-based place among the sorted columns; 0 when unsorted
  TSortMarkerKv FSortMarker = smNoneKv;
  bool FTitleButton = false;
  bool FToolTips = false;
};

// ---------------------------------------------------------------------------
// TColumnKv: one grid column bound to one field of the grid's dataset. Most
// settings exist twice, an own value and a default from the field, the grid
// or the grid's column defaults; the assigned-value flags say which counts,
// and only flagged values are stored with the form. A column made by the
// grid from the dataset's fields is automatic (not stored).
class TColumnKv : public kvp::TCollectionItem, public IDropDownBoxColumnKv {
  KV_CLASS(TColumnKv, kvp::TCollectionItem)
 public:
  explicit TColumnKv(kvp::TCollection* ACollection)
      : kvp::TCollectionItem(ACollection), FCreateColumns(ACollection) {}

  void Assign(kvp::TPersistent* Source) override;
  void SetIndex(kvp::Integer Value) override;
  virtual void RestoreDefaults();
  // True for an automatic column: it is not stored with the form.
  virtual bool IsNotStored() const { return !FStored; }
  bool GetStored() const { return FStored; }
  void SetStored(bool Value) { FStored = Value; }
  TCustomDBGridKv* GetGrid() const;
  TColumnKvValues GetAssignedValues() const { return FAssignedValues; }
  // Has the grid make the column as wide as its title, its cells in every
  // record and its footers; nothing without a grid.
  virtual void OptimizeWidth();

  // -- Field --
  kvp::TField* GetField();
  virtual void SetField(kvp::TField* Value);
  const kvp::String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const kvp::String& Value);

  // -- Flagged values --
  kvp::TAlignment GetAlignment();
  virtual void SetAlignment(kvp::TAlignment Value);
  kvp::TBiDiMode GetBiDiMode() const;
  void SetBiDiMode(kvp::TBiDiMode Value);
  bool GetCheckboxes();
  void SetCheckboxes(bool Value);
  kvp::TColor GetColor() const;
  void SetColor(kvp::TColor Value);
  kvp::TFont* GetFont();
  // An assignment even when the font is equal to the one there.
  void SetFont(kvp::TFont* Value);
  kvp::TImeMode GetImeMode() const;
  virtual void SetImeMode(kvp::TImeMode Value);
  kvp::TImeName GetImeName() const;
  virtual void SetImeName(const kvp::TImeName& Value);
  kvp::String GetLookupDisplayFields();
  virtual void SetLookupDisplayFields(const kvp::String& Value);
  bool GetReadOnly();
  virtual void SetReadOnly(bool Value);
  kvp::Integer GetWidth();
  virtual void SetWidth(kvp::Integer Value);
  bool GetWordWrap();
  virtual void SetWordWrap(bool Value);
  // Values whose default is the grid's column defaults.
  bool GetAlwaysShowEditButton() const;
  void SetAlwaysShowEditButton(bool Value);
  bool GetAutoDropDown() const;
  void SetAutoDropDown(bool Value);
  bool GetDblClickNextVal() const;
  void SetDblClickNextVal(bool Value);
  bool GetDropDownShowTitles() const;
  void SetDropDownShowTitles(bool Value);
  bool GetDropDownSizing() const;
  void SetDropDownSizing(bool Value);
  bool GetEndEllipsis() const;
  void SetEndEllipsis(bool Value);
  bool GetHighlightRequired() const;
  virtual void SetHighlightRequired(bool Value);
  kvp::TTextLayout GetLayout() const;
  void SetLayout(kvp::TTextLayout Value);
  bool GetToolTips() const;
  void SetToolTips(bool Value);

  // -- Own values --
  bool GetAutoFitColWidth() const { return FAutoFitColWidth; }
  virtual void SetAutoFitColWidth(bool Value);
  kvp::Integer GetInitWidth() const { return FInitWidth; }  // the auto-fit base width
  void SetInitWidth(kvp::Integer Value) { FInitWidth = Value; }
  TColumnButtonStyleKv GetButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TColumnButtonStyleKv Value);
  const kvp::String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const kvp::String& Value);
  kvp::Cardinal GetDropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(kvp::Cardinal Value) { FDropDownRows = Value; }
  kvp::Integer GetDropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(kvp::Integer Value);
  const kvp::String& GetEditMask() const { return FEditMask; }
  void SetEditMask(const kvp::String& Value);
  bool GetHideDuplicates() const { return FHideDuplicates; }
  virtual void SetHideDuplicates(bool Value);
  kvp::TCustomImageList* GetImageList() const { return FImageList; }
  void SetImageList(kvp::TCustomImageList* Value);
  kvp::Extended GetIncrement() const { return FIncrement; }
  void SetIncrement(kvp::Extended Value) { FIncrement = Value; }
  // Created on first read.
  kvp::TStrings* GetKeyList();
  void SetKeyList(kvp::TStrings* Value);
  kvp::TStrings* GetPickList();
  void SetPickList(kvp::TStrings* Value);
  kvp::Integer GetMaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(kvp::Integer Value);
  kvp::Integer GetMinWidth() const { return FMinWidth; }
  void SetMinWidth(kvp::Integer Value);
  kvp::Integer GetNotInKeyListIndex() const { return FNotInKeyListIndex; }
  void SetNotInKeyListIndex(kvp::Integer Value);
  kvp::TPopupMenu* GetPopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(kvp::TPopupMenu* Value);
  bool GetShowImageAndText() const { return FShowImageAndText; }
  void SetShowImageAndText(bool Value);
  // The column's filter-row filter.
  TSTColumnFilterKv* GetSTFilter() const { return FSTFilter; }
  void SetSTFilter(TSTColumnFilterKv* Value);
  kvp::Integer GetTag() const { return FTag; }
  void SetTag(kvp::Integer Value) { FTag = Value; }
  TColumnTitleKv* GetTitle() const { return FTitle; }
  void SetTitle(TColumnTitleKv* Value) { FTitle->Assign(Value); }
  TColumnFooterKv* GetFooter() const { return FFooter; }
  void SetFooter(TColumnFooterKv* Value) { FFooter->Assign(Value); }
  TColumnFootersKv* GetFooters() const { return FFooters; }
  void SetFooters(TColumnFootersKv* Value) { FFooters->Assign(Value); }
  // The footer of footer row Index: Footers[Index] when there is one, else Footer.
  TColumnFooterKv* UsedFooter(kvp::Integer Index) const;
  // Binds Footer and every item of Footers to the grid's aggregate list.
  void EnsureSumValues();
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);

  // MinWidth wins over MaxWidth when the two disagree, as in SetWidth.
  kvp::Integer ClampWidth(kvp::Integer Value) const;
  bool UseRightToLeftReading() const;
  virtual bool UseRightToLeftAlignment() const;

  // Defaults that unassigned values follow.
  kvp::TColor DefaultColor() const;
  kvp::TFont* DefaultFont() const;
  kvp::TAlignment DefaultAlignment();
  kvp::Integer DefaultWidth();
  bool DefaultReadOnly();
  kvp::TImeMode DefaultImeMode() const;
  kvp::TImeName DefaultImeName() const;
  kvp::TBiDiMode DefaultBiDiMode() const;
  bool DefaultWordWrap();
  bool DefaultCheckboxes();
  kvp::String DefaultLookupDisplayFields();

  // -- Edit buttons, special row, most-recently-used list --
  // The additional buttons the in-place editor shows beside its own.
  TEditButtonsKv* GetEditButtons() const { return FEditButtons; }
  void SetEditButtons(TEditButtonsKv* Value) { FEditButtons->Assign(Value); }
  // The extra first row of the drop-down list of a lookup column.
  TSpecRowKv* GetDropDownSpecRow() const { return FDropDownSpecRow; }
  void SetDropDownSpecRow(TSpecRowKv* Value) { FDropDownSpecRow->Assign(Value); }
  TMRUListKv* GetMRUList() const { return FMRUList; }
  void SetMRUList(TMRUListKv* Value) { FMRUList->Assign(Value); }
  // The drop-down data grid of a lookup cell, named "DataList", made on
  // first use (DBLookupGridsKvPopup.cpp); FindDataList answers null before.
  TPopupDataGridKv* GetDataList();
  TPopupDataGridKv* FindDataList() const;
  // The settings of the drop-down data grid (DBGridKvDropDownBox.cpp).
  TColumnDropDownBoxKv* GetDropDownBox() const { return FDropDownBox; }
  void SetDropDownBox(TColumnDropDownBoxKv* Value) { FDropDownBox->Assign(Value); }
  // The dataset the drop-down data grid lists: the drop-down box's list
  // source's, else the lookup field's.
  kvp::TDataSet* GetDropDownListDataSet();

  // -- IDropDownBoxColumnKv --
  void DropDownBoxListSourceChanged(kvp::TDataSource* Value) override;
  TPopupDataGridKv* GetDropDownBoxDataGrid() override { return GetDataList(); }
  TDBLookupGridKvOptions GetDropDownBoxOptions() override;
  void SetDropDownBoxOptions(TDBLookupGridKvOptions Value) override;

  // -- Cell values (DBGridKvCellValues.cpp) --
  // The grid, its editor and the exporters read and write the field through
  // these, never directly.
  TColumnKvType GetColumnType();
  // The text a cell shows for the current record.
  kvp::String GetDisplayText();
  // The state of a check-box cell, and writing one (grayed writes Null).
  kvp::TCheckBoxState GetCheckboxState();
  void SetCheckboxState(kvp::TCheckBoxState Value);
  // The image of the current value in ImageList; NotInKeyListIndex when none.
  kvp::Integer GetImageIndex();
  // Fills what the column decides of a cell; Col, Row -1 and State empty.
  void FillColCellParams(TColCellParamsKv* Params);
  // Steps the value: the next (Increment > 0) or previous item of a list,
  // the other state of a check box, or the number plus Increment.
  void SetNextFieldValue(kvp::Extended Increment);
  // Writes an edited text (UseText) or value into the field: OnUpdateData
  // first, which may write it itself; then the text goes to the MRU list.
  void UpdateDataValues(kvp::String Text, kvp::Variant Value, bool UseText);
  // Whether the cell may be edited now; with TryEdit the record is put into
  // edit and the grid's data link marked modified.
  bool CanModify(bool TryEdit);
  // Pixels the in-place editor's visible buttons take.
  kvp::Integer EditButtonsWidth();
  // Lets the application change a cell's parameters (OnGetCellParams).
  virtual void GetCellParams(bool EditMode, TColCellParamsKv* Params);

  // -- Events --
  const TGetColCellParamsEventKv& GetOnGetCellParams() const { return FOnGetCellParams; }
  void SetOnGetCellParams(const TGetColCellParamsEventKv& Value);
  TOnColumnCheckDrawRequiredStateEventKv OnCheckDrawRequiredState;
  TButtonClickEventKv OnEditButtonClick;
  TButtonDownEventKv OnEditButtonDown;
  TColumnKvNotInListEventKv OnNotInList;
  TColumnKvUpdateDataEventKv OnUpdateData;
  // The drop-down data grid's own OnCheckTitleBtn, OnDrawColumnCell,
  // OnGetCellParams, OnSortMarkingChanged and OnTitleClick: reading or
  // writing one makes that grid.
  TCheckTitleKvBtnEvent GetOnDropDownBoxCheckButton();
  void SetOnDropDownBoxCheckButton(const TCheckTitleKvBtnEvent& Value);
  TDrawColumnKvCellEvent GetOnDropDownBoxDrawColumnCell();
  void SetOnDropDownBoxDrawColumnCell(const TDrawColumnKvCellEvent& Value);
  TGetCellKvParamsEvent GetOnDropDownBoxGetCellParams();
  void SetOnDropDownBoxGetCellParams(const TGetCellKvParamsEvent& Value);
  kvp::TNotifyEvent GetOnDropDownBoxSortMarkingChanged();
  void SetOnDropDownBoxSortMarkingChanged(const kvp::TNotifyEvent& Value);
  TTitleKvClickEvent GetOnDropDownBoxTitleBtnClick();
  void SetOnDropDownBoxTitleBtnClick(const TTitleKvClickEvent& Value);

 protected:
  void Construct() override;
  void Destroy() override;
  kvp::String DoGetDisplayName() const override;
  virtual TColumnTitleKv* CreateTitle();
  virtual TColumnFooterKv* CreateFooter();
  virtual TColumnFootersKv* CreateFooters();
  virtual TEditButtonsKv* CreateEditButtons();
  // The special row changed: a change of the column.
  virtual void SpecRowChanged(kvp::TObject* Sender);
  virtual TSTColumnFilterKv* CreateSTFilter();
  void Changed(bool AllItems) { kvp::TCollectionItem::Changed(AllItems); }

  // Stored tests: an assigned value that differs from its default.
  bool IsAlignmentStored();
  bool IsBiDiModeStored() const { return Assigned(cvBiDiMode); }
  bool IsCheckboxesStored() const { return Assigned(cvCheckboxes); }
  bool IsColorStored() const;
  bool IsFontStored() const { return Assigned(cvFont); }
  bool IsImeModeStored() const;
  bool IsImeNameStored() const;
  bool IsIncrementStored() const { return FIncrement != 1.0L; }
  bool IsKeyListStored() const;
  bool IsLookupDisplayFieldsStored();
  bool IsPickListStored() const;
  bool IsReadOnlyStored();
  bool IsWidthStored();
  bool IsWordWrapStored();
  bool IsAlwaysShowEditButtonStored() const;
  bool IsAutoDropDownStored() const;
  bool IsDblClickNextValStored() const;
  bool IsDropDownShowTitlesStored() const;
  bool IsDropDownSizingStored() const;
  bool IsEndEllipsisStored() const;
  bool IsHighlightRequiredStored() const;
  bool IsLayoutStored() const;
  bool IsToolTipsStored() const;
  // A form writes the drop-down grid's events only once that grid exists.
  bool IsDropDownBoxEventStored() const { return FindDataList() != nullptr; }

 private:
  friend class TColumnTitleKv;
  friend class TColumnFooterKv;
  friend class TDBGridColumnsKv;
  friend class TCustomDBGridKv;
  friend class TSTColumnFilterKv;
  template <class T>
  void SetFlagged(T& Own, const T& Value, TColumnKvValue Bit, bool Notify);
  bool Assigned(TColumnKvValue Bit) const { return FAssignedValues.Contains(Bit); }
  bool GridLoading() const;
  // An automatic column with an active link writes some values into its field.
  bool WritesThrough();
  void FontChanged(kvp::TObject* Sender);
  void RefreshDefaultFont();
  void ImageListChange(kvp::TObject* Sender);
  void EditButtonsChanged(kvp::TObject* Sender);
  void InvalidateGrid() const;
  // The text metrics of the column's font and the width of "0".
  void MeasureFont(kvp::TEXTMETRIC& Metrics, kvp::Integer& ZeroWidth);

 protected:
  kvp::TCollection* FCreateColumns = nullptr;  // the collection given to the constructor
  kvp::TAlignment FAlignment = kvp::taLeftJustify;
  TColumnKvValues FAssignedValues;
  kvp::TBiDiMode FBiDiMode = kvp::bdLeftToRight;
  TColumnButtonStyleKv FButtonStyle = cbsAuto;
  bool FCheckboxes = false;
  kvp::TColor FColor = kvp::clWindow;
  bool FDblClickNextVal = false;
  kvp::String FDisplayFormat;
  kvp::Cardinal FDropDownRows = 7;
  bool FDropDownShowTitles = false;
  bool FDropDownSizing = false;
  kvp::Integer FDropDownWidth = 0;  // -1: the list's columns; 0: the editor's width; > 0: pixels
  kvp::String FEditMask;
  kvp::TField* FField = nullptr;  // cached from FieldName; the grid hears of its freeing
  kvp::String FFieldName;
  kvp::TFont* FFont = nullptr;  // owned; follows DefaultFont while unassigned
  bool FHideDuplicates = false;
  bool FHighlightRequired = false;
  kvp::TCustomImageList* FImageList = nullptr;  // not owned
  kvp::TChangeLink* FImageChangeLink = nullptr;  // owned
  kvp::TImeMode FImeMode = kvp::imDontCare;
  kvp::TImeName FImeName;
  kvp::Extended FIncrement = 1.0L;  // step of the up-down buttons
  kvp::TStrings* FKeyList = nullptr;   // owned; made on first read
  kvp::TStrings* FPickList = nullptr;  // owned; made on first read
  kvp::TTextLayout FLayout = kvp::tlTop;
  kvp::String FLookupDisplayFields;
  kvp::Integer FMaxWidth = 0;  // 0: no limit
  kvp::Integer FMinWidth = 0;  // 0: no limit
  kvp::Integer FNotInKeyListIndex = -1;
  kvp::TPopupMenu* FPopupMenu = nullptr;  // not owned; the grid hears of its freeing
  bool FReadOnly = false;
  bool FShowImageAndText = false;
  TSTColumnFilterKv* FSTFilter = nullptr;  // owned
  kvp::Integer FTag = 0;
  TColumnTitleKv* FTitle = nullptr;  // owned
  TColumnFooterKv* FFooter = nullptr;    // owned; the footer of rows without their own
  TColumnFootersKv* FFooters = nullptr;  // owned; one footer per footer row
  bool FToolTips = false;
  bool FVisible = true;
  kvp::Integer FWidth = 0;
  bool FWordWrap = false;
  bool FAlwaysShowEditButton = false;
  bool FAutoDropDown = false;
  bool FEndEllipsis = false;
  bool FAutoFitColWidth = true;
  kvp::Integer FInitWidth = 0;  // the width the grid scales when it fits columns to its width
  bool FStored = true;          // false for an automatic column
  TEditButtonsKv* FEditButtons = nullptr;  // owned; a change of a button is a change of the column
  TSpecRowKv* FDropDownSpecRow = nullptr;  // the drop-down box's special row, not owned here
  TColumnDropDownBoxKv* FDropDownBox = nullptr;  // owned
  TMRUListKv* FMRUList = nullptr;          // owned
  kvp::TComponent* FDataListHolder = nullptr;  // owned; owns the drop-down data grid
  TGetColCellParamsEventKv FOnGetCellParams;
};

// TDBGridColumnKv: the data-aware grid's column class; it only publishes.
class TDBGridColumnKv : public TColumnKv {
  KV_CLASS(TDBGridColumnKv, TColumnKv)
 public:
  using TColumnKv::TColumnKv;
  KV_PUBLISHED;
};

// ---------------------------------------------------------------------------
// TDBGridColumnsKv: the grid's columns. It tells automatic columns from the
// user's and turns each change of a column into the grid's reaction: a new
// width of one grid column, a re-scaled auto-fit width, or a full layout.
class TDBGridColumnsKv : public kvp::TCollection {
  KV_CLASS(TDBGridColumnsKv, kvp::TCollection)
 public:
  TDBGridColumnsKv(TCustomDBGridKv* AGrid, kvp::TClass ColumnClass)
      : kvp::TCollection(ColumnClass), FGrid(AGrid) {}

  TColumnKv* Add() { return static_cast<TColumnKv*>(kvp::TCollection::Add()); }
  TColumnKv* GetColumn(kvp::Integer Index) const {
    return static_cast<TColumnKv*>(GetItems(Index));
  }
  void SetColumn(kvp::Integer Index, TColumnKv* Value) { SetItems(Index, Value); }
  TCustomDBGridKv* GetGrid() const { return FGrid; }
  // True when the first column is the user's: then the grid stores its columns.
  bool IsCustomized() const;
  // Adds a column and marks it automatic.
  TColumnKv* AddDefaultColumn();
  // Every column forgets its cached field and looks it up again on next use.
  void ResetFieldLinks();
  kvp::TPersistent* GetOwner() override;

 protected:
  void Update(kvp::TCollectionItem* Item) override;
  // A column leaving the collection leaves the grid's selection too.
  void Notify(kvp::TCollectionItem* Item, kvp::TCollectionNotification Action) override;

 private:
  void ColumnChanged(TColumnKv* Column);
  TCustomDBGridKv* FGrid = nullptr;  // not owned
};

// ---------------------------------------------------------------------------
// Column defaults: the grid-wide values that unassigned column, title and
// footer values fall back to.
class TColumnDefValuesKv;

class TColumnTitleDefValuesKv : public kvp::TPersistent {
  KV_CLASS(TColumnTitleDefValuesKv, kvp::TPersistent)
 public:
  explicit TColumnTitleDefValuesKv(TColumnDefValuesKv* AOwner) : FDefValues(AOwner) {}
  void Assign(kvp::TPersistent* Source) override;

  kvp::TAlignment GetAlignment() const;
  void SetAlignment(kvp::TAlignment Value);
  kvp::TColor GetColor() const;
  void SetColor(kvp::TColor Value);
  bool GetEndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool Value);
  TTextOrientationKv GetOrientation() const { return FOrientation; }
  void SetOrientation(TTextOrientationKv Value);
  bool GetTitleButton() const { return FTitleButton; }
  void SetTitleButton(bool Value) { FTitleButton = Value; }
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool Value) { FToolTips = Value; }
  kvp::TAlignment DefaultAlignment() const;
  kvp::TColor DefaultColor() const;
  bool IsAlignmentAssigned() const { return (FAssignedValues & 2) != 0; }
  bool IsColorAssigned() const { return (FAssignedValues & 1) != 0; }

  KV_PUBLISHED;

 protected:
  kvp::TPersistent* GetOwner() override;

 private:
  TCustomDBGridKv* Grid() const;
  bool IsAlignmentStored() const;
  bool IsColorStored() const;

  kvp::TAlignment FAlignment = kvp::taLeftJustify;
  kvp::Byte FAssignedValues = 0;  // bit 0 Color, bit 1 Alignment
  kvp::TColor FColor = kvp::clBtnFace;
  TColumnDefValuesKv* FDefValues = nullptr;  // the owner
  bool FEndEllipsis = false;
  TTextOrientationKv FOrientation = tohHorizontal;
  bool FTitleButton = false;
  bool FToolTips = false;
};

class TColumnFooterDefValuesKv : public kvp::TPersistent {
  KV_CLASS(TColumnFooterDefValuesKv, kvp::TPersistent)
 public:
  TColumnFooterDefValuesKv() = default;
  void Assign(kvp::TPersistent* Source) override;
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool Value) { FToolTips = Value; }
  KV_PUBLISHED;

 private:
  bool FToolTips = false;
};

class TColumnDefValuesKv : public kvp::TPersistent {
  KV_CLASS(TColumnDefValuesKv, kvp::TPersistent)
 public:
  explicit TColumnDefValuesKv(TCustomDBGridKv* AGrid) : FGrid(AGrid) {}
  void Assign(kvp::TPersistent* Source) override;
  TCustomDBGridKv* GetGrid() const { return FGrid; }

  bool GetAlwaysShowEditButton() const { return FAlwaysShowEditButton; }
  void SetAlwaysShowEditButton(bool Value);
  bool GetAutoDropDown() const { return FAutoDropDown; }
  void SetAutoDropDown(bool Value) { FAutoDropDown = Value; }
  bool GetDblClickNextVal() const { return FDblClickNextVal; }
  void SetDblClickNextVal(bool Value) { FDblClickNextVal = Value; }
  bool GetDropDownShowTitles() const { return FDropDownShowTitles; }
  void SetDropDownShowTitles(bool Value) { FDropDownShowTitles = Value; }
  bool GetDropDownSizing() const { return FDropDownSizing; }
  void SetDropDownSizing(bool Value) { FDropDownSizing = Value; }
  bool GetEndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool Value);
  kvp::TTextLayout GetLayout() const { return FLayout; }
  void SetLayout(kvp::TTextLayout Value);
  bool GetHighlightRequired() const { return FHighlightRequired; }
  void SetHighlightRequired(bool Value);
  TColumnTitleDefValuesKv* GetTitle() const { return FTitle; }
  void SetTitle(TColumnTitleDefValuesKv* Value) { FTitle->Assign(Value); }
  TColumnFooterDefValuesKv* GetFooter() const { return FFooter; }
  void SetFooter(TColumnFooterDefValuesKv* Value) { FFooter->Assign(Value); }
  bool GetToolTips() const { return FToolTips; }
  void SetToolTips(bool Value) { FToolTips = Value; }

 protected:
  void Construct() override;
  void Destroy() override;
  kvp::TPersistent* GetOwner() override;
  void InvalidateGrid();

  bool FAlwaysShowEditButton = false;
  bool FAutoDropDown = false;
  bool FDblClickNextVal = false;
  bool FDropDownShowTitles = false;
  bool FDropDownSizing = false;
  bool FEndEllipsis = false;
  kvp::TTextLayout FLayout = kvp::tlTop;
  bool FHighlightRequired = false;
  TCustomDBGridKv* FGrid = nullptr;             // the owner, not owned
  TColumnTitleDefValuesKv* FTitle = nullptr;    // owned
  TColumnFooterDefValuesKv* FFooter = nullptr;  // owned
  bool FToolTips = false;
};

// TDBGridKvColumnDefValuesKv: the grid's ColumnDefValues; it only publishes.
class TDBGridKvColumnDefValuesKv : public TColumnDefValuesKv {
  KV_CLASS(TDBGridKvColumnDefValuesKv, TColumnDefValuesKv)
 public:
  using TColumnDefValuesKv::TColumnDefValuesKv;
  KV_PUBLISHED;
};

// ---------------------------------------------------------------------------
// TColumnsKvList: a list of columns that does not own them (the visible
// columns, the sort-marked columns, columns to export or fit).
class TColumnsKvList : public kvp::TObjectList {
  KV_CLASS(TColumnsKvList, kvp::TObjectList)
 public:
  TColumnsKvList() : kvp::TObjectList(false) {}
  TColumnKv* GetColumn(kvp::Integer Index) const {
    return static_cast<TColumnKv*>(GetItems(Index));
  }
  void SetColumn(kvp::Integer Index, TColumnKv* Value) { SetItems(Index, Value); }
};

// [SECTION] Header tree

// The delimiter of title levels: "Address|City".
inline constexpr char TitleLevelDelimiter = '|';
// The most levels a title shows, as deep as a stored form may nest: a
// caption with more is refused, and a field's label with more keeps its
// last levels whole in the lowest cell.
inline constexpr kvp::Integer MaxTitleLevels = 256;
// The number of levels (words between delimiters) of a caption.
kvp::Integer TitleLevelCount(const kvp::String& Caption);

// The N-th word (1-based) of S, words being runs of characters outside
// Delimiters, and its 1-based byte position; "" and 0 when there is none.
kvp::String GetWordAndStart(kvp::Integer N, const kvp::String& S, const kvp::String& Delimiters,
                            kvp::Integer& Pos);
kvp::String GetWord(kvp::Integer N, const kvp::String& S, const kvp::String& Delimiters);
kvp::Integer FindWordStart(kvp::Integer N, const kvp::String& S, const kvp::String& Delimiters);

// ---------------------------------------------------------------------------
// THeadTreeNode: one cell of multi-level titles. The root holds one leaf per
// column; leading caption parts that neighbouring columns share become inner
// nodes spanning them. Siblings form a ring through Next (the last points
// back to the first); a node owns its children.
class THeadTreeNode : public kvp::TObject {
  KV_CLASS(THeadTreeNode, kvp::TObject)
 public:
  THeadTreeNode() = default;
  THeadTreeNode(const kvp::String& AText, kvp::Integer AHeight, kvp::Integer AWidth)
      : Height(AHeight), Text(AText), Width(AWidth) {}
  static THeadTreeNode* CreateText(const kvp::String& AText, kvp::Integer AHeight,
                                   kvp::Integer AWidth) {
    return Create(AText, AHeight, AWidth);
  }

  // A new sibling right after AAfter; raises when AAfter is not in this tree.
  THeadTreeNode* Add(THeadTreeNode* AAfter, const kvp::String& AText, kvp::Integer AHeight,
                     kvp::Integer AWidth);
  // A new last child of ANode; raises when ANode is not in this tree.
  THeadTreeNode* AddChild(THeadTreeNode* ANode, const kvp::String& AText, kvp::Integer AHeight,
                          kvp::Integer AWidth);
  void FreeChildren();
  // ANode is this node, one of its ring's siblings, or in their subtrees.
  bool Find(THeadTreeNode* ANode);
  kvp::Integer GetLevel() const;
  // Puts the siblings AFrom..ATo under a new node of height AHeight and text
  // AText; raises when AFrom is not in this tree or ATo not on its level.
  THeadTreeNode* Union(THeadTreeNode* AFrom, THeadTreeNode* ATo, kvp::Integer AHeight,
                       const kvp::String& AText);
  // Rebuilds the whole tree from the grid's columns (the root's job).
  void BuildFromColumns(TCustomDBGridKv* Grid);
  // The children in ring order.
  std::vector<THeadTreeNode*> Children() const;
  // Asserts the ring, parent and width invariants of the subtree.
  void CheckConsistency() const;

  THeadTreeNode* Child = nullptr;   // first child; null for a leaf
  TColumnKv* Column = nullptr;      // the column of a leaf
  kvp::Integer Height = 0;          // pixels of this node's own title cell
  THeadTreeNode* Parent = nullptr;  // null for the root
  THeadTreeNode* Next = this;       // next sibling in the ring
  kvp::String Text;                 // the caption part of this level
  kvp::Integer LineWidth = 0;       // the grid line after the node: 1 with column lines
  kvp::Integer Width = 0;           // pixels of the node's cell
  kvp::Integer SortMarkerWidth = 0;  // 16 for a leaf whose column has a sort marker

 protected:
  void Destroy() override;
};

// A column and its leaf in the header tree.
struct TLeafCol {
  THeadTreeNode* FLeaf = nullptr;
  TColumnKv* FColumn = nullptr;
};
using PTLeafCol = TLeafCol*;

}  // namespace korvel
