// Global memory handles: blocks addressed by handle, locked to get a pointer,
// as the clipboard and the memory streams that feed it expect. A fixed block's
// handle is its address; a moveable block's handle is an opaque token that
// stays the same when the block moves. Every handle is looked up in a table
// before use, so a freed or foreign handle is refused, never dereferenced.
// Tests can make allocations fail and count the live blocks.
#pragma once

#include <cstddef>

#include "platform/rtl/Types.h"

namespace kvp {

using SIZE_T = std::size_t;

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GMEM_DDESHARE = 0x2000;  // accepted; every block can be shared here
inline constexpr UINT GMEM_SHARE = 0x2000;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// GlobalFlags answers the lock count in its low byte, plus these bits.
inline constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
inline constexpr UINT GMEM_DISCARDED = 0x4000;
inline constexpr UINT GMEM_INVALID_HANDLE = 0x8000;

// The largest block that can be had: a process's share of a 32-bit address
// space. Larger requests fail as an exhausted heap would.
inline constexpr SIZE_T GlobalMaxBlockSize = 0x7FFFFFFF;

// New memory is always zero-filled, whether or not GMEM_ZEROINIT is given, so
// that nothing ever reads indeterminate bytes. A moveable block of 0 bytes is
// "discarded": it has a handle but no memory, and GlobalLock answers null.
HGLOBAL GlobalAlloc(UINT Flags, SIZE_T Bytes);
// Resizes a block. It may move when Flags has GMEM_MOVEABLE, or when the block
// is moveable and unlocked; otherwise it can only shrink in place, and growth
// fails. Answers the (possibly new) handle, or null on failure, in which case
// the old block is still valid and unchanged.
HGLOBAL GlobalReAlloc(HGLOBAL Mem, SIZE_T Bytes, UINT Flags);
// The block's address; a moveable block's lock count goes up by one. Null for
// an invalid handle or a discarded block.
void* GlobalLock(HGLOBAL Mem);
// Lowers a moveable block's lock count; answers whether it is still locked.
BOOL GlobalUnlock(HGLOBAL Mem);
// The block's size in bytes (as requested), or 0 for an invalid handle.
SIZE_T GlobalSize(HGLOBAL Mem);
// Frees the block, locked or not. Answers null on success and the handle when
// it is invalid.
HGLOBAL GlobalFree(HGLOBAL Mem);
// The lock count and GMEM_DISCARDED, or GMEM_INVALID_HANDLE.
UINT GlobalFlags(HGLOBAL Mem);
// The handle of the block whose first byte is at Ptr, or null.
HGLOBAL GlobalHandle(const void* Ptr);

// Test switch: makes allocations fail so that out-of-memory paths can be
// driven. A request (GlobalAlloc or GlobalReAlloc) fails when it asks for more
// than FailAbove bytes, or when it is the FailNth request counted from the
// moment the switch was set (1 is the next one; the count then stops).
struct TGlobalAllocFailure {
  SIZE_T FailAbove = GlobalMaxBlockSize;  // 0 fails every request for memory
  Integer FailNth = 0;                    // 0: no counted failure
};
void SetGlobalAllocFailure(const TGlobalAllocFailure& Failure);
// Back to normal: no request fails but for exhausted memory.
void ResetGlobalAllocFailure();
// The number of blocks allocated and not yet freed, for leak checks.
Integer GlobalLiveBlockCount();

}  // namespace kvp
