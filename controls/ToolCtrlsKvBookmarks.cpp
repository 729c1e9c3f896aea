// The sorted list of dataset bookmarks behind the grid's record selection.
#include "base/KorvelVCL.h"
#include "controls/ToolCtrlsKv.h"

namespace korvel {

using namespace kvp;

namespace {
const char* const SClosedDataSet = "Cannot perform this operation on a closed dataset";
}

void TBMListKv::Construct() {
  inherited::Construct();
  FList.reset(TStringList::Create());
  FList->OnChange = TNotifyEvent(this, &TBMListKv::ListChanged);
}

void TBMListKv::Destroy() {
  if (FList) {
    Clear();
    SelectionChanged();
  }
  FList.reset();
  inherited::Destroy();
}

void TBMListKv::RaiseError(const String& Message) { throw Exception(Message); }

void TBMListKv::InvalidateCache() {
  FCacheKey.clear();
  FCacheFind = false;
  FCacheIndex = -1;
}

TBookmark TBMListKv::GetCurrentBookmark() {
  if (!FLinked) RaiseError(SClosedDataSet);
  return GetDataSet()->GetBookmark();
}

Integer TBMListKv::Compare(const TBookmark& A, const TBookmark& B) {
  return DataSetCompareBookmarks(GetDataSet(), A, B);
}

// A binary search with the dataset's comparison; the answer is kept, so that
// asking again about the same bookmark costs one string comparison.
bool TBMListKv::Find(const TBookmark& Item, Integer& Index) {
  if (FCacheIndex >= 0 && Item == FCacheKey) {
    Index = FCacheIndex;
    return FCacheFind;
  }
  Integer Low = 0, High = FList->GetCount() - 1;
  bool Found = false;
  while (Low <= High) {
    const Integer Middle = (Low + High) >> 1;
    const Integer C = Compare(FList->Get(Middle), Item);
    if (C >= 0) {
      High = Middle - 1;
      if (C == 0) {
        Found = true;
        Low = Middle;
      }
    } else {
      Low = Middle + 1;
    }
  }
  Index = Low;
  FCacheKey = Item;
  FCacheIndex = Low;
  FCacheFind = Found;
  return Found;
}

Integer TBMListKv::IndexOf(const TBookmark& Item) {
  Integer Index = -1;
  return Find(Item, Index) ? Index : -1;
}

bool TBMListKv::GetCurrentRowSelected() {
  Integer Index = 0;
  return Find(GetCurrentBookmark(), Index);
}

void TBMListKv::SetCurrentRowSelected(bool Value) {
  const TBookmark Current = GetCurrentBookmark();
  if (Current.empty()) return;
  Integer Index = 0;
  if (Find(Current, Index) == Value) return;
  if (Value)
    FList->Insert(Index, Current);
  else
    FList->Delete(Index);
}

void TBMListKv::Clear() {
  if (FList->GetCount() == 0) return;
  FList->Clear();
  SelectionChanged();
  Invalidate();
}

void TBMListKv::Delete() {
  TDataSet* DataSet = GetDataSet();
  {
    TDisableControlsGuard Disabled(DataSet);
    for (Integer I = FList->GetCount() - 1; I >= 0; --I) {
      const TBookmark Bookmark = FList->Get(I);
      if (!Bookmark.empty() && DataSet->BookmarkValid(Bookmark)) {
        DataSet->SetBookmark(Bookmark);
        DataSet->Delete();
      }
      FList->Delete(I);
    }
  }
  SelectionChanged();
}

bool TBMListKv::Refresh() {
  TDataSet* DataSet = GetDataSet();
  bool Dropped = false;
  for (Integer I = FList->GetCount() - 1; I >= 0; --I) {
    if (DataSet && DataSet->BookmarkValid(FList->Get(I))) continue;
    FList->Delete(I);
    Dropped = true;
  }
  if (Dropped) SelectionChanged();
  return Dropped;
}

void TBMListKv::LinkActive(bool Value) {
  Clear();
  SelectionChanged();
  FLinked = Value;
}

void TBMListKv::CheckConsistency() {
  for (Integer I = 0; I < FList->GetCount(); ++I) {
    KV_ASSERT(!FList->Get(I).empty(), "a listed bookmark is empty");
    if (I > 0)
      KV_ASSERT(Compare(FList->Get(I - 1), FList->Get(I)) < 0,
                "bookmarks are strictly in the dataset's order");
  }
}

}  // namespace korvel
