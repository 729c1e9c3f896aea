// Test helpers for the data-aware controls: a form fixture with an in-memory
// dataset of people (an integer, strings, a number, a date, a flag and a
// memo) behind a data source, and small recorders for events.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "controls/DBCtrlsKv.h"
#include "platform/db/DB.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "tests/controls/ControlsKvTestUtil.h"

namespace korvel::testkv {

using namespace kvp;

// Counts the calls of a notification and keeps their senders.
struct TNotifyLog {
  std::vector<TObject*> Senders;
  void Fire(TObject* Sender) { Senders.push_back(Sender); }
  TNotifyEvent Event() { return TNotifyEvent(this, &TNotifyLog::Fire); }
  std::size_t Count() const { return Senders.size(); }
};

// The form fixture with a dataset:
//   ID integer, Name string(20), Code string(30), Price float (display
//   format "#,##0.00", edit format "0.##"), Born date, Active boolean, Notes memo
// holding three people, browsing the first, behind Source.
class TDBFormFixture : public TFormFixture {
 protected:
  void SetUp() override {
    TFormFixture::SetUp();
    ResetMessageBeepCount();
    People = TMemoryDataSet::Create(Form);
    People->SetName("People");
    TFieldDefs* Defs = People->GetFieldDefs();
    Defs->Add("ID", ftInteger);
    Defs->Add("Name", ftString, 20);
    Defs->Add("Code", ftString, 30);
    Defs->Add("Price", ftFloat);
    Defs->Add("Born", ftDate);
    Defs->Add("Active", ftBoolean);
    Defs->Add("Notes", ftMemo);
    People->Open();
    Price()->SetDisplayFormat("#,##0.00");
    Price()->SetEditFormat("0.##");
    People->AppendRecord({1, "Ann", "A-1", 1234.5, VarFromDateTime(EncodeDate(1990, 5, 17)), true,
                          "first\r\nline"});
    People->AppendRecord({2, "Bob", "yes", 7.25, Null(), false, Null()});
    People->AppendRecord({3, "Cid", Null(), Null(), Null(), Null(), Null()});
    People->First();
    Source = TDataSource::Create(Form);
    Source->SetName("Source");
    Source->SetDataSet(People);
  }

  TField* Field(const char* Name) { return People->FieldByName(Name); }
  TFloatField* Price() { return static_cast<TFloatField*>(People->FieldByName("Price")); }

  // Shows the form and makes it the active window.
  void ShowForm() {
    Form->Show();
    SetActiveWindow(Form->GetHandle());
  }

  TMemoryDataSet* People = nullptr;
  TDataSource* Source = nullptr;
};

}  // namespace korvel::testkv
