// The rich-text writer: a table whose rows are the title (or the bands of
// multi-level titles), the records and the footer rows, preceded by the
// colour and font tables the cells use.
//
// Index
//   [SECTION] Document            ExportToStream, the tables, WritePrefix/Suffix
//   [SECTION] Rows                WriteRecord, WriteFooter, WriteTitle, WriteRow
//   [SECTION] Multi-level titles  WriteMultiTitle
#include <algorithm>
#include <cstdio>
#include <map>

#include "grid/DBGridKvImpExpImpl.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Paint.h"

namespace korvel {

using namespace kvp;

namespace {

String ColorKey(COLORREF Rgb) {
  char Key[16];
  std::snprintf(Key, sizeof Key, "%3d%3d%3d", GetRValue(Rgb), GetGValue(Rgb), GetBValue(Rgb));
  return Key;
}

const char* AlignmentWord(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify:
      return "\\qr";
    case taCenter:
      return "\\qc";
    default:
      return "\\ql";
  }
}

// Cell text as rich text: the control characters of the format escaped,
// every character beyond ASCII as a Unicode escape (UTF-16 units, signed,
// with "?" for readers that do not know it), a byte that is not UTF-8 as a
// code-page byte, and line breaks as line breaks of the cell.
String EscapeText(const String& Text) {
  String Out;
  Out.reserve(Text.size());
  std::size_t Pos = 0;
  while (Pos < Text.size()) {
    const unsigned char C = static_cast<unsigned char>(Text[Pos]);
    if (C < 0x80) {
      ++Pos;
      switch (C) {
        case '\\':
          Out += "\\\\";
          break;
        case '{':
          Out += "\\{";
          break;
        case '}':
          Out += "\\}";
          break;
        case '\r':
          if (Pos < Text.size() && Text[Pos] == '\n') ++Pos;
          Out += "\\line ";
          break;
        case '\n':
          Out += "\\line ";
          break;
        default:
          Out += char(C);
      }
      continue;
    }
    const std::size_t Start = Pos;
    bool Valid = true;
    const Char Ch = Utf8Decode(Text, Pos, &Valid);
    if (!Valid) {
      Pos = Start + 1;
      char Hex[8];
      std::snprintf(Hex, sizeof Hex, "\\'%02x", C);
      Out += Hex;
      continue;
    }
    const WideString Units = Utf8ToUtf16(Text.substr(Start, Pos - Start));
    (void)Ch;
    for (char16_t U : Units) Out += "\\u" + std::to_string(std::int16_t(U)) + "?";
  }
  return Out;
}

}  // namespace

// [SECTION] Document

Integer TDBGridKvExportAsRTF::GetColorIndex(TColor Color) {
  const String Key = ColorKey(ColorToRGB(Color));
  for (std::size_t I = 0; I < FColorList.size(); ++I)
    if (FColorList[I] == Key) return Integer(I);
  FColorList.push_back(Key);
  return Integer(FColorList.size() - 1);
}

Integer TDBGridKvExportAsRTF::GetFontIndex(const String& FontName) {
  for (std::size_t I = 0; I < FFontList.size(); ++I)
    if (SameText(FFontList[I], FontName)) return Integer(I);
  FFontList.push_back(FontName);
  return Integer(FFontList.size() - 1);
}

Integer TDBGridKvExportAsRTF::PixelsPerInch() {
  if (FPixelsPerInch > 0) return FPixelsPerInch;
  if (FDBGrid && FDBGrid->HandleAllocated()) {
    FPixelsPerInch = GetDeviceCaps(FDBGrid->GetCanvas()->GetHandle(), LOGPIXELSX);
  } else {
    HDC Screen = GetDC(nullptr);
    FPixelsPerInch = GetDeviceCaps(Screen, LOGPIXELSX);
    ReleaseDC(nullptr, Screen);
  }
  if (FPixelsPerInch <= 0) FPixelsPerInch = 96;
  return FPixelsPerInch;
}

String TDBGridKvExportAsRTF::Spacing() const { return FDBGrid->GetFlat() ? "12" : "24"; }

void TDBGridKvExportAsRTF::ExportToStream(TStream* Stream, bool IsExportAll) {
  // [Phase 1] The body's own stream and the tables, which always begin with
  // black, white and the button face.
  TObjectPtr<TMemoryStreamKv> Body(TMemoryStreamKv::Create());
  Body->SetMemoryDelta(0x10000);
  FBody = Body.get();
  struct TDropBody {
    TDBGridKvExportAsRTF* Self;
    ~TDropBody() { Self->FBody = nullptr; }
  } DropBody{this};
  FColorList = {ColorKey(ColorToRGB(clBlack)), ColorKey(ColorToRGB(clWhite)),
                ColorKey(ColorToRGB(clBtnFace))};
  FFontList.clear();
  FPixelsPerInch = 0;
  // [Phase 2] The walk writes the body.
  TDBGridKvExport::ExportToStream(Body.get(), IsExportAll);
  // A walk that wrote nothing (no selection) makes no document: the tables
  // alone would leave its group open.
  if (Body->GetSize() == 0) return;
  // [Phase 3] The document: its tables, then the body.
  FStream = Stream;
  FBuffer.clear();
  FFlushAt = 0x10000;
  String Head = "{\\rtf0\\ansi\r\n{\\colortbl";
  for (const String& Key : FColorList)
    Head += "\\red" + Trim(Key.substr(0, 3)) + "\\green" + Trim(Key.substr(3, 3)) + "\\blue" +
            Trim(Key.substr(6, 3)) + ";";
  Head += "}\r\n{\\fonttbl";
  for (std::size_t I = 0; I < FFontList.size(); ++I)
    Head += "\\f" + std::to_string(I) + "\\fnil " + FFontList[I] + ";";
  Head += "}\r\n";
  StreamWriteString(Head);
  FlushBuffer();
  Stream->WriteBuffer(Body->GetMemory(), Integer(Body->GetSize()));
}

void TDBGridKvExportAsRTF::WritePrefix() {}

void TDBGridKvExportAsRTF::WriteSuffix() { StreamWriteString("}"); }

// [SECTION] Rows

TDBGridKvExportAsRTF::TRtfCell TDBGridKvExportAsRTF::MakeCell(TColor Shading, TAlignment Alignment,
                                                              TFont* Font, TColor Background,
                                                              const String& Text,
                                                              const String& Sp) {
  TRtfCell Cell;
  Cell.Shading = Shading;
  Cell.Alignment = Alignment;
  Cell.FontName = Font->GetName();
  Cell.FontSize = Font->GetSize();
  Cell.FontStyle = Font->GetStyle();
  Cell.FontColor = Font->GetColor();
  Cell.Background = Background;
  Cell.Text = Text;
  Cell.Spacing = Sp;
  return Cell;
}

void TDBGridKvExportAsRTF::WriteRecord(TColumnsKvList* ColumnsList) {
  FRowCells.clear();
  TDBGridKvExport::WriteRecord(ColumnsList);
  WriteRow(FRowCells);
}

void TDBGridKvExportAsRTF::WriteDataCell(TColumnKv*, TColCellParamsKv* CellParams) {
  FRowCells.push_back(MakeCell(FDataCellShading, CellParams->GetAlignment(),
                               CellParams->GetFont(), CellParams->GetBackground(),
                               CellParams->GetText(), Spacing()));
}

void TDBGridKvExportAsRTF::WriteFooter(TColumnsKvList* ColumnsList, Integer FooterNo) {
  FRowCells.clear();
  TDBGridKvExport::WriteFooter(ColumnsList, FooterNo);
  WriteRow(FRowCells);
}

void TDBGridKvExportAsRTF::WriteFooterCell(Integer, Integer, TColumnKv*, TFont* AFont,
                                           TColor Background, TAlignment Alignment,
                                           const String& Text) {
  FRowCells.push_back(MakeCell(Background, Alignment, AFont, Background, Text, Spacing()));
}

void TDBGridKvExportAsRTF::WriteTitle(TColumnsKvList* ColumnsList) {
  if (FDBGrid->GetUseMultiTitle() && WriteMultiTitle(ColumnsList)) return;
  FRowCells.clear();
  for (Integer I = 0; I < ColumnsList->GetCount(); ++I) {
    TColumnTitleKv* Title = ColumnsList->GetColumn(I)->GetTitle();
    FRowCells.push_back(MakeCell(Title->GetColor(), Title->GetAlignment(), Title->GetFont(),
                                 Title->GetColor(), Title->GetCaption(), Spacing()));
  }
  WriteRow(FRowCells);
}

// One table row: its frame (borders, shading and right edge of each cell),
// then the cells.
void TDBGridKvExportAsRTF::WriteRow(const std::vector<TRtfCell>& Cells) {
  String Out = "\\trowd\\trgaph40\r\n";
  const Integer Ppi = PixelsPerInch();
  Integer Edge = 0;
  for (std::size_t I = 0; I < Cells.size(); ++I) {
    const TRtfCell& Cell = Cells[I];
    if (!Cell.NoLeft) Out += "\\clbrdrl\\brdrs\\brdrcf0\r\n";
    if (!Cell.NoTop) Out += "\\clbrdrt\\brdrs\\brdrcf0\r\n";
    if (!Cell.NoBottom) Out += "\\clbrdrb\\brdrs\\brdrcf0\r\n";
    if (!Cell.NoRight) Out += "\\clbrdrr\\brdrs\\brdrcf0\r\n";
    const Integer Width = FExpCols->GetColumn(Integer(I))->GetWidth();
    Edge += Integer(Round(Extended(Width) / Ppi * 1440));
    Out += "\\clshdng10000\\clcfpat" + std::to_string(GetColorIndex(Cell.Shading)) + "\\cellx" +
           std::to_string(Edge) + "\r\n";
  }
  Out += "{\\trrh0\r\n";
  for (const TRtfCell& Cell : Cells) {
    Out += "\\pard\\intbl{";
    Out += AlignmentWord(Cell.Alignment);
    if (Cell.Present) Out += "\\sb" + Cell.Spacing + "\\sa" + Cell.Spacing;
    Out += "\\fs" + std::to_string(Cell.FontSize * 2);
    if (Cell.FontStyle.Contains(fsBold)) Out += "\\b";
    if (Cell.FontStyle.Contains(fsItalic)) Out += "\\i";
    if (Cell.FontStyle.Contains(fsStrikeOut)) Out += "\\strike";
    if (Cell.FontStyle.Contains(fsUnderline)) Out += "\\ul";
    Out += "\\f" + std::to_string(GetFontIndex(Cell.FontName));
    Out += "\\cf" + std::to_string(GetColorIndex(Cell.FontColor));
    Out += "\\cb" + std::to_string(GetColorIndex(Cell.Background));
    Out += " ";
    if (Cell.Present) Out += EscapeText(Cell.Text);
    Out += "\\cell}\r\n";
  }
  Out += "\\pard\\intbl\\row}\r\n";
  StreamWriteString(Out);
}

// [SECTION] Multi-level titles

// The title tree is cut into horizontal bands, from the leaves (band 0) up
// to the children of the root; a node over several columns, or over several
// bands, becomes one cell spanning them, and the positions it covers are
// written as empty cells whose inner borders are left out.
bool TDBGridKvExportAsRTF::WriteMultiTitle(TColumnsKvList* ColumnsList) {
  const Integer N = ColumnsList->GetCount();
  // [Phase 1] Each column's leaf.
  std::vector<THeadTreeNode*> Cur(std::size_t(N), nullptr);
  std::vector<Integer> Edge(std::size_t(N), 0);
  for (Integer C = 0; C < N; ++C) {
    for (Integer L = 0; L < FDBGrid->GetLeafCount(); ++L)
      if (FDBGrid->GetLeaf(L)->FColumn == ColumnsList->GetColumn(C))
        Cur[std::size_t(C)] = FDBGrid->GetLeaf(L)->FLeaf;
    // A column the tree does not know (no layout yet) gets the plain title.
    if (!Cur[std::size_t(C)]) return false;
    Edge[std::size_t(C)] = Cur[std::size_t(C)]->Height;
  }
  if (N == 0) return true;
  // [Phase 2] The bands.
  std::vector<std::vector<THeadTreeNode*>> Bands;
  for (;;) {
    const Integer Smallest = *std::min_element(Edge.begin(), Edge.end());
    Bands.push_back(Cur);
    bool Moved = false;
    for (std::size_t C = 0; C < std::size_t(N); ++C) {
      THeadTreeNode* Parent = Cur[C]->Parent;
      if (Edge[C] != Smallest || !Parent || !Parent->Parent) continue;
      Cur[C] = Parent;
      Edge[C] += Parent->Height;
      Moved = true;
    }
    if (!Moved) break;
  }
  // [Phase 3] Spans: from the top band down, each node still set claims the
  // columns to its right and the bands below that show it too.
  const Integer B = Integer(Bands.size());
  struct TFlags {
    bool NoLeft = false, NoTop = false, NoBottom = false, NoRight = false;
  };
  std::map<std::pair<Integer, Integer>, TFlags> Flags;  // (column, band)
  for (Integer Band = B - 1; Band >= 0; --Band)
    for (Integer C = 0; C < N; ++C) {
      THeadTreeNode* Node = Bands[std::size_t(Band)][std::size_t(C)];
      if (!Node) continue;
      Integer W = 1, H = 1;
      while (C + W < N && Bands[std::size_t(Band)][std::size_t(C + W)] == Node) ++W;
      while (Band - H >= 0 && Bands[std::size_t(Band - H)][std::size_t(C)] == Node) ++H;
      for (Integer CC = C; CC < C + W; ++CC)
        for (Integer BB = Band; BB > Band - H; --BB) {
          TFlags& F = Flags[{CC, BB}];
          F.NoLeft = CC != C;
          F.NoRight = CC != C + W - 1;
          F.NoTop = BB != Band;
          F.NoBottom = BB != Band - H + 1;
          if (CC != C || BB != Band) Bands[std::size_t(BB)][std::size_t(CC)] = nullptr;
        }
    }
  // [Phase 4] The rows, top band first.
  const Extended Margin = Extended(FDBGrid->GetMultiTitleMargin());
  const String Sp2 = std::to_string(
      std::abs(Round(Margin / 2 / PixelsPerInch() * 1440 - 20)));
  for (Integer Band = B - 1; Band >= 0; --Band) {
    std::vector<TRtfCell> Cells;
    for (Integer C = 0; C < N; ++C) {
      THeadTreeNode* Node = Bands[std::size_t(Band)][std::size_t(C)];
      TColumnTitleKv* Title = ColumnsList->GetColumn(C)->GetTitle();
      TRtfCell Cell =
          Band > 0 ? MakeCell(FDBGrid->GetFixedColor(), taCenter, FDBGrid->GetTitleFont(),
                              FDBGrid->GetFixedColor(), Node ? Node->Text : String(), Sp2)
                   : MakeCell(Title->GetColor(), taCenter, Title->GetFont(), Title->GetColor(),
                              Node ? Node->Text : String(), Sp2);
      Cell.Present = Node != nullptr;
      const TFlags& F = Flags[{C, Band}];
      Cell.NoLeft = F.NoLeft;
      Cell.NoTop = F.NoTop;
      Cell.NoBottom = F.NoBottom;
      Cell.NoRight = F.NoRight;
      Cells.push_back(Cell);
    }
    WriteRow(Cells);
  }
  return true;
}

}  // namespace korvel
