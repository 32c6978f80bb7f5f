// How drav's C library heap holds the frames FFmpeg reads: process-wide
// policy, set by the program before the memory is used, never by a library.
#pragma once

namespace drav::tool {

// Keeps freed frame buffers in the heap for the next frame, and makes the
// reading thread and the compressors share one arena.
void keepLargeBuffersInHeap();

// Grows the heap by 512 MiB of address space now and advises it for
// transparent huge pages, so that the frames read into it later are faulted
// in 2 MiB at a time rather than 4 KiB (a 3840x2160 frame: 16 faults, not
// 8,100). Pages still come only when written. Does nothing where the heap is
// not the C library's own (AddressSanitizer), on 32-bit systems, or when the
// heap cannot grow in place.
void reserveHeapInHugePages();

}  // namespace drav::tool
