// The decoder: DRAV frames as VLC's demuxers hand them over (the AVI
// demuxer's FOURCC DRAV streams, Matroska's VfW-compatible tracks) to RGB
// pictures, decoded as drav decode decodes them. After a flush (a seek) it
// waits for a key frame; a corrupt frame is logged and the last good picture
// held until a key frame rebuilds the picture.
#include <vlc_common.h>
#include <vlc_codec.h>

#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "codec/stream_format.h"
#include "frame_sequence_decoder.h"
#include "shown_picture.h"
#include "vlc_module.h"

namespace drav::vlc {
namespace {

using tool::FrameSequenceDecoder;
using Outcome = FrameSequenceDecoder::Outcome;

// One run of the stream, from its start or a flush: the decompressor, the
// order frames are applied in, and the picture handed out last, kept to copy
// its unchanged rows into the next one.
class Stream final : public tool::FrameApplier {
public:
    Stream(const PictureFormat& format, const Chroma& chroma)
        : format_(format), sequence_(*this, format), shown_(format.width, format.height, chroma.format) {}
    ~Stream() { keep(nullptr); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Black, until a key frame.
    bool begin() { return codec_.begin(format_) == CodecStatus::Ok; }

    bool decompress(const uint8_t* data, uint32_t size) override {
        RowRange changed;
        const bool applied = codec_.apply(ByteSpan{data, size}, &changed) == CodecStatus::Ok;
        shown_.noteApplied(changed);
        return applied;
    }

    Outcome decode(const tool::StoredFrame& frame, std::string& problem) {
        const Outcome outcome = sequence_.decode(frame, problem);
        // Nothing good was shown yet: black, not what the damage left.
        if (outcome == Outcome::Corrupt && !kept_) begin();
        return outcome;
    }

    void holdUntilKeyFrame() { sequence_.holdUntilKeyFrame(); }

    // Writes the picture the stream shows into picture, which VLC will show next.
    bool write(picture_t* picture) {
        const plane_t& plane = picture->p[0];
        if (plane.i_visible_lines < int(format_.height) || plane.i_pitch < int(shown_.rowBytes())) return false;
        PictureRows previous;
        if (kept_) previous = {kept_->p[0].p_pixels, kept_->p[0].i_pitch};
        if (shown_.write(codec_, {plane.p_pixels, plane.i_pitch}, previous, sequence_.holding()) != CodecStatus::Ok)
            return false;
        keep(picture);
        return true;
    }

    const PictureFormat& format() const { return format_; }

private:
    void keep(picture_t* picture) {
        if (kept_) picture_Release(kept_);
        kept_ = picture ? picture_Hold(picture) : nullptr;
    }

    PictureFormat format_;
    FrameDecompressor codec_;
    FrameSequenceDecoder sequence_;
    ShownPicture shown_;
    picture_t* kept_ = nullptr;
};

}  // namespace
}  // namespace drav::vlc

struct decoder_sys_t {
    drav::PictureFormat announced;        // the container's; 0 where it says nothing
    drav::vlc::Stream* stream = nullptr;  // from the format on (the container's, or the first key frame's)
    int64_t framesSeen = 0;
};

namespace drav::vlc {
namespace {

std::string sizeText(const PictureFormat& format) {
    return std::to_string(format.width) + "x" + std::to_string(format.height);
}

// The chroma asked for (--drav-chroma, or the owner's output format), else
// the renderer's first format for the stream: RGB555 for 16-bit streams,
// 24-bit colour for 8-bit ones.
const Chroma& chooseChroma(decoder_t* dec, unsigned depth) {
    const Chroma* chosen = nullptr;
    if (char* wanted = var_InheritString(dec, CHROMA_OPTION)) {
        if (std::strlen(wanted) == 4) chosen = findChroma(VLC_FOURCC(wanted[0], wanted[1], wanted[2], wanted[3]));
        if (!chosen && *wanted) msg_Warn(dec, "%s=%s is not one of RV15, RV16, RV24, RV32", CHROMA_OPTION, wanted);
        std::free(wanted);
    }
    if (!chosen) chosen = findChroma(dec->fmt_out.video.i_chroma);
    return chosen ? *chosen : chromaOf(outputFormatsFor(depth)[0]);
}

void setOutputFormat(decoder_t* dec, const PictureFormat& format, const Chroma& chroma) {
    const video_format_t& in = dec->fmt_in.video;
    video_format_t& out = dec->fmt_out.video;
    dec->fmt_out.i_codec = chroma.fourcc;
    out.i_width = out.i_visible_width = format.width;
    out.i_height = out.i_visible_height = format.height;
    out.i_x_offset = out.i_y_offset = 0;
    out.i_sar_num = in.i_sar_num ? in.i_sar_num : 1;
    out.i_sar_den = in.i_sar_den ? in.i_sar_den : 1;
    out.i_frame_rate = in.i_frame_rate;
    out.i_frame_rate_base = in.i_frame_rate_base;
    out.orientation = ORIENT_NORMAL;
    setChroma(out, chroma);
}

// Starts a stream of the format; false, with the reason logged, when the
// codec cannot decode it.
bool openStream(decoder_t* dec, const PictureFormat& format) {
    decoder_sys_t* sys = dec->p_sys;
    std::string problem = streamProblem(format);
    if (problem.empty()) {
        const Chroma& chroma = chooseChroma(dec, format.depth);
        sys->stream = new (std::nothrow) Stream(format, chroma);
        if (!sys->stream || !sys->stream->begin()) problem = "not enough memory for a " + sizeText(format) + " stream";
        if (problem.empty()) {
            setOutputFormat(dec, format, chroma);
            msg_Dbg(dec, "%s stream of %u bits per pixel, decoded to %4.4s", sizeText(format).c_str(), format.depth,
                    reinterpret_cast<const char*>(&chroma.fourcc));
            return true;
        }
    }
    delete sys->stream;
    sys->stream = nullptr;
    msg_Err(dec, "cannot decode this DRAV stream: %s", problem.c_str());
    return false;
}

bool isKeyFrame(const block_t* block) {
    // A block no type flag marks may be one; the sequence checks that a key
    // frame rebuilds the whole picture before it ends a hold.
    return (block->i_flags & BLOCK_FLAG_TYPE_I) || !(block->i_flags & BLOCK_FLAG_TYPE_MASK);
}

// Without the whole format from the container, the first key frame gives
// what it lacks (Matroska's VfW tracks carry no depth): its rectangle at the
// origin covers the picture. Frames before it cannot be shown.
bool openFromKeyFrame(decoder_t* dec, const block_t* block) {
    PictureFormat probed;
    if (!isKeyFrame(block) || block->i_buffer > UINT32_MAX ||
        !probeKeyFrame(ByteSpan{block->p_buffer, block->i_buffer}, probed))
        return false;
    const PictureFormat& announced = dec->p_sys->announced;
    PictureFormat format = probed;
    if (announced.width && announced.height) {
        format.width = announced.width;
        format.height = announced.height;
    }
    return openStream(dec, format);
}

vlc_tick_t dateOf(const block_t* block) { return block->i_pts > VLC_TICK_INVALID ? block->i_pts : block->i_dts; }

// The frame's position in the stream, from its date at the container's
// frame rate; else the count of frames received.
int64_t frameNumber(decoder_t* dec, const block_t* block) {
    const video_format_t& in = dec->fmt_in.video;
    const vlc_tick_t date = dateOf(block);
    if (in.i_frame_rate && in.i_frame_rate_base && date > VLC_TICK_INVALID)
        return std::llround(double(date - VLC_TICK_0) * in.i_frame_rate / (double(in.i_frame_rate_base) * CLOCK_FREQ));
    return dec->p_sys->framesSeen - 1;
}

void report(decoder_t* dec, Outcome outcome, int64_t number, const std::string& problem) {
    switch (outcome) {
        case Outcome::Corrupt:
            msg_Warn(dec, "frame %" PRId64 ": %s; holding the last good picture until the next key frame", number,
                     problem.c_str());
            break;
        case Outcome::NotKeyFrame:
            msg_Warn(dec, "frame %" PRId64 ": the stream does not start with a key frame: black until the first one",
                     number);
            break;
        case Outcome::Recovered: msg_Info(dec, "frame %" PRId64 ": key frame: decoding recovered", number); break;
        default: break;
    }
}

// Hands VLC the picture the stream shows after this frame.
void queuePicture(decoder_t* dec, Stream& stream, vlc_tick_t date) {
    if (decoder_UpdateVideoFormat(dec) != 0) return;  // no video output (VLC logs why)
    picture_t* picture = decoder_NewPicture(dec);
    if (!picture) return;  // the output is going away
    if (!stream.write(picture)) {
        msg_Err(dec, "cannot render into VLC's %dx%d picture", picture->p[0].i_visible_pitch,
                picture->p[0].i_visible_lines);
        picture_Release(picture);
        return;
    }
    picture->date = date;
    picture->b_progressive = true;
    decoder_QueueVideo(dec, picture);
}

void decodeBlock(decoder_t* dec, const block_t* block) {
    decoder_sys_t* sys = dec->p_sys;
    ++sys->framesSeen;
    if (!sys->stream && !openFromKeyFrame(dec, block)) return;
    Stream& stream = *sys->stream;
    // A discontinuity leaves the held picture foreign to the frames that
    // follow: only a key frame may show again.
    if (block->i_flags & BLOCK_FLAG_DISCONTINUITY) stream.holdUntilKeyFrame();
    tool::StoredFrame frame;
    frame.number = frameNumber(dec, block);
    frame.data = block->p_buffer;
    frame.size = block->i_buffer <= UINT32_MAX ? uint32_t(block->i_buffer) : 0;
    frame.cutShort = block->i_buffer > UINT32_MAX;  // no frame is that large: damage
    frame.keyFrame = isKeyFrame(block);
    std::string problem;
    report(dec, stream.decode(frame, problem), frame.number, problem);
    queuePicture(dec, stream, dateOf(block));
}

int decode(decoder_t* dec, block_t* block) {
    if (!block) return VLCDEC_SUCCESS;  // draining: every frame was output when it came
    try {
        decodeBlock(dec, block);
    } catch (const std::exception& error) {
        msg_Err(dec, "%s", error.what());
    } catch (...) {
        msg_Err(dec, "a frame failed");
    }
    block_Release(block);
    return VLCDEC_SUCCESS;
}

// After a seek the stream starts again: black until a key frame. (Without
// the memory for it, the next key frame tries again.)
void flush(decoder_t* dec) {
    decoder_sys_t* sys = dec->p_sys;
    if (!sys->stream) return;
    const PictureFormat format = sys->stream->format();
    delete sys->stream;
    sys->stream = nullptr;
    openStream(dec, format);
}

}  // namespace

int openDecoder(vlc_object_t* object) {
    auto* dec = reinterpret_cast<decoder_t*>(object);
    if (dec->fmt_in.i_codec != FOURCC_DRAV) return VLC_EGENERIC;
    auto* sys = new (std::nothrow) decoder_sys_t;
    if (!sys) return VLC_ENOMEM;
    const video_format_t& in = dec->fmt_in.video;
    sys->announced = {in.i_width, in.i_height, in.i_bits_per_pixel};
    dec->p_sys = sys;
    const PictureFormat& announced = sys->announced;
    if (announced.width && announced.height && announced.depth && !openStream(dec, announced)) {
        delete sys;
        return VLC_EGENERIC;
    }
    dec->pf_decode = decode;
    dec->pf_flush = flush;
    dec->i_extra_picture_buffers = 1;  // the picture kept to copy from
    return VLC_SUCCESS;
}

void closeDecoder(vlc_object_t* object) {
    auto* dec = reinterpret_cast<decoder_t*>(object);
    delete dec->p_sys->stream;
    delete dec->p_sys;
}

}  // namespace drav::vlc
