// The in-memory dataset's filter text: "Name = 'Smith*' and Amount > 10 or
// Paid = null". It is parsed once, when the filter is applied, so that every
// mistake is refused then and nothing of the text is ever skipped: a value is
// exactly one quoted string, number or null, and text left after it is an
// error. 'and' binds tighter than 'or'.

#include "platform/db/FieldDefs.h"
#include "platform/db/MemoryDataSetImpl.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

// Splits Text on a word operator (" and ", " or ") outside quotes. A doubled
// quote inside a quoted value toggles twice and so changes nothing.
std::vector<String> SplitOn(const String& Text, std::string_view Word) {
  std::vector<String> Parts;
  bool Quoted = false;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\'') Quoted = !Quoted;
    if (Quoted || I + Word.size() > Text.size()) continue;
    if (SameText(Text.substr(I, Word.size()), String(Word))) {
      Parts.push_back(Text.substr(Start, I - Start));
      Start = I + Word.size();
      I = Start - 1;
    }
  }
  Parts.push_back(Text.substr(Start));
  return Parts;
}

// The first comparison operator of Text before any quote, or npos.
std::size_t FindOperator(const String& Text, TFilterOperator& Op, std::size_t& Length) {
  static const struct {
    std::string_view Text;
    TFilterOperator Op;
  } Ops[] = {{"<>", foNotEqual}, {"<=", foLessEqual}, {">=", foGreaterEqual},
             {"=", foEqual},     {"<", foLess},       {">", foGreater}};
  for (std::size_t At = 0; At < Text.size() && Text[At] != '\''; ++At) {
    for (const auto& Candidate : Ops) {
      if (Text.compare(At, Candidate.Text.size(), Candidate.Text) != 0) continue;
      Op = Candidate.Op;
      Length = Candidate.Text.size();
      return At;
    }
  }
  return String::npos;
}

// A quoted value that is the whole of Text: quotes inside it are doubled.
bool ParseQuoted(const String& Text, String& Value) {
  if (Text.empty() || Text.front() != '\'') return false;
  Value.clear();
  for (std::size_t I = 1; I < Text.size(); ++I) {
    if (Text[I] != '\'') {
      Value += Text[I];
    } else if (I + 1 < Text.size() && Text[I + 1] == '\'') {
      Value += '\'';
      ++I;
    } else {
      return I + 1 == Text.size();  // the closing quote ends the value and the text
    }
  }
  return false;  // no closing quote
}

[[noreturn]] void InvalidCondition(const String& Text, TComponent* Owner) {
  DatabaseError(DBMessage("Invalid filter condition '%s'", {Text}), Owner);
}

TFilterCondition ParseCondition(const String& Text, const TFieldDefs* Defs, TComponent* Owner) {
  TFilterCondition Result;
  std::size_t OpLength = 0;
  const std::size_t At = FindOperator(Text, Result.Op, OpLength);
  if (At == String::npos) InvalidCondition(Text, Owner);
  const String Field = Trim(Text.substr(0, At));
  const String Value = Trim(Text.substr(At + OpLength));
  if (Field.empty()) InvalidCondition(Text, Owner);
  String Quoted;
  Double Number = 0;
  if (ParseQuoted(Value, Quoted))
    Result.Value = Variant(std::move(Quoted));
  else if (SameText(Value, "null"))
    Result.Value = Null();
  else if (TryStrToFloat(Value, Number))
    Result.Value = Variant(Number);
  else
    InvalidCondition(Text, Owner);
  Result.FieldIndex = Defs->IndexOf(Field);
  if (Result.FieldIndex < 0) DatabaseError(DBMessage("Field '%s' not found", {Field}), Owner);
  return Result;
}

bool Holds(Integer Compared, TFilterOperator Op) {
  switch (Op) {
    case foEqual:
      return Compared == 0;
    case foNotEqual:
      return Compared != 0;
    case foLess:
      return Compared < 0;
    case foGreater:
      return Compared > 0;
    case foLessEqual:
      return Compared <= 0;
    case foGreaterEqual:
      return Compared >= 0;
  }
  return false;
}

// A quoted key ending in '*' matches a prefix with = and <> unless
// foNoPartialCompare; foCaseInsensitive compares text without case.
bool ConditionHolds(const TFilterCondition& C, const Variant& Value, TFilterOptions Options) {
  const bool ValueNull = VarIsNull(Value) || VarIsEmpty(Value);
  if (VarIsNull(C.Value)) return C.Op == foEqual ? ValueNull : (C.Op == foNotEqual && !ValueNull);
  if (ValueNull) return false;
  if (VarIsStr(C.Value)) {
    const bool NoCase = Options.Contains(foCaseInsensitive);
    String Key = C.Value.AsString();
    const String Text = VarToStr(Value);
    const bool Partial = !Options.Contains(foNoPartialCompare);
    if (Partial && !Key.empty() && Key.back() == '*' && (C.Op == foEqual || C.Op == foNotEqual)) {
      Key.pop_back();
      const bool Starts = NoCase ? AnsiStartsText(Key, Text) : AnsiStartsStr(Key, Text);
      return (C.Op == foEqual) == Starts;
    }
    return Holds(NoCase ? AnsiCompareText(Text, Key) : AnsiCompareStr(Text, Key), C.Op);
  }
  try {
    const TVariantRelationship R = VarCompareValue(Value, C.Value);
    return R != vrNotEqual && Holds(R == vrEqual ? 0 : (R == vrLessThan ? -1 : 1), C.Op);
  } catch (const Exception&) {
    return false;  // a value that cannot be compared with the key does not match
  }
}

}  // namespace

TFilterProgram ParseMemoryFilter(const String& Text, const TFieldDefs* Defs, TComponent* Owner) {
  TFilterProgram Program;
  if (Trim(Text).empty()) return Program;
  for (const String& Alternative : SplitOn(Text, " or ")) {
    std::vector<TFilterCondition> Conditions;
    for (const String& Part : SplitOn(Alternative, " and "))
      Conditions.push_back(ParseCondition(Trim(Part), Defs, Owner));
    Program.Alternatives.push_back(std::move(Conditions));
  }
  return Program;
}

bool MemoryFilterAccepts(const TFilterProgram& Program, const std::vector<Variant>& Data,
                         TFilterOptions Options) {
  if (Program.Alternatives.empty()) return true;
  for (const auto& Conditions : Program.Alternatives) {
    bool All = true;
    for (const TFilterCondition& C : Conditions) {
      const auto Index = std::size_t(C.FieldIndex);
      if (Index >= Data.size() || !ConditionHolds(C, Data[Index], Options)) {
        All = false;
        break;
      }
    }
    if (All) return true;
  }
  return false;
}

}  // namespace kvp
