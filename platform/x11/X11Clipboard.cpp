// The clipboard as the desktop's CLIPBOARD selection. Text the program puts on
// its clipboard is offered to other programs (UTF-8, or Latin-1 to those that
// ask for STRING); when another program holds the selection, its text is
// brought into the program's clipboard just before the program reads it.
#include <poll.h>

#include <chrono>
#include <climits>
#include <cstring>

#include "platform/x11/X11Impl.h"

// Xlib after every header of ours: its macros (KeyPress, None, Status ...)
// must not reach them.
// clang-format off
#include <X11/Xatom.h>
// clang-format on

namespace kvp::x11impl {

namespace {

// How long another program may take to hand over its selection.
constexpr int SelectionTimeoutMs = 1000;

struct TWanted {
  Window Win;
  int Type;
  Atom Property;  // PropertyNotify: the property, which must have a new value
};

Bool Matches(Display*, XEvent* E, XPointer Arg) {
  const auto* W = reinterpret_cast<const TWanted*>(Arg);
  if (E->xany.window != W->Win || E->type != W->Type) return False;
  if (E->type == PropertyNotify)
    return E->xproperty.atom == W->Property && E->xproperty.state == PropertyNewValue;
  return True;
}

// Waits for one event of the kind; other events stay queued for the loop.
bool WaitFor(Display* Dpy, const TWanted& Wanted, XEvent& Out) {
  auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(SelectionTimeoutMs);
  for (;;) {
    XFlush(Dpy);
    if (XCheckIfEvent(Dpy, &Out, &Matches,
                      reinterpret_cast<XPointer>(const_cast<TWanted*>(&Wanted))))
      return true;
    auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    Deadline - std::chrono::steady_clock::now())
                    .count();
    if (Left <= 0) return false;
    pollfd P{ConnectionNumber(Dpy), POLLIN, 0};
    poll(&P, 1, int(Left));
  }
}

// Reads and deletes a property of 8-bit items; false when it is missing or
// of another format. Type tells what it held.
bool TakeProperty(Display* Dpy, Window Win, Atom Prop, String& Out, Atom& Type) {
  int Format = 0;
  unsigned long Count = 0, After = 0;
  unsigned char* Data = nullptr;
  if (XGetWindowProperty(Dpy, Win, Prop, 0, LONG_MAX / 4, True, AnyPropertyType, &Type, &Format,
                         &Count, &After, &Data) != Success)
    return false;
  bool Ok = Type != 0 && (Format == 8 || Format == 32);
  if (Ok && Format == 8) Out.assign(reinterpret_cast<const char*>(Data), Count);
  if (Data) XFree(Data);
  return Ok;
}

String Latin1ToUtf8(const String& S) {
  String Out;
  for (unsigned char C : S) Out += Utf8Encode(Char(C));
  return Out;
}

String Utf8ToLatin1(const String& S) {
  String Out;
  for (std::size_t Pos = 0; Pos < S.size();) {
    Char C = Utf8Decode(S, Pos);
    Out += C < 256 ? char(C) : '?';
  }
  return Out;
}

// The program's clipboard text, UTF-8; false when it holds none.
bool OwnText(String& Text) {
  if (!OpenClipboard(nullptr)) return false;
  bool Found = false;
  if (HANDLE Data = GetClipboardData(CF_TEXT)) {
    auto* P = static_cast<const char*>(GlobalLock(Data));
    std::size_t Size = GlobalSize(Data);
    Text.assign(P, strnlen(P, Size));
    GlobalUnlock(Data);
    Found = true;
  }
  CloseClipboard();
  return Found;
}

}  // namespace

bool TX11State::SendNextPiece(const XPropertyEvent& E) {
  if (E.state != PropertyDelete) return false;
  for (auto It = Sending.begin(); It != Sending.end(); ++It) {
    if (It->Requestor != E.window || It->Property != E.atom) continue;
    // The reader took the last piece: the next one, or an empty one to end.
    std::size_t N = std::min(IncrPieceSize, It->Text.size() - It->Pos);
    XChangeProperty(Dpy, It->Requestor, It->Property, It->Type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(It->Text.data() + It->Pos), int(N));
    It->Pos += N;
    if (N == 0) {
      XSelectInput(Dpy, It->Requestor, 0);
      Sending.erase(It);
    }
    XFlush(Dpy);
    return true;
  }
  return false;
}

void TX11State::ClipboardOwnerChanged(HWND) {
  if (Importing) return;
  // New data of the program's own: other programs now read it from us.
  XSetSelectionOwner(Dpy, Clipboard, SelectionWin, CurrentTime);
  Owning = true;
  XFlush(Dpy);
}

void TX11State::ClipboardReading() {
  if (Importing) return;
  Window Owner = XGetSelectionOwner(Dpy, Clipboard);
  if (!Owner || Owner == SelectionWin) return;
  TFlagScope Guard(Importing);
  Owning = false;
  // [Phase 1] Ask for UTF-8, else Latin-1.
  String Text;
  bool Got = false;
  for (Atom Target : {Utf8String, Atom(XA_STRING)}) {
    XDeleteProperty(Dpy, SelectionWin, KvSelection);
    XConvertSelection(Dpy, Clipboard, Target, KvSelection, SelectionWin, CurrentTime);
    XEvent E;
    if (!WaitFor(Dpy, {SelectionWin, SelectionNotify, 0}, E)) return;  // the owner did not answer
    if (E.xselection.property == 0) continue;                          // refused this target
    // [Phase 2] The text, at once or in pieces (INCR) when it is large.
    Atom Type = 0;
    String Part;
    if (!TakeProperty(Dpy, SelectionWin, KvSelection, Part, Type)) continue;
    if (Type == Incr) {
      Part.clear();
      for (;;) {
        if (!WaitFor(Dpy, {SelectionWin, PropertyNotify, KvSelection}, E)) return;
        String Piece;
        // A notice of a value already taken (the INCR one) finds no property.
        if (!TakeProperty(Dpy, SelectionWin, KvSelection, Piece, Type)) continue;
        if (Piece.empty()) break;
        Part += Piece;
      }
    }
    Text = Target == XA_STRING ? Latin1ToUtf8(Part) : Utf8Sanitize(Part);
    Got = true;
    break;
  }
  if (!Got) return;
  // [Phase 3] Into the program's clipboard, owned by no window of it.
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, Text.size() + 1);
  if (Block) {
    std::memcpy(GlobalLock(Block), Text.c_str(), Text.size() + 1);
    GlobalUnlock(Block);
    SetClipboardData(CF_TEXT, Block);
  }
  CloseClipboard();
}

void TX11State::AnswerSelectionRequest(XSelectionRequestEvent& E) {
  XSelectionEvent Reply{};
  Reply.type = SelectionNotify;
  Reply.display = E.display;
  Reply.requestor = E.requestor;
  Reply.selection = E.selection;
  Reply.target = E.target;
  Reply.time = E.time;
  Reply.property = 0;                              // refused, unless answered below
  Atom Prop = E.property ? E.property : E.target;  // old clients name no property
  if (E.selection == Clipboard && E.owner == SelectionWin && Owning) {
    TFlagScope Guard(Importing);
    String Text;
    if (E.target == Targets) {
      Atom List[] = {Targets, Utf8String, TextPlainUtf8, TextAtom, XA_STRING};
      XChangeProperty(Dpy, E.requestor, Prop, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(List), int(std::size(List)));
      Reply.property = Prop;
    } else if ((E.target == Utf8String || E.target == TextPlainUtf8 || E.target == TextAtom ||
                E.target == XA_STRING) &&
               OwnText(Text)) {
      Atom Type = E.target == XA_STRING  ? Atom(XA_STRING)
                  : E.target == TextAtom ? Utf8String
                                         : E.target;
      if (E.target == XA_STRING) Text = Utf8ToLatin1(Text);
      if (Text.size() <= IncrPieceSize) {
        XChangeProperty(Dpy, E.requestor, Prop, Type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(Text.data()), int(Text.size()));
      } else {
        // Large text goes in pieces: the reader deletes the property for each next one.
        long Size = long(Text.size());
        XSelectInput(Dpy, E.requestor, PropertyChangeMask);
        XChangeProperty(Dpy, E.requestor, Prop, Incr, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&Size), 1);
        Sending.push_back({E.requestor, Prop, Type, std::move(Text), 0});
      }
      Reply.property = Prop;
    }
  }
  XSendEvent(Dpy, E.requestor, False, 0, reinterpret_cast<XEvent*>(&Reply));
  XFlush(Dpy);
}

}  // namespace kvp::x11impl
