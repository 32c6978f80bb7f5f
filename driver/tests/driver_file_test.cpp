// The installed driver file itself: its export, its resources, and what
// DriverProc does with identifiers that carry no instance.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "VcmTestSupport.h"

namespace drav::test {
namespace {

constexpr DWORD_PTR CONFIGURATION_ONLY_ID = 0xFFFF0000;
constexpr WORD NO_ID = 0xFFFF;
const std::wstring BUTTON_CLASS = L"BUTTON", STATIC_CLASS = L"STATIC";

using DriverProcFunction = LRESULT(WINAPI*)(DWORD_PTR, HDRVR, UINT, LPARAM, LPARAM);

// The driver file from the system directory, where the installation put it.
class DriverFile : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA("DRAV32.VCM");
        ASSERT_NE(module_, nullptr) << "DRAV32.VCM is not installed in the system directory";
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

TEST_F(DriverFile, CarriesItsStrings) {
    struct Expected {
        UINT id;
        const char* text;
    };
    for (Expected e : {Expected{112, "Drevantic"}, Expected{113, "ZIR Codec"}, Expected{128, "DRAV Error"},
                       Expected{144, "Your system is not MMX compatible.\nMMX Technology will be disabled."}}) {
        char text[256] = {};
        EXPECT_GT(LoadStringA(module_, e.id, text, sizeof(text)), 0) << e.id;
        EXPECT_STREQ(text, e.text) << e.id;
    }
}

TEST_F(DriverFile, CarriesASixteenColourLogoAndTheIcon) {
    HRSRC bitmap = FindResourceA(module_, MAKEINTRESOURCEA(103), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    ASSERT_NE(bitmap, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module_, bitmap)));
    EXPECT_EQ(header->biWidth, 64);
    EXPECT_EQ(header->biHeight, 64);
    EXPECT_EQ(header->biBitCount, 4);
    EXPECT_NE(LoadIconA(module_, MAKEINTRESOURCEA(106)), nullptr);
    EXPECT_NE(FindResourceA(module_, MAKEINTRESOURCEA(106), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), nullptr);
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
    for (Expected e : {Expected{"FileDescription", "Drevantic"}, Expected{"InternalName", "DRAV32"},
                       Expected{"OriginalFilename", "DRAV32.VCM"}, Expected{"ProductName", "Korvell DRAV32"},
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

// One control of a DIALOG template.
struct DialogItem {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::wstring className;  // upper case, whether stored as a name or an atom
    std::wstring text;
    WORD imageId;  // for SS_BITMAP and SS_ICON statics, 0 otherwise
};

struct DialogTemplate {
    DWORD style;
    short cx, cy;
    std::wstring caption, font;
    WORD pointSize;
    std::vector<DialogItem> items;
};

// Reads the in-memory layout of a DIALOG (not DIALOGEX) resource.
class TemplateReader {
public:
    explicit TemplateReader(const void* data) : at_(static_cast<const BYTE*>(data)) {}

    DialogTemplate read() {
        DialogTemplate t{};
        t.style = dword();
        dword();  // extended style
        WORD count = word();
        word(), word();  // x, y
        t.cx = short(word()), t.cy = short(word());
        nameOrOrdinal(), nameOrOrdinal();  // menu, class
        t.caption = string();
        if (t.style & DS_SETFONT) t.pointSize = word(), t.font = string();
        for (WORD i = 0; i < count; ++i) t.items.push_back(item());
        return t;
    }

private:
    DialogItem item() {
        align();
        DialogItem item{};
        item.style = dword();
        dword();
        item.x = short(word()), item.y = short(word()), item.cx = short(word()), item.cy = short(word());
        item.id = word();
        item.className = className();
        if (peek() == 0xFFFF) {
            word();
            item.imageId = word();
        } else {
            item.text = string();
        }
        at_ += word();  // creation data
        return item;
    }
    std::wstring className() {
        if (peek() != 0xFFFF) {
            std::wstring name = string();
            for (wchar_t& c : name) c = wchar_t(towupper(c));
            return name;
        }
        word();
        switch (word()) {
            case 0x0080: return BUTTON_CLASS;
            case 0x0082: return STATIC_CLASS;
            default: return L"?";
        }
    }
    void nameOrOrdinal() {
        if (peek() == 0xFFFF) {
            at_ += 4;
        } else {
            string();
        }
    }
    std::wstring string() {
        std::wstring text;
        for (WORD c; (c = word()) != 0;) text += wchar_t(c);
        return text;
    }
    WORD peek() const { return WORD(at_[0] | at_[1] << 8); }
    WORD word() {
        WORD value = peek();
        at_ += 2;
        return value;
    }
    DWORD dword() { return word() | DWORD(word()) << 16; }
    void align() {
        while (reinterpret_cast<uintptr_t>(at_) % 4) ++at_;
    }
    const BYTE* at_;
};

DialogTemplate loadTemplate(HMODULE module, WORD id) {
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!resource) return {};
    return TemplateReader(LockResource(LoadResource(module, resource))).read();
}

void expectFrame(const DialogTemplate& t, const wchar_t* caption, short cx, short cy) {
    EXPECT_EQ(t.caption, caption);
    EXPECT_EQ(t.cx, cx);
    EXPECT_EQ(t.cy, cy);
    EXPECT_EQ(t.font, L"MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
    for (DWORD flag : {DWORD(DS_MODALFRAME), DWORD(WS_CAPTION), DWORD(WS_SYSMENU)}) EXPECT_TRUE(t.style & flag);
}

void expectItem(const DialogItem& item, WORD id, const std::wstring& className, const wchar_t* text, short x, short y,
                short cx, short cy) {
    SCOPED_TRACE(testing::Message() << "control " << id);
    EXPECT_EQ(item.id, id);
    EXPECT_EQ(item.className, className);
    if (text) {
        EXPECT_EQ(item.text, text);
    }
    EXPECT_EQ(item.x, x);
    EXPECT_EQ(item.y, y);
    EXPECT_EQ(item.cx, cx);
    EXPECT_EQ(item.cy, cy);
}

TEST_F(DriverFile, AboutDialogTemplate) {
    DialogTemplate about = loadTemplate(module_, 102);
    expectFrame(about, L"DRAV About", 172, 129);
    ASSERT_EQ(about.items.size(), 6u);
    expectItem(about.items[0], IDOK, BUTTON_CLASS, L"OK", 60, 112, 52, 14);
    EXPECT_EQ(about.items[0].style & 0xF, DWORD(BS_DEFPUSHBUTTON));
    expectItem(about.items[1], NO_ID, STATIC_CLASS, L"", 64, 4, 45, 42);
    EXPECT_EQ(about.items[1].style & SS_TYPEMASK, DWORD(SS_BITMAP));
    EXPECT_TRUE(about.items[1].style & SS_SUNKEN);
    EXPECT_EQ(about.items[1].imageId, 103);
    expectItem(about.items[2], 1000, STATIC_CLASS, L"Drevantic", 4, 52, 164, 8);
    expectItem(about.items[3], NO_ID, STATIC_CLASS, L"Version 0.9", 4, 72, 164, 8);
    expectItem(about.items[4], NO_ID, STATIC_CLASS, nullptr, 4, 84, 164, 20);
    for (int i : {2, 3, 4}) EXPECT_EQ(about.items[i].style & SS_TYPEMASK, DWORD(SS_CENTER)) << i;
    expectItem(about.items[5], 1014, STATIC_CLASS, L"(decompression only)", 55, 60, 67, 8);
    EXPECT_FALSE(about.items[5].style & WS_VISIBLE);
}

TEST_F(DriverFile, SetupDialogTemplate) {
    DialogTemplate setup = loadTemplate(module_, 104);
    expectFrame(setup, L"DRAV Setup", 224, 86);
    ASSERT_EQ(setup.items.size(), 9u);
    expectItem(setup.items[0], 1011, STATIC_CLASS, L"", 4, 8, 20, 20);
    EXPECT_EQ(setup.items[0].style & SS_TYPEMASK, DWORD(SS_ICON));
    EXPECT_EQ(setup.items[0].imageId, 106);
    expectItem(setup.items[1], NO_ID, STATIC_CLASS,
               L"These settings can be adversely affect ZIR Codec performance and should be adjusted by advanced "
               L"users only.",
               28, 8, 196, 20);
    expectItem(setup.items[2], NO_ID, BUTTON_CLASS, L"Compatibility Settings", 4, 32, 152, 52);
    EXPECT_EQ(setup.items[2].style & 0xF, DWORD(BS_GROUPBOX));
    expectItem(setup.items[3], 1001, BUTTON_CLASS, L"Disable &MMX instructions", 20, 44, 94, 10);
    expectItem(setup.items[4], 1002, BUTTON_CLASS, L"Disable &frame resizing", 20, 56, 84, 10);
    expectItem(setup.items[5], 1013, BUTTON_CLASS, L"Disable c&olor depth conversion", 20, 68, 116, 10);
    for (int i : {3, 4, 5}) EXPECT_EQ(setup.items[i].style & 0xF, DWORD(BS_AUTOCHECKBOX)) << i;
    expectItem(setup.items[6], IDOK, BUTTON_CLASS, L"OK", 164, 36, 50, 14);
    EXPECT_EQ(setup.items[6].style & 0xF, DWORD(BS_DEFPUSHBUTTON));
    expectItem(setup.items[7], IDCANCEL, BUTTON_CLASS, L"&Cancel", 164, 52, 50, 14);
    expectItem(setup.items[8], 1012, BUTTON_CLASS, L"&About", 164, 68, 50, 14);
    for (int i : {7, 8}) EXPECT_EQ(setup.items[i].style & 0xF, DWORD(BS_PUSHBUTTON)) << i;
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
