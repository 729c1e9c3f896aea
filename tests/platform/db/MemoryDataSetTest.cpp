// The in-memory dataset as an application uses it: bookmarks that survive
// changes, Locate and Lookup with their options, FieldValues, ordering,
// filtering, lookup fields and master-detail.

#include "DbTestUtil.h"

namespace kvp::test {
namespace {

// Customers with names that need Unicode case folding.
TMemoryDataSet* MakeCustomers() {
  TMemoryDataSet* DS = TMemoryDataSet::Create(nullptr);
  DS->SetName("Customers");
  DS->GetFieldDefs()->Add("ID", ftInteger);
  DS->GetFieldDefs()->Add("Name", ftString, 30);
  DS->GetFieldDefs()->Add("City", ftString, 30);
  DS->Open();
  DS->AppendRecord({1, "Émile Zola", "Paris"});
  DS->AppendRecord({2, "Ödön Horváth", "Wien"});
  DS->AppendRecord({3, "Anna Karenina", "Moskva"});
  DS->AppendRecord({4, "anna Schmidt", "Paris"});
  DS->AppendRecord({5, "Bob", Null()});
  DS->First();
  return DS;
}

struct TMemory : ::testing::Test {
  TMemoryDataSet* DS = nullptr;
  void SetUp() override { DS = MakeCustomers(); }
  void TearDown() override { FreeObject(DS); }
  Integer Id() { return DS->FieldByName("ID")->GetAsInteger(); }
};

TEST_F(TMemory, BookmarksSurviveInsertsDeletesAndReopening) {
  DS->Locate("ID", 3, {});
  const TBookmark Three = DS->GetBookmark();
  EXPECT_EQ(Three.size(), 4u);
  DS->First();
  DS->Insert();
  DS->FieldByName("ID")->SetAsInteger(0);
  DS->Post();
  DS->Locate("ID", 2, {});
  const TBookmark Two = DS->GetBookmark();
  DS->Delete();
  EXPECT_FALSE(DS->BookmarkValid(Two));
  EXPECT_TRUE(DS->BookmarkValid(Three));
  DS->Close();
  DS->Open();
  DS->GotoBookmark(Three);
  EXPECT_EQ(Id(), 3);
  try {
    DS->GotoBookmark(Two);
    FAIL();
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.GetMessage(), "Customers: Record not found");
  }
  EXPECT_EQ(Id(), 3) << "a failed jump stays where it was";
  EXPECT_FALSE(DS->BookmarkValid(""));
}

TEST_F(TMemory, CompareBookmarksFollowsTheCurrentOrder) {
  DS->First();
  const TBookmark First = DS->GetBookmark();
  DS->Last();
  const TBookmark Last = DS->GetBookmark();
  EXPECT_LT(DS->CompareBookmarks(First, Last), 0);
  EXPECT_GT(DS->CompareBookmarks(Last, First), 0);
  EXPECT_EQ(DS->CompareBookmarks(First, First), 0);
  EXPECT_EQ(DS->CompareBookmarks("", ""), 0);
  EXPECT_GT(DS->CompareBookmarks("", First), 0) << "the empty bookmark comes last";
  DS->SetIndexFieldNames("Name");  // now Bob (5) comes before Émile (1)
  EXPECT_GT(DS->CompareBookmarks(First, Last), 0);
}

TEST_F(TMemory, BookmarkIsEmptyWhileInserting) {
  DS->Insert();
  EXPECT_EQ(DS->GetBookmark(), "");
  DS->Cancel();
  EXPECT_EQ(DS->GetBookmark().size(), 4u);
}

TEST_F(TMemory, LocateHonoursCaseAndPartialOptions) {
  struct TCase {
    const char* Key;
    TLocateOptions Options;
    Integer Found;  // 0: not found
  } Cases[] = {
      {"Anna Karenina", {}, 3},
      {"anna karenina", {}, 0},
      {"anna karenina", {loCaseInsensitive}, 3},
      {"anna", {loPartialKey}, 4},
      {"ANNA", {loPartialKey, loCaseInsensitive}, 3},
      {"ödön", {loPartialKey, loCaseInsensitive}, 2},
      {"Émile", {}, 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Key);
    DS->Last();
    const bool Found = DS->Locate("Name", C.Key, C.Options);
    EXPECT_EQ(Found, C.Found != 0);
    EXPECT_EQ(Id(), C.Found ? C.Found : 5) << "not found stays put";
    EXPECT_NO_THROW(DS->CheckConsistency());
  }
}

TEST_F(TMemory, LocateAndLookupWithSeveralKeyFields) {
  EXPECT_TRUE(DS->Locate("City;Name", VarArrayOf({"Paris", "anna Schmidt"}), {}));
  EXPECT_EQ(Id(), 4);
  EXPECT_FALSE(DS->Locate("City;Name", VarArrayOf({"Wien", "anna Schmidt"}), {}));
  EXPECT_TRUE(DS->Locate("City", Null(), {})) << "a Null key finds a null field";
  EXPECT_EQ(Id(), 5);
  DS->First();
  const Variant Result = DS->Lookup("ID", 2, "Name;City");
  ASSERT_TRUE(VarIsArray(Result));
  EXPECT_EQ(VarArrayGet(Result, 0).AsString(), "Ödön Horváth");
  EXPECT_EQ(VarArrayGet(Result, 1).AsString(), "Wien");
  EXPECT_EQ(Id(), 1) << "Lookup does not move";
  EXPECT_TRUE(VarIsNull(DS->Lookup("ID", 99, "Name")));
  EXPECT_THROW(DS->Locate("Nope", 1, {}), EDatabaseError);
}

TEST_F(TMemory, FieldValuesReadAndWriteSeveralFields) {
  DS->Locate("ID", 2, {});
  const Variant Both = DS->GetFieldValues("ID;City");
  EXPECT_EQ(VarArrayGet(Both, 1).AsString(), "Wien");
  DS->Edit();
  DS->SetFieldValues("Name;City", VarArrayOf({"Ö. Horváth", "Graz"}));
  DS->Post();
  EXPECT_EQ(DS->FieldByName("City")->GetAsString(), "Graz");
  DS->Edit();
  EXPECT_THROW(DS->SetFieldValues("Name;City", "one value"), EVariantError);
  DS->Cancel();
  std::vector<TField*> List;
  DS->GetFieldList(List, "City; ID");
  ASSERT_EQ(List.size(), 2u);
  EXPECT_EQ(List[1]->GetFieldName(), "ID");
}

TEST_F(TMemory, IndexFieldNamesOrdersAndKeepsTheCurrentRecord) {
  DS->Locate("ID", 2, {});
  DS->SetIndexFieldNames("City;Name");
  EXPECT_EQ(Id(), 2);
  DS->First();
  std::vector<Integer> Ids;
  while (!DS->GetEof()) {
    Ids.push_back(Id());
    DS->Next();
  }
  EXPECT_EQ(Ids, (std::vector<Integer>{5, 3, 4, 1, 2})) << "nulls first, then by city and name";
  DS->Append();
  DS->FieldByName("City")->SetAsString("Berlin");
  DS->Post();
  EXPECT_EQ(DS->GetRecNo(), 2) << "a posted record takes its sorted place";
  EXPECT_THROW(DS->SetIndexFieldNames("Nope"), EDatabaseError);
  EXPECT_EQ(DS->GetIndexFieldNames(), "City;Name");
}

TEST_F(TMemory, DescFieldsOrderDescendingAndPostedRecordsFollow) {
  auto Ids = [this] {
    std::vector<Integer> Result;
    for (DS->First(); !DS->GetEof(); DS->Next()) Result.push_back(Id());
    return Result;
  };
  DS->SetIndexFieldNames("City;Name");
  DS->SetDescFields("City");
  EXPECT_EQ(Ids(), (std::vector<Integer>{2, 4, 1, 3, 5}))
      << "cities from Wien down, names ascending within Paris, the null city last";
  DS->SetDescFields("Name");
  EXPECT_EQ(Ids(), (std::vector<Integer>{5, 3, 1, 4, 2}))
      << "the null city first again; within Paris Émile before anna";
  DS->SetIndexFieldNames("ID");
  DS->SetDescFields("ID");
  EXPECT_EQ(Ids(), (std::vector<Integer>{5, 4, 3, 2, 1}));
  const TBookmark Three = [this] {
    DS->Locate("ID", 3, {});
    return DS->GetBookmark();
  }();
  DS->Append();
  DS->FieldByName("ID")->SetAsInteger(9);
  DS->Post();
  EXPECT_EQ(DS->GetRecNo(), 1) << "the highest id posts to the top";
  EXPECT_LT(DS->CompareBookmarks(DS->GetBookmark(), Three), 0)
      << "bookmarks compare in display order";
  EXPECT_THROW(DS->SetDescFields("Nope"), EDatabaseError);
  EXPECT_EQ(DS->GetDescFields(), "ID");
  EXPECT_NO_THROW(DS->CheckConsistency());
}

TEST_F(TMemory, FilterEventAndFilterTextHideRecordsAndGoToTheFirst) {
  TLog Log;
  DS->OnFilterRecord = [](TDataSet* D, bool& Accept) {
    Accept = D->FieldByName("City")->GetAsString() == "Paris";
  };
  DS->AfterScroll = [&Log](TDataSet*) { Log.push_back("AfterScroll"); };
  DS->Locate("ID", 3, {});
  const TBookmark Moskva = DS->GetBookmark();
  DS->Last();
  const TBookmark NoCity = DS->GetBookmark();
  Log.clear();
  DS->SetFiltered(true);
  EXPECT_FALSE(DS->BookmarkValid(Moskva)) << "a filtered-out record cannot be gone to";
  EXPECT_LT(DS->CompareBookmarks(Moskva, NoCity), 0) << "but it still has its place";
  EXPECT_EQ(Join(Log), "AfterScroll");
  EXPECT_EQ(DS->GetRecordCount(), 2);
  EXPECT_EQ(Id(), 1);
  DS->OnFilterRecord = nullptr;
  DS->SetFilterOptions({foCaseInsensitive});
  DS->SetFilter("Name = 'ANNA*' and ID > 3 or City = null");
  std::vector<Integer> Ids;
  for (DS->First(); !DS->GetEof(); DS->Next()) Ids.push_back(Id());
  EXPECT_EQ(Ids, (std::vector<Integer>{4, 5}));
  EXPECT_THROW(DS->SetFilter("Name ~ 'x'"), EDatabaseError);
  EXPECT_EQ(DS->GetFilter(), "Name = 'ANNA*' and ID > 3 or City = null")
      << "a bad filter is refused";
  EXPECT_EQ(DS->GetRecordCount(), 2);
  // Regression: an operator inside a quoted value was taken for the condition's own.
  DS->SetFilter("City = 'Paris' or Name = 'x<>y'");
  Ids.clear();
  for (DS->First(); !DS->GetEof(); DS->Next()) Ids.push_back(Id());
  EXPECT_EQ(Ids, (std::vector<Integer>{1, 4}));
  DS->AfterScroll = nullptr;
}

TEST_F(TMemory, LookupFieldsShowTheOtherDatasetsValue) {
  TMemoryDataSet* Orders = TMemoryDataSet::Create(nullptr);
  Orders->GetFieldDefs()->Add("OrderNo", ftInteger);
  Orders->GetFieldDefs()->Add("CustID", ftInteger);
  for (Integer I = 0; I < 2; ++I) Orders->GetFieldDefs()->GetItem(I)->CreateField(Orders, Orders);
  TStringField* Customer = TStringField::Create(Orders);
  Customer->SetFieldName("Customer");
  Customer->SetFieldKind(fkLookup);
  Customer->SetKeyFields("CustID");
  Customer->SetLookupDataSet(DS);
  Customer->SetLookupKeyFields("ID");
  Customer->SetLookupResultField("Name");
  Customer->SetDataSet(Orders);
  Orders->Open();
  Orders->AppendRecord({100, 2});
  EXPECT_EQ(Customer->GetAsString(), "Ödön Horváth");
  EXPECT_TRUE(Customer->GetLookup());
  Orders->Edit();
  Orders->FieldByName("CustID")->SetAsInteger(3);
  EXPECT_EQ(Customer->GetAsString(), "Anna Karenina");
  Customer->SetAsString("Bob");
  EXPECT_EQ(Orders->FieldByName("CustID")->GetAsInteger(), 5) << "writing the lookup sets the key";
  Orders->Post();
  DS->Free();  // the lookup dataset goes first
  DS = nullptr;
  EXPECT_EQ(Customer->GetLookupDataSet(), nullptr);
  Orders->Free();
}

TEST(MasterDetail, DetailShowsTheMastersRecordsAndFollowsIt) {
  TMemoryDataSet* Master = MakeCustomers();
  TDataSource* MasterSource = TDataSource::Create(nullptr);
  MasterSource->SetDataSet(Master);
  TMemoryDataSet* Orders = TMemoryDataSet::Create(nullptr);
  Orders->GetFieldDefs()->Add("OrderNo", ftInteger);
  Orders->GetFieldDefs()->Add("CustID", ftInteger);
  Orders->Open();
  for (Integer I = 1; I <= 6; ++I) Orders->AppendRecord({100 + I, (I % 3) + 1});
  Orders->SetMasterSource(MasterSource);
  Orders->SetMasterFields("ID");
  Orders->SetDetailFields("CustID");
  EXPECT_EQ(Orders->GetRecordCount(), 2);  // customer 1: orders 103, 106
  EXPECT_EQ(Orders->FieldByName("OrderNo")->GetAsInteger(), 103);
  Master->Next();
  EXPECT_EQ(Orders->GetRecordCount(), 2);
  EXPECT_EQ(Orders->FieldByName("OrderNo")->GetAsInteger(), 101);
  Master->Last();
  EXPECT_TRUE(Orders->IsEmpty());
  TDataSource* DetailSource = TDataSource::Create(nullptr);
  DetailSource->SetDataSet(Orders);
  EXPECT_TRUE(Master->IsLinkedTo(DetailSource));
  // Generic code finds the master through the published property.
  ASSERT_TRUE(GetPropInfo(Orders, "MasterSource"));
  EXPECT_EQ(GetObjectProp(Orders, "MasterSource"), MasterSource);
  EXPECT_FALSE(Orders->IsLinkedTo(MasterSource));
  EXPECT_TRUE(MasterSource->IsLinkedTo(Orders));
  EXPECT_THROW(MasterSource->SetDataSet(Orders), EDatabaseError)
      << "a source fed by its own detail";
  EXPECT_THROW(Master->SetMasterSource(DetailSource), EDatabaseError) << "a circle";
  EXPECT_EQ(Orders->GetStoredRecordCount(), 6);
  DetailSource->Free();
  MasterSource->Free();
  EXPECT_EQ(Orders->GetMasterSource(), nullptr) << "a freed master source is let go";
  EXPECT_EQ(Orders->GetRecordCount(), 6);
  Orders->Free();
  Master->Free();
}

// Regression: the detail followed a typed key only when MasterFields had the
// field name's exact case (and it re-selected on any field whose name was a
// substring of MasterFields).
TEST(MasterDetail, DetailFollowsAKeyTypedIntoTheMasterWhateverTheCaseOfItsName) {
  TMemoryDataSet* Master = MakeCustomers();
  TDataSource* MasterSource = TDataSource::Create(nullptr);
  MasterSource->SetDataSet(Master);
  TMemoryDataSet* Orders = TMemoryDataSet::Create(nullptr);
  Orders->GetFieldDefs()->Add("OrderNo", ftInteger);
  Orders->GetFieldDefs()->Add("CustID", ftInteger);
  Orders->Open();
  for (Integer I = 1; I <= 6; ++I) Orders->AppendRecord({100 + I, (I % 3) + 1});
  Orders->SetMasterSource(MasterSource);
  Orders->SetMasterFields("id");
  Orders->SetDetailFields("CustID");
  Master->Edit();
  Orders->Next();
  EXPECT_EQ(Orders->FieldByName("OrderNo")->GetAsInteger(), 106);
  Master->FieldByName("Name")->SetAsString("Émile");
  EXPECT_EQ(Orders->FieldByName("OrderNo")->GetAsInteger(), 106)
      << "another field moved the detail";
  Master->FieldByName("ID")->SetAsInteger(2);
  EXPECT_EQ(Orders->GetRecordCount(), 2);
  EXPECT_EQ(Orders->FieldByName("OrderNo")->GetAsInteger(), 101);
  Master->Cancel();
  Orders->Free();
  MasterSource->Free();
  Master->Free();
}

}  // namespace
}  // namespace kvp::test
