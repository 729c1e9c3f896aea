// Multi-level titles: the words of a caption, the header tree's nodes and
// rings, the union of neighbouring leaves under a shared parent, and the
// tree built from the grid's columns.
//
// Index:
//   [SECTION] Words        FindWordStart, GetWordAndStart, GetWord
//   [SECTION] Nodes        Add, AddChild, FreeChildren, Find, GetLevel, Union
//   [SECTION] Building     BuildFromColumns, CheckConsistency
#include "base/KorvelConsts.h"
#include "grid/DBGridKv.h"

namespace korvel {

using namespace kvp;

// [SECTION] Words

namespace {

bool IsDelimiter(char C, const String& Delimiters) { return Delimiters.find(C) != String::npos; }

}  // namespace

// Delimiters are ASCII, so a word of UTF-8 text is never split.
Integer FindWordStart(Integer N, const String& S, const String& Delimiters) {
  Integer Count = 0;
  for (std::size_t I = 0; I < S.size(); ++I) {
    if (IsDelimiter(S[I], Delimiters)) continue;
    if (I == 0 || IsDelimiter(S[I - 1], Delimiters))
      if (++Count == N) return Integer(I) + 1;
  }
  return 0;
}

String GetWordAndStart(Integer N, const String& S, const String& Delimiters, Integer& Pos) {
  Pos = FindWordStart(N, S, Delimiters);
  if (Pos == 0) return {};
  std::size_t End = std::size_t(Pos) - 1;
  while (End < S.size() && !IsDelimiter(S[End], Delimiters)) ++End;
  return S.substr(std::size_t(Pos) - 1, End - (std::size_t(Pos) - 1));
}

String GetWord(Integer N, const String& S, const String& Delimiters) {
  Integer Pos = 0;
  return GetWordAndStart(N, S, Delimiters, Pos);
}

Integer TitleLevelCount(const String& Caption) {
  Integer Count = 0;
  for (std::size_t I = 0; I < Caption.size(); ++I)
    if (Caption[I] != TitleLevelDelimiter && (I == 0 || Caption[I - 1] == TitleLevelDelimiter))
      ++Count;
  return Count;
}

// [SECTION] Nodes

void THeadTreeNode::Destroy() {
  FreeChildren();
  inherited::Destroy();
}

std::vector<THeadTreeNode*> THeadTreeNode::Children() const {
  std::vector<THeadTreeNode*> List;
  if (!Child) return List;
  THeadTreeNode* Node = Child;
  do {
    List.push_back(Node);
    Node = Node->Next;
  } while (Node != Child);
  return List;
}

// Every descendant is taken off its parent before it is freed, so that
// freeing a tree costs no recursion however deep it is.
void THeadTreeNode::FreeChildren() {
  std::vector<THeadTreeNode*> Pending = Children();
  Child = nullptr;
  while (!Pending.empty()) {
    THeadTreeNode* Node = Pending.back();
    Pending.pop_back();
    for (THeadTreeNode* Kid : Node->Children()) Pending.push_back(Kid);
    Node->Child = nullptr;
    Node->Free();
  }
}

// Up from ANode to the level of this node: the children of one parent form
// one ring, and nodes without a parent are in this ring only if it holds them.
bool THeadTreeNode::Find(THeadTreeNode* ANode) {
  for (THeadTreeNode* Node = ANode; Node; Node = Node->Parent) {
    if (Node->Parent != Parent) continue;
    if (Parent) return true;
    const THeadTreeNode* Sibling = this;
    do {
      if (Sibling == Node) return true;
      Sibling = Sibling->Next;
    } while (Sibling != this);
    return false;
  }
  return false;
}

Integer THeadTreeNode::GetLevel() const {
  Integer Level = 0;
  for (const THeadTreeNode* Node = this; Node->Parent; Node = Node->Parent) ++Level;
  return Level;
}

THeadTreeNode* THeadTreeNode::Add(THeadTreeNode* AAfter, const String& AText, Integer AHeight,
                                  Integer AWidth) {
  if (!Find(AAfter)) throw Exception(SNodeNotInTree);
  THeadTreeNode* Node = CreateText(AText, AHeight, AWidth);
  Node->Parent = AAfter->Parent;
  Node->Next = AAfter->Next;
  AAfter->Next = Node;
  return Node;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* ANode, const String& AText, Integer AHeight,
                                       Integer AWidth) {
  if (!Find(ANode)) throw Exception(SNodeNotInTree);
  THeadTreeNode* Node = CreateText(AText, AHeight, AWidth);
  Node->Parent = ANode;
  if (!ANode->Child) {
    ANode->Child = Node;
    Node->Next = Node;
    return Node;
  }
  THeadTreeNode* Last = ANode->Child;
  while (Last->Next != ANode->Child) Last = Last->Next;
  Last->Next = Node;
  Node->Next = ANode->Child;
  return Node;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* AFrom, THeadTreeNode* ATo, Integer AHeight,
                                    const String& AText) {
  // [Phase 1] AFrom in the tree, ATo on its level after it.
  if (!Find(AFrom)) throw Exception(SNodeNotInTree);
  THeadTreeNode* Parent = AFrom->Parent;
  THeadTreeNode* First = Parent ? Parent->Child : AFrom;
  std::vector<THeadTreeNode*> Run{AFrom};
  for (THeadTreeNode* Node = AFrom; Node != ATo;) {
    Node = Node->Next;
    if (Node == First) throw Exception("ATo not in level");
    Run.push_back(Node);
  }
  // [Phase 2] The new node takes the run's place in the ring.
  THeadTreeNode* Before = AFrom;
  while (Before->Next != AFrom) Before = Before->Next;
  THeadTreeNode* After = ATo->Next;
  THeadTreeNode* Node = CreateText(AText, AHeight, 0);
  Node->Parent = Parent;
  Node->LineWidth = ATo->LineWidth;
  if (Before == ATo) {
    Node->Next = Node;  // the run was the whole ring
  } else {
    Before->Next = Node;
    Node->Next = After;
  }
  if (Parent && Parent->Child == AFrom) Parent->Child = Node;
  Node->Child = AFrom;
  ATo->Next = AFrom;
  // [Phase 3] The run hangs below it, lower by its height; its width spans them.
  Integer Sum = 0;
  for (THeadTreeNode* Member : Run) {
    Member->Parent = Node;
    Member->Height -= AHeight;
    Sum += Member->Width + Node->LineWidth;
  }
  Node->Width = Node->LineWidth >= 1 ? Sum - Node->LineWidth : Sum;
  return Node;
}

// [SECTION] Building

namespace {

// Cuts the first caption level of Text away. Each caption is cut at its own
// second level, so that a doubled delimiter in one caption never eats into
// the next caption's text.
void CutFirstLevel(String& Text, const String& Delimiters) {
  const Integer Second = FindWordStart(2, Text, Delimiters);
  Text = Second == 0 ? String() : Text.substr(std::size_t(Second) - 1);
}

}  // namespace

void THeadTreeNode::BuildFromColumns(TCustomDBGridKv* Grid) {
  const String Delimiters(1, TitleLevelDelimiter);
  TDBGridColumnsKv* Columns = Grid->GetColumns();
  const bool Lines = Grid->GetOptions().Contains(dgColLinesKv);
  const Integer TitleHeight = Grid->GetRowCount() > 0 ? Grid->GetRowHeights(0) : 0;
  // [Phase 1] One leaf per column, under the root.
  FreeChildren();
  const Integer Count = Columns->GetCount();
  Grid->FLeafFieldArr.resize(std::size_t(Count));
  std::vector<THeadTreeNode*> Leaves;
  for (Integer I = 0; I < Count; ++I) {
    TColumnKv* Column = Columns->GetColumn(I);
    const Integer Width = Column->GetVisible() ? Column->GetWidth() : Lines ? -1 : 0;
    THeadTreeNode* Leaf = AddChild(this, Column->GetTitle()->GetCaption(), TitleHeight, Width);
    Leaf->Column = Column;
    Leaf->SortMarkerWidth = Column->GetTitle()->GetSortMarker() != smNoneKv ? 16 : 0;
    Leaf->LineWidth = Lines ? 1 : 0;
    Grid->FLeafFieldArr[std::size_t(I)] = {Leaf, Column};
    Leaves.push_back(Leaf);
  }
  // [Phase 2] Merge passes: neighbours with equal leading parts share a
  // parent; each union starts the passes over. A leaf as deep as titles go
  // keeps the rest of its caption.
  auto Splits = [&](Integer I) { return Leaves[std::size_t(I)]->GetLevel() < MaxTitleLevels; };
  for (bool Changed = true; Changed;) {
    Changed = false;
    for (Integer I = 0; I < Count; ++I) {
      Integer Second = 0;
      const String& Text = Leaves[std::size_t(I)]->Text;
      if (GetWordAndStart(2, Text, Delimiters, Second).empty() || !Splits(I)) continue;
      const String Head = GetWord(1, Text, Delimiters);
      Integer J = I;
      while (J < Count - 1 && Splits(J + 1) &&
             GetWord(1, Leaves[std::size_t(J) + 1]->Text, Delimiters) == Head) {
        CutFirstLevel(Leaves[std::size_t(J)]->Text, Delimiters);
        ++J;
      }
      CutFirstLevel(Leaves[std::size_t(J)]->Text, Delimiters);
      Changed = true;
      // A run that spans levels loses its first part without a shared cell.
      if (Leaves[std::size_t(I)]->GetLevel() == Leaves[std::size_t(J)]->GetLevel()) {
        Union(Leaves[std::size_t(I)], Leaves[std::size_t(J)], 20, Head);
        break;
      }
    }
  }
}

void THeadTreeNode::CheckConsistency() const {
  std::vector<const THeadTreeNode*> Pending{this};
  while (!Pending.empty()) {
    const THeadTreeNode* Node = Pending.back();
    Pending.pop_back();
    const std::vector<THeadTreeNode*> Kids = Node->Children();
    for (THeadTreeNode* Kid : Kids) {
      KV_ASSERT(Kid->Parent == Node, "a child's parent is the node it hangs below");
      Pending.push_back(Kid);
    }
    if (Kids.empty()) continue;
    KV_ASSERT(Kids.back()->Next == Node->Child, "the ring of siblings closes on the first child");
    if (Node->Column) continue;
    Integer Sum = 0;
    for (THeadTreeNode* Kid : Kids) Sum += Kid->Width + Node->LineWidth;
    if (Node->Parent)
      KV_ASSERT(Node->Width == (Node->LineWidth >= 1 ? Sum - Node->LineWidth : Sum),
                "an inner node spans its children and the lines between them");
  }
}

}  // namespace korvel
