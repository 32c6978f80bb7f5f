// The MCI video device plays a recording the driver wrote through avifil32
// (AviFiles' recording-bgr0.avi, 12 frames, a key frame every 5) through the
// installed driver: what it paints into a memory DC after playing, seeking and
// stepping is the source at the 5 bits per channel the codec keeps.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CorpusFrames.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

constexpr size_t FRAMES = 12;

std::string mci(const std::string& command) {
    char reply[256] = "";
    MCIERROR error = mciSendStringA(command.c_str(), reply, sizeof reply, nullptr);
    if (error) {
        char text[256] = "";
        mciGetErrorStringA(error, text, sizeof text);
        ADD_FAILURE() << command << ": " << text;
    }
    return reply;
}

// A 32-bit bottom-up DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(LONG width, LONG height) : format_(makeFormat(width, height, 32)) {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ =
            CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(format_.get()), DIB_RGB_COLORS, &bits_, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    std::string handle() const { return std::to_string(reinterpret_cast<uintptr_t>(dc_)); }
    // What MCI paints: the picture cleared to grey first, so an unpainted
    // canvas never passes.
    const uint8_t* paintedBy(const std::string& alias) {
        std::memset(bits_, 0x55, dibPictureBytes(format_.header));
        mci("update " + alias + " hdc " + handle());
        GdiFlush();
        return static_cast<const uint8_t*>(bits_);
    }

private:
    BitmapFormat format_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

void expectFrame(const uint8_t* painted, const CorpusClip& clip, size_t frame, const std::string& after) {
    const std::vector<uint8_t>& original = clip.frames[frame];
    for (size_t b = 0; b < original.size(); ++b) {
        if (b % 4 == 3) continue;  // unused fourth byte
        ASSERT_EQ(painted[b] >> 3, original[b] >> 3) << after << ": frame " << frame << ", byte " << b;
    }
}

TEST(MciVideo, PlaysSeeksAndStepsThroughTheDriver) {
    std::string error;
    CorpusClip clip = loadCorpusClip(firstCorpusClip(32), 32, FRAMES, error);
    ASSERT_EQ(error, "");
    char path[MAX_PATH];
    ASSERT_NE(GetFullPathNameA("recording-bgr0.avi", MAX_PATH, path, nullptr), 0u);
    ASSERT_NE(GetFileAttributesA(path), INVALID_FILE_ATTRIBUTES) << path << ": run the AviFiles tests first";

    mci(std::string("open \"") + path + "\" type avivideo alias v");
    EXPECT_EQ(mci("status v length"), std::to_string(FRAMES));
    Canvas canvas(clip.format.biWidth, clip.format.biHeight);
    mci("play v wait");
    expectFrame(canvas.paintedBy("v"), clip, FRAMES - 1, "play");
    // Wine's device decodes only the frame it paints, without going back to
    // a key frame: seeks land on key frames (every 5) and steps go one frame on.
    mci("seek v to 5");
    EXPECT_EQ(mci("status v position"), "5");
    expectFrame(canvas.paintedBy("v"), clip, 5, "seek to 5");
    for (size_t frame : {6, 7}) {
        mci("step v");
        expectFrame(canvas.paintedBy("v"), clip, frame, "step");
    }
    mci("seek v to start");
    expectFrame(canvas.paintedBy("v"), clip, 0, "seek to start");
    mci("step v");
    expectFrame(canvas.paintedBy("v"), clip, 1, "step");
    mci("close v");
}

}  // namespace
}  // namespace drav::test
