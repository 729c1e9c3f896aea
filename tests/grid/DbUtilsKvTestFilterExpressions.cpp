// Filter expressions as a person types them into a filter cell: what each
// text parses to by the column's value type, the texts refused with the
// parser's message, the written form, and (property-based) that writing an
// expression back and parsing it again gives the same expression.
//
// Ideas for tests:
// - a resource string translated to another keyword (the parser compares the
//   upper-cased resource texts too); the library ships them untranslated.
#include <gtest/gtest.h>

#include <random>

#include "grid/DbUtilsKv.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Strings.h"

namespace korvel {
namespace {

using kvp::Double;
using kvp::String;
using kvp::Variant;

// Restores the locale after a test changes it.
struct TLocaleGuard {
  ~TLocaleGuard() { kvp::FormatSettings = kvp::DefaultFormatSettings(); }
};

TSTFilterExpressionKv Parse(const String& Text, TSTFilterValueTypeKv Type) {
  TSTFilterExpressionKv E;
  E.ExpressionType = Type;
  ParseFilterExpression(Text, E);
  return E;
}

// Same type and value, element by element for arrays.
bool SameValue(const Variant& A, const Variant& B) {
  if (kvp::VarType(A) != kvp::VarType(B)) return false;
  if (kvp::VarIsArray(A)) {
    if (kvp::VarArrayLowBound(A) != kvp::VarArrayLowBound(B) ||
        kvp::VarArrayHighBound(A) != kvp::VarArrayHighBound(B))
      return false;
    for (kvp::Integer I = kvp::VarArrayLowBound(A); I <= kvp::VarArrayHighBound(A); ++I)
      if (!SameValue(kvp::VarArrayGet(A, I), kvp::VarArrayGet(B, I))) return false;
    return true;
  }
  return kvp::VarSameValue(A, B);
}

bool SameExpression(const TSTFilterExpressionKv& A, const TSTFilterExpressionKv& B) {
  return A.ExpressionType == B.ExpressionType && A.Operator1 == B.Operator1 &&
         A.Relation == B.Relation && A.Operator2 == B.Operator2 &&
         SameValue(A.Operand1, B.Operand1) && SameValue(A.Operand2, B.Operand2);
}

String Describe(const Variant& V) {
  if (kvp::VarIsNull(V)) return "Null";
  if (kvp::VarIsArray(V)) {
    String S = "[";
    for (kvp::Integer I = kvp::VarArrayLowBound(V); I <= kvp::VarArrayHighBound(V); ++I)
      S += (I > 0 ? "," : "") + Describe(kvp::VarArrayGet(V, I));
    return S + "]";
  }
  if (kvp::VarIsStr(V)) return "'" + V.AsString() + "'";
  return kvp::VarTypeAsText(kvp::VarType(V)) + ":" + kvp::VarToStr(V);
}

String Describe(const TSTFilterExpressionKv& E) {
  return std::to_string(E.Operator1) + " " + Describe(E.Operand1) + " " +
         std::to_string(E.Relation) + " " + std::to_string(E.Operator2) + " " +
         Describe(E.Operand2);
}

Variant Arr(std::initializer_list<Variant> Items) { return kvp::VarArrayOf(Items); }
Variant Date(int Y, int M, int D) { return kvp::VarFromDateTime(kvp::EncodeDate(Y, M, D)); }

// [SECTION] What texts parse to

struct TParsed {
  const char* Text;
  TSTFilterValueTypeKv Type;
  TSTFilterOperatorKv Operator1;
  Variant Operand1;
  TSTFilterOperatorKv Relation = foNone;
  TSTFilterOperatorKv Operator2 = foNone;
  Variant Operand2 = kvp::Null();
};

TEST(FilterExpressions, TextsParseToTheirConditions) {
  const TParsed Cases[] = {
      // A value alone: LIKE in a string column, = elsewhere, converted.
      {"abc", fvtStringKv, foLike, "abc"},
      {"12.5", fvtNumberKv, foEqual, Double(12.5)},
      {"-3", fvtNumberKv, foEqual, Double(-3)},
      {"1/5/2020", fvtDateTimeKv, foEqual, Date(2020, 1, 5)},
      {"True", fvtBooleanKv, foEqual, "True"},
      {"New York", fvtStringKv, foLike, "New York"},
      {"Tom in town", fvtStringKv, foLike, "Tom in town"},
      {"O'Brien", fvtStringKv, foLike, "O'Brien"},
      {"rock 'n' roll", fvtStringKv, foLike, "rock 'n' roll"},
      {"  padded  ", fvtStringKv, foLike, "padded"},
      // Null in any letter case, after = and <> only.
      {"=Null", fvtStringKv, foIsNull, kvp::Null()},
      {"= null", fvtNumberKv, foIsNull, kvp::Null()},
      {"<>NULL", fvtDateTimeKv, foIsNotNull, kvp::Null()},
      {"!= nUlL", fvtStringKv, foIsNotNull, kvp::Null()},
      // Every operator, typed every way.
      {"=5", fvtNumberKv, foEqual, Double(5)},
      {"<> 5", fvtNumberKv, foNotEqual, Double(5)},
      {"!=5", fvtNumberKv, foNotEqual, Double(5)},
      {">5", fvtNumberKv, foGreater, Double(5)},
      {"<5", fvtNumberKv, foLess, Double(5)},
      {">= 5", fvtNumberKv, foGreaterOrEqual, Double(5)},
      {"<=5", fvtNumberKv, foLessOrEqual, Double(5)},
      {"~ab%", fvtStringKv, foLike, "ab%"},
      {"LIKE ab*", fvtStringKv, foLike, "ab*"},
      {"like 'ab'", fvtStringKv, foLike, "ab"},
      {"!~abc", fvtStringKv, foNotLike, "abc"},
      {"NOT LIKE abc", fvtStringKv, foNotLike, "abc"},
      {"not  like abc", fvtStringKv, foNotLike, "abc"},
      {"In(1,2)", fvtNumberKv, foIn, Arr({Double(1), Double(2)})},
      {"in (a, b)", fvtStringKv, foIn, Arr({"a", "b"})},
      {"IN (a , b )", fvtStringKv, foIn, Arr({"a", "b"})},
      {"NOT IN (a,b)", fvtStringKv, foNotIn, Arr({"a", "b"})},
      {"!In(a)", fvtStringKv, foNotIn, "a"},
      {"In('x,y','z')", fvtStringKv, foIn, Arr({"x,y", "z"})},
      // Quoted values keep spaces and operator characters; a doubled quote is one.
      {"'a b >= c'", fvtStringKv, foLike, "a b >= c"},
      {"= 'O''Brien'", fvtStringKv, foEqual, "O'Brien"},
      {"=''", fvtStringKv, foEqual, ""},
      // A list without In is an In list.
      {"a,b", fvtStringKv, foIn, Arr({"a", "b"})},
      {"1,2,3", fvtNumberKv, foIn, Arr({Double(1), Double(2), Double(3)})},
      {"a,", fvtStringKv, foLike, "a"},
      // Two conditions.
      {">=1 AND <=10", fvtNumberKv, foGreaterOrEqual, Double(1), foAnd, foLessOrEqual, Double(10)},
      {">=1 & <=10", fvtNumberKv, foGreaterOrEqual, Double(1), foAnd, foLessOrEqual, Double(10)},
      {"=1 | =2", fvtNumberKv, foEqual, Double(1), foOr, foEqual, Double(2)},
      {"smith or jones", fvtStringKv, foLike, "smith", foOr, foLike, "jones"},
      {"=Null OR >3", fvtNumberKv, foIsNull, kvp::Null(), foOr, foGreater, Double(3)},
      {">=1 AND", fvtNumberKv, foGreaterOrEqual, Double(1), foAnd},
      // An In list needs its ')' only in the first condition.
      {"=1 OR In(2,3", fvtNumberKv, foEqual, Double(1), foOr, foIn, Arr({Double(2), Double(3)})},
      {"=1 OR In(2,3)", fvtNumberKv, foEqual, Double(1), foOr, foIn, Arr({Double(2), Double(3)})},
      // An empty text is no condition.
      {"   ", fvtStringKv, foNone, kvp::Null()},
  };
  for (const TParsed& C : Cases) {
    SCOPED_TRACE(C.Text);
    TSTFilterExpressionKv Expected;
    Expected.ExpressionType = C.Type;
    Expected.Operator1 = C.Operator1;
    Expected.Operand1 = C.Operand1;
    Expected.Relation = C.Relation;
    Expected.Operator2 = C.Operator2;
    Expected.Operand2 = C.Operand2;
    const TSTFilterExpressionKv Got = Parse(C.Text, C.Type);
    EXPECT_TRUE(SameExpression(Got, Expected)) << Describe(Got) << " != " << Describe(Expected);
  }
}

TEST(FilterExpressions, ADecimalCommaKeepsANumberWholeOutsideInLists) {
  TLocaleGuard Locale;
  kvp::FormatSettings.DecimalSeparator = U',';
  EXPECT_TRUE(SameValue(Parse("1,5", fvtNumberKv).Operand1, Variant(Double(1.5))));
  EXPECT_TRUE(SameValue(Parse("In(1,5)", fvtNumberKv).Operand1, Arr({Double(1), Double(5)})));
  // After the In list the comma is a decimal comma again.
  const TSTFilterExpressionKv E = Parse("In(1,5) OR >2,5", fvtNumberKv);
  EXPECT_TRUE(SameValue(E.Operand2, Variant(Double(2.5)))) << Describe(E);
  EXPECT_TRUE(SameValue(Parse("a,b", fvtStringKv).Operand1, Arr({"a", "b"})))
      << "a string column lists at commas whatever the separator";
  kvp::FormatSettings.DecimalSeparator = U'.';
  EXPECT_TRUE(SameValue(Parse("1,5", fvtNumberKv).Operand1, Arr({Double(1), Double(5)})));
}

// [SECTION] Texts refused

TEST(FilterExpressions, MalformedTextsAreRefusedWithTheParsersMessageAndTheWholeText) {
  const struct {
    const char* Text;
    TSTFilterValueTypeKv Type;
    const char* Message;
  } Cases[] = {
      {"(", fvtStringKv, "Error in expression: ("},
      {")", fvtStringKv, "Error in expression: )"},
      {"!", fvtStringKv, "Error in expression: !"},
      {"AND 5", fvtNumberKv, "Error in expression: AND 5"},
      {"=", fvtNumberKv, "Unexpected expression after operator: ="},
      {"> =5", fvtNumberKv, "Unexpected expression after operator: > =5"},
      {">Null", fvtNumberKv, "Unexpected expression before Null: >Null"},
      {"~ null", fvtStringKv, "Unexpected expression before Null: ~ null"},
      {"In(1,2", fvtNumberKv, "')' expected: In(1,2"},
      {"In 5", fvtNumberKv, "'(' expected: In 5"},
      {"'abc", fvtStringKv, "Quote is absent: 'abc"},
      {"= 'abc' OR 'x", fvtStringKv, "Quote is absent: = 'abc' OR 'x"},
      {"=1 =2", fvtNumberKv, "Unexpected AND or OR: =1 =2"},
      {"=1 )", fvtNumberKv, "Incorrect expression: =1 )"},
      {"=1 AND )", fvtNumberKv, "Incorrect expression: =1 AND )"},
      // A negation with nothing to negate is text left over, not the end.
      {"='a' !", fvtStringKv, "Incorrect expression: ='a' !"},
      {"='a' NOT", fvtStringKv, "Incorrect expression: ='a' NOT"},
      {"=1 AND OR 5", fvtNumberKv, "Error in expression: =1 AND OR 5"},
      // Regression: text after the second condition was dropped, so three
      // conditions filtered on two.
      {"=1 OR =2 OR =3", fvtNumberKv, "Incorrect expression: =1 OR =2 OR =3"},
      {"a or b =c", fvtStringKv, "Incorrect expression: a or b =c"},
      {"=1 OR In(2) )", fvtNumberKv, "Incorrect expression: =1 OR In(2) )"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    TSTFilterExpressionKv E;
    E.ExpressionType = C.Type;
    E.Operator1 = foEqual;  // left over from before: the parser clears it
    try {
      ParseFilterExpression(C.Text, E);
      ADD_FAILURE() << "accepted as " << Describe(E);
    } catch (const kvp::EConvertError& Err) {
      ADD_FAILURE() << "conversion error: " << Err.GetMessage();
    } catch (const kvp::Exception& Err) {
      EXPECT_EQ(Err.GetMessage(), C.Message);
    }
    EXPECT_EQ(E.Operator1, foNone) << "a refused text leaves the expression cleared";
    EXPECT_EQ(E.ExpressionType, C.Type);
  }
}

TEST(FilterExpressions, ValuesThatDoNotConvertRaiseTheConversionError) {
  for (const char* Text : {"abc", "In(1,x)", ">=1 AND <=ten", "1e999"}) {
    SCOPED_TRACE(Text);
    EXPECT_THROW(Parse(Text, fvtNumberKv), kvp::EConvertError);
  }
  EXPECT_THROW(Parse("=31/31/2020", fvtDateTimeKv), kvp::EConvertError);
  EXPECT_NO_THROW(Parse("=abc", fvtBooleanKv)) << "Booleans stay text";
}

// [SECTION] Written form

TEST(FilterExpressions, TheWrittenFormOfEachKindOfCondition) {
  const struct {
    const char* Text;
    TSTFilterValueTypeKv Type;
    const char* Written;
  } Cases[] = {
      {"=Null", fvtStringKv, "=Null"},
      {"<> null", fvtNumberKv, "<>Null"},
      {"abc", fvtStringKv, "~ 'abc'"},
      {">5", fvtNumberKv, "> 5"},
      {"=0.1", fvtNumberKv, "= 0.1"},
      {"a,b", fvtStringKv, "In ('a','b')"},
      {"!In(x)", fvtStringKv, "!In ('x')"},
      {"In(1,2.5)", fvtNumberKv, "In (1,2.5)"},
      {">=1 and <=10", fvtNumberKv, ">= 1 AND <= 10"},
      {"a | b", fvtStringKv, "~ 'a' OR ~ 'b'"},
      {"=1 AND", fvtNumberKv, "= 1 AND"},
      {"= O''Brien", fvtStringKv, "= 'O''''Brien'"},
      {"= 'O''Brien'", fvtStringKv, "= 'O''Brien'"},
      {"= 1/5/2020", fvtDateTimeKv, "= 1/5/2020"},
      {"= 1/5/2020 10:30", fvtDateTimeKv, "= 1/5/2020 10:30:00 AM"},
      {">= 1/5/2020 10:30:15.250", fvtDateTimeKv, ">= 1/5/2020 10:30:15.250"},
      {"< 6:15 PM", fvtDateTimeKv, "< 6:15:00 PM"},
      {"=True", fvtBooleanKv, "= 'True'"},
      {"=0.12345678901234567", fvtNumberKv, "= 0.12345678901234566"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    EXPECT_EQ(FilterExpressionAsText(Parse(C.Text, C.Type)), C.Written);
  }
  EXPECT_EQ(FilterExpressionAsText(Parse("abc", fvtNotFilterableKv)), "")
      << "a column that cannot be filtered has no written condition";
  EXPECT_EQ(FilterExpressionAsText(Parse("", fvtStringKv)), "");
}

TEST(FilterExpressions, ADecimalCommaInAListIsWrittenQuoted) {
  TLocaleGuard Locale;
  kvp::FormatSettings.DecimalSeparator = U',';
  const TSTFilterExpressionKv E = Parse("In('1,5',2)", fvtNumberKv);
  EXPECT_EQ(FilterExpressionAsText(E), "In ('1,5',2)");
  EXPECT_EQ(FilterExpressionAsText(Parse("=1,5", fvtNumberKv)), "= 1,5");
}

// [SECTION] Writing back and parsing again

// Texts as people type them: values of the column's kind, plain or quoted,
// operators in their typed forms, keywords in any letter case, lists, two
// conditions, and stray characters that make many of them malformed.
class TTextMaker {
 public:
  TTextMaker(unsigned Seed, TSTFilterValueTypeKv Type) : FRandom(Seed), FType(Type) {}

  String Make() {
    String Text = Condition();
    if (Chance(40)) {
      Text += Pick({" AND ", " OR ", " and ", " & ", "|", " oR "});
      if (Chance(90)) Text += Condition();
    }
    if (Chance(5)) Text += Pick({" )", ",", " x", "'", "!"});
    return Text;
  }

 private:
  bool Chance(int Percent) { return int(FRandom() % 100) < Percent; }
  int Below(int N) { return int(FRandom() % unsigned(N)); }
  String Pick(std::initializer_list<const char*> Options) {
    return *(Options.begin() + Below(int(Options.size())));
  }
  String Spaces() { return Chance(30) ? String(std::size_t(1 + Below(2)), ' ') : String(); }

  String Word() {
    static const char* const Words[] = {"abc",   "New York", "O'Brien",   "a%b", "x_y*",
                                        "Émile", "İstanbul", "tab\there", "in",  "nott",
                                        "null5", "1,5",      "a.b",       "-",   "ßtraße"};
    String W = Words[Below(int(std::size(Words)))];
    if (Chance(20)) W += std::to_string(Below(100));
    return W;
  }
  String Number() {
    switch (Below(5)) {
      case 0:
        return std::to_string(Below(1000) - 500);
      case 1:
        return std::to_string(Below(100)) + "." + std::to_string(Below(1000));
      case 2:
        return std::to_string(Below(9) + 1) + "E" + std::to_string(Below(40) - 20);
      case 3: {
        // Up to fifteen significant digits, as a person types them.
        String Digits = std::to_string(Below(1000000000)) + std::to_string(Below(1000000));
        return "0." + Digits;
      }
      default:
        return "-" + std::to_string(Below(1000)) + "," + std::to_string(Below(100));
    }
  }
  String DateText() {
    String D = std::to_string(1 + Below(12)) + "/" + std::to_string(1 + Below(28)) + "/" +
               std::to_string(1950 + Below(100));
    if (Chance(40)) D += " " + std::to_string(Below(24)) + ":" + std::to_string(10 + Below(50));
    if (Chance(10))
      D += ":" + std::to_string(10 + Below(50)) + "." + std::to_string(100 + Below(900));
    return D;
  }
  String Value() {
    String V;
    switch (FType) {
      case fvtNumberKv:
        V = Number();
        break;
      case fvtDateTimeKv:
        V = DateText();
        break;
      case fvtBooleanKv:
        V = Pick({"True", "False", "yes"});
        break;
      default:
        V = Word();
        break;
    }
    if (Chance(30)) V = "'" + kvp::StringReplace(V, "'", "''", {kvp::rfReplaceAll}) + "'";
    return V;
  }
  String List() {
    String L = Value();
    for (int I = Below(3); I > 0; --I) L += Spaces() + "," + Spaces() + Value();
    return L;
  }
  String Condition() {
    switch (Below(7)) {
      case 0:
        return Value();
      case 1:
        return List();
      case 2:
        return Pick({"=", "<>", "!="}) + Spaces() + Pick({"Null", "null", "NULL"});
      case 3:
        return Pick({"In", "in", "NOT IN ", "!In", "not in"}) + Spaces() + "(" + List() +
               (Chance(90) ? ")" : "");
      case 4:
        return Pick({"~", "LIKE ", "like ", "!~", "NOT LIKE ", "not like "}) + Spaces() + Value();
      default:
        return Pick({"=", "<>", "!=", ">", "<", ">=", "<="}) + Spaces() + Value();
    }
  }

  std::mt19937 FRandom;
  TSTFilterValueTypeKv FType;
};

// Property: an expression written back parses again to itself, and its
// written form is then a fixed point. Run for every value type and both
// decimal separators; only the parser's error and the conversion error may
// refuse a text.
TEST(FilterExpressions, WritingBackAndParsingAgainGivesTheSameExpression) {
  TLocaleGuard Locale;
  int Accepted = 0;
  for (const char32_t Separator : {U'.', U','}) {
    kvp::FormatSettings.DecimalSeparator = Separator;
    for (const TSTFilterValueTypeKv Type :
         {fvtStringKv, fvtNumberKv, fvtDateTimeKv, fvtBooleanKv}) {
      TTextMaker Maker(unsigned(Type) * 7919 + unsigned(Separator), Type);
      for (int I = 0; I < 1500; ++I) {
        const String Text = Maker.Make();
        TSTFilterExpressionKv First;
        try {
          First = Parse(Text, Type);
        } catch (const kvp::Exception&) {
          continue;  // refused, with the parser's or the conversion's message
        }
        ++Accepted;
        const String Written = FilterExpressionAsText(First);
        SCOPED_TRACE("typed [" + Text + "] written [" + Written + "]");
        TSTFilterExpressionKv Second;
        ASSERT_NO_THROW(Second = Parse(Written, Type));
        ASSERT_TRUE(SameExpression(First, Second)) << Describe(First) << " != " << Describe(Second);
        ASSERT_EQ(FilterExpressionAsText(Second), Written);
      }
    }
  }
  EXPECT_GT(Accepted, 6000) << "most generated texts are accepted, so the property is exercised";
}

// [SECTION] Tables

TEST(FilterExpressions, OperatorTextsByCode) {
  const char* const Display[] = {"",   "=",  "<>",  ">",    "<",    ">=",  "<=", "~",
                                 "!~", "In", "!In", "Null", "Null", "AND", "OR", ""};
  const char* const SQL[] = {
      "",         "=",  "<>",     ">",       "<",           ">=",  "<=", "LIKE",
      "NOT LIKE", "IN", "NOT IN", "IS NULL", "IS NOT NULL", "AND", "OR", ""};
  for (int Code = 0; Code < 16; ++Code) {
    SCOPED_TRACE(Code);
    EXPECT_STREQ(STFilterOperatorsStrMapKv[Code], Display[Code]);
    EXPECT_STREQ(STFilterOperatorsSQLStrMapKv[Code], SQL[Code]);
  }
  EXPECT_STREQ(SQLFilterMarker, "/*FILTER*/");
  EXPECT_EQ(STFldTypeMapKv(kvp::ftWideString), fvtStringKv);
  EXPECT_EQ(STFldTypeMapKv(kvp::ftMemo), fvtStringKv);
  EXPECT_EQ(STFldTypeMapKv(kvp::ftAutoInc), fvtNumberKv);
  EXPECT_EQ(STFldTypeMapKv(kvp::ftBCD), fvtNumberKv);
  EXPECT_EQ(STFldTypeMapKv(kvp::ftTime), fvtDateTimeKv);
  EXPECT_EQ(STFldTypeMapKv(kvp::ftBoolean), fvtBooleanKv);
  EXPECT_EQ(STFldTypeMapKv(kvp::ftBlob), fvtNotFilterableKv);
  EXPECT_EQ(STFldTypeMapKv(kvp::ftVariant), fvtNotFilterableKv);
}

}  // namespace
}  // namespace korvel
