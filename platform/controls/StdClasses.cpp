#include "platform/controls/StdClasses.h"

#include "platform/controls/ButtonClass.h"
#include "platform/controls/EditClass.h"
#include "platform/controls/ListBoxClass.h"
#include "platform/controls/MonthCalClass.h"
#include "platform/controls/ScrollBarClass.h"

namespace kvp {

void RegisterStandardClasses() {
  RegisterEditClass();
  RegisterListBoxClass();
  RegisterScrollBarClass();
  RegisterButtonClass();
  RegisterMonthCalClass();
}

}  // namespace kvp
