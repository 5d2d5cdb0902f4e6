// The host's data manager: owns the devices, finds them by data identifier, and reads and changes
// their attribute maps under each device's attribute lock.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/tavrin/BaseDataSource.h"
#include "platform/tavrin/CAttributeMap.h"
#include "platform/tavrin/CDataBlock.h"
#include "platform/tavrin/CDataId.h"
#include "platform/tavrin/Device.h"

class DataManager {
 public:
  // SetAttributeMap flag: merge the map into the device's map instead of replacing it.
  static constexpr int kMergeAttributes = 4;

  static DataManager& GetDataManager();

  DataManager(const DataManager&) = delete;
  DataManager& operator=(const DataManager&) = delete;

  // Takes a device under its data identifier. False (device dropped) when the identifier is taken.
  bool AddDevice(std::unique_ptr<Device> device);
  // Takes the device out of the manager; it is destroyed as soon as no call of the manager still
  // works on it. False when no device has that identifier.
  bool RemoveDevice(const CDataId& id);
  // The device, valid while it stays in the manager (the host removes devices only at shutdown).
  Device* FindDevice(const CDataId& id) const;
  // How many devices the vessel has, and the one at index among them in the order they were added;
  // null outside that range.
  unsigned short GetDeviceCount(std::uint16_t vesselId) const;
  Device* GetDevice(int index, std::uint16_t vesselId) const;

  // Copies the device's attribute map into map. False when no device has that identifier.
  bool GetAttributeMap(const CDataId& id, CAttributeMap& map) const;
  // With kMergeAttributes, merges map into the device's map (a "Request" child map joins the
  // requests already pending); with any other flag, replaces the device's map. False when no device
  // has that identifier. The host then has the device apply it (message 0x8029).
  bool SetAttributeMap(const CDataId& id, const CAttributeMap& map, int flags);

  // The data buffer of a data identifier: the device's own buffer for a device, otherwise the buffer
  // the host keeps for that identifier's sensor data once a block was stored for it. Null when there
  // is neither. A device's buffer is valid while the device stays; a sensor buffer for good.
  BaseDataSource* FindDatablockBuffer(const CDataId& id) const;
  // Makes block the current data block of the identifier's buffer (a sensor buffer is made for an
  // identifier that no device has), then notifies the new-data subscribers of the identifier's key
  // with a DataId_NI.
  void StoreDataBlock(const CDataId& id, CDataBlock block);

 private:
  DataManager();
  // The device, kept alive for the caller even if another thread removes it meanwhile.
  std::shared_ptr<Device> ShareDevice(const CDataId& id) const;

  mutable std::mutex mutex_;
  std::map<CDataId, std::shared_ptr<Device>> devices_;
  std::vector<CDataId> order_;  // the devices' identifiers in the order they were added
  std::map<CDataId, std::unique_ptr<BaseDataSource>> sensorBuffers_;
};
