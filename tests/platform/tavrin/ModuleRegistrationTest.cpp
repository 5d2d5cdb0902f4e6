// What the host offers modules at load: the version check, extension-module records and the library
// chain, and the device list.
#include <gtest/gtest.h>

#include "platform/afx/AFX_EXTENSION_MODULE.h"
#include "platform/afx/CDynLinkLibrary.h"
#include "platform/tavrin/CDevList.h"
#include "platform/tavrin/VersionControl.h"

namespace {

TEST(CheckDllVersion, AcceptsExactlyTheHostsVersion) {
  EXPECT_TRUE(CheckDllVersion(0x0400000A, "Module", "Jan  1 2024 00:00:00"));
  EXPECT_FALSE(CheckDllVersion(0x0400000B, "Module", "Jan  1 2024 00:00:00"));
  SetHostVersion(0x0500000A);
  EXPECT_FALSE(CheckDllVersion(0x0400000A, "Module", ""));
  EXPECT_TRUE(CheckDllVersion(0x0500000A, "Module", ""));
  SetHostVersion(kTavrinHostVersion);
}

TEST(ExtensionModule, ChainEntriesLiveUntilTheirModuleIsTerminated) {
  int first = 0;
  int second = 0;
  AFX_EXTENSION_MODULE refused;
  EXPECT_FALSE(AfxInitExtensionModule(refused, nullptr));
  AfxTermExtensionModule(refused, false);  // never initialised: frees nothing

  AFX_EXTENSION_MODULE a;
  AFX_EXTENSION_MODULE b;
  ASSERT_TRUE(AfxInitExtensionModule(a, &first));
  ASSERT_TRUE(AfxInitExtensionModule(a, &second));  // already initialised: stays with its module
  ASSERT_TRUE(AfxInitExtensionModule(b, &second));
  EXPECT_EQ(a.hModule, &first);
  EXPECT_EQ(a.hResource, &first);
  new CDynLinkLibrary(a, false);
  new CDynLinkLibrary(a, false);
  new CDynLinkLibrary(b, true);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&first), 2U);

  AfxTermExtensionModule(a, false);
  EXPECT_FALSE(a.bInitialized);
  EXPECT_EQ(a.hModule, nullptr);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&first), 0U);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&second), 1U);
  ASSERT_TRUE(AfxInitExtensionModule(a, &first));
  new CDynLinkLibrary(a, false);
  AfxTermExtensionModule(b, true);  // all: every module's entries
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&first) + CDynLinkLibrary::CountInChain(&second), 0U);
}

// Counts its live instances, so that the list's ownership of creators shows.
class CountingCreator : public DevICreator {
 public:
  CountingCreator() { ++live; }
  ~CountingCreator() override { --live; }
  Device* Create() override { return new Device(); }
  static inline int live = 0;
};

TEST(CDevList, OwnsCreatorsAndMakesDevicesByRegisteredName) {
  CDevList& list = CDevList::GetDevList();
  EXPECT_TRUE(list.RegisterDev("Counting", new CountingCreator()));
  EXPECT_FALSE(list.RegisterDev("Counting", new CountingCreator()));  // taken: the new one is deleted
  EXPECT_FALSE(list.RegisterDev("Null", nullptr));
  EXPECT_EQ(CountingCreator::live, 1);
  EXPECT_TRUE(list.IsRegistered("Counting"));
  EXPECT_FALSE(list.IsRegistered("Null"));

  EXPECT_NE(list.CreateDevice("Counting"), nullptr);
  EXPECT_EQ(list.CreateDevice("Unknown"), nullptr);
  EXPECT_TRUE(list.UnRegisterDev("Counting"));
  EXPECT_EQ(CountingCreator::live, 0);
  EXPECT_FALSE(list.UnRegisterDev("Counting"));
  EXPECT_EQ(list.CreateDevice("Counting"), nullptr);
}

}  // namespace
