// Fuzz target: arbitrary bytes read by the grid's tab-separated text reader,
// from the current cell on (overwriting the three records, then appending).
// Text with a CR not followed by LF is refused with exactly the reader's
// error and changes nothing; other text adds at most one record per line.
// The controls are enabled again and no record stays half written. Never a
// crash, a hang or a leak. Built and run by scripts/run-fuzz.
#include <algorithm>

#include "fuzz/GridImportFuzzSupport.h"
#include "platform/classes/Streams.h"

using namespace kvp;
using namespace kvfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TGridFixture& F = Fixture();
  F.Refill();
  const std::vector<String> Before = F.Records();
  const String Text(reinterpret_cast<const char*>(Data), Size);
  TObjectPtr<TMemoryStream> Stream(TMemoryStream::Create());
  if (Size) Stream->WriteBuffer(Data, Integer(Size));
  Stream->SetPosition(0);
  bool Refused = false;
  try {
    korvel::ImportGridFromStream(korvel::TDBGridKvImportAsText::StaticClass(), F.Grid,
                                 Stream.get(), false);
  } catch (const EAbort&) {
    Fail("the reader aborted without being asked to");
  } catch (const Exception& E) {
    Refused = E.GetMessage() == "TDBGridKvImportAsText.CheckState: Invalid text format";
    if (Refused) FUZZ_CHECK(F.Records() == Before, "refused text changes no record");
  }
  bool LoneCR = false;
  for (std::size_t I = 0; I < Size; ++I)
    if (Text[I] == '\r' && (I + 1 == Size || Text[I + 1] != '\n')) LoneCR = true;
  FUZZ_CHECK(Refused == LoneCR, "text is refused exactly when a CR lacks its LF",
             Shown(Text));
  const auto Lines = std::size_t(std::count(Text.begin(), Text.end(), '\n')) + 1;
  FUZZ_CHECK(F.Records().size() <= std::max<std::size_t>(Before.size(), Lines),
             "no more records than lines", Shown(Text));
  F.CheckLeftClean();
  return 0;
}
