#include "DriverInfo.h"

#include <cstdlib>
#include <cstring>

#include "codec/frame_format.h"
#include "foundation/ModuleState.h"
#include "res/DriverResources.h"

namespace drav {
namespace {

constexpr LPARAM STATE_SIZE = sizeof(uint16_t);
constexpr int NAME_BUFFER_SIZE = 50;
constexpr DWORD DRIVER_VERSION = 0x10000;

// Loads a string of the driver's own table and widens it with the C runtime's
// multibyte conversion, cut to fit `capacity` characters with the terminator.
void loadWideString(UINT id, WCHAR* target, size_t capacity) {
    char narrow[NAME_BUFFER_SIZE] = {};
    int length = LoadStringA(getModuleInstance(), id, narrow, NAME_BUFFER_SIZE);
    size_t count = 0;
    for (int i = 0; i < length && count + 1 < capacity; ++i) {
        wchar_t wide = 0;
        if (std::mbtowc(&wide, &narrow[i], 1) <= 0) break;
        target[count++] = WCHAR(wide);
    }
    target[count] = 0;
}

}  // namespace

LRESULT getState(const CodecInstance& instance, void* buffer, LPARAM size) {
    if (!buffer || size == 0) return STATE_SIZE;
    if (size < STATE_SIZE) return 0;
    std::memcpy(buffer, &instance.state, STATE_SIZE);
    return STATE_SIZE;
}

LRESULT setState(CodecInstance& instance, const void* buffer, LPARAM size) {
    if (!buffer) {
        instance.state = DEFAULT_STATE;
        return STATE_SIZE;
    }
    if (size < STATE_SIZE) return 0;
    std::memcpy(&instance.state, buffer, STATE_SIZE);
    return STATE_SIZE;
}

LRESULT getInfo(ICINFO* info, LPARAM size) {
    if (!info) return sizeof(ICINFO);
    if (size < LPARAM(sizeof(ICINFO))) return 0;
    info->dwSize = sizeof(ICINFO);
    info->fccType = FOURCC_VIDC;
    info->fccHandler = FOURCC_DRAV;
    info->dwFlags = VIDCF_TEMPORAL | VIDCF_FASTTEMPORALC | VIDCF_FASTTEMPORALD;
    info->dwVersion = DRIVER_VERSION;
    info->dwVersionICM = ICVERSION;
    loadWideString(IDS_DESCRIPTION, info->szDescription, ARRAYSIZE(info->szDescription));
    loadWideString(IDS_NAME, info->szName, ARRAYSIZE(info->szName));
    return sizeof(ICINFO);
}

LRESULT getDefaultKeyFrameRate(DWORD* rate) {
    if (!rate) return ICERR_UNSUPPORTED;
    *rate = DEFAULT_KEY_FRAME_RATE;
    return ICERR_OK;
}

}  // namespace drav
