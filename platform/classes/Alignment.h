// Text alignment shared by fields, edit controls and grid columns.
#pragma once

#include "platform/classes/TypInfo.h"

namespace kvp {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
KV_ENUM_INFO(TAlignment, taLeftJustify, taRightJustify, taCenter)

}  // namespace kvp
