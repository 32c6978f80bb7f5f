// The trace for people who integrate the driver with a host: every message
// with its parameters, the formats it carries and what the driver answered,
// one OutputDebugString line each, starting "DRAV ". Off unless the settings
// key's value "Trace" reads "1" or the environment variable DRAV_TRACE is
// "1" when the driver file loads (DRV_LOAD): hosts load the driver afresh
// once they have closed its last instance. Off, a message costs one test.
#pragma once

#include <windows.h>

namespace drav {

constexpr const char* SETTING_TRACE = "Trace";

// At DRV_LOAD: reads the switch.
void startTrace();
bool isTracing();

// One line for a message and its answer (formats read as the driver reads
// them: nothing past a header's biSize).
void traceMessage(DWORD_PTR driverId, UINT message, LPARAM lParam1, LPARAM lParam2, LRESULT result);

}  // namespace drav
