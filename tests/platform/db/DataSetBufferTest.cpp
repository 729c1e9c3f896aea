// The record-buffer window as a control sees it through its link: scroll
// distances, the window's records, Bof/Eof, and the window's self-check after
// every step.
//
// Ideas for tests: a filter that hides the active record on Refresh; a
// disabled source whose links keep their buffer counts.

#include <functional>

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
  T.DS->Cancel();
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

}  // namespace
}  // namespace kvp::test
