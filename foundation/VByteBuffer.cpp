#include "foundation/VByteBuffer.h"

#include <windows.h>

#include <climits>
#include <cstring>

#include "foundation/Allocation.h"
#include "foundation/VSystemException.h"
#include "foundation/ModuleState.h"

VByteBuffer::~VByteBuffer() { freeBytes(data_); }

void VByteBuffer::setSize(int n) {
    if (n == size_) return;
    if (n < 0) throw VSystemException(ErrorIllegalParameter, VBYTEBUFFER_LINE_NEGATIVE_SIZE, VBYTEBUFFER_FILE);
    if (n == 0) {
        freeBytes(data_);
        data_ = nullptr;
        size_ = 0;
        return;
    }
    void* block = reallocateBytes(data_, static_cast<std::size_t>(n));
    if (block == nullptr) throw VSystemException(ErrorNotEnoughMemory, VBYTEBUFFER_LINE_NO_MEMORY, VBYTEBUFFER_FILE);
    data_ = static_cast<unsigned char*>(block);
    size_ = n;
}

bool VByteBuffer::loadResource(int id) {
    HMODULE module = getModuleInstance();
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), "BINARY");
    if (resource == nullptr) throw VSystemException(ErrorGeneral, VBYTEBUFFER_LINE_NOT_FOUND, VBYTEBUFFER_FILE);
    DWORD bytes = SizeofResource(module, resource);
    if (bytes == 0 || bytes > INT_MAX) throw VSystemException(ErrorGeneral, VBYTEBUFFER_LINE_EMPTY, VBYTEBUFFER_FILE);
    setSize(static_cast<int>(bytes));
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) throw VSystemException(ErrorGeneral, VBYTEBUFFER_LINE_NOT_LOADED, VBYTEBUFFER_FILE);
    const void* locked = LockResource(loaded);
    if (locked == nullptr) throw VSystemException(ErrorGeneral, VBYTEBUFFER_LINE_NOT_LOCKED, VBYTEBUFFER_FILE);
    std::memcpy(data_, locked, bytes);
    FreeResource(loaded);
    return true;
}
