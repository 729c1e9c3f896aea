// The vocabulary of data access: field types and kinds, dataset states, the
// data events a dataset sends to its data sources and links, locate options,
// bookmarks, and the database error with the way it names its component.
// Every unit of the db module includes this one; applications include DB.h.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

namespace kvp {

class TComponent;
class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFields;
class TFieldDef;
class TFieldDefs;

// The data types a field can hold, in the platform's declaration order.
enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
  ftGraphic,
  ftFmtMemo,
  ftParadoxOle,
  ftDBaseOle,
  ftTypedBinary,
  ftCursor,
  ftFixedChar,
  ftWideString,
  ftLargeint,
  ftADT,
  ftArray,
  ftReference,
  ftDataSet,
  ftOraBlob,
  ftOraClob,
  ftVariant,
  ftInterface,
  ftIDispatch,
  ftGuid,
  ftTimeStamp,
  ftFMTBcd
};

// The type's name as the platform spells it ("ftString"); used in messages.
const char* FieldTypeName(TFieldType Type);

// Where a field's value comes from.
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// The dataset's state. The order matters: callers test "below dsInsert".
enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};

// The notifications a dataset sends through its data sources to their links,
// in the platform's declaration order (the values are used as numbers).
enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deLayoutChange,
  deUpdateRecord,
  deUpdateState,
  deCheckBrowseMode,
  dePropertyChange,
  deFieldListChange,
  deFocusControl,
  deParentScroll,
  deConnectChange,
  deReconcileError,
  deDisabledStateChange
};

// The argument of a data event: a TField*, a TField** (deFocusControl), a
// buffer shift (deDataSetScroll) or a flag, as each event defines.
using TDataEventInfo = std::intptr_t;

inline TDataEventInfo FieldInfo(TField* Field) { return reinterpret_cast<TDataEventInfo>(Field); }
inline TField* InfoField(TDataEventInfo Info) { return reinterpret_cast<TField*>(Info); }

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;

// What an error handler tells the failing operation to do next.
enum TDataAction { daFail, daAbort, daRetry };

// An opaque byte string naming one record of one dataset; empty names none.
using TBookmark = String;
using TBookmarkStr = String;

KV_DECLARE_EXCEPTION(EDatabaseError, Exception);

// Raises EDatabaseError with Message, prefixed "Name: " when Component has a
// name, as every dataset and field error is reported.
[[noreturn]] void DatabaseError(const String& Message, TComponent* Component = nullptr);

// Replaces each %s of Fmt in turn by the next argument (the messages of this
// module only take strings and numbers already turned into text).
String DBMessage(const String& Fmt, std::initializer_list<String> Args);

// The next name of a ';'-separated field list, starting at the 1-based
// code-point position Pos and moving Pos past the separator; names are trimmed
// of blanks. Loop while Pos <= the list's length in code points.
String ExtractFieldName(const String& Fields, Integer& Pos);

}  // namespace kvp
