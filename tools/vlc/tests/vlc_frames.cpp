// vlc_frames FILE OUT [options]: plays FILE with libvlc's media player and
// writes every picture VLC displays to OUT, as the video memory callbacks
// receive it (rows top-down, packed). VLC shows a picture again when no new
// one comes for a while: a picture equal to the one before is written once.
//   --chroma RV15|RV16|RV24|RV32  ask VLC for this format (default: the decoder's)
//   --media OPTION                a media option (repeatable): :start-time=S, :sout=...
//   --seek-after N --seek-to S    after N pictures written, seek to S seconds
//   --rate R                      playback rate (pictures are never dropped)
//   --vlc ARG                     one more libvlc argument (repeatable)
// Prints "format CHROMA WxH" and "pictures N" (written) to standard output, and VLC's
// warnings and errors, and every message of the drav module, to standard
// error. Exits 0 when the media played to its end, 1 otherwise.
#include <vlc/vlc.h>

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

// VLC unloads its modules before it exits, and LeakSanitizer then reads
// neither the pointers their globals held nor the names of the functions that
// allocated: every module stays loaded instead (the program exports this
// dlclose, which libvlccore's calls bind to).
extern "C" int dlclose(void*) { return 0; }

namespace {

struct Player {
    std::string chroma;  // asked for; empty: the decoder's
    std::vector<unsigned char> picture, written;
    unsigned width = 0, height = 0, pitch = 0;
    FILE* out = nullptr;
    std::mutex lock;
    std::condition_variable changed;
    long pictures = 0;
    bool ended = false, failed = false;
};

unsigned bytesPerPixel(const char* chroma) {
    if (!std::strcmp(chroma, "RV15") || !std::strcmp(chroma, "RV16")) return 2;
    if (!std::strcmp(chroma, "RV24")) return 3;
    if (!std::strcmp(chroma, "RV32")) return 4;
    return 0;
}

unsigned setup(void** opaque, char* chroma, unsigned* width, unsigned* height, unsigned* pitches, unsigned* lines) {
    auto* player = static_cast<Player*>(*opaque);
    if (!player->chroma.empty()) std::memcpy(chroma, player->chroma.c_str(), 4);
    const unsigned bytes = bytesPerPixel(chroma);
    if (!bytes) {
        std::fprintf(stderr, "vlc_frames: the decoder gives %.4s, not an RGB chroma\n", chroma);
        return 0;
    }
    std::printf("format %.4s %ux%u\n", chroma, *width, *height);
    player->width = *width;
    player->height = *height;
    player->pitch = pitches[0] = *width * bytes;
    lines[0] = *height;
    player->picture.assign(size_t(player->pitch) * *height, 0);
    player->written.clear();
    return 1;
}

void* lock(void* opaque, void** planes) {
    planes[0] = static_cast<Player*>(opaque)->picture.data();
    return nullptr;
}

void display(void* opaque, void*) {
    auto* player = static_cast<Player*>(opaque);
    if (player->picture == player->written) return;
    std::fwrite(player->picture.data(), 1, player->picture.size(), player->out);
    player->written = player->picture;
    std::lock_guard<std::mutex> guard(player->lock);
    ++player->pictures;
    player->changed.notify_all();
}

void onEvent(const libvlc_event_t* event, void* opaque) {
    auto* player = static_cast<Player*>(opaque);
    std::lock_guard<std::mutex> guard(player->lock);
    player->ended = true;
    player->failed = event->type == libvlc_MediaPlayerEncounteredError;
    player->changed.notify_all();
}

void onLog(void*, int level, const libvlc_log_t* context, const char* format, va_list args) {
    const char* module = nullptr;
    libvlc_log_get_context(context, &module, nullptr, nullptr);
    const bool ours = module && !std::strcmp(module, "drav");
    if (level < LIBVLC_WARNING && !ours) return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    const char* kind = level >= LIBVLC_ERROR     ? "error"
                       : level >= LIBVLC_WARNING ? "warning"
                       : level >= LIBVLC_NOTICE  ? "info"
                                                 : "debug";
    std::fprintf(stderr, "vlc: %s %s: %s\n", module ? module : "?", kind, text);
}

int usage() {
    std::fprintf(stderr,
                 "usage: vlc_frames FILE OUT [--chroma C] [--media OPTION]... [--seek-after N --seek-to S] "
                 "[--rate R] [--vlc ARG]...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    Player player;
    std::vector<const char*> mediaOptions;
    long seekAfter = -1;
    double seekTo = 0, rate = 1;
    // No title, OSD or subtitles drawn over the pictures; none dropped for lateness.
    std::vector<const char*> args = {"--no-audio", "--aout=adummy",         "--no-video-title-show", "--no-osd",
                                     "--no-spu",   "--no-drop-late-frames", "--no-skip-frames",      "--no-stats"};
    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return usage();
        const char* value = argv[++i];
        if (option == "--chroma")
            player.chroma = value;
        else if (option == "--media")
            mediaOptions.push_back(value);
        else if (option == "--seek-after")
            seekAfter = std::atol(value);
        else if (option == "--seek-to")
            seekTo = std::atof(value);
        else if (option == "--rate")
            rate = std::atof(value);
        else if (option == "--vlc")
            args.push_back(value);
        else
            return usage();
    }
    if (!player.chroma.empty() && !bytesPerPixel(player.chroma.c_str())) return usage();
    player.out = std::fopen(argv[2], "wb");
    if (!player.out) {
        std::perror(argv[2]);
        return 1;
    }

    libvlc_instance_t* vlc = libvlc_new(int(args.size()), args.data());
    if (!vlc) {
        std::fprintf(stderr, "vlc_frames: libvlc_new failed\n");
        return 1;
    }
    libvlc_log_set(vlc, onLog, nullptr);
    libvlc_media_t* media = libvlc_media_new_path(vlc, argv[1]);
    for (const char* option : mediaOptions) libvlc_media_add_option(media, option);
    libvlc_media_player_t* mp = libvlc_media_player_new_from_media(media);
    libvlc_media_release(media);
    libvlc_video_set_callbacks(mp, lock, nullptr, display, &player);
    libvlc_video_set_format_callbacks(mp, setup, nullptr);
    libvlc_event_manager_t* events = libvlc_media_player_event_manager(mp);
    libvlc_event_attach(events, libvlc_MediaPlayerEndReached, onEvent, &player);
    libvlc_event_attach(events, libvlc_MediaPlayerEncounteredError, onEvent, &player);
    libvlc_media_player_set_rate(mp, float(rate));
    libvlc_media_player_play(mp);

    bool finished;
    {
        std::unique_lock<std::mutex> guard(player.lock);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        if (seekAfter >= 0) {
            player.changed.wait_until(guard, deadline, [&] { return player.pictures >= seekAfter || player.ended; });
            if (!player.ended) libvlc_media_player_set_time(mp, libvlc_time_t(seekTo * 1000));
        }
        finished = player.changed.wait_until(guard, deadline, [&] { return player.ended; });
    }
    libvlc_media_player_stop(mp);
    libvlc_media_player_release(mp);
    libvlc_release(vlc);
    std::fclose(player.out);
    std::printf("pictures %ld\n", player.pictures);
    if (!finished) std::fprintf(stderr, "vlc_frames: the media did not end within two minutes\n");
    return finished && !player.failed ? 0 : 1;
}
