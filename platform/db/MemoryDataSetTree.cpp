// The in-memory dataset's tree: how TMemoryDataSet lays its records out as a
// tree (BuildTree, from the order it would walk them in otherwise), and
// TMemoryTreeDataSet, which offers that tree to grids through IMemTableKv:
// rows read without moving the cursor, nodes expanded and collapsed, records
// moved, and the value lists of fields.
//
// Index
//   [SECTION] Layout          ResolveTreeFields, BuildTree, ShowInTree
//   [SECTION] Tree fields     SetTreeIdField, SetTreeParentField
//   [SECTION] Rows            FetchRecords, GetActiveRecord, row and bookmark lookups,
//                             SetActiveRecord, RestoreActiveRecord
//   [SECTION] Nodes           the node queries, SetNodeExpanded
//   [SECTION] Moving          MoveRecords
//   [SECTION] Value lists     TMemoryFieldValueList, GetFieldValueList
//   [SECTION] Self-check      CheckConsistency

#include "platform/db/MemoryDataSetTree.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

namespace kvp {

// TMemoryFieldValueList: the sorted distinct texts of one field over the
// records the master and the filter let through, read again after the stored
// values changed. It outlives its dataset as an empty list.
class TMemoryFieldValueList : public TInterfacedObject, public IMemTableDataFieldValueListKv {
  KV_CLASS(TMemoryFieldValueList, TInterfacedObject)
 public:
  TStrings* GetValues() override;

  TMemoryTreeDataSet* FDataSet = nullptr;  // null once the dataset is gone
  String FFieldName;

 protected:
  void Construct() override {
    inherited::Construct();
    FValues.reset(TStringList::Create());
    FValues->SetSorted(true);
    FValues->SetDuplicates(dupIgnore);
  }

 private:
  TObjectPtr<TStringList> FValues;
  Integer FVersion = -1;  // the dataset's data version the values were read at
};

// [SECTION] Layout

void TMemoryDataSet::ResolveTreeFields() {
  FTreeIdDef = FTreeParentDef = -1;
  if (FTreeIdField.empty() || FTreeParentField.empty()) return;
  const Integer IdDef = GetFieldDefs()->IndexOf(FTreeIdField);
  if (IdDef < 0) DatabaseError(DBMessage("Field '%s' not found", {FTreeIdField}), this);
  const Integer ParentDef = GetFieldDefs()->IndexOf(FTreeParentField);
  if (ParentDef < 0) DatabaseError(DBMessage("Field '%s' not found", {FTreeParentField}), this);
  FTreeIdDef = IdDef;
  FTreeParentDef = ParentDef;
}

namespace {

// The text that matches a parent value to an id value; false for a null.
bool TreeKey(const Variant& Value, String& Key) {
  if (VarIsNull(Value) || VarIsEmpty(Value)) return false;
  try {
    Key = VarToStr(Value);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

}  // namespace

// Depth first from the roots in base order. The first shown record with an
// id is the one its children hang under; a parent value that names no shown
// record makes a root. A record on a cycle of parents is reached from no root:
// the first such record in base order becomes a root, so that no record is
// lost. Records the master or the filter hides go last, hidden.
void TMemoryDataSet::BuildTree(const std::vector<TRankNode*>& BaseOrder,
                               const std::vector<char>& Shows) {
  // [Phase 1] Ids, and every node reset.
  const std::size_t N = BaseOrder.size();
  std::unordered_map<String, std::size_t> ById;
  ById.reserve(N);
  for (std::size_t I = 0; I < N; ++I) {
    TMemRecord* R = BaseOrder[I]->Record;
    R->TreeParent = nullptr;
    R->TreeLevel = 0;
    R->TreeChildCount = 0;
    R->TreeHasNext = false;
    String Key;
    if (Shows[I] && TreeKey(R->Data[std::size_t(FTreeIdDef)], Key)) ById.emplace(Key, I);
  }
  // [Phase 2] Parents and the children of each, in base order.
  std::vector<std::vector<std::size_t>> Children(N);
  for (std::size_t I = 0; I < N; ++I) {
    if (!Shows[I]) continue;
    TMemRecord* R = BaseOrder[I]->Record;
    String Key;
    if (!TreeKey(R->Data[std::size_t(FTreeParentDef)], Key)) continue;
    auto It = ById.find(Key);
    if (It == ById.end() || It->second == I) continue;
    R->TreeParent = BaseOrder[It->second]->Record;
    Children[It->second].push_back(I);
  }
  // [Phase 3] Depth first from each root; a node shows when its parent shows
  // and is expanded.
  std::vector<TRankNode*> Order;
  std::vector<char> Visible;
  Order.reserve(N);
  Visible.reserve(N);
  std::vector<char> Done(N, 0);
  TMemRecord* LastRoot = nullptr;
  struct TPending {
    std::size_t Index;
    bool Shows;
  };
  std::vector<TPending> Stack;
  std::vector<std::size_t> Kids;
  auto Walk = [&](std::size_t Root) {
    TMemRecord* R = BaseOrder[Root]->Record;
    R->TreeParent = nullptr;
    R->TreeLevel = 1;
    if (LastRoot) LastRoot->TreeHasNext = true;
    LastRoot = R;
    Done[Root] = 1;
    Stack.push_back({Root, true});
    while (!Stack.empty()) {
      const TPending P = Stack.back();
      Stack.pop_back();
      TMemRecord* X = BaseOrder[P.Index]->Record;
      Order.push_back(&X->Tree);
      Visible.push_back(P.Shows);
      Kids.clear();
      for (std::size_t C : Children[P.Index])
        if (!Done[C] && BaseOrder[C]->Record->TreeParent == X) Kids.push_back(C);
      X->TreeChildCount = Integer(Kids.size());
      for (std::size_t K = Kids.size(); K-- > 0;) {
        TMemRecord* Kid = BaseOrder[Kids[K]]->Record;
        Kid->TreeLevel = X->TreeLevel + 1;
        Kid->TreeHasNext = K + 1 < Kids.size();
        Done[Kids[K]] = 1;
        Stack.push_back({Kids[K], P.Shows && X->TreeExpanded});
      }
    }
  };
  // The records on cycles are found first (those no root reaches), so that
  // the roots come in base order whichever kind they are.
  std::vector<std::size_t> Reach;
  auto Mark = [&](std::size_t Root) {
    Done[Root] = 1;
    Reach.assign(1, Root);
    while (!Reach.empty()) {
      const std::size_t X = Reach.back();
      Reach.pop_back();
      for (std::size_t C : Children[X])
        if (!Done[C] && BaseOrder[C]->Record->TreeParent == BaseOrder[X]->Record) {
          Done[C] = 1;
          Reach.push_back(C);
        }
    }
  };
  for (std::size_t I = 0; I < N; ++I)
    if (Shows[I] && !BaseOrder[I]->Record->TreeParent) Mark(I);
  for (std::size_t I = 0; I < N; ++I)
    if (Shows[I] && !Done[I]) {
      BaseOrder[I]->Record->TreeParent = nullptr;
      Mark(I);
    }
  std::fill(Done.begin(), Done.end(), 0);
  for (std::size_t I = 0; I < N; ++I)
    if (Shows[I] && !BaseOrder[I]->Record->TreeParent) Walk(I);
  // [Phase 4] The hidden records, and the order taken.
  for (std::size_t I = 0; I < N; ++I) {
    if (Shows[I]) continue;
    Order.push_back(&BaseOrder[I]->Record->Tree);
    Visible.push_back(0);
  }
  FTree.Assign(Order, Visible);
}

void TMemoryDataSet::ShowInTree(TMemRecord* Record) {
  RebuildView(Record);
  if (Record->Tree.Visible || Record->TreeLevel == 0) return;
  for (TMemRecord* P = Record->TreeParent; P; P = P->TreeParent) P->TreeExpanded = true;
  RebuildView(Record);
}

// [SECTION] Tree fields

void TMemoryTreeDataSet::KvPublish(TPublisher<TMemoryTreeDataSet>& P) {
  P.Prop("TreeIdField", &TMemoryTreeDataSet::GetTreeIdField, &TMemoryTreeDataSet::SetTreeIdField);
  P.Prop("TreeParentField", &TMemoryTreeDataSet::GetTreeParentField,
         &TMemoryTreeDataSet::SetTreeParentField);
}

namespace {

// Sets one of the tree's field names; while open the view is laid out again,
// and a name the definitions lack leaves everything as it was.
void SetTreeName(TMemoryTreeDataSet* DataSet, String& Name, const String& Value,
                 const std::function<void()>& Relayout) {
  if (Name == Value) return;
  if (!DataSet->GetActive()) {
    Name = Value;
    return;
  }
  DataSet->CheckBrowseMode();
  const String Old = Name;
  Name = Value;
  try {
    Relayout();
  } catch (...) {
    Name = Old;
    Relayout();
    throw;
  }
}

}  // namespace

void TMemoryTreeDataSet::SetTreeIdField(const String& Value) {
  SetTreeName(this, FTreeIdField, Value, [this] {
    ResolveTreeFields();
    ViewChanged(CurrentRecord());
  });
}

void TMemoryTreeDataSet::SetTreeParentField(const String& Value) {
  SetTreeName(this, FTreeParentField, Value, [this] {
    ResolveTreeFields();
    ViewChanged(CurrentRecord());
  });
}

void TMemoryTreeDataSet::ViewChanged(TMemRecord* Current) {
  RebuildView(Current);
  ResyncView();
}

void TMemoryTreeDataSet::Destroy() {
  for (auto& [Name, List] : FValueLists)
    if (auto* L = dynamic_cast<TMemoryFieldValueList*>(List.Get())) L->FDataSet = nullptr;
  FValueLists.clear();
  inherited::Destroy();
}

void TMemoryTreeDataSet::InternalClose() {
  FReadStack.clear();
  SetReadBuffer(nullptr);
  inherited::InternalClose();
}

// [SECTION] Rows

void TMemoryTreeDataSet::FetchRecords(Integer /*Count*/) {}  // every record is in memory

TMemRecord* TMemoryTreeDataSet::CurrentRecord() {
  if (!GetActive() || GetFilledBufferCount() == 0) return nullptr;
  return FindRecord(GetBufferAt(TDataSet::GetActiveRecord()).Bookmark);
}

TMemRecord* TMemoryTreeDataSet::FocusedRecord() {
  if (!FReadStack.empty() && FReadStack.back()) return FindRecord(FReadStack.back()->Bookmark);
  return CurrentRecord();
}

TMemRecord* TMemoryTreeDataSet::RecordAtRow(Integer Index) {
  if (!GetActive()) return nullptr;
  EnsureView();
  const TRankNode* Node = View().VisibleAt(Index);
  return Node ? Node->Record : nullptr;
}

Integer TMemoryTreeDataSet::RowOf(TMemRecord* Record) {
  if (!Record || !GetActive()) return -1;
  EnsureView();
  const TRankNode& Node = ViewNode(Record);
  return Node.Visible ? View().VisibleRankOf(&Node) : -1;
}

// The row of the record being inserted is the row it was inserted at.
Integer TMemoryTreeDataSet::GetActiveRecord() {
  if (!GetActive() || GetFilledBufferCount() == 0) return -1;
  const TRecordBuffer& Buffer = GetBufferAt(TDataSet::GetActiveRecord());
  if (Buffer.Flag == bfInserted) {
    const Integer Before = RowOf(FindRecord(GetInsertBefore()));
    return Before >= 0 && !GetInsertAppend() ? Before : GetRecordCount() - 1;
  }
  return RowOf(FindRecord(Buffer.Bookmark));
}

Integer TMemoryTreeDataSet::GetRecordIndexByBookmark(const TBookmark& Bookmark) {
  return RowOf(FindRecord(Bookmark));
}

TBookmark TMemoryTreeDataSet::GetBookmarkByRecordIndex(Integer Index) {
  TMemRecord* Record = RecordAtRow(Index);
  return Record ? IdToBookmark(Record->Id) : TBookmark();
}

Integer TMemoryTreeDataSet::GetParentRecordIndex(Integer Index) {
  TMemRecord* Record = RecordAtRow(Index);
  return Record && TreeShown() ? RowOf(Record->TreeParent) : -1;
}

void TMemoryTreeDataSet::FillReadBuffer(TRecordBuffer& Buffer, TMemRecord* Record) {
  InitBufferShape(Buffer);
  if (!Record) {
    std::fill(Buffer.Data.begin(), Buffer.Data.end(), Null());
    std::fill(Buffer.Calc.begin(), Buffer.Calc.end(), Null());
    Buffer.Bookmark.clear();
    Buffer.RecNo = -1;
    Buffer.Flag = bfEOF;
    return;
  }
  const Integer Row = RowOf(Record);
  FillBuffer(Buffer, Record, Row);
  Buffer.Flag = bfCurrent;
  Buffer.MarkAllRead();
  CalculateFields(Buffer);
}

// The dataset's own current row reads its window buffer, so that a record
// being edited shows what was typed.
void TMemoryTreeDataSet::SetActiveRecord(Integer Index) {
  std::unique_ptr<TRecordBuffer> Buffer;
  if (!GetActive() || Index != GetActiveRecord() || GetFilledBufferCount() == 0) {
    Buffer = std::make_unique<TRecordBuffer>();
    if (GetActive()) FillReadBuffer(*Buffer, RecordAtRow(Index));
  }
  FReadStack.push_back(std::move(Buffer));
  SetReadBuffer(FReadStack.back().get());
}

void TMemoryTreeDataSet::RestoreActiveRecord() {
  if (!FReadStack.empty()) FReadStack.pop_back();
  SetReadBuffer(FReadStack.empty() ? nullptr : FReadStack.back().get());
}

// [SECTION] Nodes

bool TMemoryTreeDataSet::GetTreeViewMode() { return GetActive() && TreeShown(); }

bool TMemoryTreeDataSet::GetNodeExpanded() {
  TMemRecord* Record = TreeShown() ? FocusedRecord() : nullptr;
  return Record && Record->TreeExpanded;
}

bool TMemoryTreeDataSet::GetNodeHasChildren() { return GetNodeChildCount() > 0; }

Integer TMemoryTreeDataSet::GetNodeChildCount() {
  TMemRecord* Record = TreeShown() ? FocusedRecord() : nullptr;
  return Record ? Record->TreeChildCount : 0;
}

Integer TMemoryTreeDataSet::GetNodeLevel() {
  if (!TreeShown()) return 1;
  TMemRecord* Record = FocusedRecord();
  return Record && Record->TreeLevel > 0 ? Record->TreeLevel : 1;
}

bool TMemoryTreeDataSet::GetNodeHasNextSibling(Integer Level) {
  TMemRecord* Record = TreeShown() ? FocusedRecord() : nullptr;
  if (!Record || Level < 1 || Level > Record->TreeLevel) return false;
  while (Record && Record->TreeLevel > Level) Record = Record->TreeParent;
  return Record && Record->TreeHasNext;
}

Integer TMemoryTreeDataSet::GetNextNodeLevel() {
  TMemRecord* Record = TreeShown() ? FocusedRecord() : nullptr;
  if (!Record || !Record->Tree.Visible) return -1;
  const TRankNode* Next = FTree.NextVisible(&Record->Tree);
  return Next ? Next->Record->TreeLevel : -1;
}

// A dropped record may become a child of the record it is dropped at.
Integer TMemoryTreeDataSet::GetTreeLevelLimit() {
  if (!TreeShown()) return 0;
  TMemRecord* Record = FocusedRecord();
  return Record ? Record->TreeLevel + 1 : 1;
}

void TMemoryTreeDataSet::SetNodeExpanded(Integer RecIndex, bool Expanded) {
  if (!GetActive() || !TreeShown()) return;
  TMemRecord* Node = RecordAtRow(RecIndex);
  if (!Node || Node->TreeExpanded == Expanded) return;
  const TBookmark Mark = IdToBookmark(Node->Id);
  CheckBrowseMode();  // a post may lay the rows out again
  Node = FindRecord(Mark);
  if (!Node) return;
  TMemRecord* Current = CurrentRecord();
  Node->TreeExpanded = Expanded;
  RebuildView(nullptr);
  // A collapse that hid the current record makes its collapsed ancestor current.
  if (Current && !Current->Tree.Visible) Current = Node;
  if (Current) PlaceCursorOn(Current);
  ResyncView();
}

// [SECTION] Moving

bool TMemoryTreeDataSet::MoveRecords(const std::vector<TBookmark>& Bookmarks, Integer ToIndex,
                                     Integer TreeLevel, bool CheckOnly) {
  // [Phase 1] The records, the target, and where they go relative to it.
  if (!GetActive() || !GetCanModify() || Bookmarks.empty()) return false;
  if (!TreeShown() && Indexed()) return false;  // the key orders them
  TMemRecord* Target = RecordAtRow(ToIndex);
  if (!Target) return false;
  std::vector<TMemRecord*> Moved;
  std::unordered_set<TMemRecord*> MovedSet;
  for (const TBookmark& Bookmark : Bookmarks) {
    TMemRecord* Record = FindRecord(Bookmark);
    if (!Record || RowOf(Record) < 0) return false;
    if (MovedSet.insert(Record).second) Moved.push_back(Record);
  }
  std::sort(Moved.begin(), Moved.end(),
            [this](TMemRecord* A, TMemRecord* B) { return RowOf(A) < RowOf(B); });
  // A record moved with an ancestor moves as part of that ancestor's subtree.
  auto UnderMoved = [&MovedSet](TMemRecord* R) {
    for (; R; R = R->TreeParent)
      if (MovedSet.count(R)) return true;
    return false;
  };
  if (UnderMoved(Target)) return false;
  std::vector<TMemRecord*> Tops;
  for (TMemRecord* R : Moved)
    if (!TreeShown() || !UnderMoved(R->TreeParent)) Tops.push_back(R);
  const bool After = RowOf(Target) > RowOf(Moved.front());
  // [Phase 2] In the tree: the new parent and the sibling they go beside.
  TMemRecord* Parent = nullptr;
  TMemRecord* Beside = Target;  // null: first among Parent's children
  bool Before = !After;
  if (TreeShown()) {
    const Integer Level = TreeLevel < 1 ? Target->TreeLevel : TreeLevel;
    if (Level > Target->TreeLevel) {
      Parent = Target;
      Beside = nullptr;
    } else {
      while (Beside->TreeLevel > Level) Beside = Beside->TreeParent;
      Parent = Beside->TreeParent;
    }
  }
  if (CheckOnly) return true;
  // [Phase 3] A pending edit is posted; then nothing below can fail.
  TMemRecord* Current = nullptr;
  {
    const TBookmark TargetMark = IdToBookmark(Target->Id);
    CheckBrowseMode();
    if (!FindRecord(TargetMark)) return false;
    Current = CurrentRecord();
  }
  // [Phase 4] Storage order: the moved records beside their new sibling.
  if (!Indexed()) {
    if (!Beside) {
      // First child: before the earliest stored child of the parent.
      Before = true;
      for (Integer I = FTree.RankOf(&Parent->Tree) + 1; I < FTree.GetCount(); ++I) {
        TMemRecord* N = FTree.At(I)->Record;
        if (N->TreeLevel <= Parent->TreeLevel) break;
        if (N->TreeParent == Parent && !MovedSet.count(N)) {
          Beside = N;
          break;
        }
      }
    }
    if (Beside) {
      for (TMemRecord* R : Tops) FStored.Erase(&R->Stored);
      Integer Rank = FStored.RankOf(&Beside->Stored) + (Before ? 0 : 1);
      for (TMemRecord* R : Tops) FStored.InsertAt(&R->Stored, Rank++);
    }
  }
  // [Phase 5] The new parent, written into the records at the top of the move.
  if (TreeShown()) {
    const Variant ParentId = Parent ? Parent->Data[std::size_t(FTreeIdDef)] : Null();
    for (TMemRecord* R : Tops) R->Data[std::size_t(FTreeParentDef)] = ParentId;
    for (TMemRecord* P = Parent; P; P = P->TreeParent) P->TreeExpanded = true;
  }
  ++FDataVersion;
  // [Phase 6] The view laid out again on the current record.
  FViewValid = false;
  EnsureView();
  if (Current && ViewNode(Current).Visible) PlaceCursorOn(Current);
  ResyncView();
  return true;
}

// [SECTION] Value lists

TStrings* TMemoryFieldValueList::GetValues() {
  if (!FDataSet || !FDataSet->ReadFieldValues(FFieldName, FValues.get(), FVersion)) {
    FValues->Clear();
    FVersion = -1;
  }
  return FValues.get();
}

// Each record's values go into a buffer of their own that the field reads,
// so that the cursor and the window stay where they are.
bool TMemoryTreeDataSet::ReadFieldValues(const String& FieldName, TStrings* Values,
                                         Integer& Version) {
  TField* Field = GetActive() ? FindField(FieldName) : nullptr;
  if (!Field) return false;
  if (Version == FDataVersion) return true;
  Values->Clear();
  EnsureView();
  TRecordBuffer Buffer;
  struct TRestore {
    TMemoryTreeDataSet* D;
    ~TRestore() { D->SetReadBuffer(D->FReadStack.empty() ? nullptr : D->FReadStack.back().get()); }
  } Restore{this};
  SetReadBuffer(&Buffer);
  for (const TRankNode* N = BaseView().FirstVisible(); N; N = BaseView().NextVisible(N)) {
    InitBufferShape(Buffer);
    FillBuffer(Buffer, N->Record, -1);
    Buffer.MarkAllRead();
    CalculateFields(Buffer);
    if (!Field->IsNull()) Values->Add(Field->GetAsString());
  }
  Version = FDataVersion;
  return true;
}

IMemTableDataFieldValueListKv* TMemoryTreeDataSet::GetFieldValueList(const String& FieldName) {
  auto It = FValueLists.find(FieldName);
  if (It != FValueLists.end()) return It->second.Get();
  TMemoryFieldValueList* List = TMemoryFieldValueList::Create();
  TInterfacePtr<IMemTableDataFieldValueListKv> Held(List);
  List->FDataSet = this;
  List->FFieldName = FieldName;
  return FValueLists.emplace(FieldName, std::move(Held)).first->second.Get();
}

// [SECTION] Self-check

void TMemoryTreeDataSet::CheckConsistency() const {
  inherited::CheckConsistency();
  if (!GetActive() || !FViewValid || !TreeShown()) return;
  FTree.CheckConsistency();
  KV_ASSERT(FTree.GetCount() == FStored.GetCount(), "tree order holds every record once");
  std::unordered_set<const TMemRecord*> Seen;
  for (Integer I = 0; I < FTree.GetCount(); ++I) {
    const TMemRecord* R = FTree.At(I)->Record;
    if (R->TreeLevel == 0) {
      KV_ASSERT(!R->Tree.Visible, "a record in no tree is hidden");
      continue;
    }
    const TMemRecord* P = R->TreeParent;
    KV_ASSERT(!P || Seen.count(P), "a parent comes before its children");
    KV_ASSERT(R->TreeLevel == (P ? P->TreeLevel + 1 : 1), "a level is one below the parent's");
    KV_ASSERT(!R->Tree.Visible || !P || (P->Tree.Visible && P->TreeExpanded),
              "a node shows only under a shown, expanded parent");
    Seen.insert(R);
  }
}

}  // namespace kvp
