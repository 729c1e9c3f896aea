// Index of sections:
//   [SECTION] Helpers        update bracket, UTF-8 forms of the separators
//   [SECTION] TStrings       defaults of the protocol, searching, updates
//   [SECTION] Text forms     lines, delimited and comma text, name=value pairs
//   [SECTION] Loading        streams and files, Assign, streaming
//   [SECTION] TStringList    storage, sorted insertion, sorting, change events
#include "platform/classes/StringList.h"

#include <string_view>
#include <utility>

#include "platform/classes/Filer.h"
#include "platform/classes/Lists.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Helpers

namespace {

// Runs Body between BeginUpdate and EndUpdate, ending the update also when
// Body raises.
template <class F>
void WithUpdate(TStrings* Strings, F Body) {
  Strings->BeginUpdate();
  try {
    Body();
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

// Text up to its first zero character, as text handed over as a C string ends.
std::string_view UpToZero(const String& S) {
  std::string_view View(S);
  return View.substr(0, View.find('\0'));
}

}  // namespace

// [SECTION] TStrings

void TStrings::Error(const char* Message, Integer Data) {
  String Text = Message;
  std::size_t At = Text.find("%d");
  if (At != String::npos) Text.replace(At, 2, std::to_string(Data));
  throw EStringListError(Text);
}

TObject* TStrings::GetObject(Integer /*Index*/) { return nullptr; }

Integer TStrings::Add(const String& S) {
  Integer Result = GetCount();
  Insert(Result, S);
  return Result;
}

Integer TStrings::AddObject(const String& S, TObject* AObject) {
  Integer Result = Add(S);
  PutObject(Result, AObject);
  return Result;
}

void TStrings::InsertObject(Integer Index, const String& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Put(Integer Index, const String& S) {
  TObject* Obj = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, Obj);
}

void TStrings::AddStrings(TStrings* Strings) {
  WithUpdate(this, [&] {
    for (Integer I = 0; I < Strings->GetCount(); ++I)
      AddObject(Strings->Get(I), Strings->GetObject(I));
  });
}

bool TStrings::Equals(TStrings* Strings) {
  Integer N = GetCount();
  if (N != Strings->GetCount()) return false;
  for (Integer I = 0; I < N; ++I)
    if (Get(I) != Strings->Get(I)) return false;
  return true;
}

void TStrings::Exchange(Integer Index1, Integer Index2) {
  WithUpdate(this, [&] {
    String S1 = Get(Index1);
    TObject* O1 = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, S1);
    PutObject(Index2, O1);
  });
}

void TStrings::Move(Integer CurIndex, Integer NewIndex) {
  if (CurIndex == NewIndex) return;
  // Both indexes are checked first, so that a bad target cannot lose the item
  // after it has been taken out.
  Integer N = GetCount();
  if (CurIndex < 0 || CurIndex >= N) Error("List index out of bounds (%d)", CurIndex);
  if (NewIndex < 0 || NewIndex >= N) Error("List index out of bounds (%d)", NewIndex);
  WithUpdate(this, [&] {
    String S = Get(CurIndex);
    TObject* Obj = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, S, Obj);
  });
}

Integer TStrings::IndexOf(const String& S) {
  for (Integer I = 0, N = GetCount(); I < N; ++I)
    if (CompareStrings(Get(I), S) == 0) return I;
  return -1;
}

Integer TStrings::IndexOfName(const String& Name) {
  String Separator = Utf8Encode(FNameValueSeparator);
  for (Integer I = 0, N = GetCount(); I < N; ++I) {
    String S = Get(I);
    std::size_t At = S.find(Separator);
    if (At != String::npos && CompareStrings(S.substr(0, At), Name) == 0) return I;
  }
  return -1;
}

Integer TStrings::IndexOfObject(TObject* AObject) {
  for (Integer I = 0, N = GetCount(); I < N; ++I)
    if (GetObject(I) == AObject) return I;
  return -1;
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  KV_ASSERT(FUpdateCount > 0, "EndUpdate without a matching BeginUpdate");
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

Integer TStrings::CompareStrings(const String& S1, const String& S2) {
  return AnsiCompareText(S1, S2);
}

// [SECTION] Text forms

String TStrings::GetTextStr() {
  String Result;
  for (Integer I = 0, N = GetCount(); I < N; ++I) {
    Result += Get(I);
    Result += sLineBreak;
  }
  return Result;
}

void TStrings::SetTextStr(const String& Value) {
  std::string_view Text = UpToZero(Value);
  WithUpdate(this, [&] {
    Clear();
    std::size_t P = 0;
    while (P < Text.size()) {
      std::size_t Start = P;
      while (P < Text.size() && Text[P] != '\r' && Text[P] != '\n') ++P;
      Add(String(Text.substr(Start, P - Start)));
      if (P < Text.size() && Text[P] == '\r') ++P;
      if (P < Text.size() && Text[P] == '\n') ++P;
    }
  });
}

String TStrings::GetDelimitedText() {
  String Quote = Utf8Encode(FQuoteChar);
  String Delimiter = Utf8Encode(FDelimiter);
  Integer N = GetCount();
  if (N == 1 && Get(0).empty()) return Quote + Quote;
  String Result;
  for (Integer I = 0; I < N; ++I) {
    String S = Get(I);
    bool NeedsQuotes = S.find(Quote) != String::npos || S.find(Delimiter) != String::npos;
    if (!FStrictDelimiter)
      for (char C : S) NeedsQuotes = NeedsQuotes || IsBlank(C);
    if (I > 0) Result += Delimiter;
    Result += NeedsQuotes ? AnsiQuotedStr(S, FQuoteChar) : S;
  }
  return Result;
}

void TStrings::SetDelimitedText(const String& Value) {
  String Quote = Utf8Encode(FQuoteChar);
  String Delimiter = Utf8Encode(FDelimiter);
  std::string_view P = UpToZero(Value);
  auto SkipBlanks = [&] {
    while (!FStrictDelimiter && !P.empty() && IsBlank(P.front())) P.remove_prefix(1);
  };
  WithUpdate(this, [&] {
    Clear();
    SkipBlanks();
    while (!P.empty()) {
      if (P.starts_with(Quote)) {
        Add(AnsiExtractQuotedStr(P, FQuoteChar));
      } else {
        std::size_t N = 0;
        while (N < P.size() && (FStrictDelimiter || !IsBlank(P[N])) &&
               !P.substr(N).starts_with(Delimiter))
          ++N;
        Add(String(P.substr(0, N)));
        P.remove_prefix(N);
      }
      SkipBlanks();
      if (P.starts_with(Delimiter)) {
        if (P.size() == Delimiter.size()) Add("");  // a trailing delimiter ends with an empty item
        P.remove_prefix(Delimiter.size());
        SkipBlanks();
      }
    }
  });
}

namespace {

// Switches a list to the comma-text settings and restores its own afterwards.
class TCommaSettings {
 public:
  explicit TCommaSettings(TStrings* AStrings)
      : FStrings(AStrings),
        FDelimiter(AStrings->GetDelimiter()),
        FQuoteChar(AStrings->GetQuoteChar()),
        FStrict(AStrings->GetStrictDelimiter()) {
    FStrings->SetDelimiter(U',');
    FStrings->SetQuoteChar(U'"');
    FStrings->SetStrictDelimiter(false);
  }
  ~TCommaSettings() {
    FStrings->SetDelimiter(FDelimiter);
    FStrings->SetQuoteChar(FQuoteChar);
    FStrings->SetStrictDelimiter(FStrict);
  }

 private:
  TStrings* FStrings;
  Char FDelimiter;
  Char FQuoteChar;
  bool FStrict;
};

}  // namespace

String TStrings::GetCommaText() {
  TCommaSettings Comma(this);
  return GetDelimitedText();
}

void TStrings::SetCommaText(const String& Value) {
  TCommaSettings Comma(this);
  SetDelimitedText(Value);
}

void TStrings::SetDelimiter(Char Value) {
  if (FDelimiter == Value) return;
  FDelimiter = Value;
}

void TStrings::SetQuoteChar(Char Value) {
  if (FQuoteChar == Value) return;
  FQuoteChar = Value;
}

void TStrings::SetStrictDelimiter(bool Value) {
  if (FStrictDelimiter == Value) return;
  FStrictDelimiter = Value;
}

void TStrings::SetNameValueSeparator(Char Value) {
  if (FNameValueSeparator == Value) return;
  FNameValueSeparator = Value;
}

String TStrings::GetNames(Integer Index) {
  String S = Get(Index);
  std::size_t At = S.find(Utf8Encode(FNameValueSeparator));
  return At == String::npos ? String() : S.substr(0, At);
}

String TStrings::GetValues(const String& Name) {
  Integer Index = IndexOfName(Name);
  return Index >= 0 ? GetValueFromIndex(Index) : String();
}

void TStrings::SetValues(const String& Name, const String& Value) {
  String Separator = Utf8Encode(FNameValueSeparator);
  Integer Index = IndexOfName(Name);
  if (Value.empty()) {
    if (Index >= 0) Delete(Index);
  } else if (Index < 0) {
    // Added whole, so that a sorted list takes it in order.
    Add(Name + Separator + Value);
  } else {
    Put(Index, Name + Separator + Value);
  }
}

String TStrings::GetValueFromIndex(Integer Index) {
  if (Index < 0) return String();
  String S = Get(Index);
  String Separator = Utf8Encode(FNameValueSeparator);
  std::size_t At = S.find(Separator);
  return At == String::npos ? String() : S.substr(At + Separator.size());
}

void TStrings::SetValueFromIndex(Integer Index, const String& Value) {
  String Separator = Utf8Encode(FNameValueSeparator);
  if (Value.empty()) {
    if (Index >= 0) Delete(Index);
  } else if (Index < 0) {
    Add(Separator + Value);
  } else {
    Put(Index, GetNames(Index) + Separator + Value);
  }
}

// [SECTION] Loading

void TStrings::LoadFromStream(TStream* Stream) {
  String Text = ReadStreamToEnd(Stream);
  if (Text.starts_with("\xEF\xBB\xBF")) Text.erase(0, 3);
  SetTextStr(Text);
}

void TStrings::SaveToStream(TStream* Stream) {
  String Text = GetTextStr();
  Stream->WriteBuffer(Text.data(), Integer(Text.size()));
}

void TStrings::LoadFromFile(const String& FileName) {
  TObjectPtr<TFileStream> File(TFileStream::Create(FileName, fmOpenRead | fmShareDenyWrite));
  LoadFromStream(File.get());
}

void TStrings::SaveToFile(const String& FileName) {
  TObjectPtr<TFileStream> File(TFileStream::Create(FileName, fmCreate));
  SaveToStream(File.get());
}

void TStrings::Assign(TPersistent* Source) {
  TStrings* Other = DynCast<TStrings>(Source);
  if (!Other) {
    inherited::Assign(Source);
    return;
  }
  // Clearing first would empty the source too.
  if (Other == this) return;
  WithUpdate(this, [&] {
    Clear();
    FDelimiter = Other->FDelimiter;
    FQuoteChar = Other->FQuoteChar;
    FNameValueSeparator = Other->FNameValueSeparator;
    FStrictDelimiter = Other->FStrictDelimiter;
    AddStrings(Other);
  });
}

void TStrings::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  // The lines are stored as the list property "Strings": always when there is
  // no ancestor list to compare with and the list has lines, otherwise only
  // when they differ from the ancestor's.
  auto* Ancestor = DynCast<TStrings>(Filer->GetAncestor());
  bool HasData = Ancestor ? !Equals(Ancestor) : GetCount() > 0;
  Filer->DefineProperty(
      "Strings",
      [this](TReader* Reader) {
        Reader->ReadListBegin();
        WithUpdate(this, [&] {
          Clear();
          while (!Reader->EndOfList()) Add(Reader->ReadString());
        });
        Reader->ReadListEnd();
      },
      [this](TWriter* Writer) {
        Writer->WriteListBegin();
        for (Integer I = 0; I < GetCount(); ++I) Writer->WriteString(Get(I));
        Writer->WriteListEnd();
      },
      HasData);
}

// [SECTION] TStringList

void TStringList::Destroy() {
  OnChange = nullptr;
  OnChanging = nullptr;
  FList.clear();
  inherited::Destroy();
}

void TStringList::CheckIndex(Integer Index) const {
  if (Index < 0 || Index >= Integer(FList.size())) Error("List index out of bounds (%d)", Index);
}

String TStringList::Get(Integer Index) {
  CheckIndex(Index);
  return FList[std::size_t(Index)].FString;
}

TObject* TStringList::GetObject(Integer Index) {
  CheckIndex(Index);
  return FList[std::size_t(Index)].FObject;
}

Integer TStringList::Add(const String& S) { return AddObject(S, nullptr); }

Integer TStringList::AddObject(const String& S, TObject* AObject) {
  Integer Result = GetCount();
  if (FSorted && Find(S, Result)) {
    if (FDuplicates == dupIgnore) return Result;
    if (FDuplicates == dupError) Error("String list does not allow duplicates");
  }
  InsertItem(Result, S, AObject);
  return Result;
}

void TStringList::InsertItem(Integer Index, const String& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Insert(Integer Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(Integer Index, const String& S, TObject* AObject) {
  if (FSorted) Error("Operation not allowed on sorted list");
  if (Index < 0 || Index > GetCount()) Error("List index out of bounds (%d)", Index);
  InsertItem(Index, S, AObject);
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  FList.shrink_to_fit();
  Changed();
}

void TStringList::Delete(Integer Index) {
  CheckIndex(Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Exchange(Integer Index1, Integer Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  ExchangeItems(Index1, Index2);
  Changed();
}

void TStringList::ExchangeItems(Integer Index1, Integer Index2) {
  std::swap(FList[std::size_t(Index1)], FList[std::size_t(Index2)]);
}

void TStringList::Move(Integer CurIndex, Integer NewIndex) {
  // Refused before anything is taken out, so the item is never lost.
  if (CurIndex != NewIndex && FSorted) Error("Operation not allowed on sorted list");
  inherited::Move(CurIndex, NewIndex);
}

void TStringList::Put(Integer Index, const String& S) {
  if (FSorted) Error("Operation not allowed on sorted list");
  CheckIndex(Index);
  Changing();
  FList[std::size_t(Index)].FString = S;
  Changed();
}

void TStringList::PutObject(Integer Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[std::size_t(Index)].FObject = AObject;
  Changed();
}

bool TStringList::Find(const String& S, Integer& Index) {
  bool Result = false;
  Integer L = 0, H = GetCount() - 1;
  while (L <= H) {
    Integer I = L + (H - L) / 2;
    Integer C = CompareStrings(FList[std::size_t(I)].FString, S);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Result = true;
        if (FDuplicates != dupAccept) L = I;  // the first of equal strings
      }
    }
  }
  Index = L;
  return Result;
}

Integer TStringList::IndexOf(const String& S) {
  if (!FSorted) return inherited::IndexOf(S);
  Integer Index = -1;
  return Find(S, Index) ? Index : -1;
}

void TStringList::Sort() {
  CustomSort([](TStringList* List, Integer Index1, Integer Index2) {
    return List->CompareStrings(List->FList[std::size_t(Index1)].FString,
                                List->FList[std::size_t(Index2)].FString);
  });
}

void TStringList::CustomSort(TStringListSortCompare Compare) {
  if (FSorted || GetCount() < 2) return;
  Changing();
  detail::QuickSortIndexes(
      0, GetCount() - 1, [&](Integer I, Integer J) { return Compare(this, I, J); },
      [&](Integer I, Integer J) { ExchangeItems(I, J); });
  Changed();
}

void TStringList::SetCapacity(Integer NewCapacity) {
  if (NewCapacity < GetCount()) Error("List capacity out of bounds (%d)", NewCapacity);
  if (std::size_t(NewCapacity) >= FList.capacity()) {
    FList.reserve(std::size_t(NewCapacity));
    return;
  }
  std::vector<TStringItem> Smaller;
  Smaller.reserve(std::size_t(NewCapacity));
  for (TStringItem& Item : FList) Smaller.push_back(std::move(Item));
  FList.swap(Smaller);
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();  // before the flag is set: a sorted list does not sort
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) {
    // Re-sort in the new order; Sort leaves a list marked sorted alone.
    FSorted = false;
    SetSorted(true);
  }
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

void TStringList::Changing() {
  if (GetUpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (GetUpdateCount() == 0 && OnChange) OnChange(this);
}

Integer TStringList::CompareStrings(const String& S1, const String& S2) {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

}  // namespace kvp
