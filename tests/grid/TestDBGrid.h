// The shared fixture of the data-aware grid's tests: a grid class that
// publishes what a form would store and logs the calls of its hooks, a form
// that shows it, and small in-memory datasets.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "grid/DBGridKv.h"
#include "platform/controls/Forms.h"
#include "platform/db/MemoryDataSet.h"
#include "platform/win/Win.h"

namespace korvel {

// TTestDBGrid: the grid as an application's form would hold it, with its
// hooks logged.
class TTestDBGrid : public TCustomDBGridKv {
  KV_CLASS(TTestDBGrid, TCustomDBGridKv)
 public:
  explicit TTestDBGrid(kvp::TComponent* AOwner) : TCustomDBGridKv(AOwner) {}

  std::vector<kvp::String> Log;     // hook calls, in order
  kvp::Integer Layouts = 0;         // InternalLayout runs
  kvp::Integer LayoutRequests = 0;  // LayoutChanged calls
  std::vector<kvp::TMessage> ScrollMessages;  // WM_HSCROLL / WM_VSCROLL received

  void LayoutChanged() override {
    ++LayoutRequests;
    Log.push_back("LayoutChanged");
    TCustomDBGridKv::LayoutChanged();
  }
  void UpdateRowCount() override { Log.push_back("UpdateRowCount"); }
  void WndProc(kvp::TMessage& Message) override {
    if (Message.Msg == kvp::WM_HSCROLL || Message.Msg == kvp::WM_VSCROLL)
      ScrollMessages.push_back(Message);
    TCustomDBGridKv::WndProc(Message);
  }
  using kvp::TComponent::SetDesigning;

  KV_PUBLISHED {
    P.Prop("HorzScrollBar", &TTestDBGrid::GetHorzScrollBar, &TTestDBGrid::SetHorzScrollBar);
    P.Prop("VertScrollBar", &TTestDBGrid::GetVertScrollBar, &TTestDBGrid::SetVertScrollBar);
  }

 protected:
  void InternalLayout() override {
    ++Layouts;
    TCustomDBGridKv::InternalLayout();
  }
};

// A grid of 400 x 200 pixels on a shown form.
class DBGridOnFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvp::ResetWindowSystem();
    kvp::Application()->Reset();
    Form = kvp::TForm::Create(nullptr);
    Form->SetBounds(100, 100, 500, 300);
    Grid = MakeGrid("Grid1");
    Form->Show();
  }
  void TearDown() override {
    for (TTestDBGrid* G : Grids) G->CheckConsistency();
    kvp::FreeAndNil(Form);
    kvp::Application()->CheckNoExceptions();
    kvp::ResetWindowSystem();
  }
  TTestDBGrid* MakeGrid(const kvp::String& Name) {
    TTestDBGrid* G = TTestDBGrid::Create(Form);
    G->SetName(Name);
    G->SetBounds(0, 0, 400, 200);
    G->SetParent(Form);
    Grids.push_back(G);
    return G;
  }
  kvp::TForm* Form = nullptr;
  TTestDBGrid* Grid = nullptr;
  std::vector<TTestDBGrid*> Grids;
};

}  // namespace korvel
