// The export walk over the grid's selection, the footer sums and counts of
// the exported records, and the tab-separated text and separated-values
// writers; the guards that every walk over the dataset shares.
//
// Index
//   [SECTION] Walk guards         TGridPosition, TPendingEditGuard, column helpers
//   [SECTION] The walk            ExportToStream, ExportToFile, WriteRecord, WriteFooter
//   [SECTION] Footer values       CalcFooterValues, GetFooterValue
//   [SECTION] Text                TDBGridKvExportAsText
//   [SECTION] Separated values    TDBGridKvExportAsCSV
#include <cmath>

#include "grid/DBGridKvImpExpImpl.h"
#include "grid/DBGridKvImpl.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] Walk guards

namespace impexp {

TGridPosition::TGridPosition(TCustomDBGridKv* Grid, bool Save) : FGrid(Grid) {
  if (!Save) return;
  TDataSet* DataSet = Grid->GetDataSet();
  if (!DataSet || !DataSet->GetActive() || !Grid->GetDataLink()->GetActive() || DataSet->IsEmpty())
    return;
  Grid->SaveBookmark();
  FSaved = true;
}

TGridPosition::~TGridPosition() {
  if (!FSaved) return;
  try {
    Restore();
  } catch (...) {
    // Leaving by an exception already: the walk's own error is the one to
    // report.
  }
}

void TGridPosition::Restore(bool Keep) {
  if (!FSaved) return;
  FSaved = Keep;
  TDataSet* DataSet = FGrid->GetDataSet();
  if (!DataSet || !DataSet->GetActive()) return;
  FGrid->RestoreBookmark();
}

TPendingEditGuard::~TPendingEditGuard() {
  if (std::uncaught_exceptions() <= FExceptions || !FDataSet) return;
  try {
    if (FDataSet->GetState() == dsEdit || FDataSet->GetState() == dsInsert) FDataSet->Cancel();
  } catch (...) {
    // The exception on its way is the one to report.
  }
}

void VisibleColumnsInRange(TCustomDBGridKv* Grid, Integer First, Integer Last,
                           TColumnsKvList* List) {
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  First = std::max<Integer>(First, 0);
  Last = std::min<Integer>(Last, Columns->GetCount() - 1);
  for (Integer I = First; I <= Last; ++I)
    if (Columns->GetColumn(I)->GetVisible()) List->Add(Columns->GetColumn(I));
}

TField* ColumnValueField(TColumnKv* Column) {
  TField* Field = Column->GetField();
  if (!Field || Field->GetFieldKind() != fkLookup) return Field;
  std::vector<TField*> Keys;
  if (!dbgrid::LookupKeyFields(Field, Keys) || Keys.size() != 1) return nullptr;
  return Keys.front();
}

}  // namespace impexp

// [SECTION] The walk

void TDBGridKvExport::Construct() {
  inherited::Construct();
  FColCellParamsEh = TColCellParamsKv::Create();
  FCellFont = TFont::Create();
}

void TDBGridKvExport::Destroy() {
  FreeAndNil(FColCellParamsEh);
  FreeAndNil(FCellFont);
  inherited::Destroy();
}

// Small writes gather in a buffer that goes to the stream in large blocks:
// a file stream writes each block through the system.
void TDBGridKvExport::StreamWriteString(std::string_view Text) {
  FBuffer.append(Text);
  if (FBuffer.size() >= FFlushAt) FlushBuffer();
}

// The buffer keeps its room for the next block; it is emptied also when the
// stream refuses the block, so that nothing is written twice.
void TDBGridKvExport::FlushBuffer() {
  if (FBuffer.empty()) return;
  struct TEmpty {
    String& Buffer;
    ~TEmpty() { Buffer.clear(); }
  } Empty{FBuffer};
  FStream->WriteBuffer(FBuffer.data(), Integer(FBuffer.size()));
}

void TDBGridKvExport::ExportToFile(const String& FileName, bool IsExportAll) {
  TObjectPtr<TFileStream> File(TFileStream::Create(FileName, fmCreate));
  ExportToStream(File.get(), IsExportAll);
}

void TDBGridKvExport::ExportToStream(TStream* Stream, bool IsExportAll) {
  TCustomDBGridKv* Grid = FDBGrid;
  TDataSet* DataSet = Grid ? Grid->GetDataSet() : nullptr;
  if (!DataSet || !Grid->GetDataLink()->GetActive()) return;
  TDBGridKvSelection* Selection = Grid->GetSelection();
  const TDBGridKvSelectionKind Kind = IsExportAll ? gskAll : Selection->GetSelectionType();
  if (Kind == gskNone) return;
  FStream = Stream;
  FBuffer.clear();
  // A memory stream takes the whole text at the end, in one block, rather
  // than growing step by step; the text is not kept after it.
  const bool WholeText = DynCast<TCustomMemoryStream>(Stream) != nullptr;
  FFlushAt = WholeText ? String::npos : 0x10000;
  if (!WholeText) FBuffer.reserve(FFlushAt + 0x1000);
  struct TReleaseText {
    TDBGridKvExport* Self;
    bool Release;
    ~TReleaseText() {
      if (Release) String().swap(Self->FBuffer);
    }
  } ReleaseText{this, WholeText};
  // [Phase 1] The dataset stays still on screen; the position comes back
  // whatever happens.
  TDisableControlsGuard Disabled(DataSet);
  impexp::TGridPosition Position(Grid);
  // [Phase 2] The columns.
  TObjectPtr<TColumnsKvList> OwnList;
  switch (Kind) {
    case gskRectangle:
      OwnList.reset(TColumnsKvList::Create());
      impexp::VisibleColumnsInRange(Grid, Selection->GetRect()->GetLeftCol(),
                                    Selection->GetRect()->GetRightCol(), OwnList.get());
      FExpCols = OwnList.get();
      break;
    case gskColumns:
      FExpCols = Selection->GetColumns();
      break;
    default:
      FExpCols = Grid->GetVisibleColumns();
      break;
  }
  FFooterValues.assign(std::size_t(Grid->GetFooterRowCount()) * std::size_t(FExpCols->GetCount()),
                       Currency());
  FColumnLooks.clear();
  for (Integer I = 0; I < FExpCols->GetCount(); ++I)
    FColumnLooks.push_back(LookOf(FExpCols->GetColumn(I)));
  // One cell font per column, made once and kept for the next walk.
  while (FCellFonts.size() < FColumnLooks.size()) {
    const std::size_t Index = FCellFonts.size();
    FCellFonts.emplace_back(TFont::Create());
    FCellFonts.back()->OnChange = TNotifyEvent([this, Index](TObject*) {
      if (Index < FColumnLooks.size()) FColumnLooks[Index].CellFontStale = true;
    });
  }
  for (std::size_t I = 0; I < FColumnLooks.size(); ++I)
    FColumnLooks[I].CellFont = FCellFonts[I].get();
  struct TClearCols {
    TDBGridKvExport* Self;
    ~TClearCols() {
      Self->FExpCols = nullptr;
      Self->FColumnLooks.clear();
    }
  } ClearCols{this};
  // [Phase 3] Prefix and titles.
  WritePrefix();
  if (Grid->GetOptions().Contains(dgTitlesKv)) WriteTitle(FExpCols);
  // [Phase 4] The records.
  auto WriteOne = [&] {
    CalcFooterValues();
    WriteRecord(FExpCols);
  };
  switch (Kind) {
    case gskRows: {
      TBookmarkListKv* Rows = Selection->GetRows();
      std::vector<TBookmark> Marks;
      for (Integer I = 0; I < Rows->GetCount(); ++I) Marks.push_back(Rows->GetItems(I));
      for (const TBookmark& Mark : Marks) {
        if (!DataSet->BookmarkValid(Mark)) continue;
        DataSet->GotoBookmark(Mark);
        WriteOne();
      }
      break;
    }
    case gskRectangle: {
      TDBGridKvSelectionRect* Rect = Selection->GetRect();
      const TBookmark Bottom = Rect->GetBottomRow();
      DataSet->GotoBookmark(Rect->GetTopRow());
      while (!DataSet->GetEof()) {
        WriteOne();
        if (DataSetCompareBookmarks(DataSet, DataSet->GetBookmark(), Bottom) == 0) break;
        DataSet->Next();
      }
      break;
    }
    default:
      for (DataSet->First(); !DataSet->GetEof(); DataSet->Next()) WriteOne();
      break;
  }
  // [Phase 5] Footers.
  for (Integer Row = 0; Row < Grid->GetFooterRowCount(); ++Row) WriteFooter(FExpCols, Row);
  // [Phase 6] Back where the grid was; then the suffix.
  Position.Restore();
  WriteSuffix();
  FlushBuffer();
}

// Each cell gets a copy of its column's font, which the events may change.
// The copy is made once per column and walk, and made again only where it
// may differ from the column's font: it was changed, or a cell-parameter
// handler is assigned to the grid or to one of the columns (a handler may
// change any column's font). A
// column's image index and check-box state are worked out only where the
// column shows them (an image list, check boxes): elsewhere they mean
// nothing, and working them out would format every value once more. What a
// column decides for all its cells is taken once per walk.
void TDBGridKvExport::WriteRecord(TColumnsKvList* ColumnsList) {
  TCustomDBGridKv* Grid = FDBGrid;
  TColCellParamsKv* Params = FColCellParamsEh;
  const Integer Count = ColumnsList->GetCount();
  const bool Known = ColumnsList == FExpCols && FColumnLooks.size() == std::size_t(Count);
  bool Hooked = bool(Grid->OnGetCellParams);
  for (Integer I = 0; I < Count && !Hooked; ++I)
    Hooked = bool(ColumnsList->GetColumn(I)->GetOnGetCellParams());
  for (Integer I = 0; I < Count; ++I) {
    TColumnKv* Column = ColumnsList->GetColumn(I);
    TColumnLook Other;
    if (!Known) Other = LookOf(Column);
    const TColumnLook& Look = Known ? FColumnLooks[std::size_t(I)] : Other;
    TFont* Font = FCellFont;
    if (Known) {
      Font = CellFontOf(std::size_t(I), Hooked);
    } else {
      FCellFont->Assign(Look.Font);
    }
    Params->SetCol(-1);
    Params->SetRow(-1);
    Params->SetState({});
    Params->SetFont(Font);
    Params->SetBackground(Look.Color);
    Params->SetAlignment(Look.Alignment);
    Params->SetImageIndex(Look.Images ? Column->GetImageIndex() : -1);
    Params->SetText(Column->GetDisplayText());
    Params->SetCheckboxState(Look.Checkboxes ? Column->GetCheckboxState() : cbUnchecked);
    Params->SetReadOnly(Look.ReadOnly);
    TColor Background = Params->GetBackground();
    Grid->GetCellParams(Column, Font, Background, Params->GetState());
    Params->SetBackground(Background);
    FDataCellShading = Background;
    Column->GetCellParams(false, Params);
    WriteDataCell(Column, Params);
  }
}

TFont* TDBGridKvExport::CellFontOf(std::size_t Index, bool Hooked) {
  TColumnLook& Look = FColumnLooks[Index];
  if (Look.CellFontStale || Hooked) {
    Look.CellFont->Assign(Look.Font);
    Look.CellFontStale = false;
  }
  return Look.CellFont;
}

TDBGridKvExport::TColumnLook TDBGridKvExport::LookOf(TColumnKv* Column) {
  TColumnLook Look;
  Look.Font = Column->GetFont();
  Look.Color = Column->GetColor();
  Look.Alignment = Column->GetAlignment();
  Look.Images = Column->GetImageList() != nullptr;
  Look.Checkboxes = Column->GetColumnType() == ctCheckboxesKv;
  Look.ReadOnly = Column->GetReadOnly();
  return Look;
}

void TDBGridKvExport::WriteFooter(TColumnsKvList* ColumnsList, Integer FooterNo) {
  TCustomDBGridKv* Grid = FDBGrid;
  for (Integer I = 0; I < ColumnsList->GetCount(); ++I) {
    TColumnKv* Column = ColumnsList->GetColumn(I);
    TColumnFooterKv* Footer = Column->UsedFooter(FooterNo);
    TObjectPtr<TFont> Font(TFont::Create());
    Font->Assign(Footer->GetFont());
    TColor Background = Footer->GetColor();
    TAlignment Alignment = Footer->GetAlignment();
    String Text;
    if (Footer->GetValueType() == fvtSum || Footer->GetValueType() == fvtCount)
      Text = GetFooterValue(FooterNo, I, Column);
    else
      Grid->GetFooterText(FooterNo, Column, Text);
    Grid->GetFooterParams(Column->GetIndex(), FooterNo, Column, Font.get(), Background, Alignment,
                          {}, Text);
    WriteFooterCell(I, FooterNo, Column, Font.get(), Background, Alignment, Text);
  }
}

// [SECTION] Footer values

namespace {

// The field a footer sums: the one its FieldName names, else the column's.
TField* FooterField(TCustomDBGridKv* Grid, TColumnKv* Column, TColumnFooterKv* Footer) {
  TDataSet* DataSet = Grid->GetDataSet();
  if (!DataSet) return nullptr;
  return DataSet->FindField(Footer->GetFieldName().empty() ? Column->GetFieldName()
                                                           : Footer->GetFieldName());
}

String FieldDisplayFormat(TField* Field) {
  if (auto* Numeric = DynCast<TNumericField>(Field)) return Numeric->GetDisplayFormat();
  return {};
}

}  // namespace

void TDBGridKvExport::CalcFooterValues() {
  const Integer ColCount = FExpCols->GetCount();
  for (Integer Row = 0; Row < FDBGrid->GetFooterRowCount(); ++Row)
    for (Integer Col = 0; Col < ColCount; ++Col) {
      TColumnKv* Column = FExpCols->GetColumn(Col);
      TColumnFooterKv* Footer = Column->UsedFooter(Row);
      TField* Field = FooterField(FDBGrid, Column, Footer);
      if (!Field) continue;
      Currency& Value = FFooterValues[std::size_t(Col + ColCount * Row)];
      if (Footer->GetValueType() == fvtSum && !Field->IsNull())
        Value = Currency::FromDouble(Value.ToDouble() + Extended(Field->GetAsFloat()));
      else if (Footer->GetValueType() == fvtCount)
        Value = Currency::FromRaw(Value.GetRaw() + Currency::Scale);
    }
}

String TDBGridKvExport::GetFooterValue(Integer Row, Integer Col, TColumnKv* Column) {
  TColumnFooterKv* Footer = Column->UsedFooter(Row);
  const Currency Value = FFooterValues[std::size_t(Col + FExpCols->GetCount() * Row)];
  if (Footer->GetValueType() == fvtCount) return FloatToStr(Value.ToDouble());
  TField* Field = FooterField(FDBGrid, Column, Footer);
  if (!Field) return {};
  const String Format = FieldDisplayFormat(Field);
  switch (Field->GetDataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint:  // a whole number like the others (the grid's own footer agrees)
      if (!Format.empty()) return FormatFloat(Format, Value.ToDouble());
      return std::to_string(Round(Value.ToDouble()));
    case ftFloat:
    case ftCurrency: {
      if (!Format.empty()) return FormatFloat(Format, Value.ToDouble());
      auto* Float = DynCast<TFloatField>(Field);
      const bool Money = Float && Float->GetCurrency();
      return FloatToStrF(Value.ToDouble(), Money ? ffCurrency : ffGeneral,
                         Float ? Float->GetPrecision() : 15,
                         Money ? FormatSettings.CurrencyDecimals : 0);
    }
    case ftBCD:
    case ftFMTBcd: {
      if (!Format.empty()) return FormatCurr(Format, Value);
      auto* Bcd = DynCast<TBCDField>(Field);
      const bool Money = Bcd && Bcd->GetCurrency();
      return CurrToStrF(Value, Money ? ffCurrency : ffGeneral,
                        Money ? FormatSettings.CurrencyDecimals : 0);
    }
    default:
      return {};
  }
}

// [SECTION] Text

void TDBGridKvExportAsText::ExportToStream(TStream* Stream, bool IsExportAll) {
  FirstRec = true;
  TDBGridKvExport::ExportToStream(Stream, IsExportAll);
}

void TDBGridKvExportAsText::WriteLineSeparator() {
  if (FirstRec)
    FirstRec = false;
  else
    StreamWriteString("\r\n");
}

void TDBGridKvExportAsText::WriteCellSeparator() {
  if (FirstCell)
    FirstCell = false;
  else
    StreamWriteString("\t");
}

void TDBGridKvExportAsText::WriteTitle(TColumnsKvList* ColumnsList) {
  WriteLineSeparator();
  String Line;
  for (Integer I = 0; I < ColumnsList->GetCount(); ++I) {
    Line += ColumnsList->GetColumn(I)->GetTitle()->GetCaption();
    if (I < ColumnsList->GetCount() - 1) Line += '\t';
  }
  StreamWriteString(Line);
}

void TDBGridKvExportAsText::WriteRecord(TColumnsKvList* ColumnsList) {
  WriteLineSeparator();
  FirstCell = true;
  TDBGridKvExport::WriteRecord(ColumnsList);
}

void TDBGridKvExportAsText::WriteDataCell(TColumnKv*, TColCellParamsKv* CellParams) {
  WriteCellSeparator();
  AppendCellText(CellParams->GetText());
}

void TDBGridKvExportAsText::AppendCellText(const String& Text) { StreamWriteString(Text); }

void TDBGridKvExportAsText::WriteFooter(TColumnsKvList* ColumnsList, Integer FooterNo) {
  WriteLineSeparator();
  FirstCell = true;
  TDBGridKvExport::WriteFooter(ColumnsList, FooterNo);
}

void TDBGridKvExportAsText::WriteFooterCell(Integer, Integer, TColumnKv*, TFont*, TColor,
                                            TAlignment, const String& Text) {
  WriteCellSeparator();
  AppendCellText(Text);
}

// [SECTION] Separated values

void TDBGridKvExportAsCSV::Construct() {
  inherited::Construct();
  FSeparator = CsvSeparatorChar;
  FSeparatorText = Utf8Encode(FSeparator);
}

// The text in double quotes, each quote inside doubled (as AnsiQuotedStr
// with '"' has it, in one pass).
namespace {

void AppendQuoted(String& Out, const String& Text) {
  Out += '"';
  std::size_t From = 0;
  for (std::size_t Quote = Text.find('"'); Quote != String::npos; Quote = Text.find('"', From)) {
    Out.append(Text, From, Quote + 1 - From);
    Out += '"';
    From = Quote + 1;
  }
  Out.append(Text, From, String::npos);
  Out += '"';
}

}  // namespace

// Straight into the buffer: a cell is the commonest write.
void TDBGridKvExportAsCSV::AppendCellText(const String& Text) {
  AppendQuoted(FBuffer, Text);
  if (FBuffer.size() >= FFlushAt) FlushBuffer();
}

void TDBGridKvExportAsCSV::WriteCellSeparator() {
  if (FirstCell)
    FirstCell = false;
  else
    StreamWriteString(FSeparatorText);
}

void TDBGridKvExportAsCSV::WriteTitle(TColumnsKvList* ColumnsList) {
  WriteLineSeparator();
  String Line;
  for (Integer I = 0; I < ColumnsList->GetCount(); ++I) {
    AppendQuoted(Line, ColumnsList->GetColumn(I)->GetTitle()->GetCaption());
    if (I < ColumnsList->GetCount() - 1) Line += FSeparatorText;
  }
  StreamWriteString(Line);
}

}  // namespace korvel
