// String lists: TStrings, the abstract list of strings with an object per
// item that controls expose as their items and lines, with its text forms
// (lines, comma and delimited text, name=value pairs) and stream and file
// loading; and TStringList, the stand-alone list with sorting, duplicate
// control and change events. Index errors raise EStringListError.
#pragma once

#include <vector>

#include "platform/classes/Persistent.h"

namespace kvp {

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// ---------------------------------------------------------------------------
// TStrings: the protocol of a string list and everything built on it.
// A descendant implements Get, GetCount, Clear, Delete and Insert, and
// GetObject/PutObject when it keeps objects; Put, Exchange, Move, the text
// forms and loading all go through those. Comparison (IndexOf, IndexOfName)
// goes through CompareStrings, which ignores case unless a descendant says
// otherwise.
class TStrings : public TPersistent {
  KV_CLASS(TStrings, TPersistent)
 public:
  virtual String Get(Integer Index) = 0;
  virtual Integer GetCount() = 0;
  virtual void Clear() = 0;
  virtual void Delete(Integer Index) = 0;
  virtual void Insert(Integer Index, const String& S) = 0;
  virtual TObject* GetObject(Integer Index);
  void SetObject(Integer Index, TObject* AObject) { PutObject(Index, AObject); }
  String GetStrings(Integer Index) { return Get(Index); }
  void SetStrings(Integer Index, const String& S) { Put(Index, S); }

  // Both answer the index the string got.
  virtual Integer Add(const String& S);
  virtual Integer AddObject(const String& S, TObject* AObject);
  virtual void InsertObject(Integer Index, const String& S, TObject* AObject);
  virtual void AddStrings(TStrings* Strings);
  // Copies the strings, their objects and the text-form settings of any TStrings.
  void Assign(TPersistent* Source) override;
  // Same count and the same strings, case included.
  bool Equals(TStrings* Strings);
  virtual void Exchange(Integer Index1, Integer Index2);
  virtual void Move(Integer CurIndex, Integer NewIndex);
  // -1 when absent.
  virtual Integer IndexOf(const String& S);
  virtual Integer IndexOfName(const String& Name);
  virtual Integer IndexOfObject(TObject* AObject);

  // Nested; SetUpdateState(true) runs when the outermost update begins and
  // SetUpdateState(false) when it ends.
  void BeginUpdate();
  void EndUpdate();

  // Text is UTF-8; a UTF-8 byte-order mark at the start of a stream is skipped.
  // Loading reads from the stream's position until it gives no more, so a
  // pipe or a file under /proc loads whole.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream);
  virtual void LoadFromFile(const String& FileName);
  virtual void SaveToFile(const String& FileName);

  // Every line followed by CR LF. Setting it splits on CR LF, LF or CR; the
  // text ends at its first zero character.
  String GetText() { return GetTextStr(); }
  void SetText(const String& Value) { SetTextStr(Value); }
  // The delimited text with ',' and '"', spaces also separating.
  String GetCommaText();
  void SetCommaText(const String& Value);
  // The strings joined by Delimiter; a string holding the delimiter, the
  // quote or (unless StrictDelimiter) a space or control character is quoted.
  String GetDelimitedText();
  void SetDelimitedText(const String& Value);
  Char GetDelimiter() const { return FDelimiter; }
  void SetDelimiter(Char Value);
  Char GetQuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(Char Value);
  bool GetStrictDelimiter() const { return FStrictDelimiter; }
  void SetStrictDelimiter(bool Value);

  // Name=value lines. A line without the separator has an empty name and an
  // empty value.
  Char GetNameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(Char Value);
  String GetNames(Integer Index);
  String GetValues(const String& Name);
  // An empty value removes the line; a new name adds one.
  void SetValues(const String& Name, const String& Value);
  String GetValueFromIndex(Integer Index);
  void SetValueFromIndex(Integer Index, const String& Value);

  virtual Integer GetCapacity() { return GetCount(); }
  virtual void SetCapacity(Integer /*NewCapacity*/) {}

 protected:
  virtual void Put(Integer Index, const String& S);
  virtual void PutObject(Integer /*Index*/, TObject* /*AObject*/) {}
  virtual String GetTextStr();
  virtual void SetTextStr(const String& Value);
  virtual void SetUpdateState(bool /*Updating*/) {}
  virtual Integer CompareStrings(const String& S1, const String& S2);
  void DefineProperties(TFiler* Filer) override;
  [[noreturn]] static void Error(const char* Message, Integer Data = 0);
  Integer GetUpdateCount() const { return FUpdateCount; }

 private:
  Integer FUpdateCount = 0;  // nesting depth of BeginUpdate
  Char FDelimiter = U',';
  Char FQuoteChar = U'"';
  Char FNameValueSeparator = U'=';
  bool FStrictDelimiter = false;  // only the delimiter separates; spaces are text
};

class TStringList;
// Negative when the item at Index1 sorts before the one at Index2.
using TStringListSortCompare = Integer (*)(TStringList* List, Integer Index1, Integer Index2);

// ---------------------------------------------------------------------------
// TStringList: strings with objects in memory. When Sorted, Add and AddObject
// insert in order (Duplicates decides about equal strings), IndexOf searches
// by halves, and Insert and SetStrings are refused. OnChanging fires before
// and OnChange after every change, and once each around an update
// (BeginUpdate ... EndUpdate) instead of for the changes within it.
class TStringList : public TStrings {
  KV_CLASS(TStringList, TStrings)
 public:
  String Get(Integer Index) override;
  Integer GetCount() override { return Integer(FList.size()); }
  TObject* GetObject(Integer Index) override;
  Integer Add(const String& S) override;
  Integer AddObject(const String& S, TObject* AObject) override;
  void Clear() override;
  void Delete(Integer Index) override;
  void Exchange(Integer Index1, Integer Index2) override;
  void Insert(Integer Index, const String& S) override;
  void InsertObject(Integer Index, const String& S, TObject* AObject) override;
  void Move(Integer CurIndex, Integer NewIndex) override;
  Integer IndexOf(const String& S) override;
  // Binary search of a sorted list: true when found; Index is where S is or
  // would be inserted.
  virtual bool Find(const String& S, Integer& Index);
  virtual void Sort();
  // Sorts an unsorted list with Compare; does nothing to a sorted one.
  virtual void CustomSort(TStringListSortCompare Compare);

  Integer GetCapacity() override { return Integer(FList.capacity()); }
  void SetCapacity(Integer NewCapacity) override;
  TDuplicates GetDuplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool GetSorted() const { return FSorted; }
  void SetSorted(bool Value);
  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void Destroy() override;
  virtual void Changed();
  virtual void Changing();
  void Put(Integer Index, const String& S) override;
  void PutObject(Integer Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;
  // AnsiCompareStr when CaseSensitive, otherwise AnsiCompareText.
  Integer CompareStrings(const String& S1, const String& S2) override;
  virtual void InsertItem(Integer Index, const String& S, TObject* AObject);

 private:
  struct TStringItem {
    String FString;
    TObject* FObject = nullptr;  // not owned
  };
  void CheckIndex(Integer Index) const;
  void ExchangeItems(Integer Index1, Integer Index2);

  std::vector<TStringItem> FList;
  TDuplicates FDuplicates = dupIgnore;  // consulted by Add when Sorted
  bool FSorted = false;
  bool FCaseSensitive = false;
};

}  // namespace kvp
