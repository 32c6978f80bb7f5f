#include "input_reader.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <vector>

#include "interruption.h"
#include "tool_error.h"

extern "C" {
#include <libavutil/dict.h>
}

namespace drav::tool {
namespace {

struct DictionaryFreer {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

AVRational containerFrameRate(const AVStream& stream) {
    if (stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0) return stream.avg_frame_rate;
    if (stream.r_frame_rate.num > 0 && stream.r_frame_rate.den > 0) return stream.r_frame_rate;
    return AVRational{25, 1};
}

}  // namespace

class VideoInput::Reading {
public:
    explicit Reading(const InputSpec& spec);

    bool nextFrame(AVFrame& into);
    void readAhead();  // the reading thread
    void stop();

    AVRational frameRate() const { return frameRate_; }
    int64_t announcedFrameCount() const { return announcedFrames_; }

private:
    static constexpr size_t FRAMES_AHEAD = 3;

    void waitForFrame(std::unique_lock<std::mutex>& lock);
    bool decodeNext(AVFrame& into);
    bool receiveFrame(AVFrame& into);
    void sendNextPacket();

    std::string name_;
    InputContext format_;
    CodecContext decoder_;
    Packet packet_;
    int streamIndex_ = -1;
    AVRational frameRate_{25, 1};
    int64_t announcedFrames_ = 0;
    int64_t framesDecoded_ = 0;  // by the reading thread
    bool draining_ = false;

    // A ring of frames the reading thread fills ahead of the caller, who
    // takes them out in order. Guarded by mutex_.
    std::vector<Frame> ring_;
    size_t filled_ = 0;    // slots decoded so far
    size_t consumed_ = 0;  // slots the caller has emptied
    bool ended_ = false;   // no more frames after `filled_`
    bool stopping_ = false;
    std::exception_ptr failure_;  // thrown once the frames before it are taken
    std::mutex mutex_;
    std::condition_variable changed_;
};

VideoInput::VideoInput(const InputSpec& spec)
    : reading_(std::make_shared<Reading>(spec)), reader_([reading = reading_] { reading->readAhead(); }) {}

VideoInput::~VideoInput() {
    reading_->stop();
    // After a signal the thread may be blocked on an input that stalled; it
    // ends with the process, which the signal ends next.
    if (interrupted())
        reader_.detach();
    else
        reader_.join();
}

bool VideoInput::nextFrame(AVFrame& into) { return reading_->nextFrame(into); }
AVRational VideoInput::frameRate() const { return reading_->frameRate(); }
int64_t VideoInput::announcedFrameCount() const { return reading_->announcedFrameCount(); }

VideoInput::Reading::Reading(const InputSpec& spec) : name_(spec.path), packet_(allocatePacket()) {
    const AVInputFormat* forcedFormat = nullptr;
    if (!spec.format.empty()) {
        forcedFormat = av_find_input_format(spec.format.c_str());
        if (!forcedFormat) throw ToolError("FFmpeg has no input format \"" + spec.format + "\"", EXIT_USAGE);
    }
    AVDictionary* options = nullptr;
    for (const auto& [key, value] : spec.options) av_dict_set(&options, key.c_str(), value.c_str(), 0);
    AVFormatContext* opened = nullptr;
    std::string url = ffmpegUrl(spec.path, false);
    int status = avformat_open_input(&opened, url.c_str(), forcedFormat, &options);
    // FFmpeg hands back the options no one took.
    std::unique_ptr<AVDictionary, DictionaryFreer> unusedOptions(options);
    if (status < 0) throw ToolError(fileMessage(name_, "cannot open: " + ffmpegErrorText(status)));
    format_.reset(opened);
    if (unusedOptions) {
        const AVDictionaryEntry* unused = av_dict_get(unusedOptions.get(), "", nullptr, AV_DICT_IGNORE_SUFFIX);
        throw ToolError(fileMessage(name_, std::string("the input format has no option \"") + unused->key + "\""),
                        EXIT_USAGE);
    }
    status = avformat_find_stream_info(format_.get(), nullptr);
    if (status < 0) throw ToolError(fileMessage(name_, "cannot read: " + ffmpegErrorText(status)));

    const AVCodec* codec = nullptr;
    streamIndex_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (streamIndex_ < 0 || !codec) throw ToolError(fileMessage(name_, "no video that FFmpeg can decode"));
    const AVStream& stream = *format_->streams[streamIndex_];
    frameRate_ = containerFrameRate(stream);
    announcedFrames_ = stream.nb_frames > 0 ? stream.nb_frames : 0;

    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_) throw std::bad_alloc();
    status = avcodec_parameters_to_context(decoder_.get(), stream.codecpar);
    if (status >= 0) {
        decoder_->thread_count = spec.threads;
        decoder_->pkt_timebase = stream.time_base;
        status = avcodec_open2(decoder_.get(), codec, nullptr);
    }
    if (status < 0)
        throw ToolError(fileMessage(
            name_, std::string("cannot start the ") + codec->name + " decoder: " + ffmpegErrorText(status)));

    for (size_t i = 0; i < FRAMES_AHEAD; ++i) ring_.push_back(allocateFrame());
}

void VideoInput::Reading::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

bool VideoInput::Reading::nextFrame(AVFrame& into) {
    std::unique_lock<std::mutex> lock(mutex_);
    waitForFrame(lock);
    if (filled_ == consumed_) {
        if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
        return false;
    }
    av_frame_unref(&into);
    av_frame_move_ref(&into, ring_[consumed_++ % ring_.size()].get());
    lock.unlock();
    changed_.notify_all();
    return true;
}

void VideoInput::Reading::waitForFrame(std::unique_lock<std::mutex>& lock) {
    // A signal wakes no waiting thread, so the wait looks for one now and then.
    constexpr std::chrono::milliseconds SIGNAL_POLL{50};
    while (!changed_.wait_for(lock, SIGNAL_POLL, [this] { return filled_ > consumed_ || ended_ || interrupted(); })) {
    }
    if (!interrupted() || ended_) return;
    stopping_ = ended_ = true;  // the reading thread keeps no picture it decodes from now on
    changed_.notify_all();
}

void VideoInput::Reading::readAhead() {
    try {
        for (;;) {
            AVFrame* slot;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return stopping_ || filled_ - consumed_ < ring_.size(); });
                if (stopping_) return;
                slot = ring_[filled_ % ring_.size()].get();
            }
            const bool decoded = decodeNext(*slot);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopping_) return;
                if (decoded) ++filled_;
                ended_ = !decoded;
            }
            changed_.notify_all();
            if (!decoded) return;
        }
    } catch (...) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            failure_ = std::current_exception();
            ended_ = true;
        }
        changed_.notify_all();
    }
}

bool VideoInput::Reading::decodeNext(AVFrame& into) {
    av_frame_unref(&into);
    while (!receiveFrame(into)) {
        if (draining_) return false;
        sendNextPacket();
    }
    ++framesDecoded_;
    return true;
}

bool VideoInput::Reading::receiveFrame(AVFrame& into) {
    int status = avcodec_receive_frame(decoder_.get(), &into);
    if (status == 0) return true;
    if (status == AVERROR(EAGAIN) || status == AVERROR_EOF) return false;
    throw ToolError(frameMessage(name_, framesDecoded_, "cannot decode: " + ffmpegErrorText(status)));
}

void VideoInput::Reading::sendNextPacket() {
    for (;;) {
        int status = av_read_frame(format_.get(), packet_.get());
        if (status == AVERROR_EOF) {
            draining_ = true;
            avcodec_send_packet(decoder_.get(), nullptr);
            return;
        }
        if (status < 0) throw ToolError(frameMessage(name_, framesDecoded_, "cannot read: " + ffmpegErrorText(status)));
        bool ours = packet_->stream_index == streamIndex_;
        if (ours) status = avcodec_send_packet(decoder_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (!ours) continue;
        if (status < 0 && status != AVERROR(EAGAIN))
            throw ToolError(frameMessage(name_, framesDecoded_, "cannot decode: " + ffmpegErrorText(status)));
        return;
    }
}

}  // namespace drav::tool
