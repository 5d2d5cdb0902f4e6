#include "platform/tavrin/VesselManager.h"

VesselManager& VesselManager::GetVesselManager() {
  static VesselManager manager;
  return manager;
}

bool VesselManager::AddVessel(std::uint16_t id, const CString& name) {
  std::lock_guard lock(mutex_);
  if (Find(id) != nullptr) return false;
  vessels_.push_back(std::make_unique<CBaseVessel>(id, name));
  if (vessels_.size() == 1) active_ = id;
  return true;
}

void VesselManager::Clear() {
  std::lock_guard lock(mutex_);
  vessels_.clear();
  active_ = 0;
}

int VesselManager::GetNumVessels() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(vessels_.size());
}

const CBaseVessel* VesselManager::GetVessel(int index) const {
  std::lock_guard lock(mutex_);
  if (index < 0 || index >= static_cast<int>(vessels_.size())) return nullptr;
  return vessels_[static_cast<std::size_t>(index)].get();
}

CString VesselManager::GetVesselName(std::uint16_t id) const {
  std::lock_guard lock(mutex_);
  const CBaseVessel* vessel = Find(id);
  return vessel != nullptr ? vessel->GetName() : CString();
}

bool VesselManager::SetActiveVessel(std::uint16_t id) {
  std::lock_guard lock(mutex_);
  if (Find(id) == nullptr) return false;
  active_ = id;
  return true;
}

std::uint16_t VesselManager::GetActiveVessel() const {
  std::lock_guard lock(mutex_);
  return active_;
}

const CBaseVessel* VesselManager::Find(std::uint16_t id) const {
  for (const auto& vessel : vessels_) {
    if (vessel->GetVesselId() == id) return vessel.get();
  }
  return nullptr;
}
