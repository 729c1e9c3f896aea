// A small grid for the tests: cells show "c,r" text, edits are kept per
// cell, and every call of the protected hooks is logged.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "base/GridsKv.h"
#include "platform/controls/Forms.h"
#include "platform/graphics/Surface.h"
#include "platform/win/Win.h"

namespace korvel {

class TTestGrid : public TCustomGridKv {
  KV_CLASS(TTestGrid, TCustomGridKv)
 public:
  explicit TTestGrid(kvp::TComponent* AOwner) : TCustomGridKv(AOwner) {}

  struct TDrawn {
    kvp::Integer Col, Row;
    kvp::TRect Rect;
    TGridDrawState State;
  };
  std::vector<TDrawn> Drawn;                         // DrawCell calls of the paints so far
  std::vector<kvp::String> Log;                      // hook calls
  std::vector<kvp::Word> KeysDown;                   // keys that reached KeyDown
  std::map<std::pair<int, int>, kvp::String> Texts;  // what SetEditText stored
  std::vector<kvp::String> EditTexts;                // every text SetEditText received
  kvp::Integer EditLimit = 0;
  kvp::String EditMask;
  bool AcceptKeys = true;
  bool AllowSelect = true;
  bool AllowEndDrag = true;
  bool FillCells = false;  // DrawCell fills its rectangle with CellColour instead of text

  // A colour of its own for every cell of a grid up to 20 x 20 cells.
  static kvp::COLORREF CellColour(kvp::Integer Col, kvp::Integer Row) {
    return kvp::COLORREF(0x3C0000 | ((0x10 + Row * 9) << 8) | (0x10 + Col * 9));
  }

  const TDrawn* FindDrawn(kvp::Integer Col, kvp::Integer Row) const {
    for (auto It = Drawn.rbegin(); It != Drawn.rend(); ++It)
      if (It->Col == Col && It->Row == Row) return &*It;
    return nullptr;
  }

  using kvp::TComponent::SetDesigning;
  using TCustomGridKv::AdjustSize;
  using TCustomGridKv::CalcSizingState;
  using TCustomGridKv::FocusCell;
  using TCustomGridKv::ModifyScrollBar;
  using TCustomGridKv::MoveCurrent;
  using TCustomGridKv::Sizing;
  using TCustomGridKv::UpdateScrollPos;
  void SetDefaultColWidth(kvp::Integer W) { FDefaultColWidth = W; }
  kvp::Integer InplaceCol() const { return FInplaceCol; }

 protected:
  void DrawCell(kvp::Integer ACol, kvp::Integer ARow, kvp::TRect ARect,
                TGridDrawState AState) override {
    Drawn.push_back({ACol, ARow, ARect, AState});
    if (FillCells) {
      FCanvas->GetBrush()->SetStyle(kvp::bsSolid);
      FCanvas->GetBrush()->SetColor(kvp::TColor(CellColour(ACol, ARow)));
      FCanvas->FillRect(ARect);
      return;
    }
    FCanvas->GetBrush()->SetStyle(kvp::bsClear);
    const kvp::String Text = std::to_string(ACol) + "," + std::to_string(ARow);
    // On a mirrored canvas the text still runs rightwards from its point:
    // start it so that it ends 2 pixels inside the cell's right edge on screen.
    const kvp::Integer X =
        GetCanvasMirrored() ? ARect.Left + 2 + FCanvas->TextWidth(Text) : ARect.Left + 2;
    FCanvas->TextOut(X, ARect.Top + 2, Text);
  }
  kvp::String GetEditText(kvp::Integer ACol, kvp::Integer ARow) override {
    Log.push_back("GetEditText");
    auto It = Texts.find({ACol, ARow});
    return It == Texts.end() ? "t" + std::to_string(ACol) + std::to_string(ARow) : It->second;
  }
  void SetEditText(kvp::Integer ACol, kvp::Integer ARow, const kvp::String& Value) override {
    EditTexts.push_back(Value);
    Texts[{ACol, ARow}] = Value;
  }
  kvp::String GetEditMask(kvp::Integer, kvp::Integer) override {
    Log.push_back("GetEditMask");
    return EditMask;
  }
  kvp::Integer GetEditLimit() override {
    Log.push_back("GetEditLimit");
    return EditLimit;
  }
  bool CanEditAcceptKey(kvp::Char) override { return AcceptKeys; }
  bool SelectCell(kvp::Integer, kvp::Integer) override { return AllowSelect; }
  void ColumnMoved(kvp::Integer F, kvp::Integer T) override {
    Log.push_back("ColumnMoved " + std::to_string(F) + "," + std::to_string(T));
  }
  void KeyDown(kvp::Word& Key, kvp::TShiftState Shift) override {
    KeysDown.push_back(Key);
    TCustomGridKv::KeyDown(Key, Shift);
  }
  void SizeChanged(kvp::Integer OldColCount, kvp::Integer OldRowCount) override {
    Log.push_back("SizeChanged " + std::to_string(OldColCount) + "," + std::to_string(OldRowCount));
  }
  void ColWidthsChanged() override {
    Log.push_back("ColWidthsChanged");
    TCustomGridKv::ColWidthsChanged();
  }
  bool EndColumnDrag(kvp::Integer&, kvp::Integer&, const kvp::TPoint&) override {
    return AllowEndDrag;
  }
};

// A grid of 320 x 120 client pixels (no border, no scroll bars) on a shown
// form, with the focus.
class GridOnFormTest : public ::testing::Test {
 protected:
  kvp::TDrawingLogOn DrawingLog;  // the tests read what the grid draws
  void SetUp() override {
    kvp::ResetWindowSystem();
    kvp::Application()->Reset();
    Form = kvp::TForm::Create(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Grid = TTestGrid::Create(Form);
    Grid->SetBorderStyle(kvp::bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetBounds(0, 0, 320, 120);
    Grid->SetParent(Form);
    Form->Show();
    Grid->SetFocus();
    Paint();
  }
  void TearDown() override {
    Grid->CheckConsistency();
    kvp::FreeAndNil(Form);
    kvp::Application()->CheckNoExceptions();
    kvp::ResetWindowSystem();
  }
  // Paints what is invalid and starts a fresh drawing log.
  void Paint() {
    Grid->Drawn.clear();
    kvp::GetWindowSurface(Grid->GetHandle())->ClearRecords();
    kvp::UpdateWindow(Grid->GetHandle());
  }
  void RepaintAll() {
    Grid->Invalidate();
    Paint();
  }
  // A pixel of the grid's client area.
  kvp::COLORREF Pixel(kvp::Integer X, kvp::Integer Y) {
    const kvp::TRect R = kvp::GetWindowSurfaceRect(Grid->GetHandle());
    return kvp::GetWindowSurface(Grid->GetHandle())->GetPixel(R.Left + X, R.Top + Y);
  }
  // The XOR lines drawn on the grid since the log was last cleared; an even
  // count means every sizing line shown was taken away again.
  kvp::Integer XorLines() {
    kvp::Integer N = 0;
    for (const kvp::TDrawRecord& R : kvp::GetWindowSurface(Grid->GetHandle())->Records())
      if (R.Kind == kvp::TDrawKind::Line && R.Rop == kvp::R2_XORPEN) ++N;
    return N;
  }
  kvp::TPoint Center(kvp::Integer Col, kvp::Integer Row) {
    const kvp::TRect R = Grid->CellRect(Col, Row);
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  void Press(kvp::Word Key, kvp::TShiftState Shift = {}) { kvp::Input.KeyPress(Key, Shift); }
  kvp::TForm* Form = nullptr;
  TTestGrid* Grid = nullptr;
};

}  // namespace korvel
