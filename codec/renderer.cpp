#include "codec/renderer.h"

#include <cstring>

#include "codec/cpu_features.h"
#include "codec/renderer_forms.h"

namespace drav {
namespace {

constexpr uint32_t MAX_DIMENSION = 65535;  // keeps every 16.16 position in 32 bits

bool isDimension(uint32_t size) { return size >= 1 && size <= MAX_DIMENSION; }

bool chooseKernel(uint8_t scaleMode, ScalingForms forms, RenderKernel& kernel) {
    switch (scaleMode) {
        case SCALE_COPY: kernel = RenderKernel::Copy; return true;
        case SCALE_BILINEAR:
            kernel = forms == ScalingForms::SmoothedHalf ? RenderKernel::Bilinear4Bit : RenderKernel::Bilinear8Bit;
            return true;
        case SCALE_HALF_SMOOTH: kernel = RenderKernel::HalfSmooth; return true;
        default: return false;
    }
}

// Each row must hold the picture, its border pixel on either side and the
// spare pixel after the right border that four-byte loads touch; the rows
// must run from the top border to the bottom border.
bool pictureHoldsSource(const FrameDecodeContext& context) {
    uint64_t minStride = 3 * (uint64_t(context.sourceWidth) + 3);
    uint64_t minSize = uint64_t(context.pictureStride) * (uint64_t(context.sourceHeight) + 2);
    return context.picture && context.pictureStride >= minStride && context.pictureSize >= minSize;
}

const RenderForm& fastestForm() {
    for (unsigned i = 0; i + 1 < RENDER_FORM_COUNT; ++i)
        if (RENDER_FORMS[i].isSupported()) return RENDER_FORMS[i];
    return RENDER_FORMS[RENDER_FORM_COUNT - 1];
}

bool isUnscaledBgr24Copy(const RenderPlan& plan) {
    return plan.kernel == RenderKernel::Copy && plan.format == OutputFormat::Bgr24 && plan.xStep == UNIT_STEP;
}

// Same-size BGR24 output is the picture's rows as they are.
void copyUnscaledBgr24Rows(const RenderPlan& plan) {
    uint32_t yPos = plan.yStart;
    for (uint32_t j = 0; j < plan.outputHeight; ++j, yPos += plan.yStep) {
        const uint8_t* row = plan.origin + size_t(yPos >> 16) * plan.pictureStride;
        std::memcpy(plan.output + ptrdiff_t(j) * plan.outputStride, row, size_t(plan.outputWidth) * 3);
    }
}

}  // namespace

const RenderForm RENDER_FORMS[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", processorHasAvx2, renderPlanAvx2},         {"ssse3", processorHasSsse3, renderPlanSsse3},
    {"sse2", processorHasSse2, renderPlanSse2},         {"mmx", processorHasMmx, renderPlanMmx},
#endif
    {"reference", everyProcessor, renderPlanReference},
};
const unsigned RENDER_FORM_COUNT = sizeof(RENDER_FORMS) / sizeof(RENDER_FORMS[0]);

uint32_t outputRowBytes(uint32_t outputWidth, uint32_t outputBitCount) {
    return (outputWidth * (outputBitCount / 8) + 3) & ~3u;
}

bool planRender(const FrameDecodeContext& context, RenderPlan& plan) {
    if (!context.output || !isDimension(context.outputWidth) || !isDimension(context.outputHeight)) return false;
    if (!isDimension(context.sourceWidth) || !isDimension(context.sourceHeight)) return false;
    if (outputBitCount(context.outputFormat) == 0 || outputBitCount(context.outputFormat) != context.outputBitCount)
        return false;
    if (!chooseKernel(context.scaleMode, context.forms, plan.kernel) || !pictureHoldsSource(context)) return false;

    const uint32_t rowCount = context.rowCount ? context.rowCount : context.outputHeight;
    if (context.firstRow > context.outputHeight || rowCount > context.outputHeight - context.firstRow) return false;

    plan.origin = context.picture + context.pictureStride + 3;
    plan.pictureStride = context.pictureStride;
    plan.outputStride = context.outputStride ? context.outputStride
                                             : ptrdiff_t(outputRowBytes(context.outputWidth, context.outputBitCount));
    plan.output = context.output + ptrdiff_t(context.firstRow) * plan.outputStride;
    plan.outputWidth = context.outputWidth;
    plan.outputHeight = rowCount;
    plan.xStep = (context.sourceWidth << 16) / context.outputWidth;
    plan.yStep = (context.sourceHeight << 16) / context.outputHeight;
    // Row j of a whole render samples at j x yStep, the sum of j steps.
    plan.yStart = context.firstRow * plan.yStep;
    plan.format = context.outputFormat;
    return true;
}

void renderOutputReference(const FrameDecodeContext& context) {
    RenderPlan plan;
    if (planRender(context, plan)) renderPlanReference(plan);
}

bool renderOutput(const FrameDecodeContext& context) {
    RenderPlan plan;
    if (!planRender(context, plan)) return false;
    if (isUnscaledBgr24Copy(plan))
        copyUnscaledBgr24Rows(plan);
    else
        fastestForm().render(plan);
    return true;
}

}  // namespace drav
