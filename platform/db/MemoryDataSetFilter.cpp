// The in-memory dataset's filter text: "Name = 'Smith*' and Amount > 10 or
// Paid = null", "(City = 'Paris' or City = 'Wien') and Name like 'a%'". It is
// parsed once, when the filter is applied, so that every mistake is refused
// then and nothing of the text is ever skipped: a value is exactly one quoted
// string, number or null, and text left after it is an error. 'and' binds
// tighter than 'or'; parentheses group.
//
// A quoted value compared with a number, a date or a Boolean is read as one
// (a value it does not read as matches nothing), so that dates and numbers
// compare by value, not by their text. A LIKE pattern matches the whole text
// of the value, '%' standing for any run of characters and '_' for one,
// without regard to letter case.

#include "platform/db/FieldDefs.h"
#include "platform/db/MemoryDataSetImpl.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Strings.h"

namespace kvp {

namespace {

// Splits Text on a word operator (" and ", " or ") outside quotes and outside
// parentheses. A doubled quote inside a quoted value toggles twice and so
// changes nothing; a ')' without its '(' does not hide what follows it.
std::vector<String> SplitOn(const String& Text, std::string_view Word) {
  std::vector<String> Parts;
  bool Quoted = false;
  Integer Depth = 0;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\'') Quoted = !Quoted;
    if (Quoted) continue;
    if (Text[I] == '(') ++Depth;
    if (Text[I] == ')' && Depth > 0) --Depth;
    if (Depth > 0 || I + Word.size() > Text.size()) continue;
    if (SameText(Text.substr(I, Word.size()), String(Word))) {
      Parts.push_back(Text.substr(Start, I - Start));
      Start = I + Word.size();
      I = Start - 1;
    }
  }
  Parts.push_back(Text.substr(Start));
  return Parts;
}

// The position of the ')' that closes the '(' at Open, outside quotes; npos
// when there is none.
std::size_t ClosingParenthesis(const String& Text, std::size_t Open) {
  bool Quoted = false;
  Integer Depth = 0;
  for (std::size_t I = Open; I < Text.size(); ++I) {
    if (Text[I] == '\'') Quoted = !Quoted;
    if (Quoted) continue;
    if (Text[I] == '(') ++Depth;
    if (Text[I] == ')' && --Depth == 0) return I;
  }
  return String::npos;
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

// The word "like" (or "not like") between a field name and its pattern:
// after a space, before a space or a quote, and before any quote; npos when
// there is none.
std::size_t FindLike(const String& Text, TFilterOperator& Op, std::size_t& Length) {
  const std::size_t Quote = Text.find('\'');
  for (std::size_t At = 1; At + 4 <= Text.size() && At < Quote; ++At) {
    if (Text[At - 1] != ' ' || !SameText(Text.substr(At, 4), "like")) continue;
    if (At + 4 < Text.size() && Text[At + 4] != ' ' && Text[At + 4] != '\'') continue;
    std::size_t Start = At;
    Op = foLike;
    // "not" before it, as a word of its own, makes it NOT LIKE.
    std::size_t Before = At - 1;
    while (Before > 0 && Text[Before - 1] == ' ') --Before;
    if (Before >= 4 && SameText(Text.substr(Before - 3, 3), "not") && Text[Before - 4] == ' ') {
      Start = Before - 3;
      Op = foNotLike;
    }
    Length = At + 4 - Start;
    return Start;
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

// Groups nest at most this deep, so that a text of parentheses cannot
// exhaust the stack of the recursive parsing and matching.
constexpr Integer MaxGroupDepth = 64;

TFilterProgram ParseProgram(const String& Text, const TFieldDefs* Defs, TComponent* Owner,
                            Integer Depth);

TFilterCondition ParseCondition(const String& Text, const TFieldDefs* Defs, TComponent* Owner,
                                Integer Depth) {
  TFilterCondition Result;
  // [Phase 1] A group: the whole condition in parentheses.
  if (!Text.empty() && Text.front() == '(' && ClosingParenthesis(Text, 0) == Text.size() - 1) {
    const String Inner = Trim(Text.substr(1, Text.size() - 2));
    if (Inner.empty() || Depth >= MaxGroupDepth) InvalidCondition(Text, Owner);
    Result.Group =
        std::make_shared<const TFilterProgram>(ParseProgram(Inner, Defs, Owner, Depth + 1));
    return Result;
  }
  // [Phase 2] The field, the operator (the first one found) and the value.
  std::size_t OpLength = 0, LikeLength = 0;
  TFilterOperator LikeOp = foLike;
  std::size_t At = FindOperator(Text, Result.Op, OpLength);
  const std::size_t LikeAt = FindLike(Text, LikeOp, LikeLength);
  if (LikeAt < At) {
    At = LikeAt;
    Result.Op = LikeOp;
    OpLength = LikeLength;
  }
  if (At == String::npos) InvalidCondition(Text, Owner);
  const String Field = Trim(Text.substr(0, At));
  const String Value = Trim(Text.substr(At + OpLength));
  if (Field.empty()) InvalidCondition(Text, Owner);
  String Quoted;
  Double Number = 0;
  const bool Like = Result.Op == foLike || Result.Op == foNotLike;
  if (ParseQuoted(Value, Quoted))
    Result.Value = Variant(std::move(Quoted));
  else if (!Like && SameText(Value, "null"))
    Result.Value = Null();
  else if (!Like && TryStrToFloat(Value, Number))
    Result.Value = Variant(Number);
  else
    InvalidCondition(Text, Owner);
  Result.FieldIndex = Defs->IndexOf(Field);
  if (Result.FieldIndex < 0) DatabaseError(DBMessage("Field '%s' not found", {Field}), Owner);
  return Result;
}

TFilterProgram ParseProgram(const String& Text, const TFieldDefs* Defs, TComponent* Owner,
                            Integer Depth) {
  TFilterProgram Program;
  for (const String& Alternative : SplitOn(Text, " or ")) {
    std::vector<TFilterCondition> Conditions;
    for (const String& Part : SplitOn(Alternative, " and "))
      Conditions.push_back(ParseCondition(Trim(Part), Defs, Owner, Depth));
    Program.Alternatives.push_back(std::move(Conditions));
  }
  return Program;
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
    case foLike:
    case foNotLike:
      break;
  }
  return false;
}

std::u32string UpperCodePoints(const String& Text) {
  const String Upper = AnsiUpperCase(Text);
  std::u32string Result;
  for (std::size_t At = 0; At < Upper.size();) Result += Utf8Decode(Upper, At);
  return Result;
}

// Whether Text matches Pattern ('%' any run, '_' one character), ignoring
// letter case. A '%' remembers where it stood; a mismatch later goes back to
// it with one more character taken, so the walk never branches further.
bool LikeMatches(const String& Text, const String& Pattern) {
  const std::u32string T = UpperCodePoints(Text);
  const std::u32string P = UpperCodePoints(Pattern);
  std::size_t Ti = 0, Pi = 0;
  std::size_t StarP = std::u32string::npos, StarT = 0;
  while (Ti < T.size()) {
    if (Pi < P.size() && (P[Pi] == U'_' || (P[Pi] != U'%' && P[Pi] == T[Ti]))) {
      ++Ti;
      ++Pi;
    } else if (Pi < P.size() && P[Pi] == U'%') {
      StarP = Pi++;
      StarT = Ti;
    } else if (StarP != std::u32string::npos) {
      Pi = StarP + 1;
      Ti = ++StarT;
    } else {
      return false;
    }
  }
  while (Pi < P.size() && P[Pi] == U'%') ++Pi;
  return Pi == P.size();
}

// A quoted key ending in '*' matches a prefix with = and <> unless
// foNoPartialCompare; foCaseInsensitive compares text without case.
bool ConditionHolds(const TFilterCondition& C, const Variant& Value, TFilterOptions Options) {
  const bool ValueNull = VarIsNull(Value) || VarIsEmpty(Value);
  if (VarIsNull(C.Value)) return C.Op == foEqual ? ValueNull : (C.Op == foNotEqual && !ValueNull);
  if (ValueNull) return false;
  if (C.Op == foLike || C.Op == foNotLike) {
    if (VarIsArray(Value)) return false;
    return LikeMatches(VarToStr(Value), C.Value.AsString()) == (C.Op == foLike);
  }
  if (VarIsStr(C.Value)) {
    const bool NoCase = Options.Contains(foCaseInsensitive);
    String Key = C.Value.AsString();
    const bool Partial = !Options.Contains(foNoPartialCompare);
    if (Partial && !Key.empty() && Key.back() == '*' && (C.Op == foEqual || C.Op == foNotEqual)) {
      Key.pop_back();
      const String Text = VarToStr(Value);
      const bool Starts = NoCase ? AnsiStartsText(Key, Text) : AnsiStartsStr(Key, Text);
      return (C.Op == foEqual) == Starts;
    }
    if (VarIsStr(Value)) {
      const String Text = Value.AsString();
      return Holds(NoCase ? AnsiCompareText(Text, Key) : AnsiCompareStr(Text, Key), C.Op);
    }
    // A number, date or Boolean: the key is read as one below.
  }
  try {
    const TVariantRelationship R = VarCompareValue(Value, C.Value);
    return R != vrNotEqual && Holds(R == vrEqual ? 0 : (R == vrLessThan ? -1 : 1), C.Op);
  } catch (const Exception&) {
    return false;  // a value that cannot be compared with the key does not match
  }
}

bool ProgramAccepts(const TFilterProgram& Program, const std::vector<Variant>& Data,
                    TFilterOptions Options) {
  for (const auto& Conditions : Program.Alternatives) {
    bool All = true;
    for (const TFilterCondition& C : Conditions) {
      if (C.Group) {
        All = ProgramAccepts(*C.Group, Data, Options);
      } else {
        const auto Index = std::size_t(C.FieldIndex);
        All = Index < Data.size() && ConditionHolds(C, Data[Index], Options);
      }
      if (!All) break;
    }
    if (All) return true;
  }
  return false;
}

}  // namespace

TFilterProgram ParseMemoryFilter(const String& Text, const TFieldDefs* Defs, TComponent* Owner) {
  if (Trim(Text).empty()) return TFilterProgram();
  return ParseProgram(Text, Defs, Owner, 0);
}

bool MemoryFilterAccepts(const TFilterProgram& Program, const std::vector<Variant>& Data,
                         TFilterOptions Options) {
  if (Program.Alternatives.empty()) return true;
  return ProgramAccepts(Program, Data, Options);
}

}  // namespace kvp
