// Whatever a host sends through msvfw32, the driver writes only inside the
// sizes it reported: every proposal over many sizes and settings, and seeded
// random sequences of messages with valid and hostile formats and frames.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>

#include "SettingsGuard.h"
#include "VcmTestSupport.h"

namespace drav::test {
namespace {

// Headers up to the largest published one plus 256 colours, room to spare.
struct FormatBlock {
    union {
        BITMAPINFOHEADER header;
        uint8_t bytes[2048];
    };
    FormatBlock() { std::memset(bytes, 0, sizeof(bytes)); }
    explicit FormatBlock(const BitmapFormat& format) : FormatBlock() { std::memcpy(bytes, &format, sizeof(format)); }
    BITMAPINFOHEADER* get() { return &header; }
};

// The proposal written into a buffer of exactly the size the driver gave.
template <typename GetSize, typename GetFormat>
bool proposalWithinItsSize(GetSize getSize, GetFormat getFormat, FormatBlock& proposal) {
    LRESULT size = getSize();
    if (size < LRESULT(sizeof(BITMAPINFOHEADER)) || size > LRESULT(sizeof(proposal.bytes))) return false;
    PoisonedBuffer buffer{size_t(size)};
    if (getFormat(reinterpret_cast<BITMAPINFOHEADER*>(buffer.data())) != ICERR_OK) return false;
    std::memcpy(proposal.bytes, buffer.data(), size_t(size));
    return buffer.guardIntact();
}

// ICCompress into a buffer of `capacity` bytes and a guard; the frame, or
// nothing when the driver failed it.
std::vector<uint8_t> compressInto(HIC hic, BITMAPINFOHEADER* input, std::vector<uint8_t>& picture,
                                  BITMAPINFOHEADER* output, DWORD capacity, bool keyFrame, LONG number) {
    PoisonedBuffer buffer(capacity);
    DWORD chunkId = 0, aviFlags = 0;
    DWORD status = ICCompress(hic, keyFrame ? ICCOMPRESS_KEYFRAME : 0, output, buffer.data(), input, picture.data(),
                              &chunkId, &aviFlags, number, 0, 0, nullptr, nullptr);
    EXPECT_TRUE(buffer.guardIntact()) << "compressed frame past " << capacity << " bytes";
    if (status != ICERR_OK) return {};
    EXPECT_LE(output->biSizeImage, capacity);
    return std::vector<uint8_t>(buffer.data(), buffer.data() + std::min<DWORD>(output->biSizeImage, capacity));
}

// ICDecompress of `frame` into a buffer of `capacity` bytes and a guard.
LRESULT decompressInto(HIC hic, BITMAPINFOHEADER* input, std::vector<uint8_t> frame, BITMAPINFOHEADER* output,
                       size_t capacity) {
    PoisonedBuffer picture(capacity);
    input->biSizeImage = DWORD(frame.size());
    frame.push_back(0);  // a non-null pointer for empty frames
    LRESULT status = LRESULT(ICDecompress(hic, 0, input, frame.data(), output, picture.data()));
    EXPECT_TRUE(picture.guardIntact()) << "picture past " << capacity << " bytes";
    return status;
}

// The DRAV depth a frame compressed from `inputBitCount` is labelled with
// when it is decoded as a stream of `streamBitCount` (the frame itself does
// not depend on the label).
WORD inputDepthForStream(WORD streamBitCount) { return streamBitCount == 8 ? 8 : streamBitCount == 16 ? 16 : 32; }

// For an uncompressed input: the proposal (if the input is taken) is
// accepted by the query and BEGIN, GET_SIZE equals its biSizeImage, and a key
// and a delta frame of noise fit in that many bytes. The key frame goes to
// `keyFrame`. True when the driver proposed a format.
bool checkCompressionProposal(HIC hic, const BitmapFormat& format, std::vector<uint8_t>& keyFrame) {
    FormatBlock input(format), proposal;
    const bool taken = ICCompressQuery(hic, input.get(), nullptr) == ICERR_OK;
    const bool proposed = proposalWithinItsSize(
        [&] { return LRESULT(ICCompressGetFormatSize(hic, input.get())); },
        [&](BITMAPINFOHEADER* out) { return LRESULT(ICCompressGetFormat(hic, input.get(), out)); }, proposal);
    EXPECT_EQ(proposed, taken);
    if (!taken || !proposed) return false;
    EXPECT_EQ(ICCompressQuery(hic, input.get(), proposal.get()), ICERR_OK);
    EXPECT_EQ(ICCompressGetSize(hic, input.get(), proposal.get()), proposal.header.biSizeImage);
    EXPECT_EQ(ICCompressBegin(hic, input.get(), proposal.get()), ICERR_OK);
    const DWORD capacity = proposal.header.biSizeImage;
    std::vector<uint8_t> picture = noisePicture(input.header, uint32_t(input.header.biWidth * 31));
    keyFrame = compressInto(hic, input.get(), picture, proposal.get(), capacity, true, 0);
    EXPECT_FALSE(keyFrame.empty());
    picture = noisePicture(input.header, 77);
    EXPECT_FALSE(compressInto(hic, input.get(), picture, proposal.get(), capacity, false, 1).empty());
    ICCompressEnd(hic);
    return true;
}

// For a DRAV stream: the proposal (if the stream is taken) is accepted by the
// query and BEGIN, and a key frame, whole or damaged, renders inside the
// proposal's biSizeImage. True when the driver proposed a format.
bool checkDecompressionProposal(HIC hic, const BitmapFormat& format, std::vector<uint8_t> keyFrame) {
    FormatBlock stream(format), proposal;
    const bool taken = ICDecompressQuery(hic, stream.get(), nullptr) == ICERR_OK;
    const bool proposed = proposalWithinItsSize(
        [&] { return LRESULT(ICDecompressGetFormatSize(hic, stream.get())); },
        [&](BITMAPINFOHEADER* out) { return LRESULT(ICDecompressGetFormat(hic, stream.get(), out)); }, proposal);
    EXPECT_EQ(proposed, taken);
    if (!taken || !proposed) return false;
    EXPECT_EQ(ICDecompressQuery(hic, stream.get(), proposal.get()), ICERR_OK);
    EXPECT_EQ(ICDecompressBegin(hic, stream.get(), proposal.get()), ICERR_OK);
    EXPECT_FALSE(keyFrame.empty());
    const DWORD capacity = proposal.header.biSizeImage;
    EXPECT_EQ(decompressInto(hic, stream.get(), keyFrame, proposal.get(), capacity), ICERR_OK);
    if (!keyFrame.empty()) keyFrame[keyFrame.size() / 2] ^= 0x5A;  // whatever the answer, nothing written outside
    decompressInto(hic, stream.get(), keyFrame, proposal.get(), capacity);
    ICDecompressEnd(hic);
    return true;
}

using Negotiation = SettingsTest;

// For every input the driver takes: each proposal is accepted by the
// driver's own query and BEGIN, and frames stay inside the sizes it reported.
TEST_F(Negotiation, EveryProposalIsAcceptedAndHoldsWhatTheDriverWrites) {
    const LONG widths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 641, 1283, 4099};
    const LONG heights[] = {1, 3, 6, -2, -5};
    const WORD depths[] = {8, 16, 24, 32};
    struct Settings {
        const char* conversion;
        const char* resizing;
    };
    OpenCodec compressor(ICMODE_COMPRESS), decompressor(ICMODE_DECOMPRESS);
    int proposals = 0;
    for (Settings settings : {Settings{"0", "0"}, Settings{"1", "0"}, Settings{"0", "1"}, Settings{"1", "1"}}) {
        storeSettingText("ColorDepthConversion", settings.conversion);
        storeSettingText("ResizingDisabled", settings.resizing);
        for (LONG width : widths)
            for (LONG height : heights) {
                std::map<WORD, std::vector<uint8_t>> keyFrames;  // by input depth
                for (WORD depth : depths) {
                    SCOPED_TRACE(testing::Message()
                                 << "compression of " << width << "x" << height << "x" << depth << ", conversion "
                                 << settings.conversion << ", resizing " << settings.resizing);
                    if (checkCompressionProposal(compressor.get(), makeFormat(width, height, depth), keyFrames[depth]))
                        ++proposals;
                }
                for (WORD depth : depths) {
                    SCOPED_TRACE(testing::Message()
                                 << "decompression of " << width << "x" << height << "x" << depth << ", conversion "
                                 << settings.conversion << ", resizing " << settings.resizing);
                    if (checkDecompressionProposal(decompressor.get(), makeCompressedFormat(width, height, depth),
                                                   keyFrames[inputDepthForStream(depth)]))
                        ++proposals;
                }
            }
    }
    EXPECT_EQ(proposals, 4 * 12 * 3 * (3 + 3));  // positive heights: 3 compressible and 3 decodable depths
}

// The stream's limit is what the last ICM_COMPRESS_GET_SIZE reported, even
// when that was sent after BEGIN.
TEST(CompressGetSize, DuringAStreamItSetsTheNextFramesLimit) {
    OpenCodec codec(ICMODE_COMPRESS);
    BitmapFormat input = makeFormat(64, 64, 16), output = makeCompressedFormat(64, 64, 16);
    ASSERT_EQ(ICCompressBegin(codec.get(), input.get(), output.get()), ICERR_OK);
    std::vector<uint8_t> noise = noisePicture(input.header, 5);
    const DWORD wholeFrame =
        DWORD(compressInto(codec.get(), input.get(), noise, output.get(), 64 * 64 * 3 + 803, true, 0).size());
    ASSERT_GT(wholeFrame, 8192u);

    // A smaller output's limit: the same frame no longer fits and is refused.
    BitmapFormat small = makeCompressedFormat(32, 32, 16);
    const DWORD smallLimit = ICCompressGetSize(codec.get(), input.get(), small.get());
    ASSERT_EQ(smallLimit, 32u * 32 * 3 + 803);
    EXPECT_TRUE(compressInto(codec.get(), input.get(), noise, output.get(), smallLimit, true, 1).empty());

    // The stream's own size again: it fits.
    ICCompressGetSize(codec.get(), input.get(), output.get());
    EXPECT_EQ(compressInto(codec.get(), input.get(), noise, output.get(), 64 * 64 * 3 + 803, true, 2).size(),
              size_t(wholeFrame));
}

// Bytes in use in every heap of the process.
size_t heapBytesInUse() {
    HANDLE heaps[64];
    DWORD count = std::min<DWORD>(GetProcessHeaps(64, heaps), 64);
    size_t total = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return total;
}

// Random messages to one open driver at a time. It mirrors what a host knows
// of the streams so that every buffer it hands over has the size the driver
// reported or the format describes, followed by a guard.
class MessageSequence {
public:
    explicit MessageSequence(uint32_t seed) : random_(seed) {}
    ~MessageSequence() { close(); }

    void run(int messages) {
        if (!hic_) open();
        for (int i = 0; i < messages && !testing::Test::HasFatalFailure(); ++i) {
            SCOPED_TRACE(testing::Message() << "message " << i);
            step();
        }
    }

    int opens() const { return opens_; }

    void close() {
        if (hic_) ICClose(hic_);
        hic_ = nullptr;
        compressing_ = decompressing_ = false;
        frames_.clear();
    }

private:
    uint32_t pick(uint32_t below) { return std::uniform_int_distribution<uint32_t>(0, below - 1)(random_); }
    bool chance(uint32_t percent) { return pick(100) < percent; }

    void open() {
        ++opens_;
        hic_ = ICOpen(ICTYPE_VIDEO, FOURCC_DRAV_HANDLER, chance(50) ? ICMODE_COMPRESS : ICMODE_DECOMPRESS);
        ASSERT_NE(hic_, nullptr);
    }

    LONG smallDimension() { return LONG(pick(70)) + 1; }

    FormatBlock validRgb() {
        static const WORD depths[] = {8, 16, 32};
        return FormatBlock(makeFormat(smallDimension(), smallDimension(), depths[pick(3)]));
    }

    // Anything a confused or hostile host might send, within sizes a test can
    // allocate pictures for.
    FormatBlock hostileFormat() {
        static const DWORD sizes[] = {40, 40, 40, 12, 0, 124, 125, 0xFFFFFFFF};
        static const WORD depths[] = {0, 1, 4, 8, 15, 16, 24, 32, 48};
        static const DWORD compressions[] = {BI_RGB, BI_BITFIELDS, FOURCC_DRAV_FORMAT, BI_RLE8, 0xFFFFFFFF};
        static const DWORD colours[] = {0, 256, 257, 0x40000000};
        FormatBlock block;
        for (uint8_t& b : block.bytes) b = uint8_t(pick(256));
        BITMAPINFOHEADER& h = block.header;
        h.biSize = sizes[pick(8)];
        h.biWidth = LONG(pick(300)) - 5;
        h.biHeight = LONG(pick(600)) - 300;
        if (chance(5)) h.biWidth = chance(50) ? 65536 : 0x7FFFFFFF;
        h.biBitCount = depths[pick(9)];
        h.biCompression = compressions[pick(5)];
        h.biClrUsed = colours[pick(4)];
        return block;
    }

    FormatBlock someFormat(const FormatBlock& usual) { return chance(70) ? usual : hostileFormat(); }

    // A DIB buffer for a format the driver may render or read: its picture
    // size where the format is small enough to be believed, else none.
    static size_t pictureCapacity(const BITMAPINFOHEADER& format) {
        if (format.biWidth <= 0 || format.biWidth > 4096 || format.biBitCount > 32) return 0;
        if (format.biHeight < -4096 || format.biHeight > 4096) return 0;
        return dibPictureBytes(format);
    }

    void step() {
        switch (pick(12)) {
            case 0: beginCompression(); break;
            case 1: getSize(); break;
            case 2:
            case 3: compress(); break;
            case 4: ICCompressEnd(hic_), compressing_ = false; break;
            case 5: beginDecompression(); break;
            case 6:
            case 7: decompress(); break;
            case 8: ICDecompressEnd(hic_), decompressing_ = false; break;
            case 9: state(); break;
            case 10: query(); break;
            default:
                if (chance(30)) {
                    close();
                    open();
                }
        }
    }

    void beginCompression() {
        FormatBlock input = chance(80) ? validRgb() : hostileFormat(), output;
        if (chance(80)) {
            LRESULT status = LRESULT(ICCompressGetFormat(hic_, input.get(), output.get()));
            if (status != ICERR_OK) output = hostileFormat();
        } else {
            output = hostileFormat();
        }
        if (ICCompressBegin(hic_, input.get(), output.get()) != ICERR_OK) return;
        compressing_ = true;
        compressIn_ = input;
        compressOut_ = output;
        limit_ = DWORD(compressOut_.header.biWidth) * DWORD(compressOut_.header.biHeight) * 3 + 803;
    }

    void getSize() {
        FormatBlock output = chance(50) ? compressOut_ : hostileFormat();
        LRESULT size = LRESULT(ICCompressGetSize(hic_, compressIn_.get(), output.get()));
        if (size > 0 && compressing_) limit_ = DWORD(size);
    }

    void compress() {
        FormatBlock input = someFormat(compressIn_), output = compressOut_;
        if (pictureCapacity(input.header) == 0) input = compressIn_;
        std::vector<uint8_t> picture =
            chance(50) ? noisePicture(input.header, pick(1000)) : patternPicture(input.header, pick(3));
        std::vector<uint8_t> frame =
            compressInto(hic_, input.get(), picture, output.get(), compressing_ ? limit_ : 0, chance(40), 0);
        if (!frame.empty()) frames_.push_back(Frame{output.header, frame});
        if (frames_.size() > 16) frames_.erase(frames_.begin());
    }

    FormatBlock someStream() {
        if (!frames_.empty() && chance(80)) {
            FormatBlock block;
            block.header = frames_[pick(uint32_t(frames_.size()))].format;
            return block;
        }
        return hostileFormat();
    }

    void beginDecompression() {
        FormatBlock input = someStream(), output;
        if (chance(60)) {
            if (ICDecompressGetFormat(hic_, input.get(), output.get()) != ICERR_OK) output = hostileFormat();
        } else {
            static const WORD depths[] = {16, 24, 32};
            output = chance(50) ? FormatBlock(makeFormat(smallDimension(), smallDimension(), depths[pick(3)]))
                                : hostileFormat();
        }
        if (ICDecompressBegin(hic_, input.get(), output.get()) != ICERR_OK) return;
        decompressing_ = true;
        decompressIn_ = input;
        decompressOut_ = output;
    }

    std::vector<uint8_t> someFrame() {
        std::vector<uint8_t> frame;
        if (!frames_.empty()) frame = frames_[pick(uint32_t(frames_.size()))].bytes;
        switch (pick(5)) {
            case 0: break;
            case 1:
                for (int i = 0; i < 3 && !frame.empty(); ++i)
                    frame[pick(uint32_t(frame.size()))] ^= uint8_t(1 + pick(255));
                break;
            case 2: frame.resize(pick(uint32_t(frame.size()) + 1)); break;
            case 3:
                frame.resize(pick(4000));
                for (uint8_t& b : frame) b = uint8_t(pick(256));
                break;
            default: frame.clear();
        }
        return frame;
    }

    void decompress() {
        FormatBlock input = someFormat(decompressIn_), output = someFormat(decompressOut_);
        size_t capacity = pictureCapacity(output.header);
        if (capacity == 0 && decompressing_) output = decompressOut_, capacity = pictureCapacity(output.header);
        decompressInto(hic_, input.get(), someFrame(), output.get(), capacity);
    }

    void state() {
        PoisonedBuffer buffer(pick(4));
        void* data = chance(20) ? nullptr : buffer.data();
        ICSendMessage(hic_, chance(50) ? ICM_GETSTATE : ICM_SETSTATE, DWORD_PTR(data), buffer.size());
        EXPECT_TRUE(buffer.guardIntact());
    }

    void query() {
        FormatBlock input = chance(50) ? validRgb() : hostileFormat(), proposal;
        if (chance(50)) input = someStream();
        HIC hic = hic_;
        proposalWithinItsSize(
            [&] { return LRESULT(ICCompressGetFormatSize(hic, input.get())); },
            [&](BITMAPINFOHEADER* out) { return LRESULT(ICCompressGetFormat(hic, input.get(), out)); }, proposal);
        proposalWithinItsSize(
            [&] { return LRESULT(ICDecompressGetFormatSize(hic, input.get())); },
            [&](BITMAPINFOHEADER* out) { return LRESULT(ICDecompressGetFormat(hic, input.get(), out)); }, proposal);
        FormatBlock output = hostileFormat();
        ICCompressQuery(hic, input.get(), chance(50) ? output.get() : nullptr);
        ICDecompressQuery(hic, input.get(), chance(50) ? output.get() : nullptr);
        PoisonedBuffer info(chance(50) ? sizeof(ICINFO) : pick(sizeof(ICINFO)));
        ICGetInfo(hic, reinterpret_cast<ICINFO*>(info.data()), DWORD(info.size()));
        EXPECT_TRUE(info.guardIntact());
    }

    struct Frame {
        BITMAPINFOHEADER format;
        std::vector<uint8_t> bytes;
    };

    std::mt19937 random_;
    HIC hic_ = nullptr;
    bool compressing_ = false, decompressing_ = false;
    FormatBlock compressIn_, compressOut_, decompressIn_, decompressOut_;
    DWORD limit_ = 0;
    std::vector<Frame> frames_;
    int opens_ = 0;
};

uint32_t sequenceSeed() {
    const char* text = std::getenv("DRAV_MESSAGE_SEED");
    return text ? uint32_t(std::strtoul(text, nullptr, 0)) : 20261208u;
}

// Heap bytes that one ICOpen and ICClose of the driver leave in use: the
// driver file is loaded and unloaded each time.
size_t heapGrowthPerOpen() {
    constexpr int OPENS = 20;
    for (int i = 0; i < 3; ++i) OpenCodec warmUp(ICMODE_COMPRESS);
    const size_t before = heapBytesInUse();
    for (int i = 0; i < OPENS; ++i) OpenCodec codec(ICMODE_COMPRESS);
    return (heapBytesInUse() - before) / OPENS;
}

TEST(MessageSequences, NoCrashNoStrayWriteNoGrowth) {
    // What the static C++ runtime's thread support keeps per load (0.4 KiB),
    // not its 19 KiB exception pool.
    const size_t perOpen = heapGrowthPerOpen();
    EXPECT_LT(perOpen, 1024u);

    const uint32_t seed = sequenceSeed();
    SCOPED_TRACE(testing::Message() << "seed " << seed << " (set DRAV_MESSAGE_SEED to replay another)");
    std::printf("message sequence seed %u\n", seed);
    MessageSequence sequence(seed);
    for (int cycle = 0; cycle < 5; ++cycle) sequence.run(60), sequence.close();  // one-time allocations
    const size_t before = heapBytesInUse();
    const int opensBefore = sequence.opens();
    for (int cycle = 0; cycle < 60 && !HasFatalFailure(); ++cycle) sequence.run(60), sequence.close();
    const size_t grown = heapBytesInUse() - before, loads = size_t(sequence.opens() - opensBefore);
    // A stream buffer left behind in one cycle of ten would already exceed this.
    EXPECT_LT(grown, loads * perOpen + 6 * 1024) << grown << " bytes over " << loads << " opens";
}

}  // namespace
}  // namespace drav::test
