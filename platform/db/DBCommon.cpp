// Database errors and the small text helpers shared by the db module.

#include "platform/db/DBCommon.h"

#include "platform/classes/Component.h"
#include "platform/rtl/Strings.h"

namespace kvp {

const char* FieldTypeName(TFieldType Type) {
  static const char* const Names[] = {
      "ftUnknown",    "ftString",     "ftSmallint", "ftInteger",     "ftWord",      "ftBoolean",
      "ftFloat",      "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",      "ftDateTime",
      "ftBytes",      "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",      "ftGraphic",
      "ftFmtMemo",    "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor",    "ftFixedChar",
      "ftWideString", "ftLargeint",   "ftADT",      "ftArray",       "ftReference", "ftDataSet",
      "ftOraBlob",    "ftOraClob",    "ftVariant",  "ftInterface",   "ftIDispatch", "ftGuid",
      "ftTimeStamp",  "ftFMTBcd"};
  const auto Index = static_cast<std::size_t>(Type);
  return Index < sizeof Names / sizeof Names[0] ? Names[Index] : "ftUnknown";
}

void DatabaseError(const String& Message, TComponent* Component) {
  if (Component && !Component->GetName().empty())
    throw EDatabaseError(Component->GetName() + ": " + Message);
  throw EDatabaseError(Message);
}

String DBMessage(const String& Fmt, std::initializer_list<String> Args) {
  String Result;
  auto Arg = Args.begin();
  for (std::size_t I = 0; I < Fmt.size(); ++I) {
    if (Fmt[I] == '%' && I + 1 < Fmt.size() && Fmt[I + 1] == 's' && Arg != Args.end()) {
      Result += *Arg++;
      ++I;
    } else {
      Result += Fmt[I];
    }
  }
  return Result;
}

String ExtractFieldName(const String& Fields, Integer& Pos) {
  const Integer Len = Length(Fields);
  Integer I = Pos;
  while (I <= Len && CharAt(Fields, I) != U';') ++I;
  String Result = Trim(Copy(Fields, Pos, I - Pos));
  Pos = (I <= Len && CharAt(Fields, I) == U';') ? I + 1 : I;
  return Result;
}

}  // namespace kvp
