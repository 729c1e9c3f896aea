// Test helpers for the standard window classes: a top-level parent window
// that records the notifications its children send (WM_COMMAND, WM_NOTIFY,
// scroll messages) and answers owner-draw questions through hooks.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/controls/Forms.h"
#include "platform/controls/StdClasses.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Gdi.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

namespace kvp::testutil {

struct TNotice {
  UINT Msg = 0;      // WM_COMMAND, WM_NOTIFY, WM_HSCROLL or WM_VSCROLL
  Integer Id = 0;    // control id (WM_COMMAND, WM_NOTIFY)
  Integer Code = 0;  // notification code, or the scroll code
  Integer Pos = 0;   // scroll position
  HWND From = nullptr;
};

// What the parent saw, and hooks the test may set.
struct TParentLog {
  std::vector<TNotice> Notices;
  std::function<void(MEASUREITEMSTRUCT*)> OnMeasure;
  std::function<void(const DRAWITEMSTRUCT*)> OnDraw;
  std::function<void(HWND Bar, WORD Code)> OnScroll;  // after the notice is logged
  Integer Count(UINT Msg, Integer Code) const {
    Integer N = 0;
    for (const TNotice& T : Notices) N += T.Msg == Msg && T.Code == Code;
    return N;
  }
};

TParentLog& ParentLog();
LRESULT ParentProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);

// Fixture: a fresh window system with the standard classes and a visible,
// active parent window of 400 x 300 client pixels.
class TStdCtlTest : public ::testing::Test {
 protected:
  TDrawingLogOn DrawingLog;  // the tests read what the controls draw
  void SetUp() override;
  void TearDown() override;
  // A child of the parent with the given class, style and id (WS_CHILD | WS_VISIBLE added).
  HWND CreateChild(const char* Class, DWORD Style, TRect Bounds, Integer Id = 100,
                   const char* Text = "");
  HWND Parent = nullptr;
};

// Fixture: a fresh window system and application with a shown form of
// 400 x 300 pixels that owns the controls Add makes.
class TFormTest : public ::testing::Test {
 protected:
  TDrawingLogOn DrawingLog;  // the tests read what the controls draw
  void SetUp() override;
  void TearDown() override;
  template <class T>
  T* Add(const char* Name, TRect B, TWinControl* AParent = nullptr) {
    T* C = T::Create(Form);
    C->SetName(Name);
    C->SetBounds(B.Left, B.Top, B.Width(), B.Height());
    C->SetParent(AParent ? AParent : Form);
    return C;
  }
  TForm* Form = nullptr;
};

// Counts the calls of a notify event.
struct TEventCounter {
  Integer Count = 0;
  void Fire(TObject*) { ++Count; }
  TNotifyEvent Event() { return TNotifyEvent(this, &TEventCounter::Fire); }
};

}  // namespace kvp::testutil
