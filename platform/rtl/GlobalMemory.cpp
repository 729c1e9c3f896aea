#include "platform/rtl/GlobalMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace kvp {

namespace {

// One block: its storage (from the C heap), the size the caller asked for and
// the room the storage really has, which can be larger after an in-place
// shrink.
struct TGlobalBlock {
  bool Moveable = false;
  Byte* Data = nullptr;  // null only for a discarded moveable block
  SIZE_T Size = 0;       // bytes as requested; GlobalSize answers this
  SIZE_T Room = 0;       // bytes the storage holds, >= Size
  UINT LockCount = 0;    // moveable blocks only
};

struct TGlobalHeap {
  std::mutex Lock;
  std::unordered_map<HGLOBAL, std::unique_ptr<TGlobalBlock>> Blocks;  // by handle
  std::unordered_map<const void*, HGLOBAL> ByAddress;                 // first byte -> handle
  std::uintptr_t NextToken = 1;  // numbers moveable handles; never reused
  TGlobalAllocFailure Failure;
  Integer RequestCount = 0;  // requests seen since the failure switch was set
};

TGlobalHeap& Heap() {
  static TGlobalHeap Instance;
  return Instance;
}

// Moveable handles are tokens whose low bits (0100) no heap address has, since
// the C heap aligns to 16, so they can never be mistaken for a fixed block.
HGLOBAL NewToken(TGlobalHeap& H) { return reinterpret_cast<HGLOBAL>((H.NextToken++ << 4) | 4); }

TGlobalBlock* Find(TGlobalHeap& H, HGLOBAL Mem) {
  if (!Mem) return nullptr;
  auto It = H.Blocks.find(Mem);
  return It == H.Blocks.end() ? nullptr : It->second.get();
}

// Asks the test switch (and the size limit) whether a request may go ahead.
bool RequestAllowed(TGlobalHeap& H, SIZE_T Bytes) {
  if (Bytes > GlobalMaxBlockSize || Bytes > H.Failure.FailAbove) return false;
  if (H.Failure.FailNth > 0 && ++H.RequestCount == H.Failure.FailNth) {
    H.Failure.FailNth = 0;
    return false;
  }
  return true;
}

// Storage of at least one byte, so that every live block has its own address.
Byte* NewStorage(SIZE_T Bytes) { return static_cast<Byte*>(std::calloc(Bytes ? Bytes : 1, 1)); }

}  // namespace

HGLOBAL GlobalAlloc(UINT Flags, SIZE_T Bytes) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  if (!RequestAllowed(H, Bytes)) return nullptr;
  auto Block = std::make_unique<TGlobalBlock>();
  Block->Moveable = (Flags & GMEM_MOVEABLE) != 0;
  Block->Size = Bytes;
  if (Bytes > 0 || !Block->Moveable) {
    Block->Data = NewStorage(Bytes);
    if (!Block->Data) return nullptr;
    Block->Room = Bytes;
  }
  HGLOBAL Handle = Block->Moveable ? NewToken(H) : static_cast<HGLOBAL>(Block->Data);
  if (Block->Data) H.ByAddress[Block->Data] = Handle;
  H.Blocks[Handle] = std::move(Block);
  return Handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL Mem, SIZE_T Bytes, UINT Flags) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  TGlobalBlock* Block = Find(H, Mem);
  if (!Block || !RequestAllowed(H, Bytes)) return nullptr;
  // [Phase 1] Fits the room it has: resize in place.
  if (Block->Data && Bytes <= Block->Room) {
    if (Bytes > Block->Size) std::memset(Block->Data + Block->Size, 0, Bytes - Block->Size);
    Block->Size = Bytes;
    return Mem;
  }
  if (Bytes == 0) return Mem;  // a discarded block stays discarded
  // [Phase 2] Needs new storage, which only a block allowed to move can get.
  bool MayMove = (Flags & GMEM_MOVEABLE) != 0 || (Block->Moveable && Block->LockCount == 0);
  if (!MayMove) return nullptr;
  Byte* NewData = static_cast<Byte*>(std::realloc(Block->Data, Bytes));
  if (!NewData) return nullptr;
  std::memset(NewData + Block->Size, 0, Bytes - Block->Size);
  if (Block->Data) H.ByAddress.erase(Block->Data);
  Block->Data = NewData;
  Block->Size = Block->Room = Bytes;
  // [Phase 3] A fixed block's handle is its address, so it follows the move.
  HGLOBAL NewHandle = Mem;
  if (!Block->Moveable && NewData != Mem) {
    NewHandle = NewData;
    auto Node = H.Blocks.extract(Mem);
    Node.key() = NewHandle;
    H.Blocks.insert(std::move(Node));
  }
  H.ByAddress[NewData] = NewHandle;
  return NewHandle;
}

void* GlobalLock(HGLOBAL Mem) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  TGlobalBlock* Block = Find(H, Mem);
  if (!Block || !Block->Data) return nullptr;
  if (Block->Moveable && Block->LockCount < GMEM_LOCKCOUNT) ++Block->LockCount;
  return Block->Data;
}

BOOL GlobalUnlock(HGLOBAL Mem) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  TGlobalBlock* Block = Find(H, Mem);
  if (!Block || Block->LockCount == 0) return FALSE;
  --Block->LockCount;
  return Block->LockCount > 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL Mem) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  TGlobalBlock* Block = Find(H, Mem);
  return Block ? Block->Size : 0;
}

HGLOBAL GlobalFree(HGLOBAL Mem) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  if (!Mem) return nullptr;
  auto It = H.Blocks.find(Mem);
  if (It == H.Blocks.end()) return Mem;
  if (It->second->Data) {
    H.ByAddress.erase(It->second->Data);
    std::free(It->second->Data);
  }
  H.Blocks.erase(It);
  return nullptr;
}

UINT GlobalFlags(HGLOBAL Mem) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  TGlobalBlock* Block = Find(H, Mem);
  if (!Block) return GMEM_INVALID_HANDLE;
  return Block->LockCount | (Block->Data ? 0 : GMEM_DISCARDED);
}

HGLOBAL GlobalHandle(const void* Ptr) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  auto It = H.ByAddress.find(Ptr);
  return It == H.ByAddress.end() ? nullptr : It->second;
}

void SetGlobalAllocFailure(const TGlobalAllocFailure& Failure) {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  H.Failure = Failure;
  H.RequestCount = 0;
}

void ResetGlobalAllocFailure() { SetGlobalAllocFailure(TGlobalAllocFailure{}); }

Integer GlobalLiveBlockCount() {
  TGlobalHeap& H = Heap();
  std::lock_guard<std::mutex> Guard(H.Lock);
  return Integer(H.Blocks.size());
}

}  // namespace kvp
