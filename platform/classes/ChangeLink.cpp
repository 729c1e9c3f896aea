#include "platform/classes/ChangeLink.h"

#include <algorithm>

namespace kvp {

void TChangeLink::Change() {
  if (OnChange) OnChange(FSender);
}

void TChangeLink::Destroy() {
  if (FList) FList->UnRegister(this);
  inherited::Destroy();
}

void TChangeLinkList::Register(TChangeLink* Link) {
  if (!Link || Link->FList == this) return;
  if (Link->FList) Link->FList->UnRegister(Link);
  FLinks.push_back(Link);
  Link->FList = this;
  Link->FSender = FSender;
}

void TChangeLinkList::UnRegister(TChangeLink* Link) {
  auto It = std::find(FLinks.begin(), FLinks.end(), Link);
  if (It == FLinks.end()) return;
  FLinks.erase(It);
  Link->FList = nullptr;
  Link->FSender = nullptr;
}

void TChangeLinkList::Notify() {
  // Handlers may unregister or free links, their own or others', so walk a
  // copy and skip whatever has left the list.
  const std::vector<TChangeLink*> Snapshot = FLinks;
  for (TChangeLink* Link : Snapshot)
    if (std::find(FLinks.begin(), FLinks.end(), Link) != FLinks.end()) Link->Change();
}

void TChangeLinkList::Clear() {
  while (!FLinks.empty()) UnRegister(FLinks.back());
}

}  // namespace kvp
