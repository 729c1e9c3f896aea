// TMemoryDataSet: record storage, the ordered and filtered view the cursor
// walks, posting and deleting, master-detail, and the simple filter text.
//
// Index
//   [SECTION] Opening        Construct, Destroy, InternalOpen, InternalClose
//   [SECTION] Cursor         GetRecord, InternalSetToRecord, InternalGotoBookmark
//   [SECTION] Storage        InternalPost, InternalDelete
//   [SECTION] View           RebuildView, CompareRecords, SetIndexFieldNames,
//                            SetDescFields
//   [SECTION] Bookmarks      BookmarkValid, CompareBookmarks
//   [SECTION] Master-detail  TMasterLink, MasterChanged
//   [SECTION] Filter text    the "Name op value [and|or ...]" conditions

#include "platform/db/MemoryDataSet.h"

#include <algorithm>

#include "platform/rtl/FloatFormat.h"
#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Master-detail (the link class first: the others use it)

// Follows the master's current record: any change of it re-selects the detail records.
class TMemoryDataSet::TMasterLink : public TDataLink {
  KV_CLASS(TMasterLink, TDataLink)
 public:
  explicit TMasterLink(TMemoryDataSet* ADetail) : FDetail(ADetail) {}

 protected:
  void ActiveChanged() override { FDetail->MasterChanged(); }
  void RecordChanged(TField* Field) override {
    if (!Field || IsMasterField(Field)) FDetail->MasterChanged();
  }
  TDataSet* GetDetailDataSet() const override { return FDetail; }

 private:
  TMemoryDataSet* FDetail;

  // Whether Field is one of the detail's MasterFields (names match in any case).
  bool IsMasterField(const TField* Field) const {
    const String& Names = FDetail->FMasterFields;
    Integer Pos = 1;
    while (Pos <= Length(Names))
      if (AnsiSameText(ExtractFieldName(Names, Pos), Field->GetFieldName())) return true;
    return false;
  }
};

// [SECTION] Opening

void TMemoryDataSet::Construct() {
  inherited::Construct();
  FMasterLink = TMasterLink::Create(this);
}

void TMemoryDataSet::Destroy() {
  if (FMasterLink) FMasterLink->SetDataSource(nullptr);
  inherited::Destroy();
  FreeAndNil(FMasterLink);
}

// Without definitions the persistent data fields give the structure; the
// stored records keep their values for the definitions that remain.
void TMemoryDataSet::InternalOpen() {
  TFieldDefs* Defs = GetFieldDefs();
  if (Defs->GetCount() == 0) {
    for (TField* Field : *GetFields())
      if (Field->GetFieldKind() == fkData)
        Defs->Add(Field->GetFieldName(), Field->GetDataType(), Field->GetSize(),
                  Field->GetRequired());
  }
  if (Defs->GetCount() == 0) DatabaseError("Cannot open a dataset without field definitions", this);
  for (auto& Record : FRecords) Record->Data.resize(Defs->GetCount(), Null());
  FIndexDefs = IndexDefsOf(FIndexFieldNames);
  FDescDefs = IndexDefsOf(FDescFields);
  FCursor = -1;
  FViewValid = false;
}

std::vector<Integer> TMemoryDataSet::IndexDefsOf(const String& FieldNames) {
  std::vector<Integer> Result;
  Integer Pos = 1;
  while (Pos <= Length(FieldNames)) {
    const String Name = ExtractFieldName(FieldNames, Pos);
    const Integer Index = GetFieldDefs()->IndexOf(Name);
    if (Index < 0) DatabaseError(DBMessage("Field '%s' not found", {Name}), this);
    Result.push_back(Index);
  }
  return Result;
}

// The view is built when the cursor is first used, once the fields are bound
// (the filter and the master read them).
void TMemoryDataSet::EnsureView() {
  if (!FViewValid) RebuildView(nullptr);
}

void TMemoryDataSet::InternalClose() {
  FView.clear();
  FOrder.clear();
  FViewPos.clear();
  FOrderPos.clear();
  FCursor = -1;
  FViewValid = false;
}

Integer TMemoryDataSet::GetRecordCount() {
  if (!GetActive()) return 0;
  EnsureView();
  return Integer(FView.size());
}

// [SECTION] Cursor

void TMemoryDataSet::FillBuffer(TRecordBuffer& Buffer, const TMemRecord* Record,
                                Integer Position) const {
  Buffer.Data = Record->Data;
  Buffer.Bookmark = IdToBookmark(Record->Id);
  Buffer.RecNo = Position + 1;
}

TGetResult TMemoryDataSet::GetRecord(TRecordBuffer& Buffer, TGetMode Mode) {
  EnsureView();
  const TGetResult Result = StepCursor(FCursor, Integer(FView.size()), Mode);
  if (Result != grOK) return Result;
  FillBuffer(Buffer, FView[FCursor], FCursor);
  return grOK;
}

void TMemoryDataSet::InternalSetToRecord(const TRecordBuffer& Buffer) {
  EnsureView();
  Integer Id = 0;
  if (!BookmarkToId(Buffer.Bookmark, Id)) return;
  auto It = FViewPos.find(Id);
  if (It != FViewPos.end()) FCursor = It->second;
}

bool TMemoryDataSet::InternalGotoBookmark(const TBookmark& Bookmark) {
  EnsureView();
  Integer Id = 0;
  if (!BookmarkToId(Bookmark, Id)) return false;
  auto It = FViewPos.find(Id);
  if (It == FViewPos.end()) return false;
  FCursor = It->second;
  return true;
}

// [SECTION] Storage

TMemoryDataSet::TMemRecord* TMemoryDataSet::FindRecord(Integer Id) const {
  for (const auto& Record : FRecords)
    if (Record->Id == Id) return Record.get();
  return nullptr;
}

Integer TMemoryDataSet::StorageIndex(const TMemRecord* Record) const {
  for (std::size_t I = 0; I < FRecords.size(); ++I)
    if (FRecords[I].get() == Record) return Integer(I);
  return -1;
}

// An edited record takes the buffer's values; a new one goes before the record
// it was inserted at, or at the end. The cursor ends on the posted record.
void TMemoryDataSet::InternalPost() {
  TRecordBuffer* Buffer = GetActiveBuffer();
  KV_ASSERT(Buffer, "posting needs the edited record");
  TMemRecord* Target = nullptr;
  if (GetState() == dsEdit) {
    Integer Id = 0;
    Target = BookmarkToId(Buffer->Bookmark, Id) ? FindRecord(Id) : nullptr;
    if (!Target) DatabaseError("Record not found", this);
    Target->Data = Buffer->Data;
  } else {
    auto Record = std::make_unique<TMemRecord>();
    Record->Id = FNextId++;
    Record->Data = Buffer->Data;
    Target = Record.get();
    Integer Before = -1;
    Integer BeforeId = 0;
    if (!GetInsertAppend() && BookmarkToId(GetInsertBefore(), BeforeId))
      if (TMemRecord* Next = FindRecord(BeforeId)) Before = StorageIndex(Next);
    if (Before < 0)
      FRecords.push_back(std::move(Record));
    else
      FRecords.insert(FRecords.begin() + Before, std::move(Record));
  }
  RebuildView(Target);
}

// The cursor stays at the same position, which now holds the following record.
void TMemoryDataSet::InternalDelete() {
  if (FCursor < 0 || FCursor >= Integer(FView.size())) DatabaseError("Record not found", this);
  TMemRecord* Record = FView[FCursor];
  const Integer Position = FCursor;
  FRecords.erase(FRecords.begin() + StorageIndex(Record));
  RebuildView(nullptr);
  FCursor = Position;
}

void TMemoryDataSet::InternalRefresh() {
  const TMemRecord* Current =
      FCursor >= 0 && FCursor < Integer(FView.size()) ? FView[FCursor] : nullptr;
  RebuildView(Current);
}

// [SECTION] View

namespace {

// One index field of two records, ascending: nulls first, text by code points.
Integer CompareValues(const Variant& X, const Variant& Y) {
  const bool XNull = VarIsNull(X) || VarIsEmpty(X);
  const bool YNull = VarIsNull(Y) || VarIsEmpty(Y);
  if (XNull || YNull) return XNull == YNull ? 0 : (XNull ? -1 : 1);
  if (VarIsStr(X) && VarIsStr(Y)) return AnsiCompareStr(X.AsString(), Y.AsString());
  const TVariantRelationship R = VarCompareValue(X, Y);
  return R == vrLessThan ? -1 : (R == vrGreaterThan ? 1 : 0);
}

}  // namespace

// A descending field reverses its whole comparison, so its nulls come last.
Integer TMemoryDataSet::CompareRecords(const TMemRecord* A, const TMemRecord* B) const {
  for (Integer Index : FIndexDefs) {
    const Integer C = CompareValues(A->Data[Index], B->Data[Index]);
    if (C == 0) continue;
    const bool Descending = std::find(FDescDefs.begin(), FDescDefs.end(), Index) != FDescDefs.end();
    return Descending ? -C : C;
  }
  return 0;
}

bool TMemoryDataSet::Visible(TMemRecord* Record) {
  if (!PassesMaster(Record)) return false;
  if (!GetFiltered()) return true;
  TRecordBuffer Buffer;
  InitBufferShape(Buffer);
  FillBuffer(Buffer, Record, -1);
  if (!GetFilter().empty() && !PassesFilterText(Buffer)) return false;
  return RecordFilterAccepts(Buffer);
}

// Orders every record, keeps the visible ones, and puts the cursor back on
// KeepOn when it is still visible (otherwise it stays at its position).
void TMemoryDataSet::RebuildView(const TMemRecord* KeepOn) {
  // [Phase 1] Order and select into new lists: a filter that raises changes nothing.
  std::vector<TMemRecord*> Order;
  for (const auto& Record : FRecords) Order.push_back(Record.get());
  if (!FIndexDefs.empty())
    std::stable_sort(Order.begin(), Order.end(), [this](const TMemRecord* A, const TMemRecord* B) {
      return CompareRecords(A, B) < 0;
    });
  std::vector<TMemRecord*> View;
  for (TMemRecord* Record : Order)
    if (Visible(Record)) View.push_back(Record);
  // [Phase 2] Take them, with the position maps, and place the cursor.
  FOrder = std::move(Order);
  FView = std::move(View);
  FOrderPos.clear();
  FViewPos.clear();
  for (std::size_t I = 0; I < FOrder.size(); ++I) FOrderPos[FOrder[I]->Id] = Integer(I);
  for (std::size_t I = 0; I < FView.size(); ++I) FViewPos[FView[I]->Id] = Integer(I);
  FViewValid = true;
  if (KeepOn) {
    auto It = FViewPos.find(KeepOn->Id);
    if (It != FViewPos.end()) FCursor = It->second;
  }
  FCursor = std::clamp(FCursor, -1, Integer(FView.size()));
}

void TMemoryDataSet::SetIndexFieldNames(const String& Value) {
  if (FIndexFieldNames == Value) return;
  if (!GetActive()) {
    FIndexFieldNames = Value;
    return;
  }
  CheckBrowseMode();
  FIndexDefs = IndexDefsOf(Value);
  FIndexFieldNames = Value;
  Reorder();
}

void TMemoryDataSet::SetDescFields(const String& Value) {
  if (FDescFields == Value) return;
  if (!GetActive()) {
    FDescFields = Value;
    return;
  }
  CheckBrowseMode();
  FDescDefs = IndexDefsOf(Value);
  FDescFields = Value;
  Reorder();
}

// Sorts again and rebuilds the window around the current record.
void TMemoryDataSet::Reorder() {
  FViewValid = false;
  CursorPosChanged();
  Refresh();
}

void TMemoryDataSet::FilterChanged() { RebuildView(nullptr); }

// [SECTION] Bookmarks

TBookmark TMemoryDataSet::IdToBookmark(Integer Id) {
  TBookmark Result(4, '\0');
  for (int I = 0; I < 4; ++I) Result[I] = char((std::uint32_t(Id) >> (8 * I)) & 0xFF);
  return Result;
}

bool TMemoryDataSet::BookmarkToId(const TBookmark& Bookmark, Integer& Id) {
  if (Bookmark.size() != 4) return false;
  std::uint32_t Value = 0;
  for (int I = 0; I < 4; ++I)
    Value |= std::uint32_t(static_cast<unsigned char>(Bookmark[I])) << (8 * I);
  Id = Integer(Value);
  return true;
}

bool TMemoryDataSet::BookmarkValid(const TBookmark& Bookmark) {
  Integer Id = 0;
  if (GetActive()) EnsureView();
  return GetActive() && BookmarkToId(Bookmark, Id) && FViewPos.count(Id) > 0;
}

// By position in the current order over all records, ties by id; an empty
// bookmark comes after every real one, and two empty ones are equal.
Integer TMemoryDataSet::CompareBookmarks(const TBookmark& B1, const TBookmark& B2) {
  if (B1.empty() || B2.empty()) return B1.empty() == B2.empty() ? 0 : (B1.empty() ? 1 : -1);
  Integer Id1 = 0;
  Integer Id2 = 0;
  if (!BookmarkToId(B1, Id1) || !BookmarkToId(B2, Id2)) return B1 < B2 ? -1 : (B1 == B2 ? 0 : 1);
  if (Id1 == Id2) return 0;
  if (GetActive()) EnsureView();
  auto P1 = FOrderPos.find(Id1);
  auto P2 = FOrderPos.find(Id2);
  const Integer Pos1 = P1 == FOrderPos.end() ? INT32_MAX : P1->second;
  const Integer Pos2 = P2 == FOrderPos.end() ? INT32_MAX : P2->second;
  if (Pos1 != Pos2) return Pos1 < Pos2 ? -1 : 1;
  return Id1 < Id2 ? -1 : 1;
}

// [SECTION] Master-detail

void TMemoryDataSet::KvPublish(TPublisher<TMemoryDataSet>& P) {
  P.Prop("DescFields", &TMemoryDataSet::GetDescFields, &TMemoryDataSet::SetDescFields);
  P.Prop("DetailFields", &TMemoryDataSet::GetDetailFields, &TMemoryDataSet::SetDetailFields);
  P.Prop("IndexFieldNames", &TMemoryDataSet::GetIndexFieldNames,
         &TMemoryDataSet::SetIndexFieldNames);
  P.Prop("MasterFields", &TMemoryDataSet::GetMasterFields, &TMemoryDataSet::SetMasterFields);
  P.Prop("MasterSource", &TMemoryDataSet::GetMasterSource, &TMemoryDataSet::SetMasterSource);
}

TDataSource* TMemoryDataSet::GetMasterSource() const { return FMasterLink->GetDataSource(); }

void TMemoryDataSet::SetMasterSource(TDataSource* Value) {
  if (GetMasterSource() == Value) return;
  if (Value && IsLinkedTo(Value)) DatabaseError("Circular datalinks are not allowed", this);
  if (TDataSource* Old = GetMasterSource()) Old->RemoveFreeNotification(this);
  FMasterLink->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  MasterChanged();
}

void TMemoryDataSet::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && FMasterLink && AComponent == FMasterLink->GetDataSource())
    SetMasterSource(nullptr);
}

void TMemoryDataSet::SetMasterFields(const String& Value) {
  if (FMasterFields == Value) return;
  FMasterFields = Value;
  MasterChanged();
}

void TMemoryDataSet::SetDetailFields(const String& Value) {
  if (FDetailFields == Value) return;
  FDetailFields = Value;
  MasterChanged();
}

bool TMemoryDataSet::PassesMaster(const TMemRecord* Record) const {
  if (!FMasterLink->GetActive() || FMasterFields.empty()) return true;
  TDataSet* Master = FMasterLink->GetDataSet();
  std::vector<TField*> MasterFields;
  Master->GetFieldList(MasterFields, FMasterFields);
  const String& DetailNames = FDetailFields.empty() ? FMasterFields : FDetailFields;
  Integer Pos = 1;
  for (TField* MasterField : MasterFields) {
    const Integer Index = GetFieldDefs()->IndexOf(ExtractFieldName(DetailNames, Pos));
    if (Index < 0) return false;
    const Variant Key = MasterField->GetValue();
    const Variant& Value = Record->Data[Index];
    if (VarIsNull(Key) || VarIsNull(Value) || VarIsEmpty(Value)) return false;
    try {
      if (VarCompareValue(Key, Value) != vrEqual) return false;
    } catch (const Exception&) {
      return false;
    }
  }
  return true;
}

// The master moved or changed: the detail shows the matching records from the first.
void TMemoryDataSet::MasterChanged() {
  if (!GetActive()) return;
  CheckBrowseMode();
  RebuildView(nullptr);
  First();
}

// [SECTION] Filter text

namespace {

struct TCondition {
  String Field;
  String Op;
  Variant Value;
};

// The first comparison operator of Text, before any quote: an operator
// inside a quoted value is part of the value. Npos when there is none.
std::size_t FindOperator(const String& Text, std::string_view& Op) {
  static const std::string_view Ops[] = {"<>", "<=", ">=", "=", "<", ">"};
  for (std::size_t At = 0; At < Text.size() && Text[At] != '\''; ++At) {
    for (std::string_view Candidate : Ops) {
      if (Text.compare(At, Candidate.size(), Candidate) != 0) continue;
      Op = Candidate;
      return At;
    }
  }
  return String::npos;
}

// Splits "Name op value" with value a quoted string, a number or null.
TCondition ParseCondition(const String& Text, TMemoryDataSet* DataSet) {
  std::string_view Op;
  const std::size_t At = FindOperator(Text, Op);
  if (At == String::npos)
    DatabaseError(DBMessage("Invalid filter condition '%s'", {Text}), DataSet);
  TCondition Result;
  Result.Field = Trim(Text.substr(0, At));
  Result.Op = String(Op);
  String Value = Trim(Text.substr(At + Op.size()));
  if (Value.size() >= 2 && Value.front() == '\'' && Value.back() == '\'') {
    std::string_view Quoted = Value;
    Result.Value = Variant(AnsiExtractQuotedStr(Quoted, U'\''));
  } else if (SameText(Value, "null")) {
    Result.Value = Null();
  } else {
    Extended Number = 0;
    if (!TryStrToFloat(Value, Number))
      DatabaseError(DBMessage("Invalid filter condition '%s'", {Text}), DataSet);
    Result.Value = Variant(Double(Number));
  }
  if (Result.Field.empty())
    DatabaseError(DBMessage("Invalid filter condition '%s'", {Text}), DataSet);
  return Result;
}

// Splits Text on a word operator (" and ", " or ") outside quotes.
std::vector<String> SplitOn(const String& Text, const String& Word) {
  std::vector<String> Parts;
  bool Quoted = false;
  std::size_t Start = 0;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\'') Quoted = !Quoted;
    if (Quoted || I + Word.size() > Text.size()) continue;
    if (SameText(Text.substr(I, Word.size()), Word)) {
      Parts.push_back(Text.substr(Start, I - Start));
      Start = I + Word.size();
      I = Start - 1;
    }
  }
  Parts.push_back(Text.substr(Start));
  return Parts;
}

bool Holds(Integer Compared, const String& Op) {
  if (Op == "=") return Compared == 0;
  if (Op == "<>") return Compared != 0;
  if (Op == "<") return Compared < 0;
  if (Op == ">") return Compared > 0;
  if (Op == "<=") return Compared <= 0;
  return Compared >= 0;
}

}  // namespace

// "Name = 'Smith*' and Amount > 10 or Paid = null": 'and' binds tighter
// than 'or'; a trailing '*' in a quoted value matches a prefix unless
// foNoPartialCompare; foCaseInsensitive compares text without case.
bool TMemoryDataSet::PassesFilterText(const TRecordBuffer& Buffer) const {
  auto* Self = const_cast<TMemoryDataSet*>(this);
  const bool NoCase = GetFilterOptions().Contains(foCaseInsensitive);
  const bool Partial = !GetFilterOptions().Contains(foNoPartialCompare);
  for (const String& Alternative : SplitOn(GetFilter(), " or ")) {
    bool All = true;
    for (const String& Part : SplitOn(Alternative, " and ")) {
      const TCondition C = ParseCondition(Trim(Part), Self);
      const Integer Index = GetFieldDefs()->IndexOf(C.Field);
      if (Index < 0) DatabaseError(DBMessage("Field '%s' not found", {C.Field}), Self);
      const Variant& Value = Buffer.Data[Index];
      const bool ValueNull = VarIsNull(Value) || VarIsEmpty(Value);
      bool Ok = false;
      if (VarIsNull(C.Value)) {
        Ok = C.Op == "=" ? ValueNull : (C.Op == "<>" && !ValueNull);
      } else if (ValueNull) {
        Ok = false;
      } else if (VarIsStr(C.Value)) {
        String Key = C.Value.AsString();
        String Text = VarToStr(Value);
        if (Partial && !Key.empty() && Key.back() == '*' && (C.Op == "=" || C.Op == "<>")) {
          Key.pop_back();
          const bool Starts = NoCase ? AnsiStartsText(Key, Text) : AnsiStartsStr(Key, Text);
          Ok = (C.Op == "=") == Starts;
        } else {
          Ok = Holds(NoCase ? AnsiCompareText(Text, Key) : AnsiCompareStr(Text, Key), C.Op);
        }
      } else {
        try {
          const TVariantRelationship R = VarCompareValue(Value, C.Value);
          Ok = R != vrNotEqual && Holds(R == vrEqual ? 0 : (R == vrLessThan ? -1 : 1), C.Op);
        } catch (const Exception&) {
          Ok = false;
        }
      }
      if (!Ok) {
        All = false;
        break;
      }
    }
    if (All) return true;
  }
  return false;
}

}  // namespace kvp
