// Implementation detail of the standard window classes and controls, not API:
// the code-point text helpers they share. The edit, list box and mask engine
// work on std::u32string so that every position counts code points.
#pragma once

#include <string>

#include "platform/rtl/Strings.h"
#include "platform/rtl/Types.h"
#include "platform/win/Paint.h"

namespace kvp::stdctl {

inline std::u32string ToChars(std::string_view S) {
  std::u32string R;
  std::size_t P = 0;
  while (P < S.size()) R.push_back(Utf8Decode(S, P));
  return R;
}

inline String FromChars(std::u32string_view S) {
  String R;
  for (Char C : S) Utf8Append(R, C);
  return R;
}

// The DC of a WM_PAINT: the one in wParam when the caller gives one (a
// control that paints its window through its class's procedure does), else
// BeginPaint's, ended when this goes.
class TPaintDC {
 public:
  TPaintDC(HWND Wnd, WPARAM W) : FWnd(Wnd), FDc(reinterpret_cast<HDC>(W)) {
    if (!FDc) FDc = BeginPaint(Wnd, &FPs);
    FOwn = W == 0;
  }
  ~TPaintDC() {
    if (FOwn) EndPaint(FWnd, &FPs);
  }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC Dc() const { return FDc; }

 private:
  HWND FWnd;
  HDC FDc;
  bool FOwn = false;
  PAINTSTRUCT FPs;
};

}  // namespace kvp::stdctl
