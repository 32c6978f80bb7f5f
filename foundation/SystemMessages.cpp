#include "foundation/VSystemException.h"

// Several texts carry a trailing blank, and index 12 keeps its historic
// spelling: callers and users have seen these exact texts.
const char* const systemMessages[SYSTEM_MESSAGE_COUNT] = {
    "",
    "Error",
    "Illegal Integer Number",
    "Illegal Real Number",
    "Exception",
    "\n\nFile: %s\nLine: %d",
    "Unknown.",
    "Not Enough Memory",
    "Windows System Error:",
    "GUI Error",
    "Subscript Out of Range",
    "Illegal parameter.",
    "NULL pointer assigment.",
    "OK",
    "Can't open serial port: ",
    "Invalid baud rate settings: ",
    "Invalid bit count settings: ",
    "Invalid parity bit settings: ",
    "Invalid stop bit settings: ",
    "Invalid handshake: ",
    "Invalid communication parameters.",
};
