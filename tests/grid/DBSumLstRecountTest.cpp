// The aggregate engine against a recount: over the in-memory dataset and a
// SQLite table, long random runs of edits, posts, cancels, inserts, deletes,
// filters, sorting, refreshes and reloads, each step followed by a count of the
// records the dataset shows, which every total must equal. A refresh over
// SQLite, after which rows edited out of the filter go, is counted again.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "grid/DBSumLst.h"
#include "platform/db/MemoryDataSet.h"
#include "platform/db/SQLiteDataSet.h"

namespace korvel {
namespace {

using namespace kvp;

// A database file of the test's own, removed when the test ends.
struct TScratchDatabase {
  String File;
  explicit TScratchDatabase(const char* Tag) {
    File = (std::filesystem::path(std::filesystem::exists("/dev/shm")
                                      ? "/dev/shm"
                                      : std::filesystem::temp_directory_path()) /
            ("kv_sums_" + String(Tag) + "_" + std::to_string(::getpid()) + ".sqlite"))
               .string();
    std::remove(File.c_str());
  }
  ~TScratchDatabase() {
    std::remove(File.c_str());
    std::remove((File + "-journal").c_str());
  }
  void Run(const String& SQL) const {
    sqlite3* DB = nullptr;
    ASSERT_EQ(sqlite3_open(File.c_str(), &DB), SQLITE_OK);
    char* Error = nullptr;
    EXPECT_EQ(sqlite3_exec(DB, SQL.c_str(), nullptr, nullptr, &Error), SQLITE_OK)
        << (Error ? Error : "") << "\n"
        << SQL;
    sqlite3_free(Error);
    sqlite3_close(DB);
  }
};

// The totals as the engine should hold them, counted record by record over
// what the dataset shows, the dataset left where it stood. A value beyond
// currency, or a sum past it, overflows the sum (and a value beyond, the
// average); an overflowed total reads 0.
struct TRecount {
  Int64 Sum = 0, Avg = 0, All = 0, NonNull = 0;
  bool SumOver = false, AvgOver = false;
  bool operator==(const TRecount&) const = default;
};

std::ostream& operator<<(std::ostream& Out, const TRecount& R) {
  return Out << "{sum " << R.Sum << (R.SumOver ? " over" : "") << ", avg " << R.Avg
             << (R.AvgOver ? " over" : "") << ", count " << R.All << ", count V " << R.NonNull
             << "}";
}

TRecount Recount(TDataSet* DS) {
  TRecount R;
  if (!DS->GetActive()) return R;
  TDisableControlsGuard Hold(DS);
  const TBookmark Here = DS->GetBookmark();
  __int128 Total = 0;
  Integer Beyond = 0;
  for (DS->First(); !DS->GetEof(); DS->Next()) {
    TField* V = DS->FieldByName("V");
    ++R.All;
    if (V->IsNull()) continue;
    ++R.NonNull;
    const Extended Share = Extended(V->GetAsFloat()) * 10000.0L;
    if (std::fabs(Share) >= 9223372036854775808.0L)
      ++Beyond;
    else
      Total += std::llrint(Share);
  }
  const bool Fits = Total >= INT64_MIN && Total <= INT64_MAX;
  R.SumOver = Beyond > 0 || !Fits;
  R.Sum = R.SumOver ? 0 : Int64(Total);
  R.AvgOver = Beyond > 0;
  if (!R.AvgOver && R.NonNull > 0) {
    __int128 Q = Total / R.NonNull, Rem = Total % R.NonNull;
    if (2 * (Rem < 0 ? -Rem : Rem) > R.NonNull ||
        (2 * (Rem < 0 ? -Rem : Rem) == R.NonNull && Q % 2 != 0))
      Q += Total < 0 ? -1 : 1;
    R.Avg = Int64(Q);
  }
  R.All *= 10000;
  R.NonNull *= 10000;
  if (!Here.empty() && DS->BookmarkValid(Here)) DS->GotoBookmark(Here);
  return R;
}

enum TKind { kMemory, kSQLite };

class DBSumLstRecountTest : public ::testing::TestWithParam<TKind> {
 protected:
  void SetUp() override {
    Owner = TComponent::Create(nullptr);
    if (GetParam() == kMemory) {
      auto* M = TMemoryDataSet::Create(Owner);
      M->GetFieldDefs()->Add("ID", ftInteger);
      M->GetFieldDefs()->Add("V", ftFloat);
      M->GetFieldDefs()->Add("Name", ftString, 10);
      M->Open();
      DS = M;
    } else {
      Db.Run("CREATE TABLE t (ID INTEGER PRIMARY KEY, V REAL, Name TEXT)");
      auto* S = TSQLiteDataSet::Create(Owner);
      S->SetDatabaseName(Db.File);
      S->SetTableName("t");
      S->Open();
      DS = S;
    }
    Producer = TDBSumListProducer::Create(Owner);
    Sum = Add(goSum, "V");
    Avg = Add(goAvg, "V");
    All = Add(goCount, "");
    NonNull = Add(goCount, "V");
  }
  void TearDown() override {
    FreeObject(Producer);
    FreeObject(Owner);
  }
  TDBSum* Add(TGroupOperation Op, const String& Name) {
    TDBSum* S = Producer->GetSumCollection()->Add();
    S->SetGroupOperation(Op);
    S->SetFieldName(Name);
    return S;
  }
  TRecount Held() const {
    return {Sum->GetValue().GetRaw(), Avg->GetValue().GetRaw(), All->GetValue().GetRaw(),
            NonNull->GetValue().GetRaw(), Sum->GetOverflow(), Avg->GetOverflow()};
  }
  void Append(Integer Id, const Variant& V) {
    DS->Append();
    DS->FieldByName("ID")->SetAsInteger(Id);
    DS->FieldByName("V")->SetValue(V);
    DS->FieldByName("Name")->SetAsString("r" + std::to_string(Id));
    DS->Post();
  }
  TScratchDatabase Db{"recount"};
  TComponent* Owner = nullptr;
  TDataSet* DS = nullptr;
  TDBSumListProducer* Producer = nullptr;
  TDBSum *Sum = nullptr, *Avg = nullptr, *All = nullptr, *NonNull = nullptr;
};

TEST_P(DBSumLstRecountTest, ARefreshCountsAgainAndKeepsTheRecord) {
  const double Values[] = {10.5, 20.25, 5, 7.75, 100};
  for (int I = 0; I < 5; ++I) Append(I + 1, Values[I]);
  // The application's own AfterRefresh, which shows the total.
  std::vector<Int64> Heard;
  DS->AfterRefresh = [&](TDataSet*) { Heard.push_back(Sum->GetValue().GetRaw()); };
  Producer->SetDataSet(DS);
  DS->SetFilter("V > 6");
  DS->SetFiltered(true);
  ASSERT_EQ(Held(), Recount(DS));
  ASSERT_EQ(Held().Sum, 1385000);
  DS->First();
  DS->Edit();
  DS->FieldByName("V")->SetAsFloat(1);  // out of the filter
  DS->Post();
  EXPECT_EQ(Held(), Recount(DS)) << "posted";
  DS->Last();
  DS->Prior();  // on 7.75
  DS->Refresh();
  EXPECT_EQ(Held(), Recount(DS)) << "refreshed";
  EXPECT_EQ(Held().Sum, 1280000);
  EXPECT_EQ(Heard, std::vector<Int64>{1280000}) << "the application hears once, of the new total";
  EXPECT_EQ(DS->FieldByName("ID")->GetAsInteger(), 4) << "the record the user stood on";
  Producer->SetDataSet(nullptr);
  DS->AfterRefresh = nullptr;
}

// One random step; the dataset is browsing before and after it.
void RandomStep(std::mt19937& Rng, TDataSet* DS, TDBSumListProducer* Producer, Integer& NextId,
                String& What) {
  auto Pick = [&](int N) { return int(Rng() % unsigned(N)); };
  auto RandomValue = [&]() -> Variant {
    if (Pick(6) == 0) return Null();
    if (Pick(40) == 0) return Variant(Pick(2) ? 1e300 : -4e14);  // beyond, or near the end
    return Variant(double(Pick(4000) - 500) / 4.0);  // quarters, some negative
  };
  auto GoSomewhere = [&] {
    if (DS->IsEmpty()) return;
    DS->First();
    DS->MoveBy(Pick(40));
  };
  switch (Pick(16)) {
    case 0:
    case 1: {
      GoSomewhere();
      What = "edit and post";
      if (DS->IsEmpty()) break;  // an edit there would add a record
      DS->Edit();
      DS->FieldByName("V")->SetValue(RandomValue());
      DS->Post();
      break;
    }
    case 2: {
      GoSomewhere();
      What = "edit and cancel";
      if (DS->IsEmpty()) break;  // an edit there would add a record
      DS->Edit();
      DS->FieldByName("V")->SetValue(RandomValue());
      DS->Cancel();
      break;
    }
    case 3: {
      GoSomewhere();
      What = "edit, then a move posts it";
      if (DS->IsEmpty()) break;  // an edit there would add a record
      DS->Edit();
      DS->FieldByName("V")->SetValue(RandomValue());
      DS->First();
      break;
    }
    case 4:
    case 5: {
      GoSomewhere();
      const bool AtEnd = Pick(2) == 0;
      What = AtEnd ? "append" : "insert";
      if (AtEnd)
        DS->Append();
      else
        DS->Insert();
      DS->FieldByName("ID")->SetAsInteger(NextId++);
      DS->FieldByName("V")->SetValue(RandomValue());
      if (Pick(4) == 0)
        DS->Cancel(), What += " and cancel";
      else
        DS->Post();
      break;
    }
    case 6: {
      GoSomewhere();
      What = "delete";
      if (!DS->IsEmpty()) DS->Delete();
      break;
    }
    case 7: {
      GoSomewhere();
      What = "delete while editing";
      if (DS->IsEmpty()) break;
      DS->Edit();
      DS->FieldByName("V")->SetValue(RandomValue());
      DS->Delete();
      break;
    }
    case 8: {
      const String Filter = "V > " + std::to_string(Pick(600) - 100);
      What = "filter " + Filter;
      DS->SetFilter(Filter);
      DS->SetFiltered(true);
      break;
    }
    case 9:
      What = DS->GetFiltered() ? "unfilter" : "filter again";
      DS->SetFiltered(!DS->GetFiltered());
      break;
    case 10:
      GoSomewhere();
      What = "refresh";
      DS->Refresh();
      break;
    case 11:
      What = "reload";
      DS->Close();
      DS->Open();
      break;
    case 12: {
      // An aggregate comes and goes while a record is being edited: its
      // pass posts the edit.
      GoSomewhere();
      What = "an aggregate added while editing";
      if (DS->IsEmpty()) break;  // an edit there would add a record
      DS->Edit();
      DS->FieldByName("V")->SetValue(RandomValue());
      TDBSum* Extra = Producer->GetSumCollection()->Add();
      Extra->SetGroupOperation(goCount);
      Extra->Free();
      break;
    }
    case 14:
    case 15: {
      // The order the features objects set from a title's sort marker.
      const char* Orders[] = {"", "V", "Name", "V;ID"};
      const String Index = Orders[Pick(4)];
      What = "sort by '" + Index + "'";
      if (auto* M = DynCast<TMemoryDataSet>(DS)) M->SetIndexFieldNames(Index);
      if (auto* S = DynCast<TSQLiteDataSet>(DS)) S->SetIndexFieldNames(Index);
      break;
    }
    case 13: {
      // The engine comes in while a new record is being added.
      What = "engine activated during an append";
      Producer->SetActive(false);
      DS->Append();
      DS->FieldByName("ID")->SetAsInteger(NextId++);
      DS->FieldByName("V")->SetValue(RandomValue());
      Producer->SetActive(true);
      break;
    }
  }
}

TEST_P(DBSumLstRecountTest, EveryTotalEqualsARecountAfterEveryStep) {
  for (unsigned Seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE("seed " + std::to_string(Seed));
    std::mt19937 Rng(Seed);
    Producer->SetDataSet(nullptr);
    DS->SetFiltered(false);
    DS->First();
    while (!DS->IsEmpty()) DS->Delete();
    Integer NextId = 1;
    for (Integer I = 0; I < 25; ++I)
      Append(NextId++, I % 7 == 3 ? Null() : Variant(double(Rng() % 2000) / 4.0));
    Producer->SetDataSet(DS);
    ASSERT_EQ(Held(), Recount(DS)) << "the first pass";
    String History;
    for (Integer Step = 0; Step < 300; ++Step) {
      String What;
      RandomStep(Rng, DS, Producer, NextId, What);
      History += std::to_string(Step) + ": " + What + "\n";
      ASSERT_EQ(DS->GetState(), dsBrowse) << History;
      ASSERT_EQ(Held(), Recount(DS)) << History;
      Producer->CheckConsistency();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(BothDatasets, DBSumLstRecountTest, ::testing::Values(kMemory, kSQLite),
                         [](const ::testing::TestParamInfo<TKind>& Info) {
                           return String(Info.param == kMemory ? "Memory" : "SQLite");
                         });

}  // namespace
}  // namespace korvel
