// Helpers of the db tests: a data link and a dataset hook that write every
// call they receive into one log, and a small numbered in-memory dataset.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/DB.h"
#include "platform/rtl/Strings.h"

namespace kvp::test {

using TLog = std::vector<String>;

// A link that logs every virtual call instead of running the default bodies.
class TRecordingLink : public TDataLink {
  KV_CLASS(TRecordingLink, TDataLink)
 public:
  explicit TRecordingLink(TLog* ALog, const String& APrefix = "") : Log(ALog), Prefix(APrefix) {}
  TLog* Log;
  String Prefix;
  std::vector<Integer> Distances;  // every DataSetScrolled argument

 protected:
  void Put(const String& S) { Log->push_back(Prefix + S); }
  void ActiveChanged() override { Put(GetActive() ? "ActiveChanged(on)" : "ActiveChanged(off)"); }
  void CheckBrowseMode() override { Put("CheckBrowseMode"); }
  void DataSetChanged() override { Put("DataSetChanged"); }
  void DataSetScrolled(Integer Distance) override {
    Distances.push_back(Distance);
    Put("DataSetScrolled(" + IntToStr(Distance) + ")");
  }
  void EditingChanged() override {
    Put(GetEditing() ? "EditingChanged(on)" : "EditingChanged(off)");
  }
  void FocusControl(TField** Field) override {
    Put("FocusControl(" + ((Field && *Field) ? (*Field)->GetFieldName() : String("nil")) + ")");
  }
  void LayoutChanged() override { Put("LayoutChanged"); }
  void RecordChanged(TField* Field) override {
    Put("RecordChanged(" + (Field ? Field->GetFieldName() : String("nil")) + ")");
  }
  void UpdateData() override { Put("UpdateData"); }
};

// Logs the dataset's Before/After events into Log.
inline void HookDataSetEvents(TDataSet* DS, TLog* Log) {
  auto Hook = [Log](const char* Name) { return [Log, Name](TDataSet*) { Log->push_back(Name); }; };
  DS->BeforeOpen = Hook("BeforeOpen");
  DS->AfterOpen = Hook("AfterOpen");
  DS->BeforeClose = Hook("BeforeClose");
  DS->AfterClose = Hook("AfterClose");
  DS->BeforeInsert = Hook("BeforeInsert");
  DS->AfterInsert = Hook("AfterInsert");
  DS->BeforeEdit = Hook("BeforeEdit");
  DS->AfterEdit = Hook("AfterEdit");
  DS->BeforePost = Hook("BeforePost");
  DS->AfterPost = Hook("AfterPost");
  DS->BeforeCancel = Hook("BeforeCancel");
  DS->AfterCancel = Hook("AfterCancel");
  DS->BeforeDelete = Hook("BeforeDelete");
  DS->AfterDelete = Hook("AfterDelete");
  DS->BeforeScroll = Hook("BeforeScroll");
  DS->AfterScroll = Hook("AfterScroll");
  DS->OnNewRecord = Hook("OnNewRecord");
}

// A dataset of Count records: ID 1..Count, Name "R1".."RCount".
inline TMemoryDataSet* MakeNumbers(Integer Count, TComponent* Owner = nullptr) {
  TMemoryDataSet* DS = TMemoryDataSet::Create(Owner);
  DS->SetName("Table1");
  DS->GetFieldDefs()->Add("ID", ftInteger);
  DS->GetFieldDefs()->Add("Name", ftString, 20);
  DS->Open();
  for (Integer I = 1; I <= Count; ++I) DS->AppendRecord({I, "R" + IntToStr(I)});
  DS->First();
  return DS;
}

// The IDs of the records in the dataset's buffers, e.g. "3 4 5 6 7".
inline String BufferIds(TDataSet* DS, TDataLink* Link) {
  String Result;
  const Integer Saved = Link->GetActiveRecord();
  for (Integer I = 0; I < Link->GetRecordCount(); ++I) {
    Link->SetActiveRecord(I);
    if (!Result.empty()) Result += ' ';
    TField* ID = DS->FieldByName("ID");
    Result += ID->IsNull() ? String("N") : IntToStr(ID->GetAsInteger());
  }
  Link->SetActiveRecord(Saved);
  return Result;
}

inline String Join(const TLog& Log) {
  String Result;
  for (const String& S : Log) Result += (Result.empty() ? "" : ", ") + S;
  return Result;
}

// Owns a dataset, a source and a recording link on it for one test.
struct TLinkedDataSet {
  TLog Log;
  TMemoryDataSet* DS = nullptr;
  TDataSource* Source = nullptr;
  TRecordingLink* Link = nullptr;

  explicit TLinkedDataSet(Integer Count, Integer BufferCount = 5) {
    DS = MakeNumbers(Count);
    Source = TDataSource::Create(nullptr);
    Source->SetDataSet(DS);
    Link = TRecordingLink::Create(&Log);
    Link->SetDataSource(Source);
    Link->SetBufferCount(BufferCount);
    Log.clear();
  }
  ~TLinkedDataSet() {
    Link->Free();
    Source->Free();
    DS->Free();
  }
  TLinkedDataSet(const TLinkedDataSet&) = delete;
  TLinkedDataSet& operator=(const TLinkedDataSet&) = delete;
  String Ids() { return BufferIds(DS, Link); }
  Integer RecNo() { return DS->GetRecNo(); }
};

}  // namespace kvp::test
