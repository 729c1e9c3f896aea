// TSQLiteDataSet in the order of IndexFieldNames and DescFields. SQLite sorts:
// a table with row ids is read in chunks after (or before) the key of a row,
// its order fields' cells and its row id, so that only a window of consecutive
// rows is held however large the table; the first condition of each read
// bounds the first order field, so that an index on it serves the read. A
// table read by its primary key continues after the last row read the same
// way, and a query reads its one statement in the order. A walk with the
// controls disabled does not make SQLite sort for every chunk: it samples the
// keys ahead once, then reads each chunk, as many rows as its byte budget
// holds, in no order up to a sampled key and sorts it here.
//
// Index
//   [SECTION] Properties  IndexFieldNames, DescFields, resolving the fields
//   [SECTION] Keys        comparing rows as SQLite orders them, the conditions
//                         that select the rows after or before a key
//   [SECTION] Window      reading after and before a key into the window
//   [SECTION] Positions   rows before a key, record numbers
//   [SECTION] Protocol    GetRecord, RecNo, bookmarks, Refresh, Post, Delete
//   [SECTION] Walks       the runs of a walk with the controls disabled
//   [SECTION] In order    the order clause of rows read in order

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/db/SQLiteDataSet.h"
#include "platform/db/SQLiteDataSetImpl.h"
#include "platform/rtl/Strings.h"

namespace kvp {

using namespace sqlite_detail;

namespace {

constexpr Integer FirstOrderChunk = 64;     // rows read after a jump
constexpr Integer LargestOrderChunk = 4096;  // rows read at once when walking on
constexpr std::size_t MostWindowRows = 8192;
constexpr std::size_t MostMarks = 4096;    // keys a walk samples

String Mark(int& Next) { return "?" + IntToStr(Next++); }

}  // namespace

void sqlite_detail::BindCell(sqlite3_stmt* Stmt, int Index, const TCell& Cell) {
  KV_ASSERT(!Cell.Large, "a bound text or blob is held, not only its size");
  switch (Cell.Class) {
    case SQLITE_INTEGER:
      sqlite3_bind_int64(Stmt, Index, Cell.Int);
      break;
    case SQLITE_FLOAT:
      sqlite3_bind_double(Stmt, Index, Cell.Real);
      break;
    case SQLITE_TEXT:
      sqlite3_bind_text(Stmt, Index, Cell.Bytes ? Cell.Bytes : "", Cell.Size, SQLITE_TRANSIENT);
      break;
    case SQLITE_BLOB:
      sqlite3_bind_blob(Stmt, Index, Cell.Bytes ? Cell.Bytes : "", Cell.Size, SQLITE_TRANSIENT);
      break;
    default:
      sqlite3_bind_null(Stmt, Index);
      break;
  }
}

namespace {

// Text as SQLite's built-in collations compare it: binary, ASCII letters
// without case, or without trailing spaces.
int CompareText(const TCell& A, const TCell& B, int Collation) {
  std::size_t SizeA = std::size_t(A.Size), SizeB = std::size_t(B.Size);
  const char* PA = A.Bytes ? A.Bytes : "";
  const char* PB = B.Bytes ? B.Bytes : "";
  if (Collation == 2) {
    while (SizeA > 0 && PA[SizeA - 1] == ' ') --SizeA;
    while (SizeB > 0 && PB[SizeB - 1] == ' ') --SizeB;
  }
  const std::size_t Common = std::min(SizeA, SizeB);
  if (Collation == 1) {
    for (std::size_t I = 0; I < Common; ++I) {
      unsigned char CA = static_cast<unsigned char>(PA[I]);
      unsigned char CB = static_cast<unsigned char>(PB[I]);
      if (CA >= 'A' && CA <= 'Z') CA = static_cast<unsigned char>(CA + 32);
      if (CB >= 'A' && CB <= 'Z') CB = static_cast<unsigned char>(CB + 32);
      if (CA != CB) return CA < CB ? -1 : 1;
    }
  } else if (Common > 0) {
    const int C = std::memcmp(PA, PB, Common);
    if (C != 0) return C < 0 ? -1 : 1;
  }
  return SizeA == SizeB ? 0 : (SizeA < SizeB ? -1 : 1);
}

// Two stored values as SQLite orders them: NULL, then numbers by value, then
// texts by the collation, then blobs by their bytes.
int CompareCells(const TCell& A, const TCell& B, int Collation) {
  auto Rank = [](int Class) {
    return Class == SQLITE_NULL ? 0 : Class == SQLITE_TEXT ? 2 : Class == SQLITE_BLOB ? 3 : 1;
  };
  const int RA = Rank(A.Class), RB = Rank(B.Class);
  if (RA != RB) return RA < RB ? -1 : 1;
  if (RA == 0) return 0;
  if (RA == 1) {
    if (A.Class == SQLITE_INTEGER && B.Class == SQLITE_INTEGER)
      return A.Int == B.Int ? 0 : (A.Int < B.Int ? -1 : 1);
    const long double VA = A.Class == SQLITE_INTEGER ? (long double)A.Int : A.Real;
    const long double VB = B.Class == SQLITE_INTEGER ? (long double)B.Int : B.Real;
    return VA == VB ? 0 : (VA < VB ? -1 : 1);
  }
  KV_ASSERT(!A.Large && !B.Large, "a compared text or blob is held, not only its size");
  return CompareText(A, B, RA == 2 ? Collation : 0);
}

}  // namespace

// [SECTION] Properties

void TSQLiteDataSet::SetIndexFieldNames(const String& Value) { SetOrderFields(Value, FDescFields); }

void TSQLiteDataSet::SetDescFields(const String& Value) { SetOrderFields(FIndexFieldNames, Value); }

// An open dataset posts a pending edit, checks the names (an unknown one
// leaves everything as it was) and reads the rows again in the new order,
// staying on the same record.
void TSQLiteDataSet::SetOrderFields(const String& IndexNames, const String& DescNames) {
  if (IndexNames == FIndexFieldNames && DescNames == FDescFields) return;
  if (!GetActive()) {
    FIndexFieldNames = IndexNames;
    FDescFields = DescNames;
    return;
  }
  CheckBrowseMode();
  std::vector<TOrderField> Order = ResolveOrder(IndexNames, DescNames);
  FIndexFieldNames = IndexNames;
  FDescFields = DescNames;
  auto Same = [](const TOrderField& A, const TOrderField& B) {
    return A.Column == B.Column && A.Desc == B.Desc;
  };
  if (Order.size() == FOrder.size() && std::equal(Order.begin(), Order.end(), FOrder.begin(), Same))
    return;
  FOrder = std::move(Order);
  // The row the cursor stands on is known by its cells in any order.
  if (FCursorKind == ckRow) {
    std::string Bytes;
    if (OrderRowBytes(FCursorRowId, Bytes)) {
      FOrderCursorId = FCursorRowId;
      FOrderCursorBytes = std::move(Bytes);
    }
  }
  CursorPosChanged();
  Refresh();
}

// The order fields of the names: each a column of the dataset, a repeated
// one counted once; the row id (a table's) or the key (read in order)
// breaks ties.
std::vector<TSQLiteDataSet::TOrderField> TSQLiteDataSet::ResolveOrder(const String& IndexNames,
                                                                      const String& DescNames) {
  std::vector<TOrderField> Result;
  std::vector<Integer> Desc;
  auto Column = [this](const String& Name) {
    const Integer Index = GetFieldDefs()->IndexOf(Name);
    if (Index < 0)
      DatabaseError("Cannot order the rows by '" + Name + "': the dataset has no such field",
                    this);
    return Index;
  };
  Integer Pos = 1;
  while (Pos <= Length(DescNames)) {
    const String Name = Trim(ExtractFieldName(DescNames, Pos));
    if (!Name.empty()) Desc.push_back(Column(Name));
  }
  Pos = 1;
  while (Pos <= Length(IndexNames)) {
    const String Name = Trim(ExtractFieldName(IndexNames, Pos));
    if (Name.empty()) continue;
    TOrderField Field;
    Field.Column = Column(Name);
    if (std::any_of(Result.begin(), Result.end(),
                    [&](const TOrderField& F) { return F.Column == Field.Column; }))
      continue;
    Field.Desc = std::count(Desc.begin(), Desc.end(), Field.Column) > 0;
    const char* Collation = nullptr;
    if (FSQL.empty() && FDB &&
        sqlite3_table_column_metadata(FDB, nullptr, FTableName.c_str(), Name.c_str(), nullptr,
                                      &Collation, nullptr, nullptr, nullptr) == SQLITE_OK &&
        Collation)
      Field.Collation = SameText(Collation, "NOCASE") ? 1 : SameText(Collation, "RTRIM") ? 2 : 0;
    Result.push_back(Field);
  }
  if (!Result.empty() && FHasRowId) Result.push_back(TOrderField{});
  return Result;
}

void TSQLiteDataSet::ClearOrderWindow() {
  FWindow = TOrderWindow{};
}

// [SECTION] Keys

// Whether a row's cells hold the order fields' values themselves, not only
// the size of a long text or blob left in the table.
bool TSQLiteDataSet::OrderCellsHeld(const std::string& Bytes) const {
  if (Bytes.empty()) return false;
  const char* P = Bytes.data();
  for (std::size_t Column = 0; Column < FTypes.size(); ++Column) {
    const TCell Cell = NextCell(P);
    if (Cell.Large && std::any_of(FOrder.begin(), FOrder.end(), [&](const TOrderField& Field) {
          return Field.Column == Integer(Column);
        }))
      return false;
  }
  return true;
}

// A row read whole as the order keeps it: its order fields' texts and blobs
// whole, the other long ones by their size (read from the table when asked),
// as the cache keeps them.
std::string TSQLiteDataSet::OrderCellsKept(const std::string& Whole) const {
  const int Largest = LargestCachedCell();
  std::string Kept;
  Kept.reserve(std::min<std::size_t>(Whole.size(), 1024));
  const char* P = Whole.data();
  for (std::size_t Column = 0; Column < FTypes.size(); ++Column) {
    TCell Cell = NextCell(P);
    if ((Cell.Class == SQLITE_TEXT || Cell.Class == SQLITE_BLOB) && Cell.Size > Largest &&
        std::none_of(FOrder.begin(), FOrder.end(), [&](const TOrderField& Field) {
          return Field.Column == Integer(Column);
        })) {
      Cell.Large = true;
      Cell.Bytes = nullptr;
    }
    AppendCell(Kept, Cell);
  }
  return Kept;
}

// Rows by their order fields, then row id: Start before and End after all.
int TSQLiteDataSet::CompareOrderRows(const TOrderKey& A, const TOrderKey& B) const {
  if (A.Start || B.Start) return A.Start == B.Start ? 0 : (A.Start ? -1 : 1);
  if (A.End || B.End) return A.End == B.End ? 0 : (A.End ? 1 : -1);
  for (const TOrderField& Field : FOrder) {
    int C = 0;
    if (Field.Column < 0)
      C = A.RowId == B.RowId ? 0 : (A.RowId < B.RowId ? -1 : 1);
    else
      C = CompareCells(CellAt(A.Bytes.data(), Field.Column), CellAt(B.Bytes.data(), Field.Column),
                       Field.Collation);
    if (C != 0) return Field.Desc ? -C : C;
  }
  return 0;
}

// Rows and placed rows: a placed row comes before the row it is anchored at.
int TSQLiteDataSet::CompareOrderKeys(const TOrderKey& A, const TOrderKey& B) const {
  const int C = CompareOrderRows(A, B);
  if (C != 0) return C;
  return A.Minor == B.Minor ? 0 : (A.Minor < B.Minor ? -1 : 1);
}

TSQLiteDataSet::TOrderKey TSQLiteDataSet::WindowKey(Integer Index) const {
  const TOrderRow& Row = FWindow.Rows[std::size_t(Index)];
  return TOrderKey{Row.Bytes, Row.RowId};
}

Integer TSQLiteDataSet::WindowIndexOf(Int64 RowId) {
  const auto& Rows = FWindow.Rows;
  const Integer Count = Integer(Rows.size());
  for (Integer Step = 0; Step < 2; ++Step) {
    const Integer I = FWindow.Hint + Step;
    if (I >= 0 && I < Count && Rows[std::size_t(I)].RowId == RowId) return FWindow.Hint = I;
  }
  for (Integer I = 0; I < Count; ++I)
    if (Rows[std::size_t(I)].RowId == RowId) return FWindow.Hint = I;
  return -1;
}

String TSQLiteDataSet::OrderExpr(const TOrderField& Field) const {
  return Field.Column < 0 ? FRowId : QuoteName(GetFieldDefs()->GetItem(Field.Column)->GetName());
}

// The rows in the order, or in the reverse order for reading backwards.
String TSQLiteDataSet::OrderBy(bool Reversed) const {
  String Result;
  for (const TOrderField& Field : FOrder)
    Result += (Result.empty() ? " ORDER BY " : ", ") + OrderExpr(Field) +
              (Field.Desc != Reversed ? " DESC" : "");
  return Result;
}

// The conditions that select the rows after Key (or before it), as SQLite
// orders them, each a range read in turn: rows with the same first field and
// later in the rest, then the rows beyond it; NULL counts as the least value.
// Binds receives each condition's values for its parameters ?1, ?2 ...
std::vector<String> TSQLiteDataSet::OrderRanges(
    const TOrderKey& Key, bool After, bool Inclusive,
    std::vector<std::vector<TCell>>& Binds) const {
  auto CellOfField = [&](std::size_t I) {
    if (FOrder[I].Column >= 0) return CellAt(Key.Bytes.data(), FOrder[I].Column);
    TCell Cell;
    Cell.Class = SQLITE_INTEGER;
    Cell.Int = Key.RowId;
    return Cell;
  };
  // The fields from I on: beyond the key in the direction of reading.
  auto Rest = [&](auto& Self, std::size_t I, int& Next, std::vector<TCell>& Values) -> String {
    if (I == FOrder.size()) return Inclusive ? "1" : "0";
    const String Name = OrderExpr(FOrder[I]);
    const TCell Value = CellOfField(I);
    const bool Greater = After != FOrder[I].Desc;
    String Beyond;
    if (Value.Class == SQLITE_NULL) {
      Beyond = Greater ? Name + " IS NOT NULL" : "0";
    } else {
      Values.push_back(Value);
      Beyond = Greater ? Name + " > " + Mark(Next) : "(" + Name + " < " + Mark(Next) + " OR " + Name + " IS NULL)";
    }
    String Equal;
    if (Value.Class == SQLITE_NULL) {
      Equal = Name + " IS NULL";
    } else {
      Values.push_back(Value);
      Equal = Name + " = " + Mark(Next);
    }
    const String Tail = Self(Self, I + 1, Next, Values);
    if (Tail == "0") return Beyond;
    return "(" + Beyond + " OR (" + Equal + " AND " + Tail + "))";
  };
  std::vector<String> Ranges;
  const String Name = OrderExpr(FOrder[0]);
  const TCell First = CellOfField(0);
  const bool Greater = After != FOrder[0].Desc;
  {
    std::vector<TCell> Values;
    int Next = 1;
    String Range;
    if (First.Class == SQLITE_NULL) {
      Range = Name + " IS NULL AND " + Rest(Rest, 1, Next, Values);
    } else {
      Values.push_back(First);
      const String Bound = Mark(Next);
      Values.push_back(First);
      const String Strict = Mark(Next);
      Range = Name + (Greater ? " >= " : " <= ") + Bound + " AND (" + Name +
              (Greater ? " > " : " < ") + Strict + " OR " + Rest(Rest, 1, Next, Values) + ")";
    }
    Ranges.push_back(Range);
    Binds.push_back(std::move(Values));
  }
  if (First.Class == SQLITE_NULL && Greater) {
    Ranges.push_back(Name + " IS NOT NULL");
    Binds.emplace_back();
  } else if (First.Class != SQLITE_NULL && !Greater) {
    Ranges.push_back(Name + " IS NULL");
    Binds.emplace_back();
  }
  return Ranges;
}

// [SECTION] Window

// Reads up to Limit database rows after From (before it, last first, when
// Backward), or from the start (the end). Rows OnFilterRecord refuses are
// read but not kept. Answers the rows the database gave: fewer than Limit
// means there are no more.
Integer TSQLiteDataSet::ReadOrdered(const TOrderKey& From, bool Backward, bool Inclusive,
                                    Integer Limit, std::vector<TOrderRow>& Rows) {
  CheckColumnsKept();
  std::vector<std::vector<TCell>> Binds;
  std::vector<String> Ranges;
  if (From.Start || From.End) {
    Ranges.push_back("1");
    Binds.emplace_back();
  } else {
    Ranges = OrderRanges(From, !Backward, Inclusive, Binds);
  }
  const bool Handler = GetFiltered() && OnFilterRecord;
  const int Columns = int(FTypes.size());
  Integer Raw = 0;
  for (std::size_t R = 0; R < Ranges.size() && Raw < Limit; ++R) {
    const String SQL = "SELECT " + FRowId + ", * FROM " + SourceSQL() + " WHERE (" + Ranges[R] +
                       ")" + RowFilter() + OrderBy(Backward) + " LIMIT ?" +
                       IntToStr(Integer(Binds[R].size()) + 1);
    sqlite3_stmt* Prepared = nullptr;
    if (sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Prepared, nullptr) != SQLITE_OK)
      SQLiteError("Cannot read the rows in order");
    TStatement Stmt(Prepared);
    if (!SameColumns(Prepared, 1, nullptr)) ColumnsChanged();
    for (std::size_t I = 0; I < Binds[R].size(); ++I) BindCell(Prepared, int(I) + 1, Binds[R][I]);
    sqlite3_bind_int(Prepared, int(Binds[R].size()) + 1, Limit - Raw);
    ++FReadRuns;
    while (StepRow(Prepared, "Cannot read the rows in order")) {
      ++Raw;
      ++FReadRows;
      TOrderRow Row;
      Row.RowId = sqlite3_column_int64(Prepared, 0);
      AppendCells(Row.Bytes, Prepared, 1, Columns);
      if (Handler && !RowShown(Row.Bytes.data(), Row.RowId)) continue;
      Rows.push_back(std::move(Row));
    }
  }
  return Raw;
}

// Keeps the window within its bounds, dropping rows at the end away from the
// ones just read (the start when KeepEnd), never the row Keep.
void TSQLiteDataSet::TrimOrderWindow(bool KeepEnd, Integer Keep) {
  auto& W = FWindow;
  std::size_t Drop = 0;
  std::size_t Bytes = W.Bytes;
  const std::size_t Count = W.Rows.size();
  const std::size_t Most = KeepEnd ? std::size_t(std::max(Keep, 0)) : Count - std::size_t(Keep) - 1;
  while (Drop < Most &&
         (Count - Drop > MostWindowRows || (Bytes > FCacheLimit && Count - Drop > 1))) {
    const TOrderRow& Row = W.Rows[KeepEnd ? Drop : Count - 1 - Drop];
    Bytes -= Row.Bytes.size() + sizeof(TOrderRow);
    ++Drop;
  }
  if (Drop == 0) return;
  W.Bytes = Bytes;
  if (KeepEnd) {
    W.Rows.erase(W.Rows.begin(), W.Rows.begin() + std::ptrdiff_t(Drop));
    W.AtStart = false;
    if (W.Base > 0) W.Base += Int64(Drop);
    W.Hint = std::max<Integer>(0, W.Hint - Integer(Drop));
  } else {
    W.Rows.resize(Count - Drop);
    W.AtEnd = false;
  }
}

// The first database row after Key (at it or after, when Inclusive), as an
// index into the window; the rows are read when the window does not know.
bool TSQLiteDataSet::OrderDbAfter(const TOrderKey& Key, bool Inclusive, Integer& Index) {
  if (Key.End) return false;
  auto& W = FWindow;
  const Integer Count = Integer(W.Rows.size());
  bool Connected = false;
  if (Count > 0) {
    if (Key.Start) {
      if (W.AtStart) {
        Index = 0;
        return true;
      }
    } else {
      Integer I = 0;
      while (I < Count) {  // the rows are in order: bisect
        Integer Low = I, High = Count;
        while (Low < High) {
          const Integer Mid = (Low + High) / 2;
          const int C = CompareOrderRows(WindowKey(Mid), Key);
          if (C > 0 || (Inclusive && C == 0))
            High = Mid;
          else
            Low = Mid + 1;
        }
        I = Low;
        break;
      }
      if (I < Count && (I > 0 || W.AtStart)) {
        Index = I;
        return true;
      }
      if (I == Count) {
        if (W.AtEnd) return false;
        Connected = !Inclusive && CompareOrderRows(WindowKey(Count - 1), Key) == 0;
      }
    }
  }
  const Integer Limit = Connected ? std::min(std::max(Count, FirstOrderChunk) * 2, LargestOrderChunk)
                                  : FirstOrderChunk;
  std::vector<TOrderRow> Rows;
  const Integer Raw = ReadOrdered(Key, false, Inclusive, Limit, Rows);
  const bool End = Raw < Limit;
  if (!Connected) {
    ClearOrderWindow();
    W.AtStart = Key.Start;
    W.Base = Key.Start ? 1 : 0;
  }
  W.AtEnd = End;
  const Integer First = Integer(W.Rows.size());
  for (TOrderRow& Row : Rows) {
    W.Bytes += Row.Bytes.size() + sizeof(TOrderRow);
    W.Rows.push_back(std::move(Row));
  }
  if (Rows.empty()) return false;
  const std::size_t Before = W.Rows.size();
  TrimOrderWindow(true, First);
  Index = First - Integer(Before - W.Rows.size());
  return true;
}

// The last database row before Key (the last of all for End), as an index
// into the window; the rows are read when the window does not know.
bool TSQLiteDataSet::OrderDbBefore(const TOrderKey& Key, Integer& Index) {
  if (Key.Start) return false;
  auto& W = FWindow;
  const Integer Count = Integer(W.Rows.size());
  bool Connected = false;
  if (Count > 0) {
    if (Key.End) {
      if (W.AtEnd) {
        Index = Count - 1;
        return true;
      }
    } else {
      Integer Low = 0, High = Count;
      while (Low < High) {
        const Integer Mid = (Low + High) / 2;
        if (CompareOrderRows(WindowKey(Mid), Key) >= 0)
          High = Mid;
        else
          Low = Mid + 1;
      }
      const Integer I = Low - 1;
      if (I >= 0 && (I < Count - 1 || W.AtEnd)) {
        Index = I;
        return true;
      }
      if (I < 0) {
        if (W.AtStart) return false;
        Connected = CompareOrderRows(WindowKey(0), Key) == 0;
      }
    }
  }
  const Integer Limit = Connected ? std::min(std::max(Count, FirstOrderChunk) * 2, LargestOrderChunk)
                                  : FirstOrderChunk;
  std::vector<TOrderRow> Rows;
  const Integer Raw = ReadOrdered(Key, true, false, Limit, Rows);
  const bool End = Raw < Limit;  // no row before the last one read
  if (Rows.empty()) {
    if (Connected && End) {
      W.AtStart = true;
      W.Base = 1;
    }
    return false;
  }
  std::reverse(Rows.begin(), Rows.end());
  const Integer Added = Integer(Rows.size());
  std::size_t Bytes = 0;
  for (const TOrderRow& Row : Rows) Bytes += Row.Bytes.size() + sizeof(TOrderRow);
  if (Connected) {
    W.Rows.insert(W.Rows.begin(), std::make_move_iterator(Rows.begin()),
                  std::make_move_iterator(Rows.end()));
    W.Bytes += Bytes;
    if (W.Base > 0) W.Base -= Added;
    W.Hint += Added;
  } else {
    ClearOrderWindow();
    W.Rows = std::move(Rows);
    W.Bytes = Bytes;
    W.AtEnd = Key.End;
    if (Key.End) W.Base = DbCount() - Added + 1;
  }
  W.AtStart = End;
  if (End) W.Base = 1;
  TrimOrderWindow(false, Added - 1);
  Index = Added - 1;
  return true;
}

// [SECTION] Positions

// Database rows shown before Key: from the window's known position, else
// counted by the database over the ranges before it.
Int64 TSQLiteDataSet::OrderDbBelow(const TOrderKey& Key) {
  if (Key.End) return DbCount();
  if (Key.Start) return 0;
  auto& W = FWindow;
  const Integer Count = Integer(W.Rows.size());
  if (Count > 0 && W.Base > 0) {
    Integer Low = 0, High = Count;
    while (Low < High) {
      const Integer Mid = (Low + High) / 2;
      if (CompareOrderRows(WindowKey(Mid), Key) >= 0)
        High = Mid;
      else
        Low = Mid + 1;
    }
    if ((Low > 0 || W.AtStart) && (Low < Count || W.AtEnd)) return W.Base - 1 + Low;
  }
  std::vector<std::vector<TCell>> Binds;
  const std::vector<String> Ranges = OrderRanges(Key, false, false, Binds);
  const bool Handler = GetFiltered() && OnFilterRecord;
  Int64 Below = 0;
  for (std::size_t R = 0; R < Ranges.size(); ++R) {
    const String SQL = Handler ? "SELECT " + FRowId + ", * FROM " + SourceSQL() + " WHERE (" +
                                     Ranges[R] + ")" + RowFilter()
                               : "SELECT COUNT(*) FROM " + SourceSQL() + " WHERE (" + Ranges[R] +
                                     ")" + RowFilter();
    sqlite3_stmt* Prepared = nullptr;
    if (sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Prepared, nullptr) != SQLITE_OK)
      SQLiteError("Cannot count the rows");
    TStatement Stmt(Prepared);
    for (std::size_t I = 0; I < Binds[R].size(); ++I) BindCell(Prepared, int(I) + 1, Binds[R][I]);
    if (!Handler) {
      if (!StepRow(Prepared, "Cannot count the rows")) SQLiteError("Cannot count the rows");
      Below += sqlite3_column_int64(Prepared, 0);
      continue;
    }
    while (StepRow(Prepared, "Cannot count the rows")) {
      std::string Bytes;
      AppendCells(Bytes, Prepared, 1, int(FTypes.size()));
      if (RowShown(Bytes.data(), sqlite3_column_int64(Prepared, 0))) ++Below;
    }
  }
  return Below;
}

// Placed rows that come before Key.
Integer TSQLiteDataSet::OrderPlacedBelow(const TOrderKey& Key) const {
  Integer Count = 0;
  for (std::size_t I = 0; I < FOrderAnchors.size(); ++I) {
    TOrderKey Anchor = FOrderAnchors[I];
    Anchor.Minor = Int64(I);
    if (CompareOrderKeys(Anchor, Key) < 0) ++Count;
  }
  return Count;
}

// A row's cells: placed, in the window, or as stored now (the last known
// when it is gone).
bool TSQLiteDataSet::OrderRowBytes(Int64 RowId, std::string& Bytes) {
  // A row placed before the order was set may hold a long order field by
  // its size alone: it is read again.
  const Integer Placed = PlacedIndexOf(RowId);
  if (Placed >= 0 && OrderCellsHeld(FPlaced[std::size_t(Placed)].Bytes)) {
    Bytes = FPlaced[std::size_t(Placed)].Bytes;
    return true;
  }
  const Integer Index = WindowIndexOf(RowId);
  if (Index >= 0) {
    Bytes = FWindow.Rows[std::size_t(Index)].Bytes;
    return true;
  }
  bool Found = false;
  Bytes = ReadStoredRow(RowId, {}, {}, Found, KeepAll);
  if (Found) return true;
  if (FOrderCursorId == RowId && OrderCellsHeld(FOrderCursorBytes)) {
    Bytes = FOrderCursorBytes;
    return true;
  }
  return false;
}

// Where a row stands: a placed row at its anchor, a database row at itself.
bool TSQLiteDataSet::OrderKeyOf(Int64 RowId, TOrderKey& Key) {
  const Integer Placed = PlacedIndexOf(RowId);
  if (Placed >= 0) {
    Key = FOrderAnchors[std::size_t(Placed)];
    Key.Minor = Placed;
    return true;
  }
  // The walk's row as the walk read it.
  if (FRun.Ordered && FRun.Index >= 0 && FRun.Index < FRun.Count() &&
      FRun.RowIds[std::size_t(FRun.Index)] == RowId) {
    Key = OrderRunKey(FRun.Index);
    return true;
  }
  std::string Bytes;
  if (!OrderRowBytes(RowId, Bytes)) return false;
  Key = TOrderKey{std::move(Bytes), RowId};
  return true;
}

// The record number of the window's row Window, or of the placed row Placed.
Integer TSQLiteDataSet::OrderPosition(Int64 /*RowId*/, Integer Window, Integer Placed) {
  Int64 Position = 0;
  if (Placed >= 0) {
    Position = OrderDbBelow(FOrderAnchors[std::size_t(Placed)]) + Placed + 1;
  } else {
    auto& W = FWindow;
    if (W.Base == 0) W.Base = OrderDbBelow(WindowKey(0)) + 1;
    Position = W.Base + Window + (FPlaced.empty() ? 0 : OrderPlacedBelow(WindowKey(Window)));
  }
  return Integer(std::min<Int64>(Position, INT32_MAX));
}

// [SECTION] Protocol

// A step that meets the row it starts from again (another program moved it
// past the rows between, so that it comes next where it stands now) goes on
// from it: a row is not shown twice running.
TGetResult TSQLiteDataSet::OrderGetRecord(TRecordBuffer& Buffer, TGetMode Mode) {
  if (Mode == gmCurrent || FCursorKind != ckRow) return OrderStep(Buffer, Mode);
  const Int64 From = FCursorRowId;
  const TGetResult Result = OrderStep(Buffer, Mode);
  if (Result != grOK || FCursorRowId != From) return Result;
  return OrderStep(Buffer, Mode);
}

TGetResult TSQLiteDataSet::OrderStep(TRecordBuffer& Buffer, TGetMode Mode) {
  CheckColumnsKept();
  auto Land = [&](Integer Window, Integer Placed) {
    const std::string& Bytes =
        Placed >= 0 ? FPlaced[std::size_t(Placed)].Bytes : FWindow.Rows[std::size_t(Window)].Bytes;
    const Int64 RowId =
        Placed >= 0 ? FPlaced[std::size_t(Placed)].RowId : FWindow.Rows[std::size_t(Window)].RowId;
    if (Placed < 0) FWindow.Hint = Window;
    FCursorKind = ckRow;
    FCursorRowId = RowId;
    FOrderCursorId = RowId;
    FOrderCursorBytes = Bytes;
    FRun.Index = -1;
    FillLazy(Buffer, RowId, OrderPosition(RowId, Window, Placed));
    DecodeInto(Buffer, FOrderCursorBytes.data(), RowId, -1);
    return grOK;
  };
  auto PlacedKey = [this](std::size_t I) {
    TOrderKey Key = FOrderAnchors[I];
    Key.Minor = Int64(I);
    return Key;
  };
  if (Mode == gmCurrent) {
    if (FCursorKind != ckRow) return grError;
    const Integer Placed = PlacedIndexOf(FCursorRowId);
    if (Placed >= 0) return Land(-1, Placed);
    const Integer Index = WindowIndexOf(FCursorRowId);
    if (Index >= 0) return Land(Index, -1);
    // A row the window does not hold: it alone, if it is still shown.
    if (!IsDbRowShown(FCursorRowId)) return grError;
    bool Found = false;
    std::string Bytes = ReadStoredRow(FCursorRowId, {}, {}, Found, KeepAll);
    if (!Found) return grError;
    ClearOrderWindow();
    FWindow.Bytes = Bytes.size() + sizeof(TOrderRow);
    FWindow.Rows.push_back(TOrderRow{FCursorRowId, std::move(Bytes)});
    return Land(0, -1);
  }
  // [Phase 1] A walk's run, else where the step starts.
  if (Mode == gmNext) {
    TGetResult RunResult = grOK;
    if (OrderRunNext(Buffer, RunResult)) return RunResult;
  }
  TOrderKey From;
  bool Inclusive = false;
  if (Mode == gmNext && FCursorKind == ckEof) return grEOF;
  if (Mode == gmPrior && FCursorKind == ckBof) return grBOF;
  if (FCursorKind == ckBof) {
    From.Start = true;
  } else if (FCursorKind == ckEof) {
    From.End = true;
  } else if (FCursorKind == ckGap) {
    From = FOrderGap;
    Inclusive = true;
  } else {
    if (Mode == gmNext && FPlaced.empty()) {  // walking on inside the window
      const Integer Index = WindowIndexOf(FCursorRowId);
      if (Index >= 0 && Index + 1 < Integer(FWindow.Rows.size())) return Land(Index + 1, -1);
    }
    if (!OrderKeyOf(FCursorRowId, From)) {
      FCursorKind = Mode == gmNext ? ckEof : ckBof;
      return Mode == gmNext ? grEOF : grBOF;
    }
  }
  // [Phase 2] The nearer of the next database row and the next placed row.
  Integer Index = -1;
  Integer Placed = -1;
  if (Mode == gmNext) {
    const bool DbInclusive = Inclusive || (From.Minor != INT64_MAX && !From.Start);
    const bool Db = OrderDbAfter(From, DbInclusive, Index);
    for (std::size_t I = 0; I < FPlaced.size() && Placed < 0; ++I) {
      const int C = CompareOrderKeys(PlacedKey(I), From);
      if (C > 0 || (Inclusive && C == 0)) Placed = Integer(I);
    }
    if (Placed >= 0 && Db &&
        CompareOrderRows(FOrderAnchors[std::size_t(Placed)], WindowKey(Index)) > 0)
      Placed = -1;
    if (Placed < 0 && !Db) {
      FCursorKind = ckEof;
      return grEOF;
    }
  } else {
    const bool Db = OrderDbBefore(From, Index);
    for (std::size_t I = FPlaced.size(); I-- > 0 && Placed < 0;)
      if (CompareOrderKeys(PlacedKey(I), From) < 0) Placed = Integer(I);
    if (Placed >= 0 && Db &&
        CompareOrderRows(FOrderAnchors[std::size_t(Placed)], WindowKey(Index)) <= 0)
      Placed = -1;
    if (Placed < 0 && !Db) {
      FCursorKind = ckBof;
      return grBOF;
    }
  }
  return Placed >= 0 ? Land(-1, Placed) : Land(Index, -1);
}

// The row with record number Value: a placed row, or the database row after
// as many placed rows as come before it.
void TSQLiteDataSet::OrderSetRecNo(Integer Value) {
  Integer Before = 0;
  for (std::size_t I = 0; I < FPlaced.size(); ++I) {
    const Int64 At = OrderDbBelow(FOrderAnchors[I]) + Int64(I) + 1;
    if (At == Value) {
      FCursorKind = ckRow;
      FCursorRowId = FPlaced[I].RowId;
      return;
    }
    if (At > Value) break;
    Before = Integer(I) + 1;
  }
  const Int64 Position = Int64(Value) - Before;
  if (Position < 1 || Position > DbCount()) DatabaseError("Record not found", this);
  auto& W = FWindow;
  if (W.Base > 0 && Position >= W.Base && Position < W.Base + Int64(W.Rows.size())) {
    FCursorKind = ckRow;
    FCursorRowId = W.Rows[std::size_t(Position - W.Base)].RowId;
    return;
  }
  if (GetFiltered() && OnFilterRecord) {
    // Only reading tells which rows the handler passes: on from the start.
    TOrderKey From;
    From.Start = true;
    Integer Index = 0;
    while (OrderDbAfter(From, false, Index)) {
      if (W.Base > 0 && Position < W.Base + Int64(W.Rows.size())) {
        FCursorKind = ckRow;
        FCursorRowId = W.Rows[std::size_t(Position - W.Base)].RowId;
        return;
      }
      From = WindowKey(Integer(W.Rows.size()) - 1);
    }
    DatabaseError("Record not found", this);
  }
  const String SQL = "SELECT " + FRowId + ", * FROM " + SourceSQL() + " WHERE 1" + RowFilter() +
                     OrderBy(false) + " LIMIT 1 OFFSET ?1";
  sqlite3_stmt* Prepared = nullptr;
  if (sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Prepared, nullptr) != SQLITE_OK)
    SQLiteError("Cannot find record " + IntToStr(Value));
  TStatement Stmt(Prepared);
  if (!SameColumns(Prepared, 1, nullptr)) ColumnsChanged();
  sqlite3_bind_int64(Prepared, 1, Position - 1);
  if (!StepRow(Prepared, "Cannot find record " + IntToStr(Value)))
    DatabaseError("Record not found", this);
  TOrderRow Row;
  Row.RowId = sqlite3_column_int64(Prepared, 0);
  AppendCells(Row.Bytes, Prepared, 1, int(FTypes.size()));
  ClearOrderWindow();
  W.Base = Position;
  W.Bytes = Row.Bytes.size() + sizeof(TOrderRow);
  FCursorKind = ckRow;
  FCursorRowId = Row.RowId;
  W.Rows.push_back(std::move(Row));
}

// By where the rows stand in the order; rows that cannot be read any more
// by their row ids.
Integer TSQLiteDataSet::OrderCompare(Int64 Id1, Int64 Id2) {
  TOrderKey K1, K2;
  if (!OrderKeyOf(Id1, K1) || !OrderKeyOf(Id2, K2)) return Id1 < Id2 ? -1 : 1;
  const int C = CompareOrderKeys(K1, K2);
  if (C != 0) return C;
  return Id1 < Id2 ? -1 : 1;
}

// Reads again from the database: placed rows take their places in the
// order, and the cursor stays on its row, which may have moved; when that
// row is gone, on where it stood.
void TSQLiteDataSet::OrderRefresh() {
  const bool OnRow = FCursorKind == ckRow;
  const Int64 RowId = FCursorRowId;
  std::string Bytes;
  const bool Known = OnRow && OrderRowBytes(RowId, Bytes);
  ResetRows();
  if (!OnRow) return;
  if (IsDbRowShown(RowId)) {
    FCursorKind = ckRow;
    FCursorRowId = RowId;
  } else if (Known) {
    FCursorKind = ckGap;
    FOrderGap = TOrderKey{std::move(Bytes), RowId};
  }
}

// A posted row: an edited one takes its new place in the order (or, edited
// out of the filter, stays where it was as a placed row); a new one stands
// where it was inserted until Refresh.
void TSQLiteDataSet::OrderPost(bool Editing, Int64 RowId, const std::string& Stored, bool Shown) {
  FCursorKind = ckRow;
  FCursorRowId = RowId;
  FOrderCursorId = RowId;
  FOrderCursorBytes = Stored;
  if (Editing) {
    const Integer Placed = PlacedIndexOf(RowId);
    if (Placed >= 0) {
      FPlaced[std::size_t(Placed)].Bytes = Stored;
      return;
    }
    const Integer Index = WindowIndexOf(RowId);
    std::string Old = Index >= 0 ? FWindow.Rows[std::size_t(Index)].Bytes : Stored;
    if (Shown) {
      if (Index < 0) return;
      const bool Stays = CompareOrderRows(TOrderKey{Old, RowId}, TOrderKey{Stored, RowId}) == 0;
      if (!Stays) {
        ClearOrderWindow();  // it moved among the others
        return;
      }
      TOrderRow& Row = FWindow.Rows[std::size_t(Index)];
      FWindow.Bytes = FWindow.Bytes - Row.Bytes.size() + Stored.size();
      Row.Bytes = Stored;
      return;
    }
    if (Index >= 0) {
      FWindow.Bytes -= FWindow.Rows[std::size_t(Index)].Bytes.size() + sizeof(TOrderRow);
      FWindow.Rows.erase(FWindow.Rows.begin() + Index);
    }
    RemoveCachedRow(RowId);
    if (FDbCount > 0) --FDbCount;
    TOrderKey Anchor{std::move(Old), RowId};
    std::size_t At = 0;
    while (At < FOrderAnchors.size() && CompareOrderRows(FOrderAnchors[At], Anchor) <= 0) ++At;
    FPlaced.insert(FPlaced.begin() + std::ptrdiff_t(At), TPlaced{RowId, 0, Stored});
    FOrderAnchors.insert(FOrderAnchors.begin() + std::ptrdiff_t(At), std::move(Anchor));
    FinalizeKept();
    return;
  }
  TOrderKey Anchor;
  Anchor.End = true;
  std::size_t At = FPlaced.size();
  Int64 BeforeId = 0;
  if (!GetInsertAppend() && RowIdOfBookmark(GetInsertBefore(), BeforeId)) {
    const Integer Before = PlacedIndexOf(BeforeId);
    TOrderKey Key;
    if (Before >= 0) {
      At = std::size_t(Before);
      Anchor = FOrderAnchors[At];
    } else if (OrderKeyOf(BeforeId, Key)) {
      Anchor = std::move(Key);
      At = 0;
      while (At < FOrderAnchors.size() && CompareOrderRows(FOrderAnchors[At], Anchor) <= 0) ++At;
    }
  }
  Anchor.Minor = INT64_MAX;
  FPlaced.insert(FPlaced.begin() + std::ptrdiff_t(At), TPlaced{RowId, 0, Stored});
  FOrderAnchors.insert(FOrderAnchors.begin() + std::ptrdiff_t(At), std::move(Anchor));
  FinalizeKept();
}

// Where the cursor stands once the row is deleted: taken before the row goes.
TSQLiteDataSet::TOrderKey TSQLiteDataSet::OrderGapBeforeDelete(Int64 RowId) {
  TOrderKey Key;
  if (!OrderKeyOf(RowId, Key)) Key.Start = true;
  return Key;
}

void TSQLiteDataSet::OrderDeleted(Int64 RowId, const TOrderKey& Gap) {
  const Integer Placed = PlacedIndexOf(RowId);
  if (Placed >= 0) {
    FPlaced.erase(FPlaced.begin() + Placed);
    FOrderAnchors.erase(FOrderAnchors.begin() + Placed);
    FinalizeKept();
  } else {
    const Integer Index = WindowIndexOf(RowId);
    if (Index >= 0) {
      FWindow.Bytes -= FWindow.Rows[std::size_t(Index)].Bytes.size() + sizeof(TOrderRow);
      FWindow.Rows.erase(FWindow.Rows.begin() + Index);
    } else if (FWindow.Base > 0 && !FWindow.Rows.empty() &&
               CompareOrderRows(Gap, WindowKey(0)) < 0) {
      --FWindow.Base;
    }
    RemoveCachedRow(RowId);
    if (FDbCount > 0) --FDbCount;
  }
  FCursorKind = ckGap;
  FOrderGap = Gap;
}

// [SECTION] Walks

// The next record of a walk with the controls disabled: the run's next row,
// its next chunk, or a new run from the start or from the end of the window.
// False when the step is the window's to take.
bool TSQLiteDataSet::OrderRunNext(TRecordBuffer& Buffer, TGetResult& Result) {
  if (!RunAllowed()) return false;
  TOrderKey From;
  Int64 Position = 1;
  const bool OnRun = FRun.Ordered && FCursorKind == ckRow && FRun.Index >= 0 &&
                     FRun.Index < FRun.Count() &&
                     FRun.RowIds[std::size_t(FRun.Index)] == FCursorRowId;
  if (OnRun) {
    if (FRun.Index + 1 < FRun.Count()) {
      ++FRun.Index;
      FCursorRowId = FRun.RowIds[std::size_t(FRun.Index)];
      FillLazy(Buffer, FCursorRowId, FRun.FirstPos + FRun.Index);
      PlaceRunNumbers(Buffer, FRun.Index);
      Result = grOK;
      return true;
    }
    if (FRun.End) {
      FCursorKind = ckEof;
      FRun.Index = -1;
      Result = grEOF;
      return true;
    }
    From = OrderRunKey(FRun.Index);
    Position = FRun.FirstPos + FRun.Index + 1;
  } else if (FCursorKind == ckBof) {
    From.Start = true;
    NoteOrderMarks(From, Position);
  } else if (FCursorKind == ckRow) {
    // The window serves the rows it holds; the run starts after its last.
    const Integer Index = WindowIndexOf(FCursorRowId);
    if (Index < 0 || Index + 1 < Integer(FWindow.Rows.size()) || FWindow.AtEnd) return false;
    const Int64 Numbered = CursorRecNo();
    Position = Numbered > 0 ? Numbered + 1 : OrderPosition(FCursorRowId, Index, -1) + 1;
    From = WindowKey(Index);
    NoteOrderMarks(From, Position);
  } else {
    return false;
  }
  ReadOrderRun(From, false, Position);
  return EnterRun(Position, Buffer, Result);
}

// What a run may hold: the byte budget less what the window and the cache
// hold, and at least half of it.
std::size_t TSQLiteDataSet::OrderRunBudget() const {
  const std::size_t Used = std::min(FWindow.Bytes + FCacheBytes, FCacheLimit / 2);
  return std::max<std::size_t>(FCacheLimit - Used, 1);
}

// The key of the run's row Row, as the walk read it: its order fields' cells
// in a row of cells (the other columns NULL) and its row id.
TSQLiteDataSet::TOrderKey TSQLiteDataSet::OrderRunKey(Integer Row) const {
  TOrderKey Key;
  Key.RowId = FRun.RowIds[std::size_t(Row)];
  for (std::size_t Column = 0; Column < FTypes.size(); ++Column) {
    const bool Keyed = std::any_of(FOrder.begin(), FOrder.end(), [&](const TOrderField& Field) {
      return Field.Column == Integer(Column);
    });
    const Integer Slot = Column < FRun.Slots.size() ? FRun.Slots[Column] : -1;
    if (Keyed && Slot >= 0)
      AppendCell(Key.Bytes, RunCell(Row, Slot));
    else
      AppendCell(Key.Bytes, TCell{});
  }
  return Key;
}

// The rows at or before Key in the order, as one condition; its parameters
// are numbered from Next on and their values added to Binds.
String TSQLiteDataSet::OrderBound(const TOrderKey& Key, int& Next, std::vector<TCell>& Binds) const {
  std::vector<TCell> Values;
  std::vector<String> Beyond, Equal;
  for (const TOrderField& Field : FOrder) {
    TCell Value;
    if (Field.Column >= 0) {
      Value = CellAt(Key.Bytes.data(), Field.Column);
    } else {
      Value.Class = SQLITE_INTEGER;
      Value.Int = Key.RowId;
    }
    const String Name = OrderExpr(Field);
    // Before the key: lower ascending (NULL lowest), higher descending.
    if (Value.Class == SQLITE_NULL) {
      Beyond.push_back(Field.Desc ? Name + " IS NOT NULL" : String("0"));
      Equal.push_back(Name + " IS NULL");
    } else {
      Binds.push_back(Value);
      const String At = Mark(Next);
      Beyond.push_back(Field.Desc ? Name + " > " + At
                                  : "(" + Name + " < " + At + " OR " + Name + " IS NULL)");
      Equal.push_back(Name + " = " + At);
    }
  }
  String Result = "1";
  for (std::size_t I = Beyond.size(); I-- > 0;) {
    const String Same = "(" + Equal[I] + " AND " + Result + ")";
    Result = Beyond[I] == "0" ? Same : "(" + Beyond[I] + " OR " + Same + ")";
  }
  return Result;
}

// Samples the keys of the rows after From, whose first is at FirstPos, with
// one scan in no order: up to MostMarks of them, chosen evenly at random
// (with a fixed seed), kept in order as marks with the positions they are
// likely to have.
void TSQLiteDataSet::NoteOrderMarks(const TOrderKey& From, Int64 FirstPos) {
  FOrderMarks.clear();
  FOrderMarksEnd = FirstPos - 1;
  FOrderRowBytes = 0;
  String List = FRowId;
  std::vector<Integer> Columns;
  for (const TOrderField& Field : FOrder)
    if (Field.Column >= 0) {
      Columns.push_back(Field.Column);
      List += ", " + QuoteName(GetFieldDefs()->GetItem(Field.Column)->GetName());
    }
  std::vector<Integer> SlotOf(FTypes.size(), -1);
  for (std::size_t I = 0; I < Columns.size(); ++I) SlotOf[std::size_t(Columns[I])] = Integer(I);
  std::vector<std::vector<TCell>> Binds;
  std::vector<String> Ranges;
  if (From.Start) {
    Ranges.push_back("1");
    Binds.emplace_back();
  } else {
    Ranges = OrderRanges(From, true, false, Binds);
  }
  std::vector<TOrderMark> Sample;
  Int64 Seen = 0;
  UInt64 Random = 0x9E3779B97F4A7C15ull;
  std::size_t SampledBytes = 0;  // a run holds for the order fields' cells of the rows sampled
  Int64 Sampled = 0;
  for (std::size_t R = 0; R < Ranges.size(); ++R) {
    const String SQL = "SELECT " + List + " FROM " + SourceSQL() + " WHERE (" + Ranges[R] + ")" +
                       RowFilter();
    sqlite3_stmt* Prepared = nullptr;
    if (sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Prepared, nullptr) != SQLITE_OK)
      SQLiteError("Cannot read the rows in order");
    TStatement Stmt(Prepared);
    if (!SameColumns(Prepared, 1, &Columns)) ColumnsChanged();
    for (std::size_t I = 0; I < Binds[R].size(); ++I) BindCell(Prepared, int(I) + 1, Binds[R][I]);
    ++FReadRuns;
    while (StepRow(Prepared, "Cannot read the rows in order")) {
      ++Seen;
      std::size_t At = Sample.size();
      if (Sample.size() >= MostMarks) {
        Random = Random * 6364136223846793005ull + 1442695040888963407ull;
        At = std::size_t((Random >> 16) % UInt64(Seen));
        if (At >= MostMarks) continue;
      } else {
        Sample.emplace_back();
      }
      TOrderMark& Noted = Sample[At];
      Noted.Key.RowId = sqlite3_column_int64(Prepared, 0);
      Noted.Key.Bytes.clear();
      for (std::size_t C = 0; C < FTypes.size(); ++C) {
        if (SlotOf[C] < 0)
          Noted.Key.Bytes += '\0';
        else
          AppendCells(Noted.Key.Bytes, Prepared, 1 + SlotOf[C], 1);
      }
      SampledBytes += Columns.size() * sizeof(TRunCell);
      for (std::size_t C = 0; C < Columns.size(); ++C) {
        const int Class = sqlite3_column_type(Prepared, 1 + int(C));
        if (Class == SQLITE_TEXT || Class == SQLITE_BLOB)
          SampledBytes += std::size_t(sqlite3_column_bytes(Prepared, 1 + int(C)));
      }
      ++Sampled;
    }
  }
  if (Seen == 0) return;
  std::sort(Sample.begin(), Sample.end(), [this](const TOrderMark& A, const TOrderMark& B) {
    return CompareOrderRows(A.Key, B.Key) < 0;
  });
  const Int64 Count = Int64(Sample.size());
  for (Int64 I = 0; I < Count; ++I)
    Sample[std::size_t(I)].Position = FirstPos - 1 + (I + 1) * Seen / Count;
  FOrderMarks = std::move(Sample);
  FOrderMarksEnd = FirstPos - 1 + Seen;
  FOrderRowBytes = SampledBytes / std::size_t(Sampled) + sizeof(Int64);
}

// Replaces the run with the rows after From (from it, when Inclusive), from
// position FirstPos on, holding the order fields' columns and those the walk
// reads: the rows up to the farthest mark (or to the end) that the budget
// holds at the size of the rows held before, read in no order and sorted
// here. Rows that turn out not to fit (another program added rows there, or
// the walk reads more columns now) are read again in order, as many as fit.
// Marks only bound reads: each reads the rows as the file holds them then,
// so nothing another program writes meanwhile is missed or read twice.
void TSQLiteDataSet::ReadOrderRun(const TOrderKey& FromKey, bool FromInclusive, Int64 FirstPos) {
  CheckColumnsKept();
  // [Phase 1] The columns: the order fields', then the others the walk reads.
  std::vector<Integer> Columns;
  for (const TOrderField& Field : FOrder)
    if (Field.Column >= 0) Columns.push_back(Field.Column);
  const std::size_t Keyed = Columns.size();
  for (std::size_t I = 0; I < FWanted.size(); ++I)
    if (FWanted[I] && std::find(Columns.begin(), Columns.end(), Integer(I)) == Columns.end())
      Columns.push_back(Integer(I));
  String List = FRowId;
  for (Integer Column : Columns)
    List += ", " + QuoteName(GetFieldDefs()->GetItem(Column)->GetName());
  const std::size_t Budget = OrderRunBudget();
  const std::size_t RowBytes =
      FRun.Count() > 0 ? FRun.Held() / std::size_t(FRun.Count()) : FOrderRowBytes;
  const int Largest = LargestCachedCell();
  TOrderKey From = FromKey;
  bool Inclusive = FromInclusive;
  FRun = TRun{};
  FRun.Ordered = true;
  FRun.Slots.assign(FTypes.size(), -1);
  for (std::size_t I = Columns.size(); I-- > 0;) FRun.Slots[std::size_t(Columns[I])] = Integer(I);
  FRun.Columns = Columns;
  FRun.FirstPos = FirstPos;
  TOrderRows Rows;
  std::size_t Held = 0;  // bytes the rows read take in the run, large values whole
  // Marks tell how many rows lie between them, not where the walk is:
  // rows up to a mark are counted from the mark before From.
  Int64 Before = FirstPos - 1;
  auto Fits = [&](Int64 Last) {  // with room for the guess to be short
    return RowBytes > 0 &&
           std::size_t(std::max<Int64>(Last - Before, 0)) * RowBytes <= Budget / 8 * 7;
  };
  // The rows of the ranges up to Upto, in order when Sorted; false when the
  // budget cut the read.
  auto Read = [&](const std::vector<String>& Ranges, std::vector<std::vector<TCell>> Binds,
                  const TOrderMark* Upto, bool Sorted) {
    for (std::size_t R = 0; R < Ranges.size(); ++R) {
      std::vector<TCell>& Values = Binds[R];
      String Where = "(" + Ranges[R] + ")";
      if (Upto) {
        int Next = int(Values.size()) + 1;
        Where += " AND " + OrderBound(Upto->Key, Next, Values);
      }
      const String SQL = "SELECT " + List + " FROM " + SourceSQL() + " WHERE " + Where +
                         RowFilter() + (Sorted ? OrderBy(false) : String());
      sqlite3_stmt* Prepared = nullptr;
      if (sqlite3_prepare_v2(FDB, SQL.c_str(), int(SQL.size()), &Prepared, nullptr) != SQLITE_OK)
        SQLiteError("Cannot read the rows in order");
      TStatement Stmt(Prepared);
      if (!SameColumns(Prepared, 1, &Columns)) ColumnsChanged();
      for (std::size_t I = 0; I < Values.size(); ++I) BindCell(Prepared, int(I) + 1, Values[I]);
      ++FReadRuns;
      while (StepRow(Prepared, "Cannot read the rows in order")) {
        if (Held >= Budget) return false;
        Rows.RowIds.push_back(sqlite3_column_int64(Prepared, 0));
        Rows.Starts.push_back(unsigned(Rows.Bytes.size()));
        Held += sizeof(Int64) + Columns.size() * sizeof(TRunCell);
        for (std::size_t C = 0; C < Columns.size(); ++C) {
          AppendCells(Rows.Bytes, Prepared, 1 + int(C), 1, C < Keyed ? KeepAll : Largest);
          const int Class = sqlite3_column_type(Prepared, 1 + int(C));
          if (Class == SQLITE_TEXT || Class == SQLITE_BLOB)
            Held += std::size_t(sqlite3_column_bytes(Prepared, 1 + int(C)));
        }
      }
    }
    return true;
  };
  try {
    for (;;) {
      // [Phase 2] How far: the farthest mark after From the budget holds, or
      // the end when it holds that too (or no mark is left).
      const TOrderMark* Upto = nullptr;
      auto Mark = std::partition_point(
          FOrderMarks.begin(), FOrderMarks.end(),
          [&](const TOrderMark& M) { return CompareOrderRows(M.Key, From) <= 0; });
      Before = Mark == FOrderMarks.begin() ? FirstPos - 1 : (Mark - 1)->Position;
      if (Mark != FOrderMarks.end()) {
        while (Mark + 1 != FOrderMarks.end() && Fits((Mark + 1)->Position)) ++Mark;
        if (Mark + 1 != FOrderMarks.end() || !Fits(FOrderMarksEnd)) Upto = &*Mark;
      }
      // [Phase 3] The rows, sorted here; in order from the database when they
      // do not all fit.
      std::vector<std::vector<TCell>> Binds;
      std::vector<String> Ranges;
      if (From.Start) {
        Ranges.push_back("1");
        Binds.emplace_back();
      } else {
        Ranges = OrderRanges(From, true, Inclusive, Binds);
      }
      bool Cut = false;
      Rows = TOrderRows{};
      Held = 0;
      std::vector<Integer> Order;
      if (Read(Ranges, Binds, Upto, false)) {
        Order = SortOrderRows(Rows);
      } else {
        Rows = TOrderRows{};
        Held = 0;
        Cut = !Read(Ranges, Binds, Upto, true);
        Order.resize(std::size_t(Rows.Count()));
        for (Integer I = 0; I < Rows.Count(); ++I) Order[std::size_t(I)] = I;
      }
      LayOrderRun(Rows, Order);
      FReadRows += FRun.Count();
      FRun.End = !Cut && Upto == nullptr;
      if (FRun.Count() > 0 || FRun.End) break;
      // Nothing left up to the mark: on after it.
      From = Upto->Key;
      Inclusive = false;
    }
  } catch (...) {
    DropRun();
    throw;
  }
  if (FRun.End && FDbCount < 0) FDbCount = FirstPos + FRun.Count() - 1;
}

// The chunk's rows in the order, as indexes into Rows: the order fields'
// cells are the first of each row's, the row id breaks ties.
std::vector<Integer> TSQLiteDataSet::SortOrderRows(const TOrderRows& Rows) const {
  const Integer Count = Rows.Count();
  const TOrderField& Lead = FOrder.front();
  // The fields after the first, for rows whose first fields are equal.
  auto Rest = [&](Integer A, Integer B) {
    const char* PA = Rows.Bytes.data() + Rows.Starts[std::size_t(A)];
    const char* PB = Rows.Bytes.data() + Rows.Starts[std::size_t(B)];
    NextCell(PA);
    NextCell(PB);
    for (std::size_t F = 1; F < FOrder.size(); ++F) {
      const TOrderField& Field = FOrder[F];
      int C = 0;
      if (Field.Column < 0) {
        const Int64 IA = Rows.RowIds[std::size_t(A)], IB = Rows.RowIds[std::size_t(B)];
        C = IA == IB ? 0 : (IA < IB ? -1 : 1);
      } else {
        C = CompareCells(NextCell(PA), NextCell(PB), Field.Collation);
      }
      if (C != 0) return Field.Desc ? C > 0 : C < 0;
    }
    return false;
  };
  auto LeadOf = [&](Integer Row) {
    const char* P = Rows.Bytes.data() + Rows.Starts[std::size_t(Row)];
    return NextCell(P);
  };
  std::vector<Integer> Order(static_cast<std::size_t>(Count));
  bool AllReal = true, AllWhole = true;
  for (Integer I = 0; I < Count && (AllReal || AllWhole); ++I) {
    const int Class = LeadOf(I).Class;
    AllReal = AllReal && Class == SQLITE_FLOAT;
    AllWhole = AllWhole && Class == SQLITE_INTEGER;
  }
  if (AllReal || AllWhole) {
    // Numbers of one kind: compared as they are, the rest only on ties.
    struct TNumber {
      double Real;
      Int64 Whole;
      Integer Row;
    };
    std::vector<TNumber> Numbers(static_cast<std::size_t>(Count));
    for (Integer I = 0; I < Count; ++I) {
      const TCell Cell = LeadOf(I);
      Numbers[std::size_t(I)] = TNumber{Cell.Real, Cell.Int, I};
    }
    std::sort(Numbers.begin(), Numbers.end(), [&](const TNumber& A, const TNumber& B) {
      if (AllReal ? A.Real != B.Real : A.Whole != B.Whole)
        return (AllReal ? A.Real < B.Real : A.Whole < B.Whole) != Lead.Desc;
      return Rest(A.Row, B.Row);
    });
    for (Integer I = 0; I < Count; ++I) Order[std::size_t(I)] = Numbers[std::size_t(I)].Row;
  } else {
    std::vector<TCell> Leads(static_cast<std::size_t>(Count));
    for (Integer I = 0; I < Count; ++I) Leads[std::size_t(I)] = LeadOf(I);
    for (Integer I = 0; I < Count; ++I) Order[std::size_t(I)] = I;
    std::sort(Order.begin(), Order.end(), [&](Integer A, Integer B) {
      const int C = CompareCells(Leads[std::size_t(A)], Leads[std::size_t(B)], Lead.Collation);
      if (C != 0) return Lead.Desc ? C > 0 : C < 0;
      return Rest(A, B);
    });
  }
  return Order;
}

// Lays the chunk's rows into the run in the given order, each cell as a run
// cell: numbers as they are, texts and blobs in the run's bytes, a large one
// (left in the table) by its size alone.
void TSQLiteDataSet::LayOrderRun(const TOrderRows& Rows, const std::vector<Integer>& Order) {
  const std::size_t Columns = FRun.Columns.size();
  FRun.RowIds.reserve(Order.size());
  FRun.Cells.reserve(Order.size() * Columns);
  std::size_t Stored = 0;
  for (Integer Row : Order) {
    const std::size_t End =
        Row + 1 < Rows.Count() ? Rows.Starts[std::size_t(Row) + 1] : Rows.Bytes.size();
    Stored += End - Rows.Starts[std::size_t(Row)];
  }
  FRun.Bytes.reserve(Stored);
  for (Integer Row : Order) {
    FRun.RowIds.push_back(Rows.RowIds[std::size_t(Row)]);
    const char* P = Rows.Bytes.data() + Rows.Starts[std::size_t(Row)];
    for (std::size_t C = 0; C < Columns; ++C) {
      const TCell Cell = NextCell(P);
      TRunCell& Laid = FRun.Cells.emplace_back();
      Laid.Class = std::uint8_t(Cell.Class);
      switch (Cell.Class) {
        case SQLITE_INTEGER:
          Laid.Payload = Cell.Int;
          break;
        case SQLITE_FLOAT:
          Laid.Payload = std::bit_cast<Int64>(Cell.Real);
          break;
        case SQLITE_TEXT:
        case SQLITE_BLOB:
          Laid.Size = std::uint32_t(Cell.Size);
          Laid.Large = Cell.Large;
          if (!Cell.Large) {
            Laid.Payload = Int64(FRun.Bytes.size());
            if (Cell.Size > 0) FRun.Bytes.append(Cell.Bytes, std::size_t(Cell.Size));
          }
          break;
        default:
          break;
      }
    }
  }
}

// [SECTION] In order

// Rows read in order (a query, a view, a table without row ids): the order
// fields, then a table's key, which makes every row's place certain.
String TSQLiteDataSet::SeqOrderBy(bool& KeyedTies) const {
  String Result = OrderBy(false);
  KeyedTies = FKeyed;
  if (FKeyed)
    for (Integer Column : FKeyColumns)
      Result += ", " + QuoteName(GetFieldDefs()->GetItem(Column)->GetName());
  return Result;
}

// The condition for the rows after the row Last of a table read by its key,
// in the order: its parameters from FirstParam on take Binds.
String TSQLiteDataSet::SeqAfter(const std::string& Last, Integer FirstParam,
                                std::vector<TCell>& Binds) const {
  std::vector<TOrderField> Fields = FOrder;
  for (Integer Column : FKeyColumns) Fields.push_back(TOrderField{Column, false, 0});
  int Next = int(FirstParam);
  String Result = "0";
  for (std::size_t I = Fields.size(); I-- > 0;) {
    const String Name = QuoteName(GetFieldDefs()->GetItem(Fields[I].Column)->GetName());
    const TCell Value = CellAt(Last.data(), Fields[I].Column);
    String Beyond;
    String Equal;
    if (Value.Class == SQLITE_NULL) {
      Beyond = Fields[I].Desc ? "0" : Name + " IS NOT NULL";
      Equal = Name + " IS NULL";
    } else {
      Beyond = Fields[I].Desc ? "(" + Name + " < ?" + IntToStr(Next) + " OR " + Name + " IS NULL)"
                              : Name + " > ?" + IntToStr(Next);
      Equal = Name + " = ?" + IntToStr(Next);
      Binds.push_back(Value);
      ++Next;
    }
    Result = Result == "0" ? Beyond : "(" + Beyond + " OR (" + Equal + " AND " + Result + "))";
  }
  return "(" + Result + ")";
}

}  // namespace kvp
