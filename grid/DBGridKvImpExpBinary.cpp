// The binary "VCLDBIF" exchange format: its writer, which keeps numbers,
// dates and Null apart from their display text, and its reader, which checks
// the whole stream before a single value is written.
//
// Index
//   [SECTION] Writer   TDBGridKvExportAsVCLDBIF
//   [SECTION] Reader   TDBGridKvImportAsVCLDBIF
#include <cstring>

#include "base/KorvelConsts.h"
#include "grid/DBGridKvImpExpImpl.h"

namespace korvel {

using namespace kvp;

namespace {

constexpr char Signature[7] = {'V', 'C', 'L', 'D', 'B', 'I', 'F'};
constexpr std::size_t HeaderSize = 12;  // signature, version, Int32 column count

enum TValueTag : Byte {
  vtEnd = 0,
  vtNoValue = 1,
  vtNull = 2,
  vtInteger = 3,
  vtFloat = 4,
  vtString = 5,
  vtBinary = 6,
};

// The tag a field's value is written with; vtNoValue for a type with none.
TValueTag TagOf(TFieldType Type) {
  switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return vtInteger;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
    case ftFMTBcd:
      return vtFloat;
    case ftString:
    case ftBoolean:
    case ftMemo:
    case ftFixedChar:
    case ftLargeint:
    case ftOraClob:
    case ftGuid:
      return vtString;
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftWideString:
    case ftOraBlob:
      return vtBinary;
    default:
      return vtNoValue;
  }
}

void PutInt32(String& Out, Integer Value) {
  const auto U = std::uint32_t(Value);
  for (int Shift = 0; Shift < 32; Shift += 8) Out += char((U >> Shift) & 0xFF);
}

Integer GetInt32(const String& Data, std::size_t Pos) {
  std::uint32_t U = 0;
  for (int I = 3; I >= 0; --I) U = (U << 8) | static_cast<unsigned char>(Data[Pos + std::size_t(I)]);
  return Integer(U);
}

void PutFloat64(String& Out, Double Value) {
  std::uint64_t U;
  std::memcpy(&U, &Value, sizeof U);
  for (int Shift = 0; Shift < 64; Shift += 8) Out += char((U >> Shift) & 0xFF);
}

Double GetFloat64(const String& Data, std::size_t Pos) {
  std::uint64_t U = 0;
  for (int I = 7; I >= 0; --I) U = (U << 8) | static_cast<unsigned char>(Data[Pos + std::size_t(I)]);
  Double Value;
  std::memcpy(&Value, &U, sizeof Value);
  return Value;
}

}  // namespace

// [SECTION] Writer

void TDBGridKvExportAsVCLDBIF::WritePrefix() {
  String Out(Signature, sizeof Signature);
  Out += char(1);
  PutInt32(Out, FExpCols->GetCount());
  for (Integer I = 0; I < FExpCols->GetCount(); ++I) {
    Out += char(FExpCols->GetColumn(I)->GetVisible() ? 1 : 0);
    Out += char(0);  // the name, written empty
  }
  StreamWriteString(Out);
}

void TDBGridKvExportAsVCLDBIF::WriteSuffix() { StreamWriteString(String(1, char(vtEnd))); }

void TDBGridKvExportAsVCLDBIF::WriteDataCell(TColumnKv* Column, TColCellParamsKv*) {
  // A lookup is written as the value of its key field; one on several key
  // fields has no single value to write.
  TField* Field = impexp::ColumnValueField(Column);
  const TValueTag Tag = Field ? TagOf(Field->GetDataType()) : vtNoValue;
  String Out;
  if (Tag == vtNoValue || Field->IsNull()) {
    Out += char(Tag == vtNoValue ? vtNoValue : vtNull);
  } else {
    Out += char(Tag);
    switch (Tag) {
      case vtInteger:
        PutInt32(Out, Field->GetAsInteger());
        break;
      case vtFloat:
        PutFloat64(Out, Field->GetAsFloat());
        break;
      default: {
        const String Text = Field->GetAsString();
        PutInt32(Out, Integer(Text.size()));
        Out += Text;
        break;
      }
    }
  }
  StreamWriteString(Out);
}

// [SECTION] Reader

namespace {

const String SFormatError = "TDBGridKvImportAsVCLDBIF.ReadPrefix: " + SInvalidVCLDBIFFormat;

[[noreturn]] void FormatError() { throw Exception(SFormatError); }

// The bytes from Pos on hold Count more, or the stream is refused.
void Need(const String& Data, std::size_t Pos, std::size_t Count) {
  if (Pos > Data.size() || Data.size() - Pos < Count) FormatError();
}

}  // namespace

void TDBGridKvImportAsVCLDBIF::ImportFromStream(TStream* Stream, bool IsImportAll) {
  FIgnoreAll = false;
  FNamesPresent = false;
  FColumnNames.clear();
  FHeader = THeader{};
  FValue = Variant();
  TDBGridKvImport::ImportFromStream(Stream, IsImportAll);
}

// Reads the header and the column entries, then checks every value up to
// the end tag (whole records, lengths inside the stream), and reads the
// first value.
void TDBGridKvImportAsVCLDBIF::ReadPrefix() {
  // [Phase 1] Header.
  Need(FData, FPos, HeaderSize);
  std::memcpy(FHeader.Signature, FData.data() + FPos, sizeof Signature);
  if (std::memcmp(FHeader.Signature, Signature, sizeof Signature) != 0) FormatError();
  FHeader.Version = Byte(FData[FPos + 7]);
  FHeader.ColCount = GetInt32(FData, FPos + 8);
  FPos += HeaderSize;
  // Each column entry takes two bytes at least.
  if (FHeader.ColCount < 0 || std::size_t(FHeader.ColCount) > (FData.size() - FPos) / 2)
    FormatError();
  // [Phase 2] Column entries.
  for (Integer I = 0; I < FHeader.ColCount; ++I) {
    Need(FData, FPos, 1);
    TColumnEntry Entry;
    Entry.Visible = FData[FPos++] != 0;
    const std::size_t End = FData.find('\0', FPos);
    if (End == String::npos) FormatError();
    Entry.Name.assign(FData, FPos, End - FPos);
    FPos = End + 1;
    if (!Entry.Name.empty()) FNamesPresent = true;
    FColumnNames.push_back(std::move(Entry));
  }
  // [Phase 3] The values: each one whole, whole records, then the end tag.
  std::size_t Pos = FPos;
  std::size_t Values = 0;
  for (;;) {
    Need(FData, Pos, 1);
    const Byte Tag = Byte(FData[Pos++]);
    if (Tag == vtEnd) break;
    ++Values;
    if (Tag == vtInteger) {
      Need(FData, Pos, 4);
      Pos += 4;
    } else if (Tag == vtFloat) {
      Need(FData, Pos, 8);
      Pos += 8;
    } else if (Tag == vtString || Tag == vtBinary) {
      Need(FData, Pos, 4);
      const Integer Length = GetInt32(FData, Pos);
      Pos += 4;
      if (Length < 0) FormatError();
      Need(FData, Pos, std::size_t(Length));
      Pos += std::size_t(Length);
    }
  }
  if (Values > 0 && (FHeader.ColCount == 0 || Values % std::size_t(FHeader.ColCount) != 0))
    FormatError();
  // [Phase 4] The first value.
  ReadValue();
}

void TDBGridKvImportAsVCLDBIF::ReadValue() {
  if (FEndOfData) return;
  Need(FData, FPos, 1);
  const Byte Tag = Byte(FData[FPos++]);
  FValue = Variant();
  switch (Tag) {
    case vtEnd:
      FEndOfData = true;
      break;
    case vtNull:
      FValue = Null();
      break;
    case vtInteger:
      Need(FData, FPos, 4);
      FValue = Variant(GetInt32(FData, FPos));
      FPos += 4;
      break;
    case vtFloat:
      Need(FData, FPos, 8);
      FValue = Variant(GetFloat64(FData, FPos));
      FPos += 8;
      break;
    case vtString:
    case vtBinary: {
      Need(FData, FPos, 4);
      const Integer Length = GetInt32(FData, FPos);
      FPos += 4;
      if (Length < 0) FormatError();
      Need(FData, FPos, std::size_t(Length));
      FValue = Variant(FData.substr(FPos, std::size_t(Length)));
      FPos += std::size_t(Length);
      break;
    }
    default:
      break;  // no value
  }
}

// Every value of the stream's record is read; those past the import columns
// are dropped.
void TDBGridKvImportAsVCLDBIF::ReadRecord(TColumnsKvList* ColumnsList) {
  for (Integer I = 0; I < FHeader.ColCount; ++I)
    SetCellValue(I < ColumnsList->GetCount() ? ColumnsList->GetColumn(I) : nullptr);
}

void TDBGridKvImportAsVCLDBIF::SetCellValue(TColumnKv* Column) {
  if (Column && !FEndOfData && !VarIsEmpty(FValue)) {
    AssignCell(Column, true, [&](TField* Field) {
      if (Field->GetFieldKind() == fkLookup) Field = impexp::ColumnValueField(Column);
      if (Field) Field->SetValue(FValue);
    });
  }
  ReadValue();
}

}  // namespace korvel
