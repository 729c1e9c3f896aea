// The import walk that writes values into the grid's dataset (over the
// selection or from the current cell, then appending), the guarded write of
// one cell with its error question, and the tab-separated text reader.
//
// Index
//   [SECTION] The walk            ImportFromStream, Walk, AppendRest, ImportFromFile
//   [SECTION] Writing a cell      AssignCell, AskAboutError
//   [SECTION] Text                TDBGridKvImportAsText
#include "base/KorvelConsts.h"
#include "grid/DBGridKvImpExpImpl.h"
#include "grid/DBGridKvImpl.h"
#include "platform/controls/Dialogs.h"

namespace korvel {

using namespace kvp;

// [SECTION] The walk

void TDBGridKvImport::ImportFromFile(const String& FileName, bool IsImportAll) {
  TObjectPtr<TFileStream> File(TFileStream::Create(FileName, fmOpenRead));
  ImportFromStream(File.get(), IsImportAll);
}

void TDBGridKvImport::ImportFromStream(TStream* Stream, bool IsImportAll) {
  TCustomDBGridKv* Grid = FDBGrid;
  TDataSet* DataSet = Grid ? Grid->GetDataSet() : nullptr;
  if (!DataSet || !Grid->GetDataLink()->GetActive()) return;
  // [Phase 1] The whole input, so that it can be checked before anything is
  // written.
  FStream = Stream;
  FData = ReadStreamToEnd(Stream);
  FPos = 0;
  FEndOfData = false;
  // [Phase 2] Everything: from the first cell of the first record.
  if (IsImportAll) {
    Grid->GetSelection()->Clear();
    DataSet->First();
    TDBGridColumnsKv* Columns = Grid->GetColumns();
    for (Integer I = 0; I < Columns->GetCount(); ++I)
      if (Columns->GetColumn(I)->GetVisible()) {
        Grid->SetSelectedIndex(I);
        break;
      }
  }
  const TDBGridKvSelectionKind Kind = Grid->GetSelection()->GetSelectionType();
  // [Phase 3] Where the dataset stands; the position and the controls come
  // back, and a record left half written goes, whatever happens.
  const bool WasEof = DataSet->GetEof();
  const bool WasInserting = DataSet->GetState() == dsInsert;
  TWriteGroupGuard Writes(DataSet);  // one change of the store where it can
  impexp::TGridPosition Position(Grid, !WasInserting);
  TDisableControlsGuard Disabled(DataSet);
  impexp::TPendingEditGuard Pending(DataSet);
  TObjectPtr<TColumnsKvList> OwnList;
  struct TClearCols {
    TDBGridKvImport* Self;
    ~TClearCols() { Self->FImpCols = nullptr; }
  } ClearCols{this};
  // [Phase 4] The columns, then the records by kind.
  switch (Kind) {
    case gskNone:
      OwnList.reset(TColumnsKvList::Create());
      impexp::VisibleColumnsInRange(Grid, Grid->GetSelectedIndex(),
                                    Grid->GetColumns()->GetCount() - 1, OwnList.get());
      FImpCols = OwnList.get();
      break;
    case gskRectangle:
      OwnList.reset(TColumnsKvList::Create());
      impexp::VisibleColumnsInRange(Grid, Grid->GetSelection()->GetRect()->GetLeftCol(),
                                    Grid->GetSelection()->GetRect()->GetRightCol(), OwnList.get());
      FImpCols = OwnList.get();
      break;
    case gskColumns:
      FImpCols = Grid->GetSelection()->GetColumns();
      break;
    default:
      FImpCols = Grid->GetVisibleColumns();
      break;
  }
  ReadPrefix();
  if (WasInserting) {
    // Nothing is written over: every record read is a new one.
    AppendRest(!WasEof);
  } else {
    Walk(Kind, Position);
  }
  // [Phase 5] Back where the grid was.
  if (!WasInserting) Position.Restore();
  ReadSuffix();
  Writes.End();
}

void TDBGridKvImport::Walk(TDBGridKvSelectionKind Kind, impexp::TGridPosition& Position) {
  TCustomDBGridKv* Grid = FDBGrid;
  TDataSet* DataSet = Grid->GetDataSet();
  TDBGridKvSelection* Selection = Grid->GetSelection();
  switch (Kind) {
    case gskNone:
      // Over the records from the current one, then new records for the rest.
      Position.Restore(true);
      while (!DataSet->GetEof() && !FEndOfData) {
        ReadRecord(FImpCols);
        DataSet->Next();
      }
      if (Grid->GetAllowedOperations().Contains(alopAppendKv)) AppendRest(false);
      break;
    case gskRows: {
      std::vector<TBookmark> Marks;
      for (Integer I = 0; I < Selection->GetRows()->GetCount(); ++I)
        Marks.push_back(Selection->GetRows()->GetItems(I));
      for (const TBookmark& Mark : Marks) {
        if (FEndOfData) break;
        if (!DataSet->BookmarkValid(Mark)) continue;
        DataSet->GotoBookmark(Mark);
        ReadRecord(FImpCols);
      }
      break;
    }
    case gskRectangle: {
      TDBGridKvSelectionRect* Rect = Selection->GetRect();
      const TBookmark Bottom = Rect->GetBottomRow();
      DataSet->GotoBookmark(Rect->GetTopRow());
      while (!DataSet->GetEof() && !FEndOfData) {
        ReadRecord(FImpCols);
        if (DataSetCompareBookmarks(DataSet, DataSet->GetBookmark(), Bottom) == 0) break;
        DataSet->Next();
      }
      break;
    }
    default:
      for (DataSet->First(); !DataSet->GetEof() && !FEndOfData; DataSet->Next())
        ReadRecord(FImpCols);
      break;
  }
}

// New records until the input ends: inserted before the current record when
// UseInsert, else appended.
void TDBGridKvImport::AppendRest(bool UseInsert) {
  TDataSet* DataSet = FDBGrid->GetDataSet();
  while (!FEndOfData) {
    if (UseInsert)
      DataSet->Insert();
    else
      DataSet->Append();
    ReadRecord(FImpCols);
    DataSet->Post();
    if (UseInsert) DataSet->Next();
  }
}

void TDBGridKvImport::ReadRecord(TColumnsKvList* ColumnsList) {
  for (Integer I = 0; I < ColumnsList->GetCount(); ++I) SetCellValue(ColumnsList->GetColumn(I));
}

// [SECTION] Writing a cell

namespace {

// Whether a typed value may be written into the column's field: as for an
// edit of the cell, but a blob or memo field takes its value whole (the
// editor's objection is to editing binary contents as text).
bool CanWriteTypedValue(TColumnKv* Column) {
  TCustomDBGridKv* Grid = Column->GetGrid();
  TField* Field = Column->GetField();
  if (!Grid || !Field || Grid->GetReadOnly() || !Grid->GetDataLink()->GetActive() ||
      Grid->GetDataLink()->GetReadOnly() || Column->GetReadOnly())
    return false;
  std::vector<TField*> Targets;
  if (Field->GetFieldKind() == fkLookup) {
    if (!dbgrid::LookupKeyFields(Field, Targets)) return false;
  } else {
    Targets.push_back(Field);
  }
  for (TField* Target : Targets)
    if (!Target->GetCanModify()) return false;
  return Grid->CanModifyRecord();
}

}  // namespace

void TDBGridKvImport::AssignCell(TColumnKv* Column, bool TypedValue,
                                 const std::function<void(TField*)>& Assign) {
  if (!Column) return;
  if (TypedValue ? !CanWriteTypedValue(Column) : !Column->CanModify(false)) return;
  TField* Field = Column->GetField();
  if (!Field) return;
  if (Field->GetFieldKind() == fkLookup && !TypedValue && Field->GetKeyFields().empty())
    return;
  TDataSet* DataSet = Field->GetDataSet();
  if (!DataSet || !DataSet->GetCanModify()) return;
  if (DataSet->GetState() != dsEdit && DataSet->GetState() != dsInsert) DataSet->Edit();
  if (DataSet->GetState() != dsEdit && DataSet->GetState() != dsInsert) return;
  try {
    Assign(Field);
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& E) {
    AskAboutError(E.GetMessage());
  }
}

void TDBGridKvImport::AskAboutError(const String& Message) {
  if (FIgnoreAll) return;
  // What was written so far is kept before the question waits for the user.
  if (FDBGrid && FDBGrid->GetDataSet()) FDBGrid->GetDataSet()->SaveWriteGroup();
  const TModalResult Answer =
      MessageDlg(SErrorDuringInsertValue + "\n" + Message + "\n\n" + SIgnoreErrorQuestion, mtError,
                 TMsgDlgButtons{mbYes, mbNo, mbAll}, 0);
  if (Answer == mrYes) return;
  if (Answer == mrAll) {
    FIgnoreAll = true;
    return;
  }
  // No, or the question closed without an answer: the import ends quietly.
  Abort();
}

// [SECTION] Text

namespace {
const String SCheckStateError = "TDBGridKvImportAsText.CheckState: " + SInvalidTextFormat;
}

void TDBGridKvImportAsText::ImportFromStream(TStream* Stream, bool IsImportAll) {
  FIgnoreAll = false;
  FState = 0;
  FValue.clear();
  TDBGridKvImport::ImportFromStream(Stream, IsImportAll);
}

// The whole text is checked first: a CR without its LF anywhere refuses it
// before a single value is written.
void TDBGridKvImportAsText::ReadPrefix() {
  for (std::size_t I = FData.find('\r', FPos); I != String::npos; I = FData.find('\r', I + 1))
    if (I + 1 >= FData.size() || FData[I + 1] != '\n') throw Exception(SCheckStateError);
  ReadChar();
}

void TDBGridKvImportAsText::ReadChar() {
  if (FPos >= FData.size()) {
    FState = 3;
    FEndOfData = true;
    return;
  }
  FCurChar = FData[FPos++];
  if (FCurChar == '\t')
    FState = 1;
  else if (FCurChar == '\r')
    CheckState();
  else
    FState = 0;
}

// A CR ends a line only with the LF after it.
void TDBGridKvImportAsText::CheckState() {
  if (FPos >= FData.size() || FData[FPos] != '\n') throw Exception(SCheckStateError);
  ++FPos;
  FState = 2;
}

// The value from the current character to the next tab or line end; past a
// tab the character after it is read too.
void TDBGridKvImportAsText::ReadValue() {
  const std::size_t Start = FPos - 1;
  for (;;) {
    ReadChar();
    if (FState != 0) break;
  }
  const std::size_t End = FState == 3 ? FData.size() : (FState == 2 ? FPos - 2 : FPos - 1);
  FValue.assign(FData, Start, End - Start);
  if (FState == 1) ReadChar();
}

void TDBGridKvImportAsText::ReadRecord(TColumnsKvList* ColumnsList) {
  if (FState == 3) return;
  auto Put = [&](Integer Position) {
    if (Position < ColumnsList->GetCount()) SetCellValue(ColumnsList->GetColumn(Position));
  };
  Integer Position = 0;
  if (FState == 0) {
    ReadValue();
    Put(Position++);
  }
  while (FState == 0 || FState == 1) {
    if (FState == 1) {
      FValue.clear();
      ReadChar();
    } else {
      ReadValue();
    }
    Put(Position++);
  }
  if (FState == 2) ReadChar();
}

void TDBGridKvImportAsText::SetCellValue(TColumnKv* Column) {
  AssignCell(Column, false, [&](TField* Field) {
    if (Field->GetFieldKind() == fkLookup) {
      // The lookup dataset's record whose shown text begins with the value
      // gives the key.
      TDataSet* Lookup = Field->GetLookupDataSet();
      if (!Lookup || !Lookup->GetActive()) return;
      if (Lookup->Locate(Field->GetLookupResultField(), Variant(FValue),
                         TLocateOptions{loCaseInsensitive, loPartialKey}))
        Field->GetDataSet()->SetFieldValues(Field->GetKeyFields(),
                                            Lookup->GetFieldValues(Field->GetLookupKeyFields()));
      return;
    }
    if (Column->GetColumnType() == ctKeyPickListKv) {
      const Integer Index = Column->GetPickList()->IndexOf(FValue);
      if (Index < 0 || Index >= Column->GetKeyList()->GetCount())
        Field->Clear();
      else
        Field->SetAsString(Column->GetKeyList()->GetStrings(Index));
      return;
    }
    Field->SetAsString(FValue);
  });
}

}  // namespace korvel
