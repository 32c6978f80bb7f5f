#include "PoisonedBuffer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace drav::test {

// One allocation: the block's pages, then the inaccessible one.
struct PoisonedBuffer::Pages {
    uint8_t* base = nullptr;
    size_t length = 0;
    uint8_t* guard = nullptr;
    const char* what = "";
    size_t size = 0;
    bool overrun = false;
};

namespace {

size_t pageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

std::vector<PoisonedBuffer::Pages*>& livePages() {
    static std::vector<PoisonedBuffer::Pages*> pages;
    return pages;
}

std::vector<std::string>& overruns() {
    static std::vector<std::string> lines;
    return lines;
}

// "DRAV32.VCM+0x1a2b" for a code address.
std::string codeLocation(const void* address) {
    HMODULE module = nullptr;
    char path[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<const char*>(address), &module))
        GetModuleFileNameA(module, path, MAX_PATH);
    const char* name = path;
    for (const char* c = path; *c; ++c)
        if (*c == '\\' || *c == '/') name = c + 1;
    char text[MAX_PATH + 32];
    std::snprintf(text, sizeof(text), "%s+0x%llx", name,
                  static_cast<unsigned long long>(static_cast<const uint8_t*>(address) -
                                                  reinterpret_cast<const uint8_t*>(module)));
    return text;
}

LONG CALLBACK catchOverrun(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode != EXCEPTION_ACCESS_VIOLATION || record.NumberParameters < 2)
        return EXCEPTION_CONTINUE_SEARCH;
    const auto* address = reinterpret_cast<const uint8_t*>(record.ExceptionInformation[1]);
    static const size_t page = pageSize();
    for (PoisonedBuffer::Pages* pages : livePages()) {
        if (address < pages->guard || address >= pages->guard + page) continue;
        DWORD old;
        VirtualProtect(pages->guard, page, PAGE_READWRITE, &old);
        pages->overrun = true;
        char line[512];
        std::snprintf(line, sizeof(line), "%s at byte %llu past the end of the %s (%llu bytes) by %s",
                      record.ExceptionInformation[0] == 1 ? "write" : "read",
                      static_cast<unsigned long long>(address - pages->guard), pages->what,
                      static_cast<unsigned long long>(pages->size), codeLocation(record.ExceptionAddress).c_str());
        overruns().push_back(line);
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

PoisonedBuffer::PoisonedBuffer(size_t size, const char* what) : pages_(new Pages) {
    static const PVOID handler = AddVectoredExceptionHandler(1, catchOverrun);
    (void)handler;
    const size_t page = pageSize();
    const size_t blockPages = (size + page - 1) / page;
    Pages& p = *pages_;
    p.length = (blockPages + 1) * page;
    p.base = static_cast<uint8_t*>(VirtualAlloc(nullptr, p.length, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!p.base) throw std::bad_alloc();
    std::memset(p.base, POISON, p.length);
    p.guard = p.base + blockPages * page;
    p.what = what;
    p.size = size;
    DWORD old;
    VirtualProtect(p.guard, page, PAGE_NOACCESS, &old);
    data_ = p.guard - size;
    size_ = size;
    livePages().push_back(pages_.get());
}

PoisonedBuffer::PoisonedBuffer(const void* bytes, size_t size, const char* what) : PoisonedBuffer(size, what) {
    if (size) std::memcpy(data_, bytes, size);
}

PoisonedBuffer::PoisonedBuffer(PoisonedBuffer&& other) noexcept
    : pages_(std::move(other.pages_)), data_(other.data_), size_(other.size_) {}

PoisonedBuffer::~PoisonedBuffer() {
    if (!pages_) return;
    auto& live = livePages();
    live.erase(std::remove(live.begin(), live.end(), pages_.get()), live.end());
    VirtualFree(pages_->base, 0, MEM_RELEASE);
}

bool PoisonedBuffer::guardIntact() const { return !pages_->overrun; }

std::vector<std::string> takeOverruns() {
    std::vector<std::string> lines;
    lines.swap(overruns());
    return lines;
}

}  // namespace drav::test
