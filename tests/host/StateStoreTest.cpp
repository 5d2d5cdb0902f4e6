// The state folder: maps written whole and read back, writes gathered. A damaged file set aside at a
// host's start, and a second host refused the folder another holds, are in the end-to-end HostRestartTest.
#include "host/StateStore.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "platform/tavrin/DataManager.h"
#include "platform/tavrin/Device.h"
#include "tests/tools/ScratchFolder.h"

namespace {

class StateStoreTest : public ::testing::Test {
 protected:
  StateStoreTest() {
    auto device = std::make_unique<Device>();
    device->SetDataId(id_);
    device_ = device.get();
    DataManager::GetDataManager().AddDevice(std::move(device));
  }
  ~StateStoreTest() override { DataManager::GetDataManager().RemoveDevice(id_); }
  std::unique_ptr<StateStore> Open() {
    std::string error;
    auto store = StateStore::Open(
        folder_.path, [this](const std::string& problem) { problems_ += problem; }, error);
    EXPECT_TRUE(store) << error;
    return store;
  }
  void SetRange(double range) {
    std::lock_guard lock(device_->GetAttribLock());
    device_->GetAttributes().Add("ZqRange", COrvDouble(range));
  }

  ScratchFolder folder_{"state"};
  CDataId id_{9, 78, 1, 9};
  Device* device_ = nullptr;
  std::string problems_;
};

// Written within a second of a change and loaded at the next start: the end-to-end HostRestartTest.
TEST_F(StateStoreTest, ClosingWritesWhatIsPendingAndAFileAKillLeftHalfWrittenIsCleared) {
  auto store = Open();
  SetRange(80.0);
  store->MarkChanged(id_);
  store.reset();  // closing writes what is pending
  EXPECT_EQ(ReadText(folder_ / "9.78.1.9.json"),
            "[\n {\n  \"ZqRange\": {\n   \"double\": 80.0\n  }\n }\n]\n");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "9.78.1.9.json.tmp"));

  // A new file that a kill left half written is cleared away at the next start; the old one stays.
  std::ofstream(folder_ / "9.78.1.9.json.tmp") << "[\n {\n  \"ZqRan";
  SetRange(1.0);
  store = Open();
  EXPECT_FALSE(std::filesystem::exists(folder_ / "9.78.1.9.json.tmp"));
  std::string report;
  EXPECT_EQ(store->Load(*device_, report), StateStore::LoadOutcome::kLoaded);
  double range = 0.0;
  unsigned flags = 0;
  EXPECT_TRUE(device_->GetAttribValue("ZqRange", range, flags));
  EXPECT_EQ(range, 80.0);
  EXPECT_TRUE(problems_.empty()) << problems_;
}

TEST(StateStoreOpenTest, AFolderThatCannotBeMadeIsNamed) {
  std::string error;
  EXPECT_FALSE(StateStore::Open("/proc/self/no-such/state", nullptr, error));
  EXPECT_NE(error.find("/proc/self/no-such/state"), std::string::npos);
}

}  // namespace
