// Field definitions: the structure of a dataset's records (name, type, size,
// required) as the concrete dataset declares it on open or as the application
// declares it for an in-memory dataset. Default fields are made from them.
#pragma once

#include <memory>
#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/db/DBCommon.h"

namespace kvp {

// TFieldDef: one column of the record structure. Its FieldNo is its 1-based
// position in the definitions, and the index of its value in a record buffer.
class TFieldDef : public TPersistent {
  KV_CLASS(TFieldDef, TPersistent)
 public:
  TFieldDef() = default;
  TFieldDef(TFieldDefs* AOwner, const String& AName, TFieldType ADataType, Integer ASize,
            bool ARequired)
      : FOwner(AOwner), FName(AName), FDataType(ADataType), FSize(ASize), FRequired(ARequired) {}

  const String& GetName() const { return FName; }
  void SetName(const String& Value) { FName = Value; }
  TFieldType GetDataType() const { return FDataType; }
  void SetDataType(TFieldType Value) { FDataType = Value; }
  Integer GetSize() const { return FSize; }
  void SetSize(Integer Value) { FSize = Value; }
  bool GetRequired() const { return FRequired; }
  void SetRequired(bool Value) { FRequired = Value; }
  // Off for a store that keeps text of any length: its string fields cut nothing.
  bool GetCutToSize() const { return FCutToSize; }
  void SetCutToSize(bool Value) { FCutToSize = Value; }
  Integer GetPrecision() const { return FPrecision; }
  void SetPrecision(Integer Value) { FPrecision = Value; }
  Integer GetFieldNo() const;
  Integer GetIndex() const;

  // Makes the field of this definition's type for DataSet, owned by Owner.
  TField* CreateField(TComponent* Owner, TDataSet* DataSet);

  void Assign(TPersistent* Source) override;

 private:
  friend class TFieldDefs;
  TFieldDefs* FOwner = nullptr;
  String FName;
  TFieldType FDataType = ftUnknown;
  Integer FSize = 0;  // characters for strings, bytes for byte fields, 0 otherwise
  bool FRequired = false;
  Integer FPrecision = 0;  // digits of a BCD definition; 0 when not given
  bool FCutToSize = true;  // string fields cut text longer than Size
};

// TFieldDefs: the ordered definitions of one dataset.
class TFieldDefs : public TPersistent {
  KV_CLASS(TFieldDefs, TPersistent)
 public:
  TFieldDefs() = default;
  explicit TFieldDefs(TDataSet* ADataSet) : FDataSet(ADataSet) {}

  TFieldDef* Add(const String& Name, TFieldType DataType, Integer Size = 0, bool Required = false);
  TFieldDef* AddFieldDef();
  void Clear();
  void Delete(Integer Index);
  Integer GetCount() const { return Integer(FItems.size()); }
  TFieldDef* GetItem(Integer Index) const;
  // Case-insensitive; -1 / null when absent.
  Integer IndexOf(const String& Name) const;
  TFieldDef* Find(const String& Name) const;  // raises "Field '%s' not found"
  TDataSet* GetDataSet() const { return FDataSet; }
  // Definitions changed: the dataset rebuilds its default fields on next open.
  bool GetUpdated() const { return FUpdated; }
  void SetUpdated(bool Value) { FUpdated = Value; }

  void Assign(TPersistent* Source) override;

 protected:
  void Destroy() override;

 private:
  friend class TFieldDef;
  TDataSet* FDataSet = nullptr;
  std::vector<TObjectPtr<TFieldDef>> FItems;
  bool FUpdated = false;  // true once filled for the current structure
};

}  // namespace kvp
