// The unit's start-up (its clipboard formats), the clipboard commands of the
// grid (copy, cut, paste, delete of the selection) and the helpers that move
// a stream to and from the clipboard.
//
// Index
//   [SECTION] Start-up           the formats, CsvSeparatorChar
//   [SECTION] Streams            ExportGridToStream, ImportGridFromStream, clipboard blocks
//   [SECTION] Commands           copy, cut, paste
//   [SECTION] Delete             DeleteGridSelection, clearing cells
//   [SECTION] The grid's keys    the commands the grid's keys run
#include <cstdint>
#include <cstring>

#include "base/KorvelConsts.h"
#include "grid/DBGridKvImpExpImpl.h"
#include "grid/DBGridKvImpl.h"
#include "platform/controls/Dialogs.h"
#include "platform/rtl/GlobalMemory.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Clipboard.h"
#include "platform/win/System.h"

namespace korvel {

using namespace kvp;

// [SECTION] Start-up

UINT CF_VCLDBIF = 0;
Word CF_CSV = 0;
Word CF_RICH_TEXT_FORMAT = 0;
Char CsvSeparatorChar = U';';

namespace {

Integer GStartCount = 0;  // start-ups not yet given back

// The program's start-up of the unit, before any form exists.
struct TProgramStartup {
  TProgramStartup() { DBGridKvImpExpUnitStartup(); }
} ProgramStartup;

}  // namespace

void DBGridKvImpExpUnitStartup() {
  if (GStartCount++ != 0) return;
  CF_VCLDBIF = RegisterClipboardFormat("VCLDBIF");
  CF_CSV = Word(RegisterClipboardFormat("Csv"));
  CF_RICH_TEXT_FORMAT = Word(RegisterClipboardFormat("Rich Text Format"));
  CsvSeparatorChar = U';';
}

void DBGridKvImpExpUnitShutdown() {
  if (GStartCount == 0) return;
  --GStartCount;
}

Integer DBGridKvImpExpUnitStartCount() { return GStartCount; }

// [SECTION] Streams

namespace {

// Keeps the clipboard open for a scope.
class TClipboardOpenGuard {
 public:
  TClipboardOpenGuard() { Clipboard()->Open(); }
  ~TClipboardOpenGuard() { Clipboard()->Close(); }
  TClipboardOpenGuard(const TClipboardOpenGuard&) = delete;
  TClipboardOpenGuard& operator=(const TClipboardOpenGuard&) = delete;
};

// A new moveable, shareable block holding Size bytes of Bytes (zeros
// without Bytes).
HGLOBAL NewClipboardBlock(const void* Bytes, std::size_t Size) {
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, Size);
  if (!Block) throw EOutOfMemory("Out of memory for a clipboard block of " + std::to_string(Size) +
                                 " bytes");
  if (Size > 0 && Bytes) {
    void* P = GlobalLock(Block);
    std::memcpy(P, Bytes, Size);
    GlobalUnlock(Block);
  }
  return Block;
}

// Hands Block to the clipboard under Format; the block is freed when the
// clipboard refuses it.
void PutBlock(UINT Format, HGLOBAL Block) {
  try {
    Clipboard()->SetAsHandle(Format, Block);
  } catch (...) {
    GlobalFree(Block);
    throw;
  }
}

void AppendZero(TStream* Stream) {
  const char Zero = 0;
  Stream->WriteBuffer(&Zero, 1);
}

}  // namespace

void ExportGridToStream(TClass ExportClass, TCustomDBGridKv* Grid, TStream* Stream,
                        bool ForWholeGrid) {
  TObjectPtr<TDBGridKvExport> Exporter(As<TDBGridKvExport>(ExportClass->Factory(nullptr)));
  Exporter->SetDBGrid(Grid);
  Exporter->ExportToStream(Stream, ForWholeGrid);
}

void ImportGridFromStream(TClass ImportClass, TCustomDBGridKv* Grid, TStream* Stream,
                          bool ForWholeGrid) {
  TObjectPtr<TDBGridKvImport> Importer(As<TDBGridKvImport>(ImportClass->Factory(nullptr)));
  Importer->SetDBGrid(Grid);
  Importer->ImportFromStream(Stream, ForWholeGrid);
}

void PutStreamToClipboard(UINT Format, TMemoryStreamKv* Stream) {
  TClipboardOpenGuard Open;
  PutBlock(Format, NewClipboardBlock(Stream->GetMemory(), std::size_t(Stream->GetSize())));
}

namespace {

// The UTF-16 code units of Text: ASCII bytes stand for themselves, anything
// else is decoded (a malformed sequence as U+FFFD) and a character beyond
// U+FFFF takes a surrogate pair. Out null: only counted.
std::size_t Utf16Of(std::string_view Text, char16_t* Out) {
  std::size_t Units = 0;
  for (std::size_t I = 0; I < Text.size();) {
    // Eight ASCII bytes at a time.
    std::uint64_t Word;
    if (I + sizeof Word <= Text.size()) {
      std::memcpy(&Word, Text.data() + I, sizeof Word);
      if ((Word & 0x8080808080808080u) == 0) {
        if (Out)
          for (std::size_t K = 0; K < sizeof Word; ++K)
            Out[Units + K] = char16_t(static_cast<unsigned char>(Text[I + K]));
        Units += sizeof Word;
        I += sizeof Word;
        continue;
      }
    }
    const auto Byte = static_cast<unsigned char>(Text[I]);
    if (Byte < 0x80) {
      if (Out) Out[Units] = char16_t(Byte);
      ++Units;
      ++I;
      continue;
    }
    Char C = Utf8Decode(Text, I);
    if (C >= 0x10000) {
      C -= 0x10000;
      if (Out) {
        Out[Units] = char16_t(0xD800 + (C >> 10));
        Out[Units + 1] = char16_t(0xDC00 + (C & 0x3FF));
      }
      Units += 2;
    } else {
      if (Out) Out[Units] = char16_t(C);
      ++Units;
    }
  }
  return Units;
}

}  // namespace

// The text is converted straight into the clipboard's block: counted first,
// then written (a copy of several megabytes is a common case).
void PutStreamToClipboardAsUnicode(TMemoryStreamKv* Stream) {
  TClipboardOpenGuard Open;
  const std::string_view Text(static_cast<const char*>(Stream->GetMemory()),
                              std::size_t(Stream->GetSize()));
  const std::size_t Units = Utf16Of(Text, nullptr);
  HGLOBAL Block = NewClipboardBlock(nullptr, Units * sizeof(char16_t));
  if (Units > 0) {
    Utf16Of(Text, static_cast<char16_t*>(GlobalLock(Block)));
    GlobalUnlock(Block);
  }
  PutBlock(CF_UNICODETEXT, Block);
}

void GetStreamFromClipboard(UINT Format, TStream* Stream) {
  TClipboardOpenGuard Open;
  HANDLE Data = Clipboard()->GetAsHandle(Format);
  if (!Data) return;
  const SIZE_T Size = GlobalSize(Data);
  if (Size == 0) return;
  const void* P = GlobalLock(Data);
  if (!P) return;
  struct TUnlock {
    HANDLE H;
    ~TUnlock() { GlobalUnlock(H); }
  } Unlock{Data};
  Stream->WriteBuffer(P, Integer(Size));
}

bool IsWindowsNT() {
  OSVERSIONINFO Info{};
  Info.dwOSVersionInfoSize = sizeof Info;
  return GetVersionEx(&Info) && Info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// [SECTION] Commands

void CopyGridSelectionToClipboard(TCustomDBGridKv* Grid, bool ForWholeGrid) {
  // [Phase 1] The clipboard stays open across the four formats, so that the
  // first empties it once and the others add to it.
  TClipboardOpenGuard Open;
  TDisableControlsGuard Disabled(Grid->GetDataSet());
  TObjectPtr<TMemoryStreamKv> Stream(TMemoryStreamKv::Create());
  Stream->SetMemoryDelta(0x10000);
  // [Phase 2] The text formats, each with its terminating zero.
  ExportGridToStream(TDBGridKvExportAsText::StaticClass(), Grid, Stream.get(), ForWholeGrid);
  AppendZero(Stream.get());
  if (IsWindowsNT()) PutStreamToClipboardAsUnicode(Stream.get());
  Stream->Clear();
  ExportGridToStream(TDBGridKvExportAsCSV::StaticClass(), Grid, Stream.get(), ForWholeGrid);
  AppendZero(Stream.get());
  PutStreamToClipboard(CF_CSV, Stream.get());
  Stream->Clear();
  ExportGridToStream(TDBGridKvExportAsRTF::StaticClass(), Grid, Stream.get(), ForWholeGrid);
  AppendZero(Stream.get());
  PutStreamToClipboard(CF_RICH_TEXT_FORMAT, Stream.get());
  Stream->Clear();
  // [Phase 3] The exchange format, without a terminator.
  ExportGridToStream(TDBGridKvExportAsVCLDBIF::StaticClass(), Grid, Stream.get(), ForWholeGrid);
  PutStreamToClipboard(CF_VCLDBIF, Stream.get());
}

void CutGridSelectionToClipboard(TCustomDBGridKv* Grid, bool ForWholeGrid) {
  CopyGridSelectionToClipboard(Grid, ForWholeGrid);
  DeleteGridSelection(Grid, ForWholeGrid);
}

void PasteGridSelectionFromClipboard(TCustomDBGridKv* Grid, bool ForWholeGrid) {
  TClipboardOpenGuard Open;
  TObjectPtr<TMemoryStream> Stream(TMemoryStream::Create());
  // An empty exchange block (a copy of no selection) holds no data: the
  // text, if any, is taken instead.
  if (Clipboard()->HasFormat(CF_VCLDBIF)) GetStreamFromClipboard(CF_VCLDBIF, Stream.get());
  if (Stream->GetSize() > 0) {
    Stream->SetPosition(0);
    ImportGridFromStream(TDBGridKvImportAsVCLDBIF::StaticClass(), Grid, Stream.get(),
                         ForWholeGrid);
    return;
  }
  if (!Clipboard()->HasFormat(CF_TEXT)) return;
  GetStreamFromClipboard(CF_TEXT, Stream.get());
  // The text ends at its terminating zero: the zero and whatever follows it
  // in the block are no line of values.
  const char* Bytes = static_cast<const char*>(Stream->GetMemory());
  const Int64 Size = Stream->GetSize();
  const void* Zero = Size > 0 ? std::memchr(Bytes, 0, std::size_t(Size)) : nullptr;
  if (Zero) Stream->SetSize(static_cast<const char*>(Zero) - Bytes);
  Stream->SetPosition(0);
  ImportGridFromStream(TDBGridKvImportAsText::StaticClass(), Grid, Stream.get(), ForWholeGrid);
}

// [SECTION] Delete

namespace {

// Clears the cells of the current record in the columns that may be
// modified: a lookup column's key fields, every other column's field.
void ClearRecordCells(TColumnsKvList* Columns) {
  for (Integer I = 0; I < Columns->GetCount(); ++I) {
    TColumnKv* Column = Columns->GetColumn(I);
    if (!Column->CanModify(false)) continue;
    TField* Field = Column->GetField();
    std::vector<TField*> Targets;
    if (Field->GetFieldKind() == fkLookup)
      dbgrid::LookupKeyFields(Field, Targets);
    else
      Targets.push_back(Field);
    for (TField* Target : Targets) {
      TDataSet* DataSet = Target->GetDataSet();
      if (!DataSet->GetCanModify()) continue;
      if (DataSet->GetState() != dsEdit && DataSet->GetState() != dsInsert) DataSet->Edit();
      if (DataSet->GetState() == dsEdit || DataSet->GetState() == dsInsert) Target->Clear();
    }
  }
}

// The question before deleting or clearing; true when it may go on.
bool ConfirmDelete(TCustomDBGridKv* Grid, TDBGridKvSelectionKind Kind) {
  if (!Grid->GetOptions().Contains(dgConfirmDeleteKv)) return true;
  String Question;
  switch (Kind) {
    case gskRows:
      Question = Grid->GetSelectedRows()->GetCount() < 2 ? SDeleteRecordQuestion
                                                         : SDeleteMultipleRecordsQuestion;
      break;
    case gskAll:
      // Every record goes: asked like several selected records.
      Question = SDeleteMultipleRecordsQuestion;
      break;
    default:
      // A rectangle, or whole columns, is emptied.
      Question = SClearSelectedCellsQuestion;
      break;
  }
  return MessageDlg(Question, mtConfirmation, mbOKCancel, 0) != mrCancel;
}

}  // namespace

void DeleteGridSelection(TCustomDBGridKv* Grid, bool ForWholeGrid) {
  TDataSet* DataSet = Grid->GetDataSet();
  TDBGridKvSelection* Selection = Grid->GetSelection();
  const TDBGridKvSelectionKind Kind = ForWholeGrid ? gskAll : Selection->GetSelectionType();
  if (Kind == gskNone || !DataSet || !Grid->GetDataLink()->GetActive()) return;
  if (!ConfirmDelete(Grid, Kind)) return;
  // [Phase 1] The position and the controls come back, and a record left
  // half cleared goes, whatever happens. The records' writes are kept
  // together, as one change of the store where it can.
  TWriteGroupGuard Writes(DataSet);
  impexp::TGridPosition Position(Grid);
  TDisableControlsGuard Disabled(DataSet);
  impexp::TPendingEditGuard Pending(DataSet);
  switch (Kind) {
    case gskRows: {
      // [Phase 2] The selected records, in the selection's order.
      std::vector<TBookmark> Marks;
      for (Integer I = 0; I < Grid->GetSelectedRows()->GetCount(); ++I)
        Marks.push_back(Grid->GetSelectedRows()->GetItems(I));
      Position.Forget();
      for (const TBookmark& Mark : Marks) {
        if (!DataSet->BookmarkValid(Mark)) continue;
        DataSet->GotoBookmark(Mark);
        DataSet->Delete();
      }
      Selection->Clear();
      break;
    }
    case gskRectangle: {
      // [Phase 3] The rectangle's cells, record by record.
      TObjectPtr<TColumnsKvList> Columns(TColumnsKvList::Create());
      TDBGridKvSelectionRect* Rect = Selection->GetRect();
      impexp::VisibleColumnsInRange(Grid, Rect->GetLeftCol(), Rect->GetRightCol(), Columns.get());
      const TBookmark Bottom = Rect->GetBottomRow();
      DataSet->GotoBookmark(Rect->GetTopRow());
      while (!DataSet->GetEof()) {
        ClearRecordCells(Columns.get());
        if (DataSetCompareBookmarks(DataSet, DataSet->GetBookmark(), Bottom) == 0) break;
        DataSet->Next();
      }
      Position.Restore();
      break;
    }
    case gskColumns:
      // [Phase 4] The selected columns of every record.
      for (DataSet->First(); !DataSet->GetEof(); DataSet->Next())
        ClearRecordCells(Selection->GetColumns());
      Position.Restore();
      break;
    default: {
      // [Phase 5] Every record. A delete that takes nothing away ends it,
      // rather than asking again for ever.
      Position.Forget();
      DataSet->First();
      while (!DataSet->GetEof()) {
        const Integer Before = DataSet->GetRecordCount();
        DataSet->Delete();
        if (DataSet->GetRecordCount() >= Before) break;
      }
      break;
    }
  }
  Writes.End();
}

// [SECTION] The grid's keys

void TCustomDBGridKv::CopySelectionToClipboard() { CopyGridSelectionToClipboard(this, false); }
void TCustomDBGridKv::CutSelectionToClipboard() { CutGridSelectionToClipboard(this, false); }
void TCustomDBGridKv::PasteSelectionFromClipboard() { PasteGridSelectionFromClipboard(this, false); }
void TCustomDBGridKv::DeleteSelection() { DeleteGridSelection(this, false); }

}  // namespace korvel
