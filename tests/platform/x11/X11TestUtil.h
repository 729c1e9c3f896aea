// The fixture of the X11 backend's tests: an Xvfb server of the test's own,
// the backend on it, and a peer connection that acts as the user (XTest), the
// desktop (moving, sizing, focusing, closing windows) and other programs
// (the clipboard), reading back what the server shows. A test fails on any X
// error the backend's connection received.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "XvfbServer.h"
#include "platform/win/InputDriver.h"
#include "platform/win/Win.h"
#include "platform/x11/X11Backend.h"

namespace kvp::test {

struct TXRecorded {
  HWND Wnd = nullptr;
  UINT Msg = 0;
  WPARAM W = 0;
  LPARAM L = 0;
};

// Every message of the "XRec" and "XPaint" classes, in order.
std::vector<TXRecorded>& XLog();

// TOtherProgram: another program that holds the clipboard selection, on a
// thread and a connection of its own, and answers requests for it with Text
// (in INCR pieces when Pieces).
class TOtherProgram {
 public:
  TOtherProgram(const std::string& Display, String Text, bool Pieces);
  ~TOtherProgram();
  TOtherProgram(const TOtherProgram&) = delete;
  TOtherProgram& operator=(const TOtherProgram&) = delete;

 private:
  void Serve();
  void SendPieces(unsigned long To, unsigned long Prop, unsigned long Type);
  _XDisplay* FDpy = nullptr;
  unsigned long FWin = 0;
  String FText;
  bool FPieces = false;
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

class X11Test : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Steps the backend for Ms milliseconds of real time.
  void RunFor(int Ms);
  // Steps the backend until Cond holds; false after TimeoutMs.
  bool RunUntil(const std::function<bool()>& Cond, int TimeoutMs = 5000);
  // Lets the server handle the peer's requests, then the backend everything
  // that came of them.
  void Sync();

  // ---- The peer ----
  unsigned long XWin(HWND Wnd) const { return Backend->GetXWindow(Wnd); }
  bool Viewable(unsigned long Win);
  TRect Geometry(unsigned long Win);  // on the screen
  String Property(unsigned long Win, const char* Name);
  bool HasFocus(unsigned long Win);
  // A top-level window of the X server's, made by the peer (another program's).
  std::vector<unsigned long> RootChildren();
  void MoveTo(TPoint ScreenPt);
  void Button(unsigned B, bool Down);
  void Click(TPoint ScreenPt, unsigned B = 1);
  void Key(unsigned long KeySym, bool Down);
  void KeyCode(unsigned Code, bool Down);
  void Tap(unsigned long KeySym);
  // Maps an unused key code to Lower (and Upper with Shift); answers the code.
  unsigned MapSpareKey(unsigned long Lower, unsigned long Upper);
  // Gives the key Code the symbols Lower and Upper (another layout's key).
  void MapKey(unsigned Code, unsigned long Lower, unsigned long Upper);
  // The window's pixels as the server shows them against the surface of the
  // window system: the number of pixels that differ.
  Int64 PixelsDiffering(HWND Wnd);

  TXvfb Server;
  std::unique_ptr<TX11Backend> Backend;
  _XDisplay* Peer = nullptr;
};

}  // namespace kvp::test
