// What the host offers modules at load: extension-module records and the library chain, and the device
// list. (The version check refusing another host's plug-in: tests/frame/KavoSonarConfigurationTest.cpp.)
#include <gtest/gtest.h>

#include "platform/afx/AFX_EXTENSION_MODULE.h"
#include "platform/afx/CDynLinkLibrary.h"
#include "platform/tavrin/CDevList.h"

namespace {

// A module's chain entries go when it is terminated, and only its own. (The plug-in's own entry joining
// and leaving the chain: tests/frame/KavoSonarConfigurationTest.cpp.)
TEST(ExtensionModule, ChainEntriesLiveUntilTheirModuleIsTerminated) {
  int first = 0;
  int second = 0;
  AFX_EXTENSION_MODULE refused;
  EXPECT_FALSE(AfxInitExtensionModule(refused, nullptr));
  AFX_EXTENSION_MODULE a;
  AFX_EXTENSION_MODULE b;
  ASSERT_TRUE(AfxInitExtensionModule(a, &first) && AfxInitExtensionModule(b, &second));
  EXPECT_TRUE(a.hModule == &first && a.hResource == &first);
  new CDynLinkLibrary(a, false);
  new CDynLinkLibrary(a, false);
  new CDynLinkLibrary(b, true);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&first), 2U);
  AfxTermExtensionModule(a, false);
  EXPECT_TRUE(!a.bInitialized && a.hModule == nullptr);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&first), 0U);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&second), 1U);
  AfxTermExtensionModule(b, false);
  EXPECT_EQ(CDynLinkLibrary::CountInChain(&second), 0U);
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
