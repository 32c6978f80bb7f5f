#include "partial_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tool_error.h"

namespace drav::tool {

namespace {

// mkstemp's files are private to their owner; a recording gets the
// permissions any new file of the user's gets (0666 less the umask).
int createNew(const std::string& path) { return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); }

}  // namespace

bool isReplaceableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) != 0 || S_ISREG(status.st_mode);
}

PartialFile::PartialFile(std::string finalPath) : finalPath_(std::move(finalPath)) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0;; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".part-%ld-%u", long(getpid()), counter++);
        path_ = finalPath_ + suffix;
        int descriptor = createNew(path_);
        if (descriptor >= 0) {
            close(descriptor);
            return;
        }
        if (errno != EEXIST || attempt == 100)
            throw ToolError(fileMessage(finalPath_, std::string("cannot create: ") + std::strerror(errno)));
    }
}

PartialFile::~PartialFile() {
    if (state_ == State::Open) std::remove(path_.c_str());
}

void PartialFile::commit() {
    if (std::rename(path_.c_str(), finalPath_.c_str()) != 0) {
        state_ = State::Kept;
        throw ToolError(fileMessage(finalPath_, std::string("cannot put the finished file in place: ") +
                                                    std::strerror(errno) + "; it is " + path_));
    }
    state_ = State::Committed;
}

}  // namespace drav::tool
