#include "platform/classes/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

namespace kvp {

namespace {

String SystemReason(int Error) { return std::generic_category().message(Error); }

// The position Offset names from Origin, held at the Int64 limits instead of
// overflowing when a caller seeks absurdly far.
Int64 SeekTarget(TSeekOrigin Origin, Int64 Offset, Int64 Position, Int64 Size) {
  const Int64 Base = Origin == soBeginning ? 0 : Origin == soCurrent ? Position : Size;
  Int64 Result;
  if (__builtin_add_overflow(Base, Offset, &Result)) return Offset > 0 ? INT64_MAX : INT64_MIN;
  return Result;
}

[[noreturn]] void InvalidSize(Int64 Size) {
  throw EStreamError("Invalid stream size (" + std::to_string(Size) + ")");
}

}  // namespace

// [SECTION] TStream

Int64 TStream::Seek(Integer Offset, Word Origin) {
  if (Origin <= soFromEnd) return Seek(Int64(Offset), TSeekOrigin(Origin));
  throw EStreamError("Invalid seek origin (" + std::to_string(Origin) + ")");
}

void TStream::ReadBuffer(void* Buffer, Integer Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, Integer Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

Int64 TStream::CopyFrom(TStream* Source, Int64 Count) {
  constexpr Int64 MaxBufSize = 0xF000;
  if (Count == 0) {
    Source->SetPosition(0);
    std::vector<Byte> Buffer(static_cast<std::size_t>(MaxBufSize));
    Int64 Copied = 0;
    while (Integer N = Source->Read(Buffer.data(), Integer(MaxBufSize))) {
      WriteBuffer(Buffer.data(), N);
      Copied += N;
    }
    return Copied;
  }
  if (Count < 0) throw EReadError("Stream read error");
  std::vector<Byte> Buffer(std::size_t(std::min(Count, MaxBufSize)));
  for (Int64 Left = Count; Left > 0;) {
    Integer N = Integer(std::min(Left, MaxBufSize));
    Source->ReadBuffer(Buffer.data(), N);
    WriteBuffer(Buffer.data(), N);
    Left -= N;
  }
  return Count;
}

Int64 TStream::GetSize() {
  Int64 Pos = Seek(Int64(0), soCurrent);
  Int64 Result = Seek(Int64(0), soEnd);
  Seek(Pos, soBeginning);
  return Result;
}

void TStream::SetSize(Int64 /*NewSize*/) {}

String ReadStreamToEnd(TStream* Stream) {
  constexpr Integer Chunk = 0x10000;
  String Result;
  // [Phase 1] As much as the size promises, in one read.
  Int64 Promised = Stream->GetSize() - Stream->GetPosition();
  if (Promised > 0 && Promised <= TMemoryStream::MaxSize) {
    Result.resize(std::size_t(Promised));
    Result.resize(std::size_t(std::max(Stream->Read(Result.data(), Integer(Promised)), 0)));
  }
  // [Phase 2] Then whatever else there is, until a read gives nothing. One
  // byte past the limit is asked for, so that a stream of exactly MaxSize
  // bytes loads and a longer one is refused.
  constexpr std::size_t Limit = std::size_t(TMemoryStream::MaxSize);
  for (;;) {
    std::size_t Had = Result.size();
    Integer Want = Integer(std::min<std::size_t>(Chunk, Limit + 1 - Had));
    Result.resize(Had + std::size_t(Want));
    Integer N = Stream->Read(Result.data() + Had, Want);
    Result.resize(Had + std::size_t(std::max(N, 0)));
    if (Result.size() > Limit)
      throw EStreamError("Stream too large to read whole (more than " + std::to_string(Limit) +
                         " bytes)");
    if (N <= 0) return Result;
  }
}

// [SECTION] TCustomMemoryStream

Integer TCustomMemoryStream::Read(void* Buffer, Integer Count) {
  if (FPosition < 0 || Count <= 0) return 0;
  Int64 Available = Int64(FSize) - FPosition;
  if (Available <= 0) return 0;
  Integer N = Integer(std::min<Int64>(Available, Count));
  std::memcpy(Buffer, FMemory + FPosition, std::size_t(N));
  FPosition += N;
  return N;
}

Int64 TCustomMemoryStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  FPosition = SeekTarget(Origin, Offset, FPosition, FSize);
  return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) {
  if (FSize != 0) Stream->WriteBuffer(FMemory, FSize);
}

void TCustomMemoryStream::SaveToFile(const String& FileName) {
  TObjectPtr<TFileStream> File(TFileStream::Create(FileName, fmCreate));
  SaveToStream(File.get());
}

void TCustomMemoryStream::SetPointer(void* Ptr, Integer Size) {
  FMemory = static_cast<Byte*>(Ptr);
  FSize = Size;
}

// [SECTION] TMemoryStream

void TMemoryStream::Destroy() {
  Clear();
  inherited::Destroy();
}

void TMemoryStream::Clear() {
  SetCapacity(0);
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::SetCapacity(Integer NewCapacity) {
  void* Block = Realloc(NewCapacity);
  // A block smaller than the data keeps only what fits (SetSize then sets the
  // size it asked for).
  SetPointer(Block, std::min(FSize, NewCapacity));
  FCapacity = NewCapacity;
}

void* TMemoryStream::Realloc(Integer& NewCapacity) {
  if (NewCapacity < 0) OutOfMemory();
  if (NewCapacity > 0 && NewCapacity != FSize) {
    Int64 Rounded = (Int64(NewCapacity) + MemoryDelta - 1) / MemoryDelta * MemoryDelta;
    if (Rounded > TMemoryStream::MaxSize) OutOfMemory();
    NewCapacity = Integer(Rounded);
  }
  if (NewCapacity == FCapacity) return FMemory;
  if (NewCapacity == 0) {
    std::free(FMemory);
    return nullptr;
  }
  void* Block = std::realloc(FMemory, std::size_t(NewCapacity));
  if (!Block) OutOfMemory();
  return Block;
}

void TMemoryStream::OutOfMemory() {
  throw EStreamError("Out of memory while expanding memory stream");
}

void TMemoryStream::SetSize(Int64 NewSize) {
  if (NewSize < 0) InvalidSize(NewSize);
  if (NewSize > TMemoryStream::MaxSize) OutOfMemory();
  Int64 OldPosition = FPosition;
  Integer OldSize = FSize;
  SetCapacity(Integer(NewSize));
  if (NewSize > OldSize) std::memset(FMemory + OldSize, 0, std::size_t(NewSize - OldSize));
  FSize = Integer(NewSize);
  if (OldPosition > NewSize) Seek(Int64(0), soEnd);
}

Integer TMemoryStream::Write(const void* Buffer, Integer Count) {
  if (FPosition < 0 || Count < 0) return 0;
  // Compared before adding: a position sought far past the end must not overflow.
  if (FPosition > TMemoryStream::MaxSize - Count) OutOfMemory();
  Int64 End = FPosition + Count;
  if (End <= 0) return 0;
  if (End > FSize) {
    if (End > FCapacity) SetCapacity(Integer(End));
    // Bytes between the old end and a position set past it read as zeros.
    if (FPosition > FSize) std::memset(FMemory + FSize, 0, std::size_t(FPosition - FSize));
    FSize = Integer(End);
  }
  if (Count > 0) std::memcpy(FMemory + FPosition, Buffer, std::size_t(Count));
  FPosition = End;
  return Count;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  String Data = ReadStreamToEnd(Stream);
  SetSize(Int64(Data.size()));
  if (!Data.empty()) std::memcpy(FMemory, Data.data(), Data.size());
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TObjectPtr<TFileStream> File(TFileStream::Create(FileName, fmOpenRead | fmShareDenyWrite));
  LoadFromStream(File.get());
}

// [SECTION] TStringStream

Integer TStringStream::Read(void* Buffer, Integer Count) {
  Integer N = std::clamp(Integer(FDataString.size()) - FPosition, 0, std::max(Count, 0));
  if (N > 0) std::memcpy(Buffer, FDataString.data() + FPosition, std::size_t(N));
  FPosition += N;
  return N;
}

Integer TStringStream::Write(const void* Buffer, Integer Count) {
  if (Count <= 0 || Int64(FPosition) + Count > TMemoryStream::MaxSize) return 0;
  std::size_t End = std::size_t(FPosition) + std::size_t(Count);
  if (End > FDataString.size()) FDataString.resize(End);
  std::memcpy(FDataString.data() + FPosition, Buffer, std::size_t(Count));
  FPosition = Integer(End);
  return Count;
}

Int64 TStringStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  Int64 Size = Int64(FDataString.size());
  Int64 Pos = SeekTarget(Origin, Offset, FPosition, Size);
  FPosition = Integer(std::clamp<Int64>(Pos, 0, Size));
  return FPosition;
}

void TStringStream::SetSize(Int64 NewSize) {
  if (NewSize < 0 || NewSize > TMemoryStream::MaxSize) InvalidSize(NewSize);
  FDataString.resize(std::size_t(NewSize));
  FPosition = std::min(FPosition, Integer(NewSize));
}

String TStringStream::ReadString(Integer Count) {
  Integer N = std::clamp(Integer(FDataString.size()) - FPosition, 0, std::max(Count, 0));
  String Result = FDataString.substr(std::size_t(FPosition), std::size_t(N));
  FPosition += N;
  return Result;
}

void TStringStream::WriteString(const String& S) { Write(S.data(), Integer(S.size())); }

// [SECTION] TFileStream

void TFileStream::Construct() {
  inherited::Construct();
  if ((FMode & fmCreate) == fmCreate) {
    FHandle = ::open(FFileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FHandle < 0)
      throw EFCreateError("Cannot create file \"" + FFileName + "\". " + SystemReason(errno));
    return;
  }
  static constexpr int Access[] = {O_RDONLY, O_WRONLY, O_RDWR};
  int Error = EINVAL;
  if ((FMode & 3) < 3) {
    FHandle = ::open(FFileName.c_str(), Access[FMode & 3] | O_CLOEXEC);
    Error = errno;
    struct stat Info;
    if (FHandle >= 0 && ::fstat(FHandle, &Info) == 0 && S_ISDIR(Info.st_mode)) {
      // A directory opens for reading here, but it is not a file to stream.
      ::close(FHandle);
      FHandle = -1;
      Error = EISDIR;
    }
  }
  if (FHandle < 0)
    throw EFOpenError("Cannot open file \"" + FFileName + "\". " + SystemReason(Error));
}

void TFileStream::Destroy() {
  if (FHandle >= 0) ::close(FHandle);
  FHandle = -1;
  inherited::Destroy();
}

Integer TFileStream::Read(void* Buffer, Integer Count) {
  Integer Done = 0;
  while (Done < Count) {
    ssize_t N = ::read(FHandle, static_cast<Byte*>(Buffer) + Done, std::size_t(Count - Done));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += Integer(N);
  }
  return Done;
}

Integer TFileStream::Write(const void* Buffer, Integer Count) {
  Integer Done = 0;
  while (Done < Count) {
    ssize_t N =
        ::write(FHandle, static_cast<const Byte*>(Buffer) + Done, std::size_t(Count - Done));
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += Integer(N);
  }
  return Done;
}

Int64 TFileStream::Seek(Int64 Offset, TSeekOrigin Origin) {
  int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  return Int64(::lseek(FHandle, off_t(Offset), Whence));
}

void TFileStream::SetSize(Int64 NewSize) {
  if (NewSize < 0) InvalidSize(NewSize);
  Seek(NewSize, soBeginning);
  if (::ftruncate(FHandle, off_t(NewSize)) != 0)
    throw EStreamError("Cannot set the size of file \"" + FFileName + "\" to " +
                       std::to_string(NewSize) + ". " + SystemReason(errno));
}

}  // namespace kvp
