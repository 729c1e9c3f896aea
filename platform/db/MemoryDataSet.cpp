// TMemoryDataSet: record storage, the ordered and filtered view the cursor
// walks, posting and deleting, master-detail, and the store's self-check. The
// view is a TRankSequence (MemoryDataSetImpl.h): storage order without index
// fields, index order with them; a record's visible flag says whether it
// passes the master and the filter. The filter text is parsed in
// MemoryDataSetFilter.cpp.
//
// Index
//   [SECTION] Master-detail link  TMasterLink
//   [SECTION] Opening        Construct, Destroy, InternalOpen, InternalClose
//   [SECTION] Cursor         GetRecord, InternalSetToRecord, InternalGotoBookmark
//   [SECTION] Storage        InternalPost, PostEdit, PostInsert, InternalDelete
//   [SECTION] View           RebuildView, Visible, CompareData, OrderedRankFor,
//                            SetIndexFieldNames, SetDescFields, FilterChanged
//   [SECTION] Bookmarks      BookmarkValid, CompareBookmarks
//   [SECTION] Master-detail  MasterSource and its fields, PassesMaster, MasterChanged
//   [SECTION] Self-check     CheckConsistency

#include "platform/db/MemoryDataSet.h"

#include <algorithm>

#include "platform/rtl/Strings.h"

namespace kvp {

// [SECTION] Master-detail link (first: the others use it)

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
// stored records keep their values for the definitions that remain. A filter
// text that does not parse stops the opening.
void TMemoryDataSet::InternalOpen() {
  TFieldDefs* Defs = GetFieldDefs();
  if (Defs->GetCount() == 0) {
    for (TField* Field : *GetFields())
      if (Field->GetFieldKind() == fkData)
        Defs->Add(Field->GetFieldName(), Field->GetDataType(), Field->GetSize(),
                  Field->GetRequired());
  }
  if (Defs->GetCount() == 0) DatabaseError("Cannot open a dataset without field definitions", this);
  std::vector<Integer> IndexDefs = IndexDefsOf(FIndexFieldNames);
  std::vector<Integer> DescDefs = IndexDefsOf(FDescFields);
  TFilterProgram Program = GetFiltered() ? ParseMemoryFilter(GetFilter(), Defs, this)
                                         : TFilterProgram();
  for (auto& Record : FById)
    if (Record) Record->Data.resize(Defs->GetCount(), Null());
  FIndexDefs = std::move(IndexDefs);
  FDescDefs = std::move(DescDefs);
  FFilterProgram = std::move(Program);
  ResolveTreeFields();
  ++FDataVersion;
  FCursor = -1;
  FCursorNode = nullptr;
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
// (the filter event and the master read them).
void TMemoryDataSet::EnsureView() {
  if (!FViewValid) RebuildView(nullptr);
}

void TMemoryDataSet::InternalClose() {
  FOrdered.Clear();
  FTree.Clear();
  FTreeIdDef = FTreeParentDef = -1;
  FCursor = -1;
  FCursorNode = nullptr;
  FViewValid = false;
}

Integer TMemoryDataSet::GetRecordCount() {
  if (!GetActive()) return 0;
  EnsureView();
  return View().GetVisibleCount();
}

// [SECTION] Cursor

void TMemoryDataSet::FillBuffer(TRecordBuffer& Buffer, const TMemRecord* Record,
                                Integer Position) const {
  Buffer.Data = Record->Data;
  Buffer.Bookmark = IdToBookmark(Record->Id);
  Buffer.RecNo = Position + 1;
}

void TMemoryDataSet::InternalFirst() {
  EnsureView();
  FCursor = -1;
  FCursorNode = nullptr;
}

void TMemoryDataSet::InternalLast() {
  EnsureView();
  FCursor = View().GetVisibleCount();
  FCursorNode = nullptr;
}

// Steps from node to node; a step off either end leaves the cursor on that
// end's crack, where the next step back finds the end record again.
TGetResult TMemoryDataSet::GetRecord(TRecordBuffer& Buffer, TGetMode Mode) {
  EnsureView();
  const TRankSequence& Seq = View();
  switch (Mode) {
    case gmNext:
      if (FCursor >= Seq.GetVisibleCount()) return grEOF;
      FCursorNode = FCursorNode ? Seq.NextVisible(FCursorNode) : Seq.FirstVisible();
      ++FCursor;
      if (!FCursorNode) {
        FCursor = Seq.GetVisibleCount();
        return grEOF;
      }
      break;
    case gmPrior:
      if (FCursor < 0) return grBOF;
      FCursorNode = FCursorNode ? Seq.PriorVisible(FCursorNode) : Seq.LastVisible();
      --FCursor;
      if (!FCursorNode) {
        FCursor = -1;
        return grBOF;
      }
      break;
    case gmCurrent:
      if (!FCursorNode) return grError;
      break;
  }
  FillBuffer(Buffer, FCursorNode->Record, FCursor);
  return grOK;
}

void TMemoryDataSet::InternalSetToRecord(const TRecordBuffer& Buffer) {
  EnsureView();
  TMemRecord* Record = FindRecord(Buffer.Bookmark);
  if (Record && ViewNode(Record).Visible) PlaceCursorOn(Record);
}

bool TMemoryDataSet::InternalGotoBookmark(const TBookmark& Bookmark) {
  EnsureView();
  TMemRecord* Record = FindRecord(Bookmark);
  if (!Record || !ViewNode(Record).Visible) return false;
  PlaceCursorOn(Record);
  return true;
}

void TMemoryDataSet::InternalSetRecNo(Integer Value) {
  EnsureView();
  PlaceCursorAt(Value - 1);
}

// On a visible record; on a hidden one, the position it would have, which
// holds the visible record after it.
void TMemoryDataSet::PlaceCursorOn(TMemRecord* Record) {
  TRankNode& Node = ViewNode(Record);
  if (Node.Visible) {
    FCursor = View().VisibleRankOf(&Node);
    FCursorNode = &Node;
  } else {
    PlaceCursorAt(View().VisibleRankOf(&Node));
  }
}

void TMemoryDataSet::PlaceCursorAt(Integer Position) {
  FCursor = std::clamp(Position, -1, View().GetVisibleCount());
  FCursorNode = View().VisibleAt(FCursor);
}

// [SECTION] Storage

TMemRecord* TMemoryDataSet::FindRecord(Integer Id) const {
  if (Id <= 0 || std::size_t(Id) >= FById.size()) return nullptr;
  return FById[std::size_t(Id)].get();
}

TMemRecord* TMemoryDataSet::FindRecord(const TBookmark& Bookmark) const {
  Integer Id = 0;
  return BookmarkToId(Bookmark, Id) ? FindRecord(Id) : nullptr;
}

std::uint32_t TMemoryDataSet::NextPriority() {
  FSeed ^= FSeed << 13;
  FSeed ^= FSeed >> 7;
  FSeed ^= FSeed << 17;
  return std::uint32_t(FSeed >> 16);
}

// Everything that can fail (the filter event, a comparison of keys, memory)
// runs before the store changes, so that a post that raises stores nothing
// and can be posted again or cancelled. The cursor ends on the posted record,
// or where it would be when the filter or the master hides it.
void TMemoryDataSet::InternalPost() {
  EnsureView();
  TRecordBuffer* Buffer = GetActiveBuffer();
  KV_ASSERT(Buffer, "posting needs the edited record");
  TMemRecord* Posted = nullptr;
  if (GetState() == dsEdit) {
    TMemRecord* Record = FindRecord(Buffer->Bookmark);
    if (!Record) DatabaseError("Record not found", this);
    Posted = PostEdit(Record, *Buffer);
  } else {
    Posted = PostInsert(*Buffer);
  }
  ++FDataVersion;
  if (TreeShown())
    ShowInTree(Posted);
  else
    PlaceCursorOn(Posted);
}

TMemRecord* TMemoryDataSet::PostEdit(TMemRecord* Record, const TRecordBuffer& Buffer) {
  // [Phase 1] The new values and whether they show.
  std::vector<Variant> Data = Buffer.Data;
  TRecordBuffer Scratch;
  const bool Shows = Visible(Data, Record->Id, Scratch);
  // [Phase 2] Its new place in index order, found with the record taken out
  // of that order and put back where it was if a comparison fails.
  if (Indexed()) {
    TRankNode& Node = Record->Ordered;
    const Integer OldRank = FOrdered.RankOf(&Node);
    FOrdered.Erase(&Node);
    Integer Rank = 0;
    try {
      Rank = OrderedRankFor(Data, FStored.RankOf(&Record->Stored));
    } catch (...) {
      FOrdered.InsertAt(&Node, OldRank);
      throw;
    }
    Node.Visible = Shows;
    FOrdered.InsertAt(&Node, Rank);
  } else {
    FStored.SetVisible(&Record->Stored, Shows);
  }
  // [Phase 3] The values.
  Record->Data.swap(Data);
  return Record;
}

TMemRecord* TMemoryDataSet::PostInsert(const TRecordBuffer& Buffer) {
  // [Phase 1] The record, whether it shows, and its places.
  auto Record = std::make_unique<TMemRecord>();
  Record->Id = std::max<Integer>(1, Integer(FById.size()));
  Record->Data = Buffer.Data;
  Record->Stored.Record = Record->Ordered.Record = Record->Tree.Record = Record.get();
  Record->Stored.Priority = NextPriority();
  Record->Ordered.Priority = NextPriority();
  Record->Tree.Priority = NextPriority();
  TRecordBuffer Scratch;
  const bool Shows = Visible(Record->Data, Record->Id, Scratch);
  Integer StorageRank = FStored.GetCount();
  if (!GetInsertAppend())
    if (TMemRecord* Before = FindRecord(GetInsertBefore()))
      StorageRank = FStored.RankOf(&Before->Stored);
  const Integer Rank = Indexed() ? OrderedRankFor(Record->Data, StorageRank) : 0;
  // [Phase 2] Stored: nothing below can fail once the id has its slot.
  if (FById.empty()) FById.emplace_back();
  FById.push_back(std::move(Record));
  TMemRecord* Stored = FById.back().get();
  Stored->Stored.Visible = Shows && !Indexed();
  FStored.InsertAt(&Stored->Stored, StorageRank);
  if (Indexed()) {
    Stored->Ordered.Visible = Shows;
    FOrdered.InsertAt(&Stored->Ordered, Rank);
  }
  return Stored;
}

// The cursor stays at the same position, which now holds the following record.
void TMemoryDataSet::InternalDelete() {
  EnsureView();
  if (!FCursorNode) DatabaseError("Record not found", this);
  TMemRecord* Record = FCursorNode->Record;
  const Integer Position = FCursor;
  FStored.Erase(&Record->Stored);
  if (Indexed()) FOrdered.Erase(&Record->Ordered);
  if (TreeShown()) FTree.Erase(&Record->Tree);
  FById[std::size_t(Record->Id)].reset();
  ++FDataVersion;
  PlaceCursorAt(Position);
  // Its children become roots: the tree is laid out again.
  if (TreeShown()) RebuildView(nullptr);
}

// Selects and orders every record again (a filter event may answer
// differently now) and stays on the current record.
void TMemoryDataSet::InternalRefresh() {
  TMemRecord* Current = FViewValid && FCursorNode ? FCursorNode->Record : nullptr;
  RebuildView(Current);
}

// [SECTION] View

namespace {

// One index field of two records, ascending: nulls first, text by code points.
Integer CompareValues(const Variant& X, const Variant& Y) {
  const bool XNull = X.GetVarType() == varNull || X.GetVarType() == varEmpty;
  const bool YNull = Y.GetVarType() == varNull || Y.GetVarType() == varEmpty;
  if (XNull || YNull) return XNull == YNull ? 0 : (XNull ? -1 : 1);
  if (VarIsStr(X) && VarIsStr(Y)) return AnsiCompareStr(X.AsString(), Y.AsString());
  const TVariantRelationship R = VarCompareValue(X, Y);
  return R == vrLessThan ? -1 : (R == vrGreaterThan ? 1 : 0);
}

}  // namespace

// A descending field reverses its whole comparison, so its nulls come last.
Integer TMemoryDataSet::CompareData(const std::vector<Variant>& A,
                                    const std::vector<Variant>& B) const {
  for (std::size_t I = 0; I < FIndexDefs.size(); ++I) {
    const auto Index = std::size_t(FIndexDefs[I]);
    const Integer C = CompareValues(A[Index], B[Index]);
    if (C != 0) return FIndexDescending[I] ? -C : C;
  }
  return 0;
}

// The place in index order of a record with Data whose place in storage
// order is StorageRank: after every record with a lower key, and after the
// records of an equal key that are stored before it.
Integer TMemoryDataSet::OrderedRankFor(const std::vector<Variant>& Data,
                                       Integer StorageRank) const {
  const bool StoredLast = StorageRank >= FStored.GetCount();  // appended: after every tie
  return FOrdered.FindRank([&](const TRankNode* X) {
    const Integer C = CompareData(Data, X->Record->Data);
    if (C != 0) return C > 0;
    return StoredLast || FStored.RankOf(&X->Record->Stored) < StorageRank;
  });
}

// The master's key, then the filter text, then the filter event, which sees
// the record in state dsFilter through Scratch.
bool TMemoryDataSet::Visible(const std::vector<Variant>& Data, Integer Id,
                             TRecordBuffer& Scratch) {
  if (!PassesMaster(Data)) return false;
  if (!GetFiltered()) return true;
  if (!MemoryFilterAccepts(FFilterProgram, Data, GetFilterOptions())) return false;
  if (!OnFilterRecord) return true;
  InitBufferShape(Scratch);
  Scratch.Data = Data;
  Scratch.Bookmark = IdToBookmark(Id);
  Scratch.RecNo = -1;
  return RecordFilterAccepts(Scratch);
}

// Orders every record, selects the visible ones, and puts the cursor on KeepOn
// (or, without it, keeps its position). Everything that can fail runs before
// the view changes.
void TMemoryDataSet::RebuildView(TMemRecord* KeepOn) {
  // [Phase 1] Order and select into new lists.
  TakeMasterKey();
  FIndexDescending.assign(FIndexDefs.size(), false);
  for (std::size_t I = 0; I < FIndexDefs.size(); ++I)
    FIndexDescending[I] =
        std::find(FDescDefs.begin(), FDescDefs.end(), FIndexDefs[I]) != FDescDefs.end();
  std::vector<TRankNode*> Stored;
  FStored.Collect(Stored);
  std::vector<TRankNode*> Nodes;
  Nodes.reserve(Stored.size());
  for (TRankNode* N : Stored) Nodes.push_back(Indexed() ? &N->Record->Ordered : N);
  if (Indexed()) {
    // Storage order goes in, so a stable sort leaves equal keys in it.
    std::stable_sort(Nodes.begin(), Nodes.end(), [this](const TRankNode* A, const TRankNode* B) {
      return CompareData(A->Record->Data, B->Record->Data) < 0;
    });
  }
  std::vector<char> Shows(Nodes.size());
  TRecordBuffer Scratch;
  for (std::size_t I = 0; I < Nodes.size(); ++I)
    Shows[I] = Visible(Nodes[I]->Record->Data, Nodes[I]->Record->Id, Scratch);
  // [Phase 2] Take them and place the cursor. With index fields the flags of
  // the storage order go unused; in tree mode those of the base order do.
  BaseView().Assign(Nodes, Shows);
  if (!Indexed()) FOrdered.Clear();
  if (TreeShown())
    BuildTree(Nodes, Shows);
  else
    FTree.Clear();
  FViewValid = true;
  if (KeepOn)
    PlaceCursorOn(KeepOn);
  else
    PlaceCursorAt(FCursor);
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

// A filter text that does not parse is refused before anything changes;
// TDataSet puts the old filter back and calls this again.
void TMemoryDataSet::FilterChanged() {
  TFilterProgram Program;
  if (GetFiltered()) Program = ParseMemoryFilter(GetFilter(), GetFieldDefs(), this);
  std::swap(FFilterProgram, Program);
  try {
    RebuildView(nullptr);
  } catch (...) {
    std::swap(FFilterProgram, Program);
    throw;
  }
}

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
  if (!GetActive()) return false;
  EnsureView();
  TMemRecord* Record = FindRecord(Bookmark);
  return Record && ViewNode(Record).Visible;
}

// By position in the current order over all records, ties by id; an empty
// bookmark comes after every real one, and two empty ones are equal. A
// deleted record, or any record while the dataset is closed, comes after the
// records in the order.
Integer TMemoryDataSet::CompareBookmarks(const TBookmark& B1, const TBookmark& B2) {
  if (B1.empty() || B2.empty()) return B1.empty() == B2.empty() ? 0 : (B1.empty() ? 1 : -1);
  Integer Id1 = 0;
  Integer Id2 = 0;
  if (!BookmarkToId(B1, Id1) || !BookmarkToId(B2, Id2)) return B1 < B2 ? -1 : (B1 == B2 ? 0 : 1);
  if (Id1 == Id2) return 0;
  if (GetActive()) EnsureView();
  auto Position = [this](Integer Id) {
    TMemRecord* Record = GetActive() ? FindRecord(Id) : nullptr;
    return Record ? View().RankOf(&ViewNode(Record)) : INT32_MAX;
  };
  const Integer Pos1 = Position(Id1);
  const Integer Pos2 = Position(Id2);
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

// The master's current key values, taken when the detail re-selects its
// records; a master field that does not exist raises.
void TMemoryDataSet::TakeMasterKey() {
  TMasterKey Key;
  Key.Active = FMasterLink->GetActive() && !FMasterFields.empty();
  if (Key.Active) {
    std::vector<TField*> MasterFields;
    FMasterLink->GetDataSet()->GetFieldList(MasterFields, FMasterFields);
    const String& DetailNames = FDetailFields.empty() ? FMasterFields : FDetailFields;
    Integer Pos = 1;
    for (TField* MasterField : MasterFields) {
      const Integer Index = GetFieldDefs()->IndexOf(ExtractFieldName(DetailNames, Pos));
      if (Index < 0) Key.Matchable = false;
      Key.Values.emplace_back(Index, MasterField->GetValue());
    }
  }
  FMasterKey = std::move(Key);
}

bool TMemoryDataSet::PassesMaster(const std::vector<Variant>& Data) const {
  if (!FMasterKey.Active) return true;
  if (!FMasterKey.Matchable) return false;
  for (const auto& [Index, Key] : FMasterKey.Values) {
    const Variant& Value = Data[std::size_t(Index)];
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

// [SECTION] Self-check

void TMemoryDataSet::CheckConsistency() const {
  inherited::CheckConsistency();
  // [Phase 1] The records and their sequences.
  Integer Live = 0;
  for (std::size_t Id = 0; Id < FById.size(); ++Id) {
    if (!FById[Id]) continue;
    ++Live;
    KV_ASSERT(FById[Id]->Id == Integer(Id), "a record sits at its id");
  }
  FStored.CheckConsistency();
  KV_ASSERT(FStored.GetCount() == Live, "storage order holds every record once");
  if (!FViewValid) return;
  if (Indexed()) {
    FOrdered.CheckConsistency();
    KV_ASSERT(FOrdered.GetCount() == Live, "index order holds every record once");
    for (Integer I = 1; I < FOrdered.GetCount(); ++I) {
      const TMemRecord* A = FOrdered.At(I - 1)->Record;
      const TMemRecord* B = FOrdered.At(I)->Record;
      const Integer C = CompareData(A->Data, B->Data);
      KV_ASSERT(C < 0 || (C == 0 && FStored.RankOf(&A->Stored) < FStored.RankOf(&B->Stored)),
                "index order sorts by key, then by storage order");
    }
  } else {
    KV_ASSERT(FOrdered.GetCount() == 0, "no index order without index fields");
  }
  // [Phase 2] The cursor.
  const TRankSequence& Seq = View();
  KV_ASSERT(FCursor >= -1 && FCursor <= Seq.GetVisibleCount(), "the cursor is in the view");
  KV_ASSERT(FCursorNode == Seq.VisibleAt(FCursor), "the cursor's node is at its position");
  // [Phase 3] What the window shows while browsing is what is stored.
  if (GetState() != dsBrowse) return;
  for (Integer I = 0; I < GetFilledBufferCount(); ++I) {
    const TRecordBuffer& Buffer = GetBufferAt(I);
    const TRankNode* Node = Seq.VisibleAt(Buffer.RecNo - 1);
    KV_ASSERT(Node, "each buffer holds a visible record");
    KV_ASSERT(Buffer.Bookmark == IdToBookmark(Node->Record->Id),
              "each buffer holds the record of its RecNo");
    for (std::size_t F = 0; F < Buffer.Data.size() && F < Node->Record->Data.size(); ++F)
      KV_ASSERT(VarSameValue(Buffer.Data[F], Node->Record->Data[F]),
                "each buffer holds the stored values");
  }
}

}  // namespace kvp
