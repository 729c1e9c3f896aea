// The resource table: the file the build embeds, resources registered at run
// time and how they hide and uncover each other.
#include <gtest/gtest.h>

#include <string>

#include "platform/classes/Resources.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

using namespace kvp;

namespace {

std::string Text(const TResourceEntry* E) {
  return std::string(reinterpret_cast<const char*>(E->Data), E->Size);
}

const std::string EmbeddedText = "Korvel embedded resource test data.\n";

}  // namespace

TEST(ResourceTable, FindsTheEmbeddedFileByNameAndTypeInAnyCase) {
  const TResourceEntry* E = FindResource("KVTESTDATA", "TEST");
  ASSERT_NE(E, nullptr);
  EXPECT_STREQ(E->Name, "KVTESTDATA");
  EXPECT_STREQ(E->Type, "TEST");
  EXPECT_EQ(Text(E), EmbeddedText);
  EXPECT_EQ(E->Data[E->Size], 0) << "embedded data ends with a zero byte";

  EXPECT_EQ(FindResource("kvTestData", "test"), E);
  EXPECT_EQ(FindResource("KVTESTDATA", "BITMAP"), nullptr);
  EXPECT_EQ(FindResource("KVTESTDATA.txt", "TEST"), nullptr);
  EXPECT_EQ(FindResource("NOSUCHTHING", "TEST"), nullptr);
}

TEST(ResourceTable, RegisteredResourcesAreFoundAndReplaced) {
  RegisterResource("dbgArrowTest", RT_BITMAP, {1, 2, 3});
  const TResourceEntry* E = FindResource("DBGARROWTEST", "bitmap");
  ASSERT_NE(E, nullptr);
  EXPECT_STREQ(E->Name, "DBGARROWTEST");
  EXPECT_STREQ(E->Type, "BITMAP");
  ASSERT_EQ(E->Size, 3u);
  EXPECT_EQ(E->Data[2], 3);
  // Same name, other type: a separate resource.
  EXPECT_EQ(FindResource("DBGARROWTEST", RT_CURSOR), nullptr);

  RegisterResource("DBGARROWTEST", "Bitmap", {9});
  E = FindResource("DBGARROWTEST", RT_BITMAP);
  ASSERT_NE(E, nullptr);
  ASSERT_EQ(E->Size, 1u);
  EXPECT_EQ(E->Data[0], 9);

  EXPECT_TRUE(UnregisterResource("dbgarrowtest", "BITMAP"));
  EXPECT_EQ(FindResource("DBGARROWTEST", RT_BITMAP), nullptr);
  EXPECT_FALSE(UnregisterResource("DBGARROWTEST", RT_BITMAP));

  EXPECT_THROW(RegisterResource("", "TEST", {1}), EInvalidArgument);
  EXPECT_THROW(RegisterResource("NAME", "", {1}), EInvalidArgument);
}

TEST(ResourceTable, ARegisteredResourceHidesTheEmbeddedOneUntilRemoved) {
  RegisterResource("KVTESTDATA", "TEST", {'x'});
  EXPECT_EQ(Text(FindResource("KVTESTDATA", "TEST")), "x");
  EXPECT_TRUE(UnregisterResource("KVTESTDATA", "TEST"));
  EXPECT_EQ(Text(FindResource("KVTESTDATA", "TEST")), EmbeddedText);
  // The embedded one stays.
  EXPECT_FALSE(UnregisterResource("KVTESTDATA", "TEST"));
  EXPECT_NE(FindResource("KVTESTDATA", "TEST"), nullptr);
}

TEST(ResourceStream, ReadsTheResourceAndRefusesWrites) {
  TObjectPtr<TResourceStream> S(TResourceStream::Create(HInstance, "kvtestdata", "TEST"));
  EXPECT_EQ(S->GetSize(), Int64(EmbeddedText.size()));
  std::string Got(6, '\0');
  S->ReadBuffer(Got.data(), 6);
  EXPECT_EQ(Got, "Korvel");
  EXPECT_EQ(S->GetPosition(), 6);

  for (int Attempt = 0; Attempt < 2; ++Attempt) {
    try {
      if (Attempt == 0)
        S->Write("x", 1);
      else
        S->WriteBuffer("x", 1);
      ADD_FAILURE() << "wrote to a resource";
    } catch (const EStreamError& E) {
      EXPECT_EQ(E.GetMessage(), "Can't write to a read-only resource stream");
    }
  }
  S->SetPosition(0);
  S->ReadBuffer(Got.data(), 6);
  EXPECT_EQ(Got, "Korvel") << "a refused write changes nothing";
}

TEST(ResourceStream, MissingResourceRaisesAndReplacementDoesNotDisturbAnOpenStream) {
  try {
    TResourceStream::Create(HInstance, "NOSUCHRES", RT_BITMAP);
    ADD_FAILURE() << "created a stream over nothing";
  } catch (const EResNotFound& E) {
    EXPECT_EQ(E.GetMessage(), "Resource NOSUCHRES not found");
  }

  RegisterResource("SWAPPED", "TEST", {'a', 'b'});
  TObjectPtr<TResourceStream> S(TResourceStream::Create(HInstance, "SWAPPED", "TEST"));
  RegisterResource("SWAPPED", "TEST", {'z'});
  UnregisterResource("SWAPPED", "TEST");
  char Got[2] = {};
  EXPECT_EQ(S->Read(Got, 2), 2);
  EXPECT_EQ(Got[0], 'a');
  EXPECT_EQ(Got[1], 'b');
}

TEST(ResourceTable, AHiddenResourceIsNotFoundUntilShownAgain) {
  SetResourceHidden("kvtestdata", "test", true);
  EXPECT_EQ(FindResource("KVTESTDATA", "TEST"), nullptr);
  EXPECT_THROW(TObjectPtr<TResourceStream>(TResourceStream::Create(HInstance, "KVTESTDATA", "TEST")),
               EResNotFound);
  // Registering one under the hidden name does not uncover it either.
  RegisterResource("KVTESTDATA", "TEST", {'x'});
  EXPECT_EQ(FindResource("KVTESTDATA", "TEST"), nullptr);
  EXPECT_TRUE(UnregisterResource("KVTESTDATA", "TEST"));
  SetResourceHidden("KVTESTDATA", "TEST", false);
  ASSERT_NE(FindResource("KVTESTDATA", "TEST"), nullptr);
  EXPECT_EQ(Text(FindResource("KVTESTDATA", "TEST")), EmbeddedText);
}
