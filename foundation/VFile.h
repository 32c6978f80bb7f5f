#pragma once
// One file open through the runtime's descriptor I/O in binary mode, for the
// installer. Reports by return value only; never throws.
#include <cstdint>

#include "foundation/SystemDirectories.h"

class VByteBuffer;
class VString;

class VFile {
public:
    VFile() = default;
    // Closes a file the owner left open, so no descriptor leaks.
    ~VFile() { close(); }
    VFile(const VFile&) = delete;
    VFile& operator=(const VFile&) = delete;

    // Creates or truncates `path` for reading and writing (closing any file
    // held before). False when it cannot be opened: missing directory, access
    // denied, held open by another handle without sharing.
    bool create(const VString& path);

    // Writes every byte of `buffer`; false when the file is not open or the
    // bytes could not all be written.
    bool write(const VByteBuffer& buffer);

    // Harmless on a closed file.
    void close();

    int handle() const { return handle_; }  // -1 while no file is open

private:
    std::int32_t handle_ = -1;
};
