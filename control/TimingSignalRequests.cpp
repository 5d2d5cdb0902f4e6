// The sonar's external timing signals: the edges it takes from the pulse-per-second and trigger
// inputs, its trigger output pulse, and the external trigger input command.
#include <array>
#include <cstdint>

#include "control/KavoSonarConfigurationControlDevice.h"
#include "control/RequestKeys.h"
#include "control/RequestValues.h"
#include "platform/tavrin/LittleEndian.h"

using namespace request_keys;

namespace {

constexpr unsigned long kTriggerInputId = 1114;
constexpr unsigned long kTriggerOutputId = 1115;
constexpr unsigned long kEdgesId = 1116;

// Trigger output: u32 flags, f64 pulse width in seconds, f64 delay in seconds.
constexpr std::size_t kOutputFlagsOffset = 0;
constexpr std::size_t kOutputPulseOffset = 4;
constexpr std::size_t kOutputDelayOffset = 12;
constexpr std::size_t kTriggerOutputSize = 20;
constexpr std::uint32_t kOutputOnBit = 1U << 0;
// Edges: u32 flags, a bit set for each input whose edge selector is 0.
constexpr std::size_t kEdgesSize = 4;
constexpr std::uint32_t kPpsEdgeBit = 1U << 0;
constexpr std::uint32_t kTriggerInputEdgeBit = 1U << 1;

// What the sonar uses for a timing value that neither the request nor the device gives.
constexpr double kDefaultOutputDelayMs = 0.0;
constexpr double kDefaultOutputPulseMs = 1.0;
constexpr int kDefaultPpsEdge = 0;
constexpr int kDefaultTriggerInputEdge = 1;

constexpr double kMillisecondsPerSecond = 1000.0;

}  // namespace

void KavoSonarConfigurationControlDevice::RequestPPSEdge() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.HasAny({kPpsEdgeKey, kTriggerInputEdgeKey})) return;
  const int ppsEdge = values.ResolveOr(kPpsEdgeKey, kDefaultPpsEdge);
  const int triggerInputEdge = values.ResolveOr(kTriggerInputEdgeKey, kDefaultTriggerInputEdge);

  std::uint32_t flags = 0;
  if (ppsEdge == 0) flags |= kPpsEdgeBit;
  if (triggerInputEdge == 0) flags |= kTriggerInputEdgeBit;
  std::array<std::byte, kEdgesSize> payload{};
  le::PutU32(payload, 0, flags);
  SendRemoteControlRecord(kEdgesId, payload.data(), payload.size(), -1);

  values.Consume({kPpsEdgeKey, kTriggerInputEdgeKey});
  values.Store(kPpsEdgeKey, ppsEdge);
  values.Store(kTriggerInputEdgeKey, triggerInputEdge);
}

void KavoSonarConfigurationControlDevice::RequestTriggerOutput() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.HasAny({kTriggerOutputDelayKey, kTriggerOutputPulseKey, kTriggerOutputKey})) return;
  const double delayMs = values.ResolveOr(kTriggerOutputDelayKey, kDefaultOutputDelayMs);
  const double pulseMs = values.ResolveOr(kTriggerOutputPulseKey, kDefaultOutputPulseMs);
  const bool on = values.ResolveOr(kTriggerOutputKey, false);

  // The sonar takes the pulse timing in seconds, in double precision.
  std::array<std::byte, kTriggerOutputSize> payload{};
  le::PutU32(payload, kOutputFlagsOffset, on ? kOutputOnBit : 0U);
  le::PutF64(payload, kOutputPulseOffset, pulseMs / kMillisecondsPerSecond);
  le::PutF64(payload, kOutputDelayOffset, delayMs / kMillisecondsPerSecond);
  SendRemoteControlRecord(kTriggerOutputId, payload.data(), payload.size(), -1);

  // The device keeps milliseconds, defaults included, so that it shows what the sonar was sent.
  values.Consume({kTriggerOutputDelayKey, kTriggerOutputPulseKey, kTriggerOutputKey});
  values.Store(kTriggerOutputDelayKey, delayMs);
  values.Store(kTriggerOutputPulseKey, pulseMs);
  values.Store(kTriggerOutputKey, on);
}

void KavoSonarConfigurationControlDevice::RequestTriggerInput() {
  CAttributeMap* request = FetchRequest();
  if (request == nullptr) return;
  RequestValues values(*request, GetAttributes());
  if (!values.Has(kTriggerInputKey)) return;
  bool on = false;
  if (!values.Resolve(kTriggerInputKey, on)) return;

  // Only switching the input on is a command to the sonar; switching it off is kept as a setting.
  if (on) {
    const std::array<std::byte, 1> payload{};  // the one data byte is 0
    SendRemoteControlRecord(kTriggerInputId, payload.data(), payload.size(), -1);
  }
  values.Consume({kTriggerInputKey});
  values.Store(kTriggerInputKey, on);
}
