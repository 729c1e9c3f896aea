// Builds the sample customers/orders database with a fixed pseudo-random
// sequence, so that every run writes the same rows.

#include "platform/db/SampleDatabase.h"

#include <sqlite3.h>

#include <cstdio>

#include "platform/db/DBCommon.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

const char* const FirstNames[] = {"Émile", "Zoë",    "Björn", "Ødegaard", "José",   "Łukasz",
                                  "Ágnes", "Søren",  "Çelik", "Anna",     "Jürgen", "Renée",
                                  "Mikko", "Dvořák", "Ines",  "Tomáš"};
const char* const LastNames[] = {"Müller",   "García", "Nowak",  "Østergaard", "Lefèvre",
                                 "Öztürk",   "Smith",  "Kovács", "Håkansson",  "Rossi",
                                 "Đorđević", "Brown",  "Şahin",  "Novák"};
const char* const Cities[][2] = {{"Zürich", "Switzerland"}, {"København", "Denmark"},
                                 {"Kraków", "Poland"},      {"São Paulo", "Brazil"},
                                 {"Malmö", "Sweden"},       {"Besançon", "France"},
                                 {"Reykjavík", "Iceland"},  {"Chicago", "USA"},
                                 {"İstanbul", "Türkiye"},   {"Brno", "Czechia"}};

// A small linear congruential sequence: the same numbers on every machine.
struct TSequence {
  UInt64 State = 20240307;
  Integer Next(Integer Limit) {
    State = State * 6364136223846793005ULL + 1442695040888963407ULL;
    return Integer((State >> 33) % UInt64(Limit));
  }
};

struct TDatabase {
  sqlite3* DB = nullptr;
  ~TDatabase() {
    if (DB) sqlite3_close(DB);
  }
  void Exec(const String& SQL) {
    char* Error = nullptr;
    if (sqlite3_exec(DB, SQL.c_str(), nullptr, nullptr, &Error) != SQLITE_OK) {
      const String Reason = Error ? Error : "unknown error";
      sqlite3_free(Error);
      DatabaseError("Cannot build the sample database: " + Reason);
    }
  }
};

String Date(Integer Year, Integer Month, Integer Day) {
  char Buffer[40];
  std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d", Year, Month, Day);
  return Buffer;
}

String Money(Integer Cents) {
  char Buffer[32];
  std::snprintf(Buffer, sizeof Buffer, "%d.%02d", Cents / 100, Cents % 100);
  return Buffer;
}

}  // namespace

void CreateSampleDatabase(const String& FileName) {
  std::remove(FileName.c_str());
  TDatabase D;
  if (sqlite3_open_v2(FileName.c_str(), &D.DB, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    DatabaseError("Cannot create the sample database '" + FileName + "'");
  D.Exec("BEGIN");
  D.Exec(
      "CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, "
      "city VARCHAR(30), country VARCHAR(30), since DATE, vip BOOLEAN, credit CURRENCY)");
  D.Exec(
      "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL, "
      "ordered DATETIME, amount CURRENCY, quantity INTEGER, paid BOOLEAN, note TEXT)");
  TSequence Seq;
  for (Integer Id = 1; Id <= SampleCustomerCount; ++Id) {
    const String Name = String(FirstNames[Seq.Next(16)]) + " " + LastNames[Seq.Next(14)];
    const auto& City = Cities[Seq.Next(10)];
    const bool NoCity = Id % 17 == 0;  // a few customers without an address
    D.Exec("INSERT INTO customers VALUES (" + std::to_string(Id) + ", " + QuotedStr(Name) + ", " +
           (NoCity ? String("NULL") : QuotedStr(City[0])) + ", " +
           (NoCity ? String("NULL") : QuotedStr(City[1])) + ", " +
           QuotedStr(Date(2010 + Seq.Next(14), 1 + Seq.Next(12), 1 + Seq.Next(28))) + ", " +
           std::to_string(Seq.Next(4) == 0 ? 1 : 0) + ", " +
           (Id % 11 == 0 ? String("NULL") : Money(Seq.Next(5000000))) + ")");
  }
  for (Integer Id = 1; Id <= SampleOrderCount; ++Id) {
    char Time[32];
    std::snprintf(Time, sizeof Time, " %02d:%02d:00", 8 + Seq.Next(10), Seq.Next(60));
    const String Note = Id % 5 == 0 ? QuotedStr("Lieferung an Büro, Tür " + std::to_string(Id % 9))
                                    : String("NULL");
    D.Exec("INSERT INTO orders VALUES (" + std::to_string(Id) + ", " +
           std::to_string(1 + Seq.Next(SampleCustomerCount)) + ", " +
           QuotedStr(Date(2023 + Seq.Next(2), 1 + Seq.Next(12), 1 + Seq.Next(28)) + Time) + ", " +
           Money(100 + Seq.Next(250000)) + ", " + std::to_string(1 + Seq.Next(20)) + ", " +
           (Id % 13 == 0 ? String("NULL") : std::to_string(Seq.Next(3) ? 1 : 0)) + ", " + Note +
           ")");
  }
  D.Exec("COMMIT");
}

void CreateNumbersDatabase(const String& FileName, Integer RowCount) {
  std::remove(FileName.c_str());
  TDatabase D;
  if (sqlite3_open_v2(FileName.c_str(), &D.DB, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    DatabaseError("Cannot create the numbers database '" + FileName + "'");
  D.Exec("BEGIN");
  D.Exec("CREATE TABLE numbers (id INTEGER PRIMARY KEY, name VARCHAR(40), amount REAL)");
  if (RowCount > 0)
    D.Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(RowCount) +
           ") INSERT INTO numbers SELECT i, 'Row ' || i, (i % 1000) / 4.0 FROM n");
  D.Exec("COMMIT");
}

}  // namespace kvp
