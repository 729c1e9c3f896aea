// KorvelConsts: the message texts that the whole library shows or raises:
// grid errors, the questions asked before data is deleted or cleared, import
// and filter-parser errors, the filter drop-down entries and the few captions
// shared between units. Texts that belong to one message of one unit and are
// never translated stay as literals in that unit.
//
// The constants are plain strings initialised at start-up; every unit that
// uses one includes this header first, so they are ready before any other
// unit's start-up code runs.
#pragma once

#include "platform/rtl/Types.h"

namespace korvel {

// [SECTION] Base grid errors (raised as EInvalidGridOperationKv)
inline const kvp::String SGridIndexOutOfRange = "Grid index out of range";
inline const kvp::String SFixedColTooBig = "Fixed column count must be less than column count";
inline const kvp::String SFixedRowTooBig = "Fixed row count must be less than row count";
inline const kvp::String STooManyDeleted = "Too many rows or columns deleted";
inline const kvp::String SGridTooLarge = "Grid too large for operation";

// [SECTION] Data-aware grid errors
inline const kvp::String SGridTooManyColumns = "Grid requested to display more than 256 columns";
inline const kvp::String SNodeNotInTree = "Node not in Tree";
inline const kvp::String SCannotLoadCursorResource = "Cannot load cursor resource";

// [SECTION] Questions before deleting or clearing data
inline const kvp::String SDeleteRecordQuestion = "Delete record?";
inline const kvp::String SDeleteMultipleRecordsQuestion = "Delete all selected records?";
inline const kvp::String SClearSelectedCellsQuestion = "Clear selected cells?";

// [SECTION] Clipboard and import
inline const kvp::String SInvalidTextFormat = "Invalid text format";
inline const kvp::String SInvalidVCLDBIFFormat = "Invalid VCLDBIF format";
inline const kvp::String SErrorDuringInsertValue = "Error during insert value:";
inline const kvp::String SIgnoreErrorQuestion = "Ignore error?";

// [SECTION] Memory stream
inline const kvp::String SMemoryStreamError = "Out of memory while expanding memory stream";

// [SECTION] Filter drop-down entries
inline const kvp::String SEmptyFilterEntry = "(Empty)";
inline const kvp::String SNotEmptyFilterEntry = "(Not empty)";
inline const kvp::String SAllFilterEntry = "(All)";
inline const kvp::String SClearFilterEntry = "(Clear filter)";
inline const kvp::String SSortAscendingFilterEntry = "(Order by ascending)";
inline const kvp::String SSortDescendingFilterEntry = "(Order by descending)";

// [SECTION] Filter expressions: keywords accepted beside the fixed ones, and
// parser errors (each followed by the whole filter text)
inline const kvp::String SNotOperation = "Not";
inline const kvp::String SAndOperation = "AND";
inline const kvp::String SOrOperation = "OR";
inline const kvp::String SLikeOperation = "";  // no second keyword for LIKE
inline const kvp::String SInOperation = "In";
inline const kvp::String SNullConst = "Null";
inline const kvp::String SQuoteIsAbsent = "Quote is absent: ";
inline const kvp::String SLeftBracketExpected = "'(' expected: ";
inline const kvp::String SRightBracketExpected = "')' expected: ";
inline const kvp::String SErrorInExpression = "Error in expression: ";
inline const kvp::String SUnexpectedExpressionBeforeNull = "Unexpected expression before Null: ";
inline const kvp::String SUnexpectedExpressionAfterOperator =
    "Unexpected expression after operator: ";
inline const kvp::String SIncorrectExpression = "Incorrect expression: ";
inline const kvp::String SUnexpectedAndOr = "Unexpected AND or OR: ";

// [SECTION] Check box values
inline const kvp::String STrueValue = "True";
inline const kvp::String SFalseValue = "False";

}  // namespace korvel
