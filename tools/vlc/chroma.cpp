#include "vlc_module.h"

namespace drav::vlc {

namespace {

// Masks as VLC's converters read them: of the pixel as a little-endian word
// for 15, 16 and 32 bits, but of its bytes in memory order, first byte
// highest, for 24 (0xff0000 red is R, G, B; the renderer writes B, G, R).
constexpr Chroma CHROMAS[] = {
    {VLC_CODEC_RGB15, OutputFormat::Rgb555, 0x7c00, 0x03e0, 0x001f},
    {VLC_CODEC_RGB16, OutputFormat::Rgb565, 0xf800, 0x07e0, 0x001f},
    {VLC_CODEC_RGB24, OutputFormat::Bgr24, 0x0000ff, 0x00ff00, 0xff0000},
    {VLC_CODEC_RGB32, OutputFormat::Bgrx32, 0x00ff0000, 0x0000ff00, 0x000000ff},
};

}  // namespace

const Chroma& chromaOf(OutputFormat format) {
    for (const Chroma& chroma : CHROMAS)
        if (chroma.format == format) return chroma;
    return CHROMAS[0];
}

const Chroma* findChroma(vlc_fourcc_t fourcc) {
    for (const Chroma& chroma : CHROMAS)
        if (chroma.fourcc == fourcc) return &chroma;
    return nullptr;
}

void setChroma(video_format_t& format, const Chroma& chroma) {
    format.i_chroma = chroma.fourcc;
    format.i_rmask = chroma.redMask;
    format.i_gmask = chroma.greenMask;
    format.i_bmask = chroma.blueMask;
    format.i_bits_per_pixel = outputBitCount(chroma.format);
}

}  // namespace drav::vlc
