// The grid's commands that write many records over an SQLite file keep the
// records' writes as one change, and a record the file refuses part way (a
// trigger, a constraint) leaves the file as writing record by record would:
// every record before it stored, it and those after it not. Each record
// still goes through the dataset's events; the dataset and the grid show
// what the file holds; the user is told; and another connection finds the
// file free and whole afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/controls/Dialogs.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/VirtualKeys.h"
#include "tests/grid/TestImpExp.h"
#include "tests/platform/db/SQLiteTestUtil.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace impexptest;

// "items": 30 rows (id, name "n<id>", amount id); an amount of 1000 or more
// is refused by a constraint, and row 12 by a trigger when deleted.
class DBGridKvWriteGroupTest : public DBGridOnFormTest {
 protected:
  void SetUp() override {
    DBGridOnFormTest::SetUp();
    ResetMessageDlgScript();
    kvp::test::RunSQL(
        Db.File,
        "CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT, amount REAL CHECK (amount < 1000));"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30) "
        "INSERT INTO items SELECT i, 'n' || i, i FROM n;"
        "CREATE TRIGGER keep12 BEFORE DELETE ON items WHEN old.id = 12 "
        "BEGIN SELECT RAISE(ABORT, 'item 12 is kept'); END;");
    DataSet = TSQLiteDataSet::Create(Form);
    DataSet->SetName("Items");
    DataSet->SetDatabaseName(Db.File);
    DataSet->SetTableName("items");
    for (const char* Event : {"BeforePost", "AfterPost", "BeforeDelete", "AfterDelete"}) {
      const String Name = Event;
      TDataSetNotifyEvent Log = [this, Name](TDataSet* D) {
        Events.push_back(Name + " " + D->FieldByName("id")->GetAsString());
      };
      if (Name == "BeforePost") DataSet->BeforePost = Log;
      if (Name == "AfterPost") DataSet->AfterPost = Log;
      if (Name == "BeforeDelete") DataSet->BeforeDelete = Log;
      if (Name == "AfterDelete") DataSet->AfterDelete = Log;
    }
    Source = TDataSource::Create(Form);
    Source->SetDataSet(DataSet);
    Grid->SetDataSource(Source);
    Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv + dgConfirmDeleteKv);
    Grid->SetEditActions({geaCopyKv, geaCutKv, geaPasteKv, geaDeleteKv, geaSelectAllKv});
    Grid->SetMemoEditing(true);  // the TEXT column takes text
    DataSet->Open();
    Grid->SetFocus();
  }
  void TearDown() override {
    EXPECT_FALSE(DataSet->ControlsDisabled());
    EXPECT_EQ(DataSet->GetState(), dsBrowse);
    EXPECT_EQ(GetQueuedMessageDlgAnswerCount(), 0) << "every question expected was asked";
    ResetMessageDlgScript();
    DBGridOnFormTest::TearDown();
  }

  // The rows of the file as another program reads them: "id|name|amount".
  std::vector<String> FileRows() {
    std::vector<String> Rows;
    for (const String& Row : kvp::test::StoredRows(Db.File, "items")) {
      // "integer 3 | integer 3 | text 'n3' | real 3 (0x...)": id, name, amount.
      std::vector<String> Cells;
      std::size_t Start = 0;
      for (std::size_t Bar; (Bar = Row.find(" | ", Start)) != String::npos; Start = Bar + 3)
        Cells.push_back(Row.substr(Start, Bar - Start));
      Cells.push_back(Row.substr(Start));
      auto Value = [](const String& Cell) {
        if (Cell == "null") return String("<null>");
        if (Cell.rfind("text '", 0) == 0) return Cell.substr(6, Cell.size() - 7);
        if (Cell.rfind("real ", 0) == 0) {
          const String Number = Cell.substr(5, Cell.find(' ', 5) - 5);
          return FloatToStr(std::stod(Number));
        }
        return Cell.substr(Cell.find(' ') + 1);
      };
      Rows.push_back(Value(Cells[1]) + "|" + Value(Cells[2]) + "|" + Value(Cells[3]));
    }
    return Rows;
  }
  // How many changes were committed to the file: its header's change
  // counter (a file not in WAL mode counts every commit there).
  unsigned FileChanges() {
    const String Bytes = kvp::test::FileBytes(Db.File);
    unsigned Counter = 0;
    for (std::size_t I = 24; I < 28 && I < Bytes.size(); ++I)
      Counter = Counter << 8 | static_cast<unsigned char>(Bytes[I]);
    return Counter;
  }
  // The file as the dataset and the grid show it, both consistent.
  void ExpectShownAsStored() {
    EXPECT_EQ(Records(DataSet), FileRows());
    EXPECT_NO_THROW(DataSet->CheckConsistency());
    EXPECT_NO_THROW(Grid->CheckConsistency());
  }
  // Another program writes at once (no wait for a lock), and the dataset
  // shows its row after Refresh.
  void ExpectAnotherProgramCanWrite() {
    sqlite3* Other = nullptr;
    ASSERT_EQ(sqlite3_open(Db.File.c_str(), &Other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(Other, "INSERT INTO items (id, name, amount) VALUES (99, 'other', 1)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(Other);
    sqlite3_close(Other);
    DataSet->Refresh();
    DataSet->Last();
    EXPECT_EQ(DataSet->FieldByName("name")->GetAsString(), "other");
  }
  // The error the application showed for a command the keys ran.
  String ShownError() {
    const auto& Handled = Application()->GetHandledExceptions();
    const String Message = Handled.empty() ? String("<none>") : Handled.back().Message;
    Application()->ClearHandledExceptions();
    return Message;
  }

  kvp::test::TTempDatabase Db{"write_group"};
  TSQLiteDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;
  std::vector<String> Events;
};

// Ctrl+A is not needed: twelve records selected with the mouse's Ctrl, then
// Ctrl+Delete and OK; the trigger refuses the eighth.
TEST_F(DBGridKvWriteGroupTest, DeletingSelectedRecordsStopsAtTheRefusedOneKeepingThoseBefore) {
  SelectRecords(Grid, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
  QueueMessageDlgAnswer(mrOk);
  const unsigned Changes = FileChanges();
  Input.KeyPress(VK_DELETE, {ssCtrl});
  EXPECT_EQ(FileChanges(), Changes + 1) << "the deletes are one change of the file";
  EXPECT_EQ(GetMessageDlgLog().at(0).Msg, "Delete all selected records?");
  EXPECT_NE(ShownError().find("item 12 is kept"), String::npos);
  // The records deleted before the refused one, each with both events.
  std::vector<Integer> Deleted;
  for (std::size_t I = 0; I + 1 < Events.size(); I += 2) {
    ASSERT_EQ(Events[I].rfind("BeforeDelete ", 0), 0u) << Events[I];
    ASSERT_EQ(Events[I + 1].rfind("AfterDelete ", 0), 0u) << Events[I + 1];
    Deleted.push_back(StrToInt(Events[I].substr(13)));
  }
  ASSERT_EQ(Events.size() % 2, 1u);
  EXPECT_EQ(Events.back(), "BeforeDelete 12");
  EXPECT_FALSE(Deleted.empty());
  std::vector<String> Expected;
  for (Integer Id = 1; Id <= 30; ++Id) {
    const bool Gone = std::count(Deleted.begin(), Deleted.end(), Id) > 0;
    if (Gone) EXPECT_TRUE(Id >= 5 && Id <= 16 && Id != 12) << Id;
    if (!Gone) Expected.push_back(IntToStr(Id) + "|n" + IntToStr(Id) + "|" + IntToStr(Id));
  }
  EXPECT_EQ(FileRows(), Expected);
  ExpectShownAsStored();
  ExpectAnotherProgramCanWrite();
}

// Text from another program pasted from record 3's name on: the sixth line's
// amount breaks the constraint when its record is posted.
TEST_F(DBGridKvWriteGroupTest, APasteStopsAtTheRefusedRecordKeepingThoseBefore) {
  DataSet->SetRecNo(3);
  Grid->SetSelectedIndex(1);
  String Text;
  for (Integer Line = 1; Line <= 9; ++Line)
    Text += "p" + IntToStr(Line) + "\t" + (Line == 6 ? String("5000") : IntToStr(Line * 100)) + "\r\n";
  Clipboard()->SetAsText(Text);
  const unsigned Changes = FileChanges();
  Input.KeyPress('V', {ssCtrl});
  EXPECT_EQ(FileChanges(), Changes + 1) << "the records written are one change of the file";
  EXPECT_NE(ShownError().find("CHECK constraint failed"), String::npos);
  std::vector<String> Expected;
  for (Integer Id = 1; Id <= 30; ++Id) {
    const Integer Line = Id - 2;
    Expected.push_back(IntToStr(Id) + "|" +
                       (Line >= 1 && Line <= 5 ? "p" + IntToStr(Line) + "|" + IntToStr(Line * 100)
                                               : "n" + IntToStr(Id) + "|" + IntToStr(Id)));
  }
  EXPECT_EQ(FileRows(), Expected);
  ExpectShownAsStored();
  std::vector<String> Order;
  for (Integer Id = 3; Id <= 7; ++Id)
    for (const char* Event : {"BeforePost ", "AfterPost "}) Order.push_back(Event + IntToStr(Id));
  Order.push_back("BeforePost 8");
  EXPECT_EQ(Events, Order);
  ExpectAnotherProgramCanWrite();
}

// A file imported from the last record on: it is overwritten and the rest
// appended. A name the field refuses brings the question, asked with what
// was imported before it stored and the file free; the fifth new record's
// amount breaks the constraint.
TEST_F(DBGridKvWriteGroupTest, AnImportAsksWithTheFileFreeAndStopsAtTheRefusedRecord) {
  DataSet->Last();
  Grid->SetSelectedIndex(1);
  Grid->SetAllowedOperations(Grid->GetAllowedOperations() + alopAppendKv);
  DataSet->FieldByName("name")->OnValidate = [](TField* Field) {
    if (Field->GetAsString() == "bad") throw EDatabaseError("no bad names");
  };
  std::vector<String> SeenAtTheQuestion;
  bool FileFree = false;
  DataSet->FieldByName("amount")->OnChange = [&](TField*) {
    if (GetMessageDlgLog().empty() || !SeenAtTheQuestion.empty()) return;
    SeenAtTheQuestion = FileRows();
    sqlite3* Other = nullptr;
    sqlite3_open(Db.File.c_str(), &Other);
    FileFree = sqlite3_exec(Other, "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(Other);
  };
  const String Path = Db.File + ".txt";
  {
    std::ofstream File(Path, std::ios::binary);
    File << "last\t1\r\nnew1\t2\r\nbad\t3\r\nnew3\t4\r\nnew4\t5000\r\nnew5\t6\r\n";
  }
  QueueMessageDlgAnswer(mrYes);
  TObjectPtr<TDBGridKvImportAsText> Importer(TDBGridKvImportAsText::Create());
  Importer->SetDBGrid(Grid);
  try {
    Importer->ImportFromFile(Path, false);
    ADD_FAILURE() << "the refused amount stops the import";
  } catch (const EDatabaseError& E) {
    EXPECT_NE(E.GetMessage().find("CHECK constraint failed"), String::npos) << E.GetMessage();
  }
  std::remove(Path.c_str());
  ASSERT_EQ(GetMessageDlgLog().size(), 1u);
  EXPECT_EQ(GetMessageDlgLog()[0].Msg,
            "Error during insert value:\nno bad names\n\nIgnore error?");
  // At the question: the last record and the first new one stored, the file free.
  ASSERT_EQ(SeenAtTheQuestion.size(), 31u);
  EXPECT_EQ(SeenAtTheQuestion[29], "30|last|1");
  EXPECT_EQ(SeenAtTheQuestion[30], "31|new1|2");
  EXPECT_TRUE(FileFree);
  // After: the record with the refused name (kept empty) and the next stored,
  // the refused amount's record and the one after it not.
  std::vector<String> Rows = FileRows();
  ASSERT_EQ(Rows.size(), 33u);
  EXPECT_EQ(Rows[31], "32|<null>|3");
  EXPECT_EQ(Rows[32], "33|new3|4");
  ExpectShownAsStored();
  EXPECT_EQ(Events.back(), "BeforePost ");
  ExpectAnotherProgramCanWrite();
}

}  // namespace
}  // namespace korvel
