// The driver file's name, one per architecture: DRAV32.VCM for 32-bit hosts,
// DRAV64.VCM for 64-bit hosts. Hosts find the driver through its registration
// (vidc.DRAV) in their own registry view and system directory, so the name is
// free; distinct names keep both builds apart in one folder. Plain macros: the
// resource script includes this file too.
#pragma once

#ifdef _WIN64
#define DRAV_DRIVER_BASENAME "DRAV64"
#else
#define DRAV_DRIVER_BASENAME "DRAV32"
#endif
#define DRAV_DRIVER_FILE DRAV_DRIVER_BASENAME ".VCM"
