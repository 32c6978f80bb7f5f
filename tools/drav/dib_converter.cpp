#include "dib_converter.h"

#include <new>
#include <string>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "codec/stream_format.h"
#include "dib_format.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

std::string pixelFormatName(int format) {
    const char* name = av_get_pix_fmt_name(AVPixelFormat(format));
    return name ? name : "unknown";
}

Scaler makeScaler(AVPixelFormat sourceFormat, AVPixelFormat targetFormat, int width, int height) {
    Scaler scaler(sws_alloc_context());
    if (!scaler) throw std::bad_alloc();
    SwsContext* context = scaler.get();
    av_opt_set_int(context, "srcw", width, 0);
    av_opt_set_int(context, "srch", height, 0);
    av_opt_set_int(context, "src_format", sourceFormat, 0);
    av_opt_set_int(context, "dstw", width, 0);
    av_opt_set_int(context, "dsth", height, 0);
    av_opt_set_int(context, "dst_format", targetFormat, 0);
    av_opt_set_int(context, "sws_flags", SWS_POINT, 0);
    av_opt_set(context, "sws_dither", "none", 0);
    if (sws_init_context(context, nullptr, nullptr) < 0)
        throw ToolError("FFmpeg cannot convert " + pixelFormatName(sourceFormat) + " pictures to " +
                        pixelFormatName(targetFormat));
    return scaler;
}

// A picture of the given format and size with its own buffers.
Frame makeFrame(AVPixelFormat format, uint32_t width, uint32_t height) {
    Frame frame = allocateFrame();
    frame->format = format;
    frame->width = int(width);
    frame->height = int(height);
    if (av_frame_get_buffer(frame.get(), 0) < 0) throw std::bad_alloc();
    return frame;
}

// FFmpeg's palette: 256 native-endian 0xAARRGGBB words.
void copyPalette(const AVFrame& frame, PaletteEntry* palette) {
    const uint32_t* colours = reinterpret_cast<const uint32_t*>(frame.data[1]);
    for (uint32_t i = 0; i < PALETTE_ENTRIES; ++i)
        palette[i] = PaletteEntry{uint8_t(colours[i]), uint8_t(colours[i] >> 8), uint8_t(colours[i] >> 16), 0};
}

// The compressor's view of a decoded frame's rows, whichever way they run.
InputPicture frameRows(const AVFrame& frame, const PaletteEntry* palette) {
    const ptrdiff_t stride = frame.linesize[0];
    return InputPicture{frame.data[0] + ptrdiff_t(frame.height - 1) * stride, -stride, palette};
}

}  // namespace

void PixelConverter::convert(AVPixelFormat sourceFormat, const uint8_t* const source[], const int sourceStride[],
                             AVPixelFormat targetFormat, uint8_t* const target[], const int targetStride[], int width,
                             int height) {
    if (!scaler_ || sourceFormat != sourceFormat_ || targetFormat != targetFormat_ || width != width_ ||
        height != height_) {
        scaler_ = makeScaler(sourceFormat, targetFormat, width, height);
        sourceFormat_ = sourceFormat;
        targetFormat_ = targetFormat;
        width_ = width;
        height_ = height;
    }
    sws_scale(scaler_.get(), source, sourceStride, 0, height, target, targetStride);
}

DibConverter::DibConverter(const PictureFormat& format) : format_(format) {
    if (!isCompressorInputDepth(format.depth))
        throw ToolError("unsupported depth " + std::to_string(format.depth) + " (8, 16 or 32)");
    requireSupportedPictureSize(dibHeader(format.width, format.height, format.depth));
    stride_ = int(dibStride(format.width, format.depth));
}

bool DibConverter::readsInPlace(const AVFrame& frame) const {
    return frame.format == inputPixelFormatForDepth(format_.depth);
}

InputPicture DibConverter::convert(const AVFrame& frame, ConvertedPicture& into) {
    const uint32_t width = format_.width, height = format_.height;
    if (uint32_t(frame.width) != width || uint32_t(frame.height) != height)
        throw ToolError("the picture size changed from " + std::to_string(width) + "x" + std::to_string(height) +
                        " to " + std::to_string(frame.width) + "x" + std::to_string(frame.height));
    const AVPixelFormat format = AVPixelFormat(frame.format);
    if (format_.depth == 8) {
        if (!isPalettedFormat(format))
            throw ToolError("8-bit encoding needs paletted input, and this picture is " + pixelFormatName(format) +
                            " (use --depth 16 or 32)");
        copyPalette(frame, into.palette);
        return frameRows(frame, into.palette);
    }
    if (readsInPlace(frame)) return frameRows(frame, nullptr);
    if (format_.depth == 32) return convertRows(frame, format, into.pixels);
    // Cut from 8 bits per channel: the same truncation the codec applies to 32-bit input.
    return convertRows(trueColour(frame), AV_PIX_FMT_BGR0, into.pixels);
}

InputPicture DibConverter::convertRows(const AVFrame& frame, AVPixelFormat sourceFormat, std::vector<uint8_t>& pixels) {
    pixels.resize(size_t(stride_) * format_.height);
    uint8_t* target[4] = {pixels.data()};
    int targetStride[4] = {stride_};
    toTarget_.convert(sourceFormat, frame.data, frame.linesize, inputPixelFormatForDepth(format_.depth), target,
                      targetStride, int(format_.width), int(format_.height));
    return InputPicture{pixels.data() + size_t(format_.height - 1) * size_t(stride_), -ptrdiff_t(stride_), nullptr};
}

const AVFrame& DibConverter::trueColour(const AVFrame& frame) {
    if (frame.format == AV_PIX_FMT_BGR0) return frame;
    if (!trueColour_) trueColour_ = makeFrame(AV_PIX_FMT_BGR0, format_.width, format_.height);
    toTrueColour_.convert(AVPixelFormat(frame.format), frame.data, frame.linesize, AV_PIX_FMT_BGR0, trueColour_->data,
                          trueColour_->linesize, int(format_.width), int(format_.height));
    return *trueColour_;
}

OutputPictureConverter::OutputPictureConverter(DibFormat dibFormat, AVPixelFormat encoderFormat, uint32_t width,
                                               uint32_t height)
    : dibFormat_(dibFormatPixelFormat(dibFormat)),
      encoderFormat_(encoderFormat),
      width_(width),
      height_(height),
      wrapper_(allocateFrame()) {
    wrapper_->format = dibFormat_;
    wrapper_->width = int(width);
    wrapper_->height = int(height);
    if (encoderFormat != dibFormat_) converted_ = makeFrame(encoderFormat, width, height);
}

AVFrame* OutputPictureConverter::convert(const PictureRows& rows, int64_t pts) {
    wrapper_->data[0] = const_cast<uint8_t*>(rows.top);
    wrapper_->linesize[0] = rows.stride;
    wrapper_->pts = pts;
    if (!converted_) return wrapper_.get();
    if (av_frame_make_writable(converted_.get()) < 0) throw std::bad_alloc();
    converter_.convert(dibFormat_, wrapper_->data, wrapper_->linesize, encoderFormat_, converted_->data,
                       converted_->linesize, int(width_), int(height_));
    converted_->pts = pts;
    return converted_.get();
}

}  // namespace drav::tool
