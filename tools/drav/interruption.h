// Ctrl+C, a closing terminal or a polite kill while drav writes a file: noted
// instead of ending the process at once, so that the command can put its
// output in order first (finish a recording with the frames it has, remove an
// unfinished output) and the process then ends by the same signal. A second
// signal ends it at once. Signals ignored when drav started (Ctrl+C of a
// background job) stay ignored.
#pragma once

namespace drav::tool {

class InterruptionHandlers {
public:
    InterruptionHandlers();   // for SIGINT, SIGTERM and SIGHUP
    ~InterruptionHandlers();  // gives the signals their actions back
    InterruptionHandlers(const InterruptionHandlers&) = delete;
    InterruptionHandlers& operator=(const InterruptionHandlers&) = delete;

    // After the work is put in order: ends the process by the signal that
    // came, if one did.
    void endIfInterrupted();
};

// True once a signal has come; the long loops stop at their next frame.
bool interrupted();

}  // namespace drav::tool
