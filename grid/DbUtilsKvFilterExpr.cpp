// Filter expressions: the tables of operator texts, the lexer and parser of
// what a person types into a filter cell, and the written form that parses
// back to the same expression.
//
// Index:
//   [SECTION] Tables            STFilterOperatorsStrMapKv, STFilterOperatorsSQLStrMapKv,
//   STFldTypeMapKv [SECTION] Lexer             TFilterLexer: tokens, quoted and plain values,
//   lists, look-ahead [SECTION] Parser            ClearFilterExpression, ParseFilterExpression
//   [SECTION] Written form      FilterValueAsText, FilterExpressionAsText
//
// The grammar, as the lexer reads it: spaces (only the space character)
// separate tokens. Symbols: = <> != > >= < <= ~ & | and ! (a negation unless
// "!=" follows). Words (up to a delimiter: a control character, a space, '"'
// or one of ! & ' ( ) + , - . < = > | ~) are compared without letter case
// with NOT AND OR LIKE IN NULL; IN must be followed by '('. Anything else is a
// value: a quoted one ('...', a doubled quote standing for one quote) or a
// plain one, which runs to '(' or ')', to ',' inside a list, or to a space
// after which an operator or keyword starts. With the list flag on, values
// separated by ',' make a list.
#include <cmath>

#include "base/KorvelConsts.h"
#include "grid/DbUtilsKv.h"
#include "platform/rtl/DateFormat.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

// [SECTION] Tables

const char* const STFilterOperatorsStrMapKv[16] = {
    "", "=", "<>", ">", "<", ">=", "<=", "~", "!~", "In", "!In", "Null", "Null", "AND", "OR", ""};

const char* const STFilterOperatorsSQLStrMapKv[16] = {
    "",         "=",  "<>",     ">",       "<",           ">=",  "<=", "LIKE",
    "NOT LIKE", "IN", "NOT IN", "IS NULL", "IS NOT NULL", "AND", "OR", ""};

TSTFilterValueTypeKv STFldTypeMapKv(TFieldType FieldType) {
  switch (FieldType) {
    case ftString:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
      return fvtStringKv;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
    case ftFMTBcd:
      return fvtNumberKv;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return fvtDateTimeKv;
    case ftBoolean:
      return fvtBooleanKv;
    default:
      return fvtNotFilterableKv;
  }
}

// [SECTION] Lexer

namespace {

// Where a word ends.
bool IsWordDelimiter(char C) {
  if (static_cast<unsigned char>(C) < 32) return true;
  switch (C) {
    case ' ':
    case '"':
    case '!':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '+':
    case ',':
    case '-':
    case '.':
    case '<':
    case '=':
    case '>':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

enum class TKeyword { None, Not, And, Or, Like, In, Null };

TKeyword KeywordOf(const String& Word) {
  if (Word.empty()) return TKeyword::None;
  const String Upper = AnsiUpperCase(Word);
  auto Is = [&Upper](const char* Fixed, const String& Resource) {
    return Upper == Fixed || (!Resource.empty() && Upper == AnsiUpperCase(Resource));
  };
  if (Is("NOT", SNotOperation)) return TKeyword::Not;
  if (Is("AND", SAndOperation)) return TKeyword::And;
  if (Is("OR", SOrOperation)) return TKeyword::Or;
  if (Is("LIKE", SLikeOperation)) return TKeyword::Like;
  if (Is("IN", SInOperation)) return TKeyword::In;
  if (Is("NULL", SNullConst)) return TKeyword::Null;
  return TKeyword::None;
}

// A negation turns LIKE, IN and the Null token into their negated forms;
// any other token after it gives none.
TSTFilterOperatorKv Negated(TSTFilterOperatorKv Token) {
  switch (Token) {
    case foLike:
      return foNotLike;
    case foIn:
      return foNotIn;
    case foIsNull:
      return foIsNotNull;
    default:
      return foNone;
  }
}

bool IsOperatorToken(TSTFilterOperatorKv Token) { return Token >= foEqual && Token <= foOr; }

// TFilterLexer: reads the tokens of one filter text from a position. Every
// error raises Exception with its message and the whole text.
class TFilterLexer {
 public:
  TFilterLexer(const String& Text, TSTFilterValueTypeKv ValueType)
      : FText(Text), FValueType(ValueType) {
    ResetListFlag();
  }

  // The list flag is on inside In lists, and otherwise unless numbers are
  // read with a decimal comma.
  void ResetListFlag() {
    FListFlag = !(FValueType == fvtNumberKv && FormatSettings.DecimalSeparator == U',');
  }
  void SetListFlag(bool Value) { FListFlag = Value; }

  // The next token: foNone at the end or where nothing can be read, an
  // operator or keyword code, or foValue with Value set (a string, or an
  // array of strings for a list).
  TSTFilterOperatorKv Next(Variant& Value) { return ReadToken(Value, true); }

  void SkipSpaces() {
    while (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
  }
  bool AtEnd() {
    SkipSpaces();
    return FPos >= FText.size();
  }
  // Consumes Char when it is the next non-space character.
  bool Take(char Char) {
    SkipSpaces();
    if (FPos >= FText.size() || FText[FPos] != Char) return false;
    ++FPos;
    return true;
  }
  [[noreturn]] void Fail(const String& Message) const { throw Exception(Message + FText); }

 private:
  TSTFilterOperatorKv ReadToken(Variant& Value, bool AllowList) {
    SkipSpaces();
    if (FPos >= FText.size()) return foNone;
    const std::size_t Start = FPos;
    if (FText[FPos] == '\'') {
      Value = ReadQuoted();
      return ValueToken(Value, AllowList);
    }
    TSTFilterOperatorKv Symbol = foNone;
    bool Negation = false;
    if (std::size_t Length = SymbolAt(FPos, Symbol, Negation)) {
      FPos += Length;
      if (!Negation) return Symbol;
      return NegationOf(Start, Value);
    }
    if (FText[FPos] == '(') return foNone;
    const std::size_t WordEnd = WordEndAt(FPos);
    switch (KeywordOf(FText.substr(FPos, WordEnd - FPos))) {
      case TKeyword::Not:
        FPos = WordEnd;
        SkipSpaces();
        return NegationOf(Start, Value);
      case TKeyword::And:
        FPos = WordEnd;
        SkipSpaces();
        return foAnd;
      case TKeyword::Or:
        FPos = WordEnd;
        SkipSpaces();
        return foOr;
      case TKeyword::Like:
        FPos = WordEnd;
        SkipSpaces();
        return foLike;
      case TKeyword::Null:
        FPos = WordEnd;
        SkipSpaces();
        return foIsNull;
      case TKeyword::In:
        FPos = WordEnd;
        SkipSpaces();
        if (FPos >= FText.size() || FText[FPos] != '(') Fail(SLeftBracketExpected);
        ++FPos;
        return foIn;
      case TKeyword::None:
        break;
    }
    const String Plain = ReadPlainValue();
    if (Plain.empty()) return foNone;
    Value = Plain;
    return ValueToken(Value, AllowList);
  }

  // The token after a negation that began at Start. A token that cannot be
  // negated gives none, and the negation is left unread, so that it counts
  // as text that is left over.
  TSTFilterOperatorKv NegationOf(std::size_t Start, Variant& Value) {
    const TSTFilterOperatorKv Result = Negated(ReadToken(Value, false));
    if (Result == foNone) FPos = Start;
    return Result;
  }

  // A value just read; with the list flag on, the values that follow it
  // after commas join it in a list.
  TSTFilterOperatorKv ValueToken(Variant& Value, bool AllowList) {
    if (!AllowList || !FListFlag) return foValue;
    std::vector<Variant> Items{Value};
    for (;;) {
      const std::size_t Before = FPos;
      if (!Take(',')) {
        FPos = Before;
        break;
      }
      const std::size_t AfterComma = FPos;
      Variant Item;
      if (ReadToken(Item, false) != foValue) {
        FPos = AfterComma;
        break;
      }
      Items.push_back(std::move(Item));
    }
    if (Items.size() > 1) Value = VarArrayOf(Items);
    return foValue;
  }

  // The text between quotes, a doubled quote standing for one quote.
  String ReadQuoted() {
    String Result;
    std::size_t At = FPos + 1;
    for (;;) {
      if (At >= FText.size()) Fail(SQuoteIsAbsent);
      if (FText[At] == '\'') {
        if (At + 1 < FText.size() && FText[At + 1] == '\'') {
          Result += '\'';
          At += 2;
          continue;
        }
        break;
      }
      Result += FText[At++];
    }
    FPos = At + 1;
    return Result;
  }

  // A plain value: up to '(' or ')', to ',' in a list, or to a space after
  // which an operator or keyword starts. Spaces at its end are not part of it.
  String ReadPlainValue() {
    const std::size_t Start = FPos;
    while (FPos < FText.size()) {
      const char C = FText[FPos];
      if (C == '(' || C == ')' || (C == ',' && FListFlag)) break;
      if (C == ' ') {
        std::size_t Next = FPos;
        while (Next < FText.size() && FText[Next] == ' ') ++Next;
        if (Next < FText.size() && IsOperatorToken(PeekToken(Next))) break;
      }
      ++FPos;
    }
    std::size_t End = FPos;
    while (End > Start && FText[End - 1] == ' ') --End;
    return FText.substr(Start, End - Start);
  }

  // The length of the symbol at At (0 when none), and which it is; a '!'
  // not followed by '=' is a negation.
  std::size_t SymbolAt(std::size_t At, TSTFilterOperatorKv& Symbol, bool& Negation) const {
    const char C = FText[At];
    const char Following = At + 1 < FText.size() ? FText[At + 1] : '\0';
    Negation = false;
    switch (C) {
      case '=':
        Symbol = foEqual;
        return 1;
      case '<':
        if (Following == '>') return Symbol = foNotEqual, 2;
        if (Following == '=') return Symbol = foLessOrEqual, 2;
        Symbol = foLess;
        return 1;
      case '>':
        if (Following == '=') return Symbol = foGreaterOrEqual, 2;
        Symbol = foGreater;
        return 1;
      case '~':
        Symbol = foLike;
        return 1;
      case '&':
        Symbol = foAnd;
        return 1;
      case '|':
        Symbol = foOr;
        return 1;
      case '!':
        if (Following == '=') return Symbol = foNotEqual, 2;
        Negation = true;
        return 1;
      default:
        return 0;
    }
  }

  std::size_t WordEndAt(std::size_t At) const {
    while (At < FText.size() && !IsWordDelimiter(FText[At])) ++At;
    return At;
  }

  // The kind of token that starts at At, read without moving and without
  // raising: an operator or keyword code, foValue for anything readable as
  // a value (a quote, a word), or foNone. IN counts only with its '('.
  TSTFilterOperatorKv PeekToken(std::size_t At) const {
    while (At < FText.size() && FText[At] == ' ') ++At;
    if (At >= FText.size() || FText[At] == '(') return foNone;
    if (FText[At] == '\'') return foValue;
    TSTFilterOperatorKv Symbol = foNone;
    bool Negation = false;
    if (std::size_t Length = SymbolAt(At, Symbol, Negation))
      return Negation ? Negated(PeekToken(At + Length)) : Symbol;
    const std::size_t WordEnd = WordEndAt(At);
    std::size_t After = WordEnd;
    while (After < FText.size() && FText[After] == ' ') ++After;
    switch (KeywordOf(FText.substr(At, WordEnd - At))) {
      case TKeyword::Not:
        return Negated(PeekToken(After));
      case TKeyword::And:
        return foAnd;
      case TKeyword::Or:
        return foOr;
      case TKeyword::Like:
        return foLike;
      case TKeyword::Null:
        return foIsNull;
      case TKeyword::In:
        return After < FText.size() && FText[After] == '(' ? foIn : foValue;
      case TKeyword::None:
        break;
    }
    return FText[At] == ')' || (FText[At] == ',' && FListFlag) ? foNone : foValue;
  }

  const String& FText;
  TSTFilterValueTypeKv FValueType;
  std::size_t FPos = 0;
  bool FListFlag = true;
};

}  // namespace

// [SECTION] Parser

void ClearFilterExpression(TSTFilterExpressionKv& Expression) {
  Expression.Operator1 = foNone;
  Expression.Operand1 = Null();
  Expression.Relation = foNone;
  Expression.Operator2 = foNone;
  Expression.Operand2 = Null();
}

namespace {

// One value converted to the expression's value type.
Variant ConvertValue(const Variant& Value, TSTFilterValueTypeKv Type) {
  if (VarIsNull(Value) || !VarIsStr(Value)) return Value;
  const String Text = Value.AsString();
  if (Type == fvtNumberKv) {
    Double Number = 0;
    if (!TryStrToFloat(Text, Number)) {
      StrToFloat(Text);  // raises the platform's conversion error
      throw EConvertError("'" + Text + "' is not a valid floating point value");
    }
    return Variant(Number);
  }
  if (Type == fvtDateTimeKv) return VarFromDateTime(StrToDateTime(Text));
  return Value;
}

// The operand of Operator as the expression keeps it: values converted for
// operators 1-10, Null for every other.
Variant ConvertOperand(TSTFilterOperatorKv Operator, const Variant& Operand,
                       TSTFilterValueTypeKv Type) {
  if (Operator < foEqual || Operator > foNotIn) return Null();
  if (!VarIsArray(Operand)) return ConvertValue(Operand, Type);
  std::vector<Variant> Items;
  for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I)
    Items.push_back(ConvertValue(VarArrayGet(Operand, I), Type));
  return VarArrayOf(Items);
}

// One condition, from its first token First: a value alone, or an operator
// and its value. With RequireBracket an In list must end with ')'; without,
// a ')' that ends it is still taken.
void ReadCondition(TFilterLexer& Lexer, TSTFilterOperatorKv First, Variant FirstValue,
                   TSTFilterValueTypeKv Type, bool RequireBracket, TSTFilterOperatorKv& Operator,
                   Variant& Operand) {
  if (First == foValue) {
    Operator = VarIsArray(FirstValue) ? foIn : (Type == fvtStringKv ? foLike : foEqual);
    Operand = std::move(FirstValue);
    return;
  }
  // AND and OR join conditions; neither starts one.
  if (First == foNone || First == foAnd || First == foOr) Lexer.Fail(SErrorInExpression);
  const bool List = First == foIn || First == foNotIn;
  if (List) Lexer.SetListFlag(true);
  Variant Value;
  const TSTFilterOperatorKv Second = Lexer.Next(Value);
  Operator = First;
  if (Second == foIsNull) {
    if (First == foEqual)
      Operator = foIsNull;
    else if (First == foNotEqual)
      Operator = foIsNotNull;
    else
      Lexer.Fail(SUnexpectedExpressionBeforeNull);
  } else if (Second != foValue) {
    Lexer.Fail(SUnexpectedExpressionAfterOperator);
  } else {
    Operand = std::move(Value);
  }
  if (List) {
    if (!Lexer.Take(')') && RequireBracket) Lexer.Fail(SRightBracketExpected);
    Lexer.ResetListFlag();
  }
}

}  // namespace

void ParseFilterExpression(const String& Text, TSTFilterExpressionKv& Expression) {
  // [Phase 1] Start from a cleared expression; an empty text leaves it so.
  ClearFilterExpression(Expression);
  const String Trimmed = Trim(Text);
  if (Trimmed.empty()) return;
  TSTFilterExpressionKv Result = Expression;
  TFilterLexer Lexer(Trimmed, Result.ExpressionType);

  // [Phase 2] The first condition.
  Variant Value;
  TSTFilterOperatorKv Token = Lexer.Next(Value);
  ReadCondition(Lexer, Token, std::move(Value), Result.ExpressionType, true, Result.Operator1,
                Result.Operand1);

  // [Phase 3] AND or OR, the second condition, and nothing after it.
  Token = Lexer.Next(Value);
  if (Token == foNone) {
    if (!Lexer.AtEnd()) Lexer.Fail(SIncorrectExpression);
  } else if (Token != foAnd && Token != foOr) {
    Lexer.Fail(SUnexpectedAndOr);
  } else {
    Result.Relation = Token;
    Token = Lexer.Next(Value);
    if (Token == foNone) {
      if (!Lexer.AtEnd()) Lexer.Fail(SIncorrectExpression);
    } else {
      ReadCondition(Lexer, Token, std::move(Value), Result.ExpressionType, false, Result.Operator2,
                    Result.Operand2);
      if (!Lexer.AtEnd()) Lexer.Fail(SIncorrectExpression);
    }
  }

  // [Phase 4] Operands converted by the value type.
  Result.Operand1 = ConvertOperand(Result.Operator1, Result.Operand1, Result.ExpressionType);
  Result.Operand2 = ConvertOperand(Result.Operator2, Result.Operand2, Result.ExpressionType);
  Expression = std::move(Result);
}

// [SECTION] Written form

namespace {

String FloatText(Double Value) {
  String Text = FloatToStr(Value);
  Double Back = 0;
  // Fifteen digits do not hold every double; those that need more are
  // written with seventeen, which do.
  if (!TryStrToFloat(Text, Back) || Back != Value) Text = FloatToStrF(Value, ffGeneral, 17, 0);
  return Text;
}

// A date alone in the short date format; a time (with milliseconds when it
// has them) after it, or alone when the date part is 0.
String DateTimeText(TDateTime Value) {
  Word Hour = 0, Minute = 0, Second = 0, MSec = 0;
  DecodeTime(Value, Hour, Minute, Second, MSec);
  const bool HasTime = Hour != 0 || Minute != 0 || Second != 0 || MSec != 0;
  if (!HasTime) return FormatDateTime(FormatSettings.ShortDateFormat, Value);
  const String Time =
      FormatDateTime(MSec != 0 ? String("hh:nn:ss.zzz") : FormatSettings.LongTimeFormat, Value);
  if (Trunc(Value) == 0) return Time;
  return FormatDateTime(FormatSettings.ShortDateFormat, Value) + " " + Time;
}

String QuotedValue(const String& Text) {
  return "'" + StringReplace(Text, "'", "''", {rfReplaceAll}) + "'";
}

String ValuesText(const Variant& Operand, bool InList) {
  if (!VarIsArray(Operand)) return FilterValueAsText(Operand, InList);
  String Result;
  for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I) {
    if (!Result.empty()) Result += ",";
    Result += FilterValueAsText(VarArrayGet(Operand, I), true);
  }
  return Result;
}

String ConditionText(TSTFilterOperatorKv Operator, const Variant& Operand) {
  switch (Operator) {
    case foNone:
      return String();
    case foIsNull:
      return "=" + String(SNullConst);
    case foIsNotNull:
      return "<>" + String(SNullConst);
    case foIn:
    case foNotIn:
      return String(STFilterOperatorsStrMapKv[Operator]) + " (" + ValuesText(Operand, true) + ")";
    default:
      return String(STFilterOperatorsStrMapKv[Operator]) + " " + ValuesText(Operand, false);
  }
}

}  // namespace

String FilterValueAsText(const Variant& Value, bool InList) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return String();
  if (VarType(Value) == varDate) return DateTimeText(Value.AsDateTime());
  if (VarIsNumeric(Value) && VarType(Value) != varBoolean) {
    const String Text = FloatText(Value.AsDouble());
    // A decimal comma would split the number inside a list.
    return InList && Text.find(',') != String::npos ? QuotedValue(Text) : Text;
  }
  return QuotedValue(VarToStr(Value));
}

String FilterExpressionAsText(const TSTFilterExpressionKv& Expression) {
  if (Expression.ExpressionType == fvtNotFilterableKv || Expression.Operator1 == foNone)
    return String();
  String Result = ConditionText(Expression.Operator1, Expression.Operand1);
  if (Expression.Relation == foAnd || Expression.Relation == foOr) {
    Result += " " + String(STFilterOperatorsStrMapKv[Expression.Relation]);
    if (Expression.Operator2 != foNone)
      Result += " " + ConditionText(Expression.Operator2, Expression.Operand2);
  }
  return Result;
}

}  // namespace korvel
