#include "avi_reader.h"

#include <cstdio>
#include <cstring>

#include "avi_header.h"
#include "codec/frame_format.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

bool isAviDemuxer(const AVInputFormat* format) { return format && std::strcmp(format->name, "avi") == 0; }

// The DRAV stream's index, or -1; otherVideo then names the first video
// stream's codec ("ZMBV", "rawvideo"), or nothing when there is none.
int findDravStream(const AVFormatContext& context, std::string& otherVideo) {
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        const AVCodecParameters& parameters = *context.streams[i]->codecpar;
        if (parameters.codec_type != AVMEDIA_TYPE_VIDEO) continue;
        if (parameters.codec_tag == FOURCC_DRAV) return int(i);
        if (otherVideo.empty())
            otherVideo =
                parameters.codec_tag ? fourccText(parameters.codec_tag) : avcodec_get_name(parameters.codec_id);
    }
    return -1;
}

// The last frame whose key flag the file's index gives; -1 without an index.
// FFmpeg's AVI demuxer flags every frame it finds without the index (by
// scanning the file) as a key frame.
int64_t lastIndexedFrame(AVStream& stream) {
    const int entries = avformat_index_get_entries_count(&stream);
    const AVIndexEntry* last = entries > 0 ? avformat_index_get_entry(&stream, entries - 1) : nullptr;
    return last ? last->timestamp : -1;
}

// libavformat reports the height of top-down bitmaps as positive; the file tells.
bool isTopDown(const std::string& path, unsigned streamIndex) {
    if (path == "-") return false;
    std::vector<uint8_t> head = readFileHead(path);
    size_t offset = 0;
    uint32_t size = 0;
    if (!findStreamFormat(head, streamIndex, offset, size) || size < sizeof(BITMAPINFOHEADER)) return false;
    return int32_t(readU32(head.data() + offset + offsetof(BITMAPINFOHEADER, biHeight))) < 0;
}

BITMAPINFOHEADER streamFormat(const AVCodecParameters& parameters) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = parameters.width;
    header.biHeight = parameters.height;
    header.biPlanes = 1;
    header.biBitCount = WORD(parameters.bits_per_coded_sample);
    header.biCompression = parameters.codec_tag;
    return header;
}

}  // namespace

std::string fourccText(uint32_t fourcc) {
    char text[16];
    bool printable = true;
    for (int i = 0; i < 4; ++i) {
        unsigned char c = (unsigned char)(fourcc >> (8 * i));
        printable = printable && c >= 0x20 && c < 0x7F;
        text[i] = char(c);
    }
    text[4] = '\0';
    if (!printable) std::snprintf(text, sizeof text, "0x%08X", unsigned(fourcc));
    return text;
}

DravAviReader::DravAviReader(const std::string& path) : path_(path), packet_(allocatePacket()) {
    AVFormatContext* opened = nullptr;
    std::string url = ffmpegUrl(path, false);
    int status = avformat_open_input(&opened, url.c_str(), nullptr, nullptr);
    if (status == AVERROR_INVALIDDATA) throw ToolError(fileMessage(path, "not a DRAV stream: not an AVI file"));
    if (status < 0) throw ToolError(fileMessage(path, "cannot open: " + ffmpegErrorText(status)));
    demuxer_.reset(opened);
    if (!isAviDemuxer(demuxer_->iformat))
        throw ToolError(fileMessage(path, std::string("not a DRAV stream: a ") + demuxer_->iformat->name +
                                              " file, not an AVI (drav encode makes a DRAV AVI of it)"));
    std::string otherVideo;
    streamIndex_ = findDravStream(*demuxer_, otherVideo);
    if (streamIndex_ < 0)
        throw ToolError(fileMessage(path, otherVideo.empty() ? std::string("not a DRAV stream: the AVI has no video")
                                                             : "not a DRAV stream: its video is " + otherVideo +
                                                                   ", not DRAV (drav encode makes a DRAV AVI of it)"));
    const AVStream& stream = *demuxer_->streams[streamIndex_];
    info_.format = streamFormat(*stream.codecpar);
    if (isTopDown(path, unsigned(streamIndex_))) info_.format.biHeight = -info_.format.biHeight;
    info_.frameRate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : av_inv_q(stream.time_base);
    info_.announcedFrames = stream.nb_frames > 0 ? stream.nb_frames : 0;
    lastIndexedFrame_ = lastIndexedFrame(*demuxer_->streams[streamIndex_]);
    for (unsigned i = 0; i < demuxer_->nb_streams; ++i)
        if (int(i) != streamIndex_) demuxer_->streams[i]->discard = AVDISCARD_ALL;
}

DravAviReader::Result DravAviReader::next(StoredFrame& frame) {
    av_packet_unref(packet_.get());
    for (;;) {
        int status = av_read_frame(demuxer_.get(), packet_.get());
        if (status == AVERROR_EOF) return Result::End;
        if (status < 0) {
            readError_ = ffmpegErrorText(status);
            return Result::Unreadable;
        }
        if (packet_->stream_index == streamIndex_) break;
        av_packet_unref(packet_.get());
    }
    const AVPacket& packet = *packet_;
    frame.number = packet.pts != AV_NOPTS_VALUE ? packet.pts : framesRead_;
    frame.data = packet.data;
    frame.size = uint32_t(packet.size);
    frame.keyFlagKnown = frame.number <= lastIndexedFrame_;
    frame.keyFrame = frame.keyFlagKnown && (packet.flags & AV_PKT_FLAG_KEY) != 0;
    frame.cutShort = (packet.flags & AV_PKT_FLAG_CORRUPT) != 0;
    ++framesRead_;
    return Result::FrameRead;
}

}  // namespace drav::tool
