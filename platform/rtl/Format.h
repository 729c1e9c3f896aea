// Format: the platform's printf-like formatting, "%[index:][-][width][.precision]type"
// with the types d, u, x, e, f, g, n, m, p and s, '*' for a width or precision
// taken from the arguments, and "%%". Arguments are a list of small tagged
// values built implicitly from the C++ types, so a call reads
// Format("%s has %d rows", {Name, Count}).
#pragma once

#include <initializer_list>
#include <string_view>

#include "platform/rtl/Currency.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Types.h"

namespace kvp {

// TFormatArg: one argument of Format. It refers to string arguments rather
// than copying them, so it lives only as long as the call it is built for.
class TFormatArg {
 public:
  enum TKind { vtInteger, vtInt64, vtExtended, vtCurrency, vtString, vtChar, vtPointer, vtBoolean };

  TFormatArg(Integer Value) : FKind(vtInteger), FInt(Value) {}
  TFormatArg(Int64 Value) : FKind(vtInt64), FInt(Value) {}
  // Other integer types: those that fit an Integer are one, the rest Int64.
  template <OtherIntegerType<Integer, Int64> T>
  TFormatArg(T Value)
      : FKind(sizeof(T) < 4 || (sizeof(T) == 4 && std::is_signed_v<T>) ? vtInteger : vtInt64),
        FInt(static_cast<Int64>(Value)) {}
  TFormatArg(Double Value) : FKind(vtExtended), FFloat(Value) {}
  TFormatArg(Extended Value) : FKind(vtExtended), FFloat(Value) {}
  TFormatArg(Currency Value) : FKind(vtCurrency), FCurrency(Value) {}
  TFormatArg(const String& Value) : FKind(vtString), FText(Value) {}
  TFormatArg(const char* Value) : FKind(vtString), FText(Value ? Value : "") {}
  TFormatArg(Char Value) : FKind(vtChar), FInt(Value) {}
  TFormatArg(char Value) : FKind(vtChar), FInt(static_cast<unsigned char>(Value)) {}
  TFormatArg(const void* Value) : FKind(vtPointer), FPointer(Value) {}
  TFormatArg(bool Value) : FKind(vtBoolean), FInt(Value) {}

  TKind GetKind() const { return FKind; }
  Int64 GetInt() const { return FInt; }  // vtInteger, vtInt64, vtChar, vtBoolean
  Extended GetFloat() const { return FFloat; }
  Currency GetCurrency() const { return FCurrency; }
  std::string_view GetText() const { return FText; }
  const void* GetPointer() const { return FPointer; }

 private:
  TKind FKind;
  Int64 FInt = 0;
  Extended FFloat = 0;
  Currency FCurrency;
  std::string_view FText;
  const void* FPointer = nullptr;
};

// The widest a directive may pad, and the most digits d, u and x may be
// zero-filled to: a larger width or precision, written or taken from the
// arguments with '*', raises EConvertError instead of building a string that
// size. (Precision elsewhere only cuts text or is held to 18 digits.)
inline constexpr Integer MaxFormatWidth = 65536;

// Raises EConvertError "Format '...' invalid or incompatible with argument"
// for a malformed format, a type that does not take its argument, or too few
// arguments. Floating types use FloatToStrF with the settings: e and g take
// precision as significant digits (15 by default), f, n and m as decimals (2
// by default; m the settings' currency decimals).
String Format(const String& Fmt, std::initializer_list<TFormatArg> Args);
String Format(const String& Fmt, std::initializer_list<TFormatArg> Args,
              const TFormatSettings& Settings);

}  // namespace kvp
