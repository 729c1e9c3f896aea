// DBGridKvFilter: the filters of the grid's filter row, declared for
// DBGridKv.h, which includes it; include DBGridKv.h, not this file. A column's
// filter keeps the condition a person typed into the column's filter cell, as
// typed and parsed, and for lookup columns the key that the typed text stands
// for; the grid's filter shows or hides the row; the filter-row editor is the
// combo box the person types the condition into.
//
// Sources: DBGridKvFilter.cpp (the column filter), DBGridKvFilterRow.cpp (the
// grid's filter, the editor and the grid's filter-row operations).
#pragma once

#include "controls/DBCtrlsKv.h"
#include "grid/DbUtilsKv.h"

namespace korvel {

// ---------------------------------------------------------------------------
// TSTColumnFilterKv: a column's filter-row filter. SetExpressionStr types the
// text by the column's field, parses it (the parser of DbUtilsKv) and maps
// pick-list texts to their keys; a lookup filter looks the text up in its
// list dataset and keeps the key. A features object reads the condition
// through GetDataField, Expression and GetFilterValue1 / GetFilterValue2.
//
// Lookup defaults: while the grid's link is active and the column's field is
// a lookup field, an empty DataField, KeyField, ListSource or ListField
// stands for the field's KeyFields, LookupKeyFields, LookupDataSet and
// LookupResultField.
class TSTColumnFilterKv : public kvp::TPersistent {
  KV_CLASS(TSTColumnFilterKv, kvp::TPersistent)
 public:
  explicit TSTColumnFilterKv(TColumnKv* AColumn) : FColumn(AColumn) {}

  // From another column filter: DataField, Visible, KeyField, ListField and
  // ListSource.
  void Assign(kvp::TPersistent* Source) override;
  TColumnKv* GetColumn() const { return FColumn; }

  // -- Published settings --
  // DataField as set; GetDataField gives the one in effect.
  const kvp::String& GetOwnDataField() const { return FDataField; }
  void SetDataField(const kvp::String& Value) { FDataField = Value; }
  const kvp::String& GetKeyField() const { return FKeyField; }
  void SetKeyField(const kvp::String& Value) { FKeyField = Value; }
  const kvp::String& GetListField() const { return FListField; }
  // A new list field or list source lets the kept drop-down values go.
  void SetListField(const kvp::String& Value);
  kvp::TDataSource* GetListSource() const;
  void SetListSource(kvp::TDataSource* Value);
  bool GetVisible() const { return FVisible; }
  // Tells the column, so that the grid lays itself out again.
  void SetVisible(bool Value);

  // -- The condition --
  const TSTFilterExpressionKv& GetExpression() const { return FExpression; }
  // The text as the person typed it.
  const kvp::String& GetExpressionStr() const { return FExpressionStr; }
  // Types, parses and maps Text, then keeps it. A text that does not parse
  // raises (the parser's error, a conversion or a lookup error) and the
  // previous text, condition and key stay.
  void SetExpressionStr(const kvp::String& Text);
  // No condition: KeyValue Null, an empty text; the grid repaints.
  void ClearFilter();
  // For a lookup filter: the key the typed text stands for (Null: none).
  const kvp::Variant& GetKeyValue() const { return FKeyValue; }
  void SetKeyValue(const kvp::Variant& Value) { FKeyValue = Value; }
  // The list dataset's list and key values, filled when the list link
  // becomes active with both ListField and KeyField set.
  kvp::TStrings* GetKeyValues() const { return FKeyValues; }
  kvp::TStrings* GetListValues() const { return FListValues; }
  // The size of the filter-row drop-down the person chose; 0 until then.
  kvp::Integer GetDropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(kvp::Integer Value) { FDropDownWidth = Value; }
  kvp::Integer GetDropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(kvp::Integer Value) { FDropDownRows = Value; }

  // -- What a features object reads --
  // The written form of the condition (empty without one); with a
  // ListSource only the first operand, as a list shows it.
  virtual void GetExpressionAsText(kvp::String& Text);
  // ListSource is set, or the grid's dataset offers the tree interface.
  virtual bool HasListSource();
  // Pick-list texts among the operands become their KeyList keys.
  virtual void MapPickListValues(TSTFilterExpressionKv& Expression);
  // The field the condition is about (the lookup's key fields for a lookup
  // column).
  virtual void GetDataField(kvp::String& Name);
  // The first operand, or the looked-up key for a lookup filter.
  virtual void GetFilterValue1(kvp::Variant& Value);
  virtual void GetFilterValue2(kvp::Variant& Value);
  kvp::String ExpressionAsText() {
    kvp::String Text;
    GetExpressionAsText(Text);
    return Text;
  }
  kvp::String DataFieldName() {
    kvp::String Name;
    GetDataField(Name);
    return Name;
  }

  // -- Settings in effect (own values, else the lookup field's) --
  kvp::String EffectiveKeyField();
  kvp::TDataSet* EffectiveListDataSet();
  kvp::String EffectiveListField();

  // -- The drop-down's values --
  // The sorted distinct values the filter-row drop-down offers, made on the
  // first drop-down and kept; null until then.
  IMemTableDataFieldValueListKv* GetValueList() const { return FValueList.Get(); }
  void SetValueList(IMemTableDataFieldValueListKv* Value) { FValueList = Value; }
  // Lets the kept values go; the next drop-down reads them again.
  void ReleaseValueList() { FValueList = nullptr; }

  KV_PUBLISHED;

 protected:
  void Construct() override;
  void Destroy() override;
  kvp::TPersistent* GetOwner() override;

 private:
  // The column's field when it is a lookup field of the grid's active
  // dataset, else null.
  kvp::TField* LookupField();
  void ListLinkActiveChange(kvp::TObject* Sender);

  TColumnKv* FColumn = nullptr;  // the owning column
  kvp::String FDataField;
  kvp::String FKeyField;
  kvp::TStringList* FKeyValues = nullptr;   // owned
  kvp::Variant FKeyValue = kvp::Null();     // the key of a lookup filter's text
  kvp::TStringList* FListValues = nullptr;  // owned
  kvp::String FListField;
  kvp::TFieldDataLink* FListLink = nullptr;  // owned; its data source is ListSource
  bool FVisible = true;
  kvp::Integer FDropDownWidth = 0;  // pixels; 0 until the person sizes the drop-down
  kvp::Integer FDropDownRows = 0;
  TSTFilterExpressionKv FExpression;  // the parsed condition
  kvp::String FExpressionStr;         // the text as typed
  // The drop-down's values, read from the list dataset or supplied by the
  // grid's dataset; counted, freed with the last reference.
  kvp::TInterfacePtr<IMemTableDataFieldValueListKv> FValueList;
};

// ---------------------------------------------------------------------------
// TSTDBGridKvFilter: the grid-wide settings of the filter row: whether the
// row shows, and Local, which the grid keeps for an application's features
// object and never reads. While its updates are held (BeginUpdate) the grid
// neither places nor hides the filter-row editor.
class TSTDBGridKvFilter : public kvp::TPersistent {
  KV_CLASS(TSTDBGridKvFilter, kvp::TPersistent)
 public:
  explicit TSTDBGridKvFilter(TCustomDBGridKv* AGrid) : FGrid(AGrid) {}

  // From another grid filter: Visible, then Local.
  void Assign(kvp::TPersistent* Source) override;
  TCustomDBGridKv* GetGrid() const { return FGrid; }
  bool GetLocal() const { return FLocal; }
  void SetLocal(bool Value) { FLocal = Value; }
  bool GetVisible() const { return FVisible; }
  // Hiding the row hides its editor; either way the grid lays itself out
  // again and, in editor mode, places its editors again.
  void SetVisible(bool Value);
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  kvp::Integer GetUpdateCount() const { return FUpdateCount; }

  KV_PUBLISHED;

 protected:
  kvp::TPersistent* GetOwner() override;

 private:
  TCustomDBGridKv* FGrid = nullptr;  // the owning grid, never changed
  bool FLocal = false;
  kvp::Integer FUpdateCount = 0;  // BeginUpdate nesting
  bool FVisible = false;
};

// ---------------------------------------------------------------------------
// TInplaceFilterEditKv: the combo box the grid lays over a filter cell for
// the person to type a condition into or pick one from its list. The grid
// is its holder: the grid sees its keys first and fills its list. Its text
// sits one pixel lower than an ordinary edit box's, level with the text of
// the filter cells around it.
class TInplaceFilterEditKv : public TDBComboBoxKv {
  KV_CLASS(TInplaceFilterEditKv, TDBComboBoxKv)
 public:
  explicit TInplaceFilterEditKv(kvp::TComponent* AOwner) : TDBComboBoxKv(AOwner) {}

  kvp::TRect GetEditRect() override;
  // Value first, then the text shown, which need not be the value's own
  // (the key of a lookup filter and the text the person typed).
  void SetValueAndText(const kvp::Variant& Value, const kvp::String& Text);
};

}  // namespace korvel
