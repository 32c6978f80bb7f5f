// Internals of the output renderer shared by its forms (the scalar reference
// and the packed-integer forms for each instruction set) and their tests.
//
// Only declarations and templates live here: the forms are compiled with
// different instruction sets, and an inline function shared between their
// translation units could be linked in the wrong one's code.
#pragma once

#include <cstdint>

#include "codec/decompressor.h"

namespace drav {

constexpr uint32_t UNIT_STEP = 0x10000;  // one picture pixel per output pixel, in 16.16

// The formula of an output pixel, fixed per call from the scale mode and the
// scaling forms.
enum class RenderKernel : uint8_t {
    Copy,
    Bilinear8Bit,  // SCALE_BILINEAR, ScalingForms::Plain
    Bilinear4Bit,  // SCALE_BILINEAR, ScalingForms::SmoothedHalf
    HalfSmooth,
};

// A checked render request. The forms trust it: every sample position they
// derive from it lies inside the picture, so its border and the one spare
// pixel after the right border are all they read.
struct RenderPlan {
    const uint8_t* origin;  // picture pixel (0, 0)
    uint32_t pictureStride;
    uint8_t* output;                     // the first row to render
    ptrdiff_t outputStride;              // signed: top-down buffers run backwards
    uint32_t outputWidth, outputHeight;  // outputHeight: the rows to render
    uint32_t xStep, yStep;               // 16.16 fixed point
    uint32_t yStart;                     // yPos of the first row to render
    RenderKernel kernel;
    OutputFormat format;
};

// False when there is nothing to write (an empty output) or the context is
// inconsistent (unknown mode or format, bit count not matching the format,
// sizes beyond 65,535, a picture too small for its size); nothing may be
// written then.
bool planRender(const FrameDecodeContext& context, RenderPlan& plan);

// One implementation of every kernel and format.
struct RenderForm {
    const char* name;
    bool (*isSupported)();  // by this processor
    void (*render)(const RenderPlan& plan);
};

// Every form built in, fastest first; the last is the reference, which every
// processor runs.
extern const RenderForm RENDER_FORMS[];
extern const unsigned RENDER_FORM_COUNT;

void renderPlanReference(const RenderPlan& plan);
void renderPlanAvx2(const RenderPlan& plan);
void renderPlanSsse3(const RenderPlan& plan);
void renderPlanSse2(const RenderPlan& plan);
void renderPlanMmx(const RenderPlan& plan);

// Runs Form::render<Kernel, Store> with the form's types for the plan's kernel
// and format, so that a form picks its inner loop once per call. A form names
// its kernels Copy, Bilinear8Bit, Bilinear4Bit, HalfSmooth and its stores
// Bgr24, Bgrx32, Rgb555, Rgb565.
template <class Form, class Kernel>
void renderWithStore(const RenderPlan& plan) {
    switch (plan.format) {
        case OutputFormat::Bgr24: return Form::template render<Kernel, typename Form::Bgr24>(plan);
        case OutputFormat::Bgrx32: return Form::template render<Kernel, typename Form::Bgrx32>(plan);
        case OutputFormat::Rgb555: return Form::template render<Kernel, typename Form::Rgb555>(plan);
        case OutputFormat::Rgb565: return Form::template render<Kernel, typename Form::Rgb565>(plan);
    }
}

template <class Form>
void renderWithForm(const RenderPlan& plan) {
    switch (plan.kernel) {
        case RenderKernel::Copy: return renderWithStore<Form, typename Form::Copy>(plan);
        case RenderKernel::Bilinear8Bit: return renderWithStore<Form, typename Form::Bilinear8Bit>(plan);
        case RenderKernel::Bilinear4Bit: return renderWithStore<Form, typename Form::Bilinear4Bit>(plan);
        case RenderKernel::HalfSmooth: return renderWithStore<Form, typename Form::HalfSmooth>(plan);
    }
}

// Same-size output rows, each from whole blocks of Convert::BLOCK pixels
// (Convert::block(row, out, i) converts pixels i to i + BLOCK - 1). The last
// block ends at the row's last pixel and may overlap the one before; it
// rewrites the same bytes, so nothing outside the row's pixels is ever
// written. False, having written nothing, for rows narrower than a block.
// For the forms' own Convert types, so each instantiation is one form's.
template <class Convert>
bool convertRows(const RenderPlan& plan) {
    constexpr uint32_t BLOCK = Convert::BLOCK;
    if (plan.outputWidth < BLOCK) return false;
    const uint32_t width = plan.outputWidth, stride = plan.pictureStride;
    const ptrdiff_t outStride = plan.outputStride;
    const uint32_t height = plan.outputHeight, yStep = plan.yStep;  // stores may alias the plan
    const uint8_t* origin = plan.origin;
    uint8_t* output = plan.output;
    uint32_t yPos = plan.yStart;
    for (uint32_t j = 0; j < height; ++j, yPos += yStep) {
        const uint8_t* row = origin + size_t(yPos >> 16) * stride;
        uint8_t* out = output + ptrdiff_t(j) * outStride;
#pragma GCC unroll 4
        for (uint32_t i = 0; i + BLOCK < width; i += BLOCK) Convert::block(row, out, i);
        Convert::block(row, out, width - BLOCK);
    }
    return true;
}

// An unscaled plan's same-size output through a form's converters (ToBgrx32,
// and ToRgb16<5> and <6> for RGB555 and RGB565): true when the plan was
// rendered. 24-bit output is not, as renderOutput copies those rows as they are.
template <class ToBgrx32, template <int> class ToRgb16>
bool convertUnscaled(const RenderPlan& plan) {
    if (plan.kernel != RenderKernel::Copy || plan.xStep != UNIT_STEP) return false;
    switch (plan.format) {
        case OutputFormat::Bgrx32: return convertRows<ToBgrx32>(plan);
        case OutputFormat::Rgb555: return convertRows<ToRgb16<5>>(plan);
        case OutputFormat::Rgb565: return convertRows<ToRgb16<6>>(plan);
        case OutputFormat::Bgr24: return false;
    }
    return false;
}

}  // namespace drav
