// Helpers of the exchange-format and clipboard tests: running an exporter or
// importer over a grid with a stream, the bytes of the clipboard, a record
// of the dataset as texts, and the selections a user makes.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "grid/DBGridKvImpExp.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/GlobalMemory.h"
#include "platform/win/Clipboard.h"
#include "tests/grid/TestDBGrid.h"

namespace korvel::impexptest {

// What an exporter of class Cls writes for the grid.
inline kvp::String ExportText(kvp::TClass Cls, TCustomDBGridKv* Grid, bool All = false) {
  kvp::TObjectPtr<kvp::TMemoryStream> Stream(kvp::TMemoryStream::Create());
  ExportGridToStream(Cls, Grid, Stream.get(), All);
  return kvp::String(static_cast<const char*>(Stream->GetMemory()),
                     std::size_t(Stream->GetSize()));
}

// Runs an importer of class Cls over Bytes.
inline void ImportText(kvp::TClass Cls, TCustomDBGridKv* Grid, const kvp::String& Bytes,
                       bool All = false) {
  kvp::TObjectPtr<kvp::TMemoryStream> Stream(kvp::TMemoryStream::Create());
  if (!Bytes.empty()) Stream->WriteBuffer(Bytes.data(), kvp::Integer(Bytes.size()));
  Stream->SetPosition(0);
  ImportGridFromStream(Cls, Grid, Stream.get(), All);
}

// The whole block the clipboard holds under Format; "<none>" when absent.
inline kvp::String ClipboardBytes(kvp::UINT Format) {
  kvp::TClipboard* Board = kvp::Clipboard();
  Board->Open();
  kvp::HANDLE Data = Board->GetAsHandle(Format);
  kvp::String Result = "<none>";
  if (Data) {
    const kvp::SIZE_T Size = kvp::GlobalSize(Data);
    const void* P = kvp::GlobalLock(Data);
    Result.assign(P ? static_cast<const char*>(P) : "", P ? Size : 0);
    kvp::GlobalUnlock(Data);
  }
  Board->Close();
  return Result;
}

// Puts Bytes (as they are) on the clipboard under Format, emptying it first.
inline void PutClipboardBytes(kvp::UINT Format, const kvp::String& Bytes) {
  kvp::OpenClipboard(nullptr);
  kvp::EmptyClipboard();
  kvp::HGLOBAL Block = kvp::GlobalAlloc(kvp::GMEM_MOVEABLE, Bytes.size());
  if (!Bytes.empty()) {
    void* P = kvp::GlobalLock(Block);
    std::copy(Bytes.begin(), Bytes.end(), static_cast<char*>(P));
    kvp::GlobalUnlock(Block);
  }
  kvp::SetClipboardData(Format, Block);
  kvp::CloseClipboard();
}

// Each record of the dataset as its fields' texts joined by "|", in order,
// the dataset's position kept.
inline std::vector<kvp::String> Records(kvp::TDataSet* DataSet) {
  std::vector<kvp::String> Result;
  const kvp::TBookmark Mark = DataSet->GetBookmark();
  for (DataSet->First(); !DataSet->GetEof(); DataSet->Next()) {
    kvp::String Line;
    for (kvp::Integer I = 0; I < DataSet->GetFields()->GetCount(); ++I) {
      kvp::TField* F = DataSet->GetFields()->GetField(I);
      if (I) Line += "|";
      Line += F->IsNull() ? kvp::String("<null>") : F->GetAsString();
    }
    Result.push_back(Line);
  }
  if (!Mark.empty() && DataSet->BookmarkValid(Mark)) DataSet->GotoBookmark(Mark);
  return Result;
}

// The bookmark of record N (1-based), the dataset's position kept.
inline kvp::TBookmark RecordMark(kvp::TDataSet* DataSet, kvp::Integer N) {
  const kvp::TBookmark Mark = DataSet->GetBookmark();
  DataSet->SetRecNo(N);
  kvp::TBookmark Result = DataSet->GetBookmark();
  DataSet->GotoBookmark(Mark);
  return Result;
}

// Selects records by their numbers (1-based), as Ctrl+clicks would.
inline void SelectRecords(TCustomDBGridKv* Grid, std::initializer_list<kvp::Integer> Numbers) {
  kvp::TDataSet* DataSet = Grid->GetDataSet();
  const kvp::TBookmark Mark = DataSet->GetBookmark();
  for (kvp::Integer N : Numbers) {
    DataSet->SetRecNo(N);
    Grid->GetSelectedRows()->SetCurrentRowSelected(true);
  }
  DataSet->GotoBookmark(Mark);
}

// Selects the rectangle of data columns Left..Right and records Top..Bottom.
inline void SelectRectangle(TCustomDBGridKv* Grid, kvp::Integer Left, kvp::Integer Top,
                            kvp::Integer Right, kvp::Integer Bottom) {
  kvp::TDataSet* DataSet = Grid->GetDataSet();
  Grid->GetSelection()->GetRect()->Select(Left, RecordMark(DataSet, Top), false);
  Grid->GetSelection()->GetRect()->Select(Right, RecordMark(DataSet, Bottom), true);
}

}  // namespace korvel::impexptest
