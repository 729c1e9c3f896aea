// DbUtilsKv: what the data-aware grid hands on instead of doing it to the
// data itself. It holds the filter expressions a person types into the filter
// row (their parser, written form, operator texts and the SQL texts a
// features object needs), the data service through which sorting, filtering,
// record moving and text search reach the application, a features object
// registered for the dataset's class or the library's own record-by-record
// search, and the registry of those features objects.
//
// Sources by role: DbUtilsKvFilterExpr.cpp (filter expressions),
// DbUtilsKvService.cpp (the data service and the find-dialog routine),
// DbUtilsKvTextSearch.cpp (LocateDatasetText), DbUtilsKvFeatures.cpp (the
// registry), DbUtilsKvDataSetFeatures.cpp (the features of the platform's
// in-memory and SQLite datasets).
#pragma once

#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/classes/StringList.h"
#include "platform/db/DB.h"
#include "platform/rtl/Delegate.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Variants.h"

namespace korvel {

class TCustomDBGridKv;
class TColumnKv;

// [SECTION] Filter expressions

// The operators of a filter condition; the codes are fixed (tables below are
// indexed by them). foIsNull is also the lexer's Null token, foValue only a
// lexer result.
enum TSTFilterOperatorKv : kvp::Byte {
  foNone = 0,
  foEqual = 1,
  foNotEqual = 2,
  foGreater = 3,
  foLess = 4,
  foGreaterOrEqual = 5,
  foLessOrEqual = 6,
  foLike = 7,
  foNotLike = 8,
  foIn = 9,
  foNotIn = 10,
  foIsNull = 11,
  foIsNotNull = 12,
  foAnd = 13,
  foOr = 14,
  foValue = 15
};

// What the operands of a condition are converted to, from the column's field.
enum TSTFilterValueTypeKv : kvp::Byte {
  fvtNotFilterableKv = 0,
  fvtStringKv = 1,
  fvtNumberKv = 2,
  fvtDateTimeKv = 3,
  fvtBooleanKv = 4
};

// The value type of a field type (0 for types that cannot be filtered).
TSTFilterValueTypeKv STFldTypeMapKv(kvp::TFieldType FieldType);

// TSTFilterExpressionKv: one column's parsed condition: a condition, or two
// joined by Relation. An operand is Null, a value (a string, a Double or a
// date) or a variant array of values (lists). ExpressionType is set by the
// caller before parsing and survives clearing.
struct TSTFilterExpressionKv {
  TSTFilterValueTypeKv ExpressionType = fvtNotFilterableKv;
  TSTFilterOperatorKv Operator1 = foNone;
  kvp::Variant Operand1 = kvp::Null();
  TSTFilterOperatorKv Relation = foNone;  // foNone, foAnd or foOr
  TSTFilterOperatorKv Operator2 = foNone;
  kvp::Variant Operand2 = kvp::Null();
};

// Display texts of the operators ("", "=", "<>", ... "In", "!In", "Null",
// "AND", "OR", ""), indexed by operator code.
extern const char* const STFilterOperatorsStrMapKv[16];
// SQL texts of the operators ("", "=", ... "LIKE", "NOT LIKE", "IN", "NOT IN",
// "IS NULL", "IS NOT NULL", "AND", "OR", ""), for features objects that build
// a query's condition; nothing in the grid reads them.
extern const char* const STFilterOperatorsSQLStrMapKv[16];
// Where a features object may put a generated condition into a query text.
inline constexpr const char* SQLFilterMarker = "/*FILTER*/";

// Operators, relation and operands to foNone and Null; ExpressionType stays.
void ClearFilterExpression(TSTFilterExpressionKv& Expression);
// Parses what a person typed into Expression (its ExpressionType decides how
// values convert). A syntax error raises Exception with the parser's message
// and the whole text; a number or date that does not convert raises
// EConvertError. On any error Expression is left cleared.
void ParseFilterExpression(const kvp::String& Text, TSTFilterExpressionKv& Expression);
// The written form of an expression: the first condition, then " AND " or
// " OR " and the second. It parses back to the same expression. Empty when
// ExpressionType or Operator1 is 0.
kvp::String FilterExpressionAsText(const TSTFilterExpressionKv& Expression);
// The written form of one operand value (a float, a date or a quoted string);
// InList: the value stands in a comma-separated list.
kvp::String FilterValueAsText(const kvp::Variant& Value, bool InList = false);

// [SECTION] Text search

// What part of a cell the searched text must match.
enum TLocateTextMatchingKv { ltmAnyPartKv = 0, ltmWholeKv = 1, ltmFromBeginningKv = 2 };
// Which records a search visits: up from the one before the current cell,
// down from the one after it, or all from the first record down.
enum TLocateTextDirectionKv { ltdUpKv = 0, ltdDownKv = 1, ltdAllKv = 2 };
// Bits 1, 2 and 4 of the search options: ignore letter case, search every
// visible column, compare the column's display text instead of the field's.
enum TLocateTextOptionKv { ltoCaseInsensitiveKv, ltoAllFieldsKv, ltoMatchFormatKv };
using TLocateTextOptionsKv = kvp::TSet<TLocateTextOptionKv>;
// The part of a tree a search covers; a search that is not a tree search
// passes ltrNotInTreeKv. The library's own search does not read it.
enum TLocateTextTreeRangeKv : kvp::Integer {
  ltrNotInTreeKv = -1,
  ltrAllNodesKv = 0,
  ltrExpandedNodesKv = 1,
  ltrCurrentLevelKv = 2,
  ltrCurrentNodeKv = 3
};

// The library's own search, record by record over the grid's dataset.
// Without ltoAllFieldsKv it searches the visible column of FieldName (the
// current column when FieldName is empty); with it every visible column, in
// order, record after record. A match makes the record and the matched
// column current; without one the grid's saved position comes back. False at
// once without a grid, data source, active dataset, visible column or a
// visible column of that field.
bool LocateDatasetText(TCustomDBGridKv* Grid, const kvp::String& FieldName, const kvp::String& Text,
                       TLocateTextMatchingKv Matching, TLocateTextDirectionKv Direction,
                       TLocateTextOptionsKv Options);

// [SECTION] The find-dialog routine

// One entry of a caller's list of columns for the find dialog.
struct TColumnCaptionKv {
  kvp::String Caption;
  TColumnKv* Column = nullptr;
};
using TColumnCaptionsKv = std::vector<TColumnCaptionKv>;

// Opens the find dialog for Grid with Text; ColumnName is not read by the
// library's dialog; Columns (or null) replaces the grid's visible columns in
// its column list.
using TExecuteFindDialogProcKv = void (*)(TCustomDBGridKv* Grid, const kvp::String& Text,
                                          const kvp::String& ColumnName, bool Modal,
                                          const TColumnCaptionsKv* Columns);
// Null until the find-dialog unit installs its routine at start-up.
extern TExecuteFindDialogProcKv ExecuteDBGridKvFindDialogProc;

// [SECTION] Features registry

// ---------------------------------------------------------------------------
// TDatasetFeaturesKv: what a dataset class can do for the grid that the grid
// does not do itself. An application registers one per dataset class
// (RegisterDatasetFeaturesKv); the data service finds the one registered for
// the nearest ancestor of a grid's dataset. The bodies here are what a
// features object that does not override an operation gives: the library's
// own search, the library's find dialog, and no record moving, sorting or
// filtering.
class TDatasetFeaturesKv : public kvp::TObject {
  KV_CLASS(TDatasetFeaturesKv, kvp::TObject)
 public:
  TDatasetFeaturesKv() = default;

  // The dataset class this object serves; the registration sets it.
  kvp::TClass GetDataSetClass() const { return FDataSetClass; }
  void SetDataSetClass(kvp::TClass Value) { FDataSetClass = Value; }

  virtual bool LocateText(TCustomDBGridKv* Grid, const kvp::String& FieldName,
                          const kvp::String& Text, TLocateTextMatchingKv Matching,
                          TLocateTextDirectionKv Direction, TLocateTextOptionsKv Options,
                          TLocateTextTreeRangeKv TreeRange = ltrNotInTreeKv);
  // Moves the records of Bookmarks before record number Target; TestOnly
  // only answers whether it could.
  virtual bool MoveRecords(TCustomDBGridKv* Grid, kvp::TStrings* Bookmarks, kvp::Integer Target,
                           bool TestOnly);
  // Orders DataSet by the grid's sort-marked columns.
  virtual void ApplySorting(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet, bool IsReopen);
  // Filters DataSet by the conditions of the grid's column filters.
  virtual void ApplyFilter(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet, bool IsReopen);
  virtual void ExecuteFindDialog(TCustomDBGridKv* Grid, const kvp::String& Text, bool Modal,
                                 const kvp::String& ColumnName);

 private:
  kvp::TClass FDataSetClass = nullptr;
};

// Registers Features (the registry owns it from now on) for DataSetClass,
// after the entries already there; an earlier entry for the same class is
// freed and replaced.
void RegisterDatasetFeaturesKv(kvp::TClass DataSetClass, TDatasetFeaturesKv* Features);
// Frees the entry of DataSetClass, if there is one.
void UnregisterDatasetFeaturesKv(kvp::TClass DataSetClass);
// The features object of the nearest registered ancestor of the class (the
// class itself first); between entries as near, the earlier registered; or
// null.
TDatasetFeaturesKv* GetDatasetFeaturesForClass(kvp::TClass DataSetClass);
TDatasetFeaturesKv* GetDatasetFeaturesForDataSet(kvp::TDataSet* DataSet);
// Steps from AClass up its parents to the first whose name equals
// AncestorName ignoring case (0 for AClass itself); 2147483647 when none.
kvp::Integer ClassNameDistance(kvp::TClass AClass, const kvp::String& AncestorName);

// [SECTION] Data service

using TDBGridKvDataServiceEvent = kvp::TDelegate<void(TCustomDBGridKv* Grid)>;

// ---------------------------------------------------------------------------
// TDBGridKvDataService: the one object through which every grid hands on
// sorting, filtering, record moving, text search and the find dialog. Each
// request goes to the service's own event when it has one (sorting,
// filtering), else to the features object registered for the grid's
// dataset, else to the library's own search and find dialog; sorting,
// filtering and record moving without any of them do nothing.
class TDBGridKvDataService : public kvp::TPersistent {
  KV_CLASS(TDBGridKvDataService, kvp::TPersistent)
 public:
  TDBGridKvDataService() = default;

  // LocateDatasetText for the grid.
  virtual bool LocateText(TCustomDBGridKv* Grid, const kvp::String& FieldName,
                          const kvp::String& Text, TLocateTextMatchingKv Matching,
                          TLocateTextDirectionKv Direction, TLocateTextOptionsKv Options,
                          TLocateTextTreeRangeKv TreeRange = ltrNotInTreeKv);
  // The features object's MoveRecords; false without a dataset or one.
  virtual bool MoveRecords(TCustomDBGridKv* Grid, kvp::TStrings* Bookmarks, kvp::Integer Target,
                           bool TestOnly);
  // The features object's LocateText, else the service's own.
  virtual bool LocateTextByFeatures(TCustomDBGridKv* Grid, const kvp::String& FieldName,
                                    const kvp::String& Text, TLocateTextMatchingKv Matching,
                                    TLocateTextDirectionKv Direction, TLocateTextOptionsKv Options,
                                    TLocateTextTreeRangeKv TreeRange = ltrNotInTreeKv);
  virtual bool DoMoveRecords(TCustomDBGridKv* Grid, kvp::TStrings* Bookmarks, kvp::Integer Target,
                             bool TestOnly);
  // OnApplyFilter when assigned, else DefaultApplyFilter.
  virtual void ApplyFilter(TCustomDBGridKv* Grid);
  // OnApplySorting when assigned, else DefaultApplySorting.
  virtual void ApplySorting(TCustomDBGridKv* Grid);
  // The features object's ApplyFilter (IsReopen true) when the grid has a
  // dataset and one is registered.
  virtual void DefaultApplyFilter(TCustomDBGridKv* Grid);
  virtual void DefaultApplySorting(TCustomDBGridKv* Grid);
  // The features object's ExecuteFindDialog, else the find-dialog routine
  // (with no column name and no column list).
  virtual void ExecuteFindDialog(TCustomDBGridKv* Grid, const kvp::String& Text, bool Modal,
                                 const kvp::String& ColumnName);

  TDBGridKvDataServiceEvent OnApplySorting;
  TDBGridKvDataServiceEvent OnApplyFilter;

 private:
  // The grid's dataset, or null without a data source or dataset.
  static kvp::TDataSet* DataSetOf(TCustomDBGridKv* Grid);
};

// The global data service: made on first use (or by the grid unit's
// start-up), null once freed.
TDBGridKvDataService* DBGridKvDataService();
// Replaces the global data service; the old one is freed, the new one (which
// may be null) is owned from now on.
void SetDBGridKvDataService(TDBGridKvDataService* Value);
void CreateDBGridKvDataService();
void FreeDBGridKvDataService();

// [SECTION] Features of the platform's datasets
//
// The registry starts empty, so a grid's sort and filter requests have no
// effect until the application registers features objects; these serve the
// platform's two datasets:
//   RegisterDatasetFeaturesKv(TMemoryDataSet::StaticClass(), TMemoryDataSetFeaturesKv::Create());
//   RegisterDatasetFeaturesKv(TSQLiteDataSet::StaticClass(), TSQLiteDataSetFeaturesKv::Create());

// ---------------------------------------------------------------------------
// TMemoryDataSetFeaturesKv: filters and orders a TMemoryDataSet for the
// grid. The column filters become the dataset's Filter text (each column's
// condition in parentheses, the columns joined by "and"); the sort-marked
// columns become IndexFieldNames and DescFields. A LIKE value uses '%' or '*'
// for any run of characters and '_' or '?' for one; a value without either
// matches anywhere in the field's text.
class TMemoryDataSetFeaturesKv : public TDatasetFeaturesKv {
  KV_CLASS(TMemoryDataSetFeaturesKv, TDatasetFeaturesKv)
 public:
  TMemoryDataSetFeaturesKv() = default;
  void ApplySorting(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet, bool IsReopen) override;
  void ApplyFilter(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet, bool IsReopen) override;
  // The Filter text for the grid's column filters; empty when none is set.
  virtual kvp::String FilterText(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet);
};

// ---------------------------------------------------------------------------
// TSQLiteDataSetFeaturesKv: filters and orders a TSQLiteDataSet for the
// grid: the column filters become one SQL condition, its Filter, which the
// database evaluates; the sort-marked columns become IndexFieldNames and
// DescFields, which the database sorts by. LIKE values as for the in-memory
// dataset; dates and times are written as the dataset stores them (ISO 8601
// text).
class TSQLiteDataSetFeaturesKv : public TDatasetFeaturesKv {
  KV_CLASS(TSQLiteDataSetFeaturesKv, TDatasetFeaturesKv)
 public:
  TSQLiteDataSetFeaturesKv() = default;
  void ApplySorting(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet, bool IsReopen) override;
  void ApplyFilter(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet, bool IsReopen) override;
  // The SQL condition for the grid's column filters; empty when none is set.
  virtual kvp::String FilterCondition(TCustomDBGridKv* Grid, kvp::TDataSet* DataSet);
};

// Sets a dataset's Filter to Text and filters by it (or stops filtering for
// an empty text), applying the filter once.
void SetDataSetFilterText(kvp::TDataSet* DataSet, const kvp::String& Text);

}  // namespace korvel
