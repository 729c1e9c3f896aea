// Fuzz target: the edit-mask engine with a mask and texts from the input: the
// mask parsed, a text laid into it (EditText), read back out (Text), and
// characters tested against each position. Properties checked:
//   - nothing crashes;
//   - the mask has no more positions than it has characters;
//   - EditText has exactly one character a position, each literal position
//     holds its literal, and the text formatted for display likewise;
//   - laying a Text read back out of an EditText gives that EditText again;
//   - a character a position accepts is accepted again in the case it was
//     given back in, and never at a literal;
//   - FirstUnfilled names a required position holding a blank, or -1 when
//     none does.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/rtl/EditMask.h"
#include "platform/rtl/Strings.h"

using namespace kvp;
using kvfuzz::Shown;

namespace {

std::u32string Chars(const String& S) {
  std::u32string R;
  std::size_t P = 0;
  while (P < S.size()) R.push_back(Utf8Decode(S, P));
  return R;
}

void CheckLayout(const TEditMask& M, const String& Mask, const String& EditText, const char* What) {
  std::u32string E = Chars(EditText);
  FUZZ_CHECK(Integer(E.size()) == M.Count(), What, Shown(Mask) + " -> " + Shown(EditText));
  for (Integer I = 0; I < M.Count(); ++I)
    if (M.IsLiteral(I))
      FUZZ_CHECK(E[std::size_t(I)] == M.Position(I).Literal, "literals stay in place",
            Shown(Mask) + " -> " + Shown(EditText) + " at " + std::to_string(I));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzedDataProvider In(Data, Size);
  String Mask = In.ConsumeRandomLengthString(64);
  String Text = In.ConsumeRandomLengthString(64);
  TEditMask M(Mask);
  FUZZ_CHECK(M.Count() <= Integer(Chars(Mask).size()), "no more positions than mask characters",
        Shown(Mask));
  // [1] Layout and read-back.
  String Edit = M.EditTextFromText(Text);
  CheckLayout(M, Mask, Edit, "EditText has one character a position");
  CheckLayout(M, Mask, M.FormatText(Text), "formatted text has one character a position");
  CheckLayout(M, Mask, M.BlankText(), "the blank text has one character a position");
  String Back = M.TextFromEditText(Edit);
  String Again = M.EditTextFromText(Back);
  FUZZ_CHECK(Again == Edit, "the Text read out of an EditText lays back into it",
        Shown(Mask) + " " + Shown(Text) + " -> " + Shown(Edit) + " -> " + Shown(Back) + " -> " +
            Shown(Again));
  // [2] Characters against positions.
  for (Integer I = -1; I <= M.Count(); ++I) {
    Char C = In.remaining_bytes() ? Char(In.ConsumeIntegralInRange<std::uint32_t>(0, 0x10FFFF))
                                  : Char(U'a' + I % 26);
    Char Given = C;
    bool Accepted = M.AcceptChar(I, Given);
    if (!Accepted) continue;
    FUZZ_CHECK(I >= 0 && I < M.Count() && !M.IsLiteral(I), "only editable positions accept characters",
          Shown(Mask) + " at " + std::to_string(I));
    Char Twice = Given;
    FUZZ_CHECK(M.AcceptChar(I, Twice) && Twice == Given, "a character given back is accepted as it is",
          Shown(Mask) + " at " + std::to_string(I));
  }
  // [3] The first unfilled required position.
  Integer Unfilled = M.FirstUnfilled(Edit);
  std::u32string E = Chars(Edit);
  for (Integer I = 0; I < M.Count(); ++I) {
    const TMaskPosition& P = M.Position(I);
    bool Blank = E[std::size_t(I)] == M.Blank() ||
                 (E[std::size_t(I)] == U' ' && P.Kind != TMaskCharKind::Any);
    if (P.Required && Blank) {
      FUZZ_CHECK(Unfilled == I, "FirstUnfilled names the first required blank",
            Shown(Mask) + " " + Shown(Edit));
      break;
    }
    FUZZ_CHECK(Unfilled != I, "FirstUnfilled names a required blank", Shown(Mask) + " " + Shown(Edit));
  }
  if (Unfilled >= 0) FUZZ_CHECK(Unfilled < M.Count(), "FirstUnfilled lies within the mask");
  return 0;
}
