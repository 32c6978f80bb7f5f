#include "foundation/Wow64.h"

namespace {
template <typename Function>
Function kernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}
}  // namespace

bool runsUnderWow64() {
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64Process = kernelFunction<IsWow64ProcessFunction>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

REGSAM nativeRegistryView() { return runsUnderWow64() ? KEY_WOW64_64KEY : 0; }

NativeFileSystem::NativeFileSystem() {
    using DisableFunction = BOOL(WINAPI*)(PVOID*);
    if (!runsUnderWow64()) return;
    auto disable = kernelFunction<DisableFunction>("Wow64DisableWow64FsRedirection");
    active_ = disable != nullptr && disable(&oldValue_);
}

NativeFileSystem::~NativeFileSystem() {
    using RevertFunction = BOOL(WINAPI*)(PVOID);
    if (!active_) return;
    auto revert = kernelFunction<RevertFunction>("Wow64RevertWow64FsRedirection");
    if (revert != nullptr) revert(oldValue_);
}
