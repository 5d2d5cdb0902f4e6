// The changes applied to sonars that wait for the sonar's word: the value a sonar reports for a key
// after a change request is what it took (a value outside its limits comes back clamped). A report
// that holds the requested value confirms it at once; any other value confirms once the sonar has had
// time to apply the request (records sent before it arrived may still be on their way). A change of a
// key the sonar does not report, or one it never answers, is not waited for beyond kLongestWait.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tavrin/CAttributeMap.h"

class ChangeConfirmations {
 public:
  static constexpr double kSettleSeconds = 1.0;
  static constexpr double kLongestWait = 60.0;

  struct Awaited {
    std::uint64_t seq = 0;  // the change's history entry
    std::string device;
    std::string key;
    COrvType requested;
    double applied = 0.0;  // seconds on a steady clock
  };
  struct Confirmed {
    std::uint64_t seq = 0;
    COrvType value;
  };

  void Await(Awaited change);
  // The device's sonar connected again: what it was sent before is not answered any more (a sonar
  // that lost power reports its own defaults), so its changes stay unconfirmed.
  void Forget(const std::string& device);
  // What the device's sonar reported at `now`: the changes it confirms, oldest first.
  std::vector<Confirmed> Reported(const std::string& device, const CAttributeMap& reported, double now);
  std::size_t Waiting() const;

 private:
  mutable std::mutex mutex_;
  std::vector<Awaited> waiting_;  // oldest first
};
