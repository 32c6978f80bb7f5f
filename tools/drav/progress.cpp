#include "progress.h"

#include <unistd.h>

#include <cinttypes>

namespace drav::tool {
namespace {
constexpr double REDRAW_INTERVAL_SECONDS = 0.1;
}

double framesPerSecond(int64_t frames, double seconds) { return seconds > 0 ? double(frames) / seconds : 0.0; }

std::string progressLine(const std::string& label, int64_t done, int64_t total, double fps, unsigned barWidth) {
    char counts[96];
    if (total > 0) {
        int64_t shown = done < total ? done : total;
        unsigned filled = unsigned(uint64_t(shown) * barWidth / uint64_t(total));
        std::string bar = "[" + std::string(filled, '#') + std::string(barWidth - filled, '.') + "]";
        std::snprintf(counts, sizeof counts, " %" PRId64 "/%" PRId64 " frames  %.1f fps", done, total, fps);
        return label + " " + bar + counts;
    }
    std::snprintf(counts, sizeof counts, " %" PRId64 " frames  %.1f fps", done, fps);
    return label + counts;
}

Progress::Progress(std::string label, int64_t total, bool enabled, std::FILE* stream)
    : label_(std::move(label)), total_(total), active_(enabled && isatty(fileno(stream))), stream_(stream) {}

void Progress::update(int64_t done) {
    if (!active_) return;
    double now = clock_.seconds();
    if (lastDraw_ >= 0 && now - lastDraw_ < REDRAW_INTERVAL_SECONDS && done != total_) return;
    lastDraw_ = now;
    std::fprintf(stream_, "\r%s\033[K", progressLine(label_, done, total_, framesPerSecond(done, now)).c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void Progress::clear() {
    if (!drawn_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    drawn_ = false;
    lastDraw_ = -1;
}

void Progress::finish() {
    clear();
    active_ = false;
}

}  // namespace drav::tool
