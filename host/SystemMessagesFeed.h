// Hands the system message records of the host's sonars (configuration, BITE results, stored events,
// events) to the open system messages views: each record as it arrives, on the UI thread, under the
// sonar device's name; and to a view that opens later, the latest of each kind that came before.
#pragma once

#include <memory>
#include <vector>

#include "platform/tavrin/CDataId.h"

class UiThread;

class SystemMessagesFeed {
 public:
  // sonars: the data ids of the devices whose records are handed on (a record names its device by key).
  SystemMessagesFeed(UiThread& ui, std::vector<CDataId> sonars);
  SystemMessagesFeed(const SystemMessagesFeed&) = delete;
  SystemMessagesFeed& operator=(const SystemMessagesFeed&) = delete;
  // Hands on nothing more; what is posted to the UI thread already still arrives.
  ~SystemMessagesFeed();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
