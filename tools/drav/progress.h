// Progress of long work: a bar on a terminal, nothing otherwise; and the
// clock behind the figures printed at the end.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace drav::tool {

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

private:
    std::chrono::steady_clock::time_point start_;
};

// Frames per second, 0 when no time has passed.
double framesPerSecond(int64_t frames, double seconds);

// One line of the bar: "encode [#####.....]   45/120 frames   37.5 fps"; with
// an unknown total (0) the count alone.
std::string progressLine(const std::string& label, int64_t done, int64_t total, double fps, unsigned barWidth = 30);

class Progress {
public:
    // Draws only when enabled and the stream is a terminal.
    Progress(std::string label, int64_t total, bool enabled, std::FILE* stream = stderr);
    ~Progress() { finish(); }
    void update(int64_t done);
    // Removes the bar so that messages and the summary start on a clean line.
    void clear();
    void finish();

private:
    std::string label_;
    int64_t total_;
    bool active_;
    bool drawn_ = false;
    std::FILE* stream_;
    Stopwatch clock_;
    double lastDraw_ = -1;
};

}  // namespace drav::tool
