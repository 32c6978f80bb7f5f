// The informational messages: the instance's state word (ICM_GETSTATE,
// ICM_SETSTATE), the driver description (ICM_GETINFO) and the default key
// frame rate (ICM_GETDEFAULTKEYFRAMERATE).
#pragma once

#include <windows.h>
#include <vfw.h>

#include "CodecInstance.h"

namespace drav {

constexpr DWORD FOURCC_VIDC = mmioFOURCC('v', 'i', 'd', 'c');
constexpr uint16_t DEFAULT_STATE = 2;
constexpr DWORD DEFAULT_KEY_FRAME_RATE = 100;

// Both return the state's size (2), 0 when the buffer is too small, or for
// ICM_GETSTATE with no buffer the size it needs. A null buffer given to
// ICM_SETSTATE restores the default state.
LRESULT getState(const CodecInstance& instance, void* buffer, LPARAM size);
LRESULT setState(CodecInstance& instance, const void* buffer, LPARAM size);

// sizeof(ICINFO) for a null record, 0 for a record that is too small, else
// fills the record and returns its size.
LRESULT getInfo(ICINFO* info, LPARAM size);

// ICERR_OK after writing DEFAULT_KEY_FRAME_RATE, ICERR_UNSUPPORTED for null.
LRESULT getDefaultKeyFrameRate(DWORD* rate);

}  // namespace drav
