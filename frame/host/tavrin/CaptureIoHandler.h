// A plain (non-sonar) port that keeps every record handed to it.
#pragma once

#include "tavrin/BaseIOHandler.h"
#include "tavrin/RecordCapture.h"

using CaptureIoHandler = RecordCapture<BaseIOHandler>;
