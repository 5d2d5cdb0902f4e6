// Fault switches of a simulated sonar as JSON: the "faults" object of a simulated sonar's
// configuration, the body of the API's call that changes them, and the switches as the API shows them.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>

#include "sim/SimFaults.h"

struct SimModel;

// What the object is for, which decides how it gives events: a configuration's "events", a list that
// each host gets as it connects, or a change's "event", one sent now.
enum class SimFaultsJsonUse { kConfiguration, kChange };

// Reads {"boards": {"TX1": 1}, "fieldsOutOfLimits": ["RX1/Temperature"], "silent": false} and the
// events of `use` into `faults`. With a model, every board and field must be one of it. The first
// problem names its entry below the object ("boards.TX9", "event.type"; empty for the object itself).
std::optional<SimFaultProblem> ReadSimFaultsJson(const nlohmann::ordered_json& object, SimFaultsJsonUse use,
                                                 const SimModel* model, SimFaults& faults);

// {"boards": {...only boards in error}, "fieldsOutOfLimits": [...], "silent": b}.
nlohmann::ordered_json SimFaultsJson(const SimFaults& faults);
