// A driver of the SQLite dataset over tables of many shapes, for a randomised
// test and a fuzz target: bytes choose a table (declared types, keys, columns
// named like the row id, without row ids), its rows, and a run of steps by the
// dataset (walks, edits, deletes, inserts, Refresh) and by another connection
// on the same file between them. After every step the dataset is compared
// with the file as SQLite reads it. Every table has a column "tag" that no
// step of the dataset writes, naming each row, so that rows can be told apart
// whatever else they hold. Run answers the first fault found, or nothing.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/db/DB.h"
#include "platform/rtl/Strings.h"

namespace kvp::shape_test {

// The bytes, read as small choices; past their end every choice is 0.
class TChoices {
 public:
  TChoices(const std::uint8_t* Data, std::size_t Size) : FData(Data), FSize(Size) {}
  unsigned Next(unsigned Count) { return Count == 0 ? 0 : (FAt < FSize ? FData[FAt++] : 0) % Count; }
  bool AtEnd() const { return FAt >= FSize; }

 private:
  const std::uint8_t* FData;
  std::size_t FSize;
  std::size_t FAt = 0;
};

class TShapeRun {
 public:
  TShapeRun(const String& File, const std::uint8_t* Data, std::size_t Size)
      : FFile(File), FIn(Data, Size) {}

  String Run() {
    std::remove(FFile.c_str());
    std::remove((FFile + "-journal").c_str());
    if (sqlite3_open(FFile.c_str(), &FOther) != SQLITE_OK) return "cannot open the file";
    sqlite3_busy_timeout(FOther, 2000);
    sqlite3_exec(FOther, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    String Fault;
    try {
      Fault = MakeTable();
      if (Fault.empty()) Fault = Steps();
    } catch (const Exception& E) {
      Fault = "unexpected " + String(E.ClassName()) + ": " + E.GetMessage();
    }
    if (FDS) {
      FDS->Close();
      FDS->Free();
      FDS = nullptr;
    }
    sqlite3_close(FOther);
    std::remove(FFile.c_str());
    std::remove((FFile + "-journal").c_str());
    return Fault.empty() ? Fault : Fault + "\n" + FSchema + "\nlast step: " + FStep;
  }

 private:
  // [Making the table]
  String MakeTable() {
    static const char* const Names[] = {"a", "b", "rowid", "oid", "_rowid_", "id", "k"};
    static const char* const Types[] = {"INTEGER",  "INT",  "TEXT",     "VARCHAR(3)", "REAL",
                                        "NUMERIC",  "DECIMAL(8, 2)", "DATE",    "DATETIME",
                                        "BOOLEAN",  "BLOB", "CURRENCY", ""};
    const unsigned Columns = 1 + FIn.Next(4);
    std::vector<String> Defs;
    for (unsigned I = 0; I < Columns; ++I) {
      String Name = Names[FIn.Next(7)];
      while (std::find(FColumns.begin(), FColumns.end(), Name) != FColumns.end()) Name += "x";
      FColumns.push_back(Name);
      Defs.push_back("\"" + Name + "\" " + Types[FIn.Next(13)]);
    }
    // The key: none, one column (maybe the row id's alias, maybe DESC), or two.
    const unsigned Key = FIn.Next(6);
    bool WithoutRowId = false;
    String Constraint;
    if (Key == 1) Defs[0] = "\"" + FColumns[0] + "\" INTEGER PRIMARY KEY";
    if (Key == 2) Defs[0] = "\"" + FColumns[0] + "\" INTEGER PRIMARY KEY DESC";
    if (Key >= 3) {
      Constraint = ", PRIMARY KEY (\"" + FColumns[0] + "\"" +
                   (Columns > 1 && Key == 4 ? ", \"" + FColumns[1] + "\"" : String()) + ")";
      WithoutRowId = Key == 5;
    }
    String SQL = "CREATE TABLE t (";
    for (const String& Def : Defs) SQL += Def + ", ";
    SQL += "tag TEXT" + Constraint + ")" + (WithoutRowId ? " WITHOUT ROWID" : "");
    FTagIndex = FColumns.size();
    FSchema = SQL;
    if (!Exec(SQL)) return String();  // a shape SQLite refuses: nothing to test
    const unsigned Rows = FIn.Next(40);
    for (unsigned I = 0; I < Rows; ++I) InsertOther();
    FDS = TSQLiteDataSet::Create(nullptr);
    FDS->SetDatabaseName(FFile);
    FDS->SetTableName("t");
    FDS->SetCacheLimit(1 + FIn.Next(3) * 2000);
    FDS->Open();
    return Compare();
  }

  // [Steps]
  String Steps() {
    for (int Step = 0; Step < 40 && !FIn.AtEnd(); ++Step) {
      const unsigned Op = FIn.Next(11);
      String Fault;
      switch (Op) {
        case 0: Fault = Compare(); break;
        case 1: FStep = "MoveBy"; Move(); break;
        case 2: Fault = EditStep(); break;
        case 3: Fault = DeleteStep(); break;
        case 4: Fault = InsertStep(); break;
        case 5: FStep = "other: insert"; InsertOther(); break;
        case 6: FStep = "other: update"; UpdateOther(); break;
        case 7: FStep = "other: delete"; DeleteOther(); break;
        case 8:
          FStep = "Refresh";
          FDS->Refresh();
          FStale = false;
          Fault = Compare();
          break;
        case 9: Fault = WriteBackStep(); break;
        default: Fault = ColumnsStep(); break;
      }
      if (!Fault.empty()) return Fault;
      if (!FDS->GetActive()) return "the dataset closed itself";
      if (Op >= 2 && Op <= 7) FStale = true;  // a write here or elsewhere
    }
    FDS->Refresh();
    FStale = false;
    return Compare();
  }

  void Move() {
    const int Distance = int(FIn.Next(9)) - 4;
    if (FIn.Next(4) == 0) {
      FDS->Last();
      return;
    }
    FDS->MoveBy(Distance * int(1 + FIn.Next(20)));
  }

  // One field of the current row set to a value; a post that succeeds changes
  // that row's cell alone, one that fails changes nothing.
  String EditStep() {
    if (FDS->IsEmpty() || !FDS->GetCanModify()) return String();
    const String Tag = FDS->FieldByName("tag")->GetAsString();
    TField* Field = FDS->GetFields()->GetField(Integer(FIn.Next(unsigned(FColumns.size()))));
    FStep = "edit " + Field->GetFieldName() + " of '" + Tag + "'";
    const std::vector<String> Before = FileRows();
    bool Posted = false;
    try {
      FDS->Edit();
      Field->SetValue(RandomVariant());
      FDS->Post();
      Posted = true;
    } catch (const Exception&) {
      if (FDS->GetState() != dsBrowse) FDS->Cancel();
    }
    const std::vector<String> After = FileRows();
    if (!Posted) return After == Before ? String() : "a failed post changed the file";
    // A row another connection deleted: only a post that writes nothing passes.
    bool Stored = false;
    for (const String& Row : Before) Stored = Stored || Split(Row)[FTagIndex] == "text '" + Tag + "'";
    if (!Stored) return After == Before ? String() : "a post wrote a row deleted elsewhere";
    if (After.size() != Before.size()) return "a post changed the number of rows";
    if (FDS->FieldByName("tag")->GetAsString() != Tag) return "the cursor left the posted row";
    const std::size_t Column = std::size_t(Field->GetFieldNo() - 1);
    for (const String& Row : Before) {
      const auto Cells = Split(Row);
      bool Kept = std::find(After.begin(), After.end(), Row) != After.end();
      if (Kept || Cells[FTagIndex] != "text '" + Tag + "'") {
        if (!Kept) return "another row changed: " + Row;
        continue;
      }
      // The edited row: every other cell as before.
      bool Found = false;
      for (const String& Now : After) {
        const auto NowCells = Split(Now);
        if (NowCells[FTagIndex] != Cells[FTagIndex]) continue;
        Found = true;
        for (std::size_t I = 0; I < Cells.size(); ++I)
          if (I != Column && NowCells[I] != Cells[I]) return "another cell changed: " + Now;
      }
      if (!Found) return "the posted row is gone";
    }
    return String();
  }

  // Every field set to itself: the file keeps every byte.
  String WriteBackStep() {
    if (FDS->IsEmpty() || !FDS->GetCanModify()) return String();
    FStep = "write back '" + FDS->FieldByName("tag")->GetAsString() + "'";
    const std::vector<String> Before = FileRows();
    FDS->Edit();
    for (TField* Field : *FDS->GetFields()) Field->SetValue(Field->GetValue());
    try {
      FDS->Post();
    } catch (const EDatabaseError&) {
      FDS->Cancel();  // the row changed under the dataset (another connection)
    }
    const std::vector<String> After = FileRows();
    for (std::size_t I = 0; I < std::max(After.size(), Before.size()); ++I) {
      const String Was = I < Before.size() ? Before[I] : "none";
      const String Now = I < After.size() ? After[I] : "none";
      if (Was != Now) return "writing back the values read changed the file: " + Was + " -> " + Now;
    }
    return String();
  }

  String DeleteStep() {
    if (FDS->IsEmpty() || !FDS->GetCanModify()) return String();
    const String Tag = FDS->FieldByName("tag")->GetAsString();
    FStep = "delete '" + Tag + "'";
    const std::vector<String> Before = FileRows();
    bool Deleted = false;
    try {
      FDS->Delete();
      Deleted = true;
    } catch (const EDatabaseError&) {
    }
    std::vector<String> After = FileRows();
    if (!Deleted) return After == Before ? String() : "a failed delete changed the file";
    std::vector<String> Expected;
    for (const String& Row : Before)
      if (Split(Row)[FTagIndex] != "text '" + Tag + "'") Expected.push_back(Row);
    return After == Expected ? String() : "the delete removed other rows, or none";
  }

  String InsertStep() {
    if (!FDS->GetCanModify()) return String();
    FStep = "append";
    const std::size_t Before = FileRows().size();
    try {
      FDS->Append();
      for (TField* Field : *FDS->GetFields())
        if (Field->GetFieldName() != "tag" && FIn.Next(2)) Field->SetValue(RandomVariant());
      FDS->FieldByName("tag")->SetAsString("new " + IntToStr(++FTags));
      FDS->Post();
    } catch (const Exception&) {
      if (FDS->GetState() != dsBrowse) FDS->Cancel();
      return FileRows().size() == Before ? String() : "a failed insert changed the file";
    }
    return FileRows().size() == Before + 1 ? String() : "an insert did not add one row";
  }

  // Another connection adds a column: the dataset refuses until reopened.
  String ColumnsStep() {
    FStep = "other: add a column";
    if (!Exec("ALTER TABLE t ADD COLUMN extra" + IntToStr(++FTags) + " TEXT")) return String();
    try {
      FDS->Refresh();
      FDS->Last();
      return "the changed columns were read";
    } catch (const EDatabaseError&) {
    }
    FDS->Close();
    FDS->Open();
    FStale = false;
    return Compare();
  }

  // [The other connection]
  bool Exec(const String& SQL) {
    return sqlite3_exec(FOther, SQL.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  }

  void InsertOther() {
    String Values;
    for (std::size_t I = 0; I < FColumns.size(); ++I) Values += RandomLiteral() + ", ";
    Exec("INSERT OR IGNORE INTO t VALUES (" + Values + "'tag " + IntToStr(++FTags) + "')");
  }

  void UpdateOther() {
    const String Column = FColumns[FIn.Next(unsigned(FColumns.size()))];
    Exec("UPDATE OR IGNORE t SET \"" + Column + "\" = " + RandomLiteral() +
         " WHERE tag = (SELECT tag FROM t LIMIT 1 OFFSET " + IntToStr(Integer(FIn.Next(40))) + ")");
  }

  void DeleteOther() {
    Exec("DELETE FROM t WHERE tag = (SELECT tag FROM t LIMIT 1 OFFSET " +
         IntToStr(Integer(FIn.Next(40))) + ")");
  }

  String RandomLiteral() {
    static const char* const Literals[] = {
        "NULL", "0", "1", "-1", "2", "12.5", "0.1000000000000001", "0.1000000000000002",
        "9223372036854775807", "-9223372036854775808", "1e300", "''", "'abc'",
        "'2024-03-07'", "'2024-03-07 13:05:00.123'", "'2024-03-07 13:05:00.124'", "'13:05'",
        "x'00ff'", "'longer than three'", "922337203685477", "1.23456", "'ünï'"};
    return Literals[FIn.Next(sizeof Literals / sizeof *Literals)];
  }

  Variant RandomVariant() {
    switch (FIn.Next(9)) {
      case 0: return Null();
      case 1: return Variant(Integer(FIn.Next(5)) - 2);
      case 2: return Variant(Int64(9223372036854775807LL) - Int64(FIn.Next(2)));
      case 3: return Variant(0.1 + FIn.Next(3) * 1e-16);
      case 4: return Variant(String(FIn.Next(2) ? "abc" : "x longer than three"));
      case 5: return VarFromDateTime(45000.0 + FIn.Next(3) / 86400000.0);
      case 6: return Variant(FIn.Next(2) == 1);
      case 7: return Variant(Currency::FromRaw(Int64(FIn.Next(200)) * 37));
      default: return Variant(String("12.5"));
    }
  }

  // [Comparing] The rows of the file in the order the table keeps them, and
  // the dataset walked both ways: each row once, in that order.
  std::vector<String> FileRows() {
    std::vector<String> Rows;
    sqlite3_stmt* Stmt = nullptr;
    if (sqlite3_prepare_v2(FOther, "SELECT * FROM t NOT INDEXED", -1, &Stmt, nullptr) != SQLITE_OK)
      return Rows;
    while (sqlite3_step(Stmt) == SQLITE_ROW) {
      String Row;
      for (int Column = 0; Column < sqlite3_column_count(Stmt); ++Column) {
        if (Column) Row += " | ";
        Row += Cell(Stmt, Column);
      }
      Rows.push_back(Row);
    }
    sqlite3_finalize(Stmt);
    return Rows;
  }

  static String Cell(sqlite3_stmt* Stmt, int Column) {
    char Buffer[64];
    switch (sqlite3_column_type(Stmt, Column)) {
      case SQLITE_INTEGER:
        std::snprintf(Buffer, sizeof Buffer, "integer %lld",
                      static_cast<long long>(sqlite3_column_int64(Stmt, Column)));
        return Buffer;
      case SQLITE_FLOAT:
        std::snprintf(Buffer, sizeof Buffer, "real %.17g", sqlite3_column_double(Stmt, Column));
        return Buffer;
      case SQLITE_TEXT:
      case SQLITE_BLOB:
        return String(sqlite3_column_type(Stmt, Column) == SQLITE_TEXT ? "text '" : "blob '") +
               String(static_cast<const char*>(sqlite3_column_blob(Stmt, Column)),
                      std::size_t(sqlite3_column_bytes(Stmt, Column))) +
               "'";
      default:
        return "null";
    }
  }

  static std::vector<String> Split(const String& Row) {
    std::vector<String> Cells;
    std::size_t Start = 0;
    for (;;) {
      const std::size_t At = Row.find(" | ", Start);
      Cells.push_back(Row.substr(Start, At == String::npos ? String::npos : At - Start));
      if (At == String::npos) return Cells;
      Start = At + 3;
    }
  }

  // The dataset shows rows changed elsewhere, and keeps rows it wrote where
  // they were, until Refresh: until then only the file is checked.
  String Compare() {
    if (FStale) return String();
    FStep += " (compared)";
    std::vector<String> Tags;
    for (const String& Row : FileRows()) {
      const String Last = Split(Row)[FTagIndex];
      Tags.push_back(Last.size() > 6 ? Last.substr(6, Last.size() - 7) : String());
    }
    std::vector<String> Forward;
    for (FDS->First(); !FDS->GetEof() && Forward.size() <= Tags.size(); FDS->Next())
      Forward.push_back(FDS->FieldByName("tag")->GetAsString());
    if (Forward != Tags) return "the rows walked are not the file's";
    std::vector<String> Backward;
    for (FDS->Last(); !FDS->GetBof() && Backward.size() <= Tags.size(); FDS->Prior())
      Backward.push_back(FDS->FieldByName("tag")->GetAsString());
    std::reverse(Backward.begin(), Backward.end());
    if (Backward != Tags) return "the rows walked backwards are not the file's";
    if (FDS->GetRecordCount() != Integer(Tags.size())) return "the record count is not the file's";
    FDS->CheckConsistency();
    return String();
  }

  String FFile;
  TChoices FIn;
  sqlite3* FOther = nullptr;
  TSQLiteDataSet* FDS = nullptr;
  std::vector<String> FColumns;  // the table's columns before "tag"
  std::size_t FTagIndex = 0;     // the column of "tag" in the file's rows
  bool FStale = false;           // changed since the last Refresh
  String FSchema;
  String FStep;
  Integer FTags = 0;
};

}  // namespace kvp::shape_test
