// Fields: the typed view of one column of a dataset's current record. A field
// reads and writes the dataset's active buffer, converts between its value and
// text (Text is the edit text, DisplayText what a control shows), checks input
// characters and values, and carries the presentation properties controls use
// (DisplayLabel, DisplayWidth, Alignment, Visible, EditMask). TFields is the
// dataset's ordered list of them.
#pragma once

#include <bitset>
#include <string_view>
#include <vector>

#include "platform/classes/Alignment.h"
#include "platform/classes/Component.h"
#include "platform/db/DBCommon.h"
#include "platform/rtl/Currency.h"
#include "platform/rtl/Delegate.h"
#include "platform/rtl/Variants.h"

namespace kvp {

// TFieldChars: the characters a field accepts as typed input: the first 256
// code points one by one, and every code point above them as one group
// (including or excluding any of those includes or excludes the group).
class TFieldChars {
 public:
  static TFieldChars All();
  static TFieldChars Of(std::u32string_view Chars);
  bool Contains(Char C) const { return C < 256 ? FLow.test(C) : FHigh; }
  void Include(Char C);
  void Exclude(Char C);
  bool operator==(const TFieldChars& Other) const = default;

 private:
  std::bitset<256> FLow;
  bool FHigh = false;  // every code point from 256 up
};

using TFieldNotifyEvent = TDelegate<void(TField* Sender)>;
using TFieldGetTextEvent = TDelegate<void(TField* Sender, String& Text, bool DisplayText)>;
using TFieldSetTextEvent = TDelegate<void(TField* Sender, const String& Text)>;

// TField: see the unit comment. A data field's value lives in the buffer slot
// FieldNo - 1; a calculated or lookup field's in its calculated slot. Setting a
// value runs OnValidate, stores it, sends deFieldChange and then OnChange.
class TField : public TComponent {
  KV_CLASS(TField, TComponent)
 public:
  explicit TField(TComponent* AOwner) : TComponent(AOwner) {}

  // [Identity]
  TDataSet* GetDataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value);
  const String& GetFieldName() const { return FFieldName; }
  void SetFieldName(const String& Value);
  String GetFullName() const { return FFieldName; }
  TFieldType GetDataType() const { return FDataType; }
  TFieldKind GetFieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind Value);
  bool GetCalculated() const { return FFieldKind == fkCalculated; }
  bool GetLookup() const { return FFieldKind == fkLookup; }
  Integer GetFieldNo() const { return FFieldNo; }
  Integer GetIndex() const;
  void SetIndex(Integer Value);
  Integer GetSize() const { return FSize; }
  void SetSize(Integer Value);
  virtual bool IsBlob() const { return false; }

  // [Values]
  virtual Variant GetValue() const;
  virtual void SetValue(const Variant& Value);
  Variant GetAsVariant() const { return GetValue(); }
  void SetAsVariant(const Variant& Value) { SetValue(Value); }
  virtual String GetAsString() const;
  virtual void SetAsString(const String& Value);
  virtual Integer GetAsInteger() const;
  virtual void SetAsInteger(Integer Value);
  virtual Int64 GetAsLargeInt() const;
  virtual void SetAsLargeInt(Int64 Value);
  virtual Double GetAsFloat() const;
  virtual void SetAsFloat(Double Value);
  virtual Currency GetAsCurrency() const;
  virtual void SetAsCurrency(Currency Value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBoolean(bool Value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTime(TDateTime Value);
  bool IsNull() const;
  void Clear() { SetValue(Null()); }
  // The value before the current edit began, and the edited one.
  Variant GetOldValue() const;
  Variant GetNewValue() const { return GetValue(); }

  // [Text]
  String GetText() const { return GetTextFor(false); }
  void SetText(const String& Value);
  String GetEditText() const { return GetText(); }
  void SetEditText(const String& Value) { SetText(Value); }
  String GetDisplayText() const { return GetTextFor(true); }
  const String& GetEditMask() const { return FEditMask; }
  void SetEditMask(const String& Value);
  // Whether C may be typed into the field: by default a number field takes
  // its digits, signs and separators, any other field every character.
  virtual bool IsValidChar(Char C) const { return FValidChars.Contains(C); }
  const TFieldChars& GetValidChars() const { return FValidChars; }
  void SetValidChars(const TFieldChars& Value) { FValidChars = Value; }

  // [Presentation]
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  String GetDisplayLabel() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  void SetDisplayLabel(const String& Value);
  String GetDisplayName() const { return GetDisplayLabel(); }
  Integer GetDisplayWidth() const;
  void SetDisplayWidth(Integer Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  // Asks the controls showing the field to take the focus.
  void FocusControl();
  // Not read-only, a data or lookup field, and the dataset can modify.
  virtual bool GetCanModify() const;

  // [Lookup] A lookup field shows LookupResultField of the LookupDataSet
  // record whose LookupKeyFields equal this dataset's KeyFields.
  const String& GetKeyFields() const { return FKeyFields; }
  void SetKeyFields(const String& Value) { FKeyFields = Value; }
  TDataSet* GetLookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* Value);
  const String& GetLookupKeyFields() const { return FLookupKeyFields; }
  void SetLookupKeyFields(const String& Value) { FLookupKeyFields = Value; }
  const String& GetLookupResultField() const { return FLookupResultField; }
  void SetLookupResultField(const String& Value) { FLookupResultField = Value; }
  bool GetLookupCache() const { return FLookupCache; }
  void SetLookupCache(bool Value) { FLookupCache = Value; }

  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;

 protected:
  void Destroy() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // The value as stored, Null when there is no record. The reference lasts
  // until the dataset moves or the value is written.
  const Variant& GetData() const;
  // Validates, stores, notifies: every typed setter ends here.
  void SetData(const Variant& Value);
  void SetLookupValue(const Variant& Value);
  // Text of the value for display or for editing (formats, masks).
  virtual String FormatText(bool DisplayText) const;
  // Whether the field's own type holds Value (Null and Empty count as held).
  // A store may hand a field a value its type cannot hold without loss (text
  // in a date column, a number past a decimal's range): such a value shows
  // and edits as its own text, and that text written back keeps it.
  virtual bool HoldsValue(const Variant& Value) const;
  // Turns text into a value for SetAsString; '' gives Null.
  virtual Variant ParseText(const String& Text) const;
  // Converts a value of any type to this field's stored type, or raises.
  virtual Variant ConvertValue(const Variant& Value) const;
  virtual Integer DefaultDisplayWidth() const { return 10; }
  [[noreturn]] void RangeError(const String& Value, const String& Min, const String& Max) const;
  String GetTextFor(bool DisplayText) const;
  void PropertyChanged(bool Layout);
  void SetDataType(TFieldType Value) { FDataType = Value; }

  TDataSet* FDataSet = nullptr;
  String FFieldName;
  TFieldType FDataType = ftUnknown;
  TFieldKind FFieldKind = fkData;
  Integer FFieldNo = 0;    // 1-based definition number of a bound data field, else 0
  Integer FCalcSlot = -1;  // slot of a calculated or lookup value, else -1
  Integer FSize = 0;
  TAlignment FAlignment = taLeftJustify;
  String FDisplayLabel;       // empty: the field name is shown
  Integer FDisplayWidth = 0;  // 0: the type's default width
  String FEditMask;
  TFieldChars FValidChars = TFieldChars::All();
  bool FVisible = true;
  bool FReadOnly = false;
  bool FRequired = false;
  bool FLookupCache = false;
  bool FValidating = false;  // inside OnValidate: writes go straight to the buffer
  String FKeyFields;
  TDataSet* FLookupDataSet = nullptr;
  String FLookupKeyFields;
  String FLookupResultField;

 private:
  friend class TDataSet;
  friend class TFields;
  friend class TFieldDef;
};

// TStringField: text of at most Size characters (longer text is cut), unless
// the store keeps text of any length (CutToSize off: Size is then the width
// the column is declared with, and nothing typed is cut).
class TStringField : public TField {
  KV_CLASS(TStringField, TField)
 public:
  explicit TStringField(TComponent* AOwner) : TField(AOwner) {
    FDataType = ftString;
    FSize = 20;
  }
  String GetAsString() const override;
  bool GetCutToSize() const { return FCutToSize; }
  void SetCutToSize(bool Value) { FCutToSize = Value; }

 protected:
  String FormatText(bool DisplayText) const override;
  bool HoldsValue(const Variant& Value) const override;
  Variant ParseText(const String& Text) const override;
  Variant ConvertValue(const Variant& Value) const override;
  Integer DefaultDisplayWidth() const override { return FSize; }

 private:
  bool FCutToSize = true;  // text longer than Size is cut
};

class TWideStringField : public TStringField {
  KV_CLASS(TWideStringField, TStringField)
 public:
  explicit TWideStringField(TComponent* AOwner) : TStringField(AOwner) { FDataType = ftWideString; }
};

// TNumericField: the common base of number fields: right-aligned, with the
// DisplayFormat and EditFormat pictures.
class TNumericField : public TField {
  KV_CLASS(TNumericField, TField)
 public:
  explicit TNumericField(TComponent* AOwner) : TField(AOwner) { FAlignment = taRightJustify; }
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);
  const String& GetEditFormat() const { return FEditFormat; }
  void SetEditFormat(const String& Value);

 protected:
  // Digits and signs, with the decimal separator (as set now) when Fraction,
  // and E and e when Exponent.
  static TFieldChars NumberChars(bool Fraction, bool Exponent);
  String FDisplayFormat;
  String FEditFormat;
};

// TIntegerField and its narrower and wider kinds: whole numbers in a range.
class TIntegerField : public TNumericField {
  KV_CLASS(TIntegerField, TNumericField)
 public:
  explicit TIntegerField(TComponent* AOwner) : TNumericField(AOwner) {
    FDataType = ftInteger;
    FValidChars = NumberChars(false, false);
  }
  Int64 GetMinValue() const { return FMinValue; }
  void SetMinValue(Int64 Value) { FMinValue = Value; }
  Int64 GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(Int64 Value) { FMaxValue = Value; }

 protected:
  String FormatText(bool DisplayText) const override;
  bool HoldsValue(const Variant& Value) const override;
  Variant ParseText(const String& Text) const override;
  Variant ConvertValue(const Variant& Value) const override;
  Integer DefaultDisplayWidth() const override { return 11; }
  // The bounds the type itself allows.
  virtual Int64 TypeMin() const { return -2147483647LL - 1; }
  virtual Int64 TypeMax() const { return 2147483647LL; }
  Int64 FMinValue = 0;  // with FMaxValue: both 0 means no range of the application's
  Int64 FMaxValue = 0;
};

class TSmallintField : public TIntegerField {
  KV_CLASS(TSmallintField, TIntegerField)
 public:
  explicit TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftSmallint; }

 protected:
  Int64 TypeMin() const override { return -32768; }
  Int64 TypeMax() const override { return 32767; }
  Integer DefaultDisplayWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
  KV_CLASS(TWordField, TIntegerField)
 public:
  explicit TWordField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftWord; }

 protected:
  Int64 TypeMin() const override { return 0; }
  Int64 TypeMax() const override { return 65535; }
  Integer DefaultDisplayWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
  KV_CLASS(TAutoIncField, TIntegerField)
 public:
  explicit TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftAutoInc; }
};

class TLargeintField : public TIntegerField {
  KV_CLASS(TLargeintField, TIntegerField)
 public:
  explicit TLargeintField(TComponent* AOwner) : TIntegerField(AOwner) { FDataType = ftLargeint; }

 protected:
  Int64 TypeMin() const override { return INT64_MIN; }
  Int64 TypeMax() const override { return INT64_MAX; }
  Integer DefaultDisplayWidth() const override { return 15; }
};

// TFloatField: a double; with Currency on it formats as money.
class TFloatField : public TNumericField {
  KV_CLASS(TFloatField, TNumericField)
 public:
  explicit TFloatField(TComponent* AOwner) : TNumericField(AOwner) {
    FDataType = ftFloat;
    FValidChars = NumberChars(true, true);
  }
  bool GetCurrency() const { return FCurrency; }
  void SetCurrency(bool Value);
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value);
  Double GetMinValue() const { return FMinValue; }
  void SetMinValue(Double Value) { FMinValue = Value; }
  Double GetMaxValue() const { return FMaxValue; }
  void SetMaxValue(Double Value) { FMaxValue = Value; }

 protected:
  String FormatText(bool DisplayText) const override;
  bool HoldsValue(const Variant& Value) const override;
  Variant ParseText(const String& Text) const override;
  Variant ConvertValue(const Variant& Value) const override;
  bool FCurrency = false;
  Integer FPrecision = 15;  // significant digits of the general format
  Double FMinValue = 0;     // with FMaxValue: both 0 means no range
  Double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
  KV_CLASS(TCurrencyField, TFloatField)
 public:
  explicit TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
    FDataType = ftCurrency;
    FCurrency = true;
  }
};

// TBCDField: an exact decimal held as Currency (four decimals).
class TBCDField : public TNumericField {
  KV_CLASS(TBCDField, TNumericField)
 public:
  explicit TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
    FDataType = ftBCD;
    FSize = 4;
    FValidChars = NumberChars(true, false);
  }
  bool GetCurrency() const { return FCurrency; }
  void SetCurrency(bool Value);
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }

 protected:
  String FormatText(bool DisplayText) const override;
  bool HoldsValue(const Variant& Value) const override;
  Variant ParseText(const String& Text) const override;
  Variant ConvertValue(const Variant& Value) const override;
  bool FCurrency = false;
  Integer FPrecision = 0;
};

// TBooleanField: shown with the two texts of DisplayValues ("Yes;No").
class TBooleanField : public TField {
  KV_CLASS(TBooleanField, TField)
 public:
  explicit TBooleanField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBoolean; }
  const String& GetDisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const String& Value);

 protected:
  String FormatText(bool DisplayText) const override;
  bool HoldsValue(const Variant& Value) const override;
  Variant ParseText(const String& Text) const override;
  Variant ConvertValue(const Variant& Value) const override;
  Integer DefaultDisplayWidth() const override { return 5; }
  String TrueText() const;
  String FalseText() const;
  String FDisplayValues;  // "true;false" texts; empty: True and False
};

// TDateTimeField and its date-only and time-only kinds.
class TDateTimeField : public TField {
  KV_CLASS(TDateTimeField, TField)
 public:
  explicit TDateTimeField(TComponent* AOwner) : TField(AOwner) { FDataType = ftDateTime; }
  const String& GetDisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const String& Value);

 protected:
  String FormatText(bool DisplayText) const override;
  bool HoldsValue(const Variant& Value) const override;
  Variant ParseText(const String& Text) const override;
  Variant ConvertValue(const Variant& Value) const override;
  Integer DefaultDisplayWidth() const override { return 18; }
  String FDisplayFormat;
};

class TDateField : public TDateTimeField {
  KV_CLASS(TDateField, TDateTimeField)
 public:
  explicit TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftDate; }

 protected:
  Integer DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
  KV_CLASS(TTimeField, TDateTimeField)
 public:
  explicit TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { FDataType = ftTime; }
};

// TBlobField: bytes held as a string; memos and graphics are its kinds.
class TBlobField : public TField {
  KV_CLASS(TBlobField, TField)
 public:
  explicit TBlobField(TComponent* AOwner) : TField(AOwner) { FDataType = ftBlob; }
  bool IsBlob() const override { return true; }

 protected:
  String FormatText(bool DisplayText) const override;
  bool HoldsValue(const Variant& Value) const override;
  Variant ParseText(const String& Text) const override;
  Variant ConvertValue(const Variant& Value) const override;
};

class TMemoField : public TBlobField {
  KV_CLASS(TMemoField, TBlobField)
 public:
  explicit TMemoField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftMemo; }
};

class TGraphicField : public TBlobField {
  KV_CLASS(TGraphicField, TBlobField)
 public:
  explicit TGraphicField(TComponent* AOwner) : TBlobField(AOwner) { FDataType = ftGraphic; }
};

// TVariantField: any value, stored as given.
class TVariantField : public TField {
  KV_CLASS(TVariantField, TField)
 public:
  explicit TVariantField(TComponent* AOwner) : TField(AOwner) { FDataType = ftVariant; }
};

// The field class made for a field type; null for a type without one.
TClass FieldClassOf(TFieldType Type);

// TFields: a dataset's fields in display order. It does not own them: a field
// belongs to its owner component and leaves the list when freed.
class TFields {
 public:
  explicit TFields(TDataSet* ADataSet) : FDataSet(ADataSet) {}
  Integer GetCount() const { return Integer(FList.size()); }
  TField* GetField(Integer Index) const;
  TField* operator[](Integer Index) const { return GetField(Index); }
  TField* FindField(const String& FieldName) const;    // case-insensitive; null if absent
  TField* FieldByName(const String& FieldName) const;  // raises "Field '%s' not found"
  TField* FieldByNumber(Integer FieldNo) const;
  Integer IndexOf(const TField* Field) const;
  TDataSet* GetDataSet() const { return FDataSet; }
  auto begin() const { return FList.begin(); }
  auto end() const { return FList.end(); }

 private:
  friend class TField;
  friend class TDataSet;
  void Add(TField* Field);
  void Remove(TField* Field);
  void Move(Integer CurIndex, Integer NewIndex);
  TDataSet* FDataSet = nullptr;
  std::vector<TField*> FList;
};

}  // namespace kvp
