// A file written under a temporary name beside its final one, so that a run
// that cannot finish never leaves a file that looks like a result: commit()
// renames it into place in one step.
#pragma once

#include <string>

namespace drav::tool {

// True when path names a regular file or nothing yet: a name a finished file
// can be renamed to. Devices and pipes are written where they are.
bool isReplaceableFile(const std::string& path);

class PartialFile {
public:
    // Creates an empty file "FINAL.part-PID-N" in the folder of finalPath.
    // Throws ToolError naming finalPath when the folder takes no new file.
    explicit PartialFile(std::string finalPath);
    // Removes the temporary file unless it was committed or kept.
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    const std::string& path() const { return path_; }
    const std::string& finalPath() const { return finalPath_; }

    // Renames the file to its final name, replacing what was there. Throws
    // ToolError (the file stays under its temporary name).
    void commit();
    // Leaves the file under its temporary name: it holds what a user may
    // still want, though it could not be completed.
    void keep() { state_ = State::Kept; }

private:
    enum class State { Open, Committed, Kept };
    std::string finalPath_, path_;
    State state_ = State::Open;
};

}  // namespace drav::tool
