// Every structure a host hands the driver ends where an inaccessible page
// begins: formats of every depth, header size and colour table, offered to
// every message that takes a format, in both directions, with the frame
// records, pictures and frames placed the same way and each output buffer as
// large as the driver said. A byte read or written past any of them is
// reported with the format and the message.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "VcmTestSupport.h"

namespace drav::test {
namespace {

constexpr LONG WIDTH = 13;
constexpr LONG HEIGHT = 7;
// Larger answers are no size a host could allocate for a 13 x 7 picture.
constexpr DWORD LARGEST_PLAUSIBLE_SIZE = 1u << 20;

// Bytes a host holds for a format: the header, the three masks after a
// 40-byte BI_BITFIELDS header, and the colour table its depth and biClrUsed
// declare (0 meaning 2^depth up to 8 bits). A header shorter than
// BITMAPINFOHEADER is all there is; so is a header whose table no host could
// hold, which the driver must refuse unread.
size_t formatBytes(const BITMAPINFOHEADER& h) {
    if (h.biSize < sizeof(BITMAPINFOHEADER)) return h.biSize;
    const size_t masks = h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER) ? 12 : 0;
    size_t colours = h.biClrUsed ? h.biClrUsed : h.biBitCount <= 8 ? size_t(1) << h.biBitCount : 0;
    if (colours > 4096) colours = 0;
    return h.biSize + masks + colours * sizeof(RGBQUAD);
}

// A format in host memory, and what the host meant by it (a test must not
// read a short header's missing fields either).
struct HostFormat {
    BITMAPINFOHEADER header;
    PoisonedBuffer bytes;

    HostFormat(const BITMAPINFOHEADER& h, const char* what) : header(h), bytes(formatBytes(h), what) {
        std::vector<uint8_t> image(bytes.size());
        for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 7 + 1);  // colours that are not black
        std::memcpy(image.data(), &h, std::min(image.size(), sizeof(h)));
        if (image.size() > sizeof(h))
            std::memset(image.data() + sizeof(h), 0, std::min<size_t>(h.biSize, image.size()) - sizeof(h));
        std::memcpy(bytes.data(), image.data(), image.size());
    }
    BITMAPINFOHEADER* get() const { return bytes.as<BITMAPINFOHEADER>(); }
};

const char* compressionName(DWORD compression) {
    return compression == BI_RGB ? "BI_RGB" : compression == BI_BITFIELDS ? "BI_BITFIELDS" : "DRAV";
}

class HostMemoryWalk {
public:
    HostMemoryWalk() {
        for (WORD depth : {8, 16, 32}) keyFrames_[depth == 32 ? 24 : depth] = keyFrameFrom(depth);
    }

    // Every message that takes the format, as input and as output of both directions.
    void walk(const BITMAPINFOHEADER& format) {
        compressFrom(format);
        compressTo(format);
        compressFramesWith(format);
        decompressFrom(format);
        decompressTo(format);
        decompressFramesWith(format);
    }

    int framesCompressed = 0, framesDecompressed = 0;

private:
    LRESULT send(HIC hic, UINT message, const void* lParam1, const void* lParam2, const char* name) {
        LRESULT result = ICSendMessage(hic, message, DWORD_PTR(lParam1), DWORD_PTR(lParam2));
        for (const std::string& overrun : takeOverruns()) ADD_FAILURE() << name << ": " << overrun;
        return result;
    }

    // A proposal written into exactly the bytes the driver asked for; none when refused.
    std::unique_ptr<HostFormat> proposal(HIC hic, UINT getFormat, const HostFormat& input, const char* name) {
        const LRESULT size = send(hic, getFormat, input.get(), nullptr, name);
        if (size < 0) return nullptr;
        if (size < LRESULT(sizeof(BITMAPINFOHEADER)) || size > LRESULT(LARGEST_PLAUSIBLE_SIZE)) {
            ADD_FAILURE() << name << " asked for " << size << " bytes";
            return nullptr;
        }
        PoisonedBuffer block(size_t(size), "proposed format");
        EXPECT_EQ(send(hic, getFormat, input.get(), block.data(), name), ICERR_OK);
        BITMAPINFOHEADER header = *block.as<BITMAPINFOHEADER>();
        EXPECT_EQ(formatBytes(header), size_t(size)) << name << ": the proposal describes another size";
        auto format = std::make_unique<HostFormat>(header, "proposed format");
        std::memcpy(format->bytes.data(), block.data(), std::min(block.size(), format->bytes.size()));
        return format;
    }

    void compressFrom(const BITMAPINFOHEADER& format) {
        HostFormat input(format, "input format");
        send(compressor_.get(), ICM_COMPRESS_QUERY, input.get(), nullptr, "ICM_COMPRESS_QUERY");
        auto output = proposal(compressor_.get(), ICM_COMPRESS_GET_FORMAT, input, "ICM_COMPRESS_GET_FORMAT");
        if (!output) return;
        EXPECT_EQ(send(compressor_.get(), ICM_COMPRESS_QUERY, input.get(), output->get(), "ICM_COMPRESS_QUERY"),
                  ICERR_OK);
        EXPECT_TRUE(compressStream(input, *output)) << "its own proposal is refused";
    }

    void compressTo(const BITMAPINFOHEADER& format) {
        HostFormat input(makeFormat(WIDTH, std::abs(format.biHeight), 16).header, "input format");
        HostFormat output(format, "output format");
        send(compressor_.get(), ICM_COMPRESS_QUERY, input.get(), output.get(), "ICM_COMPRESS_QUERY");
        compressStream(input, output);
    }

    // The format in the records of a running stream's frames, and GET_SIZE
    // for it during that stream: the frames then fit in what it answered.
    void compressFramesWith(const BITMAPINFOHEADER& format) {
        HIC hic = compressor_.get();
        HostFormat input(makeFormat(WIDTH, HEIGHT, 16).header, "input format");
        HostFormat stream(makeCompressedFormat(WIDTH, HEIGHT, 16).header, "output format");
        HostFormat other(format, "frame's format");
        ASSERT_EQ(send(hic, ICM_COMPRESS_BEGIN, input.get(), stream.get(), "ICM_COMPRESS_BEGIN"), ICERR_OK);
        const DWORD size = DWORD(send(hic, ICM_COMPRESS_GET_SIZE, input.get(), other.get(), "ICM_COMPRESS_GET_SIZE"));
        if (size > LARGEST_PLAUSIBLE_SIZE)
            ADD_FAILURE() << "ICM_COMPRESS_GET_SIZE answered " << size << ", no size";
        else
            compressFrame(input, stream, size, 0);
        const DWORD streamSize =
            DWORD(send(hic, ICM_COMPRESS_GET_SIZE, input.get(), stream.get(), "ICM_COMPRESS_GET_SIZE"));
        compressFrame(other, stream, streamSize, 1);
        compressFrame(input, other, streamSize, 2);
        send(hic, ICM_COMPRESS_END, nullptr, nullptr, "ICM_COMPRESS_END");
    }

    // True when BEGIN took the formats.
    bool compressStream(const HostFormat& input, const HostFormat& output) {
        HIC hic = compressor_.get();
        const DWORD size = DWORD(send(hic, ICM_COMPRESS_GET_SIZE, input.get(), output.get(), "ICM_COMPRESS_GET_SIZE"));
        if (send(hic, ICM_COMPRESS_BEGIN, input.get(), output.get(), "ICM_COMPRESS_BEGIN") != ICERR_OK) return false;
        if (size > LARGEST_PLAUSIBLE_SIZE) {
            ADD_FAILURE() << "ICM_COMPRESS_GET_SIZE answered " << size << ", no size";
        } else {
            for (LONG number = 0; number < 2; ++number)
                EXPECT_EQ(compressFrame(input, output, size, number), ICERR_OK) << "frame " << number;
        }
        send(hic, ICM_COMPRESS_END, nullptr, nullptr, "ICM_COMPRESS_END");
        return true;
    }

    // One frame (the first a key frame) into a buffer of `capacity` bytes.
    LRESULT compressFrame(const HostFormat& input, const HostFormat& output, DWORD capacity, LONG number) {
        std::vector<uint8_t> pixels = noisePicture(input.header, uint32_t(number + 1));
        PoisonedBuffer picture(pixels.data(), pixels.size(), "input picture");
        PoisonedBuffer frame(capacity, "compressed frame buffer");
        PoisonedBuffer chunkId(sizeof(DWORD), "chunk id"), aviFlags(sizeof(DWORD), "AVI flags");
        ICCOMPRESS request{};
        request.dwFlags = number == 0 ? ICCOMPRESS_KEYFRAME : 0;
        request.lpbiOutput = output.get();
        request.lpOutput = frame.data();
        request.lpbiInput = input.get();
        request.lpInput = picture.data();
        request.lpckid = chunkId.as<DWORD>();
        request.lpdwFlags = aviFlags.as<DWORD>();
        request.lFrameNum = number;
        PoisonedBuffer record(&request, sizeof(request), "ICCOMPRESS record");
        const LRESULT status = send(compressor_.get(), ICM_COMPRESS, record.data(),
                                    reinterpret_cast<void*>(sizeof(request)), "ICM_COMPRESS");
        if (status == ICERR_OK) ++framesCompressed;
        return status;
    }

    void decompressFrom(const BITMAPINFOHEADER& format) {
        HIC hic = decompressor_.get();
        HostFormat input(streamFormat(format), "compressed format");
        send(hic, ICM_DECOMPRESS_QUERY, input.get(), nullptr, "ICM_DECOMPRESS_QUERY");
        auto output = proposal(hic, ICM_DECOMPRESS_GET_FORMAT, input, "ICM_DECOMPRESS_GET_FORMAT");
        if (!output) return;
        EXPECT_EQ(send(hic, ICM_DECOMPRESS_QUERY, input.get(), output->get(), "ICM_DECOMPRESS_QUERY"), ICERR_OK);
        EXPECT_TRUE(decompressStream(input, *output, output->header.biSizeImage)) << "its own proposal is refused";
    }

    void decompressTo(const BITMAPINFOHEADER& format) {
        HostFormat input(streamFormat(makeCompressedFormat(WIDTH, HEIGHT, 16).header), "compressed format");
        HostFormat output(format, "output format");
        send(decompressor_.get(), ICM_DECOMPRESS_QUERY, input.get(), output.get(), "ICM_DECOMPRESS_QUERY");
        decompressStream(input, output, dibPictureBytes(format));
    }

    // True when BEGIN took the formats; a key frame then renders into `capacity` bytes.
    bool decompressStream(const HostFormat& input, const HostFormat& output, size_t capacity) {
        HIC hic = decompressor_.get();
        if (send(hic, ICM_DECOMPRESS_BEGIN, input.get(), output.get(), "ICM_DECOMPRESS_BEGIN") != ICERR_OK)
            return false;
        EXPECT_EQ(decompressFrame(input, output, capacity), ICERR_OK);
        send(hic, ICM_DECOMPRESS_END, nullptr, nullptr, "ICM_DECOMPRESS_END");
        return true;
    }

    // The format in the records of a running stream's frames.
    void decompressFramesWith(const BITMAPINFOHEADER& format) {
        HIC hic = decompressor_.get();
        HostFormat input(streamFormat(makeCompressedFormat(WIDTH, HEIGHT, 16).header), "compressed format");
        HostFormat output(makeFormat(WIDTH, HEIGHT, 32).header, "output format");
        ASSERT_EQ(send(hic, ICM_DECOMPRESS_BEGIN, input.get(), output.get(), "ICM_DECOMPRESS_BEGIN"), ICERR_OK);
        decompressFrame(HostFormat(streamFormat(format), "frame's format"), output, dibPictureBytes(output.header));
        decompressFrame(input, HostFormat(format, "frame's format"), dibPictureBytes(format));
        send(hic, ICM_DECOMPRESS_END, nullptr, nullptr, "ICM_DECOMPRESS_END");
    }

    // A key frame of the input's depth (if there is one) rendered into `capacity` bytes.
    LRESULT decompressFrame(const HostFormat& input, const HostFormat& output, size_t capacity) {
        const std::vector<uint8_t>& frame = keyFrames_[input.header.biBitCount];
        PoisonedBuffer data(frame.data(), frame.size(), "compressed frame");
        PoisonedBuffer picture(capacity, "output picture");
        ICDECOMPRESS request{};
        request.lpbiInput = input.get();
        request.lpInput = data.data();
        request.lpbiOutput = output.get();
        request.lpOutput = picture.data();
        PoisonedBuffer record(&request, sizeof(request), "ICDECOMPRESS record");
        const LRESULT status = send(decompressor_.get(), ICM_DECOMPRESS, record.data(),
                                    reinterpret_cast<void*>(sizeof(request)), "ICM_DECOMPRESS");
        if (status == ICERR_OK) ++framesDecompressed;
        return status;
    }

    // A compressed format whose biSizeImage is its key frame's size.
    BITMAPINFOHEADER streamFormat(BITMAPINFOHEADER format) {
        format.biSizeImage = DWORD(keyFrames_[format.biBitCount].size());
        return format;
    }

    // A key frame of a WIDTH x HEIGHT picture of the depth, through the usual path.
    std::vector<uint8_t> keyFrameFrom(WORD depth) {
        BitmapFormat input = makeFormat(WIDTH, HEIGHT, depth), output;
        EXPECT_EQ(ICCompressGetFormat(compressor_.get(), input.get(), output.get()), ICERR_OK);
        EXPECT_EQ(ICCompressBegin(compressor_.get(), input.get(), output.get()), ICERR_OK);
        CompressedFrame frame =
            compressOne(compressor_.get(), input.header, patternPicture(input.header, depth), output.header, true, 0);
        ICCompressEnd(compressor_.get());
        EXPECT_EQ(frame.status, ICERR_OK);
        return frame.bytes;
    }

    OpenCodec compressor_{ICMODE_COMPRESS}, decompressor_{ICMODE_DECOMPRESS};
    std::map<WORD, std::vector<uint8_t>> keyFrames_;  // by the stream's depth
};

TEST(HostMemory, NoMessageReadsOrWritesPastWhatTheHostHolds) {
    HostMemoryWalk walk;
    for (WORD depth : {1, 4, 8, 16, 24, 32})
        for (DWORD compression : {DWORD(BI_RGB), DWORD(BI_BITFIELDS), FOURCC_DRAV_FORMAT})
            for (DWORD headerSize : {12, 40, 124})
                for (DWORD colours : {0u, 1u, 16u, 255u, 256u, 257u, 0x40000000u})
                    for (LONG height : {HEIGHT, -HEIGHT}) {
                        BITMAPINFOHEADER format = makeFormat(WIDTH, height, depth, compression).header;
                        format.biSize = headerSize;
                        format.biClrUsed = colours;
                        SCOPED_TRACE(testing::Message()
                                     << depth << "-bit " << compressionName(compression) << ", " << WIDTH << "x"
                                     << height << ", " << headerSize << "-byte header, biClrUsed " << colours);
                        walk.walk(format);
                    }
    // Streams ran in both directions, from every accepted depth.
    EXPECT_GT(walk.framesCompressed, 100);
    EXPECT_GT(walk.framesDecompressed, 100);
}

}  // namespace
}  // namespace drav::test
