// The helper unit: the global-memory stream's growth, freeing and failure, the
// dataset helpers, and the wrappers that adapt their arguments.
//
// Ideas for tests: WindowsDrawTextEx and WindowsExtTextOut against the
// recording of a window surface; SendGetSelMessage on an edit window.
#include <gtest/gtest.h>

#include <vector>

#include "base/KorvelVCL.h"
#include "platform/db/DB.h"
#include "platform/rtl/GlobalMemory.h"

namespace korvel {
namespace {

using namespace kvp;

std::vector<Byte> Bytes(Integer Count) {
  std::vector<Byte> Result(static_cast<std::size_t>(Count));
  for (std::size_t I = 0; I < Result.size(); ++I) Result[I] = Byte(I * 7 + 1);
  return Result;
}

std::vector<Byte> Contents(TMemoryStream* Stream) {
  const Byte* P = static_cast<const Byte*>(Stream->GetMemory());
  return std::vector<Byte>(P, P + Stream->GetSize());
}

class MemoryStreamKvTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetGlobalAllocFailure(); }
  TObjectPtr<TMemoryStreamKv> Stream{TMemoryStreamKv::Create()};
  Integer BlocksBefore = GlobalLiveBlockCount();
};

// A step below 1 is refused: 0 would round every request to nothing and a
// negative one below the data, so that writes would run past the block.
TEST_F(MemoryStreamKvTest, CapacityGrowsInMultiplesOfTwiceTheStep) {
  struct Case {
    Integer Step, Written, Capacity;
  };
  const Case Cases[] = {{4096, 1, 8192},     {4096, 8192, 8192},  {4096, 8193, 16384},
                        {65536, 1, 131072},  {3000, 6001, 12000}, {0, 1, 8192},
                        {-4096, 8193, 16384}};
  for (const Case& C : Cases) {
    SCOPED_TRACE(testing::Message() << "step " << C.Step << ", " << C.Written << " bytes");
    TObjectPtr<TMemoryStreamKv> S(TMemoryStreamKv::Create());
    if (C.Step >= 1)
      S->SetMemoryDelta(C.Step);
    else
      EXPECT_THROW(S->SetMemoryDelta(C.Step), EStreamError);
    const std::vector<Byte> Data = Bytes(C.Written);
    S->WriteBuffer(Data.data(), C.Written);
    EXPECT_EQ(S->GetCapacity(), C.Capacity);
    EXPECT_EQ(Contents(S.get()), Data);
  }
}

TEST_F(MemoryStreamKvTest, SizeZeroFreesTheBlockAndTheNextWriteTakesAFreshOne) {
  Stream->WriteBuffer("abc", 3);
  EXPECT_EQ(GlobalSize(GlobalHandle(Stream->GetMemory())), 8192u);  // global memory
  Stream->SetSize(0);
  EXPECT_EQ(Stream->GetMemory(), nullptr);
  EXPECT_EQ(GlobalLiveBlockCount(), BlocksBefore);
  Stream->WriteBuffer("xy", 2);
  EXPECT_EQ(Contents(Stream.get()), (std::vector<Byte>{'x', 'y'}));
  Stream.reset();
  EXPECT_EQ(GlobalLiveBlockCount(), BlocksBefore);
}

TEST_F(MemoryStreamKvTest, AFailedGrowthRaisesAndKeepsDataSizeAndPosition) {
  const std::vector<Byte> Data = Bytes(100), Big = Bytes(9000);
  Stream->WriteBuffer(Data.data(), 100);
  Stream->SetPosition(40);
  void* Block = Stream->GetMemory();
  SetGlobalAllocFailure({.FailAbove = 8192});
  try {
    Stream->WriteBuffer(Big.data(), 9000);
    FAIL() << "the write should not succeed";
  } catch (const EStreamError& E) {
    EXPECT_EQ(E.GetMessage(), "Out of memory while expanding memory stream");
  }
  EXPECT_EQ(Stream->GetMemory(), Block);
  EXPECT_EQ(Stream->GetPosition(), 40);
  EXPECT_EQ(Contents(Stream.get()), Data);
  ResetGlobalAllocFailure();  // usable again once there is memory
  Stream->WriteBuffer(Big.data(), 9000);
  EXPECT_EQ(Stream->GetSize(), 9040);
}

TEST(KorvelVCLDataSet, BookmarksCompareAndTheDataSetBehindADataSourcePropertyIsFound) {
  TObjectPtr<TMemoryDataSet> Master(TMemoryDataSet::Create(nullptr));
  Master->GetFieldDefs()->Add("ID", ftInteger);
  Master->Open();
  Master->AppendRecord({1});
  const TBookmark First = Master->GetBookmark();
  Master->AppendRecord({2});
  const TBookmark Second = Master->GetBookmark();
  EXPECT_EQ(DataSetCompareBookmarks(Master.get(), First, First), 0);
  EXPECT_LT(DataSetCompareBookmarks(Master.get(), First, Second), 0);
  EXPECT_GT(DataSetCompareBookmarks(Master.get(), Second, First), 0);

  TObjectPtr<TDataSource> Source(TDataSource::Create(nullptr));
  TObjectPtr<TMemoryDataSet> Detail(TMemoryDataSet::Create(nullptr));
  const TPropInfo* MasterSource = GetPropInfo(Detail.get(), "MasterSource");
  EXPECT_EQ(GetDataSetOfDataSourceProp(Detail.get(), MasterSource), nullptr);  // empty
  Detail->SetMasterSource(Source.get());
  EXPECT_EQ(GetDataSetOfDataSourceProp(Detail.get(), MasterSource), nullptr);  // no dataset
  Source->SetDataSet(Master.get());
  EXPECT_EQ(GetDataSetOfDataSourceProp(Detail.get(), MasterSource), Master.get());
  EXPECT_EQ(GetDataSetOfDataSourceProp(Detail.get(), GetPropInfo(Detail.get(), "Name")), nullptr);
  EXPECT_EQ(GetDataSetOfDataSourceProp(Detail.get(), nullptr), nullptr);
  Detail.reset();
}

TEST(KorvelVCLWrappers, LPtoDPMapsBothCornersOfTheCallersRectangle) {
  HDC DC = CreateCompatibleDC(nullptr);
  SetViewportOrgEx(DC, 10, 20, nullptr);
  TRect R = Rect(1, 2, 30, 40);
  EXPECT_TRUE(WindowsLPtoDP(DC, R));
  EXPECT_EQ(R, Rect(11, 22, 40, 60));
  DeleteDC(DC);
}

TEST(KorvelVCLText, ComparisonsAndCaseFollowTheLocale) {
  struct TCase {
    const char *A, *B;
    int Sensitive, Insensitive;  // signs
  };
  const TCase Cases[] = {
      {"abc", "ABC", 1, 0},
      {"a", "b", -1, -1},
      {"B", "a", 1, 1},
      {"same", "same", 0, 0},
  };
  auto Sign = [](Integer V) { return V < 0 ? -1 : V > 0 ? 1 : 0; };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.A) + " / " + C.B);
    EXPECT_EQ(Sign(CompareTextIgnoreCase(C.A, C.B)), C.Insensitive);
    EXPECT_EQ(Sign(CompareTextIgnoreCase(C.B, C.A)), -C.Insensitive);
    if (C.Sensitive == 0)
      EXPECT_EQ(CompareTextCaseSensitive(C.A, C.B), 0);
    else
      EXPECT_NE(CompareTextCaseSensitive(C.A, C.B), 0);
  }
  EXPECT_EQ(UpperCaseText("Grün"), "GRÜN");
  EXPECT_EQ(LowerCaseText("ÉTÉ"), "été");
}

}  // namespace
}  // namespace korvel
