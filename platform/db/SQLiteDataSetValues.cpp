// Values of the SQLite dataset: declared column types to field types, stored
// values to field values without losing what they hold, and field values back
// to SQLite for the columns a post changes.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>

#include "platform/db/SQLiteDataSetImpl.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/Strings.h"

namespace kvp::sqlite_detail {

namespace {

// The numbers in "DECIMAL(12, 2)": precision and scale; 0 when not given.
void DeclaredDigits(const String& Decl, Integer& Precision, Integer& Scale) {
  Precision = Scale = 0;
  const auto Open = Decl.find('(');
  if (Open == String::npos) return;
  Precision = std::atoi(Decl.c_str() + Open + 1);
  const auto Comma = Decl.find(',', Open);
  if (Comma != String::npos) Scale = std::atoi(Decl.c_str() + Comma + 1);
}

bool Has(const String& Upper, const char* Part) { return Upper.find(Part) != String::npos; }

bool Digits(const char* P, int Count, int& Value) {
  Value = 0;
  for (int I = 0; I < Count; ++I) {
    if (P[I] < '0' || P[I] > '9') return false;
    Value = Value * 10 + (P[I] - '0');
  }
  return true;
}

// "HH:MM", "HH:MM:SS" or "HH:MM:SS.f" with one to three digits of fraction,
// the whole of [P, End).
bool ParseTime(const char* P, const char* End, TDateTime& Time) {
  int H = 0, Mi = 0, S = 0, Ms = 0;
  if (End - P < 5 || !Digits(P, 2, H) || P[2] != ':' || !Digits(P + 3, 2, Mi)) return false;
  P += 5;
  if (P < End) {
    if (End - P < 3 || P[0] != ':' || !Digits(P + 1, 2, S)) return false;
    P += 3;
    if (P < End) {
      const int Fraction = int(End - P) - 1;
      if (P[0] != '.' || Fraction < 1 || Fraction > 3 || !Digits(P + 1, Fraction, Ms)) return false;
      for (int I = Fraction; I < 3; ++I) Ms *= 10;
    }
  }
  return TryEncodeTime(Word(H), Word(Mi), Word(S), Word(Ms), Time);
}

// ISO 8601 text that a TDateTime holds exactly: "YYYY-MM-DD", optionally
// followed by ' ' or 'T' and a time, or a time alone. Anything else (a time
// zone, finer fractions, a year outside 1..9999) is not a date here.
bool ParseIso(const char* P, int Size, TDateTime& Value) {
  const char* End = P + Size;
  if (Size >= 5 && P[2] == ':') return ParseTime(P, End, Value);
  int Y = 0, Mo = 0, D = 0;
  if (Size < 10 || !Digits(P, 4, Y) || P[4] != '-' || !Digits(P + 5, 2, Mo) || P[7] != '-' ||
      !Digits(P + 8, 2, D))
    return false;
  TDateTime Date = 0;
  if (!TryEncodeDate(Word(Y), Word(Mo), Word(D), Date)) return false;
  TDateTime Time = 0;
  if (Size > 10 && ((P[10] != ' ' && P[10] != 'T') || !ParseTime(P + 11, End, Time))) return false;
  Value = ComposeDateTime(Date, Time);
  return true;
}

// A date or a time of day as its column's type writes it; a date with a time
// (or a time with a date) keeps both.
String FormatIso(TDateTime Value, TFieldType Type) {
  Word Y = 0, Mo = 0, D = 0, H = 0, Mi = 0, S = 0, Ms = 0;
  DecodeDateTime(Value, Y, Mo, D, H, Mi, S, Ms);
  if ((Type == ftDate && (H || Mi || S || Ms)) || (Type == ftTime && (Value >= 1 || Value < 0)))
    Type = ftDateTime;
  if (Y == 0 && Type != ftTime) throw EConvertError("The date is outside 0001..9999");
  char Buffer[64];
  int Length = 0;
  if (Type == ftDate)
    Length = std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d", Y, Mo, D);
  else if (Type == ftTime)
    Length = std::snprintf(Buffer, sizeof Buffer, "%02d:%02d:%02d", H, Mi, S);
  else
    Length = std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d %02d:%02d:%02d", Y, Mo, D, H,
                           Mi, S);
  if (Ms != 0 && Type != ftDate)
    std::snprintf(Buffer + Length, sizeof Buffer - Length, ".%03d", Ms);
  return Buffer;
}

constexpr Int64 CurrencyWholeLimit = 922337203685477;  // the largest whole Currency
constexpr Int64 ExactDoubleLimit = Int64(1) << 53;     // whole numbers a double holds

Variant WholeNumberValue(Int64 Value, bool Large) {
  if (!Large && Value >= INT32_MIN && Value <= INT32_MAX) return Variant(Integer(Value));
  return Variant(Value);
}

// Text of plain ASCII needs no check of its UTF-8: the common case, kept fast.
bool IsAscii(const char* Bytes, int Size) {
  unsigned char Any = 0;
  for (int I = 0; I < Size; ++I) Any |= static_cast<unsigned char>(Bytes[I]);
  return Any < 0x80;
}

// The value in the form it is stored in.
Variant StoredForm(const TCell& Cell, bool Sanitize) {
  switch (Cell.Class) {
    case SQLITE_INTEGER:
      return WholeNumberValue(Cell.Int, false);
    case SQLITE_FLOAT:
      return Variant(Cell.Real);
    case SQLITE_TEXT:
      if (Sanitize && !IsAscii(Cell.Bytes, Cell.Size))
        return Variant(Utf8Sanitize(std::string_view(Cell.Bytes, Cell.Size)));
      return Variant(String(Cell.Bytes, Cell.Size));
    case SQLITE_BLOB:
      return Variant(String(Cell.Bytes ? Cell.Bytes : "", Cell.Size));
    default:
      return Null();
  }
}

// A real that Currency holds exactly (to the nearest double), or nothing.
bool CurrencyOfReal(double Value, Currency& Result) {
  if (!(std::fabs(Value) < double(CurrencyWholeLimit))) return false;
  Result = Currency::FromDouble(Value);
  return double(Result.ToDouble()) == Value;
}

}  // namespace

TCell CellOf(sqlite3_stmt* Stmt, int Column) {
  TCell Cell;
  Cell.Class = sqlite3_column_type(Stmt, Column);
  switch (Cell.Class) {
    case SQLITE_INTEGER:
      Cell.Int = sqlite3_column_int64(Stmt, Column);
      break;
    case SQLITE_FLOAT:
      Cell.Real = sqlite3_column_double(Stmt, Column);
      break;
    case SQLITE_TEXT:
      Cell.Bytes = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, Column));
      Cell.Size = sqlite3_column_bytes(Stmt, Column);
      break;
    case SQLITE_BLOB:
      Cell.Bytes = static_cast<const char*>(sqlite3_column_blob(Stmt, Column));
      Cell.Size = sqlite3_column_bytes(Stmt, Column);
      break;
    default:
      break;
  }
  return Cell;
}

namespace {

enum TCellTag : unsigned char {
  ctNull,
  ctInt8,
  ctInt16,
  ctInt32,
  ctInt64,
  ctReal,
  ctText,
  ctBlob,
  ctLarge  // then the storage class and the size: the value is in the table only
};

template <typename T>
void Put(std::string& Out, T Value) {
  char Bytes[sizeof(T)];
  std::memcpy(Bytes, &Value, sizeof(T));
  Out.append(Bytes, sizeof(T));
}

template <typename T>
T Take(const char*& P) {
  T Value;
  std::memcpy(&Value, P, sizeof(T));
  P += sizeof(T);
  return Value;
}

}  // namespace

std::size_t AppendCells(std::string& Out, sqlite3_stmt* Stmt, int First, int Count,
                        int Largest) {
  std::size_t Held = 0;
  for (int Column = First; Column < First + Count; ++Column) {
    sqlite3_value* Value = sqlite3_column_value(Stmt, Column);
    const int Class = sqlite3_value_type(Value);
    switch (Class) {
      case SQLITE_INTEGER: {
        const Int64 Whole = sqlite3_value_int64(Value);
        Held += 8;
        if (Whole >= INT8_MIN && Whole <= INT8_MAX) {
          Out += char(ctInt8);
          Put(Out, std::int8_t(Whole));
        } else if (Whole >= INT16_MIN && Whole <= INT16_MAX) {
          Out += char(ctInt16);
          Put(Out, std::int16_t(Whole));
        } else if (Whole >= INT32_MIN && Whole <= INT32_MAX) {
          Out += char(ctInt32);
          Put(Out, std::int32_t(Whole));
        } else {
          Out += char(ctInt64);
          Put(Out, Whole);
        }
        break;
      }
      case SQLITE_FLOAT:
        Held += 8;
        Out += char(ctReal);
        Put(Out, sqlite3_value_double(Value));
        break;
      case SQLITE_TEXT:
      case SQLITE_BLOB: {
        const void* Payload =
            Class == SQLITE_TEXT ? sqlite3_value_text(Value) : sqlite3_value_blob(Value);
        const auto Size = std::uint32_t(sqlite3_value_bytes(Value));
        Held += Size;
        if (Size > std::uint32_t(Largest)) {
          Out += char(ctLarge);
          Out += char(Class);
          Put(Out, Size);
          break;
        }
        Out += char(Class == SQLITE_TEXT ? ctText : ctBlob);
        Put(Out, Size);
        if (Size > 0) Out.append(static_cast<const char*>(Payload), Size);
        break;
      }
      default:
        Out += char(ctNull);
        break;
    }
  }
  return Held;
}

void AppendCell(std::string& Out, const TCell& Cell) {
  switch (Cell.Class) {
    case SQLITE_INTEGER:
      if (Cell.Int >= INT8_MIN && Cell.Int <= INT8_MAX) {
        Out += char(ctInt8);
        Put(Out, std::int8_t(Cell.Int));
      } else if (Cell.Int >= INT16_MIN && Cell.Int <= INT16_MAX) {
        Out += char(ctInt16);
        Put(Out, std::int16_t(Cell.Int));
      } else if (Cell.Int >= INT32_MIN && Cell.Int <= INT32_MAX) {
        Out += char(ctInt32);
        Put(Out, std::int32_t(Cell.Int));
      } else {
        Out += char(ctInt64);
        Put(Out, Cell.Int);
      }
      break;
    case SQLITE_FLOAT:
      Out += char(ctReal);
      Put(Out, Cell.Real);
      break;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
      if (Cell.Large) {
        Out += char(ctLarge);
        Out += char(Cell.Class);
        Put(Out, std::uint32_t(Cell.Size));
        break;
      }
      Out += char(Cell.Class == SQLITE_TEXT ? ctText : ctBlob);
      Put(Out, std::uint32_t(Cell.Size));
      if (Cell.Size > 0) Out.append(Cell.Bytes, std::size_t(Cell.Size));
      break;
    default:
      Out += char(ctNull);
      break;
  }
}

TCell NextCell(const char*& P) {
  TCell Cell;
  switch (static_cast<unsigned char>(*P++)) {
    case ctInt8:
      Cell.Class = SQLITE_INTEGER;
      Cell.Int = Take<std::int8_t>(P);
      break;
    case ctInt16:
      Cell.Class = SQLITE_INTEGER;
      Cell.Int = Take<std::int16_t>(P);
      break;
    case ctInt32:
      Cell.Class = SQLITE_INTEGER;
      Cell.Int = Take<std::int32_t>(P);
      break;
    case ctInt64:
      Cell.Class = SQLITE_INTEGER;
      Cell.Int = Take<Int64>(P);
      break;
    case ctReal:
      Cell.Class = SQLITE_FLOAT;
      Cell.Real = Take<double>(P);
      break;
    case ctText:
    case ctBlob:
      Cell.Class = static_cast<unsigned char>(P[-1]) == ctText ? SQLITE_TEXT : SQLITE_BLOB;
      Cell.Size = int(Take<std::uint32_t>(P));
      Cell.Bytes = P;
      P += Cell.Size;
      break;
    case ctLarge:
      Cell.Class = static_cast<unsigned char>(*P++);
      Cell.Size = int(Take<std::uint32_t>(P));
      Cell.Large = true;
      break;
    default:
      break;
  }
  return Cell;
}

TCell CellAt(const char* Bytes, Integer Column) {
  for (Integer I = 0; I < Column; ++I) NextCell(Bytes);
  return NextCell(Bytes);
}

// A DECIMAL(p, s) whose digits Currency cannot hold (more than four decimals,
// more than fifteen whole digits), and a NUMERIC or DECIMAL that declares no
// digits at all, read as a float.
TFieldType MapType(const char* DeclType, Integer& Size) {
  Size = 0;
  if (!DeclType || !*DeclType) return ftVariant;
  const String Upper = UpperCase(DeclType);
  if (Has(Upper, "BOOL")) return ftBoolean;
  if (Has(Upper, "DATETIME") || Has(Upper, "TIMESTAMP")) return ftDateTime;
  if (Has(Upper, "DATE")) return ftDate;
  if (Has(Upper, "TIME")) return ftTime;
  if (Has(Upper, "SMALLINT")) return ftSmallint;
  if (Has(Upper, "BIGINT")) return ftLargeint;
  if (Has(Upper, "INT")) return ftInteger;
  if (Has(Upper, "CHAR") || Has(Upper, "CLOB") || Has(Upper, "TEXT")) {
    Integer Scale = 0;
    DeclaredDigits(Upper, Size, Scale);
    if (Size < 0) Size = 0;
    return Size > 0 ? ftString : ftMemo;
  }
  if (Has(Upper, "MONEY") || Has(Upper, "CURRENCY")) return ftCurrency;
  if (Has(Upper, "DEC") || Has(Upper, "NUMERIC")) {
    Integer Precision = 0;
    Integer Scale = 0;
    DeclaredDigits(Upper, Precision, Scale);
    // Without declared digits the column holds whatever SQLite stores: a
    // float holds every real it can store, where four decimals would cut.
    if (Upper.find('(') == String::npos) return ftFloat;
    return Scale > 4 || Precision - Scale > 15 ? ftFloat : ftBCD;
  }
  if (Has(Upper, "REAL") || Has(Upper, "FLOA") || Has(Upper, "DOUB")) return ftFloat;
  if (Has(Upper, "BLOB")) return ftBlob;
  return ftVariant;
}

Variant ValueOfCell(const TCell& Cell, TFieldType Type) {
  if (Cell.Class == SQLITE_NULL) return Null();
  switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:
      if (Cell.Class == SQLITE_INTEGER) return WholeNumberValue(Cell.Int, Type == ftLargeint);
      break;
    case ftFloat:
    case ftCurrency:
      if (Cell.Class == SQLITE_FLOAT) return Variant(Cell.Real);
      if (Cell.Class == SQLITE_INTEGER && Cell.Int >= -ExactDoubleLimit &&
          Cell.Int <= ExactDoubleLimit)
        return Variant(double(Cell.Int));
      break;
    case ftBCD: {
      if (Cell.Class == SQLITE_INTEGER && Cell.Int >= -CurrencyWholeLimit &&
          Cell.Int <= CurrencyWholeLimit)
        return Variant(Currency(Cell.Int));
      Currency Value;
      if (Cell.Class == SQLITE_FLOAT && CurrencyOfReal(Cell.Real, Value)) return Variant(Value);
      break;
    }
    case ftBoolean:
      if (Cell.Class == SQLITE_INTEGER && (Cell.Int == 0 || Cell.Int == 1))
        return Variant(Cell.Int != 0);
      break;
    case ftDate:
    case ftTime:
    case ftDateTime: {
      TDateTime Value = 0;
      if (Cell.Class == SQLITE_TEXT && ParseIso(Cell.Bytes, Cell.Size, Value))
        return VarFromDateTime(Value);
      break;
    }
    case ftBlob:
    case ftGraphic:
    case ftBytes:
    case ftVarBytes:
      return StoredForm(Cell, false);
    default:
      break;
  }
  return StoredForm(Cell, true);
}

void BindValue(sqlite3_stmt* Stmt, int Index, const Variant& Value, TFieldType Type) {
  const TVarType Kind = VarType(Value);
  switch (Kind) {
    case varEmpty:
    case varNull:
      sqlite3_bind_null(Stmt, Index);
      return;
    case varBoolean:
      sqlite3_bind_int(Stmt, Index, Value.AsBoolean() ? 1 : 0);
      return;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      sqlite3_bind_int64(Stmt, Index, Value.AsInt64());
      return;
    case varSingle:
    case varDouble:
      sqlite3_bind_double(Stmt, Index, Value.AsDouble());
      return;
    case varCurrency: {
      const Currency C = Value.AsCurrency();
      if (C.GetRaw() % Currency::Scale == 0)
        sqlite3_bind_int64(Stmt, Index, C.GetRaw() / Currency::Scale);
      else
        sqlite3_bind_double(Stmt, Index, double(C.ToDouble()));
      return;
    }
    case varDate: {
      const bool DateType = Type == ftDate || Type == ftTime || Type == ftDateTime;
      const String Text = FormatIso(Value.AsDateTime(), DateType ? Type : ftDateTime);
      sqlite3_bind_text(Stmt, Index, Text.c_str(), int(Text.size()), SQLITE_TRANSIENT);
      return;
    }
    default:
      break;
  }
  const String Text = Value.AsString();
  if (Type == ftBlob || Type == ftGraphic || Type == ftBytes || Type == ftVarBytes)
    sqlite3_bind_blob(Stmt, Index, Text.data(), int(Text.size()), SQLITE_TRANSIENT);
  else
    sqlite3_bind_text(Stmt, Index, Text.c_str(), int(Text.size()), SQLITE_TRANSIENT);
}

bool SameValue(const Variant& A, const Variant& B) {
  const TVarType Kind = VarType(A);
  if (Kind != VarType(B)) return false;
  switch (Kind) {
    case varEmpty:
    case varNull:
      return true;
    case varSingle:
    case varDouble:
    case varDate: {
      const double X = A.AsDouble();
      const double Y = B.AsDouble();
      return std::memcmp(&X, &Y, sizeof X) == 0;
    }
    case varCurrency:
      return A.AsCurrency().GetRaw() == B.AsCurrency().GetRaw();
    case varString:
      return A.AsString() == B.AsString();
    case varBoolean:
      return A.AsBoolean() == B.AsBoolean();
    default:
      if (VarIsArray(A) || VarIsArray(B)) return false;
      return A.AsInt64() == B.AsInt64();
  }
}

String QuoteName(const String& Name) { return AnsiQuotedStr(Name, '"'); }

String ColumnText(sqlite3_stmt* Stmt, int Column) {
  const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(Stmt, Column));
  return Text ? Utf8Sanitize(std::string_view(Text, sqlite3_column_bytes(Stmt, Column))) : String();
}

}  // namespace kvp::sqlite_detail
