// The features of the platform's two datasets: the grid's column filters
// written as the in-memory dataset's filter text or as one SQL condition for
// the SQLite dataset, and the sort markers as the in-memory dataset's index.
//
// Index:
//   [SECTION] Conditions        the column filters as a list of conditions
//   [SECTION] In-memory text    TMemoryDataSetFeaturesKv
//   [SECTION] SQL condition     TSQLiteDataSetFeaturesKv
//
// Both writers follow one meaning: a comparison with a list of values holds
// when it holds for one of them (for <> and NOT LIKE: for all of them); a
// record whose field is null matches no comparison and no pattern; a LIKE
// value without '%', '*', '_' or '?' matches anywhere in the text; the
// conditions of the columns must all hold.
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "grid/DBGridKv.h"
#include "platform/rtl/DateUtils.h"
#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Strings.h"

namespace korvel {

using namespace kvp;

void SetDataSetFilterText(TDataSet* DataSet, const String& Text) {
  if (!DataSet) return;
  if (Text.empty()) {
    DataSet->SetFiltered(false);
    DataSet->SetFilter(String());
  } else if (DataSet->GetFiltered()) {
    DataSet->SetFilter(Text);
  } else {
    // The text is only kept until the filter is switched on; a text the
    // dataset refuses then is not left behind.
    const String Old = DataSet->GetFilter();
    DataSet->SetFilter(Text);
    try {
      DataSet->SetFiltered(true);
    } catch (...) {
      DataSet->SetFilter(Old);
      throw;
    }
  }
}

// [SECTION] Conditions

namespace {

// One condition of one column: an operator on one or more fields (the key
// fields of a lookup) with its operand.
struct TCondition {
  std::vector<String> Fields;
  TSTFilterOperatorKv Operator = foNone;
  Variant Operand;
};

// Each column's filter: one condition, or two joined by And (else Or).
struct TColumnConditions {
  TCondition First;
  TCondition Second;  // Operator foNone: none
  bool And = true;
};

std::vector<String> SplitFieldNames(const String& Names) {
  std::vector<String> Result;
  std::size_t Start = 0;
  for (std::size_t I = 0; I <= Names.size(); ++I)
    if (I == Names.size() || Names[I] == ';') {
      const String Name = Trim(Names.substr(Start, I - Start));
      if (!Name.empty()) Result.push_back(Name);
      Start = I + 1;
    }
  return Result;
}

std::vector<TColumnConditions> GridConditions(TCustomDBGridKv* Grid) {
  std::vector<TColumnConditions> Result;
  if (!Grid) return Result;
  for (Integer I = 0; I < Grid->GetColumns()->GetCount(); ++I) {
    TSTColumnFilterKv* Filter = Grid->GetColumns()->GetColumn(I)->GetSTFilter();
    const TSTFilterExpressionKv& Expression = Filter->GetExpression();
    if (Expression.ExpressionType == fvtNotFilterableKv || Expression.Operator1 == foNone) continue;
    TColumnConditions Column;
    const std::vector<String> Fields = SplitFieldNames(Filter->DataFieldName());
    if (Fields.empty()) continue;
    Column.First = {Fields, Expression.Operator1, Variant()};
    Filter->GetFilterValue1(Column.First.Operand);
    if (Expression.Relation == foAnd || Expression.Relation == foOr) {
      Column.And = Expression.Relation == foAnd;
      Column.Second = {Fields, Expression.Operator2, Variant()};
      Filter->GetFilterValue2(Column.Second.Operand);
    }
    Result.push_back(std::move(Column));
  }
  return Result;
}

std::vector<Variant> ValuesOf(const Variant& Operand) {
  if (!VarIsArray(Operand)) return {Operand};
  std::vector<Variant> Values;
  for (Integer I = VarArrayLowBound(Operand); I <= VarArrayHighBound(Operand); ++I)
    Values.push_back(VarArrayGet(Operand, I));
  return Values;
}

// The pattern of a LIKE value: '*' and '?' as '%' and '_'; without any of
// them, the text anywhere.
String LikePattern(const String& Value) {
  if (Value.find_first_of("%_*?") == String::npos) return "%" + Value + "%";
  String Pattern = Value;
  for (char& C : Pattern) {
    if (C == '*') C = '%';
    if (C == '?') C = '_';
  }
  return Pattern;
}

// The text a LIKE value stands for: a string as it is, a number or a date
// as the filter writes it.
String PatternText(const Variant& Value) {
  return VarIsStr(Value) ? Value.AsString() : FilterValueAsText(Value);
}

// The writer's side of one target syntax.
struct TSyntax {
  String (*Field)(const String& Name);
  String (*Literal)(const Variant& Value, TField* Field);
  String (*PatternLiteral)(const String& Pattern);
  const char* And;
  const char* Or;
  const char* IsNull;
  const char* IsNotNull;
  const char* Like;
  const char* NotLike;
};

// Elements joined by Junction, in parentheses when there are several.
String Joined(const std::vector<String>& Parts, const char* Junction) {
  if (Parts.size() == 1) return Parts.front();
  String Result;
  for (const String& Part : Parts) {
    if (!Result.empty()) Result += Junction;
    Result += "(" + Part + ")";
  }
  return Result;
}

String ConditionText(const TCondition& C, const TSyntax& S, TDataSet* DataSet) {
  // [Phase 1] Several key fields: their values, all equal, or all null.
  if (C.Fields.size() > 1) {
    const std::vector<Variant> Values = ValuesOf(C.Operand);
    std::vector<String> Parts;
    for (std::size_t I = 0; I < C.Fields.size(); ++I) {
      const String Name = S.Field(C.Fields[I]);
      if (C.Operator == foIsNull || C.Operator == foIsNotNull)
        Parts.push_back(Name + (C.Operator == foIsNull ? S.IsNull : S.IsNotNull));
      else
        Parts.push_back(
            Name + " = " +
            S.Literal(I < Values.size() ? Values[I] : Null(), DataSet->FindField(C.Fields[I])));
    }
    return Joined(Parts, C.Operator == foIsNotNull ? S.Or : S.And);
  }
  // [Phase 2] One field.
  const String Name = S.Field(C.Fields.front());
  TField* Field = DataSet->FindField(C.Fields.front());
  if (C.Operator == foIsNull) return Name + S.IsNull;
  if (C.Operator == foIsNotNull) return Name + S.IsNotNull;
  std::vector<String> Parts;
  bool All = false;  // every part must hold
  for (const Variant& Value : ValuesOf(C.Operand)) {
    switch (C.Operator) {
      case foLike:
      case foNotLike:
        All = C.Operator == foNotLike;
        Parts.push_back(Name + (All ? S.NotLike : S.Like) +
                        S.PatternLiteral(LikePattern(PatternText(Value))));
        break;
      case foIn:
      case foEqual:
        Parts.push_back(Name + " = " + S.Literal(Value, Field));
        break;
      case foNotIn:
      case foNotEqual:
        All = true;
        Parts.push_back(Name + " <> " + S.Literal(Value, Field));
        break;
      default:
        Parts.push_back(Name + " " + STFilterOperatorsStrMapKv[C.Operator] + " " +
                        S.Literal(Value, Field));
        break;
    }
  }
  if (Parts.empty()) return String();
  return Joined(Parts, All ? S.And : S.Or);
}

String GridConditionText(TCustomDBGridKv* Grid, TDataSet* DataSet, const TSyntax& S) {
  std::vector<String> Columns;
  for (const TColumnConditions& Column : GridConditions(Grid)) {
    String Text = ConditionText(Column.First, S, DataSet);
    if (Column.Second.Operator != foNone)
      Text = "(" + Text + ")" + (Column.And ? S.And : S.Or) + "(" +
             ConditionText(Column.Second, S, DataSet) + ")";
    Columns.push_back(Text);
  }
  if (Columns.empty()) return String();
  if (Columns.size() == 1) return Columns.front();
  String Result;
  for (const String& Text : Columns) {
    if (!Result.empty()) Result += S.And;
    Result += "(" + Text + ")";
  }
  return Result;
}

String Quoted(const String& Text) {
  return "'" + StringReplace(Text, "'", "''", {rfReplaceAll}) + "'";
}

}  // namespace

// [SECTION] In-memory text

namespace {

String MemoryField(const String& Name) { return Name; }

// A number as the filter reads it (the locale's decimal separator), a date
// or a Boolean as quoted text it reads back exactly, a string quoted.
String MemoryLiteral(const Variant& Value, TField* /*Field*/) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return "null";
  if (VarType(Value) == varDate) return Quoted(FilterValueAsText(Value));
  if (VarType(Value) == varBoolean) return Quoted(Value.AsBoolean() ? "True" : "False");
  if (VarIsNumeric(Value)) return FilterValueAsText(Value);
  return Quoted(VarToStr(Value));
}

const TSyntax MemorySyntax = {&MemoryField, &MemoryLiteral, &Quoted,  " and ",     " or ",
                              " = null",    " <> null",     " like ", " not like "};

}  // namespace

String TMemoryDataSetFeaturesKv::FilterText(TCustomDBGridKv* Grid, TDataSet* DataSet) {
  return GridConditionText(Grid, DataSet, MemorySyntax);
}

void TMemoryDataSetFeaturesKv::ApplyFilter(TCustomDBGridKv* Grid, TDataSet* DataSet,
                                           bool /*IsReopen*/) {
  SetDataSetFilterText(DataSet, FilterText(Grid, DataSet));
}

namespace {

// The grid's sort-marked columns as index field names and descending ones.
// Only stored fields order the records.
void SortMarkedFields(TCustomDBGridKv* Grid, TFieldDefs* Defs, String& Index, String& Desc) {
  TColumnsKvList* Marked = Grid->GetSortMarkedColumns();
  for (Integer I = 0; I < Marked->GetCount(); ++I) {
    TColumnKv* Column = Marked->GetColumn(I);
    if (Defs->IndexOf(Column->GetFieldName()) < 0) continue;
    Index += (Index.empty() ? "" : ";") + Column->GetFieldName();
    if (Column->GetTitle()->GetSortMarker() == smUpKv)
      Desc += (Desc.empty() ? "" : ";") + Column->GetFieldName();
  }
}

}  // namespace

void TMemoryDataSetFeaturesKv::ApplySorting(TCustomDBGridKv* Grid, TDataSet* DataSet,
                                            bool /*IsReopen*/) {
  auto* Memory = DynCast<TMemoryDataSet>(DataSet);
  if (!Grid || !Memory) return;
  String Index, Desc;
  SortMarkedFields(Grid, Memory->GetFieldDefs(), Index, Desc);
  Memory->SetDescFields(Desc);
  Memory->SetIndexFieldNames(Index);
}

// [SECTION] SQL condition

namespace {

String SQLField(const String& Name) {
  return "\"" + StringReplace(Name, "\"", "\"\"", {rfReplaceAll}) + "\"";
}

// A string literal; zero characters, which a literal cannot hold, joined in
// as char(0).
String SQLString(const String& Text) {
  String Result = Quoted(StringReplace(Text, String(1, '\0'), "'||char(0)||'", {rfReplaceAll}));
  return Result;
}

// The shortest decimal text that reads back as Value.
String SQLNumber(Double Value) {
  char Buffer[40];
  std::snprintf(Buffer, sizeof Buffer, "%.15g", Value);
  if (std::strtod(Buffer, nullptr) != Value) std::snprintf(Buffer, sizeof Buffer, "%.17g", Value);
  return Buffer;
}

// A date and time as the SQLite dataset stores values of the field's type.
String SQLDateTime(TDateTime Value, TFieldType Type) {
  Word Y = 0, Mo = 0, D = 0, H = 0, Mi = 0, S = 0, Ms = 0;
  DecodeDateTime(Value, Y, Mo, D, H, Mi, S, Ms);
  char Buffer[64];
  int Length = 0;
  if (Type == ftDate)
    Length = std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d", Y, Mo, D);
  else if (Type == ftTime)
    Length = std::snprintf(Buffer, sizeof Buffer, "%02d:%02d:%02d", H, Mi, S);
  else
    Length =
        std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d %02d:%02d:%02d", Y, Mo, D, H, Mi, S);
  if (Ms != 0 && Type != ftDate)
    std::snprintf(Buffer + Length, sizeof Buffer - std::size_t(Length), ".%03d", Ms);
  return Quoted(Buffer);
}

String SQLLiteral(const Variant& Value, TField* Field) {
  const TFieldType Type = Field ? Field->GetDataType() : ftUnknown;
  if (VarIsNull(Value) || VarIsEmpty(Value)) return "NULL";
  if (VarType(Value) == varDate) return SQLDateTime(Value.AsDateTime(), Type);
  if (VarType(Value) == varBoolean) return Value.AsBoolean() ? "1" : "0";
  if (VarType(Value) == varInt64 || VarType(Value) == varInteger) return IntToStr(Value.AsInt64());
  if (VarIsNumeric(Value)) return SQLNumber(Value.AsDouble());
  const String Text = VarToStr(Value);
  // A Boolean column holds 1 and 0.
  bool Flag = false;
  if (Type == ftBoolean && TryStrToBool(Text, Flag)) return Flag ? "1" : "0";
  return SQLString(Text);
}

const TSyntax SQLSyntax = {&SQLField,  &SQLLiteral,    &SQLString, " AND ",     " OR ",
                           " IS NULL", " IS NOT NULL", " LIKE ",   " NOT LIKE "};

}  // namespace

String TSQLiteDataSetFeaturesKv::FilterCondition(TCustomDBGridKv* Grid, TDataSet* DataSet) {
  return GridConditionText(Grid, DataSet, SQLSyntax);
}

void TSQLiteDataSetFeaturesKv::ApplyFilter(TCustomDBGridKv* Grid, TDataSet* DataSet,
                                           bool /*IsReopen*/) {
  SetDataSetFilterText(DataSet, FilterCondition(Grid, DataSet));
}

// Both properties at once, so that the rows are read in the new order once.
void TSQLiteDataSetFeaturesKv::ApplySorting(TCustomDBGridKv* Grid, TDataSet* DataSet,
                                            bool /*IsReopen*/) {
  auto* SQLite = DynCast<TSQLiteDataSet>(DataSet);
  if (!Grid || !SQLite) return;
  String Index, Desc;
  SortMarkedFields(Grid, SQLite->GetFieldDefs(), Index, Desc);
  SQLite->SetOrderFields(Index, Desc);
}

}  // namespace korvel
