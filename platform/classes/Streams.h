// Streams: the abstract TStream with its buffer and copy helpers, memory
// streams (a block the stream owns, grown through one overridable hook), a
// stream over a string, and a stream over a file. Sizes and positions are
// 64-bit at the TStream level; a memory stream holds at most MaxInt bytes.
#pragma once

#include "platform/classes/Object.h"

namespace kvp {

// Numbered as the older origins below, which Seek(Integer, Word) converts.
enum class TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
inline constexpr TSeekOrigin soBeginning = TSeekOrigin::soBeginning;
inline constexpr TSeekOrigin soCurrent = TSeekOrigin::soCurrent;
inline constexpr TSeekOrigin soEnd = TSeekOrigin::soEnd;
// The older origin numbers, taken by Seek(Integer, Word).
inline constexpr Word soFromBeginning = 0;
inline constexpr Word soFromCurrent = 1;
inline constexpr Word soFromEnd = 2;

// File open modes: one access mode, or fmCreate, combined with a share mode.
// Share modes are accepted and have no effect here.
inline constexpr Word fmCreate = 0xFF00;
inline constexpr Word fmOpenRead = 0x0000;
inline constexpr Word fmOpenWrite = 0x0001;
inline constexpr Word fmOpenReadWrite = 0x0002;
inline constexpr Word fmShareCompat = 0x0000;
inline constexpr Word fmShareExclusive = 0x0010;
inline constexpr Word fmShareDenyWrite = 0x0020;
inline constexpr Word fmShareDenyRead = 0x0030;
inline constexpr Word fmShareDenyNone = 0x0040;

// ---------------------------------------------------------------------------
// TStream: reads and writes bytes at a position. Descendants implement Read,
// Write and Seek (and SetSize where the size can be set); everything else is
// built on those three.
class TStream : public TObject {
  KV_CLASS(TStream, TObject)
 public:
  // Both answer the number of bytes moved, which may be less than Count.
  virtual Integer Read(void* Buffer, Integer Count) = 0;
  virtual Integer Write(const void* Buffer, Integer Count) = 0;
  // Moves the position and answers it. A descendant that overrides this hides
  // the other Seek; bring it back with `using TStream::Seek;`.
  virtual Int64 Seek(Int64 Offset, TSeekOrigin Origin) = 0;
  Int64 Seek(Integer Offset, Word Origin);

  // All Count bytes or EReadError / EWriteError.
  void ReadBuffer(void* Buffer, Integer Count);
  void WriteBuffer(const void* Buffer, Integer Count);
  // Copies Count bytes from Source's position, or the whole of Source when
  // Count is 0: from its start (where it can seek) until it gives no more,
  // whatever its size claims. Answers the number copied.
  Int64 CopyFrom(TStream* Source, Int64 Count);

  Int64 GetPosition() { return Seek(Int64(0), soCurrent); }
  void SetPosition(Int64 Value) { Seek(Value, soBeginning); }
  virtual Int64 GetSize();
  // The default does nothing: a stream without a settable size ignores it.
  virtual void SetSize(Int64 NewSize);
};

// Everything from Stream's position to its end, read until the stream gives no
// more: a pipe has no size and a file under /proc claims none, so the size
// serves only as a hint. Raises EStreamError past TMemoryStream::MaxSize bytes.
String ReadStreamToEnd(TStream* Stream);

// ---------------------------------------------------------------------------
// TCustomMemoryStream: a stream over a block of memory that a descendant
// provides through SetPointer. Positions past the end are allowed; reading
// there gives nothing.
class TCustomMemoryStream : public TStream {
  KV_CLASS(TCustomMemoryStream, TStream)
 public:
  using TStream::Seek;
  Integer Read(void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SaveToStream(TStream* Stream);
  void SaveToFile(const String& FileName);
  void* GetMemory() const { return FMemory; }

 protected:
  void SetPointer(void* Ptr, Integer Size);

  Byte* FMemory = nullptr;
  Integer FSize = 0;
  Int64 FPosition = 0;  // may lie past FSize, or (after a Seek) before 0
};

// ---------------------------------------------------------------------------
// TMemoryStream: a memory stream that owns and grows its block.
//
// Growth contract. Every change of the block goes through SetCapacity, which
// calls the virtual Realloc(NewCapacity) and, only when that returns, stores
// the pointer it answered as Memory and NewCapacity (which Realloc may have
// rounded) as Capacity. SetCapacity is called:
//   - by Write, with the end of the write, when that end passes Capacity;
//   - by SetSize, with the new size, while Size still holds the old one (so a
//     Realloc that rounds only when the request differs from Size leaves an
//     exact-size block when the size is set to itself);
//   - by Clear and by the destructor, with 0, which must free the block and
//     answer null.
// When Realloc raises, Memory, Capacity, Size, Position and the contents stay
// as they were. The default Realloc rounds requests up to 8 KiB steps and uses
// the C heap; a failed allocation raises EStreamError "Out of memory while
// expanding memory stream".
class TMemoryStream : public TCustomMemoryStream {
  KV_CLASS(TMemoryStream, TCustomMemoryStream)
 public:
  static constexpr Integer MemoryDelta = 0x2000;  // the default growth step
  static constexpr Integer MaxSize = 0x7FFFFFFF;  // the most a memory stream holds

  Integer Write(const void* Buffer, Integer Count) override;
  void SetSize(Int64 NewSize) override;
  void Clear();
  // The whole of Stream, from its start where it can seek; a pipe is read
  // from where it is. On an error the stream keeps what it held.
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);

  Integer GetCapacity() const { return FCapacity; }
  virtual void SetCapacity(Integer NewCapacity);

 protected:
  void Destroy() override;
  // Answers a block of NewCapacity bytes holding the stream's first Size bytes
  // (Memory itself when nothing changes), or null for 0; may round NewCapacity
  // up. Raises when it cannot, leaving the old block in place.
  virtual void* Realloc(Integer& NewCapacity);
  [[noreturn]] static void OutOfMemory();

  Integer FCapacity = 0;  // bytes in the block; Size <= Capacity
};

// ---------------------------------------------------------------------------
// TStringStream: a stream over a string, DataString. Positions stay within
// 0..Size; writing overwrites and extends.
class TStringStream : public TStream {
  KV_CLASS(TStringStream, TStream)
 public:
  explicit TStringStream(String AString = String()) : FDataString(std::move(AString)) {}

  using TStream::Seek;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  void SetSize(Int64 NewSize) override;
  // Reads up to Count bytes from the position; writes S at the position.
  String ReadString(Integer Count);
  void WriteString(const String& S);
  const String& GetDataString() const { return FDataString; }

 private:
  String FDataString;
  Integer FPosition = 0;  // 0..FDataString.size()
};

// ---------------------------------------------------------------------------
// TFileStream: a stream over an open file. Opening is done on creation and
// raises EFCreateError or EFOpenError with the system's reason. A file that
// cannot seek (a pipe, a terminal) answers -1 to Seek and so to GetPosition
// and GetSize; reading it to the end goes through ReadStreamToEnd.
class TFileStream : public TStream {
  KV_CLASS(TFileStream, TStream)
 public:
  TFileStream(String AFileName, Word AMode) : FFileName(std::move(AFileName)), FMode(AMode) {}

  using TStream::Seek;
  Integer Read(void* Buffer, Integer Count) override;
  Integer Write(const void* Buffer, Integer Count) override;
  Int64 Seek(Int64 Offset, TSeekOrigin Origin) override;
  // Moves the position to NewSize and ends the file there.
  void SetSize(Int64 NewSize) override;
  const String& GetFileName() const { return FFileName; }
  int GetHandle() const { return FHandle; }

 protected:
  void Construct() override;
  void Destroy() override;

 private:
  String FFileName;
  Word FMode = 0;
  int FHandle = -1;  // the file descriptor; -1 until opened
};

}  // namespace kvp
