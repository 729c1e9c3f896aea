// Fuzz target: arbitrary text typed into a filter cell, parsed as a condition
// of each value type. The parser either refuses it (its own error or a
// conversion error, and nothing else) or accepts it; an accepted expression
// written back must parse again to the same expression, and its written form
// must then not change. The first byte chooses the value type and the decimal
// separator. Built and run by scripts/run-fuzz (not by the test command).
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "grid/DbUtilsKv.h"

using namespace kvp;
using namespace korvel;

namespace {

bool SameValue(const Variant& A, const Variant& B) {
  if (VarType(A) != VarType(B)) return false;
  if (!VarIsArray(A)) return VarSameValue(A, B);
  if (VarArrayLowBound(A) != VarArrayLowBound(B) || VarArrayHighBound(A) != VarArrayHighBound(B))
    return false;
  for (Integer I = VarArrayLowBound(A); I <= VarArrayHighBound(A); ++I)
    if (!SameValue(VarArrayGet(A, I), VarArrayGet(B, I))) return false;
  return true;
}

bool SameExpression(const TSTFilterExpressionKv& A, const TSTFilterExpressionKv& B) {
  return A.ExpressionType == B.ExpressionType && A.Operator1 == B.Operator1 &&
         A.Relation == B.Relation && A.Operator2 == B.Operator2 &&
         SameValue(A.Operand1, B.Operand1) && SameValue(A.Operand2, B.Operand2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  FormatSettings = DefaultFormatSettings();
  FormatSettings.DecimalSeparator = (Data[0] & 8) ? U',' : U'.';
  const auto Type = TSTFilterValueTypeKv(Data[0] % 5);
  const String Text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  TSTFilterExpressionKv First;
  First.ExpressionType = Type;
  try {
    ParseFilterExpression(Text, First);
  } catch (const Exception&) {
    FUZZ_CHECK(First.Operator1 == foNone && First.ExpressionType == Type,
               "a refused text leaves the expression cleared", kvfuzz::Shown(Text));
    return 0;  // the parser's error or a conversion error
  } catch (...) {
    kvfuzz::Fail("only the parser's and the conversion's errors may escape", kvfuzz::Shown(Text));
  }
  if (Type == fvtNotFilterableKv) return 0;  // such a column has no written form
  const String Written = FilterExpressionAsText(First);
  TSTFilterExpressionKv Second;
  Second.ExpressionType = Type;
  try {
    ParseFilterExpression(Written, Second);
  } catch (const Exception& E) {
    kvfuzz::Fail("the written form parses", kvfuzz::Shown(Text) + " written " +
                                                kvfuzz::Shown(Written) + ": " + E.GetMessage());
  }
  FUZZ_CHECK(SameExpression(First, Second), "the written form parses to the same expression",
             kvfuzz::Shown(Text) + " written " + kvfuzz::Shown(Written));
  FUZZ_CHECK(FilterExpressionAsText(Second) == Written, "the written form is a fixed point",
             kvfuzz::Shown(Written) + " then " + kvfuzz::Shown(FilterExpressionAsText(Second)));
  return 0;
}
