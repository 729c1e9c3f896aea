// The sample database of the example application and of tests: customers and
// their orders, a few hundred rows with non-ASCII names, amounts, dates,
// booleans and NULLs, always the same (no randomness from outside); and a
// database of one large numbered table for measuring lazy reading.
#pragma once

#include "platform/rtl/Types.h"

namespace kvp {

// Writes the database to FileName, replacing any file there. Tables:
//   customers(id INTEGER PRIMARY KEY, name VARCHAR(40), city VARCHAR(30),
//             country VARCHAR(30), since DATE, vip BOOLEAN, credit CURRENCY)
//   orders(id INTEGER PRIMARY KEY, customer_id INTEGER, ordered DATETIME,
//          amount CURRENCY, quantity INTEGER, paid BOOLEAN, note TEXT)
// Raises EDatabaseError when the file cannot be written.
void CreateSampleDatabase(const String& FileName);

// Writes a database of one large table, replacing any file there:
//   numbers(id INTEGER PRIMARY KEY, name VARCHAR(40), amount REAL)
// with RowCount rows: id 1..RowCount, name "Row <id>", amount (id mod 1000) / 4.
void CreateNumbersDatabase(const String& FileName, Integer RowCount);

// The row counts it writes.
inline constexpr Integer SampleCustomerCount = 120;
inline constexpr Integer SampleOrderCount = 360;

}  // namespace kvp
