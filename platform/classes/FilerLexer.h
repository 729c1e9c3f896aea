// Implementation detail of form streaming, not API: the tokenizer of the text
// form format that TReader reads through.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

namespace kvp::detail {

enum TTokenKind { tokEOF, tokSymbol, tokIdent, tokString, tokInteger, tokFloat, tokBinary };

struct TToken {
  TTokenKind Kind = tokEOF;
  char Symbol = 0;       // tokSymbol
  String Text;           // tokIdent: the identifier; tokString: the value; tokBinary: the bytes
  Int64 Int = 0;         // tokInteger
  Extended Float = 0;    // tokFloat
  char FloatSuffix = 0;  // 's' single, 'c' currency, 'd' date, or 0
  Integer Line = 1;      // where the token starts
};

// TFormLexer: splits stored-form text into tokens, one token of lookahead.
// Adjacent string pieces ('a'#13'b', and pieces joined by +) make one token;
// a malformed token raises EParserError naming its line.
class TFormLexer {
 public:
  explicit TFormLexer(String Text) : FText(std::move(Text)) {}

  const TToken& Peek();
  TToken Next();
  // The line of the last token taken, or of the next one before any.
  Integer LastLine();
  [[noreturn]] void Error(const String& Message, Integer Line) const;

 private:
  TToken Scan();
  void SkipBlanks();
  void ScanNumber(TToken& T);
  void ScanString(TToken& T);
  void ScanBinary(TToken& T);
  bool AtStringPiece() const;
  char Ch(std::size_t Ahead = 0) const;

  String FText;
  std::size_t FPos = 0;
  Integer FLine = 1;
  bool FHasPeek = false;
  TToken FPeek;
  Integer FLastLine = 0;
};

}  // namespace kvp::detail
