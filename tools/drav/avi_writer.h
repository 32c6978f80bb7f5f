// Writes DRAV AVIs through libavformat's AVI muxer: one video stream with
// FOURCC DRAV whose format is the driver's proposed compressed format, key
// frames flagged in the index, OpenDML segments past 1 GiB.
#pragma once

#include <cstdint>
#include <string>

#include "ffmpeg_support.h"
#include "partial_file.h"
#include "win_records.h"

namespace drav::tool {

// The file is written under a temporary name beside `path` and renamed to it
// by finish(): a recording that stops early, for whatever reason, is finished
// with the frames it has, and a run that wrote no frame leaves nothing.
class DravAviWriter {
public:
    // Throws ToolError naming the file when it cannot be created.
    DravAviWriter(const std::string& path, const BITMAPINFOHEADER& compressedFormat, AVRational frameRate);
    // Without finish(), finishes the file when it holds frames (errors are
    // lost: call finish() to hear of them) and removes it when it holds none.
    ~DravAviWriter();
    DravAviWriter(const DravAviWriter&) = delete;
    DravAviWriter& operator=(const DravAviWriter&) = delete;

    void writeFrame(const uint8_t* data, uint32_t size, bool keyFrame);

    // Writes the index and the final header and puts the file under its
    // name; a file without frames is removed instead. Throws ToolError on
    // failure, the frames then kept under the temporary name the message
    // gives. Nothing is written after it.
    void finish();
    bool finished() const { return finished_; }

    int64_t framesWritten() const { return frames_; }
    int64_t frameBytesWritten() const { return frameBytes_; }
    int64_t fileBytes() const { return fileBytes_; }

private:
    void completeFile();

    std::string path_;
    PartialFile file_;
    BITMAPINFOHEADER format_;
    OutputContext muxer_;
    AVStream* stream_ = nullptr;
    AVRational frameDuration_;
    Packet packet_;
    int64_t frames_ = 0, frameBytes_ = 0, fileBytes_ = 0;
    bool finished_ = false;
};

// What a finished file's headers say where libavformat's muxer chooses
// otherwise. The stream format takes biSizeImage, biClrUsed and biClrImportant
// from streamFormat, the driver's proposal (the worst-case frame size, 0 and
// 0; the muxer fills in an uncompressed picture's size and 256 colours for
// paletted streams). The main header leaves out AVIF_TRUSTCKTYPE, so that
// readers take key frames from the index's flags: with the flag set, avifil32
// takes them from the chunk ids instead (key frames in 00db chunks), and the
// muxer stores every frame as 00dc, so avifil32 would see one key frame,
// frame 0. False when the file has no DRAV format.
bool completeMuxerHeaders(const std::string& path, const BITMAPINFOHEADER& streamFormat);
constexpr uint32_t AVIF_TRUSTCKTYPE = 0x800;  // main header flag: key frames are the 00db chunks

}  // namespace drav::tool
