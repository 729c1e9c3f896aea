#include "platform/rtl/Exceptions.h"

namespace kvp {

void Abort() { throw EAbort("Operation aborted"); }

void AssertFailed(const char* Condition, const char* Reason, const char* File, int Line) {
  throw EAssertionFailed(String(Reason) + " (" + Condition + ", " + File + ", line " +
                         std::to_string(Line) + ")");
}

}  // namespace kvp
