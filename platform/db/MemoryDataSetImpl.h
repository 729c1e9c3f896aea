// Implementation detail of TMemoryDataSet, not API: the record, the ordered
// sequences the records sit in (storage order and index order), and the
// compiled filter text. A sequence answers "which record is n-th" and "where
// is this record" in O(log n), over all its records or over the visible ones
// only, so that posting, deleting and re-keying a record never rebuilds the
// view and a cursor steps from record to record in amortised O(1).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/db/DBCommon.h"
#include "platform/rtl/Variants.h"

namespace kvp {

struct TMemRecord;
class TFieldDefs;

// TRankNode: a record's place in one TRankSequence; it lives inside the record.
struct TRankNode {
  TRankNode* Left = nullptr;
  TRankNode* Right = nullptr;
  TRankNode* Parent = nullptr;  // null for the root and for a node in no sequence
  TMemRecord* Record = nullptr;
  std::uint32_t Priority = 0;  // heap order of the treap: a parent's is never lower
  Integer Size = 1;            // nodes in this subtree
  Integer VisibleCount = 0;    // visible nodes in this subtree
  bool Visible = false;        // the record passes the master and the filter
};

// TRankSequence: an ordered sequence of nodes, kept as a treap keyed by
// position with subtree sizes. Every operation is O(log n) expected; stepping
// to the next or prior visible node is amortised O(1) along a walk. The nodes
// are owned by their records: the sequence allocates nothing, so that no
// operation but Assign can fail once its arguments are known.
class TRankSequence {
 public:
  Integer GetCount() const { return FRoot ? FRoot->Size : 0; }
  Integer GetVisibleCount() const { return FRoot ? FRoot->VisibleCount : 0; }
  // Node (not in any sequence, with Visible set) becomes the Rank-th node.
  void InsertAt(TRankNode* Node, Integer Rank);
  void Erase(TRankNode* Node);
  void SetVisible(TRankNode* Node, bool Visible);
  // The node's position among all nodes / the number of visible nodes before it.
  Integer RankOf(const TRankNode* Node) const;
  Integer VisibleRankOf(const TRankNode* Node) const;
  TRankNode* At(Integer Rank) const;
  TRankNode* VisibleAt(Integer Rank) const;  // null outside 0 .. VisibleCount - 1
  TRankNode* FirstVisible() const;
  TRankNode* LastVisible() const;
  TRankNode* NextVisible(const TRankNode* Node) const;
  TRankNode* PriorVisible(const TRankNode* Node) const;
  // Where a new node goes in a sequence ordered by some key: GoesAfter(X) is
  // true for every node before the place and false for every node after it.
  template <class TPredicate>
  Integer FindRank(TPredicate GoesAfter) const;
  // Makes the sequence exactly Nodes, in that order, with their visible flags
  // from Visible (one per node), in O(n). It allocates before it changes
  // anything, so a failure to allocate leaves the sequence as it was.
  void Assign(const std::vector<TRankNode*>& Nodes, const std::vector<char>& Visible);
  // Every node in order.
  void Collect(std::vector<TRankNode*>& Nodes) const;
  void Clear() { FRoot = nullptr; }
  // Raises EAssertionFailed naming the first broken invariant: links, sizes,
  // visible counts and the heap order of the priorities.
  void CheckConsistency() const;

 private:
  TRankNode* FRoot = nullptr;
};

template <class TPredicate>
Integer TRankSequence::FindRank(TPredicate GoesAfter) const {
  Integer Rank = 0;
  for (const TRankNode* X = FRoot; X;) {
    if (GoesAfter(X)) {
      Rank += (X->Left ? X->Left->Size : 0) + 1;
      X = X->Right;
    } else {
      X = X->Left;
    }
  }
  return Rank;
}

// TMemRecord: one stored record with its places in storage order, in index
// order (used only while the dataset has index fields) and in tree order
// (used only while its records show as a tree), and its node in that tree.
struct TMemRecord {
  Integer Id = 0;             // stable identity; the bookmark's bytes
  std::vector<Variant> Data;  // one value per field definition
  TRankNode Stored;           // place in storage order
  TRankNode Ordered;          // place in index order
  TRankNode Tree;             // place in tree order: depth first, children in
                              // storage or index order, hidden records last
  // The node, as the last build of the tree left it; a record the master or
  // the filter hides is in no tree (level 0).
  TMemRecord* TreeParent = nullptr;  // null for a root
  Integer TreeLevel = 0;             // 1 for a root
  Integer TreeChildCount = 0;
  bool TreeHasNext = false;   // a later sibling follows it
  bool TreeExpanded = false;  // its children show; kept across builds
};

// The filter text, parsed once: alternatives joined by 'or', each a list of
// conditions joined by 'and'; a condition is a comparison, a LIKE pattern or
// a group in parentheses.
enum TFilterOperator {
  foEqual,
  foNotEqual,
  foLess,
  foGreater,
  foLessEqual,
  foGreaterEqual,
  foLike,
  foNotLike
};

struct TFilterProgram;

struct TFilterCondition {
  Integer FieldIndex = 0;  // definition index of the field compared
  TFilterOperator Op = foEqual;
  Variant Value;                                // a string, a Double or Null
  std::shared_ptr<const TFilterProgram> Group;  // set for a group; the rest is then unused
};

struct TFilterProgram {
  std::vector<std::vector<TFilterCondition>> Alternatives;  // empty: no condition
};

// Parses "Name op value [and|or ...]". A value is a quoted string (a quote
// inside it doubled), a number or null; "Name like 'pattern'" and "Name not
// like 'pattern'" take a quoted pattern; a condition may be a group of
// conditions in parentheses. Anything else, text left after a value, or a
// field the definitions lack raises EDatabaseError in Owner's name.
TFilterProgram ParseMemoryFilter(const String& Text, const TFieldDefs* Defs, TComponent* Owner);
// Whether a record's values pass the program under the filter options.
bool MemoryFilterAccepts(const TFilterProgram& Program, const std::vector<Variant>& Data,
                         TFilterOptions Options);

}  // namespace kvp
