// Test helpers for the window system: a window class whose procedure records
// every message it receives before handing it to DefWindowProc, an optional
// answer hook that may answer a message in its place, and a fixture that puts
// the window system back in its starting state.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"

namespace kvp::test {

struct TRecorded {
  HWND Wnd = nullptr;
  UINT Msg = 0;
  WPARAM W = 0;
  LPARAM L = 0;
};

// Answers a message in place of DefWindowProc when it returns a value.
using TAnswer = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

struct TRecorder {
  std::vector<TRecorded> Log;
  TAnswer Answer;

  void Clear() { Log.clear(); }
  // The messages of Wnd (any window for null) among Only, in order.
  std::vector<UINT> Of(HWND Wnd, std::initializer_list<UINT> Only) const;
  // Every message of Wnd, in order.
  std::vector<UINT> All(HWND Wnd) const;
  // The last message Msg received by Wnd; a failing expectation when none.
  TRecorded Last(HWND Wnd, UINT Msg) const;
  Integer Count(HWND Wnd, UINT Msg) const;
};

TRecorder& Recorder();
LRESULT RecordingProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);

// Registers "Rec" (CS_DBLCLKS, arrow cursor, window brush) and "RecNoDbl"
// (without CS_DBLCLKS) with the recording procedure.
void RegisterRecordingClasses();

class WinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A visible top-level popup window of the recording class at screen rectangle R.
  HWND MakeTop(TRect R, DWORD Style = WS_POPUP | WS_VISIBLE, DWORD ExStyle = 0,
               const char* Class = "Rec");
  // A visible child of Parent at client rectangle R.
  HWND MakeChild(HWND Parent, TRect R, DWORD Style = WS_CHILD | WS_VISIBLE, DWORD ExStyle = 0,
                 const char* Class = "Rec");
  TRecorder& Rec() { return Recorder(); }
};

}  // namespace kvp::test
