// Implementation detail of ToolCtrlsKv, not API: helpers shared by the unit's
// source files.
#pragma once

#include "platform/graphics/Gdi.h"

namespace korvel::toolctrls {

// Saves the clipping region of a DC and puts it back when the scope ends,
// also when drawing raises.
class TClipSaver {
 public:
  explicit TClipSaver(kvp::HDC DC) : FDC(DC) {
    FSaved = kvp::CreateRectRgn(0, 0, 0, 0);
    FHadClip = kvp::GetClipRgn(DC, FSaved) == 1;
  }
  ~TClipSaver() {
    kvp::SelectClipRgn(FDC, FHadClip ? FSaved : nullptr);
    kvp::DeleteObject(FSaved);
  }
  TClipSaver(const TClipSaver&) = delete;
  TClipSaver& operator=(const TClipSaver&) = delete;

 private:
  kvp::HDC FDC;
  kvp::HRGN FSaved = nullptr;
  bool FHadClip = false;
};

// A solid brush of a colour for one scope.
class TSolidBrush {
 public:
  explicit TSolidBrush(kvp::COLORREF Color) : FBrush(kvp::CreateSolidBrush(Color)) {}
  ~TSolidBrush() { kvp::DeleteObject(FBrush); }
  TSolidBrush(const TSolidBrush&) = delete;
  TSolidBrush& operator=(const TSolidBrush&) = delete;
  kvp::HBRUSH Get() const { return FBrush; }

 private:
  kvp::HBRUSH FBrush;
};

}  // namespace korvel::toolctrls
