// The clipboard: formats, opening, ownership of the data, text kept both
// ways, and TClipboard.
#include <cstring>

#include "WinTestUtil.h"
#include "platform/rtl/GlobalMemory.h"

namespace kvp::test {
namespace {

using ClipboardTest = WinTest;

HGLOBAL Block(const void* Bytes, std::size_t Size) {
  HGLOBAL H = GlobalAlloc(GMEM_MOVEABLE, Size);
  std::memcpy(GlobalLock(H), Bytes, Size);
  GlobalUnlock(H);
  return H;
}

TEST_F(ClipboardTest, TextPutOneWayIsReadTheOther) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const char16_t Wide[] = u"Größe €";
  SetClipboardData(CF_UNICODETEXT, Block(Wide, sizeof Wide));
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(Clipboard()->GetAsText(), "Größe €");

  Clipboard()->SetAsText("abc ü");
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE W = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(W);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(W))), u"abc ü");
  GlobalUnlock(W);
  EXPECT_EQ(EnumClipboardFormats(0), CF_TEXT) << "the format set comes first";
  EXPECT_EQ(CountClipboardFormats(), 3) << "text, Unicode text and OEM text";
  CloseClipboard();
}

TEST_F(ClipboardTest, TextMadeFromTheOtherFormFollowsTheLatestText) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, Block("one", 4));
  HANDLE W = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(W);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(W))), u"one");
  GlobalUnlock(W);
  // New text in the same opening: the Unicode form made from the old one goes.
  SetClipboardData(CF_TEXT, Block("two", 4));
  W = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(W);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(W))), u"two");
  GlobalUnlock(W);
  // Set in the other form, the plain text follows it as well.
  const char16_t Three[] = u"three";
  SetClipboardData(CF_UNICODETEXT, Block(Three, sizeof Three));
  HANDLE T = GetClipboardData(CF_TEXT);
  ASSERT_TRUE(T);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(T)), "two") << "set, not made: kept";
  GlobalUnlock(T);
  CloseClipboard();
}

TEST_F(ClipboardTest, CallsOnAClosedClipboardFail) {
  EXPECT_FALSE(CloseClipboard()) << "not open";
  EXPECT_FALSE(EmptyClipboard());
  HGLOBAL Refused = Block("x", 2);
  EXPECT_EQ(SetClipboardData(CF_TEXT, Refused), nullptr);
  GlobalFree(Refused);  // refused: still the caller's
  EXPECT_EQ(EnumClipboardFormats(0), 0u);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(CloseClipboard());
}

TEST_F(ClipboardTest, TextStopsAtItsTerminatingZero) {
  const char Bytes[] = "line\0garbage";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_TEXT, Block(Bytes, sizeof Bytes));
  CloseClipboard();
  EXPECT_EQ(Clipboard()->GetAsText(), "line");
}

TEST_F(ClipboardTest, OpeningOwnershipAndRegisteredFormats) {
  HWND A = MakeTop(Rect(0, 0, 10, 10));
  HWND B = MakeTop(Rect(0, 0, 10, 10));
  UINT Fmt = RegisterClipboardFormat("Korvel Cells");
  EXPECT_GE(Fmt, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("KORVEL CELLS"), Fmt);
  char Name[32];
  EXPECT_EQ(GetClipboardFormatName(Fmt, Name, 32), 12);
  EXPECT_STREQ(Name, "Korvel Cells");
  char Short[6] = "#####";
  EXPECT_EQ(GetClipboardFormatName(Fmt, Short, 5), 4) << "cut, with room for the zero";
  EXPECT_STREQ(Short, "Korv");
  EXPECT_EQ(Short[5], 0);
  EXPECT_EQ(GetClipboardFormatName(CF_TEXT, Name, 32), 0) << "a standard format has no name";

  ASSERT_TRUE(OpenClipboard(A));
  EXPECT_FALSE(OpenClipboard(B)) << "A holds it";
  EXPECT_THROW(Clipboard()->Open(), Exception);
  EmptyClipboard();
  EXPECT_EQ(GetClipboardOwner(), A);
  Integer Before = GlobalLiveBlockCount();
  SetClipboardData(Fmt, Block("x", 2));
  SetClipboardData(Fmt, Block("y", 2));
  EXPECT_EQ(GlobalLiveBlockCount(), Before + 1) << "the replaced block is freed";
  CloseClipboard();
  EXPECT_FALSE(GetClipboardData(Fmt)) << "only while open";
  EXPECT_TRUE(Clipboard()->HasFormat(Fmt));
  Clipboard()->Clear();
  EXPECT_FALSE(Clipboard()->HasFormat(Fmt));
  EXPECT_EQ(GlobalLiveBlockCount(), Before);
}

TEST_F(ClipboardTest, TClipboardNestsAndEmptiesOncePerOpening) {
  UINT Fmt = RegisterClipboardFormat("Extra");
  Clipboard()->Open();
  Clipboard()->SetAsText("text");
  Clipboard()->SetAsHandle(Fmt, Block("z", 2));
  Clipboard()->Close();
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_TRUE(OpenClipboard(nullptr)) << "the outermost Close let it go";
  CloseClipboard();
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT)) << "the second change did not empty the first";
  EXPECT_TRUE(Clipboard()->HasFormat(Fmt));
  Clipboard()->SetTextBuf("again");
  EXPECT_FALSE(Clipboard()->HasFormat(Fmt)) << "a new opening empties first";
  EXPECT_EQ(Clipboard()->GetAsText(), "again");
}

TEST_F(ClipboardTest, SeveralFormatsAreHeldAtOnceAndReadBackUnchanged) {
  UINT Cells = RegisterClipboardFormat("Korvel Cells");
  UINT Rtf = RegisterClipboardFormat("Rich Text Format");
  const unsigned char Binary[] = {0, 1, 2, 0xFF, 0};
  const char16_t Wide[] = u"Zeile 1\r\nÄ";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(Cells, Block(Binary, sizeof Binary));
  SetClipboardData(Rtf, Block("{\\rtf1 x}", 10));
  SetClipboardData(CF_UNICODETEXT, Block(Wide, sizeof Wide));
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(Cells));
  EXPECT_TRUE(IsClipboardFormatAvailable(Rtf));
  EXPECT_EQ(Clipboard()->GetAsText(), "Zeile 1\r\nÄ") << "Unicode text read back as text";
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE C = GetClipboardData(Cells);
  ASSERT_TRUE(C);
  ASSERT_EQ(GlobalSize(C), sizeof Binary);
  EXPECT_EQ(std::memcmp(GlobalLock(C), Binary, sizeof Binary), 0);
  GlobalUnlock(C);
  HANDLE R = GetClipboardData(Rtf);
  ASSERT_TRUE(R);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(R)), "{\\rtf1 x}");
  GlobalUnlock(R);
  std::vector<UINT> Formats;
  for (UINT F = EnumClipboardFormats(0); F; F = EnumClipboardFormats(F)) Formats.push_back(F);
  EXPECT_EQ(Formats, (std::vector<UINT>{Cells, Rtf, CF_UNICODETEXT, CF_TEXT, CF_OEMTEXT}));
  CloseClipboard();
}

TEST_F(ClipboardTest, RefusedDataIsReportedAndNeitherLeaksNorEmptiesTheClipboard) {
  Clipboard()->SetAsText("kept");
  Integer Blocks = GlobalLiveBlockCount();
  HGLOBAL Mine = Block("x", 2);
  EXPECT_THROW(Clipboard()->SetAsHandle(0, Mine), EInvalidOperation);
  EXPECT_EQ(Clipboard()->GetAsText(), "kept") << "a refused handle emptied the clipboard";
  GlobalFree(Mine);

  // The clipboard closed under TClipboard's feet: the text it made must not leak.
  Clipboard()->Open();
  CloseClipboard();
  EXPECT_THROW(Clipboard()->SetAsText("lost"), EInvalidOperation);
  Clipboard()->Close();
  EXPECT_EQ(GlobalLiveBlockCount(), Blocks);
  EXPECT_EQ(Clipboard()->GetAsText(), "kept");
}

}  // namespace
}  // namespace kvp::test

namespace kvp {
namespace {

// A reset empties the clipboard but keeps the registered formats, whose
// numbers units hold from their start-up.
TEST(ClipboardResetTest, ResettingTheWindowSystemKeepsTheRegisteredFormats) {
  const UINT Fmt = RegisterClipboardFormat("Kept Across Resets");
  OpenClipboard(nullptr);
  EmptyClipboard();
  SetClipboardData(Fmt, GlobalAlloc(GMEM_MOVEABLE, 4));
  CloseClipboard();
  ResetWindowSystem();
  EXPECT_FALSE(IsClipboardFormatAvailable(Fmt));
  EXPECT_EQ(RegisterClipboardFormat("Kept Across Resets"), Fmt);
  EXPECT_NE(RegisterClipboardFormat("Another After The Reset"), Fmt);
  char Name[32];
  EXPECT_EQ(GetClipboardFormatName(Fmt, Name, 32), 18);
}

}  // namespace
}  // namespace kvp
