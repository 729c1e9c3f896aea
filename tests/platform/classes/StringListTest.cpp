// String lists: editing with objects, sorted lists, the text forms, name=value
// pairs, change events around updates, Assign and loading.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"
#include "platform/classes/StringList.h"
#include "platform/classes/TypInfo.h"
#include "platform/rtl/Strings.h"

using namespace kvp;

namespace {

using Lines = std::vector<std::string>;

Lines Items(TStrings* L) {
  Lines Result;
  for (Integer I = 0; I < L->GetCount(); ++I) Result.push_back(L->GetStrings(I));
  return Result;
}

TObjectPtr<TStringList> MakeList(const Lines& From) {
  TObjectPtr<TStringList> L(TStringList::Create());
  for (const std::string& S : From) L->Add(S);
  return L;
}

// The smallest TStrings: only the abstract protocol, so the defaults that every
// control's item list inherits (Put, Exchange, Move, the update bracket) are
// the ones under test.
class TVectorStrings : public TStrings {
  KV_CLASS(TVectorStrings, TStrings)
 public:
  std::vector<std::pair<String, TObject*>> Data;
  std::vector<bool> UpdateStates;  // every SetUpdateState call

  String Get(Integer Index) override { return Data.at(std::size_t(Index)).first; }
  Integer GetCount() override { return Integer(Data.size()); }
  TObject* GetObject(Integer Index) override { return Data.at(std::size_t(Index)).second; }
  void Clear() override { Data.clear(); }
  void Delete(Integer Index) override { Data.erase(Data.begin() + Index); }
  void Insert(Integer Index, const String& S) override {
    Data.insert(Data.begin() + Index, {S, nullptr});
  }

 protected:
  void PutObject(Integer Index, TObject* AObject) override {
    Data.at(std::size_t(Index)).second = AObject;
  }
  void SetUpdateState(bool Updating) override { UpdateStates.push_back(Updating); }
};

// Counts the change events of a list.
struct EventLog {
  std::vector<std::string> Events;
  void Attach(TStringList* L) {
    L->OnChanging = [this](TObject*) { Events.push_back("changing"); };
    L->OnChange = [this](TObject*) { Events.push_back("change"); };
  }
};

TObject* const Obj1 = reinterpret_cast<TObject*>(std::uintptr_t(0x10));
TObject* const Obj2 = reinterpret_cast<TObject*>(std::uintptr_t(0x20));

template <class F>
std::string ErrorOf(F Run) {
  try {
    Run();
  } catch (const EStringListError& E) {
    return E.GetMessage();
  }
  return "no error";
}

}  // namespace

TEST(StringList, EditsKeepObjectsWithTheirStrings) {
  TObjectPtr<TStringList> L(TStringList::Create());
  L->AddObject("beta", Obj2);
  L->InsertObject(0, "alpha", Obj1);
  L->Add("gamma");
  L->Exchange(0, 2);
  EXPECT_EQ(Items(L.get()), (Lines{"gamma", "beta", "alpha"}));
  EXPECT_EQ(L->GetObject(2), Obj1);
  L->Move(2, 0);
  EXPECT_EQ(Items(L.get()), (Lines{"alpha", "gamma", "beta"}));
  EXPECT_EQ(L->GetObject(0), Obj1);
  EXPECT_EQ(L->GetObject(2), Obj2);
  L->SetStrings(2, "BETA");
  EXPECT_EQ(L->GetObject(2), Obj2);
  L->SetObject(1, Obj2);
  EXPECT_EQ(L->IndexOfObject(Obj2), 1);
  EXPECT_EQ(L->IndexOf("Gamma"), 1);  // case is ignored by default
  EXPECT_EQ(L->IndexOf("delta"), -1);
  L->SetCaseSensitive(true);
  EXPECT_EQ(L->IndexOf("Gamma"), -1);
  L->Delete(0);
  EXPECT_EQ(Items(L.get()), (Lines{"gamma", "BETA"}));
  L->Clear();
  EXPECT_EQ(L->GetCount(), 0);
}

TEST(StringList, BadIndexesRaiseAndLoseNothing) {
  TObjectPtr<TStringList> L = MakeList({"a", "b"});
  EXPECT_EQ(ErrorOf([&] { L->Get(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf([&] { L->GetObject(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(ErrorOf([&] { L->Insert(3, "x"); }), "List index out of bounds (3)");
  EXPECT_EQ(ErrorOf([&] { L->Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf([&] { L->Exchange(0, 2); }), "List index out of bounds (2)");
  EXPECT_EQ(ErrorOf([&] { L->SetCapacity(1); }), "List capacity out of bounds (1)");
  // Regression: a move to a bad index used to take the item out first.
  EXPECT_EQ(ErrorOf([&] { L->Move(0, 2); }), "List index out of bounds (2)");
  EXPECT_EQ(Items(L.get()), (Lines{"a", "b"}));
}

TEST(StringList, SortedListInsertsInOrderAndRefusesPositionalEdits) {
  TObjectPtr<TStringList> L = MakeList({"pear", "Apple", "fig"});
  L->SetSorted(true);
  EXPECT_EQ(Items(L.get()), (Lines{"Apple", "fig", "pear"}));
  EXPECT_EQ(L->Add("banana"), 1);
  EXPECT_EQ(L->Add("APPLE"), 0);  // dupIgnore: the existing index, nothing added
  EXPECT_EQ(L->GetCount(), 4);
  Integer Index = -1;
  EXPECT_FALSE(L->Find("cherry", Index));
  EXPECT_EQ(Index, 2);
  EXPECT_EQ(L->IndexOf("PEAR"), 3);

  L->SetDuplicates(dupError);
  EXPECT_EQ(ErrorOf([&] { L->Add("fig"); }), "String list does not allow duplicates");
  L->SetDuplicates(dupAccept);
  L->Add("FIG");
  EXPECT_EQ(L->GetCount(), 5);

  EXPECT_EQ(ErrorOf([&] { L->Insert(0, "x"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(ErrorOf([&] { L->SetStrings(0, "x"); }), "Operation not allowed on sorted list");
  // Regression: moving in a sorted list used to delete the item, then refuse.
  EXPECT_EQ(ErrorOf([&] { L->Move(0, 3); }), "Operation not allowed on sorted list");
  EXPECT_EQ(L->GetCount(), 5);
  EXPECT_EQ(L->Get(0), "Apple");
}

TEST(StringList, CaseSensitivityDecidesTheSortOrder) {
  TObjectPtr<TStringList> L = MakeList({"b", "a", "B", "A"});
  L->SetCaseSensitive(true);
  L->SetSorted(true);
  EXPECT_EQ(Items(L.get()), (Lines{"A", "B", "a", "b"}));
  L->SetCaseSensitive(false);  // a sorted list sorts again in the new order
  EXPECT_EQ(AnsiCompareText(L->Get(1), "a"), 0);
  EXPECT_EQ(AnsiCompareText(L->Get(2), "b"), 0);

  // A sorted list keeps its order whatever CustomSort is given.
  Lines Before = Items(L.get());
  L->CustomSort([](TStringList* List, Integer I, Integer J) {
    return AnsiCompareText(List->Get(J), List->Get(I));
  });
  EXPECT_EQ(Items(L.get()), Before);
  L->SetSorted(false);
  L->CustomSort([](TStringList* List, Integer I, Integer J) {
    return AnsiCompareText(List->Get(J), List->Get(I));  // descending
  });
  EXPECT_EQ(AnsiCompareText(L->Get(0), "b"), 0);
}

TEST(StringList, TextSplitsOnEveryLineBreakAndJoinsWithCrLf) {
  TObjectPtr<TStringList> L(TStringList::Create());
  struct Case {
    std::string Text;
    Lines Expected;
  } Cases[] = {
      {"", {}},
      {"one", {"one"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"a\nb\rc\r\n\r\nd", {"a", "b", "c", "", "d"}},
      {"\n", {""}},
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},  // text ends at a zero
      {"caf\xC3\xA9\n\xE2\x82\xAC", {"caf\xC3\xA9", "\xE2\x82\xAC"}},
  };
  for (const Case& Each : Cases) {
    SCOPED_TRACE(Each.Text);
    L->SetText(Each.Text);
    EXPECT_EQ(Items(L.get()), Each.Expected);
  }
  L->SetText("x\ny\n\n");
  EXPECT_EQ(L->GetText(), "x\r\ny\r\n\r\n");
}

TEST(StringList, CommaAndDelimitedTextReadAndWriteQuotedItems) {
  TObjectPtr<TStringList> L(TStringList::Create());
  struct Case {
    std::string Text;
    bool Strict;
    Lines Expected;
  } Reads[] = {
      {",a, \"b c\" d,", false, {"", "a", "b c", "d", ""}},
      {"  one , two  ", false, {"one", "two"}},
      {"\"x\"\"y\",\"\"", false, {"x\"y", ""}},
      {"a, ", false, {"a"}},
      {" a ,\"b\"c, d", true, {" a ", "b", "c", " d"}},
      {"\"open", false, {"open"}},
  };
  for (const Case& Each : Reads) {
    SCOPED_TRACE(Each.Text);
    L->SetStrictDelimiter(Each.Strict);
    L->SetDelimitedText(Each.Text);
    EXPECT_EQ(Items(L.get()), Each.Expected);
  }

  L->SetStrictDelimiter(false);
  L->SetText("a b\n\nx\"y\nplain");
  EXPECT_EQ(L->GetCommaText(), "\"a b\",,\"x\"\"y\",plain");
  L->SetText("\n");
  EXPECT_EQ(L->GetCommaText(), "\"\"");  // one empty item is not the same as none

  L->SetDelimiter(U';');
  L->SetQuoteChar(U'\'');
  L->SetStrictDelimiter(true);
  L->SetText("a b\nc;d\nit's");
  EXPECT_EQ(L->GetDelimitedText(), "a b;'c;d';'it''s'");
  EXPECT_EQ(L->GetCommaText(), "\"a b\",c;d,it's");  // comma text has its own settings
  EXPECT_EQ(L->GetDelimiter(), U';');
  L->SetDelimitedText(L->GetDelimitedText());
  EXPECT_EQ(Items(L.get()), (Lines{"a b", "c;d", "it's"}));
}

TEST(StringList, NamesAndValues) {
  TObjectPtr<TStringList> L = MakeList({"Host=example", "Port=80", "bare", "Empty="});
  EXPECT_EQ(L->GetNames(0), "Host");
  EXPECT_EQ(L->GetNames(2), "");
  EXPECT_EQ(L->GetValues("PORT"), "80");
  EXPECT_EQ(L->GetValues("Empty"), "");
  EXPECT_EQ(L->GetValues("missing"), "");
  EXPECT_EQ(L->IndexOfName("empty"), 3);
  EXPECT_EQ(L->IndexOfName("bare"), -1);
  EXPECT_EQ(L->GetValueFromIndex(1), "80");
  EXPECT_EQ(L->GetValueFromIndex(2), "");  // no separator, no value

  L->SetValues("Port", "8080");
  L->SetValues("User", "me=you");
  L->SetValues("Host", "");
  L->SetValueFromIndex(1, "x");
  EXPECT_EQ(Items(L.get()), (Lines{"Port=8080", "=x", "Empty=", "User=me=you"}));
  EXPECT_EQ(L->GetValues("User"), "me=you");
  L->SetValueFromIndex(2, "");  // an empty value removes the line
  L->SetValueFromIndex(-1, "y");  // no line: a new one with no name
  L->SetValueFromIndex(-1, "");   // no line, no value: nothing
  EXPECT_EQ(Items(L.get()), (Lines{"Port=8080", "=x", "User=me=you", "=y"}));

  L->SetNameValueSeparator(U':');
  L->SetText("a:1\nb=x:2");
  EXPECT_EQ(L->GetValues("b=x"), "2");
  EXPECT_EQ(L->GetNames(1), "b=x");
  EXPECT_EQ(L->GetValueFromIndex(0), "1");

  TObjectPtr<TStringList> Sorted = MakeList({"b=2", "d=4"});
  Sorted->SetSorted(true);
  Sorted->SetValues("c", "3");  // a new pair goes in order
  EXPECT_EQ(Items(Sorted.get()), (Lines{"b=2", "c=3", "d=4"}));
  EXPECT_EQ(ErrorOf([&] { Sorted->SetValues("c", "9"); }), "Operation not allowed on sorted list");
  EXPECT_EQ(Sorted->GetCount(), 3);
}

TEST(StringList, EveryEditFiresChangingBeforeAndChangeAfterOnce) {
  struct {
    const char* What;
    void (*Edit)(TStringList*);
    Lines After;
  } Cases[] = {
      {"Add", [](TStringList* L) { L->Add("d"); }, {"c", "a", "b", "d"}},
      {"Insert", [](TStringList* L) { L->Insert(1, "d"); }, {"c", "d", "a", "b"}},
      {"Delete", [](TStringList* L) { L->Delete(0); }, {"a", "b"}},
      {"Put", [](TStringList* L) { L->SetStrings(2, "x"); }, {"c", "a", "x"}},
      {"PutObject", [](TStringList* L) { L->SetObject(1, Obj1); }, {"c", "a", "b"}},
      {"Exchange", [](TStringList* L) { L->Exchange(0, 2); }, {"b", "a", "c"}},
      {"Move", [](TStringList* L) { L->Move(0, 2); }, {"a", "b", "c"}},
      {"Sort", [](TStringList* L) { L->Sort(); }, {"a", "b", "c"}},
      {"Clear", [](TStringList* L) { L->Clear(); }, {}},
      {"Text", [](TStringList* L) { L->SetText("q"); }, {"q"}},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.What);
    TObjectPtr<TStringList> L = MakeList({"c", "a", "b"});
    // What each event sees: the list before the edit, then after it.
    std::vector<Lines> Seen;
    L->OnChanging = [&](TObject*) { Seen.push_back(Items(L.get())); };
    L->OnChange = [&](TObject*) { Seen.push_back(Items(L.get())); };
    C.Edit(L.get());
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[0], (Lines{"c", "a", "b"}));
    EXPECT_EQ(Seen[1], C.After);
    EXPECT_EQ(Items(L.get()), C.After);
  }
}

TEST(StringList, ChangeEventsFireAroundChangesAndOnceAroundAnUpdate) {
  TObjectPtr<TStringList> L(TStringList::Create());
  EventLog Log;
  Log.Attach(L.get());
  L->Add("a");
  L->Clear();
  L->Clear();  // nothing to clear: no events
  EXPECT_EQ(Log.Events, (Lines{"changing", "change", "changing", "change"}));

  Log.Events.clear();
  L->BeginUpdate();
  EXPECT_EQ(Log.Events, (Lines{"changing"}));
  L->BeginUpdate();
  L->Add("b");
  L->SetText("x\ny");
  L->EndUpdate();
  EXPECT_EQ(Log.Events, (Lines{"changing"}));
  L->EndUpdate();
  EXPECT_EQ(Log.Events, (Lines{"changing", "change"}));

  // An error inside an update still ends it: later changes are reported.
  L->SetSorted(true);
  L->SetDuplicates(dupError);
  TObjectPtr<TStringList> Twice = MakeList({"m", "m"});
  Log.Events.clear();
  EXPECT_THROW(L->AddStrings(Twice.get()), EStringListError);
  L->Add("n");
  EXPECT_EQ(Log.Events, (Lines{"changing", "change", "changing", "change"}));
}

TEST(Strings, DefaultsOfTheProtocolWorkThroughGetInsertAndDelete) {
  TObjectPtr<TVectorStrings> V(TVectorStrings::Create());
  V->AddObject("one", Obj1);
  V->Add("two");
  V->Add("three");
  V->SetStrings(0, "ONE");
  EXPECT_EQ(V->GetObject(0), Obj1);
  V->Exchange(0, 2);
  EXPECT_EQ(Items(V.get()), (Lines{"three", "two", "ONE"}));
  EXPECT_EQ(V->GetObject(2), Obj1);
  V->Move(2, 1);
  EXPECT_EQ(Items(V.get()), (Lines{"three", "ONE", "two"}));
  EXPECT_EQ(V->GetObject(1), Obj1);
  EXPECT_EQ(V->IndexOf("one"), 1);
  // Exchange and Move each ran inside one update; SetStrings needed none.
  EXPECT_EQ(V->UpdateStates, (std::vector<bool>{true, false, true, false}));
}

TEST(Strings, AssignCopiesStringsObjectsAndSettings) {
  TObjectPtr<TVectorStrings> V(TVectorStrings::Create());
  V->AddObject("z", Obj1);
  V->AddObject("y", Obj2);
  V->SetDelimiter(U'|');
  V->SetQuoteChar(U'\'');
  V->SetNameValueSeparator(U':');
  V->SetStrictDelimiter(true);
  TObjectPtr<TStringList> L = MakeList({"old"});
  L->SetSorted(true);
  L->Assign(V.get());
  EXPECT_EQ(Items(L.get()), (Lines{"y", "z"}));  // still sorted
  EXPECT_EQ(L->GetObject(0), Obj2);
  EXPECT_EQ(L->GetDelimiter(), U'|');
  EXPECT_EQ(L->GetQuoteChar(), U'\'');
  EXPECT_EQ(L->GetNameValueSeparator(), U':');
  EXPECT_TRUE(L->GetStrictDelimiter());

  TObjectPtr<TStringList> Copy(TStringList::Create());
  Copy->Assign(L.get());
  EXPECT_TRUE(Copy->Equals(L.get()));
  Copy->SetStrings(0, "Y");
  EXPECT_FALSE(Copy->Equals(L.get()));  // case counts

  TObjectPtr<TPersistent> NotStrings(TPersistent::Create());
  try {
    L->Assign(NotStrings.get());
    ADD_FAILURE() << "assigned";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "Cannot assign a TPersistent to a TStringList");
  }
  try {
    NotStrings->Assign(L.get());
    ADD_FAILURE() << "assigned";
  } catch (const EConvertError& E) {
    EXPECT_EQ(E.GetMessage(), "Cannot assign a TStringList to a TPersistent");
  }
  EXPECT_EQ(L->GetCount(), 2);
}

TEST(Strings, AssigningAListToItselfKeepsItsLines) {
  TObjectPtr<TStringList> L = MakeList({"b", "a"});
  L->SetObject(0, Obj1);
  L->Assign(L.get());
  EXPECT_EQ(Items(L.get()), (Lines{"b", "a"}));
  EXPECT_EQ(L->GetObject(0), Obj1);
}

TEST(StringList, LoadsAndSavesUtf8ThroughStreamsAndFiles) {
  TObjectPtr<TStringList> L = MakeList({"na\xC3\xAFve", "", "end"});
  TObjectPtr<TStringStream> S(TStringStream::Create("\xEF\xBB\xBF"));
  S->SetPosition(3);
  L->SaveToStream(S.get());
  EXPECT_EQ(S->GetDataString(), "\xEF\xBB\xBFna\xC3\xAFve\r\n\r\nend\r\n");
  TObjectPtr<TStringList> Back(TStringList::Create());
  S->SetPosition(0);
  Back->LoadFromStream(S.get());  // the byte-order mark is not text
  EXPECT_TRUE(Back->Equals(L.get()));

  auto Name = std::filesystem::temp_directory_path() /
              ("kv-strings-" + std::to_string(::getpid()) + ".txt");
  L->Add("more");
  L->SaveToFile(Name.string());
  Back->LoadFromFile(Name.string());
  EXPECT_TRUE(Back->Equals(L.get()));
  std::filesystem::remove(Name);
  EXPECT_THROW(Back->LoadFromFile(Name.string()), EFOpenError);
  EXPECT_EQ(Back->GetCount(), 4);
}

TEST(StringList, LoadsWholeFilesThatCannotSeekOrClaimNoSize) {
  // A named pipe, written by another thread while the list reads it.
  auto Fifo = std::filesystem::temp_directory_path() /
              ("kv-strings-fifo-" + std::to_string(::getpid()));
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  String Text;
  for (int I = 0; I < 20000; ++I) Text += "line " + std::to_string(I) + "\n";
  // A reader that stops early must fail the test, not kill it.
  auto OldPipeHandler = std::signal(SIGPIPE, SIG_IGN);
  std::thread Writer([&] {
    int Fd = ::open(Fifo.c_str(), O_WRONLY);
    for (std::size_t Done = 0; Fd >= 0 && Done < Text.size();) {
      ssize_t N = ::write(Fd, Text.data() + Done, std::min<std::size_t>(4096, Text.size() - Done));
      if (N <= 0) break;
      Done += std::size_t(N);
    }
    if (Fd >= 0) ::close(Fd);
  });
  TObjectPtr<TStringList> L(TStringList::Create());
  L->LoadFromFile(Fifo.string());
  Writer.join();
  std::signal(SIGPIPE, OldPipeHandler);
  std::filesystem::remove(Fifo);
  ASSERT_EQ(L->GetCount(), 20000);
  EXPECT_EQ(L->GetStrings(0), "line 0");
  EXPECT_EQ(L->GetStrings(19999), "line 19999");

  // A file under /proc has a size of 0 and lines all the same.
  L->LoadFromFile("/proc/self/status");
  ASSERT_GT(L->GetCount(), 3);
  EXPECT_EQ(L->GetStrings(0).substr(0, 5), "Name:");
  EXPECT_GE(L->IndexOf("Pid:\t" + std::to_string(::getpid())), 1);
}

namespace {

// A component with a published list of lines, as a list box's Items.
class TLinesHolder : public TComponent {
  KV_CLASS(TLinesHolder, TComponent)
 public:
  using inherited::inherited;
  TStringList* GetLines() const { return FLines.get(); }
  void SetLines(TStringList* Value) { FLines->Assign(Value); }
  KV_PUBLISHED { P.Prop("Lines", &TLinesHolder::GetLines, &TLinesHolder::SetLines); }

 private:
  TObjectPtr<TStringList> FLines{TStringList::Create()};
};

}  // namespace

TEST(StringList, StreamsItsLinesInAStoredForm) {
  RegisterClass(TLinesHolder::StaticClass());
  TObjectPtr<TLinesHolder> Holder(TLinesHolder::Create(nullptr));
  Holder->SetName("Holder");
  String Empty = ComponentToText(Holder.get());
  EXPECT_EQ(Empty, "object Holder: TLinesHolder\nend\n");  // no lines, nothing stored

  Holder->GetLines()->Add("one");
  Holder->GetLines()->Add("");
  Holder->GetLines()->Add("it's \xC3\xA9");
  String Text = ComponentToText(Holder.get());
  EXPECT_EQ(Text,
            "object Holder: TLinesHolder\n"
            "  Lines.Strings = (\n"
            "    'one'\n"
            "    ''\n"
            "    'it''s \xC3\xA9')\n"
            "end\n");
  TObjectPtr<TComponent> Back(ReadComponentFromText(Text, nullptr));
  auto* BackHolder = DynCast<TLinesHolder>(Back.get());
  ASSERT_NE(BackHolder, nullptr);
  EXPECT_TRUE(BackHolder->GetLines()->Equals(Holder->GetLines()));
}
