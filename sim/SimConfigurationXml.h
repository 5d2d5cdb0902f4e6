// The XML text of a simulated head's configuration record (7003): its hardware table with a table of
// its own per board, its beam modes, and its setting sets under their device enums.
#pragma once

#include <cstdint>
#include <string>

#include "sim/SimModel.h"

// baseDeviceEnum is the device enum of the model's first setting set; the others follow it.
std::string SimConfigurationXml(const SimModel& model, std::uint16_t baseDeviceEnum);
