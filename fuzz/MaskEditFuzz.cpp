// Fuzz target: typing into a masked edit as a user would, through the input
// driver: a mask from the input, then keys (characters, Backspace, Delete,
// arrows, Home, End, Shift+arrows, Escape, cut and paste of text from the
// input) and selections. Properties checked after every step:
//   - nothing crashes;
//   - EditText keeps one character a position of the mask, every literal in
//     place;
//   - every editable position holds the blank or a character that position
//     accepts (nothing typed or pasted gets past the mask);
//   - the selection lies within the text.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "platform/controls/Forms.h"
#include "platform/controls/Mask.h"
#include "platform/controls/StdCtrls.h"
#include "platform/rtl/EditMask.h"
#include "platform/rtl/VirtualKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/InputDriver.h"
#include "platform/win/System.h"
#include "platform/win/Windows.h"

using namespace kvp;
using kvfuzz::Shown;

namespace {

std::u32string Chars(const String& S) {
  std::u32string R;
  std::size_t P = 0;
  while (P < S.size()) R.push_back(Utf8Decode(S, P));
  return R;
}

void CheckState(TMaskEdit* Edit, const TEditMask& M, const String& Mask, const String& Steps) {
  String EditText = Edit->GetEditText();
  std::u32string E = Chars(EditText);
  String Where = Shown(Mask) + " after " + Shown(Steps) + ": " + Shown(EditText);
  FUZZ_CHECK(Integer(E.size()) == M.Count(), "EditText keeps one character a position", Where);
  for (Integer I = 0; I < M.Count(); ++I) {
    Char C = E[std::size_t(I)];
    if (M.IsLiteral(I)) {
      FUZZ_CHECK(C == M.Position(I).Literal, "literals stay in place", Where);
      continue;
    }
    if (C == M.Blank()) continue;
    Char Given = C;
    FUZZ_CHECK(M.AcceptChar(I, Given) && Given == C, "typed characters fit their positions",
          Where + " at " + std::to_string(I));
  }
  Integer Start = Edit->GetSelStart(), Len = Edit->GetSelLength();
  FUZZ_CHECK(Start >= 0 && Len >= 0 && Start + Len <= M.Count(), "the selection lies within the text",
        Where + " selection " + std::to_string(Start) + "+" + std::to_string(Len));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzedDataProvider In(Data, Size);
  String Mask = In.ConsumeRandomLengthString(40);
  TEditMask M(Mask);
  if (M.IsEmpty()) return 0;  // an empty mask masks nothing
  ResetWindowSystem();
  ResetMessageBeepCount();
  Application()->Reset();
  TObjectPtr<TForm> Form(TForm::Create(nullptr));
  Form->SetBounds(100, 100, 400, 300);
  TMaskEdit* Edit = TMaskEdit::Create(Form.get());
  Edit->SetBounds(10, 10, 300, 24);
  Edit->SetParent(Form.get());
  TEdit* Other = TEdit::Create(Form.get());
  Other->SetBounds(10, 50, 150, 24);
  Other->SetParent(Form.get());
  Edit->SetEditMask(Mask);
  Form->Show();
  Edit->SetFocus();
  String Steps;
  CheckState(Edit, M, Mask, Steps);
  for (int Step = 0; Step < 48 && In.remaining_bytes() > 0; ++Step) {
    switch (In.ConsumeIntegralInRange(0, 11)) {
      case 0:
      case 1:
      case 2: {
        String Typed = In.ConsumeRandomLengthString(6);
        Input.Type(Typed);
        Steps += Typed;
        break;
      }
      case 3: {
        Word Key = kvfuzz::PickOne<Word>(In, {VK_BACK, VK_DELETE, VK_HOME, VK_END, VK_LEFT,
                                              VK_RIGHT, VK_UP, VK_DOWN, VK_ESCAPE, VK_INSERT});
        Input.KeyPress(Key);
        Steps += "<" + std::to_string(Key) + ">";
        break;
      }
      case 4: {
        Word Key = kvfuzz::PickOne<Word>(In, {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE});
        Input.KeyPress(Key, {ssShift});
        Steps += "<S" + std::to_string(Key) + ">";
        break;
      }
      case 5: {
        Integer Start = In.ConsumeIntegralInRange<Integer>(-2, M.Count() + 2);
        Integer Len = In.ConsumeIntegralInRange<Integer>(-2, M.Count() + 2);
        Edit->SetSelStart(Start);
        Edit->SetSelLength(Len);
        Steps += "<sel " + std::to_string(Start) + "+" + std::to_string(Len) + ">";
        break;
      }
      case 6: {
        String Pasted = In.ConsumeRandomLengthString(12);
        Clipboard()->SetAsText(Pasted);
        Input.KeyPress('V', {ssCtrl});
        Steps += "<paste " + Pasted + ">";
        break;
      }
      case 7:
        Input.KeyPress('X', {ssCtrl});
        Steps += "<cut>";
        break;
      case 8:
        Edit->SelectAll();
        Steps += "<all>";
        break;
      case 9:
        Other->SetFocus();  // a blank required position keeps the focus with an error
        Edit->SetFocus();
        Steps += "<exit>";
        break;
      case 10: {
        Char C = Char(In.ConsumeIntegralInRange<std::uint32_t>(32, 0x2FFFF));
        String Typed = Utf8Encode(C);
        Input.Type(Typed);
        Steps += Typed;
        break;
      }
      default:
        Input.KeyPress('Z', {ssCtrl});
        Steps += "<undo>";
        break;
    }
    CheckState(Edit, M, Mask, Steps);
  }
  Form.reset();
  Application()->ClearHandledExceptions();
  ResetWindowSystem();
  return 0;
}
