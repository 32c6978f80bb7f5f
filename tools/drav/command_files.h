// Checks on the files a command names, made before anything is opened for
// writing: mistakes that would destroy the input or flood a terminal.
#pragma once

#include <string>

namespace drav::tool {

// Throws ToolError (EXIT_USAGE) when output is the input file itself, however
// it is named: the same name, another spelling of it, a hard or symbolic link,
// or the standard stream ("-") redirected to it.
void requireOutputIsNotInput(const std::string& input, const std::string& output);

// Throws ToolError (EXIT_USAGE) when path is "-" and that standard stream is a
// terminal: video is binary, and no one types it in.
void requireNoTerminal(const std::string& path, bool output);

}  // namespace drav::tool
