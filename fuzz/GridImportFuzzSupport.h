// Shared by the grid's import fuzz targets, not API: one form with a grid
// over a small in-memory dataset of the field kinds the readers write into
// (made once per run), the dataset refilled before each input, and the
// checks that hold whatever the input: the controls are enabled again, no
// record is left in edit or insert, and an input refused with a format error
// changed nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "grid/DBGridKvImpExp.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/Forms.h"
#include "platform/db/MemoryDataSet.h"
#include "platform/rtl/DateUtils.h"
#include "platform/win/Win.h"

namespace kvfuzz {

using namespace kvp;
using korvel::TCustomDBGridKv;

struct TGridFixture {
  TForm* Form = nullptr;
  TCustomDBGridKv* Grid = nullptr;
  TMemoryDataSet* DataSet = nullptr;
  TDataSource* Source = nullptr;

  TGridFixture() {
    Form = TForm::Create(nullptr);
    Form->SetBounds(0, 0, 500, 300);
    Grid = TCustomDBGridKv::Create(Form);
    Grid->SetBounds(0, 0, 400, 200);
    Grid->SetParent(Form);
    Source = TDataSource::Create(Form);
    Form->Show();
  }

  // The dataset back to its three records: ID, Name (10), Amount, Day, Paid,
  // Note. Made once; emptied and filled again before each input.
  void Refill() {
    if (!DataSet) {
      DataSet = TMemoryDataSet::Create(Form);
      TFieldDefs* Defs = DataSet->GetFieldDefs();
      Defs->Add("ID", ftInteger);
      Defs->Add("Name", ftString, 10);
      Defs->Add("Amount", ftFloat);
      Defs->Add("Day", ftDate);
      Defs->Add("Paid", ftBoolean);
      Defs->Add("Note", ftMemo);
      DataSet->Open();
      Source->SetDataSet(DataSet);
      Grid->SetDataSource(Source);
    }
    {
      TDisableControlsGuard Hold(DataSet);
      if (DataSet->GetState() != dsBrowse) DataSet->Cancel();
      DataSet->Last();
      while (!DataSet->IsEmpty()) DataSet->Delete();
      DataSet->AppendRecord({1, "Ann", 1.5, VarFromDateTime(EncodeDate(2024, 1, 5)), true, "a"});
      DataSet->AppendRecord({2, "Bob", Null(), Null(), false, Null()});
      DataSet->AppendRecord({3, "Cid", -2.25, VarFromDateTime(EncodeDate(1999, 12, 31)), Null(),
                             "c"});
      DataSet->First();
    }
    ResetMessageDlgScript();
    // Every value a field refuses is passed over without a question.
    QueueMessageDlgAnswer(mrAll);
  }

  // The records as texts, the position kept.
  std::vector<String> Records() {
    std::vector<String> R;
    const TBookmark Mark = DataSet->GetBookmark();
    for (DataSet->First(); !DataSet->GetEof(); DataSet->Next()) {
      String Line;
      for (Integer I = 0; I < DataSet->GetFields()->GetCount(); ++I) {
        TField* F = DataSet->GetFields()->GetField(I);
        Line += F->IsNull() ? String("<null>") : F->GetAsString();
        Line += '|';
      }
      R.push_back(Line);
    }
    if (!Mark.empty()) DataSet->GotoBookmark(Mark);
    return R;
  }

  // The state every import leaves, whatever it read.
  void CheckLeftClean() {
    FUZZ_CHECK(!DataSet->ControlsDisabled(), "the dataset's controls are enabled again");
    FUZZ_CHECK(DataSet->GetState() == dsBrowse, "no record is left in edit or insert");
  }
};

inline TGridFixture& Fixture() {
  static TGridFixture* F = new TGridFixture;  // lives as long as the run
  return *F;
}

}  // namespace kvfuzz
