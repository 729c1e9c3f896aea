// Change links: how an object that others draw from (an image list) tells them
// it has changed. A client owns a TChangeLink with an OnChange handler and
// registers it with the object; the object keeps its links in a
// TChangeLinkList, calls Change on each when it changes, and clears their
// Sender when it goes away, so that no link is left pointing at it.
#pragma once

#include <vector>

#include "platform/classes/Object.h"

namespace kvp {

class TChangeLinkList;

// TChangeLink: one client's subscription to one object's changes. Freeing a
// link that is still registered takes it out of the object's list.
class TChangeLink : public TObject {
  KV_CLASS(TChangeLink, TObject)
 public:
  // The object the link is registered with; null when it is registered nowhere
  // or that object has been freed.
  TObject* GetSender() const { return FSender; }
  void SetSender(TObject* Value) { FSender = Value; }
  // Calls OnChange with the sender.
  virtual void Change();

  TNotifyEvent OnChange;

 protected:
  void Destroy() override;

 private:
  friend class TChangeLinkList;
  TObject* FSender = nullptr;
  TChangeLinkList* FList = nullptr;  // the list holding this link, for unregistering on free
};

// TChangeLinkList: the links registered with one object. The object holds it
// as a member and forwards RegisterChanges/UnRegisterChanges to it; when the
// list is destroyed every link still in it loses its Sender.
class TChangeLinkList {
 public:
  explicit TChangeLinkList(TObject* Sender) : FSender(Sender) {}
  TChangeLinkList(const TChangeLinkList&) = delete;
  TChangeLinkList& operator=(const TChangeLinkList&) = delete;
  ~TChangeLinkList() { Clear(); }

  // Adds the link and makes this list's object its Sender. A link registered
  // elsewhere moves here; registering twice changes nothing.
  void Register(TChangeLink* Link);
  // Removes the link and clears its Sender; a link not in the list is ignored.
  void UnRegister(TChangeLink* Link);
  // Calls Change on every registered link, in registration order. A link
  // unregistered or freed by an earlier handler is skipped.
  void Notify();
  // Unregisters every link.
  void Clear();

  Integer GetCount() const { return Integer(FLinks.size()); }
  TChangeLink* GetLink(Integer Index) const { return FLinks.at(std::size_t(Index)); }

 private:
  TObject* FSender = nullptr;          // the object the links follow
  std::vector<TChangeLink*> FLinks{};  // registered links, not owned
};

}  // namespace kvp
