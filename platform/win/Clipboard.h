// The clipboard: registered formats, open/empty/set/get with the data held as
// global memory handles that the clipboard owns once set, and text kept both
// ways: CF_TEXT (UTF-8 with a terminating zero) and CF_UNICODETEXT (UTF-16
// with a terminating zero) are each made from the other when asked, so either
// kind of reader sees text put as the other. TClipboard wraps it with nested
// opening, as the component library uses it.
#pragma once

#include "platform/classes/Persistent.h"
#include "platform/win/Messages.h"

namespace kvp {

// The same name (without regard to case) gives the same id, from 0xC000 on;
// 0 for an empty name.
UINT RegisterClipboardFormat(const char* Name);
Integer GetClipboardFormatName(UINT Format, char* Buffer, Integer MaxCount);
// Fails while another window has it open.
BOOL OpenClipboard(HWND Owner);
BOOL CloseClipboard();
// Frees all data; the window that opened the clipboard becomes its owner.
BOOL EmptyClipboard();
// Takes ownership of Data (a global memory handle) and answers it; null when
// the clipboard is not open or Data is null.
HANDLE SetClipboardData(UINT Format, HANDLE Data);
// The clipboard keeps the handle; null when the clipboard is not open or the
// format is not there.
HANDLE GetClipboardData(UINT Format);
BOOL IsClipboardFormatAvailable(UINT Format);
Integer CountClipboardFormats();
// The format after Format (0 starts), in the order they were set; 0 at the end.
UINT EnumClipboardFormats(UINT Format);
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();

// TClipboard: the clipboard as an object. Open and Close nest; the first
// change inside an opening empties the clipboard first.
class TClipboard : public TPersistent {
  KV_CLASS(TClipboard, TPersistent)
 public:
  // Raises Exception "Cannot open clipboard" when another window holds it.
  void Open();
  void Close();
  void Clear();
  bool HasFormat(UINT Format);
  String GetAsText();
  void SetAsText(const String& Value);
  void SetTextBuf(const char* Buffer);
  // The clipboard keeps the handle that GetAsHandle answers; SetAsHandle hands
  // Value over to it.
  HANDLE GetAsHandle(UINT Format);
  void SetAsHandle(UINT Format, HANDLE Value);

 protected:
  void Destroy() override;

 private:
  void Adding();  // empties the clipboard once per opening, before the first change
  void SetBuffer(UINT Format, const void* Buffer, std::size_t Size);
  Integer FOpenRefCount = 0;
  bool FEmptied = false;
};

// The program's clipboard object, made on first use.
TClipboard* Clipboard();

}  // namespace kvp
