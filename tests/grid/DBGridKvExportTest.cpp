// The grid's writers as a user meets their output: tab-separated text and
// separated values of each kind of selection (read back by SQLite's shell,
// field by field), the rich-text table (its structure walked like a reader
// would, its bytes where they are fixed), the footers of the exported
// records, and the position and controls the grid keeps.
//
// Ideas for tests: right-to-left columns in rich text; a file that cannot be
// created.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tests/grid/TestImpExp.h"

namespace korvel {
namespace {

using namespace kvp;
using namespace impexptest;

// The five orders (ID, Name, Amount, Paid) in a grid with its titles.
class DBGridKvExportTest : public DBGridWithDataTest {
 protected:
  void SetUp() override {
    DBGridWithDataTest::SetUp();
    Grid->SetDataSource(Source);
    Grid->SetOptions(Grid->GetOptions() + dgMultiSelectKv);
    CsvSeparatorChar = U';';
  }
  void TearDown() override {
    CsvSeparatorChar = U';';
    EXPECT_FALSE(DataSet->ControlsDisabled()) << "an export leaves the controls enabled";
    DBGridWithDataTest::TearDown();
  }
  String Text(bool All = false) {
    return ExportText(TDBGridKvExportAsText::StaticClass(), Grid, All);
  }
  String Csv(bool All = false) { return ExportText(TDBGridKvExportAsCSV::StaticClass(), Grid, All); }
  String Rtf(bool All = false) { return ExportText(TDBGridKvExportAsRTF::StaticClass(), Grid, All); }
};

// [SECTION] Text

TEST_F(DBGridKvExportTest, TextOfEachKindOfSelectionHasItsTitleLineTabsAndNoLineBreakAtTheEnd) {
  // Records, in the dataset's order whatever the order of selecting.
  SelectRecords(Grid, {4, 2});
  EXPECT_EQ(Text(), "ID\tName\tAmount\tPaid\r\n2\tBob\t20.25\tFalse\r\n4\tDee\t7.75\tFalse");
  // A rectangle: its columns and its records only.
  SelectRectangle(Grid, 2, 3, 1, 4);
  EXPECT_EQ(Text(), "Name\tAmount\r\nCid\t5\r\nDee\t7.75");
  // Columns: every record of the selected columns, in the grid's order.
  Grid->GetSelection()->Clear();
  Grid->GetSelection()->GetColumns()->Add(Grid->Column(3));
  Grid->GetSelection()->GetColumns()->Add(Grid->Column(0));
  EXPECT_EQ(Text(), "ID\tPaid\r\n1\tTrue\r\n2\tFalse\r\n3\tTrue\r\n4\tFalse\r\n5\tTrue");
  // Without titles there is no title line; everything is every record.
  Grid->SetOptions(Grid->GetOptions() - dgTitlesKv);
  EXPECT_EQ(Text(true), "1\tAnn\t10.5\tTrue\r\n2\tBob\t20.25\tFalse\r\n3\tCid\t5\tTrue\r\n"
                        "4\tDee\t7.75\tFalse\r\n5\tEve\t100\tTrue");
  // Nothing selected, nothing written.
  Grid->GetSelection()->Clear();
  EXPECT_EQ(Text(), "");
}

TEST_F(DBGridKvExportTest, ACellShowsWhatTheGridAndColumnEventsMakeOfIt) {
  Grid->Column(1)->SetOnGetCellParams(
      TGetColCellParamsEventKv([](TObject*, bool EditMode, TColCellParamsKv* Params) {
        EXPECT_FALSE(EditMode);
        Params->SetText("<" + Params->GetText() + ">");
      }));
  SelectRecords(Grid, {1});
  EXPECT_EQ(Text(), "ID\tName\tAmount\tPaid\r\n1\t<Ann>\t10.5\tTrue");
}

TEST_F(DBGridKvExportTest, TheGridKeepsItsRecordItsTopRowAndItsControlsAcrossAnExport) {
  Grid->GetColumns()->Add()->SetFieldName("ID");  // user columns: one per line
  for (Integer I = 0; I < 20; ++I) DataSet->AppendRecord({100 + I, "More", 1.0, true});
  Grid->SetBounds(0, 0, 400, 120);
  DataSet->SetRecNo(12);
  const Integer TopRow = Grid->GetTopRow(), Row = Grid->GetRow();
  const TBookmark Mark = DataSet->GetBookmark();
  Integer Changes = 0;
  Source->OnDataChange = TDataChangeEvent([&](TObject*, TField*) { ++Changes; });
  SelectRecords(Grid, {2, 20});
  Changes = 0;
  EXPECT_EQ(Text(), "ID\r\n2\r\n114");
  EXPECT_EQ(DataSet->GetBookmark(), Mark);
  EXPECT_EQ(Grid->GetTopRow(), TopRow);
  EXPECT_EQ(Grid->GetRow(), Row);
  EXPECT_EQ(Changes, 1) << "one change when the controls come back, none on the way";
}

TEST_F(DBGridKvExportTest, AnExportThatFailsLeavesThePositionAndTheControlsAsTheyWere) {
  DataSet->SetRecNo(3);
  Grid->OnGetCellParams = TGetCellKvParamsEvent(
      [&](TObject*, TColumnKv* Column, TFont*, TColor&, TGridDrawState) {
        if (Column->GetIndex() == 1 && DataSet->FieldByName("ID")->GetAsInteger() == 5)
          throw EInvalidOperation("no colour");
      });
  EXPECT_THROW(Text(true), EInvalidOperation);
  EXPECT_FALSE(DataSet->ControlsDisabled());
  EXPECT_EQ(DataSet->FieldByName("ID")->GetAsInteger(), 3);
}

TEST_F(DBGridKvExportTest, ExportToFileWritesTheSameBytes) {
  SelectRecords(Grid, {1, 5});
  const String Name = (std::filesystem::temp_directory_path() /
                       ("kv_export_" + std::to_string(::getpid()) + ".txt"))
                          .string();
  TObjectPtr<TDBGridKvExportAsText> Exporter(TDBGridKvExportAsText::Create());
  Exporter->SetDBGrid(Grid);
  Exporter->ExportToFile(Name, false);
  std::ifstream In(Name, std::ios::binary);
  const String Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  std::remove(Name.c_str());
  EXPECT_EQ(Bytes, Text());
}

// [SECTION] Footers

TEST_F(DBGridKvExportTest, SumsAndCountsCoverTheExportedRecordsAndAnAverageTheWholeDataset) {
  Grid->GetSumList()->SetActive(true);
  Grid->SetFooterRowCount(2);
  Grid->Column(0)->GetFooters()->Add()->SetValueType(fvtCount);
  Grid->Column(0)->GetFooters()->Add()->SetValueType(fvtSum);
  Grid->Column(2)->GetFooters()->Add()->SetValueType(fvtSum);
  Grid->Column(2)->GetFooters()->Add()->SetValueType(fvtAvg);
  TColumnFooterKv* Static = Grid->Column(1)->GetFooters()->Add();
  Static->SetValueType(fvtStaticText);
  Static->SetValue("Total");
  SelectRectangle(Grid, 0, 2, 2, 3);
  // A rectangle of records 2 and 3: 2 records, IDs 2 + 3, amounts 20.25 + 5;
  // the average is the grid's own over all five (143.5 / 5).
  EXPECT_EQ(Text(), "ID\tName\tAmount\r\n2\tBob\t20.25\r\n3\tCid\t5\r\n2\tTotal\t25.25\r\n"
                    "5\t\t28.7");
  // A footer's own format is the grid's; the field's format formats the sum.
  Grid->Column(2)->GetFooters()->GetItem(0)->SetDisplayFormat("0.000");
  static_cast<TFloatField*>(DataSet->FieldByName("Amount"))->SetDisplayFormat("#,##0.0");
  EXPECT_EQ(Text(true).substr(Text(true).rfind("\r\n", Text(true).rfind("\r\n") - 1)),
            "\r\n5\tTotal\t143.5\t\r\n15\t\t28.7\t");
}

TEST_F(DBGridKvExportTest, ASumOfLargeIntegersIsWrittenLikeOtherWholeNumbers) {
  TObjectPtr<TMemoryDataSet> Big(TMemoryDataSet::Create(nullptr));
  Big->GetFieldDefs()->Add("N", ftLargeint);
  Big->Open();
  Big->AppendRecord({Int64(3000000000)});
  Big->AppendRecord({Int64(4000000000)});
  Source->SetDataSet(Big.get());
  Grid->SetFooterRowCount(1);
  Grid->Column(0)->GetFooters()->Add()->SetValueType(fvtSum);
  EXPECT_EQ(Text(true), "N\r\n3000000000\r\n4000000000\r\n7000000000");
  Source->SetDataSet(DataSet);
}

// [SECTION] Separated values

TEST_F(DBGridKvExportTest, SeparatedValuesQuoteEveryCellAndDoubleTheQuotesInside) {
  DataSet->SetRecNo(2);
  DataSet->Edit();
  DataSet->FieldByName("Name")->SetAsString("Bo \"B\"; x");
  DataSet->Post();
  SelectRecords(Grid, {1, 2});
  EXPECT_EQ(Csv(), "\"ID\";\"Name\";\"Amount\";\"Paid\"\r\n\"1\";\"Ann\";\"10.5\";\"True\"\r\n"
                   "\"2\";\"Bo \"\"B\"\"; x\";\"20.25\";\"False\"");
  // The separator is the one set when the exporter is made.
  CsvSeparatorChar = U',';
  TObjectPtr<TDBGridKvExportAsCSV> Made(TDBGridKvExportAsCSV::Create());
  CsvSeparatorChar = U'\t';
  EXPECT_EQ(Made->GetSeparator(), U',');
  EXPECT_EQ(Csv().substr(0, 20), "\"ID\"\t\"Name\"\t\"Amount\"");
}

// SQLite's shell reads the separated values into a table; every field comes
// back as the grid showed it: separators, quotes, line breaks and UTF-8 text
// inside cells included.
TEST_F(DBGridKvExportTest, SeparatedValuesReadBackBySqliteFieldByField) {
  const char* Names[] = {"semi;colon", "quote \"q\" end", "two\r\nlines", "Grüße, 東京 ✓",
                         "comma, and \"both\";"};
  for (Integer I = 0; I < 5; ++I) {
    DataSet->SetRecNo(I + 1);
    DataSet->Edit();
    DataSet->FieldByName("Name")->SetAsString(Names[I]);
    DataSet->Post();
  }
  const String Dir = std::filesystem::temp_directory_path().string() + "/kv_csv_" +
                     std::to_string(::getpid());
  std::filesystem::create_directories(Dir);
  for (Char Separator : {U';', U','}) {
    SCOPED_TRACE(Separator == U';' ? "semicolon" : "comma");
    CsvSeparatorChar = Separator;
    const String Bytes = Csv(true);
    const String CsvFile = Dir + "/out.csv", DbFile = Dir + "/out.db";
    std::remove(DbFile.c_str());
    std::ofstream(CsvFile, std::ios::binary) << Bytes << "\r\n";
    const String Command = "sqlite3 '" + DbFile +
                           "' 'CREATE TABLE t(a, b, c, d)' '.mode csv' '.separator \"" +
                           Utf8Encode(Separator) + "\"' '.import " + CsvFile + " t'";
    ASSERT_EQ(std::system(Command.c_str()), 0) << Command;
    sqlite3* Db = nullptr;
    ASSERT_EQ(sqlite3_open(DbFile.c_str(), &Db), SQLITE_OK);
    sqlite3_stmt* Stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(Db, "SELECT a, b, c, d FROM t ORDER BY rowid", -1, &Stmt, nullptr),
              SQLITE_OK);
    std::vector<std::vector<String>> Rows;
    while (sqlite3_step(Stmt) == SQLITE_ROW) {
      Rows.emplace_back();
      for (int C = 0; C < 4; ++C)
        Rows.back().push_back(reinterpret_cast<const char*>(sqlite3_column_text(Stmt, C)));
    }
    sqlite3_finalize(Stmt);
    sqlite3_close(Db);
    ASSERT_EQ(Rows.size(), 6u);
    EXPECT_EQ(Rows[0], (std::vector<String>{"ID", "Name", "Amount", "Paid"}));
    const char* Amounts[] = {"10.5", "20.25", "5", "7.75", "100"};
    for (Integer I = 0; I < 5; ++I)
      EXPECT_EQ(Rows[std::size_t(I + 1)],
                (std::vector<String>{std::to_string(I + 1), Names[I], Amounts[I],
                                     I % 2 == 0 ? "True" : "False"}));
  }
  std::filesystem::remove_all(Dir);
}

// [SECTION] Rich text

// A reader's view of rich text: the groups balance, and the table has rows
// of cells whose texts are the unescaped cell texts.
struct TRtfTable {
  bool Balanced = false;
  std::vector<std::vector<String>> Rows;  // cell texts, escapes undone
  std::vector<Integer> CellDefs;          // \cellx entries per row
};

TRtfTable ReadRtf(const String& Rtf) {
  TRtfTable Table;
  Integer Depth = 0;
  bool NeverNegative = true;
  std::vector<String> Row;
  String Cell;
  Integer CellDefs = 0;
  for (std::size_t I = 0; I < Rtf.size();) {
    const char C = Rtf[I];
    if (C == '{') {
      ++Depth;
      ++I;
    } else if (C == '}') {
      if (--Depth < 0) NeverNegative = false;
      ++I;
    } else if (C == '\\') {
      const char N = I + 1 < Rtf.size() ? Rtf[I + 1] : 0;
      if (N == '\\' || N == '{' || N == '}') {
        Cell += N;
        I += 2;
        continue;
      }
      if (N == '\'') {
        Cell += char(std::stoi(Rtf.substr(I + 2, 2), nullptr, 16));
        I += 4;
        continue;
      }
      std::size_t J = I + 1;
      while (J < Rtf.size() && std::isalpha(static_cast<unsigned char>(Rtf[J]))) ++J;
      const String Word = Rtf.substr(I + 1, J - I - 1);
      std::size_t K = J;
      if (K < Rtf.size() && (Rtf[K] == '-' || std::isdigit(static_cast<unsigned char>(Rtf[K])))) {
        ++K;
        while (K < Rtf.size() && std::isdigit(static_cast<unsigned char>(Rtf[K]))) ++K;
      }
      const String Arg = Rtf.substr(J, K - J);
      if (K < Rtf.size() && Rtf[K] == ' ') ++K;
      I = K;
      if (Word == "cell") {
        Row.push_back(Cell);
        Cell.clear();
      } else if (Word == "row") {
        Table.Rows.push_back(Row);
        Table.CellDefs.push_back(CellDefs);
        Row.clear();
        CellDefs = 0;
      } else if (Word == "cellx") {
        ++CellDefs;
      } else if (Word == "line") {
        Cell += "\n";
      } else if (Word == "u") {
        // One UTF-16 unit; the "?" after it is for readers without Unicode.
        const char16_t Unit = char16_t(std::stoi(Arg));
        static WideString Pending;
        Pending += Unit;
        if (Unit < 0xD800 || Unit > 0xDBFF) {
          Cell += Utf16ToUtf8(Pending);
          Pending.clear();
        }
        if (I < Rtf.size() && Rtf[I] == '?') ++I;
      } else if (Word == "pard" || Word == "trowd") {
        Cell.clear();
      }
    } else if (C == '\r' || C == '\n') {
      ++I;
    } else {
      if (Depth >= 2) Cell += C;
      ++I;
    }
  }
  Table.Balanced = NeverNegative && Depth == 0;
  return Table;
}

TEST_F(DBGridKvExportTest, RichTextOpensWithItsTablesAndWritesEachCellExactly) {
  Grid->GetTitleFont()->SetName("Arial");
  Grid->Column(0)->GetTitle()->GetFont()->SetName("Arial");
  Grid->Column(1)->GetFont()->SetName("Tahoma");
  Grid->Column(1)->GetFont()->SetSize(10);
  Grid->Column(1)->GetFont()->SetStyle({fsBold, fsUnderline});
  Grid->Column(1)->GetFont()->SetColor(TColor(0x0000FF));
  Grid->Column(1)->SetColor(TColor(0x00FFFF));
  Grid->Column(2)->SetAlignment(taRightJustify);
  for (Integer I = 0; I < 4; ++I) Grid->Column(I)->SetWidth(64);
  SelectRectangle(Grid, 1, 2, 2, 2);
  const String Rtf = ExportText(TDBGridKvExportAsRTF::StaticClass(), Grid);
  const COLORREF Face = ColorToRGB(clBtnFace);
  const String FaceEntry = "\\red" + std::to_string(GetRValue(Face)) + "\\green" +
                           std::to_string(GetGValue(Face)) + "\\blue" +
                           std::to_string(GetBValue(Face)) + ";";
  const String Head = "{\\rtf0\\ansi\r\n{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;" +
                      FaceEntry;
  ASSERT_EQ(Rtf.substr(0, Head.size()), Head);
  // Fonts in first-use order: the titles' Arial first, then Tahoma.
  EXPECT_NE(Rtf.find("}\r\n{\\fonttbl\\f0\\fnil Arial;\\f1\\fnil Tahoma;"), String::npos) << Rtf;
  // The Name cell of the record: Tahoma 10 bold underlined, red on yellow;
  // spacing 24 for a grid that is not flat.
  const String Red = "\\red255\\green0\\blue0;", Yellow = "\\red255\\green255\\blue0;";
  const std::size_t Tables = Rtf.find("}\r\n");
  const String ColorTable = Rtf.substr(0, Tables);
  auto Index = [&](const String& Entry) {
    const std::size_t At = ColorTable.find(Entry);
    Integer N = 0;
    for (std::size_t P = ColorTable.find("\\red"); P < At; P = ColorTable.find("\\red", P + 1)) ++N;
    return std::to_string(N);
  };
  ASSERT_NE(ColorTable.find(Red), String::npos);
  ASSERT_NE(ColorTable.find(Yellow), String::npos);
  EXPECT_NE(Rtf.find("\\pard\\intbl{\\ql\\sb24\\sa24\\fs20\\b\\ul\\f1\\cf" + Index(Red) + "\\cb" +
                     Index(Yellow) + " Bob\\cell}\r\n"),
            String::npos)
      << Rtf;
  // The row frame: four borders a cell, the shading and the right edge in
  // twips (64 pixels at 96 per inch are 960).
  EXPECT_NE(Rtf.find("\\trowd\\trgaph40\r\n\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n"
                     "\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n\\clshdng10000\\clcfpat" +
                     Index(Yellow) + "\\cellx960\r\n"),
            String::npos)
      << Rtf;
  EXPECT_NE(Rtf.find("\\cellx1920\r\n{\\trrh0\r\n"), String::npos);
  EXPECT_NE(Rtf.find("{\\qr\\sb24\\sa24"), String::npos) << "the amount is right-aligned";
  EXPECT_EQ(Rtf.substr(Rtf.size() - 19), "\\pard\\intbl\\row}\r\n}");
  const TRtfTable Table = ReadRtf(Rtf);
  EXPECT_TRUE(Table.Balanced);
  EXPECT_EQ(Table.Rows, (std::vector<std::vector<String>>{{"Name", "Amount"}, {"Bob", "20.25"}}));
  // A flat grid spaces its paragraphs by 12.
  Grid->SetFlat(true);
  EXPECT_NE(this->Rtf().find("{\\ql\\sb12\\sa12"), String::npos);
}

TEST_F(DBGridKvExportTest, RichTextKeepsEveryCharacterOfACellWhole) {
  const String Name = "{a}\\ Grüße 東京 𝄞\r\nx";
  DataSet->Edit();
  DataSet->FieldByName("Name")->SetAsString(Name);
  DataSet->Post();
  SelectRecords(Grid, {1});
  const String Rtf = this->Rtf();
  for (unsigned char C : Rtf) EXPECT_LT(C, 0x80) << "rich text is ASCII with escapes";
  EXPECT_NE(Rtf.find(" \\{a\\}\\\\ Gr\\u252?\\u223?e \\u26481?\\u20140? "
                     "\\u-10188?\\u-8930?\\line x\\cell}"),
            String::npos)
      << Rtf;
  const TRtfTable Table = ReadRtf(Rtf);
  ASSERT_EQ(Table.Rows.size(), 2u);
  EXPECT_EQ(Table.Rows[1][1], "{a}\\ Grüße 東京 𝄞\nx");
}

TEST_F(DBGridKvExportTest, RichTextFootersAndTheEventsThatColourCells) {
  Grid->SetFooterRowCount(1);
  Grid->Column(2)->GetFooters()->Add()->SetValueType(fvtSum);
  Grid->OnGetCellParams = TGetCellKvParamsEvent(
      [](TObject*, TColumnKv* Column, TFont*, TColor& Background, TGridDrawState) {
        if (Column->GetIndex() == 0) Background = TColor(0x00FF00);
      });
  Grid->OnGetFooterParams = TGetFooterParamsKvEvent(
      [](TObject*, Integer DataCol, Integer, TColumnKv*, TFont*, TColor& Background,
         TAlignment&, TGridDrawState, String& Text) {
        if (DataCol == 2) {
          Text = "Sum " + Text;
          Background = TColor(0xFF0000);
        }
      });
  for (Integer I = 0; I < 4; ++I) Grid->Column(I)->SetWidth(64);
  SelectRecords(Grid, {1, 3});
  const String Rtf = this->Rtf();
  // Green (index 3) shades the ID cells and is their background; blue (4)
  // the footer's sum.
  EXPECT_NE(Rtf.find("\\red0\\green255\\blue0;\\red0\\green0\\blue255;"), String::npos) << Rtf;
  EXPECT_NE(Rtf.find("\\clcfpat3\\cellx960"), String::npos);
  EXPECT_NE(Rtf.find("\\cb3 1\\cell}"), String::npos);
  EXPECT_NE(Rtf.find("\\clcfpat4\\cellx2880"), String::npos);
  const TRtfTable Table = ReadRtf(Rtf);
  ASSERT_EQ(Table.Rows.size(), 4u);
  EXPECT_EQ(Table.Rows[3][2], "Sum 15.5");
}

TEST_F(DBGridKvExportTest, HandlersChangeTheCellTheyAreAskedForAndNoOther) {
  // The grid's handler reddens Bob's name and makes it bold; the column's
  // handler marks it. Every writer shows the handlers' text.
  Grid->Column(1)->GetFont()->SetName("Tahoma");
  Integer GridCalls = 0, ColumnCalls = 0;
  Grid->OnGetCellParams = TGetCellKvParamsEvent(
      [&](TObject*, TColumnKv* Column, TFont* AFont, TColor& Background, TGridDrawState) {
        ++GridCalls;
        if (Column->GetIndex() == 1 && Field("ID")->GetAsInteger() == 2) {
          AFont->SetStyle({fsBold});
          Background = TColor(0x0000FF);
        }
      });
  Grid->Column(1)->SetOnGetCellParams(
      TGetColCellParamsEventKv([&](TObject*, bool, TColCellParamsKv* Params) {
        ++ColumnCalls;
        if (Field("ID")->GetAsInteger() == 2) Params->SetText("<" + Params->GetText() + ">");
      }));
  SelectRecords(Grid, {1, 2, 3});
  EXPECT_EQ(Text(), "ID\tName\tAmount\tPaid\r\n1\tAnn\t10.5\tTrue\r\n2\t<Bob>\t20.25\tFalse\r\n"
                    "3\tCid\t5\tTrue");
  EXPECT_EQ(GridCalls, 12);
  EXPECT_EQ(ColumnCalls, 3);
  EXPECT_EQ(Csv(), "\"ID\";\"Name\";\"Amount\";\"Paid\"\r\n\"1\";\"Ann\";\"10.5\";\"True\"\r\n"
                   "\"2\";\"<Bob>\";\"20.25\";\"False\"\r\n\"3\";\"Cid\";\"5\";\"True\"");
  // In rich text only Bob's name is bold and red; the names after it are in
  // the column's own font again.
  const String Rtf = this->Rtf();
  const TRtfTable Table = ReadRtf(Rtf);
  ASSERT_EQ(Table.Rows.size(), 4u);
  EXPECT_EQ(Table.Rows[2][1], "<Bob>");
  EXPECT_EQ(std::count(Rtf.begin(), Rtf.end(), '<'), 1);
  const std::size_t Bob = Rtf.find(" <Bob>\\cell}");
  const std::size_t Cid = Rtf.find(" Cid\\cell}");
  ASSERT_NE(Bob, String::npos);
  ASSERT_NE(Cid, String::npos);
  const std::size_t BobGroup = Rtf.rfind("{\\ql", Bob), CidGroup = Rtf.rfind("{\\ql", Cid);
  EXPECT_NE(Rtf.substr(BobGroup, Bob - BobGroup).find("\\b\\f1"), String::npos) << Rtf;
  EXPECT_EQ(Rtf.substr(CidGroup, Cid - CidGroup).find("\\b"), String::npos) << Rtf;
  EXPECT_NE(Rtf.substr(CidGroup, Cid - CidGroup).find("\\f1\\cf0\\cb1"), String::npos) << Rtf;
}

// A grid whose own code (no handler) reddens the font of one record's cells.
class TReddeningGrid : public TTestDBGrid {
  KV_CLASS(TReddeningGrid, TTestDBGrid)
 public:
  explicit TReddeningGrid(TComponent* AOwner) : TTestDBGrid(AOwner) {}
  Integer RedID = 0;

 protected:
  void GetCellParams(TColumnKv* Column, TFont* AFont, TColor& Background,
                     TGridDrawState State) override {
    if (GetDataSet()->FieldByName("ID")->GetAsInteger() == RedID) AFont->SetColor(TColor(0x0000FF));
    TTestDBGrid::GetCellParams(Column, AFont, Background, State);
  }
};

TEST_F(DBGridKvExportTest, AFontChangedForOneRecordIsTheColumnsOwnAgainInTheNext) {
  auto* Red = TReddeningGrid::Create(Form);
  Red->SetParent(Form);
  Red->SetDataSource(Source);
  Red->RedID = 2;
  const String Rtf = ExportText(TDBGridKvExportAsRTF::StaticClass(), Red, true);
  // Red is the fourth colour of the table; only the four cells of record 2
  // are written in it.
  ASSERT_NE(Rtf.find("\\red255\\green0\\blue0;}"), String::npos) << Rtf;
  Integer RedCells = 0;
  for (std::size_t At = Rtf.find("\\cf3"); At != String::npos; At = Rtf.find("\\cf3", At + 1))
    ++RedCells;
  EXPECT_EQ(RedCells, 4);
  const TRtfTable Table = ReadRtf(Rtf);
  ASSERT_EQ(Table.Rows.size(), 6u);
  EXPECT_EQ(Table.Rows[2][1], "Bob");
}

TEST_F(DBGridKvExportTest, AHandlerThatChangesAColumnsFontChangesTheCellsAfterIt) {
  // At record 3 the handler of the grid, or of the last column, reddens the
  // names' column.
  auto Redden = [&](TColumnKv* Column) {
    if (Column->GetIndex() == 3 && Field("ID")->GetAsInteger() == 3)
      Grid->Column(1)->GetFont()->SetColor(TColor(0x0000FF));
  };
  for (const bool OnGrid : {true, false}) {
    SCOPED_TRACE(OnGrid ? "the grid's handler" : "the column's handler");
    Grid->Column(1)->GetFont()->SetColor(clWindowText);
    Grid->OnGetCellParams = {};
    Grid->Column(3)->SetOnGetCellParams({});
    if (OnGrid)
      Grid->OnGetCellParams = TGetCellKvParamsEvent(
          [&](TObject*, TColumnKv* Column, TFont*, TColor&, TGridDrawState) { Redden(Column); });
    else
      Grid->Column(3)->SetOnGetCellParams(TGetColCellParamsEventKv(
          [&](TObject*, bool, TColCellParamsKv*) { Redden(Grid->Column(3)); }));
    const String Rtf = ExportText(TDBGridKvExportAsRTF::StaticClass(), Grid, true);
    // Red (the fourth colour) writes the names of records 4 and 5.
    ASSERT_NE(Rtf.find("\\red255\\green0\\blue0;}"), String::npos) << Rtf;
    EXPECT_EQ(Rtf.find("\\cf3\\cb1 Cid\\cell}"), String::npos) << Rtf;
    EXPECT_NE(Rtf.find("\\cf3\\cb1 Dee\\cell}"), String::npos) << Rtf;
    EXPECT_NE(Rtf.find("\\cf3\\cb1 Eve\\cell}"), String::npos) << Rtf;
  }
}

TEST_F(DBGridKvExportTest, RichTextOfNoSelectionIsNothingRatherThanAnOpenDocument) {
  EXPECT_EQ(Rtf(), "");
  SelectRecords(Grid, {2});
  EXPECT_TRUE(ReadRtf(Rtf()).Balanced);
}

TEST_F(DBGridKvExportTest, MultiLevelTitlesBecomeBandsWithSpanningCells) {
  Grid->GetColumns()->Add()->SetFieldName("ID");
  Grid->GetColumns()->Add()->SetFieldName("Name");
  Grid->GetColumns()->Add()->SetFieldName("Amount");
  Grid->Column(0)->GetTitle()->SetCaption("Key");
  Grid->Column(1)->GetTitle()->SetCaption("A|X");
  Grid->Column(2)->GetTitle()->SetCaption("A|Y");
  for (Integer I = 0; I < 3; ++I) Grid->Column(I)->SetWidth(64);
  Grid->SetMultiTitleMargin(10);
  Grid->SetUseMultiTitle(true);
  SelectRecords(Grid, {1});
  const String Rtf = this->Rtf();
  const TRtfTable Table = ReadRtf(Rtf);
  ASSERT_TRUE(Table.Balanced);
  ASSERT_EQ(Table.Rows.size(), 3u) << Rtf;
  // The upper band: Key over both bands, A over X and Y.
  EXPECT_EQ(Table.Rows[0], (std::vector<String>{"Key", "A", ""}));
  EXPECT_EQ(Table.Rows[1], (std::vector<String>{"", "X", "Y"}));
  EXPECT_EQ(Table.Rows[2], (std::vector<String>{"1", "Ann", "10.5"}));
  // Spacing of the bands: |round(10 / 2 / 96 x 1440 - 20)| = 55; a covered
  // cell has no spacing and no text.
  EXPECT_NE(Rtf.find("\\pard\\intbl{\\qc\\sb55\\sa55"), String::npos);
  // Borders: A's first position has no right border and its second no left
  // one; Key has no bottom border in the upper band and no top one below.
  const std::size_t Band1 = Rtf.find("\\trowd"), Band0 = Rtf.find("\\trowd", Band1 + 1);
  const String Upper = Rtf.substr(Band1, Band0 - Band1);
  const String Frame = Upper.substr(0, Upper.find("{\\trrh0"));
  EXPECT_EQ(Frame,
            "\\trowd\\trgaph40\r\n"
            "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n"
            "\\clshdng10000\\clcfpat2\\cellx960\r\n"
            "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n"
            "\\clshdng10000\\clcfpat2\\cellx1920\r\n"
            "\\clbrdrt\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n"
            "\\clshdng10000\\clcfpat2\\cellx2880\r\n");
  const String Lower = Rtf.substr(Band0, Rtf.find("\\trowd", Band0 + 1) - Band0);
  EXPECT_EQ(Lower.substr(0, Lower.find("\\clshdng")),
            "\\trowd\\trgaph40\r\n"
            "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n");
  EXPECT_NE(Upper.find("\\pard\\intbl{\\qc\\fs"), String::npos) << "the covered cell of A";
}

}  // namespace
}  // namespace korvel
