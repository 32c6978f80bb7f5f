#include "avi_writer.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <vector>

#include "avi_header.h"
#include "codec/frame_format.h"
#include "tool_error.h"

namespace drav::tool {

namespace {

constexpr size_t MAIN_HEADER_FLAGS = 12;  // offset of dwFlags in the main header

struct FieldValue {
    size_t offset;
    uint32_t value;
};

bool writeFields(const std::string& path, std::initializer_list<FieldValue> fields) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    for (const FieldValue& field : fields) {
        uint8_t bytes[4];
        writeU32(bytes, field.value);
        file.seekp(std::streamoff(field.offset));
        file.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    return bool(file.flush());
}

}  // namespace

bool completeMuxerHeaders(const std::string& path, const BITMAPINFOHEADER& streamFormat) {
    std::vector<uint8_t> head = readFileHead(path);
    size_t mainHeader = 0, format = 0;
    uint32_t size = 0;
    if (!findMainHeader(head, mainHeader) || !findStreamFormat(head, 0, format, size) ||
        size < sizeof(BITMAPINFOHEADER))
        return false;
    if (readU32(head.data() + format + offsetof(BITMAPINFOHEADER, biCompression)) != FOURCC_DRAV) return false;
    size_t flags = mainHeader + MAIN_HEADER_FLAGS;
    return writeFields(path, {{flags, readU32(head.data() + flags) & ~AVIF_TRUSTCKTYPE},
                              {format + offsetof(BITMAPINFOHEADER, biSizeImage), streamFormat.biSizeImage},
                              {format + offsetof(BITMAPINFOHEADER, biClrUsed), streamFormat.biClrUsed},
                              {format + offsetof(BITMAPINFOHEADER, biClrImportant), streamFormat.biClrImportant}});
}

namespace {

const std::string& checkedAviPath(const std::string& path) {
    if (path.empty()) throw ToolError("no file name given for the AVI");
    if (path == "-") throw ToolError(fileMessage(path, "an AVI needs a file: its header and index are written last"));
    return path;
}

}  // namespace

DravAviWriter::DravAviWriter(const std::string& path, const BITMAPINFOHEADER& compressedFormat, AVRational frameRate)
    : path_(path),
      file_(checkedAviPath(path)),
      format_(compressedFormat),
      frameDuration_(av_inv_q(frameRate)),
      packet_(allocatePacket()) {
    AVFormatContext* context = nullptr;
    int status = avformat_alloc_output_context2(&context, nullptr, "avi", path.c_str());
    if (status < 0) throw ToolError(fileMessage(path, "cannot set up an AVI: " + ffmpegErrorText(status)));
    muxer_.reset(context);

    stream_ = avformat_new_stream(context, nullptr);
    if (!stream_) throw std::bad_alloc();
    AVCodecParameters& parameters = *stream_->codecpar;
    parameters.codec_type = AVMEDIA_TYPE_VIDEO;
    parameters.codec_id = AV_CODEC_ID_NONE;
    parameters.codec_tag = FOURCC_DRAV;
    parameters.width = compressedFormat.biWidth;
    parameters.height = compressedFormat.biHeight;
    parameters.bits_per_coded_sample = compressedFormat.biBitCount;
    // A paletted stream gets the muxer's all-zero colour table: the colours travel in the frames.
    parameters.format = compressedFormat.biBitCount == 8 ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_NONE;
    stream_->time_base = frameDuration_;
    stream_->avg_frame_rate = frameRate;

    status = avio_open(&context->pb, file_.path().c_str(), AVIO_FLAG_WRITE);
    if (status < 0) throw ToolError(fileMessage(path, "cannot create: " + ffmpegErrorText(status)));
    status = avformat_write_header(context, nullptr);
    if (status < 0) throw ToolError(fileMessage(path, "cannot write the AVI header: " + ffmpegErrorText(status)));
}

DravAviWriter::~DravAviWriter() {
    if (finished_) return;
    try {
        finish();
    } catch (const std::exception&) {
    }
}

void DravAviWriter::writeFrame(const uint8_t* data, uint32_t size, bool keyFrame) {
    if (finished_) throw ToolError(fileMessage(path_, "the AVI is finished: no frame can follow"));
    if (size > uint32_t(INT_MAX))
        throw ToolError(frameMessage(path_, frames_, "a frame of " + std::to_string(size) + " bytes is too large"));
    AVPacket& packet = *packet_;
    packet.data = const_cast<uint8_t*>(data);
    packet.size = int(size);
    packet.stream_index = stream_->index;
    packet.pts = packet.dts = av_rescale_q(frames_, frameDuration_, stream_->time_base);
    packet.duration = av_rescale_q(1, frameDuration_, stream_->time_base);
    packet.flags = keyFrame ? AV_PKT_FLAG_KEY : 0;
    int status = av_write_frame(muxer_.get(), &packet);
    if (status < 0) throw ToolError(frameMessage(path_, frames_, "cannot write: " + ffmpegErrorText(status)));
    ++frames_;
    frameBytes_ += size;
}

void DravAviWriter::finish() {
    if (finished_) return;
    finished_ = true;
    if (frames_ == 0) {
        muxer_.reset();  // the temporary file goes with file_
        return;
    }
    try {
        completeFile();
    } catch (...) {  // memory running out too: the frames stay
        muxer_.reset();
        file_.keep();
        throw;
    }
    file_.commit();
}

void DravAviWriter::completeFile() {
    const std::string where = "; the " + std::to_string(frames_) + " frames written are in " + file_.path();
    int status = av_write_trailer(muxer_.get());
    if (status >= 0) {
        fileBytes_ = avio_size(muxer_->pb);
        status = avio_closep(&muxer_->pb);
    }
    if (status < 0) throw ToolError(fileMessage(path_, "cannot finish the AVI: " + ffmpegErrorText(status) + where));
    if (!completeMuxerHeaders(file_.path(), format_))
        throw ToolError(fileMessage(path_, "cannot complete the AVI's headers" + where));
}

}  // namespace drav::tool
