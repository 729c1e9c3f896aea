// Fuzz target: arbitrary bytes read by the grid's binary exchange-format
// reader, from the current cell on (overwriting the three records, then
// appending). The input is either refused with exactly the reader's format
// error, leaving every record as it was, or read whole; either way the
// controls are enabled again and no record stays half written. Never a
// crash, a hang or a leak. Built and run by scripts/run-fuzz.
#include "fuzz/GridImportFuzzSupport.h"

#include "platform/classes/Streams.h"

using namespace kvp;
using namespace kvfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TGridFixture& F = Fixture();
  F.Refill();
  const std::vector<String> Before = F.Records();
  TObjectPtr<TMemoryStream> Stream(TMemoryStream::Create());
  if (Size) Stream->WriteBuffer(Data, Integer(Size));
  Stream->SetPosition(0);
  try {
    korvel::ImportGridFromStream(korvel::TDBGridKvImportAsVCLDBIF::StaticClass(), F.Grid,
                                 Stream.get(), false);
  } catch (const EAbort&) {
    Fail("the reader aborted without being asked to");
  } catch (const Exception& E) {
    if (E.GetMessage() == "TDBGridKvImportAsVCLDBIF.ReadPrefix: Invalid VCLDBIF format") {
      FUZZ_CHECK(F.Records() == Before, "a refused stream changes no record");
    }
    // Otherwise a record the dataset refused to post (a value it cannot
    // keep): the error reaches the caller, the records before it stay.
  }
  F.CheckLeftClean();
  return 0;
}
