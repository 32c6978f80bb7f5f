// The published Windows bitmap records that AVI files carry as stream formats
// (BITMAPINFOHEADER, RGBQUAD), with the codes and frame records that go with
// them. On Windows they come from the platform headers; elsewhere this file
// declares the same names with the same 32-bit layouts.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#include <vfw.h>
#else

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef void* LPVOID;

#define BI_RGB 0L
#define BI_BITFIELDS 3L

#define ICERR_OK 0L
#define ICERR_UNSUPPORTED (-1L)
#define ICERR_BADFORMAT (-2L)
#define ICERR_MEMORY (-3L)
#define ICERR_ERROR (-100L)

#define ICCOMPRESS_KEYFRAME 0x00000001L
#define ICDECOMPRESS_HURRYUP 0x80000000L
#define ICDECOMPRESS_PREROLL 0x20000000L
#define AVIIF_KEYFRAME 0x00000010L

#pragma pack(push, 2)
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
#pragma pack(pop)
typedef BITMAPINFOHEADER* LPBITMAPINFOHEADER;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct ICCOMPRESS {
    DWORD dwFlags;
    LPBITMAPINFOHEADER lpbiOutput;
    LPVOID lpOutput;
    LPBITMAPINFOHEADER lpbiInput;
    LPVOID lpInput;
    DWORD* lpckid;
    DWORD* lpdwFlags;
    LONG lFrameNum;
    DWORD dwFrameSize;
    DWORD dwQuality;
    LPBITMAPINFOHEADER lpbiPrev;
    LPVOID lpPrev;
};

struct ICDECOMPRESS {
    DWORD dwFlags;
    LPBITMAPINFOHEADER lpbiInput;
    LPVOID lpInput;
    LPBITMAPINFOHEADER lpbiOutput;
    LPVOID lpOutput;
    DWORD ckid;
};

#endif  // _WIN32

static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(offsetof(BITMAPINFOHEADER, biBitCount) == 14, "BITMAPINFOHEADER layout");
static_assert(offsetof(BITMAPINFOHEADER, biCompression) == 16, "BITMAPINFOHEADER layout");
static_assert(offsetof(BITMAPINFOHEADER, biSizeImage) == 20, "BITMAPINFOHEADER layout");
static_assert(offsetof(BITMAPINFOHEADER, biClrImportant) == 36, "BITMAPINFOHEADER layout");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is 4 bytes");
static_assert(offsetof(RGBQUAD, rgbRed) == 2, "RGBQUAD layout");
// Pointer members take the platform's pointer size: on 32-bit Windows the
// records are 48 and 24 bytes, on 64-bit Windows (and 64-bit elsewhere) 88
// and 48, with the pointers 8-aligned after the leading flags.
static_assert(sizeof(ICCOMPRESS) == (sizeof(void*) == 4 ? 48 : 88), "ICCOMPRESS size");
static_assert(sizeof(ICDECOMPRESS) == (sizeof(void*) == 4 ? 24 : 48), "ICDECOMPRESS size");
static_assert(offsetof(ICCOMPRESS, lpdwFlags) == (sizeof(void*) == 4 ? 24 : 48), "ICCOMPRESS layout");
static_assert(offsetof(ICCOMPRESS, lFrameNum) == (sizeof(void*) == 4 ? 28 : 56), "ICCOMPRESS layout");
static_assert(offsetof(ICCOMPRESS, lpbiPrev) == (sizeof(void*) == 4 ? 40 : 72), "ICCOMPRESS layout");
static_assert(offsetof(ICDECOMPRESS, lpOutput) == (sizeof(void*) == 4 ? 16 : 32), "ICDECOMPRESS layout");
