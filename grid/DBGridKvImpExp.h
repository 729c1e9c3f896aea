// DBGridKvImpExp: the data-aware grid's exchange formats and clipboard
// commands. Exporters walk the grid's selection (or every record) and write
// it as tab-separated text, separated values, rich text or the binary
// "VCLDBIF" exchange format; importers read "VCLDBIF" and tab-separated text
// back into the grid's dataset. The clipboard commands copy, cut, paste and
// delete the selection through them.
//
// Sources by role: DBGridKvImpExpWriters.cpp (the export walk, text and
// separated values), DBGridKvImpExpRtf.cpp (rich text), DBGridKvImpExpBinary.cpp
// (the "VCLDBIF" writer and reader), DBGridKvImpExpImport.cpp (the import walk
// and the text reader), DBGridKvImpExpClipboard.cpp (the unit's start-up, the
// clipboard formats and commands, deleting the selection).
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "base/KorvelVCL.h"
#include "grid/DBGridKv.h"
#include "platform/classes/Streams.h"

namespace korvel {

namespace impexp {
class TGridPosition;
}

// [SECTION] Unit values

// The clipboard formats the unit registers at start-up; 0 before it.
extern kvp::UINT CF_VCLDBIF;
extern kvp::Word CF_CSV;
extern kvp::Word CF_RICH_TEXT_FORMAT;
// The separator of the separated-values writer, read when an exporter is
// created; ";" at start-up.
extern kvp::Char CsvSeparatorChar;

// The unit's start-up registers "VCLDBIF", "Csv" and "Rich Text Format" in
// this order; a start-up counter keeps a second start-up from doing it again.
// The program's start-up runs it once.
void DBGridKvImpExpUnitStartup();
void DBGridKvImpExpUnitShutdown();
kvp::Integer DBGridKvImpExpUnitStartCount();

// [SECTION] Exporters

// The sums and counts of the exported records: one entry per footer row and
// export column (column position + column count x footer row), each in
// ten-thousandths (a count of one record is 10000).
using TFooterValues = std::vector<kvp::Currency>;

// ---------------------------------------------------------------------------
// TDBGridKvExport: walks the grid's selection, or every record, and writes
// titles, records and footers through the Write... operations, which the
// formats override. It owns the cell parameters it hands them and keeps the
// footer sums and counts of the records it exported.
//
// Call order of one ExportToStream: WritePrefix; WriteTitle when the grid
// shows titles; WriteRecord per record (the base calls WriteDataCell per
// column); WriteFooter per footer row (the base calls WriteFooterCell per
// column); WriteSuffix. Nothing at all for a grid with no selection (unless
// everything is exported). The dataset's controls are disabled and the
// grid's position is kept across the walk, also when a writer raises.
class TDBGridKvExport : public kvp::TObject {
  KV_CLASS(TDBGridKvExport, kvp::TObject)
 public:
  TCustomDBGridKv* GetDBGrid() const { return FDBGrid; }
  void SetDBGrid(TCustomDBGridKv* Value) { FDBGrid = Value; }
  TColumnsKvList* GetExpCols() const { return FExpCols; }
  const TFooterValues& GetFooterValues() const { return FFooterValues; }
  virtual void ExportToStream(kvp::TStream* Stream, bool IsExportAll);
  virtual void ExportToFile(const kvp::String& FileName, bool IsExportAll);

 protected:
  void Construct() override;
  void Destroy() override;
  virtual void WritePrefix() {}
  virtual void WriteSuffix() {}
  virtual void WriteTitle(TColumnsKvList* /*ColumnsList*/) {}
  virtual void WriteRecord(TColumnsKvList* ColumnsList);
  virtual void WriteDataCell(TColumnKv* /*Column*/, TColCellParamsKv* /*CellParams*/) {}
  virtual void WriteFooter(TColumnsKvList* ColumnsList, kvp::Integer FooterNo);
  virtual void WriteFooterCell(kvp::Integer /*DataCol*/, kvp::Integer /*Row*/,
                               TColumnKv* /*Column*/, kvp::TFont* /*AFont*/,
                               kvp::TColor /*Background*/, kvp::TAlignment /*Alignment*/,
                               const kvp::String& /*Text*/) {}
  // The sum or count footer text of the exported records.
  kvp::String GetFooterValue(kvp::Integer Row, kvp::Integer Col, TColumnKv* Column);
  void CalcFooterValues();
  // Writes the bytes of Text to the stream, without a terminator; they may
  // wait in a buffer until FlushBuffer, which the walk calls at its end.
  void StreamWriteString(std::string_view Text);
  void FlushBuffer();
  // What a column decides for every one of its cells.
  struct TColumnLook {
    kvp::TFont* Font = nullptr;  // the column's own
    kvp::TColor Color = kvp::clWindow;
    kvp::TAlignment Alignment = kvp::taLeftJustify;
    bool Images = false;      // an image list: the cells have an image index
    bool Checkboxes = false;  // check boxes: the cells have a check-box state
    bool ReadOnly = false;
    kvp::TFont* CellFont = nullptr;  // the copy of Font its cells get; owned by FCellFonts
    bool CellFontStale = true;       // CellFont was changed since it was copied
  };
  static TColumnLook LookOf(TColumnKv* Column);
  // The font a cell of export column Index gets: a copy of the column's
  // font, copied again when it was changed, or always while a handler may
  // change the column's font (Hooked).
  kvp::TFont* CellFontOf(std::size_t Index, bool Hooked);

  TColCellParamsKv* FColCellParamsEh = nullptr;  // owned; the cell handed to WriteDataCell
  TCustomDBGridKv* FDBGrid = nullptr;
  TColumnsKvList* FExpCols = nullptr;  // the columns written; owned by the walk when made for it
  kvp::TStream* FStream = nullptr;     // where the writers write during a walk
  TFooterValues FFooterValues;
  kvp::TColor FDataCellShading = kvp::clWindow;  // the cell's colour after the grid's event
  kvp::TFont* FCellFont = nullptr;  // owned; the copy of a column's font handed to a cell
  kvp::String FBuffer;              // written bytes not yet in the stream
  std::size_t FFlushAt = 0x10000;   // the buffer goes to the stream from this size on
  std::vector<TColumnLook> FColumnLooks;  // of the export columns, during a walk
  std::vector<kvp::TObjectPtr<kvp::TFont>> FCellFonts;  // the cell fonts of the columns, kept for reuse
};

// ---------------------------------------------------------------------------
// TDBGridKvExportAsText: tab-separated text: one line per title, record and
// footer row, cells separated by a tab, lines by CR LF, none after the last.
// Cell texts are written as they are.
class TDBGridKvExportAsText : public TDBGridKvExport {
  KV_CLASS(TDBGridKvExportAsText, TDBGridKvExport)
 public:
  void ExportToStream(kvp::TStream* Stream, bool IsExportAll) override;

 protected:
  void WriteTitle(TColumnsKvList* ColumnsList) override;
  void WriteRecord(TColumnsKvList* ColumnsList) override;
  void WriteDataCell(TColumnKv* Column, TColCellParamsKv* CellParams) override;
  void WriteFooter(TColumnsKvList* ColumnsList, kvp::Integer FooterNo) override;
  void WriteFooterCell(kvp::Integer DataCol, kvp::Integer Row, TColumnKv* Column,
                       kvp::TFont* AFont, kvp::TColor Background, kvp::TAlignment Alignment,
                       const kvp::String& Text) override;
  virtual void WriteLineSeparator();
  virtual void WriteCellSeparator();
  // Writes the text of a cell as the format writes it (here as it is).
  virtual void AppendCellText(const kvp::String& Text);

  bool FirstRec = false;   // no line separator before the first line
  bool FirstCell = false;  // no cell separator before the first cell of a line
};

// ---------------------------------------------------------------------------
// TDBGridKvExportAsCSV: separated values: every cell enclosed in double
// quotes (inner quotes doubled, so separators and line breaks stay inside
// the cell), cells separated by the separator character taken from
// CsvSeparatorChar when the exporter is made.
class TDBGridKvExportAsCSV : public TDBGridKvExportAsText {
  KV_CLASS(TDBGridKvExportAsCSV, TDBGridKvExportAsText)
 public:
  kvp::Char GetSeparator() const { return FSeparator; }

 protected:
  void Construct() override;
  void WriteTitle(TColumnsKvList* ColumnsList) override;
  void WriteCellSeparator() override;
  void AppendCellText(const kvp::String& Text) override;

  kvp::Char FSeparator = U';';
  kvp::String FSeparatorText = ";";  // the separator as UTF-8
};

// ---------------------------------------------------------------------------
// TDBGridKvExportAsRTF: a rich-text table: one table row per title band,
// record and footer row, with the colour and font tables the cells use (in
// first-use order; the colours always begin with black, white and the button
// face). The body is written first into a stream of its own, because the
// tables that open the document are known only once it is done.
class TDBGridKvExportAsRTF : public TDBGridKvExport {
  KV_CLASS(TDBGridKvExportAsRTF, TDBGridKvExport)
 public:
  void ExportToStream(kvp::TStream* Stream, bool IsExportAll) override;

 protected:
  void WritePrefix() override;
  void WriteSuffix() override;
  void WriteTitle(TColumnsKvList* ColumnsList) override;
  void WriteRecord(TColumnsKvList* ColumnsList) override;
  void WriteDataCell(TColumnKv* Column, TColCellParamsKv* CellParams) override;
  void WriteFooter(TColumnsKvList* ColumnsList, kvp::Integer FooterNo) override;
  void WriteFooterCell(kvp::Integer DataCol, kvp::Integer Row, TColumnKv* Column,
                       kvp::TFont* AFont, kvp::TColor Background, kvp::TAlignment Alignment,
                       const kvp::String& Text) override;
  // The place of the colour (as RGB) in the colour table, added when new.
  kvp::Integer GetColorIndex(kvp::TColor Color);
  // The place of the font's name in the font table, added when new.
  kvp::Integer GetFontIndex(const kvp::String& FontName);

 private:
  struct TRtfCell {
    bool Present = true;  // false: a position covered by a span (written empty)
    kvp::TColor Shading = kvp::clWindow;
    kvp::TAlignment Alignment = kvp::taLeftJustify;
    kvp::String FontName;
    kvp::Integer FontSize = 0;
    kvp::TFontStyles FontStyle;
    kvp::TColor FontColor = kvp::clBlack;
    kvp::TColor Background = kvp::clWindow;
    kvp::String Text;
    kvp::String Spacing;  // the \sb and \sa value
    bool NoLeft = false, NoTop = false, NoBottom = false, NoRight = false;  // borders left out
  };
  void WriteRow(const std::vector<TRtfCell>& Cells);
  // False when a column has no leaf in the header tree.
  bool WriteMultiTitle(TColumnsKvList* ColumnsList);
  kvp::String Spacing() const;
  kvp::Integer PixelsPerInch();
  TRtfCell MakeCell(kvp::TColor Shading, kvp::TAlignment Alignment, kvp::TFont* Font,
                    kvp::TColor Background, const kvp::String& Text, const kvp::String& Sp);

  TMemoryStreamKv* FBody = nullptr;     // owned during a walk
  std::vector<kvp::String> FColorList;  // "RRRGGGBBB" keys, in table order
  std::vector<kvp::String> FFontList;   // font names, in table order
  std::vector<TRtfCell> FRowCells;      // the cells of the row being written
  kvp::Integer FPixelsPerInch = 0;      // of the grid's canvas; 0 until asked
};

// ---------------------------------------------------------------------------
// TDBGridKvExportAsVCLDBIF: the binary exchange format. Little-endian, no
// padding: "VCLDBIF", version byte 1, Int32 column count N, per column a
// Visible byte and a zero-terminated name (written empty); then per record N
// tagged values; then tag 0.
//   tag 1 no value (no field, a type without a mapping, a lookup on several
//         key fields), 2 Null, 3 Int32, 4 Float64, 5 text (Int32 length +
//         bytes), 6 binary (Int32 length + bytes).
// Titles and footers write nothing.
class TDBGridKvExportAsVCLDBIF : public TDBGridKvExport {
  KV_CLASS(TDBGridKvExportAsVCLDBIF, TDBGridKvExport)

 protected:
  void WritePrefix() override;
  void WriteSuffix() override;
  void WriteDataCell(TColumnKv* Column, TColCellParamsKv* CellParams) override;
};

// [SECTION] Importers

// ---------------------------------------------------------------------------
// TDBGridKvImport: reads values into the grid's dataset: into the selected
// records, rectangle or columns, or from the current cell onward, writing
// over records and then, where the grid allows appending, adding new ones.
//
// Call order of one ImportFromStream: ReadPrefix (which reads and checks
// the whole input: malformed input is refused before any record changes);
// ReadRecord per record (the base calls SetCellValue per import column);
// ReadSuffix. A value a field refuses asks whether to go on (Yes), stop (No,
// a silent abort) or ignore every further error of this import (All).
// Records completed stay; a record left half-written by an error is
// cancelled. The dataset's controls are disabled and the grid's position is
// kept across the walk, also when it fails.
class TDBGridKvImport : public kvp::TObject {
  KV_CLASS(TDBGridKvImport, kvp::TObject)
 public:
  TCustomDBGridKv* GetDBGrid() const { return FDBGrid; }
  void SetDBGrid(TCustomDBGridKv* Value) { FDBGrid = Value; }
  bool GetEndOfData() const { return FEndOfData; }
  virtual void ImportFromStream(kvp::TStream* Stream, bool IsImportAll);
  virtual void ImportFromFile(const kvp::String& FileName, bool IsImportAll);

 protected:
  virtual void ReadPrefix() {}
  virtual void ReadSuffix() {}
  virtual void ReadRecord(TColumnsKvList* ColumnsList);
  virtual void SetCellValue(TColumnKv* /*Column*/) {}
  // Writes into the column's field through Assign, which gets the field;
  // the error question guards the write. Without a modifiable target
  // nothing is written. TypedValue: a value of the binary format, written
  // whole also into a blob or memo field; else text, and a lookup without
  // key fields is passed over.
  void AssignCell(TColumnKv* Column, bool TypedValue,
                  const std::function<void(kvp::TField*)>& Assign);
  // The error question for an assignment that raised.
  void AskAboutError(const kvp::String& Message);
  // The bytes of the input not yet read; the readers read from here.
  const kvp::String& Data() const { return FData; }

  TCustomDBGridKv* FDBGrid = nullptr;
  kvp::TStream* FStream = nullptr;
  TColumnsKvList* FImpCols = nullptr;  // the columns written; owned by the walk when made for it
  bool FEndOfData = false;
  bool FIgnoreAll = false;  // errors are skipped without a question for the rest of the import
  kvp::String FData;        // the whole input, read at the start of the import
  std::size_t FPos = 0;     // the next byte of FData to read

 private:
  void Walk(TDBGridKvSelectionKind Kind, impexp::TGridPosition& Position);
  void AppendRest(bool UseInsert);
};

// ---------------------------------------------------------------------------
// TDBGridKvImportAsText: tab-separated text: lines end with CR LF (a CR
// without its LF is refused); values are separated by tabs; a value goes to
// the import column at its position, extra values are dropped, and columns
// past a line's values keep what they hold. A text value goes through the
// column's lists: a lookup column finds it in the lookup dataset, a column
// of keys and picks takes the key of the pick.
class TDBGridKvImportAsText : public TDBGridKvImport {
  KV_CLASS(TDBGridKvImportAsText, TDBGridKvImport)
 public:
  void ImportFromStream(kvp::TStream* Stream, bool IsImportAll) override;

 protected:
  void ReadPrefix() override;
  void ReadRecord(TColumnsKvList* ColumnsList) override;
  void SetCellValue(TColumnKv* Column) override;
  void ReadChar();
  void CheckState();
  void ReadValue();

  char FCurChar = 0;
  kvp::Integer FState = 0;  // 0 a character, 1 a tab, 2 a line end, 3 the end of the input
  kvp::String FValue;       // the value read last
};

// ---------------------------------------------------------------------------
// TDBGridKvImportAsVCLDBIF: the binary exchange format (see
// TDBGridKvExportAsVCLDBIF). Values go to the import columns by position;
// the names and Visible bytes of the column entries are kept, not matched.
// Any version byte is accepted; anything else that does not fit (a wrong
// signature, a count or length that is negative or runs past the end, a
// stream that ends early, column entries but values of no column) is
// refused with "Invalid VCLDBIF format".
class TDBGridKvImportAsVCLDBIF : public TDBGridKvImport {
  KV_CLASS(TDBGridKvImportAsVCLDBIF, TDBGridKvImport)
 public:
  struct THeader {
    char Signature[7] = {};
    kvp::Byte Version = 0;
    kvp::Integer ColCount = 0;
  };
  struct TColumnEntry {
    bool Visible = false;
    kvp::String Name;
  };
  void ImportFromStream(kvp::TStream* Stream, bool IsImportAll) override;
  const THeader& GetHeader() const { return FHeader; }
  const std::vector<TColumnEntry>& GetColumnNames() const { return FColumnNames; }
  bool GetNamesPresent() const { return FNamesPresent; }

 protected:
  void ReadPrefix() override;
  void ReadRecord(TColumnsKvList* ColumnsList) override;
  void SetCellValue(TColumnKv* Column) override;
  void ReadValue();

  THeader FHeader;
  kvp::Variant FValue;  // the value read last; Empty: no value
  std::vector<TColumnEntry> FColumnNames;
  bool FNamesPresent = false;  // some column entry has a name
};

// [SECTION] Clipboard commands

// Each command works on the grid's selection, or with ForWholeGrid on every
// record. Copy puts the selection on the clipboard as Unicode text (on
// systems of the NT family), "Csv", "Rich Text Format" and "VCLDBIF"; paste
// imports "VCLDBIF" when the clipboard offers it, else plain text from the
// current cell on; delete removes the selected records or clears the
// selected cells, asking first with the grid's confirm-delete option; cut
// copies, then deletes. The clipboard is closed and the dataset's controls
// enabled again whatever happens.
void CopyGridSelectionToClipboard(TCustomDBGridKv* Grid, bool ForWholeGrid);
void CutGridSelectionToClipboard(TCustomDBGridKv* Grid, bool ForWholeGrid);
void PasteGridSelectionFromClipboard(TCustomDBGridKv* Grid, bool ForWholeGrid);
void DeleteGridSelection(TCustomDBGridKv* Grid, bool ForWholeGrid);
// Run one exporter or importer (by class) over the grid and a stream.
void ExportGridToStream(kvp::TClass ExportClass, TCustomDBGridKv* Grid, kvp::TStream* Stream,
                        bool ForWholeGrid);
void ImportGridFromStream(kvp::TClass ImportClass, TCustomDBGridKv* Grid, kvp::TStream* Stream,
                          bool ForWholeGrid);
// The stream's bytes on the clipboard under Format, in a new global block.
void PutStreamToClipboard(kvp::UINT Format, TMemoryStreamKv* Stream);
// The stream's UTF-8 text (its terminating zero included) as CF_UNICODETEXT.
void PutStreamToClipboardAsUnicode(TMemoryStreamKv* Stream);
// Appends the whole block the clipboard holds under Format, if any.
void GetStreamFromClipboard(kvp::UINT Format, kvp::TStream* Stream);
bool IsWindowsNT();

}  // namespace korvel
