#include "dib_converter.h"

#include <new>
#include <string>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

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

DibConverter::DibConverter(unsigned depth, uint32_t width, uint32_t height)
    : depth_(depth), width_(width), height_(height) {
    if (depth != 8 && depth != 16 && depth != 32)
        throw ToolError("unsupported depth " + std::to_string(depth) + " (8, 16 or 32)");
    BITMAPINFOHEADER& header = picture_.info.header;
    header = dibHeader(width, height, depth);
    requireSupportedPictureSize(header);
    stride_ = int(dibStride(width, depth));
    picture_.pixels.assign(header.biSizeImage, 0);
}

void DibConverter::convert(const AVFrame& frame) {
    if (uint32_t(frame.width) != width_ || uint32_t(frame.height) != height_)
        throw ToolError("the picture size changed from " + std::to_string(width_) + "x" + std::to_string(height_) +
                        " to " + std::to_string(frame.width) + "x" + std::to_string(frame.height));
    AVPixelFormat format = AVPixelFormat(frame.format);
    AVPixelFormat target = inputPixelFormatForDepth(depth_);
    if (depth_ == 8) {
        if (!isPalettedFormat(format))
            throw ToolError("8-bit encoding needs paletted input, and this picture is " + pixelFormatName(format) +
                            " (use --depth 16 or 32)");
        copyRowsBottomUp(frame);
        copyPalette(frame);
    } else if (format == target) {
        copyRowsBottomUp(frame);
    } else if (depth_ == 32) {
        convertBottomUp(frame, format, toTarget_);
    } else {
        // Cut from 8 bits per channel: the same truncation the codec applies to 32-bit input.
        convertBottomUp(trueColour(frame), AV_PIX_FMT_BGR0, toTarget_);
    }
}

void DibConverter::copyRowsBottomUp(const AVFrame& frame) {
    uint8_t* lastRow = picture_.pixels.data() + size_t(height_ - 1) * size_t(stride_);
    int rowBytes = int(width_ * depth_ / 8);
    av_image_copy_plane(lastRow, -stride_, frame.data[0], frame.linesize[0], rowBytes, int(height_));
}

void DibConverter::convertBottomUp(const AVFrame& frame, AVPixelFormat sourceFormat, PixelConverter& converter) {
    uint8_t* target[4] = {picture_.pixels.data() + size_t(height_ - 1) * size_t(stride_)};
    int targetStride[4] = {-stride_};
    converter.convert(sourceFormat, frame.data, frame.linesize, inputPixelFormatForDepth(depth_), target, targetStride,
                      int(width_), int(height_));
}

const AVFrame& DibConverter::trueColour(const AVFrame& frame) {
    if (frame.format == AV_PIX_FMT_BGR0) return frame;
    if (!trueColour_) trueColour_ = makeFrame(AV_PIX_FMT_BGR0, width_, height_);
    toTrueColour_.convert(AVPixelFormat(frame.format), frame.data, frame.linesize, AV_PIX_FMT_BGR0, trueColour_->data,
                          trueColour_->linesize, int(width_), int(height_));
    return *trueColour_;
}

void DibConverter::copyPalette(const AVFrame& frame) {
    // FFmpeg's palette: 256 native-endian 0xAARRGGBB words.
    const uint32_t* palette = reinterpret_cast<const uint32_t*>(frame.data[1]);
    for (int i = 0; i < 256; ++i) {
        RGBQUAD& entry = picture_.info.colors[i];
        entry.rgbBlue = BYTE(palette[i]);
        entry.rgbGreen = BYTE(palette[i] >> 8);
        entry.rgbRed = BYTE(palette[i] >> 16);
        entry.rgbReserved = 0;
    }
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
