// The installed driver file itself: its export, its version record, and
// what DriverProc does with identifiers that carry no instance.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../DriverFileName.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

constexpr DWORD_PTR CONFIGURATION_ONLY_ID = 0xFFFF0000;

using DriverProcFunction = LRESULT(WINAPI*)(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM);

// The driver file from the system directory, where the installation put it.
class DriverFile : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(DRAV_DRIVER_FILE);
        ASSERT_NE(module_, nullptr) << DRAV_DRIVER_FILE " is not installed in the system directory";
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    std::string path() const {
        char buffer[MAX_PATH];
        GetModuleFileNameA(module_, buffer, MAX_PATH);
        return buffer;
    }
    HMODULE module_ = nullptr;
};

TEST_F(DriverFile, ExportsDriverProcByItsPlainNameOnly) {
    EXPECT_NE(GetProcAddress(module_, "DriverProc"), nullptr);
    EXPECT_EQ(GetProcAddress(module_, "_DriverProc@20"), nullptr);
    EXPECT_EQ(GetProcAddress(module_, "DriverProc@20"), nullptr);
}

TEST_F(DriverFile, CarriesItsVersion) {
    std::string file = path();
    DWORD handle = 0, size = GetFileVersionInfoSizeA(file.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00000009u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x000007D2u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00000009u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x000007D2u);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_DRV));
    EXPECT_EQ(fixed->dwFileSubtype, DWORD(VFT2_DRV_INSTALLABLE));
    EXPECT_EQ(fixed->dwFileOS, DWORD(VOS_NT_WINDOWS32));

    struct Expected {
        const char* key;
        const char* value;
    };
    for (Expected e : {Expected{"FileDescription", "Drevantic"}, Expected{"InternalName", DRAV_DRIVER_BASENAME},
                       Expected{"OriginalFilename", DRAV_DRIVER_FILE}, Expected{"ProductName", "Korvell DRAV32"},
                       Expected{"FileVersion", "0, 9, 0, 2002"}, Expected{"ProductVersion", "0, 9, 0, 2002"},
                       Expected{"Comments", ""}, Expected{"SpecialBuild", ""}}) {
        char* value = nullptr;
        std::string key = std::string("\\StringFileInfo\\040904b0\\") + e.key;
        ASSERT_TRUE(VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &length)) << e.key;
        EXPECT_STREQ(value, e.value) << e.key;
    }
    char* copyright = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\LegalCopyright",
                               reinterpret_cast<void**>(&copyright), &length));
    EXPECT_NE(std::string(copyright).find("2000"), std::string::npos);
}

// Identifiers without an instance: 0 (before DRV_OPEN answers) and the
// configuration-only identifier. Instance messages must not touch memory.
TEST_F(DriverFile, InstanceMessagesWithoutAnInstanceFailCleanly) {
    auto driverProc =
        reinterpret_cast<DriverProcFunction>(reinterpret_cast<void*>(GetProcAddress(module_, "DriverProc")));
    ASSERT_NE(driverProc, nullptr);
    BitmapFormat input = makeFormat(64, 48, 32), output = makeCompressedFormat(64, 48, 16);
    auto in = LPARAM(input.get()), out = LPARAM(output.get());
    for (DWORD_PTR id : {DWORD_PTR(0), CONFIGURATION_ONLY_ID}) {
        SCOPED_TRACE(testing::Message() << "identifier " << std::hex << id);
        EXPECT_EQ(driverProc(id, nullptr, ICM_COMPRESS_BEGIN, in, out), ICERR_UNSUPPORTED);
        EXPECT_EQ(driverProc(id, nullptr, ICM_COMPRESS_GET_SIZE, in, out), ICERR_UNSUPPORTED);
        EXPECT_EQ(driverProc(id, nullptr, ICM_COMPRESS_END, 0, 0), ICERR_UNSUPPORTED);
        EXPECT_EQ(driverProc(id, nullptr, ICM_DECOMPRESS_BEGIN, out, in), ICERR_UNSUPPORTED);
        EXPECT_EQ(driverProc(id, nullptr, ICM_DECOMPRESS_END, 0, 0), ICERR_UNSUPPORTED);
        EXPECT_EQ(driverProc(id, nullptr, ICM_GETSTATE, 0, 0), ICERR_UNSUPPORTED);
        EXPECT_EQ(driverProc(id, nullptr, ICM_SETSTATE, 0, 0), ICERR_UNSUPPORTED);
        ICCOMPRESS compress{};
        EXPECT_EQ(driverProc(id, nullptr, ICM_COMPRESS, LPARAM(&compress), sizeof(compress)), ICERR_ERROR);
        ICDECOMPRESS decompress{};
        EXPECT_EQ(driverProc(id, nullptr, ICM_DECOMPRESS, LPARAM(&decompress), sizeof(decompress)), ICERR_ERROR);
        // Messages that need no instance still answer.
        EXPECT_EQ(driverProc(id, nullptr, ICM_GETINFO, 0, 0), 568);
        EXPECT_EQ(driverProc(id, nullptr, ICM_COMPRESS_QUERY, in, out), ICERR_OK);
        EXPECT_EQ(driverProc(id, nullptr, DRV_CLOSE, 0, 0), 1);
    }
}

TEST_F(DriverFile, OpenRecordDecidesTheIdentifier) {
    auto driverProc =
        reinterpret_cast<DriverProcFunction>(reinterpret_cast<void*>(GetProcAddress(module_, "DriverProc")));
    ASSERT_NE(driverProc, nullptr);
    EXPECT_EQ(driverProc(0, nullptr, DRV_OPEN, 0, 0), LRESULT(CONFIGURATION_ONLY_ID));

    ICOPEN audio{sizeof(ICOPEN), mmioFOURCC('a', 'u', 'd', 'c'), FOURCC_DRAV_HANDLER, 0, 0, 0, nullptr, nullptr, 0};
    audio.dwError = 12345;
    EXPECT_EQ(driverProc(0, nullptr, DRV_OPEN, 0, LPARAM(&audio)), 0);
    EXPECT_EQ(audio.dwError, 12345);

    ICOPEN video{sizeof(ICOPEN), ICTYPE_VIDEO, mmioFOURCC('a', 'n', 'y', '!'), 0, 0, 0, nullptr, nullptr, 0};
    video.dwError = 12345;
    LRESULT instance = driverProc(0, nullptr, DRV_OPEN, 0, LPARAM(&video));
    ASSERT_NE(instance, 0);
    EXPECT_EQ(video.dwError, ICERR_OK);
    EXPECT_EQ(driverProc(DWORD_PTR(instance), nullptr, ICM_GETSTATE, 0, 0), 2);
    EXPECT_EQ(driverProc(DWORD_PTR(instance), nullptr, DRV_CLOSE, 0, 0), 1);
}

// The installable-driver interface of winmm opens without an ICOPEN record:
// the configuration-only identifier, through the system's own path.
TEST(ConfigurationOnlyOpen, AnswersInformationAndRefusesStreams) {
    HDRVR driver = OpenDriver(L"vidc.DRAV", L"Drivers32", 0);
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(SendDriverMessage(driver, ICM_GETINFO, 0, 0), 568);
    EXPECT_EQ(SendDriverMessage(driver, DRV_QUERYCONFIGURE, 0, 0), 1);
    BitmapFormat input = makeFormat(64, 48, 32), output = makeCompressedFormat(64, 48, 16);
    EXPECT_EQ(SendDriverMessage(driver, ICM_COMPRESS_BEGIN, LPARAM(input.get()), LPARAM(output.get())),
              ICERR_UNSUPPORTED);
    ICCOMPRESS compress{};
    EXPECT_EQ(SendDriverMessage(driver, ICM_COMPRESS, LPARAM(&compress), sizeof(compress)), ICERR_ERROR);
    EXPECT_EQ(CloseDriver(driver, 0, 0), 1);
}

}  // namespace
}  // namespace drav::test
