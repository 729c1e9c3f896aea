// Streams: memory growth through the Realloc hook, round trips between stream
// kinds, failures that keep the data, and files.
//
// Ideas for tests: a file stream on a full disk (a short write must make
// WriteBuffer raise).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/classes/Streams.h"
#include "platform/rtl/GlobalMemory.h"

using namespace kvp;

namespace {

// A memory stream whose block lives in global memory with its own growth step,
// as the clipboard's stream is built: it drives every path of the Realloc
// contract and records what Realloc was asked for.
class TGlobalStream : public TMemoryStream {
  KV_CLASS(TGlobalStream, TMemoryStream)
 public:
  Integer Step = 4096;
  Integer LastRequest = -1;  // NewCapacity as Realloc received it

 protected:
  void* Realloc(Integer& NewCapacity) override {
    LastRequest = NewCapacity;
    Int64 Delta = 2 * Int64(Step);
    if (NewCapacity > 0 && NewCapacity != FSize)
      NewCapacity = Integer((NewCapacity + Delta - 1) / Delta * Delta);
    if (NewCapacity == FCapacity) return FMemory;
    HGLOBAL H = GlobalHandle(FMemory);
    GlobalUnlock(H);
    if (NewCapacity == 0) return GlobalFree(H);
    HGLOBAL NewH = H ? GlobalReAlloc(H, SIZE_T(NewCapacity), GMEM_MOVEABLE)
                     : GlobalAlloc(GMEM_MOVEABLE, SIZE_T(NewCapacity));
    if (!NewH) {
      GlobalLock(H);
      OutOfMemory();
    }
    return GlobalLock(NewH);
  }
};

std::string Contents(TCustomMemoryStream* S, Int64 Size) {
  return std::string(static_cast<const char*>(S->GetMemory()), std::size_t(Size));
}

template <class E, class F>
std::string MessageOf(F Run) {
  try {
    Run();
  } catch (const E& Error) {
    return Error.GetMessage();
  }
  return "no error";
}

// A stream that cannot seek and hands out at most seven bytes a read, as a
// pipe may: it has no size to ask for.
class TPipeStream : public TStream {
  KV_CLASS(TPipeStream, TStream)
 public:
  explicit TPipeStream(String AData) : FData(std::move(AData)) {}
  using TStream::Seek;
  Integer Read(void* Buffer, Integer Count) override {
    Integer N = Integer(std::min<std::size_t>({std::size_t(Count), 7, FData.size() - FPos}));
    std::memcpy(Buffer, FData.data() + FPos, std::size_t(N));
    FPos += std::size_t(N);
    return N;
  }
  Integer Write(const void*, Integer) override { return 0; }
  Int64 Seek(Int64, TSeekOrigin) override { return -1; }

 private:
  String FData;
  std::size_t FPos = 0;
};

std::filesystem::path MakeTempDir() {
  auto Dir = std::filesystem::temp_directory_path() / ("kv-streams-" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  return Dir;
}

}  // namespace

TEST(MemoryStream, GrowsInEightKilobyteStepsAndShrinksToExactSizeOrNothing) {
  TObjectPtr<TMemoryStream> S(TMemoryStream::Create());
  EXPECT_EQ(S->Write("a", 1), 1);
  EXPECT_EQ(S->GetCapacity(), 8192);
  std::string Big(8192, 'x');
  S->WriteBuffer(Big.data(), Integer(Big.size()));
  EXPECT_EQ(S->GetSize(), 8193);
  EXPECT_EQ(S->GetCapacity(), 16384);
  EXPECT_EQ(S->GetPosition(), 8193);
  S->SetPosition(16383);
  S->WriteBuffer("z", 1);  // ends exactly at the capacity: no growth
  EXPECT_EQ(S->GetCapacity(), 16384);
  S->WriteBuffer("z", 1);  // one past it: one step more
  EXPECT_EQ(S->GetCapacity(), 24576);
  S->SetSize(8193);

  S->SetSize(S->GetSize());  // setting the size to itself trims the block
  EXPECT_EQ(S->GetCapacity(), 8193);
  S->SetSize(10);
  EXPECT_EQ(S->GetCapacity(), 8192);
  EXPECT_EQ(S->GetPosition(), 10);  // a position past the new end moves to it
  EXPECT_EQ(Contents(S.get(), 10), "axxxxxxxxx");

  S->SetSize(0);
  EXPECT_EQ(S->GetMemory(), nullptr);
  EXPECT_EQ(S->GetCapacity(), 0);
  S->WriteBuffer("new", 3);
  EXPECT_EQ(Contents(S.get(), 3), "new");

  // A request of a whole number of steps takes exactly that many.
  TObjectPtr<TMemoryStream> Exact(TMemoryStream::Create());
  Exact->WriteBuffer(Big.data(), 8192);
  EXPECT_EQ(Exact->GetCapacity(), 8192);
}

TEST(MemoryStream, ReadsSeeksAndZeroFillsGapsPastTheEnd) {
  TObjectPtr<TMemoryStream> S(TMemoryStream::Create());
  S->WriteBuffer("hello", 5);
  EXPECT_EQ(S->Seek(-2, soFromEnd), 3);
  char Buf[8] = {};
  EXPECT_EQ(S->Read(Buf, 8), 2);
  EXPECT_STREQ(Buf, "lo");
  EXPECT_EQ(S->Read(Buf, 8), 0);
  EXPECT_THROW(S->ReadBuffer(Buf, 1), EReadError);

  S->SetPosition(8);
  S->WriteBuffer("!", 1);
  EXPECT_EQ(S->GetSize(), 9);
  EXPECT_EQ(Contents(S.get(), 9), std::string("hello\0\0\0!", 9));
  S->SetSize(12);
  EXPECT_EQ(Contents(S.get(), 12), std::string("hello\0\0\0!\0\0\0", 12));

  EXPECT_EQ(S->Seek(Int64(-20), soCurrent), -11);
  EXPECT_EQ(S->Read(Buf, 1), 0);  // nothing before the start
  EXPECT_EQ(S->Write("x", 1), 0);
  EXPECT_THROW(S->SetSize(-1), EStreamError);
  EXPECT_EQ(S->GetSize(), 12);
}

TEST(MemoryStream, CopyFromTakesAllOrCountedBytes) {
  TObjectPtr<TStringStream> Source(TStringStream::Create(std::string(70000, 'q') + "end"));
  Source->SetPosition(5);
  TObjectPtr<TMemoryStream> M(TMemoryStream::Create());
  EXPECT_EQ(M->CopyFrom(Source.get(), 0), 70003);  // 0: all of it, from the start
  EXPECT_EQ(Contents(M.get(), 70003), Source->GetDataString());
  Source->SetPosition(69999);
  EXPECT_EQ(M->CopyFrom(Source.get(), 4), 4);
  EXPECT_EQ(Contents(M.get(), M->GetSize()).substr(69999), "qendqend");
  EXPECT_THROW(M->CopyFrom(Source.get(), 1), EReadError);  // the source is exhausted
}

TEST(MemoryStream, ReallocHookIsCalledAsDescendantsExpect) {
  Integer LiveBefore = GlobalLiveBlockCount();
  TObjectPtr<TGlobalStream> S(TGlobalStream::Create());
  S->WriteBuffer("a", 1);
  EXPECT_EQ(S->LastRequest, 1);
  EXPECT_EQ(S->GetCapacity(), 8192);
  std::string Chunk(8191, 'b');
  S->LastRequest = -1;
  S->WriteBuffer(Chunk.data(), Integer(Chunk.size()));  // fits: no call
  EXPECT_EQ(S->LastRequest, -1);
  S->WriteBuffer("c", 1);
  EXPECT_EQ(S->LastRequest, 8193);
  EXPECT_EQ(S->GetCapacity(), 16384);

  S->Step = 65536;
  S->SetSize(100);  // requested while Size is still 8193
  EXPECT_EQ(S->LastRequest, 100);
  EXPECT_EQ(S->GetCapacity(), 131072);
  S->Clear();
  EXPECT_EQ(S->LastRequest, 0);
  EXPECT_EQ(S->GetMemory(), nullptr);
  EXPECT_EQ(GlobalLiveBlockCount(), LiveBefore);

  S->WriteBuffer("d", 1);
  EXPECT_EQ(GlobalLiveBlockCount(), LiveBefore + 1);
  S.reset();  // destruction frees the block through the descendant's hook
  EXPECT_EQ(GlobalLiveBlockCount(), LiveBefore);
}

TEST(MemoryStream, FailedGrowthRaisesAndKeepsEverything) {
  TObjectPtr<TGlobalStream> S(TGlobalStream::Create());
  std::string Data(8000, 'k');
  S->WriteBuffer(Data.data(), Integer(Data.size()));
  S->SetPosition(7000);
  void* Memory = S->GetMemory();

  SetGlobalAllocFailure({.FailAbove = 8192});
  std::string More(1500, 'm');
  EXPECT_EQ(MessageOf<EStreamError>([&] { S->Write(More.data(), Integer(More.size())); }),
            "Out of memory while expanding memory stream");
  EXPECT_THROW(S->SetSize(9000), EStreamError);
  ResetGlobalAllocFailure();

  EXPECT_EQ(S->GetMemory(), Memory);
  EXPECT_EQ(S->GetCapacity(), 8192);
  EXPECT_EQ(S->GetSize(), 8000);
  EXPECT_EQ(S->GetPosition(), 7000);
  EXPECT_EQ(Contents(S.get(), 8000), Data);
  S->WriteBuffer(More.data(), Integer(More.size()));  // works again afterwards
  EXPECT_EQ(S->GetSize(), 8000 - 1000 + 1500);
}

TEST(MemoryStream, DefaultHookRefusesSizesPastTheLimitWithoutLosingData) {
  TObjectPtr<TMemoryStream> S(TMemoryStream::Create());
  S->WriteBuffer("keep", 4);
  EXPECT_THROW(S->SetSize(Int64(TMemoryStream::MaxSize) + 1), EStreamError);
  EXPECT_THROW(S->SetSize(TMemoryStream::MaxSize), EStreamError);  // rounding up passes the limit
  S->SetPosition(TMemoryStream::MaxSize);
  EXPECT_THROW(S->Write("x", 1), EStreamError);
  // Regression: a position sought to the end of Int64 overflowed in Write and Seek.
  EXPECT_EQ(S->Seek(INT64_MAX, soBeginning), INT64_MAX);
  EXPECT_THROW(S->Write("x", 1), EStreamError);
  EXPECT_EQ(S->Seek(Int64(10), soCurrent), INT64_MAX);
  EXPECT_EQ(S->Read(nullptr, 1), 0);
  EXPECT_EQ(S->GetSize(), 4);
  EXPECT_EQ(S->GetCapacity(), 8192);
  EXPECT_EQ(Contents(S.get(), 4), "keep");
}

TEST(StringStream, OverwritesInPlaceExtendsAndClampsItsPosition) {
  TObjectPtr<TStringStream> S(TStringStream::Create("abcdef"));
  EXPECT_EQ(S->Seek(Integer(-2), soFromEnd), 4);
  EXPECT_EQ(S->Seek(Integer(-1), soFromCurrent), 3);
  EXPECT_EQ(MessageOf<EStreamError>([&] { S->Seek(Integer(0), Word(3)); }), "Invalid seek origin (3)");
  EXPECT_EQ(S->GetPosition(), 3);
  S->SetPosition(2);
  S->WriteString("XY");
  EXPECT_EQ(S->GetDataString(), "abXYef");  // the tail is kept
  S->WriteString("ZZZ");
  EXPECT_EQ(S->GetDataString(), "abXYZZZ");
  EXPECT_EQ(S->Seek(-3, soFromEnd), 4);
  EXPECT_EQ(S->ReadString(2), "ZZ");  // as many as asked for
  EXPECT_EQ(S->GetPosition(), 6);
  S->SetPosition(4);
  EXPECT_EQ(S->ReadString(10), "ZZZ");  // no more than there is
  EXPECT_EQ(S->ReadString(1), "");
  EXPECT_EQ(S->Seek(Int64(50), soBeginning), 7);
  EXPECT_EQ(S->Seek(Int64(-50), soCurrent), 0);
  EXPECT_EQ(S->Seek(INT64_MAX, soEnd), 7);  // regression: overflowed before clamping
  EXPECT_EQ(S->Seek(INT64_MIN, soEnd), 0);
  S->SetPosition(5);
  S->SetSize(3);
  EXPECT_EQ(S->GetDataString(), "abX");
  EXPECT_EQ(S->GetPosition(), 3);
}

TEST(FileStream, CreatesWritesReopensResizesAndReportsFailures) {
  auto Dir = MakeTempDir();
  String Name = (Dir / "data.bin").string();
  {
    TObjectPtr<TFileStream> F(TFileStream::Create(Name, fmCreate | fmShareExclusive));
    F->WriteBuffer("0123456789", 10);
  }
  {
    TObjectPtr<TFileStream> F(TFileStream::Create(Name, fmOpenReadWrite));
    EXPECT_EQ(F->Seek(-4, soFromEnd), 6);
    F->WriteBuffer("AB", 2);
    F->SetSize(9);
    EXPECT_EQ(F->GetPosition(), 9);
  }
  TObjectPtr<TMemoryStream> M(TMemoryStream::Create());
  M->LoadFromFile(Name);
  EXPECT_EQ(Contents(M.get(), M->GetSize()), "012345AB8");
  {
    TObjectPtr<TFileStream> R(TFileStream::Create(Name, fmOpenRead | fmShareDenyNone));
    EXPECT_THROW(R->WriteBuffer("z", 1), EWriteError);  // opened for reading only
  }
  M->SetSize(3);
  M->SaveToFile(Name);  // over the old file, truncating it
  M->LoadFromFile(Name);
  EXPECT_EQ(Contents(M.get(), M->GetSize()), "012");

  String Missing = (Dir / "missing.txt").string();
  EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream::Create(Missing, fmOpenRead); }),
            "Cannot open file \"" + Missing + "\". No such file or directory");
  String NoDir = (Dir / "no" / "file.txt").string();
  EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream::Create(NoDir, fmCreate); }),
            "Cannot create file \"" + NoDir + "\". No such file or directory");
  EXPECT_THROW(TFileStream::Create(Dir.string(), fmOpenRead), EFOpenError);  // a directory
  std::filesystem::remove_all(Dir);
}

TEST(Streams, ReadingWholeStreamsGoesOnUntilTheyGiveNoMoreWhateverTheirSize) {
  String Data;
  for (int I = 0; Data.size() < 100003; ++I) Data += std::to_string(I) + ",";
  Data.resize(100003);
  {
    TObjectPtr<TPipeStream> Pipe(TPipeStream::Create(Data));
    EXPECT_EQ(Pipe->GetSize(), -1);
    EXPECT_EQ(ReadStreamToEnd(Pipe.get()), Data);
  }
  {
    TObjectPtr<TPipeStream> Pipe(TPipeStream::Create(Data));
    TObjectPtr<TMemoryStream> M(TMemoryStream::Create());
    M->LoadFromStream(Pipe.get());
    EXPECT_EQ(Contents(M.get(), M->GetSize()), Data);
  }
  {
    TObjectPtr<TPipeStream> Pipe(TPipeStream::Create(Data));
    TObjectPtr<TMemoryStream> M(TMemoryStream::Create());
    M->WriteBuffer("head:", 5);
    EXPECT_EQ(M->CopyFrom(Pipe.get(), 0), 100003);
    EXPECT_EQ(Contents(M.get(), M->GetSize()), "head:" + Data);
  }
  // A seekable stream is read from its position; 0 for CopyFrom still means
  // "from the start".
  TObjectPtr<TStringStream> S(TStringStream::Create("0123456789"));
  S->SetPosition(4);
  EXPECT_EQ(ReadStreamToEnd(S.get()), "456789");
  EXPECT_EQ(ReadStreamToEnd(S.get()), "");
  TObjectPtr<TMemoryStream> M(TMemoryStream::Create());
  EXPECT_EQ(M->CopyFrom(S.get(), 0), 10);
  EXPECT_EQ(Contents(M.get(), M->GetSize()), "0123456789");
}

TEST(FileStream, FilesUnderProcThatClaimNoSizeLoadWhole) {
  TObjectPtr<TFileStream> F(TFileStream::Create("/proc/self/status", fmOpenRead));
  EXPECT_LE(F->GetSize(), 0);  // the system gives such a file no size
  TObjectPtr<TMemoryStream> M(TMemoryStream::Create());
  M->LoadFromFile("/proc/self/status");
  ASSERT_GT(M->GetSize(), 20);
  EXPECT_EQ(Contents(M.get(), 5), "Name:");
  TObjectPtr<TMemoryStream> Copy(TMemoryStream::Create());
  EXPECT_GT(Copy->CopyFrom(F.get(), 0), 20);
  EXPECT_EQ(Contents(Copy.get(), 5), "Name:");
}
