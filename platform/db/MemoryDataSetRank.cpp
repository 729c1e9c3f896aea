// TRankSequence: the treap under the in-memory dataset's storage order and
// index order. Split and merge keep subtree sizes, visible counts and parent
// links; positions are found by walking up from a node, nodes by walking down
// from the root.

#include <algorithm>

#include "platform/db/MemoryDataSetImpl.h"

namespace kvp {

namespace {

Integer SizeOf(const TRankNode* N) { return N ? N->Size : 0; }
Integer VisibleOf(const TRankNode* N) { return N ? N->VisibleCount : 0; }

// Recomputes N's counts from its children and makes them point back at it.
void Update(TRankNode* N) {
  N->Size = 1 + SizeOf(N->Left) + SizeOf(N->Right);
  N->VisibleCount = (N->Visible ? 1 : 0) + VisibleOf(N->Left) + VisibleOf(N->Right);
  if (N->Left) N->Left->Parent = N;
  if (N->Right) N->Right->Parent = N;
}

// Splits T into its first K nodes (A) and the rest (B).
void Split(TRankNode* T, Integer K, TRankNode*& A, TRankNode*& B) {
  if (!T) {
    A = B = nullptr;
    return;
  }
  if (SizeOf(T->Left) < K) {
    Split(T->Right, K - SizeOf(T->Left) - 1, T->Right, B);
    A = T;
  } else {
    Split(T->Left, K, A, T->Left);
    B = T;
  }
  Update(T);
}

// Joins A and B (every node of A before every node of B).
TRankNode* Merge(TRankNode* A, TRankNode* B) {
  if (!A) return B;
  if (!B) return A;
  if (A->Priority > B->Priority) {
    A->Right = Merge(A->Right, B);
    Update(A);
    return A;
  }
  B->Left = Merge(A, B->Left);
  Update(B);
  return B;
}

// The first visible node of the subtree N, or null.
TRankNode* FirstVisibleIn(TRankNode* N) {
  while (N && N->VisibleCount > 0) {
    if (VisibleOf(N->Left) > 0)
      N = N->Left;
    else if (N->Visible)
      return N;
    else
      N = N->Right;
  }
  return nullptr;
}

TRankNode* LastVisibleIn(TRankNode* N) {
  while (N && N->VisibleCount > 0) {
    if (VisibleOf(N->Right) > 0)
      N = N->Right;
    else if (N->Visible)
      return N;
    else
      N = N->Left;
  }
  return nullptr;
}

void Fix(TRankNode* N) {
  if (!N) return;
  Fix(N->Left);
  Fix(N->Right);
  Update(N);
}

}  // namespace

void TRankSequence::InsertAt(TRankNode* Node, Integer Rank) {
  Node->Left = Node->Right = Node->Parent = nullptr;
  Update(Node);
  TRankNode* A = nullptr;
  TRankNode* B = nullptr;
  Split(FRoot, std::clamp(Rank, 0, GetCount()), A, B);
  FRoot = Merge(Merge(A, Node), B);
  FRoot->Parent = nullptr;
}

void TRankSequence::Erase(TRankNode* Node) {
  TRankNode* Joined = Merge(Node->Left, Node->Right);
  TRankNode* Parent = Node->Parent;
  if (Joined) Joined->Parent = Parent;
  if (!Parent)
    FRoot = Joined;
  else if (Parent->Left == Node)
    Parent->Left = Joined;
  else
    Parent->Right = Joined;
  const Integer Visible = Node->Visible ? 1 : 0;
  for (TRankNode* X = Parent; X; X = X->Parent) {
    X->Size -= 1;
    X->VisibleCount -= Visible;
  }
  Node->Left = Node->Right = Node->Parent = nullptr;
  Node->Size = 1;
  Node->VisibleCount = Visible;
}

void TRankSequence::SetVisible(TRankNode* Node, bool Visible) {
  if (Node->Visible == Visible) return;
  Node->Visible = Visible;
  const Integer Delta = Visible ? 1 : -1;
  for (TRankNode* X = Node; X; X = X->Parent) X->VisibleCount += Delta;
}

Integer TRankSequence::RankOf(const TRankNode* Node) const {
  Integer Rank = SizeOf(Node->Left);
  for (const TRankNode* X = Node; X->Parent; X = X->Parent)
    if (X == X->Parent->Right) Rank += SizeOf(X->Parent->Left) + 1;
  return Rank;
}

Integer TRankSequence::VisibleRankOf(const TRankNode* Node) const {
  Integer Rank = VisibleOf(Node->Left);
  for (const TRankNode* X = Node; X->Parent; X = X->Parent)
    if (X == X->Parent->Right)
      Rank += VisibleOf(X->Parent->Left) + (X->Parent->Visible ? 1 : 0);
  return Rank;
}

TRankNode* TRankSequence::At(Integer Rank) const {
  if (Rank < 0 || Rank >= GetCount()) return nullptr;
  TRankNode* X = FRoot;
  for (;;) {
    const Integer Left = SizeOf(X->Left);
    if (Rank < Left) {
      X = X->Left;
    } else if (Rank == Left) {
      return X;
    } else {
      Rank -= Left + 1;
      X = X->Right;
    }
  }
}

TRankNode* TRankSequence::VisibleAt(Integer Rank) const {
  if (Rank < 0 || Rank >= GetVisibleCount()) return nullptr;
  TRankNode* X = FRoot;
  for (;;) {
    const Integer Left = VisibleOf(X->Left);
    if (Rank < Left) {
      X = X->Left;
      continue;
    }
    Rank -= Left;
    if (X->Visible) {
      if (Rank == 0) return X;
      --Rank;
    }
    X = X->Right;
  }
}

TRankNode* TRankSequence::FirstVisible() const { return FirstVisibleIn(FRoot); }
TRankNode* TRankSequence::LastVisible() const { return LastVisibleIn(FRoot); }

// The first visible node of the right subtree, else of the first ancestor
// reached from its left side (that ancestor itself, or its right subtree).
TRankNode* TRankSequence::NextVisible(const TRankNode* Node) const {
  if (TRankNode* Below = FirstVisibleIn(Node->Right)) return Below;
  for (const TRankNode* X = Node; X->Parent; X = X->Parent) {
    TRankNode* P = X->Parent;
    if (X != P->Left) continue;
    if (P->Visible) return P;
    if (TRankNode* Below = FirstVisibleIn(P->Right)) return Below;
  }
  return nullptr;
}

TRankNode* TRankSequence::PriorVisible(const TRankNode* Node) const {
  if (TRankNode* Below = LastVisibleIn(Node->Left)) return Below;
  for (const TRankNode* X = Node; X->Parent; X = X->Parent) {
    TRankNode* P = X->Parent;
    if (X != P->Right) continue;
    if (P->Visible) return P;
    if (TRankNode* Below = LastVisibleIn(P->Left)) return Below;
  }
  return nullptr;
}

// The treap of a sequence is fixed by the order and the priorities, so the
// Cartesian tree of Nodes by their own priorities is the treap.
void TRankSequence::Assign(const std::vector<TRankNode*>& Nodes, const std::vector<char>& Visible) {
  std::vector<TRankNode*> Spine;  // the right spine of the tree built so far
  Spine.reserve(Nodes.size());
  for (std::size_t I = 0; I < Nodes.size(); ++I) {
    TRankNode* N = Nodes[I];
    N->Visible = Visible[I] != 0;
    N->Left = N->Right = N->Parent = nullptr;
    TRankNode* Popped = nullptr;
    while (!Spine.empty() && Spine.back()->Priority < N->Priority) {
      Popped = Spine.back();
      Spine.pop_back();
    }
    N->Left = Popped;
    if (!Spine.empty()) Spine.back()->Right = N;
    Spine.push_back(N);
  }
  FRoot = Spine.empty() ? nullptr : Spine.front();
  Fix(FRoot);
  if (FRoot) FRoot->Parent = nullptr;
}

void TRankSequence::Collect(std::vector<TRankNode*>& Nodes) const {
  Nodes.clear();
  Nodes.reserve(std::size_t(GetCount()));
  std::vector<TRankNode*> Path;
  for (TRankNode* X = FRoot; X || !Path.empty();) {
    while (X) {
      Path.push_back(X);
      X = X->Left;
    }
    X = Path.back();
    Path.pop_back();
    Nodes.push_back(X);
    X = X->Right;
  }
}

void TRankSequence::CheckConsistency() const {
  KV_ASSERT(!FRoot || !FRoot->Parent, "the root has no parent");
  std::vector<const TRankNode*> Pending;
  if (FRoot) Pending.push_back(FRoot);
  while (!Pending.empty()) {
    const TRankNode* N = Pending.back();
    Pending.pop_back();
    KV_ASSERT(N->Record, "every node belongs to a record");
    KV_ASSERT(N->Size == 1 + SizeOf(N->Left) + SizeOf(N->Right), "a subtree counts its nodes");
    KV_ASSERT(N->VisibleCount ==
                  (N->Visible ? 1 : 0) + VisibleOf(N->Left) + VisibleOf(N->Right),
              "a subtree counts its visible nodes");
    for (const TRankNode* Child : {N->Left, N->Right}) {
      if (!Child) continue;
      KV_ASSERT(Child->Parent == N, "a child points back at its parent");
      KV_ASSERT(Child->Priority <= N->Priority, "priorities are heap-ordered");
      Pending.push_back(Child);
    }
  }
}

}  // namespace kvp
