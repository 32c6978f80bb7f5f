#include "DriverTrace.h"

#include <vfw.h>

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "BitmapFormats.h"
#include "CodecSettings.h"

namespace drav {
namespace {

bool tracing = false;

struct MessageName {
    UINT message;
    const char* name;
};

#define NAMED(message) \
    { message, #message }
constexpr MessageName MESSAGE_NAMES[] = {
    NAMED(DRV_LOAD),
    NAMED(DRV_ENABLE),
    NAMED(DRV_OPEN),
    NAMED(DRV_CLOSE),
    NAMED(DRV_DISABLE),
    NAMED(DRV_FREE),
    NAMED(DRV_CONFIGURE),
    NAMED(DRV_QUERYCONFIGURE),
    NAMED(DRV_INSTALL),
    NAMED(DRV_REMOVE),
    NAMED(ICM_GETSTATE),
    NAMED(ICM_SETSTATE),
    NAMED(ICM_GETINFO),
    NAMED(ICM_CONFIGURE),
    NAMED(ICM_ABOUT),
    NAMED(ICM_GETDEFAULTQUALITY),
    NAMED(ICM_GETQUALITY),
    NAMED(ICM_SETQUALITY),
    NAMED(ICM_GETDEFAULTKEYFRAMERATE),
    NAMED(ICM_COMPRESS_GET_FORMAT),
    NAMED(ICM_COMPRESS_GET_SIZE),
    NAMED(ICM_COMPRESS_QUERY),
    NAMED(ICM_COMPRESS_BEGIN),
    NAMED(ICM_COMPRESS),
    NAMED(ICM_COMPRESS_END),
    NAMED(ICM_DECOMPRESS_GET_FORMAT),
    NAMED(ICM_DECOMPRESS_QUERY),
    NAMED(ICM_DECOMPRESS_BEGIN),
    NAMED(ICM_DECOMPRESS),
    NAMED(ICM_DECOMPRESS_END),
    NAMED(ICM_DECOMPRESS_GET_PALETTE),
    NAMED(ICM_DRAW_QUERY),
    NAMED(ICM_DRAW_BEGIN),
    NAMED(ICM_DRAW),
    NAMED(ICM_DRAW_END),
    NAMED(ICM_COMPRESS_FRAMES_INFO),
};
#undef NAMED

// A line under construction; what does not fit is cut.
class TraceLine {
public:
    void add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        if (used_ >= sizeof text_ - 1) return;
        va_list arguments;
        va_start(arguments, format);
        int written = std::vsnprintf(text_ + used_, sizeof text_ - used_, format, arguments);
        va_end(arguments);
        if (written > 0) used_ = std::min(sizeof text_ - 1, used_ + size_t(written));
    }
    void send() {
        add("\n");
        OutputDebugStringA(text_);
    }

private:
    char text_[1024] = {};
    size_t used_ = 0;
};

void addMessageName(TraceLine& line, UINT message) {
    for (const MessageName& entry : MESSAGE_NAMES)
        if (entry.message == message) return line.add("%s", entry.name);
    line.add("message 0x%X", message);
}

void addFourcc(TraceLine& line, DWORD code) {
    if (code == BI_RGB) return line.add("BI_RGB");
    if (code == BI_BITFIELDS) return line.add("BI_BITFIELDS");
    char text[5] = {};
    for (int i = 0; i < 4; ++i) {
        const char c = char(code >> (8 * i));
        text[i] = c >= 0x20 && c < 0x7F ? c : '?';
    }
    line.add("'%s'", text);
}

// A format as the driver reads it: the fields only when the header holds them.
void addFormat(TraceLine& line, const char* role, LPARAM parameter) {
    const auto* format = reinterpret_cast<const BITMAPINFOHEADER*>(parameter);
    line.add(" %s=", role);
    if (!format) return line.add("null");
    if (!hasFullHeader(format)) return line.add("{biSize %lu}", static_cast<unsigned long>(format->biSize));
    line.add("{%ldx%ld %u bits ", static_cast<long>(format->biWidth), static_cast<long>(format->biHeight),
             unsigned(format->biBitCount));
    addFourcc(line, format->biCompression);
    line.add(" biSizeImage %lu biClrUsed %lu biSize %lu}", static_cast<unsigned long>(format->biSizeImage),
             static_cast<unsigned long>(format->biClrUsed), static_cast<unsigned long>(format->biSize));
}

void addFrameRecord(TraceLine& line, UINT message, LPARAM parameter) {
    if (!parameter) return line.add(" record=null");
    if (message == ICM_COMPRESS) {
        const auto& r = *reinterpret_cast<const ICCOMPRESS*>(parameter);
        line.add(" dwFlags=0x%lX lFrameNum=%ld", static_cast<unsigned long>(r.dwFlags), static_cast<long>(r.lFrameNum));
        addFormat(line, "input", LPARAM(r.lpbiInput));
        addFormat(line, "output", LPARAM(r.lpbiOutput));
    } else {
        const auto& r = *reinterpret_cast<const ICDECOMPRESS*>(parameter);
        line.add(" dwFlags=0x%lX", static_cast<unsigned long>(r.dwFlags));
        addFormat(line, "input", LPARAM(r.lpbiInput));
        addFormat(line, "output", LPARAM(r.lpbiOutput));
    }
}

bool carriesFormats(UINT message) {
    switch (message) {
        case ICM_COMPRESS_GET_FORMAT:
        case ICM_COMPRESS_QUERY:
        case ICM_COMPRESS_BEGIN:
        case ICM_DECOMPRESS_GET_FORMAT:
        case ICM_DECOMPRESS_QUERY:
        case ICM_DECOMPRESS_BEGIN: return true;
        default: return false;
    }
}

void addAnswer(TraceLine& line, UINT message, LRESULT result) {
    if (message < ICM_USER) return line.add(" -> 0x%" PRIxPTR, uintptr_t(result));
    line.add(" -> %" PRIdPTR, intptr_t(result));
    if (result <= 0) {
        switch (result) {
            case ICERR_OK: line.add(" ICERR_OK"); break;
            case ICERR_UNSUPPORTED: line.add(" ICERR_UNSUPPORTED"); break;
            case ICERR_BADFORMAT: line.add(" ICERR_BADFORMAT"); break;
            case ICERR_MEMORY: line.add(" ICERR_MEMORY"); break;
            case ICERR_ERROR: line.add(" ICERR_ERROR"); break;
            default: break;
        }
    }
}

bool isSwitchedOn(const char* text) { return std::strcmp(text, "1") == 0; }

}  // namespace

void startTrace() {
    char environment[8] = {};
    SettingText setting;
    const DWORD length = GetEnvironmentVariableA("DRAV_TRACE", environment, sizeof environment);
    tracing = (length > 0 && length < sizeof environment && isSwitchedOn(environment)) ||
              (ReadCodecSetting(SETTING_TRACE, setting) && isSwitchedOn(setting));
}

bool isTracing() { return tracing; }

void traceMessage(DWORD_PTR driverId, UINT message, LPARAM lParam1, LPARAM lParam2, LRESULT result) {
    TraceLine line;
    line.add("DRAV %p ", reinterpret_cast<void*>(driverId));
    addMessageName(line, message);
    line.add(" lParam1=%p lParam2=%p", reinterpret_cast<void*>(lParam1), reinterpret_cast<void*>(lParam2));
    if (carriesFormats(message)) {
        addFormat(line, "in", lParam1);
        if (message != ICM_COMPRESS_GET_FORMAT && message != ICM_DECOMPRESS_GET_FORMAT) addFormat(line, "out", lParam2);
    }
    if (message == ICM_COMPRESS_GET_SIZE) addFormat(line, "out", lParam2);
    if (message == ICM_COMPRESS || message == ICM_DECOMPRESS) addFrameRecord(line, message, lParam1);
    addAnswer(line, message, result);
    // What the driver proposed.
    if ((message == ICM_COMPRESS_GET_FORMAT || message == ICM_DECOMPRESS_GET_FORMAT) && lParam2 && result == ICERR_OK)
        addFormat(line, "proposed", lParam2);
    line.send();
}

}  // namespace drav
