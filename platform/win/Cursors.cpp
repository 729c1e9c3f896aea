// Cursors: shared handles for the standard cursors, handles for cursors of the
// resource table and their copies, the current cursor, its position and the
// show count.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/classes/Resources.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

namespace {

// TCursorRec: what a cursor handle points at.
struct TCursorRec {
  String Name;
  bool Standard = false;  // shared; DestroyCursor leaves it
};

struct TCursorState {
  std::vector<std::unique_ptr<TCursorRec>> Standard;
  std::vector<std::unique_ptr<TCursorRec>> Loaded;  // resource cursors and copies
  HCURSOR Current = nullptr;
  Integer ShowCount = 0;
};

HCURSOR StandardCursorIn(TCursorState& S, Integer Id);

// The arrow is the current cursor at start.
TCursorState& Cursors() {
  static TCursorState S;
  static const bool Ready = (S.Current = StandardCursorIn(S, 32512), true);
  (void)Ready;
  return S;
}

struct TStandardName {
  Integer Id;
  const char* Name;
};
constexpr TStandardName StandardNames[] = {
    {32512, "IDC_ARROW"},  {32513, "IDC_IBEAM"},    {32514, "IDC_WAIT"},
    {32515, "IDC_CROSS"},  {32516, "IDC_UPARROW"},  {32640, "IDC_SIZE"},
    {32641, "IDC_ICON"},   {32642, "IDC_SIZENWSE"}, {32643, "IDC_SIZENESW"},
    {32644, "IDC_SIZEWE"}, {32645, "IDC_SIZENS"},   {32646, "IDC_SIZEALL"},
    {32648, "IDC_NO"},     {32649, "IDC_HAND"},     {32650, "IDC_APPSTARTING"},
    {32651, "IDC_HELP"},
};

HCURSOR HandleOf(TCursorRec* R) { return reinterpret_cast<HCURSOR>(R); }

TCursorRec* Find(HCURSOR H) {
  auto Match = [H](const std::unique_ptr<TCursorRec>& R) { return HandleOf(R.get()) == H; };
  TCursorState& S = Cursors();
  auto It = std::find_if(S.Standard.begin(), S.Standard.end(), Match);
  if (It != S.Standard.end()) return It->get();
  It = std::find_if(S.Loaded.begin(), S.Loaded.end(), Match);
  return It != S.Loaded.end() ? It->get() : nullptr;
}

HCURSOR StandardCursorIn(TCursorState& S, Integer Id) {
  for (const TStandardName& N : StandardNames) {
    if (N.Id != Id) continue;
    for (auto& R : S.Standard)
      if (R->Name == N.Name) return HandleOf(R.get());
    S.Standard.push_back(std::make_unique<TCursorRec>(TCursorRec{N.Name, true}));
    return HandleOf(S.Standard.back().get());
  }
  return nullptr;
}

HCURSOR StandardCursor(Integer Id) { return StandardCursorIn(Cursors(), Id); }

}  // namespace

namespace winimpl {

void ResetCursors() {
  TCursorState& S = Cursors();
  S.Loaded.clear();
  S.Current = StandardCursor(32512);
  S.ShowCount = 0;
}

}  // namespace winimpl

HCURSOR LoadCursor(HINSTANCE, const char* Name) {
  if (!Name) return nullptr;
  std::uintptr_t Id = reinterpret_cast<std::uintptr_t>(Name);
  if (Id < 0x10000) return StandardCursor(Integer(Id));
  if (!FindResource(Name, RT_CURSOR)) return nullptr;
  TCursorState& S = Cursors();
  S.Loaded.push_back(std::make_unique<TCursorRec>(TCursorRec{Name, false}));
  return HandleOf(S.Loaded.back().get());
}

HCURSOR SetCursor(HCURSOR Cursor) {
  TCursorState& S = Cursors();
  HCURSOR Old = S.Current;
  S.Current = Cursor;
  if (TWindowObserver* O = GetWindowObserver(); O && Old != Cursor) O->CursorChanged(Cursor);
  return Old;
}

HCURSOR GetCursor() { return Cursors().Current; }

BOOL GetCursorPos(TPoint* P) {
  if (!P) return FALSE;
  *P = State().CursorPos;
  return TRUE;
}

BOOL SetCursorPos(Integer X, Integer Y) {
  State().CursorPos = Point(X, Y);
  return TRUE;
}

Integer ShowCursor(BOOL Show) { return Show ? ++Cursors().ShowCount : --Cursors().ShowCount; }

HCURSOR CopyCursor(HCURSOR Cursor) {
  TCursorRec* R = Find(Cursor);
  if (!R) return nullptr;
  TCursorState& S = Cursors();
  S.Loaded.push_back(std::make_unique<TCursorRec>(TCursorRec{R->Name, false}));
  return HandleOf(S.Loaded.back().get());
}

HICON CopyIcon(HICON Icon) {
  return reinterpret_cast<HICON>(CopyCursor(reinterpret_cast<HCURSOR>(Icon)));
}

BOOL DestroyCursor(HCURSOR Cursor) {
  TCursorRec* R = Find(Cursor);
  if (!R) return FALSE;
  if (R->Standard) return TRUE;
  TCursorState& S = Cursors();
  if (S.Current == Cursor) S.Current = nullptr;
  S.Loaded.erase(std::find_if(S.Loaded.begin(), S.Loaded.end(),
                              [R](const std::unique_ptr<TCursorRec>& P) { return P.get() == R; }));
  return TRUE;
}

BOOL DestroyIcon(HICON Icon) { return DestroyCursor(reinterpret_cast<HCURSOR>(Icon)); }

String GetCursorName(HCURSOR Cursor) {
  TCursorRec* R = Find(Cursor);
  return R ? R->Name : String();
}

}  // namespace kvp
