// The example application: the customers of the sample database in a grid
// built on the library's base grid, on a form, moved about with the keyboard
// as a user would; it saves a picture of the form and prints the form back in
// the text form format.
//
// Usage: korvel_example [output folder]   (default: the current folder)
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <vector>

#include "base/GridsKv.h"
#include "platform/classes/Filer.h"
#include "platform/controls/Forms.h"
#include "platform/db/DB.h"
#include "platform/db/SampleDatabase.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/win/InputDriver.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Win.h"

using namespace kvp;

namespace {

// A read-only grid over a snapshot of a dataset's display texts: titles in the
// fixed row, a record number in the fixed column, the id frozen beside it
// and the credit pinned to the right edge as a contra column.
class TCustomersGrid : public korvel::TCustomGridKv {
  KV_CLASS(TCustomersGrid, korvel::TCustomGridKv)
 public:
  explicit TCustomersGrid(TComponent* AOwner) : TCustomGridKv(AOwner) {}

  void Load(TDataSet* DataSet, Integer ContraField) {
    FTitles.clear();
    FCells.clear();
    FAlign.clear();
    FContraField = ContraField;
    TFields* Fields = DataSet->GetFields();
    for (Integer I = 0; I < Fields->GetCount(); ++I) {
      FTitles.push_back(Fields->GetField(I)->GetDisplayLabel());
      FAlign.push_back(Fields->GetField(I)->GetAlignment());
    }
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next()) {
      std::vector<String> Row;
      for (Integer I = 0; I < Fields->GetCount(); ++I)
        Row.push_back(Fields->GetField(I)->GetDisplayText());
      FCells.push_back(std::move(Row));
    }
    // Column 0 is the record number; the contra field leaves the scrolling part.
    SetColCount(Integer(FTitles.size()));
    SetRowCount(Integer(FCells.size()) + 1);
    SetFixedCols(1);
    SetFixedRows(1);
    SetContraColCount(1);
    SetFrozenColCount(1);
    SetColWidths(0, 40);
    SetColWidths(1, 150);
    for (Integer C = 2; C < GetFullColCount(); ++C) SetColWidths(C, 90);
  }

 protected:
  // Grid column -> field index: 0 is the number column, the last is the
  // contra field, the rest are the other fields in order.
  Integer FieldOf(Integer ACol) const {
    if (ACol == 0) return -1;
    if (ACol >= GetColCount()) return FContraField;
    Integer F = ACol - 1;
    return F >= FContraField ? F + 1 : F;
  }

  void DrawCell(Integer ACol, Integer ARow, TRect ARect, korvel::TGridDrawState AState) override {
    TCanvas* C = GetCanvas();
    Integer Field = FieldOf(ACol);
    String Text;
    if (ARow == 0)
      Text = Field < 0 ? "#" : FTitles[Field];
    else if (Field < 0)
      Text = std::to_string(ARow);
    else
      Text = FCells[ARow - 1][Field];
    if (AState.Contains(korvel::gdFixed))
      C->GetBrush()->SetColor(clBtnFace);
    else if (AState.Contains(korvel::gdSelected))
      C->GetBrush()->SetColor(clHighlight);
    else
      C->GetBrush()->SetColor(clWindow);
    C->GetFont()->SetColor(AState.Contains(korvel::gdSelected) && !AState.Contains(korvel::gdFixed)
                               ? clHighlightText
                               : clWindowText);
    bool Right = Field >= 0 && ARow > 0 && FAlign[Field] == taRightJustify;
    Integer X = Right ? ARect.Right - 3 - C->TextWidth(Text) : ARect.Left + 3;
    C->TextRect(ARect, X, ARect.Top + 2, Text);
  }

 private:
  std::vector<String> FTitles;
  std::vector<TAlignment> FAlign;
  std::vector<std::vector<String>> FCells;
  Integer FContraField = 0;
};

}  // namespace

int main(int argc, char** argv) {
  try {
    std::filesystem::path Out = argc > 1 ? argv[1] : ".";
    std::filesystem::create_directories(Out);
    String DbFile = (Out / "korvel-example.db").string();
    String PngFile = (Out / "korvel-example.png").string();

    CreateSampleDatabase(DbFile);
    TObjectPtr<TForm> Form(TForm::Create(nullptr));
    Form->SetName("CustomersForm");
    Form->SetCaption("Customers");
    Form->SetBounds(40, 40, 760, 420);

    auto* Customers = TSQLiteDataSet::Create(Form.get());
    Customers->SetName("Customers");
    Customers->SetDatabaseName(DbFile);
    Customers->SetTableName("customers");
    Customers->Open();

    auto* Grid = TCustomersGrid::Create(Form.get());
    Grid->SetName("CustomersGrid");
    Grid->SetBounds(8, 8, 728, 364);
    Grid->SetParent(Form.get());
    Grid->Load(Customers, Customers->GetFields()->GetCount() - 1);

    Form->Show();
    Grid->SetFocus();
    // A user moving about: down a few rows, right a column, a page down, and
    // a range selected with Shift.
    for (int I = 0; I < 3; ++I) Input.KeyPress(VK_DOWN);
    Input.KeyPress(VK_RIGHT);
    Input.KeyPress(VK_NEXT);
    Input.KeyPress(VK_DOWN, {ssShift});
    Input.KeyPress(VK_RIGHT, {ssShift});
    ProcessMessages();
    UpdateWindow(Form->GetHandle());
    SaveWindowPng(Form->GetHandle(), PngFile);

    std::cout << "Korvel example: " << Customers->GetRecordCount() << " customers from "
              << DbFile << "\n"
              << "Current cell: column " << Grid->GetCol() << ", row " << Grid->GetRow()
              << "; top row " << Grid->GetTopRow() << "\n"
              << "Picture of the form: " << PngFile << "\n\n"
              << "The form as stored:\n"
              << ComponentToText(Form.get());
    return 0;
  } catch (const Exception& E) {
    std::cerr << "Korvel example failed: " << E.ClassName() << ": " << E.GetMessage() << "\n";
    return 1;
  }
}
