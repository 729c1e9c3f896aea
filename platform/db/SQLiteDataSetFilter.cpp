// The check that keeps an SQLite dataset's filter text one condition: the text
// goes inside "WHERE (...)" of every statement the dataset reads with, so it
// must not close that parenthesis, end the statement, or comment out the rest.
// The dataset then has the database prepare the condition and run it once.

#include "platform/db/SQLiteDataSetImpl.h"
#include "platform/rtl/Strings.h"

namespace kvp::sqlite_detail {

String FilterTextFault(const String& Text) {
  Integer Depth = 0;
  const std::size_t Size = Text.size();
  for (std::size_t I = 0; I < Size; ++I) {
    const char C = Text[I];
    switch (C) {
      case '\'':
      case '"':
      case '`':
      case '[': {
        // A quoted literal or name runs to its closing quote; a doubled quote
        // inside it stands for one (brackets have no escape).
        const char Close = C == '[' ? ']' : C;
        std::size_t J = I + 1;
        for (;; ++J) {
          if (J >= Size) return String("a quote opened at position ") + IntToStr(Integer(I + 1)) +
                                " is not closed";
          if (Text[J] != Close) continue;
          if (Close != ']' && J + 1 < Size && Text[J + 1] == Close) {
            ++J;
            continue;
          }
          break;
        }
        I = J;
        break;
      }
      case '(':
        ++Depth;
        break;
      case ')':
        if (--Depth < 0)
          return "a parenthesis at position " + IntToStr(Integer(I + 1)) + " closes none";
        break;
      case ';':
        return "it may not end the statement (';')";
      case '\0':
        return "it may not hold a zero character";
      case '-':
        if (I + 1 < Size && Text[I + 1] == '-') return "it may not hold a comment ('--')";
        break;
      case '/':
        if (I + 1 < Size && Text[I + 1] == '*') return "it may not hold a comment ('/*')";
        break;
      default:
        break;
    }
  }
  if (Depth > 0) return "a parenthesis is not closed";
  return String();
}

}  // namespace kvp::sqlite_detail
