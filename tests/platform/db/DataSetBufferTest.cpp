// The record-buffer window as a control sees it through its link: scroll
// distances, the window's records, Bof/Eof, and the window's self-check after
// every step.
//
// Ideas for tests: a filter that hides the active record on Refresh; a
// disabled source whose links keep their buffer counts.

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "DbTestUtil.h"

namespace kvp::test {
namespace {

struct TStep {
  const char* Action;  // "Next", "Prior", "Last", "First"
  const char* Ids;     // the link's records afterwards
  Integer Active;      // the link's ActiveRecord
  const char* Calls;   // what the link received
  Integer RecNo;
  bool Bof, Eof;
};

void RunSteps(TLinkedDataSet& T, const std::vector<TStep>& Steps) {
  for (const TStep& S : Steps) {
    SCOPED_TRACE(std::string(S.Action) + " to RecNo " + std::to_string(S.RecNo));
    T.Log.clear();
    const String A = S.Action;
    if (A == "Next") T.DS->Next();
    if (A == "Prior") T.DS->Prior();
    if (A == "Last") T.DS->Last();
    if (A == "First") T.DS->First();
    EXPECT_EQ(Join(T.Log), S.Calls);
    EXPECT_EQ(T.Ids(), S.Ids);
    EXPECT_EQ(T.Link->GetActiveRecord(), S.Active);
    EXPECT_EQ(T.Link->GetRecordCount(), 5);
    EXPECT_EQ(T.RecNo(), S.RecNo);
    EXPECT_EQ(T.DS->GetBof(), S.Bof);
    EXPECT_EQ(T.DS->GetEof(), S.Eof);
    EXPECT_NO_THROW(T.DS->CheckConsistency());
  }
}

TEST(DataSetBuffers, OpenThenNextScrollsTheWindowOnlyPastItsEdge) {
  TLinkedDataSet T(20);
  EXPECT_EQ(T.Ids(), "1 2 3 4 5");
  EXPECT_TRUE(T.DS->GetBof());
  RunSteps(T, {
                  {"Next", "1 2 3 4 5", 1, "CheckBrowseMode, DataSetScrolled(0)", 2, false, false},
                  {"Next", "1 2 3 4 5", 2, "CheckBrowseMode, DataSetScrolled(0)", 3, false, false},
                  {"Next", "1 2 3 4 5", 3, "CheckBrowseMode, DataSetScrolled(0)", 4, false, false},
                  {"Next", "1 2 3 4 5", 4, "CheckBrowseMode, DataSetScrolled(0)", 5, false, false},
                  {"Next", "2 3 4 5 6", 4, "CheckBrowseMode, DataSetScrolled(1)", 6, false, false},
                  {"Next", "3 4 5 6 7", 4, "CheckBrowseMode, DataSetScrolled(1)", 7, false, false},
              });
}

TEST(DataSetBuffers, LastSendsAChangeAndNextAtTheEndDoesNothing) {
  TLinkedDataSet T(20);
  for (int I = 0; I < 6; ++I) T.DS->Next();
  RunSteps(T, {
                  {"Last", "16 17 18 19 20", 4, "CheckBrowseMode, DataSetChanged", 20, false, true},
                  {"Next", "16 17 18 19 20", 4, "CheckBrowseMode", 20, false, true},
                  {"Prior", "16 17 18 19 20", 3, "CheckBrowseMode, DataSetScrolled(0)", 19, false,
                   false},
              });
}

TEST(DataSetBuffers, PriorAtTheTopScrollsBackAndSetsBofOnlyWhenItFails) {
  TLinkedDataSet T(20);
  for (int I = 0; I < 6; ++I) T.DS->Next();  // R3..R7 on R7
  const char* Inside = "CheckBrowseMode, DataSetScrolled(0)";
  RunSteps(T,
           {
               {"Prior", "3 4 5 6 7", 3, Inside, 6, false, false},
               {"Prior", "3 4 5 6 7", 2, Inside, 5, false, false},
               {"Prior", "3 4 5 6 7", 1, Inside, 4, false, false},
               {"Prior", "3 4 5 6 7", 0, Inside, 3, false, false},
               {"Prior", "2 3 4 5 6", 0, "CheckBrowseMode, DataSetScrolled(-1)", 2, false, false},
               {"Prior", "1 2 3 4 5", 0, "CheckBrowseMode, DataSetScrolled(-1)", 1, false, false},
               {"Prior", "1 2 3 4 5", 0, Inside, 1, true, false},
               {"Prior", "1 2 3 4 5", 0, "CheckBrowseMode", 1, true, false},
           });
}

TEST(DataSetBuffers, MoveByAnswersTheRecordsMovedNotTheWindowsDistance) {
  TLinkedDataSet T(20);
  for (int I = 0; I < 6; ++I) T.DS->Next();  // R3..R7, a = 4
  T.DS->MoveBy(-3);                          // a = 1 on R4
  T.Link->Distances.clear();
  EXPECT_EQ(T.DS->MoveBy(-3), -3);
  EXPECT_EQ(T.Link->Distances, std::vector<Integer>{-2});
  EXPECT_EQ(T.RecNo(), 1);
  EXPECT_EQ(T.Link->GetActiveRecord(), 0);
  // An overshoot stops on the last record with Eof set.
  EXPECT_EQ(T.DS->MoveBy(100), 19);
  EXPECT_TRUE(T.DS->GetEof());
  EXPECT_EQ(T.RecNo(), 20);
  EXPECT_EQ(T.DS->MoveBy(0), 0);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

TEST(DataSetBuffers, BofAndEofOnSmallAndEmptyDatasets) {
  TLinkedDataSet Empty(0);
  EXPECT_TRUE(Empty.DS->GetBof());
  EXPECT_TRUE(Empty.DS->GetEof());
  EXPECT_TRUE(Empty.DS->IsEmpty());
  EXPECT_EQ(Empty.DS->MoveBy(1), 0);
  Empty.DS->Last();
  EXPECT_TRUE(Empty.DS->GetBof() && Empty.DS->GetEof());

  TLinkedDataSet Two(2);
  EXPECT_EQ(Two.Link->GetRecordCount(), 2);
  Two.DS->Next();
  EXPECT_FALSE(Two.DS->GetEof()) << "Next onto the last record leaves Eof False";
  EXPECT_EQ(Two.DS->MoveBy(3), 0);
  EXPECT_TRUE(Two.DS->GetEof());
  Two.DS->First();
  EXPECT_TRUE(Two.DS->GetBof());
  EXPECT_FALSE(Two.DS->GetEof());
}

TEST(DataSetBuffers, InsertInTheMiddleShiftsTheWindowAndCancelRestoresIt) {
  TLog Events;  // outlives the dataset, whose closing it records
  TLinkedDataSet T(20);
  for (int I = 0; I < 6; ++I) T.DS->Next();
  T.DS->MoveBy(-2);  // R3..R7 on R5, a = 2
  HookDataSetEvents(T.DS, &Events);
  T.Log.clear();
  T.DS->Insert();
  EXPECT_EQ(Join(Events), "BeforeInsert, BeforeScroll, OnNewRecord, AfterInsert, AfterScroll");
  EXPECT_EQ(Join(T.Log), "CheckBrowseMode, EditingChanged(on), DataSetChanged");
  EXPECT_EQ(T.Ids(), "3 4 N 5 6");
  EXPECT_EQ(T.Link->GetActiveRecord(), 2);
  EXPECT_EQ(T.DS->GetBookmark(), "");
  EXPECT_EQ(T.RecNo(), -1);
  EXPECT_FALSE(T.DS->GetBof() || T.DS->GetEof());
  EXPECT_NO_THROW(T.DS->CheckConsistency());

  T.Log.clear();
  Events.clear();
  T.DS->Cancel();
  EXPECT_EQ(Join(Events), "BeforeCancel, BeforeScroll, AfterCancel, AfterScroll")
      << "cancelling an insert moves back, so it scrolls";
  EXPECT_EQ(Join(T.Log), "CheckBrowseMode, EditingChanged(off), DataSetChanged");
  EXPECT_EQ(T.Ids(), "3 4 5 6 7");
  EXPECT_EQ(T.Link->GetActiveRecord(), 2);
  EXPECT_EQ(T.RecNo(), 5);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

TEST(DataSetBuffers, PostedInsertGoesBeforeTheRecordItWasInsertedAt) {
  TLinkedDataSet T(20);
  for (int I = 0; I < 6; ++I) T.DS->Next();
  T.DS->MoveBy(-2);
  T.DS->Insert();
  T.DS->FieldByName("ID")->SetAsInteger(100);
  T.DS->Post();
  EXPECT_EQ(T.Ids(), "3 4 100 5 6");
  EXPECT_EQ(T.Link->GetActiveRecord(), 2);
  EXPECT_EQ(T.DS->GetRecordCount(), 21);
  EXPECT_EQ(T.RecNo(), 5);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

TEST(DataSetBuffers, AppendShowsTheLastRecordsAboveTheNewOne) {
  TLinkedDataSet T(20);
  for (int I = 0; I < 6; ++I) T.DS->Next();
  T.DS->Append();
  EXPECT_EQ(T.Ids(), "17 18 19 20 N");
  EXPECT_EQ(T.Link->GetActiveRecord(), 4);
  EXPECT_FALSE(T.DS->GetBof());
  EXPECT_TRUE(T.DS->GetEof());
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  T.DS->Cancel();
  EXPECT_EQ(T.Ids(), "16 17 18 19 20");
  EXPECT_EQ(T.RecNo(), 20);
}

TEST(DataSetBuffers, DeleteKeepsTheIndexOnTheFollowingRecord) {
  TLinkedDataSet T(20);
  for (int I = 0; I < 6; ++I) T.DS->Next();
  T.DS->MoveBy(-2);
  T.DS->Delete();
  EXPECT_EQ(T.Ids(), "3 4 6 7 8");
  EXPECT_EQ(T.Link->GetActiveRecord(), 2);
  T.DS->Last();
  T.DS->Delete();
  EXPECT_EQ(T.Ids(), "15 16 17 18 19");
  EXPECT_EQ(T.Link->GetActiveRecord(), 4);
  EXPECT_FALSE(T.DS->GetEof());
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

TEST(DataSetBuffers, GotoBookmarkCentresTheRecord) {
  TLinkedDataSet T(20);
  T.DS->SetRecNo(10);
  EXPECT_EQ(T.Ids(), "8 9 10 11 12");
  EXPECT_EQ(T.Link->GetActiveRecord(), 2);
  const TBookmark B = T.DS->GetBookmark();
  T.DS->First();
  T.Log.clear();
  T.DS->GotoBookmark(B);
  EXPECT_EQ(Join(T.Log), "CheckBrowseMode, DataSetChanged");
  EXPECT_EQ(T.Ids(), "8 9 10 11 12");
  T.DS->SetRecNo(20);
  EXPECT_EQ(T.Ids(), "16 17 18 19 20") << "fewer records below: the window fills from above";
  EXPECT_EQ(T.Link->GetActiveRecord(), 4);
  EXPECT_THROW(T.DS->SetRecNo(21), EDatabaseError);
  EXPECT_THROW(T.DS->SetRecNo(0), EDatabaseError);
  EXPECT_EQ(T.RecNo(), 20) << "a refused number stays put";
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

TEST(DataSetBuffers, ChangingTheBufferCountKeepsTheActiveRecordInTheWindow) {
  TLinkedDataSet T(20);
  T.DS->Last();  // R16..R20 on R20
  T.Link->SetBufferCount(3);
  EXPECT_EQ(T.DS->GetBufferCount(), 3);
  EXPECT_EQ(T.Ids(), "18 19 20");
  EXPECT_EQ(T.Link->GetActiveRecord(), 2);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  T.Link->SetBufferCount(8);
  EXPECT_EQ(T.Ids(), "13 14 15 16 17 18 19 20") << "at the end it fetches from above";
  EXPECT_EQ(T.Link->GetActiveRecord(), 7);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  T.DS->First();
  T.Link->SetBufferCount(2);
  EXPECT_EQ(T.Ids(), "1 2");
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

TEST(DataSetBuffers, ASmallLinkFollowsTheRecordInsideTheLargeLinksWindow) {
  TLinkedDataSet T(20);
  TLog EditLog;
  TRecordingLink* Edit = TRecordingLink::Create(&EditLog);
  Edit->SetDataSource(T.Source);  // buffer count 1, like a single-field control
  for (int I = 0; I < 7; ++I) {
    T.DS->Next();
    EXPECT_EQ(Edit->GetActiveRecord(), 0);
    EXPECT_EQ(Edit->GetRecordCount(), 1);
    EXPECT_NO_THROW(T.DS->CheckConsistency());
  }
  EXPECT_EQ(Edit->GetFirstRecord(), T.DS->GetActiveRecord());
  // Its distances are its own: inside the big window it still moves a row.
  EXPECT_EQ(Edit->Distances, (std::vector<Integer>{1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(T.Link->Distances, (std::vector<Integer>{0, 0, 0, 0, 1, 1, 1}));
  T.Link->SetBufferCount(2);
  EXPECT_EQ(T.DS->GetBufferCount(), 2);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  EXPECT_EQ(T.DS->FieldByName("ID")->GetAsInteger(), 8);
  Edit->Free();
  EXPECT_EQ(T.DS->GetBufferCount(), 2);
}

// "a..b" as the space-separated ids a, a+1, ..., b.
String Range(Integer From, Integer To) {
  String Result;
  for (Integer I = From; I <= To; ++I) Result += (I > From ? " " : "") + IntToStr(I);
  return Result;
}

// A grid of ten rows over a hundred records, walked the way a user scrolls,
// inserts and deletes: every step checks what the grid's link would see.
TEST(DataSetBuffers, TenRowGridOverAHundredRecordsSeesThePlatformsDistances) {
  TLinkedDataSet T(100, 10);
  struct TGridStep {
    const char* What;
    std::function<Integer()> Act;  // answers MoveBy's result, else 0
    Integer Moved;
    String Ids;
    Integer Active;
    const char* Calls;
    Integer RecNo;
    bool Bof, Eof;
  };
  auto Move = [&T](Integer D) { return [&T, D] { return T.DS->MoveBy(D); }; };
  auto Do = [](std::function<void()> F) {
    return [F] {
      F();
      return 0;
    };
  };
  const char* Scrolled0 = "CheckBrowseMode, DataSetScrolled(0)";
  const char* Changed = "CheckBrowseMode, DataSetChanged";
  const std::vector<TGridStep> Steps = {
      {"MoveBy(5)", Move(5), 5, Range(1, 10), 5, Scrolled0, 6, false, false},
      {"MoveBy(7) past the edge", Move(7), 7, Range(4, 13), 9,
       "CheckBrowseMode, DataSetScrolled(3)", 13, false, false},
      {"MoveBy(-12) back to the top", Move(-12), -12, Range(1, 10), 0,
       "CheckBrowseMode, DataSetScrolled(-3)", 1, false, false},
      {"Prior on the first record", Move(-1), 0, Range(1, 10), 0, Scrolled0, 1, true, false},
      {"Prior with Bof set", Move(-1), 0, Range(1, 10), 0, "CheckBrowseMode", 1, true, false},
      {"Last", Do([&T] { T.DS->Last(); }), 0, Range(91, 100), 9, Changed, 100, false, true},
      {"Next at the end", Move(1), 0, Range(91, 100), 9, "CheckBrowseMode", 100, false, true},
      {"MoveBy(-4)", Move(-4), -4, Range(91, 100), 5, Scrolled0, 96, false, false},
      {"MoveBy(10) overshoots", Move(10), 4, Range(91, 100), 9, Scrolled0, 100, false, true},
      {"First", Do([&T] { T.DS->First(); }), 0, Range(1, 10), 0, Changed, 1, true, false},
      {"RecNo := 50", Do([&T] { T.DS->SetRecNo(50); }), 0, Range(46, 55), 4, Changed, 50, false,
       false},
      {"Insert", Do([&T] { T.DS->Insert(); }), 0, "46 47 48 49 N 50 51 52 53 54", 4,
       "CheckBrowseMode, EditingChanged(on), DataSetChanged", -1, false, false},
      {"Post", Do([&T] { T.DS->Post(); }), 0, "46 47 48 49 1000 50 51 52 53 54", 4,
       "UpdateData, CheckBrowseMode, EditingChanged(off), DataSetChanged", 50, false, false},
      {"Delete the new record", Do([&T] { T.DS->Delete(); }), 0, Range(46, 55), 4, Changed, 50,
       false, false},
      {"Delete R50", Do([&T] { T.DS->Delete(); }), 0, "46 47 48 49 51 52 53 54 55 56", 4, Changed,
       50, false, false},
      {"MoveBy(-6)", Move(-6), -6, "44 45 46 47 48 49 51 52 53 54", 0,
       "CheckBrowseMode, DataSetScrolled(-2)", 44, false, false},
      {"MoveBy(12)", Move(12), 12, "47 48 49 51 52 53 54 55 56 57", 9,
       "CheckBrowseMode, DataSetScrolled(3)", 56, false, false},
  };
  for (const TGridStep& S : Steps) {
    SCOPED_TRACE(S.What);
    if (String(S.What) == "Post") T.DS->FieldByName("ID")->SetAsInteger(1000);
    T.Log.clear();
    EXPECT_EQ(S.Act(), S.Moved);
    EXPECT_EQ(Join(T.Log), S.Calls);
    EXPECT_EQ(T.Ids(), S.Ids);
    EXPECT_EQ(T.Link->GetActiveRecord(), S.Active);
    EXPECT_EQ(T.Link->GetRecordCount(), 10);
    EXPECT_EQ(T.Link->GetFirstRecord(), 0) << "the only link's window starts at buffer 0";
    EXPECT_EQ(T.RecNo(), S.RecNo);
    EXPECT_EQ(T.DS->GetBof(), S.Bof);
    EXPECT_EQ(T.DS->GetEof(), S.Eof);
    EXPECT_NO_THROW(T.DS->CheckConsistency());
  }
  EXPECT_EQ(T.DS->GetRecordCount(), 99);
}

TEST(DataSetBuffers, ActiveRecordOfTheLinkReadsOtherBuffersWithoutEvents) {
  TLinkedDataSet T(20);
  T.Log.clear();
  T.Link->SetActiveRecord(3);
  EXPECT_EQ(T.DS->FieldByName("Name")->GetAsString(), "R4");
  EXPECT_EQ(T.RecNo(), 4);
  EXPECT_TRUE(T.Log.empty());
  EXPECT_TRUE(T.DS->GetBof()) << "ActiveRecord never touches Bof or Eof";
  EXPECT_THROW(T.Link->SetActiveRecord(5), EDatabaseError);
  T.Link->SetActiveRecord(0);
}

TEST(DataSetBuffers, DefaultLinkBodiesTurnLayoutAndScrollIntoRecordChanged) {
  struct TOnlyRecordChanged : TDataLink {
    TLog* Log = nullptr;
    void RecordChanged(TField* Field) override {
      Log->push_back(Field ? "RecordChanged(field)" : "RecordChanged(nil)");
    }
  };
  TLinkedDataSet T(5);
  TOnlyRecordChanged* Link = NewObject<TOnlyRecordChanged>();
  Link->Log = &T.Log;
  Link->SetDataSource(T.Source);
  T.Log.clear();
  T.DS->Next();
  T.DS->FieldByName("Name")->SetVisible(false);  // a layout change
  // The later-attached link hears each event first.
  EXPECT_EQ(Join(T.Log),
            "CheckBrowseMode, RecordChanged(nil), DataSetScrolled(0), "
            "RecordChanged(nil), LayoutChanged");
  Link->Free();
}

// The buffers move as pointers; growing and shrinking the window after it
// scrolled must keep every record at its index.
TEST(DataSetBufferWalk, ResizingAScrolledWindowKeepsTheRecordsInPlace) {
  TLinkedDataSet T(30);
  const struct {
    const char* What;
    std::function<void()> Act;
    const char* Ids;
    Integer Active;
  } Steps[] = {
      {"MoveBy(12)", [&T] { T.DS->MoveBy(12); }, "9 10 11 12 13", 4},
      {"grow to 8", [&T] { T.Link->SetBufferCount(8); }, "9 10 11 12 13 14 15 16", 4},
      {"MoveBy(-6)", [&T] { T.DS->MoveBy(-6); }, "7 8 9 10 11 12 13 14", 0},
      {"shrink to 3", [&T] { T.Link->SetBufferCount(3); }, "7 8 9", 0},
      {"MoveBy(4)", [&T] { T.DS->MoveBy(4); }, "9 10 11", 2},
      {"Last", [&T] { T.DS->Last(); }, "28 29 30", 2},
      {"grow to 6 at the end", [&T] { T.Link->SetBufferCount(6); }, "25 26 27 28 29 30", 5},
      {"Prior", [&T] { T.DS->Prior(); }, "25 26 27 28 29 30", 4},
      {"shrink to 2", [&T] { T.Link->SetBufferCount(2); }, "28 29", 1},
      {"Insert", [&T] { T.DS->Insert(); }, "28 N", 1},
      {"Cancel", [&T] { T.DS->Cancel(); }, "28 29", 1},
      {"grow to 4", [&T] { T.Link->SetBufferCount(4); }, "27 28 29 30", 2},
  };
  for (const auto& S : Steps) {
    SCOPED_TRACE(S.What);
    S.Act();
    String Ids = T.Ids();
    if (T.Link->GetRecordCount() < T.Link->GetBufferCount()) Ids += " -";
    EXPECT_EQ(Ids, S.Ids);
    EXPECT_EQ(T.Link->GetActiveRecord(), S.Active);
    EXPECT_NO_THROW(T.DS->CheckConsistency());
  }
}

// Post, Cancel and Delete rebuild the window keeping the active index; only
// jumps centre it.
TEST(DataSetBufferEdits, PostAndCancelOfAnEditKeepTheActiveIndex) {
  TLinkedDataSet T(20);
  T.DS->MoveBy(6);  // R3..R7 on R7
  for (const char* End : {"Post", "Cancel"}) {
    SCOPED_TRACE(End);
    T.DS->Edit();
    T.DS->FieldByName("Name")->SetAsString(End);
    T.Log.clear();
    if (String(End) == "Post")
      T.DS->Post();
    else
      T.DS->Cancel();
    EXPECT_EQ(T.Ids(), "3 4 5 6 7");
    EXPECT_EQ(T.Link->GetActiveRecord(), 4);
    EXPECT_EQ(Join(T.Log), String(End) == "Post"
                               ? "UpdateData, CheckBrowseMode, EditingChanged(off), DataSetChanged"
                               : "CheckBrowseMode, EditingChanged(off), DataSetChanged");
    EXPECT_NO_THROW(T.DS->CheckConsistency());
  }
  EXPECT_EQ(T.DS->FieldByName("Name")->GetAsString(), "Post");
}

// A posted record that sorts to the end is rebuilt from the top of the window
// down: the records above it are fetched and it stays the current one.
TEST(DataSetBufferEdits, ARecordReKeyedToTheEndStaysCurrent) {
  TLinkedDataSet T(20);
  T.DS->SetIndexFieldNames("ID");
  T.DS->First();
  T.DS->Edit();
  T.DS->FieldByName("ID")->SetAsInteger(100);
  T.Log.clear();
  T.DS->Post();
  EXPECT_EQ(T.DS->FieldByName("ID")->GetAsInteger(), 100);
  EXPECT_EQ(T.RecNo(), 20);
  EXPECT_EQ(T.Ids(), "17 18 19 20 100");
  EXPECT_EQ(T.Link->GetActiveRecord(), 4);
  EXPECT_FALSE(T.DS->GetBof() || T.DS->GetEof());
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

TEST(DataSetBufferEdits, DeletingTheLastRecordsTellsTheLinksTheDatasetIsEmpty) {
  TLinkedDataSet T(2);
  T.DS->Delete();
  T.Log.clear();
  T.DS->Delete();
  EXPECT_EQ(Join(T.Log), "CheckBrowseMode, DataSetChanged");
  EXPECT_TRUE(T.DS->IsEmpty());
  EXPECT_TRUE(T.DS->GetBof() && T.DS->GetEof());
  EXPECT_EQ(T.Link->GetRecordCount(), 0);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  T.DS->Insert();
  EXPECT_EQ(T.Link->GetRecordCount(), 1);
  T.Log.clear();
  T.DS->Cancel();
  EXPECT_EQ(Join(T.Log), "CheckBrowseMode, EditingChanged(off), DataSetChanged");
  EXPECT_EQ(T.Link->GetRecordCount(), 0);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
}

// A one-row link inside a grid's window: when the grid's window grows upward
// at the end of the dataset, the small link's window moves down with its record.
TEST(DataSetBufferWalk, GrowingTheWindowAtTheEndKeepsASmallLinkOnItsRecord) {
  TLog EditLog;
  TLinkedDataSet T(20);
  TRecordingLink* Edit = TRecordingLink::Create(&EditLog);
  Edit->SetDataSource(T.Source);
  T.DS->Last();
  EXPECT_EQ(Edit->GetFirstRecord(), 4);
  T.Link->SetBufferCount(8);
  EXPECT_EQ(T.Ids(), "13 14 15 16 17 18 19 20");
  EXPECT_EQ(Edit->GetFirstRecord(), 7) << "three records came in above it";
  EXPECT_EQ(Edit->GetActiveRecord(), 0);
  EXPECT_EQ(T.DS->FieldByName("ID")->GetAsInteger(), 20);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  Edit->Free();
}

// A link that grows while its record is not on its first row keeps one row
// of context above the record.
TEST(DataSetBufferWalk, ALinkThatGrowsKeepsARowAboveItsRecord) {
  TLog SmallLog;
  TLinkedDataSet T(20, 10);
  TRecordingLink* Small = TRecordingLink::Create(&SmallLog);
  Small->SetDataSource(T.Source);
  Small->SetBufferCount(2);
  T.DS->MoveBy(6);  // a = 6
  EXPECT_EQ(Small->GetFirstRecord(), 5);
  EXPECT_EQ(Small->GetActiveRecord(), 1);
  Small->SetBufferCount(3);
  EXPECT_EQ(Small->GetFirstRecord(), 4);
  EXPECT_EQ(Small->GetActiveRecord(), 2);
  EXPECT_EQ(T.DS->GetBufferCount(), 10) << "the grid's link is still the largest";
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  Small->Free();
}

// Regression: when the grid's window shrank, a smaller link's window was only
// shifted, and could reach past the last buffer: a three-row control then
// showed one row with records below it.
TEST(DataSetBufferWalk, ASmallerLinkKeepsItsRowsWhenTheGridShrinks) {
  TLog MidLog;
  TLinkedDataSet T(20, 8);
  TRecordingLink* Mid = TRecordingLink::Create(&MidLog);
  Mid->SetBufferCount(3);
  Mid->SetDataSource(T.Source);
  T.DS->MoveBy(7);
  T.DS->MoveBy(-2);  // a = 5 on the middle link's first row
  EXPECT_EQ(Mid->GetFirstRecord(), 5);
  T.Link->SetBufferCount(4);
  EXPECT_EQ(T.Ids(), "3 4 5 6");
  EXPECT_EQ(Mid->GetRecordCount(), 3);
  EXPECT_EQ(Mid->GetFirstRecord(), 1);
  EXPECT_EQ(Mid->GetActiveRecord(), 2);
  EXPECT_EQ(T.DS->FieldByName("ID")->GetAsInteger(), 6);
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  Mid->Free();
}

// A footer total walks with the controls disabled: the links hear nothing per
// record, the dataset's own scroll events still fire, and one change brings
// every link's window to the record reached.
TEST(DataSetBufferWalk, AWalkWithControlsDisabledTellsTheLinksOnceAtTheEnd) {
  TLog EditLog;  // declared first: the dataset's closing still writes into it
  Integer Scrolls = 0;
  TLinkedDataSet T(20);
  TRecordingLink* Edit = TRecordingLink::Create(&EditLog);  // one row, like an edit box
  Edit->SetDataSource(T.Source);
  T.DS->AfterScroll = [&Scrolls](TDataSet*) { ++Scrolls; };
  T.DS->Next();
  T.Log.clear();
  EditLog.clear();
  Scrolls = 0;
  Integer Sum = 0;
  {
    TDisableControlsGuard Disabled(T.DS);
    TField* ID = T.DS->FieldByName("ID");
    for (T.DS->First(); !T.DS->GetEof(); T.DS->Next()) {
      Sum += ID->GetAsInteger();
      EXPECT_NO_THROW(T.DS->CheckConsistency()) << "at RecNo " << T.RecNo();
    }
    EXPECT_TRUE(T.Log.empty() && EditLog.empty()) << Join(T.Log) << Join(EditLog);
  }
  EXPECT_EQ(Sum, 210);
  EXPECT_EQ(Scrolls, 21) << "First and every Next, the one that finds the end included";
  EXPECT_EQ(Join(T.Log), "DataSetChanged");
  EXPECT_EQ(Join(EditLog), "DataSetChanged");
  EXPECT_EQ(T.Ids(), "16 17 18 19 20");
  EXPECT_EQ(T.Link->GetActiveRecord(), 4);
  EXPECT_EQ(Edit->GetActiveRecord(), 0);
  EXPECT_EQ(Edit->GetFirstRecord(), 4) << "the small link's window followed to the record";
  EXPECT_TRUE(T.DS->GetEof());
  EXPECT_NO_THROW(T.DS->CheckConsistency());
  T.DS->AfterScroll = nullptr;
  Edit->Free();
}


// [SECTION] The window against a model
//
// A plain model of the window rules, written from the rules and not from the
// dataset's code: the records in order, the window's records, the active
// index, Bof and Eof, what a grid's link hears (with the dataset's Before and
// After events in between) and the scroll distance a one-row link sees. Random navigation, edits and resizes go to the dataset
// and to the model; after each, what a control would see must agree.
class TWindowModel {
 public:
  std::vector<Integer> Records;  // record ids in dataset order
  std::vector<Integer> Window;   // ids of the filled buffers; 0 for a new record
  Integer A = 0;                 // the active buffer
  Integer B = 5;                 // buffers (the grid link's count)
  bool Bof = true, Eof = false;
  TLog Calls;           // what the grid's link hears
  Integer Distance = 0;  // the one-row link's last scroll distance
  // A three-row link beside the grid's: its first buffer and last distance.
  static constexpr Integer MidCount = 3;
  Integer MidFirst = 0;
  Integer MidDistance = 0;

  Integer RecNo() const {
    if (Window.empty()) return 0;
    return Window[A] == 0 ? -1 : Index(Window[A]) + 1;
  }
  Integer Index(Integer Id) const {
    return Integer(std::find(Records.begin(), Records.end(), Id) - Records.begin());
  }
  Integer Count() const { return Integer(Records.size()); }
  Integer Top() const { return Window.empty() ? -1 : Index(Window.front()); }
  Integer Bottom() const { return Window.empty() ? -1 : Index(Window.back()); }
  // A link's window moves just far enough, after the buffers moved by Shift,
  // to hold the active record again.
  void FollowMid(Integer Shift) {
    const Integer First = MidFirst + Shift, Last = First + MidCount - 1;
    MidDistance = A > Last ? A - Last : (A < First ? A - First : 0);
    MidFirst = First + MidDistance;
  }
  void Hear(std::initializer_list<const char*> Heard) {
    for (const char* Call : Heard) {
      Calls.push_back(Call);
      if (String(Call) == "DataSetChanged") FollowMid(0);
    }
  }

  // The window rebuilt around the record at Position: centred, or at index Keep.
  void Resync(Integer Position, Integer Keep) {
    Window.clear();
    A = 0;
    if (Position < 0) {
      Bof = Eof = true;
      Hear({"DataSetChanged"});
      return;
    }
    Window.push_back(Records[Position]);
    Bof = Eof = false;
    while (A < Keep && Top() > 0) {
      Window.insert(Window.begin(), Records[Top() - 1]);
      ++A;
    }
    while (Integer(Window.size()) < B && Bottom() < Count() - 1)
      Window.push_back(Records[Bottom() + 1]);
    while (Integer(Window.size()) < B && Top() > 0) {
      Window.insert(Window.begin(), Records[Top() - 1]);
      ++A;
    }
    Hear({"DataSetChanged"});
  }
  void FillFrom(bool FromEnd) {
    Hear({"CheckBrowseMode", "BeforeScroll"});
    Window.clear();
    const Integer N = std::min(B, Count());
    for (Integer I = 0; I < N; ++I) Window.push_back(Records[FromEnd ? Count() - N + I : I]);
    A = FromEnd ? std::max(0, N - 1) : 0;
    Bof = FromEnd ? Count() == 0 : true;
    Eof = FromEnd ? true : Count() == 0;
    Hear({"DataSetChanged", "AfterScroll"});
  }
  Integer MoveBy(Integer D) {
    Hear({"CheckBrowseMode", "BeforeScroll"});
    if (D == 0 || (D > 0 && Eof) || (D < 0 && Bof)) return 0;
    Bof = Eof = false;
    Integer Moved = 0, Shift = 0;
    const Integer OldA = A;
    while (Moved != D) {
      const bool Forward = D > 0;
      if (Forward && A < Integer(Window.size()) - 1) {
        ++A;
      } else if (!Forward && A > 0) {
        --A;
      } else if (Forward) {
        if (Bottom() + 1 >= Count()) {
          Eof = true;
          break;
        }
        Window.push_back(Records[Bottom() + 1]);
        if (Integer(Window.size()) > B) {
          Window.erase(Window.begin());
          --Shift;
        }
        A = Integer(Window.size()) - 1;
      } else {
        if (Top() <= 0) {
          Bof = true;
          break;
        }
        Window.insert(Window.begin(), Records[Top() - 1]);
        if (Integer(Window.size()) > B) Window.pop_back();
        ++Shift;
      }
      Moved += Forward ? 1 : -1;
    }
    // The grid's link starts at buffer 0; after the shift its rows are Shift ..
    // Shift + B - 1, and it moves just far enough to hold the active record.
    const Integer First = Shift, Last = Shift + B - 1;
    const Integer Count = A > Last ? A - Last : (A < First ? A - First : 0);
    Calls.push_back("DataSetScrolled(" + IntToStr(Count) + ")");
    Hear({"AfterScroll"});
    Distance = A - (OldA + Shift);  // the one-row link was on the old active record
    FollowMid(Shift);
    return Moved;
  }
  void Resize(Integer K) {
    if (K > B) {
      B = K;
      if (Window.empty()) return;
      while (Integer(Window.size()) < B && Bottom() < Count() - 1)
        Window.push_back(Records[Bottom() + 1]);
      while (Integer(Window.size()) < B && Top() > 0) {
        Window.insert(Window.begin(), Records[Top() - 1]);
        ++A;
        ++MidFirst;
      }
    } else if (K < B) {
      const Integer N = Integer(Window.size());
      if (N > K) {
        const Integer Drop = std::min(N - K, std::max(0, A - K + 1));  // from the top
        Window.erase(Window.begin(), Window.begin() + Drop);
        A -= Drop;
        MidFirst = std::max<Integer>(0, MidFirst - Drop);
        Window.resize(std::size_t(std::min(Integer(Window.size()), K)));
      }
      B = K;
      MidFirst = std::min(MidFirst, B - MidCount);  // its window ends in the last buffer
    }
  }
};

// Runs Steps random operations from a dataset of Count records; Deletes is
// the weight of deleting against the 14 other choices.
// With MidLink a three-row link sits beside the grid's, and the grid keeps
// at least four rows, so that its link stays the largest.
void RunWindowModel(Integer Count, unsigned Seed, unsigned Deletes, bool MidLink) {
  TLog SmallLog, MidLog;
  TLinkedDataSet T(Count);
  TRecordingLink* Small = TRecordingLink::Create(&SmallLog);  // a one-row control
  Small->SetDataSource(T.Source);
  TRecordingLink* Mid = TRecordingLink::Create(&MidLog);
  Mid->SetBufferCount(TWindowModel::MidCount);
  if (MidLink) Mid->SetDataSource(T.Source);
  struct TFreeLinks {  // before the dataset goes, however the test ends
    TDataLink* A;
    TDataLink* B;
    ~TFreeLinks() {
      A->Free();
      B->Free();
    }
  } FreeLinks{Mid, Small};
  std::map<Integer, TBookmark> Marks;  // bookmarks of the records visited
  HookDataSetEvents(T.DS, &T.Log);
  TWindowModel M;
  for (Integer I = 1; I <= Count; ++I) M.Records.push_back(I);
  for (Integer I = 1; I <= std::min<Integer>(5, Count); ++I) M.Window.push_back(I);
  M.Eof = Count == 0;
  TField* ID = T.DS->FieldByName("ID");
  std::mt19937 Random(Seed);
  Integer NextId = 100;
  for (int Step = 0; Step < 1500; ++Step) {
    unsigned Op = Random() % (14 + Deletes);
    if (Op >= 14) Op = 7;
    String What;
    T.Log.clear();
    M.Calls.clear();
    Integer Moved = 0, Expected = 0;
    switch (Op) {
      case 0:
      case 1:
      case 2: {
        const Integer D = Integer(Random() % 15) - 7;
        What = "MoveBy(" + IntToStr(D) + ")";
        Moved = T.DS->MoveBy(D);
        Expected = M.MoveBy(D);
        break;
      }
      case 3:
        What = Random() % 2 ? "Next" : "Prior";
        if (What == "Next") T.DS->Next(); else T.DS->Prior();
        Expected = M.MoveBy(What == "Next" ? 1 : -1);
        Moved = Expected;  // Next and Prior answer nothing; the rest is compared below
        break;
      case 4:
        What = Random() % 2 ? "First" : "Last";
        if (What == "First") T.DS->First(); else T.DS->Last();
        M.FillFrom(What == "Last");
        break;
      case 5: {
        if (M.Records.empty()) continue;
        const Integer K = Integer(Random() % (M.Records.size() + 2));
        What = "RecNo := " + IntToStr(K);
        if (K < 1 || K > M.Count()) {
          EXPECT_THROW(T.DS->SetRecNo(K), EDatabaseError) << What;
          M.Hear({"CheckBrowseMode"});
        } else {
          T.DS->SetRecNo(K);
          M.Hear({"CheckBrowseMode"});
        }
        if (K >= 1 && K <= M.Count() && K != M.RecNo()) {
          M.Hear({"BeforeScroll"});
          M.Resync(K - 1, (M.B - 1) / 2);
          M.Hear({"AfterScroll"});
        }
        break;
      }
      case 6: {
        if (M.Records.empty()) continue;
        const Integer Target = M.Records[Random() % M.Records.size()];
        const bool Marked = Marks.count(Target) > 0;
        What = (Marked ? "GotoBookmark(" : "Locate(") + IntToStr(Target) + ")";
        if (Marked)
          T.DS->GotoBookmark(Marks[Target]);
        else
          ASSERT_TRUE(T.DS->Locate("ID", Target, {}));
        M.Hear({"CheckBrowseMode", "BeforeScroll"});
        M.Resync(M.Index(Target), (M.B - 1) / 2);
        M.Hear({"AfterScroll"});
        break;
      }
      case 7: {
        if (M.Window.empty()) continue;
        What = "Delete " + IntToStr(M.Window[M.A]);
        const Integer At = M.Index(M.Window[M.A]);
        T.DS->Delete();
        M.Records.erase(M.Records.begin() + At);
        M.Hear({"CheckBrowseMode", "BeforeDelete", "BeforeScroll"});
        M.Resync(At < M.Count() ? At : At - 1, M.A);
        M.Hear({"AfterDelete", "AfterScroll"});
        break;
      }
      case 8:
      case 9: {
        const bool Append = Op == 9 || M.Window.empty();
        const bool Keep = Random() % 2;
        What = String(Append ? "Append" : "Insert") + (Keep ? " and Post" : " and Cancel");
        const Integer Before = Append ? 0 : M.Window[M.A];
        if (Append) T.DS->Append(); else T.DS->Insert();
        M.Hear({"CheckBrowseMode", "BeforeInsert", "BeforeScroll", "EditingChanged(on)",
                "OnNewRecord"});
        if (Append) {
          const Integer N = std::min(M.B - 1, M.Count());
          M.Window.assign(M.Records.end() - N, M.Records.end());
          M.Window.push_back(0);
          M.A = N;
          M.Bof = false;
          M.Eof = true;
        } else {
          M.Window.insert(M.Window.begin() + M.A, 0);
          if (Integer(M.Window.size()) > M.B) M.Window.pop_back();
        }
        M.Hear({"DataSetChanged", "AfterInsert", "AfterScroll"});
        ASSERT_EQ(Join(T.Log), Join(M.Calls)) << What;
        ASSERT_EQ(T.DS->GetBof(), M.Bof) << What;
        ASSERT_EQ(T.DS->GetEof(), M.Eof) << What;
        ASSERT_EQ(T.RecNo(), -1) << What;
        ASSERT_EQ(T.DS->GetBookmark(), "") << What;
        ASSERT_EQ(T.Ids(), [&M] {
          String R;
          for (Integer Id : M.Window) R += (R.empty() ? "" : " ") + (Id ? IntToStr(Id) : String("N"));
          return R;
        }()) << What << " at step " << Step;
        T.Log.clear();
        M.Calls.clear();
        if (Keep) {
          ID->SetAsInteger(NextId);
          T.Log.clear();
          T.DS->Post();
          M.Records.insert(Append ? M.Records.end() : M.Records.begin() + M.Index(Before), NextId);
          M.Hear({"UpdateData", "CheckBrowseMode", "BeforePost", "EditingChanged(off)"});
          M.Resync(M.Index(NextId++), M.A);
          M.Hear({"AfterPost"});
        } else {
          T.DS->Cancel();
          M.Hear({"CheckBrowseMode", "BeforeCancel", "BeforeScroll", "EditingChanged(off)"});
          M.Resync(Append ? M.Count() - 1 : M.Index(Before), M.A);
          M.Hear({"AfterCancel", "AfterScroll"});
        }
        break;
      }
      case 10: {
        if (M.Window.empty()) continue;
        What = "Edit and Post";
        T.DS->Edit();
        T.DS->FieldByName("Name")->SetAsString("edited");
        ASSERT_EQ(Join(T.Log),
                  "CheckBrowseMode, BeforeEdit, EditingChanged(on), RecordChanged(nil), "
                  "AfterEdit, RecordChanged(Name)");
        T.Log.clear();
        T.DS->Post();
        M.Hear({"UpdateData", "CheckBrowseMode", "BeforePost", "EditingChanged(off)"});
        M.Resync(M.Index(M.Window[M.A]), M.A);
        M.Hear({"AfterPost"});
        break;
      }
      case 11:
        What = "Refresh";
        T.DS->Refresh();
        M.Hear({"CheckBrowseMode"});
        M.Resync(M.Window.empty() ? (M.Records.empty() ? -1 : 0) : M.Index(M.Window[M.A]),
                 M.A);
        break;
      case 12:
      case 13: {
        const Integer K = MidLink ? Integer(Random() % 5) + 4 : Integer(Random() % 8) + 1;
        What = "BufferCount := " + IntToStr(K);
        T.Link->SetBufferCount(K);
        M.Resize(K);
        break;
      }
    }
    SCOPED_TRACE(What + " at step " + std::to_string(Step));
    ASSERT_EQ(Moved, Expected);
    ASSERT_EQ(Join(T.Log), Join(M.Calls));
    String Ids;
    for (Integer Id : M.Window) Ids += (Ids.empty() ? "" : " ") + IntToStr(Id);
    ASSERT_EQ(T.Ids(), Ids);
    ASSERT_EQ(T.Link->GetActiveRecord(), M.A);
    ASSERT_EQ(T.DS->GetBof(), M.Bof);
    ASSERT_EQ(T.DS->GetEof(), M.Eof);
    ASSERT_EQ(T.RecNo(), M.RecNo());
    ASSERT_EQ(T.DS->GetRecordCount(), M.Count());
    ASSERT_EQ(Small->GetFirstRecord(), T.DS->GetActiveRecord());
    if (Op <= 3 && Moved != 0) {
      ASSERT_FALSE(Small->Distances.empty());
      ASSERT_EQ(Small->Distances.back(), M.Distance);
    }
    if (MidLink) {
      ASSERT_EQ(Mid->GetFirstRecord(), M.MidFirst);
      ASSERT_EQ(Mid->GetActiveRecord(), M.A - M.MidFirst);
      ASSERT_EQ(Mid->GetRecordCount(),
                std::max<Integer>(0, std::min<Integer>(3, Integer(M.Window.size()) - M.MidFirst)));
      if (Op <= 3 && Moved != 0) {
        ASSERT_EQ(Mid->Distances.back(), M.MidDistance);
      }
    }
    ASSERT_NO_THROW(T.DS->CheckConsistency());
    if (!M.Window.empty()) Marks[M.Window[M.A]] = T.DS->GetBookmark();
  }
}

TEST(DataSetBufferModel, RandomNavigationEditsAndResizesAgreeWithTheWindowRules) {
  SCOPED_TRACE("25 records");
  RunWindowModel(25, 11, 0, false);
  SCOPED_TRACE("25 records, a three-row link beside the grid");
  RunWindowModel(25, 15, 0, true);
}

TEST(DataSetBufferModel, ADatasetThatEmptiesAndRefillsAgreesWithTheWindowRules) {
  for (const auto& [Count, Seed] : {std::pair<Integer, unsigned>{4, 12}, {1, 13}, {0, 14}}) {
    SCOPED_TRACE(std::to_string(Count) + " records at the start");
    RunWindowModel(Count, Seed, 3, Seed % 2 == 0);
  }
}

}  // namespace
}  // namespace kvp::test
