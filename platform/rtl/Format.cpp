#include "platform/rtl/Format.h"

#include <cstdint>
#include <limits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

// One conversion directive, as parsed from "%[index:][-][width][.precision]type".
struct TSpec {
  bool LeftAlign = false;
  Integer Width = -1;      // -1: none
  Integer Precision = -1;  // -1: none
  char Type = 0;           // lower case
};

// Walks the format string and the arguments together.
class TFormatter {
 public:
  TFormatter(const String& Fmt, std::initializer_list<TFormatArg> Args,
             const TFormatSettings& Settings)
      : FFmt(Fmt), FArgs(Args), FSettings(Settings) {}

  String Run();

 private:
  [[noreturn]] void Fail() const {
    throw EConvertError("Format '" + FFmt + "' invalid or incompatible with argument");
  }
  [[noreturn]] void TooLarge(const char* What, Integer Value) const {
    throw EConvertError("Format '" + FFmt + "' asks for a " + What + " of " +
                        std::to_string(Value) + " (at most " + std::to_string(MaxFormatWidth) +
                        ")");
  }
  bool AtEnd() const { return FPos >= FFmt.size(); }
  char Peek() const { return AtEnd() ? '\0' : FFmt[FPos]; }
  bool IsDigit() const { return Peek() >= '0' && Peek() <= '9'; }

  Integer ReadNumber();
  Integer ReadCount();  // a number or '*'
  const TFormatArg& NextArg();
  TSpec ParseSpec();
  String Convert(const TSpec& Spec);
  String ConvertInteger(const TSpec& Spec, const TFormatArg& Arg);
  String ConvertFloat(const TSpec& Spec, const TFormatArg& Arg);
  String ConvertText(const TSpec& Spec, const TFormatArg& Arg);
  static String Pad(const String& Text, const TSpec& Spec);

  const String& FFmt;
  std::initializer_list<TFormatArg> FArgs;
  const TFormatSettings& FSettings;
  std::size_t FPos = 0;      // byte position in FFmt
  std::size_t FNextArg = 0;  // index of the argument the next directive takes
};

String TFormatter::Run() {
  String Out;
  while (!AtEnd()) {
    char C = FFmt[FPos++];
    if (C != '%') {
      Out += C;
      continue;
    }
    if (Peek() == '%') {
      ++FPos;
      Out += '%';
      continue;
    }
    Out += Convert(ParseSpec());
  }
  return Out;
}

// Digits up to a value that still fits an Integer.
Integer TFormatter::ReadNumber() {
  Int64 N = 0;
  while (IsDigit()) {
    N = N * 10 + (FFmt[FPos++] - '0');
    if (N > std::numeric_limits<Integer>::max()) Fail();
  }
  return static_cast<Integer>(N);
}

Integer TFormatter::ReadCount() {
  if (Peek() != '*') return ReadNumber();
  ++FPos;
  const TFormatArg& Arg = NextArg();
  if (Arg.GetKind() != TFormatArg::vtInteger) Fail();
  return static_cast<Integer>(Arg.GetInt());
}

const TFormatArg& TFormatter::NextArg() {
  if (FNextArg >= FArgs.size()) Fail();
  return FArgs.begin()[FNextArg++];
}

TSpec TFormatter::ParseSpec() {
  TSpec Spec;
  // [Phase 1] An argument index "n:" (or "*:") chooses where the arguments go on.
  std::size_t Start = FPos;
  if (IsDigit() || Peek() == '*') {
    Integer N = ReadCount();
    if (Peek() == ':') {
      ++FPos;
      if (N < 0) Fail();
      FNextArg = static_cast<std::size_t>(N);
    } else {
      FPos = Start;
      if (Peek() == '*') FNextArg--;  // the star is the width; read it again below
    }
  }
  // [Phase 2] Alignment, width and precision.
  if (Peek() == '-') {
    Spec.LeftAlign = true;
    ++FPos;
  }
  if (IsDigit() || Peek() == '*') {
    Integer W = ReadCount();
    if (W < 0) {  // a negative width from '*' aligns left
      Spec.LeftAlign = true;
      W = W == std::numeric_limits<Integer>::min() ? std::numeric_limits<Integer>::max() : -W;
    }
    if (W > MaxFormatWidth) TooLarge("width", W);
    Spec.Width = W;
  }
  if (Peek() == '.') {
    ++FPos;
    Spec.Precision = (IsDigit() || Peek() == '*') ? ReadCount() : 0;
    if (Spec.Precision < 0) Spec.Precision = -1;
  }
  // [Phase 3] The type.
  if (AtEnd()) Fail();
  char T = FFmt[FPos++];
  Spec.Type = (T >= 'A' && T <= 'Z') ? static_cast<char>(T - 'A' + 'a') : T;
  return Spec;
}

String TFormatter::Convert(const TSpec& Spec) {
  switch (Spec.Type) {
    case 'd':
    case 'u':
    case 'x':
      return Pad(ConvertInteger(Spec, NextArg()), Spec);
    case 'e':
    case 'f':
    case 'g':
    case 'n':
    case 'm':
      return Pad(ConvertFloat(Spec, NextArg()), Spec);
    case 'p':
    case 's':
      return Pad(ConvertText(Spec, NextArg()), Spec);
    case '%':
      return Pad("%", Spec);  // "%5%": a padded percent sign, no argument
    default:
      Fail();
  }
}

String TFormatter::ConvertInteger(const TSpec& Spec, const TFormatArg& Arg) {
  bool Wide = Arg.GetKind() == TFormatArg::vtInt64;
  if (!Wide && Arg.GetKind() != TFormatArg::vtInteger) Fail();
  Int64 V = Arg.GetInt();
  bool Negative = false;
  String Digits;
  if (Spec.Type == 'x') {
    Digits = Wide ? IntToHex(V, 0) : IntToHex(static_cast<Integer>(V), 0);
  } else if (Spec.Type == 'u') {
    Digits = std::to_string(Wide ? static_cast<UInt64>(V) : static_cast<std::uint32_t>(V));
  } else {
    Negative = V < 0;
    Digits = std::to_string(V);
    if (Negative) Digits.erase(0, 1);
  }
  if (Spec.Precision > MaxFormatWidth) TooLarge("precision", Spec.Precision);
  if (Spec.Precision > static_cast<Integer>(Digits.size()))
    Digits.insert(0, Spec.Precision - Digits.size(), '0');
  return Negative ? "-" + Digits : Digits;
}

String TFormatter::ConvertFloat(const TSpec& Spec, const TFormatArg& Arg) {
  bool IsCurrency = Arg.GetKind() == TFormatArg::vtCurrency;
  if (!IsCurrency && Arg.GetKind() != TFormatArg::vtExtended) Fail();
  Extended V = IsCurrency ? Arg.GetCurrency().ToDouble() : Arg.GetFloat();
  auto Clamp = [](Integer P, Integer Default, Integer Lo, Integer Hi) {
    return P < 0 ? Default : P < Lo ? Lo : P > Hi ? Hi : P;
  };
  switch (Spec.Type) {
    case 'e':
      return FloatToStrF(V, ffExponent, Clamp(Spec.Precision, 15, 1, 18), 3, FSettings);
    case 'g':
      return FloatToStrF(V, ffGeneral, Clamp(Spec.Precision, 15, 1, 18), 0, FSettings);
    default:
      break;
  }
  TFloatFormat F = Spec.Type == 'f' ? ffFixed : Spec.Type == 'n' ? ffNumber : ffCurrency;
  Integer Default = Spec.Type == 'm' ? FSettings.CurrencyDecimals : 2;
  Integer Decimals = Clamp(Spec.Precision, Default, 0, 18);
  // A Currency keeps its exact four decimals.
  if (IsCurrency) return CurrToStrF(Arg.GetCurrency(), F, Decimals, FSettings);
  return FloatToStrF(V, F, 18, Decimals, FSettings);
}

String TFormatter::ConvertText(const TSpec& Spec, const TFormatArg& Arg) {
  if (Spec.Type == 'p') {
    if (Arg.GetKind() != TFormatArg::vtPointer) Fail();
    auto Bits = static_cast<UInt64>(reinterpret_cast<std::uintptr_t>(Arg.GetPointer()));
    return IntToHex(static_cast<Int64>(Bits), Integer(2 * sizeof(void*)));
  }
  String Text;
  if (Arg.GetKind() == TFormatArg::vtString)
    Text = String(Arg.GetText());
  else if (Arg.GetKind() == TFormatArg::vtChar)
    Text = Utf8Encode(static_cast<Char>(Arg.GetInt()));
  else
    Fail();
  if (Spec.Precision >= 0) Text = Copy(Text, 1, Spec.Precision);
  return Text;
}

// Pads with spaces to the width, counted in characters.
String TFormatter::Pad(const String& Text, const TSpec& Spec) {
  Integer Missing = Spec.Width - Length(Text);
  if (Missing <= 0) return Text;
  String Spaces(static_cast<std::size_t>(Missing), ' ');
  return Spec.LeftAlign ? Text + Spaces : Spaces + Text;
}

}  // namespace

String Format(const String& Fmt, std::initializer_list<TFormatArg> Args) {
  return Format(Fmt, Args, FormatSettings);
}

String Format(const String& Fmt, std::initializer_list<TFormatArg> Args,
              const TFormatSettings& Settings) {
  return TFormatter(Fmt, Args, Settings).Run();
}

}  // namespace kvp
