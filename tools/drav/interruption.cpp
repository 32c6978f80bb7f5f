#include "interruption.h"

#include <csignal>
#include <cstdio>

namespace drav::tool {
namespace {

constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previous[sizeof SIGNALS / sizeof SIGNALS[0]];
volatile std::sig_atomic_t received = 0;

extern "C" void noteSignal(int signal) { received = signal; }

}  // namespace

bool interrupted() { return received != 0; }

InterruptionHandlers::InterruptionHandlers() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESTART | SA_RESETHAND;  // reads go on; a second signal acts at once
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof SIGNALS / sizeof SIGNALS[0]; ++i) {
        sigaction(SIGNALS[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN) sigaction(SIGNALS[i], &action, nullptr);
    }
}

InterruptionHandlers::~InterruptionHandlers() {
    for (size_t i = 0; i < sizeof SIGNALS / sizeof SIGNALS[0]; ++i) sigaction(SIGNALS[i], &previous[i], nullptr);
}

void InterruptionHandlers::endIfInterrupted() {
    if (!received) return;
    std::fflush(nullptr);  // the signal's default action flushes nothing
    std::signal(received, SIG_DFL);
    std::raise(received);
}

}  // namespace drav::tool
