#include "platform/rtl/FormatSettings.h"

namespace kvp {

TFormatSettings FormatSettings;

TFormatSettings DefaultFormatSettings() { return TFormatSettings(); }

String SeparatorText(Char C) {
  String Result;
  auto U = std::uint32_t(C);
  if (U == 0) return Result;
  if (U < 0x80) {
    Result += char(U);
  } else if (U < 0x800) {
    Result += char(0xC0 | (U >> 6));
    Result += char(0x80 | (U & 0x3F));
  } else if (U < 0x10000) {
    Result += char(0xE0 | (U >> 12));
    Result += char(0x80 | ((U >> 6) & 0x3F));
    Result += char(0x80 | (U & 0x3F));
  } else {
    Result += char(0xF0 | (U >> 18));
    Result += char(0x80 | ((U >> 12) & 0x3F));
    Result += char(0x80 | ((U >> 6) & 0x3F));
    Result += char(0x80 | (U & 0x3F));
  }
  return Result;
}

}  // namespace kvp
