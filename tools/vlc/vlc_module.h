// The VLC side of the module: its callbacks, and the pictures VLC and the
// codec exchange.
#pragma once

#include <vlc_common.h>
#include <vlc_es.h>
#include <vlc_fourcc.h>

#include "codec/frame_codec.h"

namespace drav::vlc {

constexpr vlc_fourcc_t FOURCC_DRAV = VLC_FOURCC('D', 'R', 'A', 'V');

// The decoder ("video decoder") and the encoder ("encoder").
int openDecoder(vlc_object_t* object);
void closeDecoder(vlc_object_t* object);
int openEncoder(vlc_object_t* object);
void closeEncoder(vlc_object_t* object);

// The renderer's formats as VLC's RGB chromas with their masks.
struct Chroma {
    vlc_fourcc_t fourcc;
    OutputFormat format;
    uint32_t redMask, greenMask, blueMask;
};
const Chroma& chromaOf(OutputFormat format);
// Null for a chroma the renderer does not write.
const Chroma* findChroma(vlc_fourcc_t fourcc);
// Sets a video format's chroma and masks.
void setChroma(video_format_t& format, const Chroma& chroma);

// Options, as the module descriptor declares them: the decoder's output
// chroma, and the encoder's key frame interval (a transcode chain's
// venc=drav{keyint=N}, or --sout-drav-keyint).
inline constexpr char CHROMA_OPTION[] = "drav-chroma";
inline constexpr char ENCODER_PREFIX[] = "sout-drav-";
inline constexpr char KEY_INTERVAL_OPTION[] = "keyint";
inline constexpr char KEY_INTERVAL_VARIABLE[] = "sout-drav-keyint";
constexpr int DEFAULT_KEY_INTERVAL = 100;

}  // namespace drav::vlc
