// The driver's trace, switched by the settings key or DRAV_TRACE, read as a
// debugger reads it: OutputDebugString raises DBG_PRINTEXCEPTION_C first.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SettingsGuard.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

std::vector<std::string>* captured = nullptr;

LONG CALLBACK collectDebugOutput(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2 && captured)
        captured->emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_SEARCH;
}

// The driver's lines while a compressor opens, answers a query, proposes a
// format, compresses a frame and closes.
std::vector<std::string> traceOfAShortStream() {
    std::vector<std::string> lines;
    captured = &lines;
    void* handler = AddVectoredExceptionHandler(1, collectDebugOutput);
    {
        OpenCodec codec(ICMODE_COMPRESS);
        BitmapFormat input = makeFormat(64, 48, 16), output{};
        codec.send(ICM_COMPRESS_QUERY, DWORD_PTR(input.get()), DWORD_PTR(makeFormat(64, 48, 8).get()));
        codec.send(ICM_COMPRESS_GET_FORMAT, DWORD_PTR(input.get()), DWORD_PTR(output.get()));
        ICCompressBegin(codec.get(), input.get(), output.get());
        compressOne(codec.get(), input.header, patternPicture(input.header, 1), output.header, true, 0);
        ICCompressEnd(codec.get());
    }
    RemoveVectoredExceptionHandler(handler);
    captured = nullptr;
    std::vector<std::string> driverLines;
    for (const std::string& line : lines)
        if (line.rfind("DRAV ", 0) == 0) driverLines.push_back(line);
    return driverLines;
}

bool anyLineHas(const std::vector<std::string>& lines, const std::string& a, const std::string& b = "") {
    for (const std::string& line : lines)
        if (line.find(a) != std::string::npos && line.find(b) != std::string::npos) return true;
    return false;
}

using DriverTrace = SettingsTest;

TEST_F(DriverTrace, EveryMessageWithItsFormatsAndAnswerWhenSwitchedOn) {
    EXPECT_TRUE(traceOfAShortStream().empty()) << "traced while off";

    storeSettingText("Trace", "1");
    std::vector<std::string> lines = traceOfAShortStream();
    EXPECT_TRUE(anyLineHas(lines, "DRV_LOAD"));
    EXPECT_TRUE(anyLineHas(lines, "ICM_COMPRESS_QUERY", "out={64x48 8 bits BI_RGB")) << "the refused output";
    EXPECT_TRUE(anyLineHas(lines, "ICM_COMPRESS_QUERY", "ICERR_BADFORMAT"));
    EXPECT_TRUE(anyLineHas(lines, "ICM_COMPRESS_GET_FORMAT", "proposed={64x48 16 bits 'DRAV' biSizeImage 10019"));
    EXPECT_TRUE(anyLineHas(lines, "ICM_COMPRESS lParam1", "dwFlags=0x1"));
    EXPECT_TRUE(anyLineHas(lines, "DRV_FREE"));

    storeSettingText("Trace", "0");
    EXPECT_TRUE(traceOfAShortStream().empty()) << "traced with the value 0";
    SetEnvironmentVariableA("DRAV_TRACE", "1");
    EXPECT_TRUE(anyLineHas(traceOfAShortStream(), "ICM_COMPRESS_BEGIN", "ICERR_OK"));
    SetEnvironmentVariableA("DRAV_TRACE", nullptr);
}

}  // namespace
}  // namespace drav::test
