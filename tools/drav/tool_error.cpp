#include "tool_error.h"

#include <cstdio>

namespace drav::tool {

std::string fileMessage(const std::string& file, const std::string& text) { return file + ": " + text; }

std::string frameMessage(const std::string& file, int64_t frame, const std::string& text) {
    return file + ": frame " + std::to_string(frame) + ": " + text;
}

void printDiagnostic(const std::string& text) { std::fprintf(stderr, "drav: %s\n", text.c_str()); }

}  // namespace drav::tool
