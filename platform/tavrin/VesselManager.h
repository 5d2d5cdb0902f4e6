// The host's vessels: each a number and a name, from the host's configuration, and the vessel the
// operator has made active.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/afx/CString.h"

class CBaseVessel {
 public:
  CBaseVessel(std::uint16_t id, CString name) : id_(id), name_(std::move(name)) {}

  std::uint16_t GetVesselId() const { return id_; }
  const CString& GetName() const { return name_; }

 private:
  std::uint16_t id_;
  CString name_;
};

class VesselManager {
 public:
  static VesselManager& GetVesselManager();

  VesselManager(const VesselManager&) = delete;
  VesselManager& operator=(const VesselManager&) = delete;

  // Adds a vessel; false (nothing added) when its number is taken. The first vessel added becomes
  // the active one.
  bool AddVessel(std::uint16_t id, const CString& name);
  // Removes every vessel (the host does this only when it stops).
  void Clear();

  int GetNumVessels() const;
  // The vessel at index, in the order added; null outside the list. Valid until Clear.
  const CBaseVessel* GetVessel(int index) const;
  // The name of the vessel with that number; empty when there is none.
  CString GetVesselName(std::uint16_t id) const;

  // Makes the vessel with that number the active one; false when there is none.
  bool SetActiveVessel(std::uint16_t id);
  // The active vessel's number; 0 when there are no vessels.
  std::uint16_t GetActiveVessel() const;

 private:
  VesselManager() = default;
  const CBaseVessel* Find(std::uint16_t id) const;

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<CBaseVessel>> vessels_;
  std::uint16_t active_ = 0;
};
