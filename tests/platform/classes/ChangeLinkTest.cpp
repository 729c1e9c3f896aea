// Change links as an image list drives them: registration, notification in
// order, and no link left pointing at a freed sender or a freed link notified.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classes/ChangeLink.h"

using namespace kvp;

namespace {

// A stand-in for an image list: an object that others follow.
class TImageSource : public TObject {
  KV_CLASS(TImageSource, TObject)
 public:
  TChangeLinkList Links{this};
};

class TClient : public TObject {
  KV_CLASS(TClient, TObject)
 public:
  std::vector<TObject*> Senders;
  void ImagesChanged(TObject* Sender) { Senders.push_back(Sender); }
};

}  // namespace

TEST(ChangeLinks, RegisteredLinksHearEveryChangeWithTheirSender) {
  TObjectPtr<TImageSource> Images(TImageSource::Create());
  TObjectPtr<TClient> Client(TClient::Create());
  TObjectPtr<TChangeLink> A(TChangeLink::Create());
  TObjectPtr<TChangeLink> B(TChangeLink::Create());
  A->OnChange = TNotifyEvent(Client.get(), &TClient::ImagesChanged);
  B->OnChange = TNotifyEvent(Client.get(), &TClient::ImagesChanged);

  Images->Links.Register(A.get());
  Images->Links.Register(B.get());
  Images->Links.Register(A.get());  // twice: still one registration
  EXPECT_EQ(Images->Links.GetCount(), 2);
  EXPECT_EQ(A->GetSender(), Images.get());

  Images->Links.Notify();
  EXPECT_EQ(Client->Senders, (std::vector<TObject*>{Images.get(), Images.get()}));

  Images->Links.UnRegister(A.get());
  EXPECT_EQ(A->GetSender(), nullptr);
  Client->Senders.clear();
  Images->Links.Notify();
  EXPECT_EQ(Client->Senders.size(), 1u);
}

TEST(ChangeLinks, FreeingEitherSideLeavesNothingDangling) {
  TObjectPtr<TChangeLink> Link(TChangeLink::Create());
  {
    TObjectPtr<TImageSource> Images(TImageSource::Create());
    Images->Links.Register(Link.get());
    // Freeing a registered link takes it out of the list.
    TChangeLink* Other = TChangeLink::Create();
    Images->Links.Register(Other);
    Other->Free();
    EXPECT_EQ(Images->Links.GetCount(), 1);
  }
  // The image list is gone: the link no longer names it, and freeing the link
  // does not reach back into it (ASan would catch that).
  EXPECT_EQ(Link->GetSender(), nullptr);
}

TEST(ChangeLinks, MovesBetweenSendersAndSurvivesHandlersThatUnregister) {
  TObjectPtr<TImageSource> First(TImageSource::Create());
  TObjectPtr<TImageSource> Second(TImageSource::Create());
  TChangeLink* A = TChangeLink::Create();
  TChangeLink* B = TChangeLink::Create();
  First->Links.Register(A);
  Second->Links.Register(A);
  EXPECT_EQ(First->Links.GetCount(), 0);
  EXPECT_EQ(A->GetSender(), Second.get());

  // A's handler frees B, which comes after it: B is not called.
  int BCalls = 0;
  A->OnChange = [&](TObject*) { FreeAndNil(B); };
  B->OnChange = [&](TObject*) { ++BCalls; };
  Second->Links.Register(B);
  Second->Links.Notify();
  EXPECT_EQ(BCalls, 0);
  EXPECT_EQ(Second->Links.GetCount(), 1);
  A->Free();
  EXPECT_EQ(Second->Links.GetCount(), 0);
}
