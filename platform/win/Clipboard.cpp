// The clipboard and TClipboard.
//
// Index
//   [SECTION] State and formats     RegisterClipboardFormat, GetClipboardFormatName
//   [SECTION] Text conversion       the other text format, made on request
//   [SECTION] The clipboard calls   Open/Close/Empty, Set/GetClipboardData ...
//   [SECTION] TClipboard
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/GlobalMemory.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Win.h"
#include "platform/win/WinImpl.h"

namespace kvp {

using namespace winimpl;

// [SECTION] State and formats

namespace {

struct TClipEntry {
  UINT Format = 0;
  HANDLE Data = nullptr;
  bool Synthesized = false;  // made from the other text format; counts as available
};

struct TClipState {
  std::vector<String> Names;  // registered formats: Names[i] is 0xC000 + i
  std::vector<TClipEntry> Entries;
  bool Open = false;
  HWND Opener = nullptr;
  HWND Owner = nullptr;
};

TClipState& Clip() {
  static TClipState S;
  return S;
}

constexpr UINT FirstRegistered = 0xC000;

TClipEntry* FindEntry(UINT Format) {
  for (TClipEntry& E : Clip().Entries)
    if (E.Format == Format) return &E;
  return nullptr;
}

void FreeAll() {
  for (TClipEntry& E : Clip().Entries) GlobalFree(E.Data);
  Clip().Entries.clear();
}

}  // namespace

namespace winimpl {

// The registered formats stay: like the system's table of names they live as
// long as the program, and units keep the numbers they registered at start-up.
void ResetClipboard() {
  FreeAll();
  std::vector<String> Names = std::move(Clip().Names);
  Clip() = TClipState{};
  Clip().Names = std::move(Names);
}

void ClipboardWindowGone(HWND Wnd) {
  TClipState& S = Clip();
  if (S.Open && S.Opener == Wnd && Wnd) S.Open = false;
  if (S.Owner == Wnd) S.Owner = nullptr;
}

}  // namespace winimpl

UINT RegisterClipboardFormat(const char* Name) {
  if (!Name || !*Name) return 0;
  auto& N = Clip().Names;
  for (std::size_t I = 0; I < N.size(); ++I)
    if (SameText(N[I], Name)) return FirstRegistered + UINT(I);
  N.push_back(Name);
  return FirstRegistered + UINT(N.size() - 1);
}

Integer GetClipboardFormatName(UINT Format, char* Buffer, Integer MaxCount) {
  auto& N = Clip().Names;
  if (Format < FirstRegistered || Format - FirstRegistered >= N.size() || !Buffer || MaxCount <= 0)
    return 0;
  const String& Name = N[Format - FirstRegistered];
  Integer Count = std::min<Integer>(Integer(Name.size()), MaxCount - 1);
  std::memcpy(Buffer, Name.data(), std::size_t(Count));
  Buffer[Count] = 0;
  return Count;
}

// [SECTION] Text conversion

namespace {

bool IsText(UINT Format) {
  return Format == CF_TEXT || Format == CF_OEMTEXT || Format == CF_UNICODETEXT;
}

// The text of a block, up to its terminating zero (or its end when it has none).
String ReadText(HANDLE Data, bool Wide) {
  SIZE_T Size = GlobalSize(Data);
  const void* P = GlobalLock(Data);
  if (!P) return {};
  String Result;
  if (Wide) {
    const auto* W = static_cast<const char16_t*>(P);
    std::size_t N = 0, Max = Size / sizeof(char16_t);
    while (N < Max && W[N]) ++N;
    Result = Utf16ToUtf8(WideString(W, N));
  } else {
    const auto* C = static_cast<const char*>(P);
    std::size_t N = 0;
    while (N < Size && C[N]) ++N;
    Result.assign(C, N);
  }
  GlobalUnlock(Data);
  return Result;
}

HANDLE MakeBlock(const void* Bytes, std::size_t Size) {
  HANDLE H = GlobalAlloc(GMEM_MOVEABLE, Size);
  if (!H) return nullptr;
  void* P = GlobalLock(H);
  if (P) std::memcpy(P, Bytes, Size);
  GlobalUnlock(H);
  return H;
}

HANDLE MakeText(const String& Text, bool Wide) {
  if (Wide) {
    WideString W = Utf8ToUtf16(Text);
    return MakeBlock(W.c_str(), (W.size() + 1) * sizeof(char16_t));
  }
  return MakeBlock(Text.c_str(), Text.size() + 1);
}

// The text put in some form, for a reader of another one; null when no text is there.
const TClipEntry* TextSource(UINT Wanted) {
  for (UINT F : {CF_TEXT, CF_UNICODETEXT, CF_OEMTEXT})
    if (F != Wanted)
      if (const TClipEntry* E = FindEntry(F); E && !E->Synthesized) return E;
  return nullptr;
}

}  // namespace

// [SECTION] The clipboard calls

BOOL OpenClipboard(HWND Owner) {
  TClipState& S = Clip();
  if (TWindowObserver* O = GetWindowObserver(); O && !S.Open) O->ClipboardReading();
  if (S.Open && S.Opener != Owner) return FALSE;
  S.Open = true;
  S.Opener = Owner;
  return TRUE;
}

BOOL CloseClipboard() {
  TClipState& S = Clip();
  if (!S.Open) return FALSE;
  S.Open = false;
  S.Opener = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  TClipState& S = Clip();
  if (!S.Open) return FALSE;
  FreeAll();
  S.Owner = S.Opener;
  if (TWindowObserver* O = GetWindowObserver()) O->ClipboardOwnerChanged(S.Owner);
  return TRUE;
}

HANDLE SetClipboardData(UINT Format, HANDLE Data) {
  TClipState& S = Clip();
  if (!S.Open || !Data || Format == 0) return nullptr;
  if (TClipEntry* E = FindEntry(Format)) {
    if (E->Data != Data) GlobalFree(E->Data);
    E->Data = Data;
    E->Synthesized = false;
  } else {
    S.Entries.push_back({Format, Data, false});
  }
  // Text made earlier from another form is stale now.
  if (IsText(Format))
    for (TClipEntry& E : S.Entries)
      if (E.Synthesized && IsText(E.Format)) {
        GlobalFree(E.Data);
        E.Data = nullptr;
      }
  S.Entries.erase(std::remove_if(S.Entries.begin(), S.Entries.end(),
                                 [](const TClipEntry& E) { return E.Synthesized && !E.Data; }),
                  S.Entries.end());
  return Data;
}

HANDLE GetClipboardData(UINT Format) {
  TClipState& S = Clip();
  if (!S.Open) return nullptr;
  if (TClipEntry* E = FindEntry(Format)) return E->Data;
  if (!IsText(Format)) return nullptr;
  const TClipEntry* Src = TextSource(Format);
  if (!Src) return nullptr;
  HANDLE Made =
      MakeText(ReadText(Src->Data, Src->Format == CF_UNICODETEXT), Format == CF_UNICODETEXT);
  if (!Made) return nullptr;
  S.Entries.push_back({Format, Made, true});
  return Made;
}

BOOL IsClipboardFormatAvailable(UINT Format) {
  if (TWindowObserver* O = GetWindowObserver(); O && !Clip().Open) O->ClipboardReading();
  if (FindEntry(Format)) return TRUE;
  return IsText(Format) && TextSource(Format) ? TRUE : FALSE;
}

namespace {

// The formats a reader can ask for: those set, then the text forms made from them.
std::vector<UINT> AvailableFormats() {
  std::vector<UINT> L;
  for (const TClipEntry& E : Clip().Entries)
    if (!E.Synthesized) L.push_back(E.Format);
  for (UINT F : {CF_UNICODETEXT, CF_TEXT, CF_OEMTEXT})
    if (std::find(L.begin(), L.end(), F) == L.end() && IsClipboardFormatAvailable(F))
      L.push_back(F);
  return L;
}

}  // namespace

Integer CountClipboardFormats() { return Integer(AvailableFormats().size()); }

UINT EnumClipboardFormats(UINT Format) {
  if (!Clip().Open) return 0;
  std::vector<UINT> L = AvailableFormats();
  if (Format == 0) return L.empty() ? 0 : L.front();
  auto It = std::find(L.begin(), L.end(), Format);
  return (It == L.end() || It + 1 == L.end()) ? 0 : *(It + 1);
}

HWND GetClipboardOwner() { return Clip().Owner; }
HWND GetOpenClipboardWindow() { return Clip().Open ? Clip().Opener : nullptr; }

// [SECTION] TClipboard

namespace {

// Keeps the clipboard open for a scope, so that an exception never leaves it held.
struct TClipboardOpen {
  TClipboard* Board;
  explicit TClipboardOpen(TClipboard* B) : Board(B) { Board->Open(); }
  ~TClipboardOpen() { Board->Close(); }
  TClipboardOpen(const TClipboardOpen&) = delete;
  TClipboardOpen& operator=(const TClipboardOpen&) = delete;
};

}  // namespace

void TClipboard::Open() {
  if (FOpenRefCount == 0) {
    if (!OpenClipboard(nullptr)) throw Exception("Cannot open clipboard");
    FEmptied = false;
  }
  ++FOpenRefCount;
}

void TClipboard::Close() {
  if (FOpenRefCount == 0) return;
  if (--FOpenRefCount == 0) CloseClipboard();
}

void TClipboard::Destroy() {
  if (FOpenRefCount > 0) {
    FOpenRefCount = 0;
    CloseClipboard();
  }
  inherited::Destroy();
}

void TClipboard::Adding() {
  if (FOpenRefCount == 0 || FEmptied) return;
  EmptyClipboard();
  FEmptied = true;
}

void TClipboard::Clear() {
  TClipboardOpen Guard(this);
  EmptyClipboard();
}

bool TClipboard::HasFormat(UINT Format) { return IsClipboardFormatAvailable(Format) != FALSE; }

String TClipboard::GetAsText() {
  TClipboardOpen Guard(this);
  HANDLE Data = GetClipboardData(CF_TEXT);
  return Data ? ReadText(Data, false) : String();
}

void TClipboard::SetBuffer(UINT Format, const void* Buffer, std::size_t Size) {
  TClipboardOpen Guard(this);
  HANDLE Data = MakeBlock(Buffer, Size);
  if (!Data) throw EOutOfMemory("TClipboard: out of memory for " + std::to_string(Size) + " bytes");
  Adding();
  if (!SetClipboardData(Format, Data)) {
    GlobalFree(Data);
    throw EInvalidOperation("TClipboard: the clipboard refused format " + std::to_string(Format));
  }
}

void TClipboard::SetAsText(const String& Value) {
  SetBuffer(CF_TEXT, Value.c_str(), Value.size() + 1);
}

void TClipboard::SetTextBuf(const char* Buffer) {
  const char* B = Buffer ? Buffer : "";
  SetBuffer(CF_TEXT, B, std::strlen(B) + 1);
}

HANDLE TClipboard::GetAsHandle(UINT Format) {
  TClipboardOpen Guard(this);
  return GetClipboardData(Format);
}

// On failure the caller keeps Value. Format 0 is refused before Adding() so
// that a bad call loses nothing already on the clipboard.
void TClipboard::SetAsHandle(UINT Format, HANDLE Value) {
  if (Format == 0) throw EInvalidOperation("TClipboard: cannot put a handle in clipboard format 0");
  TClipboardOpen Guard(this);
  Adding();
  if (!SetClipboardData(Format, Value))
    throw EInvalidOperation("TClipboard: the clipboard refused format " + std::to_string(Format));
}

TClipboard* Clipboard() {
  static TObjectPtr<TClipboard> Instance(TClipboard::Create());
  return Instance.get();
}

}  // namespace kvp
