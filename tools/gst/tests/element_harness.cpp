#include "element_harness.h"

#include <gst/video/video.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <utility>

#include "codec/frame_format.h"
#include "codec/testing/allocation_gate.h"
#include "codec_streams.h"
#include "dib_format.h"
#include "elements.h"

namespace drav::gsttest {

namespace {

std::atomic<bool> armed{false};
std::atomic<int> counted{0}, failingAt{-1};
std::atomic<bool> failingOnward{false}, refusedOne{false};
std::function<void()> atAllocation;
GstAllocator* systemMemory = nullptr;

bool allowAllocation(size_t) {
    if (!armed.load(std::memory_order_relaxed)) return true;
    const int number = counted++;
    if (number != failingAt && !(failingOnward && number > failingAt)) return true;
    refusedOne = true;
    return false;
}

// System memory, asked of the gate first.
struct GatedAllocator {
    GstAllocator parent;
};
struct GatedAllocatorClass {
    GstAllocatorClass parent;
};

}  // namespace

}  // namespace drav::gsttest

using drav::gsttest::GatedAllocator;
using drav::gsttest::GatedAllocatorClass;
G_DEFINE_TYPE(GatedAllocator, gated_allocator, GST_TYPE_ALLOCATOR)

static GstMemory* gatedAlloc(GstAllocator*, gsize size, GstAllocationParams* params) {
    if (std::function<void()> action = std::exchange(drav::gsttest::atAllocation, nullptr)) action();
    return drav::gsttest::allowAllocation(size) ? gst_allocator_alloc(drav::gsttest::systemMemory, size, params)
                                                : nullptr;
}
static void gated_allocator_class_init(GatedAllocatorClass* klass) { GST_ALLOCATOR_CLASS(klass)->alloc = gatedAlloc; }
static void gated_allocator_init(GatedAllocator*) {}

// C++ new of the whole program, asked of the gate first.
void* operator new(size_t size) {
    void* block = drav::gsttest::allowAllocation(size) ? std::malloc(size ? size : 1) : nullptr;
    if (!block) throw std::bad_alloc();
    return block;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return drav::gsttest::allowAllocation(size) ? std::malloc(size ? size : 1) : nullptr;
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }
void operator delete[](void* block, size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace drav::gsttest {

void initElements() {
    static const bool registered = [] {
        // Only the elements of this executable: no plugin folder is scanned.
        g_setenv("GST_PLUGIN_SYSTEM_PATH_1_0", "", TRUE);
        g_setenv("GST_PLUGIN_PATH_1_0", "", TRUE);
        g_setenv("GST_REGISTRY_UPDATE", "no", TRUE);
        g_setenv("GST_REGISTRY_1_0", "no-registry.bin", TRUE);
        gst_init(nullptr, nullptr);
        systemMemory = gst_allocator_find(GST_ALLOCATOR_SYSMEM);
        gst_allocator_set_default(gatedAllocator());  // the base classes' fallback too
        return registerDravDec(nullptr) && registerDravEnc(nullptr) && registerDravAviSink(nullptr);
    }();
    g_assert(registered);
}

Harness harnessFor(GstElement* element) {
    const bool source = GST_ELEMENT_CLASS(G_OBJECT_GET_CLASS(element))->numpadtemplates > 1;
    Harness harness(gst_harness_new_with_element(element, "sink", source ? "src" : nullptr));
    gst_object_unref(element);  // the harness holds it
    gst_harness_set_propose_allocator(harness.get(), gatedAllocator(), nullptr);
    return harness;
}

Harness newHarness(const char* factory, GstElement** element) {
    GstElement* made = gst_element_factory_make(factory, nullptr);
    g_assert(made);
    if (element) *element = made;
    return harnessFor(made);
}

Harness checkedHarness(const char* factory, GstPadProbeCallback check, void* data, GstElement** element) {
    Harness harness = newHarness(factory, element);
    gst_harness_set_drop_buffers(harness.get(), TRUE);
    gst_pad_add_probe(harness->sinkpad, GST_PAD_PROBE_TYPE_BUFFER, check, data, nullptr);
    return harness;
}

Messages::Messages(GstElement* element) : bus_(gst_bus_new()) { gst_element_set_bus(element, bus_); }

Messages::~Messages() {
    gst_bus_set_flushing(bus_, TRUE);
    gst_object_unref(bus_);
}

std::vector<std::string> Messages::take(GstMessageType type) {
    while (GstMessage* message = gst_bus_pop(bus_)) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) gst_message_parse_error(message, &error, &debug);
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_WARNING) gst_message_parse_warning(message, &error, &debug);
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_INFO) gst_message_parse_info(message, &error, &debug);
        if (error)
            posted_.emplace_back(GST_MESSAGE_TYPE(message), std::string(error->message) + " | " + (debug ? debug : ""));
        g_clear_error(&error);
        g_free(debug);
        gst_message_unref(message);
    }
    std::vector<std::string> texts;
    for (auto message = posted_.begin(); message != posted_.end();) {
        if (message->first != type) {
            ++message;
            continue;
        }
        texts.push_back(std::move(message->second));
        message = posted_.erase(message);
    }
    return texts;
}

AllocationGate::AllocationGate(int failing, bool onward) {
    counted = 0;
    failingAt = failing;
    failingOnward = onward;
    refusedOne = false;
    setAllocationGate(allowAllocation);
    armed = true;
}

AllocationGate::~AllocationGate() {
    armed = false;
    setAllocationGate(nullptr);
}

GateOpen::GateOpen() : wasArmed_(armed.exchange(false)) {}
GateOpen::~GateOpen() { armed = wasArmed_; }
bool AllocationGate::refused() const { return refusedOne; }

GstAllocator* gatedAllocator() { return GST_ALLOCATOR(g_object_new(gated_allocator_get_type(), nullptr)); }

void atNextBufferAllocation(std::function<void()> action) { atAllocation = std::move(action); }

namespace {

unsigned bytesPerPixel(const PictureFormat& format) { return format.depth / 8; }

// RGB555 leaves the top bit of each pixel unused: kept 0, as a decoder gives it.
void fillRandom(uint8_t* pixels, size_t bytes, const PictureFormat& format, std::mt19937& random) {
    for (size_t i = 0; i < bytes; ++i) pixels[i] = uint8_t(random() & (format.depth == 16 && i % 2 ? 0x7F : 0xFF));
}

}  // namespace

void changePicture(std::vector<uint8_t>& picture, const PictureFormat& format, std::mt19937& random) {
    if (random() % 4 == 0) return;
    const size_t stride = pictureRowBytes(format.width, format.depth);
    const uint32_t x = random() % format.width, y = random() % format.height;
    const uint32_t width = 1 + random() % (format.width - x), height = 1 + random() % (format.height - y);
    for (uint32_t row = y; row < y + height; ++row)
        fillRandom(&picture[row * stride + x * bytesPerPixel(format)], width * bytesPerPixel(format), format, random);
}

std::vector<CodedFrame> codedStream(const PictureFormat& input, int count, int keyInterval, std::mt19937& random,
                                    std::vector<std::vector<uint8_t>>* pictures) {
    FrameCompressor codec;
    g_assert(codec.begin(input) == CodecStatus::Ok);
    std::vector<uint8_t> picture(pictureRowBytes(input.width, input.depth) * input.height);
    fillRandom(picture.data(), picture.size(), input, random);
    PaletteEntry palette[PALETTE_ENTRIES];
    for (PaletteEntry& entry : palette) entry = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
    std::vector<uint8_t> output(codec.maxFrameSize());
    std::vector<CodedFrame> frames;
    for (int i = 0; i < count; ++i) {
        if (i > 0) changePicture(picture, input, random);
        CompressedFrame frame;
        g_assert(codec.compress(ByteSpan{picture.data(), picture.size()}, palette, i % keyInterval == 0,
                                MutableByteSpan{output.data(), output.size()}, frame) == CodecStatus::Ok);
        frames.push_back({{output.begin(), output.begin() + frame.size}, frame.keyFrame});
        if (pictures) pictures->push_back(picture);
    }
    return frames;
}

GstCaps* encodedCaps(const PictureFormat& input) {
    const BITMAPINFOHEADER header =
        tool::compressedStreamFormat(tool::dibHeader(input.width, input.height, input.depth));
    GstBuffer* codecData = gst_buffer_new_memdup(&header, sizeof header);
    GstCaps* caps = gst_caps_new_simple("video/x-avi-unknown", "fourcc", G_TYPE_INT, int(FOURCC_DRAV), "codec_data",
                                        GST_TYPE_BUFFER, codecData, "framerate", GST_TYPE_FRACTION, 10, 1, nullptr);
    gst_buffer_unref(codecData);
    return caps;
}

void newSegment(GstHarness* harness) {
    GstSegment segment;
    gst_segment_init(&segment, GST_FORMAT_TIME);
    gst_harness_push_event(harness, gst_event_new_segment(&segment));
}

void flush(GstHarness* harness) {
    gst_harness_push_event(harness, gst_event_new_flush_start());
    gst_harness_push_event(harness, gst_event_new_flush_stop(TRUE));
    newSegment(harness);
}

GstBuffer* frameBuffer(const std::vector<uint8_t>& bytes, bool key, GstClockTime pts, GstClockTime duration) {
    GstBuffer* buffer = bytes.empty() ? gst_buffer_new() : gst_buffer_new_memdup(bytes.data(), bytes.size());
    GST_BUFFER_PTS(buffer) = pts;
    GST_BUFFER_DURATION(buffer) = duration;
    if (!key) GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    return buffer;
}

bool fitsCaps(GstBuffer* buffer, GstCaps* caps) {
    GstVideoInfo info;
    return caps && gst_video_info_from_caps(&info, caps) && gst_buffer_get_size(buffer) >= GST_VIDEO_INFO_SIZE(&info);
}

}  // namespace drav::gsttest
