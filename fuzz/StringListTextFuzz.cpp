// Fuzz target: text read into a string list in each of its forms (Text,
// CommaText, DelimitedText with a delimiter, quote and strictness from the
// input) and its name=value pairs, in a plain and a sorted list. Properties
// checked:
//   - nothing crashes;
//   - each form written reads back to the same lines;
//   - Values finds the first line of a name, setting a value changes that
//     line only, and an empty value removes it;
//   - a sorted list stays in order and finds each of its lines.
// Built and run by scripts/run-fuzz (not by the test command).
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/classes/StringList.h"
#include "platform/rtl/Strings.h"

using namespace kvp;
using kvfuzz::Shown;

namespace {

using Lines = std::vector<String>;

Lines Items(TStrings* L) {
  Lines R;
  for (Integer I = 0; I < L->GetCount(); ++I) R.push_back(L->Get(I));
  return R;
}

String Joined(const Lines& L) {
  String R;
  for (const String& S : L) R += Shown(S) + " ";
  return R;
}

// Reads Written back with the same settings and expects Expected.
template <class Set>
void CheckReadsBack(TStringList* From, const String& Written, Set Read, const char* Property) {
  TObjectPtr<TStringList> Back(TStringList::Create());
  Back->Assign(From);  // the settings and the lines
  Read(Back.get(), Written);
  FUZZ_CHECK(Items(Back.get()) == Items(From), Property,
        Joined(Items(From)) + "-> " + Shown(Written) + " -> " + Joined(Items(Back.get())));
}

void CheckValues(TStringList* L, FuzzedDataProvider& In) {
  if (L->GetCount() == 0) return;
  Integer Index = In.ConsumeIntegralInRange<Integer>(0, L->GetCount() - 1);
  String Name = L->GetNames(Index);
  if (Name.empty()) return;
  Integer First = L->IndexOfName(Name);
  FUZZ_CHECK(First >= 0 && First <= Index, "IndexOfName finds the first line of a name", Shown(Name));
  FUZZ_CHECK(L->GetValues(Name) == L->GetValueFromIndex(First), "Values reads the first line of a name",
        Shown(Name));
  Lines Before = Items(L);
  String Value = In.ConsumeRandomLengthString(8);
  L->SetValues(Name, Value);
  Lines After = Items(L);
  if (Value.empty()) {
    Before.erase(Before.begin() + First);
    FUZZ_CHECK(After == Before, "an empty value removes the line of its name", Shown(Name));
    return;
  }
  FUZZ_CHECK(L->GetValues(Name) == Value, "a value set reads back", Shown(Name) + " " + Shown(Value));
  Before[std::size_t(First)] = Name + Utf8Encode(L->GetNameValueSeparator()) + Value;
  FUZZ_CHECK(After == Before, "setting a value changes only the line of its name", Shown(Name));
}

void CheckSorted(const Lines& From, bool CaseSensitive) {
  TObjectPtr<TStringList> L(TStringList::Create());
  L->SetCaseSensitive(CaseSensitive);
  L->SetDuplicates(dupAccept);
  L->SetSorted(true);
  for (const String& S : From) L->Add(S);
  FUZZ_CHECK(L->GetCount() == Integer(From.size()), "a sorted list accepting duplicates keeps every line");
  for (Integer I = 0; I + 1 < L->GetCount(); ++I) {
    Integer C = CaseSensitive ? AnsiCompareStr(L->Get(I), L->Get(I + 1))
                              : AnsiCompareText(L->Get(I), L->Get(I + 1));
    FUZZ_CHECK(C <= 0, "a sorted list is in order", Shown(L->Get(I)) + " " + Shown(L->Get(I + 1)));
  }
  for (const String& S : From) {
    Integer At = L->IndexOf(S);
    FUZZ_CHECK(At >= 0, "a sorted list finds each of its lines", Shown(S));
    Integer C = CaseSensitive ? AnsiCompareStr(L->Get(At), S) : AnsiCompareText(L->Get(At), S);
    FUZZ_CHECK(C == 0, "a sorted list finds a line equal to the one sought", Shown(S));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  FuzzedDataProvider In(Data, Size);
  TObjectPtr<TStringList> L(TStringList::Create());
  L->SetDelimiter(kvfuzz::PickOne<Char>(In, {U',', U';', U'|', U'\t', U' ', U'\u00A6', U'"'}));
  L->SetQuoteChar(kvfuzz::PickOne<Char>(In, {U'"', U'\'', U'\u00AB', U'|'}));
  L->SetStrictDelimiter(In.ConsumeBool());
  L->SetNameValueSeparator(kvfuzz::PickOne<Char>(In, {U'=', U':', U'\u2192'}));
  int Form = In.ConsumeIntegralInRange(0, 2);
  String Text = In.ConsumeRandomLengthString(512);
  // [1] Read in one form, then each form written reads back.
  if (Form == 0)
    L->SetText(Text);
  else if (Form == 1)
    L->SetCommaText(Text);
  else
    L->SetDelimitedText(Text);
  bool HasBreaks = false;
  for (const String& S : Items(L.get())) HasBreaks = HasBreaks || S.find_first_of("\r\n") != String::npos;
  if (!HasBreaks)
    CheckReadsBack(L.get(), L->GetText(), [](TStringList* B, const String& T) { B->SetText(T); },
                   "Text reads back to the same lines");
  CheckReadsBack(L.get(), L->GetCommaText(),
                 [](TStringList* B, const String& T) { B->SetCommaText(T); },
                 "CommaText reads back to the same lines");
  // A delimiter that is also the quote, or a blank that only strict mode
  // keeps apart, cannot be read back whatever is written.
  Char Delimiter = L->GetDelimiter();
  bool Readable = Delimiter != L->GetQuoteChar() && (L->GetStrictDelimiter() || Delimiter > U' ');
  if (Readable)
    CheckReadsBack(L.get(), L->GetDelimitedText(),
                   [](TStringList* B, const String& T) { B->SetDelimitedText(T); },
                   "DelimitedText reads back to the same lines");
  // [2] Name=value pairs.
  for (int I = 0; I < 4; ++I) CheckValues(L.get(), In);
  // [3] Sorted lists.
  Lines All = Items(L.get());
  CheckSorted(All, false);
  CheckSorted(All, true);
  return 0;
}
