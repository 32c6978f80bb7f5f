// The encoder: VLC's pictures to DRAV frames, for transcoding
// (--sout '#transcode{vcodec=DRAV}:...') and for recording VLC's sources. It
// takes RV32 (stored at 5 bits per channel) or RV15 (stored exactly), as
// drav encode takes BGRX and RGB555; VLC converts every other chroma to RV32.
// The stream is 16 bits per pixel: 8-bit pictures travel as palette indices
// with a colour table that VLC's pictures do not carry.
#include <vlc_common.h>
#include <vlc_codec.h>

#include <climits>
#include <new>
#include <string>

#include "codec/stream_format.h"
#include "vlc_module.h"

struct encoder_sys_t {
    drav::FrameCompressor codec;
    uint32_t keyInterval = drav::vlc::DEFAULT_KEY_INTERVAL;
    uint32_t framesToKey = 0;  // delta frames left before the next key frame
};

namespace drav::vlc {
namespace {

block_t* encodeVideo(encoder_t* enc, picture_t* picture) {
    if (!picture) return nullptr;  // draining: every frame was output when it came
    encoder_sys_t* sys = enc->p_sys;
    const PictureFormat& format = sys->codec.format();
    const plane_t& plane = picture->p[0];
    if (plane.i_visible_lines < int(format.height) ||
        plane.i_pitch < int(pictureRowBytes(format.width, format.depth)) || plane.i_pitch < plane.i_visible_pitch) {
        msg_Err(enc, "a %dx%d picture does not hold the %ux%u the stream began with", plane.i_visible_pitch,
                plane.i_visible_lines, format.width, format.height);
        return nullptr;
    }
    block_t* block = block_Alloc(sys->codec.maxFrameSize());
    if (!block) return nullptr;
    const bool keyFrame = sys->framesToKey == 0;
    sys->framesToKey = keyFrame ? sys->keyInterval - 1 : sys->framesToKey - 1;
    // VLC's rows run top-down; the codec's picture is bottom-up.
    const uint8_t* bottomRow = plane.p_pixels + ptrdiff_t(format.height - 1) * plane.i_pitch;
    CompressedFrame frame;
    if (sys->codec.compressRows(bottomRow, -ptrdiff_t(plane.i_pitch), nullptr, keyFrame,
                                MutableByteSpan{block->p_buffer, block->i_buffer}, frame) != CodecStatus::Ok) {
        msg_Err(enc, "the compressor failed a frame");
        block_Release(block);
        return nullptr;
    }
    block->i_buffer = frame.size;
    block->i_flags = keyFrame ? BLOCK_FLAG_TYPE_I : BLOCK_FLAG_TYPE_P;
    block->i_pts = block->i_dts = picture->date;
    return block;
}

}  // namespace

int openEncoder(vlc_object_t* object) {
    auto* enc = reinterpret_cast<encoder_t*>(object);
    if (enc->fmt_out.i_codec != FOURCC_DRAV && !enc->obj.force) return VLC_EGENERIC;
    static const char* const options[] = {KEY_INTERVAL_OPTION, nullptr};
    config_ChainParse(enc, ENCODER_PREFIX, options, enc->p_cfg);

    const Chroma& chroma =
        chromaOf(enc->fmt_in.i_codec == VLC_CODEC_RGB15 ? OutputFormat::Rgb555 : OutputFormat::Bgrx32);
    video_format_t& in = enc->fmt_in.video;
    enc->fmt_in.i_codec = chroma.fourcc;
    setChroma(in, chroma);
    const PictureFormat input{in.i_visible_width ? in.i_visible_width : in.i_width,
                              in.i_visible_height ? in.i_visible_height : in.i_height, in.i_bits_per_pixel};
    const std::string problem = compressorInputProblem(input);
    if (!problem.empty()) {
        msg_Err(enc, "cannot encode these pictures: %s", problem.c_str());
        return VLC_EGENERIC;
    }
    auto* sys = new (std::nothrow) encoder_sys_t;
    if (!sys || sys->codec.begin(input) != CodecStatus::Ok) {
        delete sys;
        msg_Err(enc, "not enough memory for a %ux%u stream", input.width, input.height);
        return VLC_ENOMEM;
    }
    sys->keyInterval = uint32_t(var_GetInteger(enc, KEY_INTERVAL_VARIABLE));

    enc->p_sys = sys;
    enc->fmt_out.i_cat = VIDEO_ES;
    enc->fmt_out.i_codec = FOURCC_DRAV;
    video_format_t& out = enc->fmt_out.video;
    out.i_width = out.i_visible_width = input.width;
    out.i_height = out.i_visible_height = input.height;
    out.i_bits_per_pixel = compressedDepthFor(input.depth);
    enc->pf_encode_video = encodeVideo;
    return VLC_SUCCESS;
}

void closeEncoder(vlc_object_t* object) { delete reinterpret_cast<encoder_t*>(object)->p_sys; }

}  // namespace drav::vlc
