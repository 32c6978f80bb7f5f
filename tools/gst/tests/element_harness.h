// The elements in this process, driven by GStreamer's test harness without a
// pipeline: registered from the test executable itself (so that the codec's
// allocation gate reaches their streams), their messages collected, their
// allocations countable and refusable, and DRAV frames to feed them.
#pragma once

#include <gst/check/gstharness.h>
#include <gst/gst.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "codec/frame_codec.h"

namespace drav::gsttest {

// gst_init without scanning any plugin folder; dravdec, dravenc and
// dravavisink registered from this executable.
void initElements();

struct HarnessTeardown {
    void operator()(GstHarness* harness) const { gst_harness_teardown(harness); }
};
using Harness = std::unique_ptr<GstHarness, HarnessTeardown>;

// A harness around the element (taking the caller's reference), playing,
// whose allocation query proposes the gated allocator below.
Harness harnessFor(GstElement* element);
// The same around a new element of the factory.
Harness newHarness(const char* factory, GstElement** element = nullptr);
// The same, each buffer the element pushes handed to `check` as it comes and
// then let go (as a sink lets go of it).
Harness checkedHarness(const char* factory, GstPadProbeCallback check, void* data, GstElement** element);

// The messages an element posts, from a bus of the test's own.
class Messages {
public:
    explicit Messages(GstElement* element);
    ~Messages();
    Messages(const Messages&) = delete;
    Messages& operator=(const Messages&) = delete;

    // The texts ("message | debug text") of the errors, warnings or
    // information messages posted since the last call for the type.
    std::vector<std::string> take(GstMessageType type);

private:
    GstBus* bus_;
    std::vector<std::pair<GstMessageType, std::string>> posted_;
};

// Counts the allocations of the code under test: the codec's stream heap,
// C++ new and GStreamer memory (the gated allocator below, also the default
// one); while armed, refuses the one numbered `failing` (from 0; -1 refuses
// none), and with `onward` every one after it too.
class AllocationGate {
public:
    explicit AllocationGate(int failing, bool onward = false);
    ~AllocationGate();
    AllocationGate(const AllocationGate&) = delete;
    AllocationGate& operator=(const AllocationGate&) = delete;

    bool refused() const;  // the failing allocation was asked for
};

// While one lives, allocations pass the gate uncounted: the test's own.
class GateOpen {
public:
    GateOpen();
    ~GateOpen();
    GateOpen(const GateOpen&) = delete;
    GateOpen& operator=(const GateOpen&) = delete;

private:
    bool wasArmed_;
};

// A GStreamer allocator of system memory that asks the gate first.
GstAllocator* gatedAllocator();
// Runs the action (once) when the gated allocator is next asked for memory.
void atNextBufferAllocation(std::function<void()> action);

// One compressed frame as a demuxer hands it over.
struct CodedFrame {
    std::vector<uint8_t> bytes;
    bool key = false;
};

// `count` frames of a picture of the input format (depth 8 with a palette,
// 16 or 32) changing by a random rectangle, or not at all, from frame to
// frame; a key frame every keyInterval frames. The pictures (bottom-up rows
// padded to 4 bytes) into `pictures` when given.
std::vector<CodedFrame> codedStream(const PictureFormat& input, int count, int keyInterval, std::mt19937& random,
                                    std::vector<std::vector<uint8_t>>* pictures = nullptr);

// A random rectangle of the picture overwritten (or nothing, one time in four).
void changePicture(std::vector<uint8_t>& picture, const PictureFormat& format, std::mt19937& random);

// The caps dravenc gives a stream of pictures of the input format: the
// stream's BITMAPINFOHEADER as codec_data, 10 frames a second.
GstCaps* encodedCaps(const PictureFormat& input);

// A new time segment; a flush (what a seek sends) followed by one.
void newSegment(GstHarness* harness);
void flush(GstHarness* harness);

// A buffer of the bytes, with the flags a demuxer sets.
GstBuffer* frameBuffer(const std::vector<uint8_t>& bytes, bool key, GstClockTime pts, GstClockTime duration);

// Whether the buffer holds a whole picture of the caps' raw video format.
bool fitsCaps(GstBuffer* buffer, GstCaps* caps);

}  // namespace drav::gsttest
