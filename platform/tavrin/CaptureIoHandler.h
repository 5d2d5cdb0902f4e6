// A plain (non-sonar) port that keeps every record handed to it.
#pragma once

#include "platform/tavrin/BaseIOHandler.h"
#include "platform/tavrin/RecordCapture.h"

using CaptureIoHandler = RecordCapture<BaseIOHandler>;
