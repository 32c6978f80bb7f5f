#include "foundation/VFile.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"

bool VFile::create(const VString& path) {
    close();
    handle_ = _open(path.cStr(), _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    return handle_ != -1;
}

// A short write means a full disk or a failing device: the file would be cut
// short, so it counts as failure once the runtime makes no more progress.
bool VFile::write(const VByteBuffer& buffer) {
    if (handle_ == -1) return false;
    const unsigned char* next = buffer.data();
    int remaining = buffer.size();
    while (remaining > 0) {
        int written = _write(handle_, next, static_cast<unsigned>(remaining));
        if (written <= 0) return false;
        next += written;
        remaining -= written;
    }
    return true;
}

void VFile::close() {
    if (handle_ == -1) return;
    _close(handle_);
    handle_ = -1;
}
