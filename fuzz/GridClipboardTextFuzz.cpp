// Fuzz target: arbitrary bytes on the clipboard as plain text (a block of
// any size, zeros and padding included) pasted into the grid from its
// current cell. The text ends at its first zero byte: what follows never
// becomes a record, and a block that begins with zero changes nothing. The
// controls are enabled again, the clipboard closed, no record half written.
// Never a crash, a hang or a leak. Built and run by scripts/run-fuzz.
#include <algorithm>
#include <cstring>

#include "fuzz/GridImportFuzzSupport.h"
#include "platform/rtl/GlobalMemory.h"
#include "platform/win/Clipboard.h"

using namespace kvp;
using namespace kvfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TGridFixture& F = Fixture();
  F.Refill();
  const std::vector<String> Before = F.Records();
  OpenClipboard(nullptr);
  EmptyClipboard();
  HGLOBAL Block = GlobalAlloc(GMEM_MOVEABLE, Size);
  if (Size) {
    std::memcpy(GlobalLock(Block), Data, Size);
    GlobalUnlock(Block);
  }
  SetClipboardData(CF_TEXT, Block);
  CloseClipboard();
  const String Bytes(reinterpret_cast<const char*>(Data), Size);
  const String Text = Bytes.substr(0, std::min(Bytes.find('\0'), Bytes.size()));
  try {
    korvel::PasteGridSelectionFromClipboard(F.Grid, false);
  } catch (const EAbort&) {
    Fail("the paste aborted without being asked to");
  } catch (const Exception& E) {
    FUZZ_CHECK(E.GetMessage() != "TDBGridKvImportAsText.CheckState: Invalid text format" ||
                   F.Records() == Before,
               "refused text changes no record");
  }
  // Another window can open the clipboard: the paste closed it.
  FUZZ_CHECK(OpenClipboard(F.Form->GetHandle()), "the clipboard is closed again");
  CloseClipboard();
  if (Text.empty()) FUZZ_CHECK(F.Records() == Before, "an empty text changes nothing");
  const auto Lines = std::size_t(std::count(Text.begin(), Text.end(), '\n')) + 1;
  FUZZ_CHECK(F.Records().size() <= std::max<std::size_t>(Before.size(), Lines),
             "no more records than lines before the zero", Shown(Bytes));
  F.CheckLeftClean();
  // The clipboard gives its block back, so that none outlives the run.
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  return 0;
}
