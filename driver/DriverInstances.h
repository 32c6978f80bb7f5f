// Opening and closing the driver: one CodecInstance per DRV_OPEN with an
// ICOPEN record, whose address is the driver identifier of later messages.
#pragma once

#include <windows.h>
#include <vfw.h>

#include "CodecInstance.h"

namespace drav {

// What DRV_OPEN returns without an ICOPEN record: configuration only, no instance.
constexpr DWORD_PTR CONFIGURATION_ONLY_ID = 0xFFFF0000;

// The instance a driver identifier stands for; null for the configuration-only
// identifier and for 0 (the identifier of the very first DRV_OPEN).
CodecInstance* instanceFromId(DWORD_PTR driverId);

// DRV_OPEN: CONFIGURATION_ONLY_ID without a record, the new instance's address,
// or 0 when the record is not for video compression or memory is exhausted.
LRESULT openDriver(ICOPEN* openRecord);

// DRV_CLOSE: releases the instance with every stream buffer it still holds.
LRESULT closeDriver(DWORD_PTR driverId);

}  // namespace drav
