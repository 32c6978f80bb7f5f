// The three commands; each returns the process's exit code or throws ToolError.
#pragma once

#include "command_line.h"

namespace drav::tool {

int runEncode(const EncodeOptions& options);
int runDecode(const DecodeOptions& options);
int runInfo(const InfoOptions& options);

}  // namespace drav::tool
