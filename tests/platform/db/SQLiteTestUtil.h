// Helpers of the SQLite dataset tests: a database file of the test's own, SQL
// run on it through a separate connection, and what SQLite itself reads from a
// table (the storage class and exact value of every cell), to compare the file
// with what the dataset shows and writes.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "DbTestUtil.h"

namespace kvp::test {

// A file name in the temporary folder, removed when the test ends.
struct TTempDatabase {
  String File;
  explicit TTempDatabase(const char* Tag,
                         const std::filesystem::path& Folder = std::filesystem::temp_directory_path()) {
    File = (Folder / ("kv_" + String(Tag) + "_" + std::to_string(::getpid()) + ".sqlite")).string();
    std::remove(File.c_str());
  }
  ~TTempDatabase() {
    std::remove(File.c_str());
    std::remove((File + "-journal").c_str());
  }
  TTempDatabase(const TTempDatabase&) = delete;
  TTempDatabase& operator=(const TTempDatabase&) = delete;
};

// A folder in memory where the system has one (else the temporary folder),
// for tests whose thousands of commits need not wait for the disk.
inline std::filesystem::path MemoryFolder() {
  std::error_code Error;
  const std::filesystem::path Shm = "/dev/shm";
  if (std::filesystem::is_directory(Shm, Error) && ::access(Shm.c_str(), W_OK) == 0) return Shm;
  return std::filesystem::temp_directory_path();
}

// Runs SQL on File through a connection of its own (creating the file).
inline void RunSQL(const String& File, const String& SQL) {
  sqlite3* DB = nullptr;
  ASSERT_EQ(sqlite3_open(File.c_str(), &DB), SQLITE_OK);
  char* Error = nullptr;
  EXPECT_EQ(sqlite3_exec(DB, SQL.c_str(), nullptr, nullptr, &Error), SQLITE_OK)
      << (Error ? Error : "") << "\n"
      << SQL;
  sqlite3_free(Error);
  sqlite3_close(DB);
}

// One cell as SQLite stores it: "integer 12", "real 0x4029000000000000",
// "text 'abc'", "blob 00ff", "null".
inline String StoredCell(sqlite3_stmt* Stmt, int Column) {
  char Buffer[64];
  switch (sqlite3_column_type(Stmt, Column)) {
    case SQLITE_INTEGER:
      std::snprintf(Buffer, sizeof Buffer, "integer %lld",
                    static_cast<long long>(sqlite3_column_int64(Stmt, Column)));
      return Buffer;
    case SQLITE_FLOAT: {
      const double Value = sqlite3_column_double(Stmt, Column);
      unsigned long long Bits = 0;
      std::memcpy(&Bits, &Value, sizeof Bits);
      std::snprintf(Buffer, sizeof Buffer, "real %.17g (0x%016llx)", Value, Bits);
      return Buffer;
    }
    case SQLITE_TEXT:
      return "text '" +
             String(reinterpret_cast<const char*>(sqlite3_column_text(Stmt, Column)),
                    sqlite3_column_bytes(Stmt, Column)) +
             "'";
    case SQLITE_BLOB: {
      String Hex = "blob ";
      const auto* Bytes = static_cast<const unsigned char*>(sqlite3_column_blob(Stmt, Column));
      for (int I = 0; I < sqlite3_column_bytes(Stmt, Column); ++I) {
        std::snprintf(Buffer, sizeof Buffer, "%02x", Bytes[I]);
        Hex += Buffer;
      }
      return Hex;
    }
    default:
      return "null";
  }
}

// Every cell of Table in row id order, one line a row: "rowid | cell | cell";
// a table without row ids in its key's order, without the row id.
inline std::vector<String> StoredRows(const String& File, const String& Table,
                                      bool WithRowIds = true) {
  std::vector<String> Rows;
  sqlite3* DB = nullptr;
  EXPECT_EQ(sqlite3_open_v2(File.c_str(), &DB, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* Stmt = nullptr;
  const String SQL = WithRowIds ? "SELECT rowid, * FROM \"" + Table + "\" ORDER BY rowid"
                                : "SELECT * FROM \"" + Table + "\"";
  EXPECT_EQ(sqlite3_prepare_v2(DB, SQL.c_str(), -1, &Stmt, nullptr), SQLITE_OK)
      << sqlite3_errmsg(DB);
  while (Stmt && sqlite3_step(Stmt) == SQLITE_ROW) {
    String Row;
    for (int Column = 0; Column < sqlite3_column_count(Stmt); ++Column)
      Row += (Column ? " | " : "") + StoredCell(Stmt, Column);
    Rows.push_back(Row);
  }
  sqlite3_finalize(Stmt);
  sqlite3_close(DB);
  return Rows;
}

inline String FileBytes(const String& File) {
  std::ifstream In(File, std::ios::binary);
  return String(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// A dataset on Table (or on SQL when Table is empty) of File, opened.
inline TObjectPtr<TSQLiteDataSet> OpenSQLite(const String& File, const String& Table,
                                             const String& SQL = String()) {
  TObjectPtr<TSQLiteDataSet> DS(TSQLiteDataSet::Create(nullptr));
  DS->SetName("Data");
  DS->SetDatabaseName(File);
  if (SQL.empty())
    DS->SetTableName(Table);
  else
    DS->SetSQL(SQL);
  DS->Open();
  return DS;
}

}  // namespace kvp::test
