// Global memory handles: locking, resizing, validation and the failure switch.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/rtl/GlobalMemory.h"

using namespace kvp;

namespace {

// Restores the failure switch and checks, through the live-block count, that
// every test frees what it allocates.
class GlobalMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { LiveAtStart = GlobalLiveBlockCount(); }
  void TearDown() override {
    ResetGlobalAllocFailure();
    EXPECT_EQ(GlobalLiveBlockCount(), LiveAtStart);
  }
  Integer LiveAtStart = 0;
};

}  // namespace

TEST_F(GlobalMemoryTest, MoveableBlockCountsLocksAndKeepsItsHandleWhenItGrows) {
  HGLOBAL H = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 10);
  ASSERT_NE(H, nullptr);
  EXPECT_EQ(GlobalLiveBlockCount(), LiveAtStart + 1);
  EXPECT_EQ(GlobalSize(H), 10u);
  char* P = static_cast<char*>(GlobalLock(H));
  ASSERT_NE(P, nullptr);
  EXPECT_EQ(GlobalLock(H), P);
  EXPECT_EQ(GlobalFlags(H) & GMEM_LOCKCOUNT, 2u);
  EXPECT_EQ(GlobalHandle(P), H);
  std::memcpy(P, "abcdefghij", 10);
  EXPECT_TRUE(GlobalUnlock(H));
  EXPECT_FALSE(GlobalUnlock(H));
  EXPECT_FALSE(GlobalUnlock(H));  // not locked at all any more

  // Unlocked, it may move; the handle stays and the contents come along.
  EXPECT_EQ(GlobalReAlloc(H, 100000, 0), H);
  EXPECT_EQ(GlobalSize(H), 100000u);
  char* Q = static_cast<char*>(GlobalLock(H));
  EXPECT_EQ(std::memcmp(Q, "abcdefghij", 10), 0);
  EXPECT_EQ(Q[99999], 0);  // new bytes are zero
  EXPECT_EQ(GlobalHandle(Q), H);
  GlobalUnlock(H);
  EXPECT_EQ(GlobalFree(H), nullptr);
}

TEST_F(GlobalMemoryTest, LockedOrFixedBlockGrowsOnlyWhenAllowedToMove) {
  HGLOBAL H = GlobalAlloc(GMEM_MOVEABLE, 16);
  void* P = GlobalLock(H);
  EXPECT_EQ(GlobalReAlloc(H, 100000, 0), nullptr);
  EXPECT_EQ(GlobalSize(H), 16u);
  std::memcpy(P, "0123456789ABCDEF", 16);
  EXPECT_EQ(GlobalReAlloc(H, 8, 0), H);  // shrinking stays in place
  EXPECT_EQ(GlobalLock(H), P);
  // Growing back within the room it had: in place, and what lay past the
  // smaller size is not shown again.
  EXPECT_EQ(GlobalReAlloc(H, 12, 0), H);
  EXPECT_EQ(GlobalLock(H), P);
  EXPECT_EQ(std::memcmp(P, "01234567\0\0\0\0", 12), 0);
  EXPECT_EQ(GlobalReAlloc(H, 100000, GMEM_MOVEABLE), H);
  EXPECT_EQ(GlobalFree(H), nullptr);  // freed although locked

  HGLOBAL F = GlobalAlloc(GPTR, 4);
  EXPECT_EQ(GlobalLock(F), F);  // a fixed block's handle is its address
  EXPECT_EQ(GlobalFlags(F) & GMEM_LOCKCOUNT, 0u);
  EXPECT_EQ(GlobalReAlloc(F, 100000, 0), nullptr);
  HGLOBAL F2 = GlobalReAlloc(F, 100000, GMEM_MOVEABLE);
  ASSERT_NE(F2, nullptr);
  EXPECT_EQ(GlobalLock(F2), F2);
  EXPECT_EQ(GlobalSize(F2), 100000u);
  EXPECT_EQ(GlobalFree(F2), nullptr);
}

TEST_F(GlobalMemoryTest, FreedForeignAndDiscardedHandles) {
  int Local = 0;
  HGLOBAL Foreign = &Local;
  HGLOBAL H = GlobalAlloc(GHND, 4);
  ASSERT_EQ(GlobalFree(H), nullptr);
  for (HGLOBAL Bad : {Foreign, H}) {
    EXPECT_EQ(GlobalLock(Bad), nullptr);
    EXPECT_FALSE(GlobalUnlock(Bad));
    EXPECT_EQ(GlobalSize(Bad), 0u);
    EXPECT_EQ(GlobalReAlloc(Bad, 8, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalFlags(Bad), GMEM_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(Bad), Bad);
  }
  EXPECT_EQ(GlobalHandle(&Local), nullptr);

  HGLOBAL Empty = GlobalAlloc(GMEM_MOVEABLE, 0);  // discarded until resized
  EXPECT_EQ(GlobalLock(Empty), nullptr);
  EXPECT_EQ(GlobalFlags(Empty), GMEM_DISCARDED);
  EXPECT_EQ(GlobalReAlloc(Empty, 3, GMEM_MOVEABLE), Empty);
  EXPECT_NE(GlobalLock(Empty), nullptr);
  EXPECT_EQ(GlobalFree(Empty), nullptr);
}

TEST_F(GlobalMemoryTest, FailureSwitchFailsLargeOrCountedRequestsAndKeepsTheBlock) {
  HGLOBAL H = GlobalAlloc(GHND, 8);
  std::memcpy(GlobalLock(H), "12345678", 8);
  GlobalUnlock(H);

  SetGlobalAllocFailure({.FailAbove = 100});
  EXPECT_EQ(GlobalAlloc(GHND, 101), nullptr);
  EXPECT_EQ(GlobalReAlloc(H, 101, GMEM_MOVEABLE), nullptr);
  EXPECT_EQ(GlobalSize(H), 8u);
  EXPECT_EQ(std::memcmp(GlobalLock(H), "12345678", 8), 0);
  GlobalUnlock(H);
  HGLOBAL Small = GlobalAlloc(GHND, 100);
  EXPECT_NE(Small, nullptr);
  GlobalFree(Small);

  SetGlobalAllocFailure({.FailNth = 2});
  HGLOBAL First = GlobalAlloc(GHND, 1);
  EXPECT_NE(First, nullptr);
  EXPECT_EQ(GlobalReAlloc(H, 16, GMEM_MOVEABLE), nullptr);  // the second request
  EXPECT_EQ(GlobalSize(H), 8u);
  EXPECT_EQ(GlobalReAlloc(H, 16, GMEM_MOVEABLE), H);  // one failure only
  GlobalFree(First);

  ResetGlobalAllocFailure();
  EXPECT_EQ(GlobalAlloc(GHND, GlobalMaxBlockSize + 1), nullptr);  // past any heap
  GlobalFree(H);
}
