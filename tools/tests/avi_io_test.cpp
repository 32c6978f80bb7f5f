#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "avi_reader.h"
#include "avi_writer.h"
#include "codec_streams.h"
#include "dib_format.h"
#include "codec/frame_format.h"
#include "test_pictures.h"
#include "tool_error.h"

namespace drav::tool {
namespace {

// The driver's proposal for an input of the depth (8 or 16 bits).
BITMAPINFOHEADER dravFormat(int32_t width, int32_t height, uint16_t bitCount) {
    return compressedStreamFormat(dibHeader(uint32_t(width), uint32_t(height), bitCount));
}

std::vector<uint8_t> frameBytes(int64_t number, uint32_t size) {
    std::vector<uint8_t> bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = uint8_t(number * 7 + i);
    return bytes;
}

// Offset of the stream format (the strf chunk's data) in the file's header.
size_t streamFormatOffset(const std::vector<uint8_t>& file) {
    for (size_t i = 0; i + 8 < file.size() && i < 8192; ++i)
        if (memcmp(file.data() + i, "strf", 4) == 0) return i + 8;
    return 0;
}

std::vector<std::string> listFolder(const std::string& path) {
    std::vector<std::string> names;
    DIR* folder = opendir(path.c_str());
    while (const dirent* entry = folder ? readdir(folder) : nullptr)
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    if (folder) closedir(folder);
    return names;
}

std::vector<StoredFrame> readAll(DravAviReader& reader, std::vector<std::vector<uint8_t>>* contents = nullptr) {
    std::vector<StoredFrame> frames;
    StoredFrame frame;
    while (reader.next(frame) == DravAviReader::Result::FrameRead) {
        frames.push_back(frame);
        if (contents) contents->emplace_back(frame.data, frame.data + frame.size);
    }
    return frames;
}

TEST(DravAvi, FramesAndKeyFlagsComeBackAsWritten) {
    test::ScratchFile file{"avi"};
    const uint32_t sizes[] = {5000, 8, 8, 120, 8, 5000, 33};
    {
        DravAviWriter writer(file.path, dravFormat(320, 200, 16), AVRational{12, 1});
        for (int i = 0; i < 7; ++i) {
            std::vector<uint8_t> bytes = frameBytes(i, sizes[i]);
            writer.writeFrame(bytes.data(), uint32_t(bytes.size()), i % 5 == 0);
        }
        writer.finish();
        EXPECT_EQ(writer.framesWritten(), 7);
    }
    DravAviReader reader(file.path);
    const DravStreamInfo& stream = reader.stream();
    EXPECT_EQ(stream.format.biWidth, 320);
    EXPECT_EQ(stream.format.biHeight, 200);
    EXPECT_EQ(stream.format.biBitCount, 16);
    EXPECT_EQ(stream.format.biCompression, FOURCC_DRAV);
    EXPECT_EQ(av_cmp_q(stream.frameRate, AVRational{12, 1}), 0);
    EXPECT_EQ(stream.announcedFrames, 7);
    std::vector<std::vector<uint8_t>> contents;
    std::vector<StoredFrame> frames = readAll(reader, &contents);
    ASSERT_EQ(frames.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(frames[i].number, i);
        EXPECT_EQ(frames[i].keyFrame, i % 5 == 0) << "frame " << i;
        EXPECT_FALSE(frames[i].cutShort);
        EXPECT_EQ(contents[i], frameBytes(i, sizes[i])) << "frame " << i;
    }
}

// A frame's key flag as avifil32 takes it from a file's first RIFF segment:
// with AVIF_TRUSTCKTYPE in the main header from the chunk id (00db key, 00dc
// delta), otherwise from the flag in the idx1 entry.
std::vector<bool> keyFramesAsAvifil32Reads(const std::vector<uint8_t>& avi) {
    std::vector<bool> keys;
    size_t header = 0, index = 0;
    for (size_t at = 12; at + 8 <= avi.size(); at += 8 + ((readU32(avi.data() + at + 4) + 1) & ~1u)) {
        if (memcmp(avi.data() + at, "LIST", 4) == 0 && memcmp(avi.data() + at + 8, "hdrl", 4) == 0) header = at;
        if (memcmp(avi.data() + at, "idx1", 4) == 0) index = at;
    }
    if (!header || !index || memcmp(avi.data() + header + 12, "avih", 4) != 0) return keys;
    bool trustChunkIds = readU32(avi.data() + header + 20 + 12) & AVIF_TRUSTCKTYPE;
    uint32_t entries = readU32(avi.data() + index + 4) / 16;
    for (uint32_t i = 0; i < entries && index + 8 + 16 * (i + 1) <= avi.size(); ++i) {
        const uint8_t* entry = avi.data() + index + 8 + 16 * i;
        keys.push_back(trustChunkIds ? memcmp(entry, "00db", 4) == 0 : (readU32(entry + 4) & AVIIF_KEYFRAME) != 0);
    }
    return keys;
}

TEST(DravAvi, Avifil32SeesTheKeyFramesOfTheIndex) {
    test::ScratchFile file{"avi"};
    std::vector<bool> written;
    {
        DravAviWriter writer(file.path, dravFormat(64, 48, 16), AVRational{12, 1});
        for (int i = 0; i < 12; ++i) {
            std::vector<uint8_t> bytes = frameBytes(i, 40 + i);
            written.push_back(i % 5 == 0 || i == 7);
            writer.writeFrame(bytes.data(), uint32_t(bytes.size()), written.back());
        }
        writer.finish();
    }
    EXPECT_EQ(keyFramesAsAvifil32Reads(test::readFileBytes(file.path)), written);
}

TEST(DravAvi, StreamFormatIsTheDriversProposedFormat) {
    for (uint16_t bitCount : {uint16_t(16), uint16_t(8)}) {
        test::ScratchFile file{"avi"};
        DravAviWriter writer(file.path, dravFormat(641, 3, bitCount), AVRational{25, 1});
        std::vector<uint8_t> bytes = frameBytes(0, 100);
        writer.writeFrame(bytes.data(), 100, true);
        writer.finish();

        std::vector<uint8_t> avi = test::readFileBytes(file.path);
        size_t at = streamFormatOffset(avi);
        ASSERT_NE(at, 0u);
        uint32_t chunkSize = readU32(avi.data() + at - 4);
        BITMAPINFOHEADER header;
        memcpy(&header, avi.data() + at, sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, 641);
        EXPECT_EQ(header.biHeight, 3);  // positive: bottom-up
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, bitCount);
        EXPECT_EQ(header.biCompression, FOURCC_DRAV);
        EXPECT_EQ(header.biSizeImage, 641u * 3 * 3 + 803);  // the worst-case frame
        EXPECT_EQ(header.biXPelsPerMeter, 0);
        EXPECT_EQ(header.biYPelsPerMeter, 0);
        EXPECT_EQ(header.biClrUsed, 0u);
        EXPECT_EQ(header.biClrImportant, 0u);
        if (bitCount == 8) {
            ASSERT_EQ(chunkSize, 40u + 1024u);  // and the colour table, all zero
            EXPECT_EQ(std::vector<uint8_t>(avi.begin() + at + 40, avi.begin() + at + 1064), std::vector<uint8_t>(1024));
        } else {
            EXPECT_EQ(chunkSize, 40u);
        }
    }
}

// A writer that stops early keeps what it wrote, under the name asked for, and
// nothing else in the folder: no temporary file, and no file without frames.
TEST(DravAvi, AWriterStoppedEarlyKeepsItsFramesAndLeavesNothingElse) {
    test::ScratchFile folder{"dir"};
    ASSERT_EQ(mkdir(folder.path.c_str(), 0755), 0);
    const std::string kept = folder.path + "/kept.avi", empty = folder.path + "/empty.avi";
    for (int frames : {3, 0}) {
        DravAviWriter writer(frames ? kept : empty, dravFormat(16, 16, 16), AVRational{25, 1});
        std::vector<uint8_t> bytes = frameBytes(0, 10);
        for (int i = 0; i < frames; ++i) writer.writeFrame(bytes.data(), 10, i == 0);
        EXPECT_NE(access((frames ? kept : empty).c_str(), F_OK), 0) << "an unfinished file under its name";
    }
    EXPECT_EQ(listFolder(folder.path), std::vector<std::string>{"kept.avi"});
    DravAviReader reader(kept);
    EXPECT_EQ(readAll(reader).size(), 3u);
    std::remove(kept.c_str());
    rmdir(folder.path.c_str());
}

TEST(DravAvi, OtherFilesAreNotDravStreams) {
    test::ScratchFile garbage{"avi"};
    {
        std::ofstream out(garbage.path, std::ios::binary);
        out << std::string(4000, 'x');
    }
    try {
        DravAviReader reader(garbage.path);
        ADD_FAILURE() << "garbage accepted";
    } catch (const ToolError& error) {
        EXPECT_NE(std::string(error.what()).find("not a DRAV stream"), std::string::npos) << error.what();
    }

    test::ScratchFile other{"avi"};
    {
        DravAviWriter writer(other.path, dravFormat(16, 16, 16), AVRational{25, 1});
        std::vector<uint8_t> bytes = frameBytes(0, 10);
        writer.writeFrame(bytes.data(), 10, true);
        writer.finish();
    }
    std::vector<uint8_t> avi = test::readFileBytes(other.path);
    size_t at = streamFormatOffset(avi);
    memcpy(avi.data() + at + 16, "XVID", 4);
    std::ofstream(other.path, std::ios::binary).write(reinterpret_cast<const char*>(avi.data()), avi.size());
    try {
        DravAviReader reader(other.path);
        ADD_FAILURE() << "XVID accepted";
    } catch (const ToolError& error) {
        EXPECT_NE(std::string(error.what()).find("not a DRAV stream: its video is XVID, not DRAV"), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(DravAviReader(test::scratchPath("missing")), ToolError);
}

TEST(DravAvi, ATruncatedFileYieldsTheFramesBeforeTheCut) {
    test::ScratchFile file{"avi"};
    {
        DravAviWriter writer(file.path, dravFormat(64, 64, 16), AVRational{25, 1});
        for (int i = 0; i < 10; ++i) {
            std::vector<uint8_t> bytes = frameBytes(i, 1000);
            writer.writeFrame(bytes.data(), 1000, i == 0);
        }
        writer.finish();
    }
    std::vector<uint8_t> avi = test::readFileBytes(file.path);
    size_t at = 0;
    for (size_t i = 0; i + 4 < avi.size(); ++i)
        if (memcmp(avi.data() + i, "movi", 4) == 0) at = i;
    ASSERT_NE(at, 0u);
    size_t cut = at + 4 + 4 * 1008 + 500;  // half way into the fifth frame's chunk
    std::ofstream(file.path, std::ios::binary).write(reinterpret_cast<const char*>(avi.data()), std::streamsize(cut));

    DravAviReader reader(file.path);
    EXPECT_EQ(reader.stream().announcedFrames, 10);
    std::vector<std::vector<uint8_t>> contents;
    std::vector<StoredFrame> frames = readAll(reader, &contents);
    ASSERT_GE(frames.size(), 4u);
    ASSERT_LE(frames.size(), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(contents[i], frameBytes(i, 1000));
    if (frames.size() == 5) {
        EXPECT_TRUE(frames[4].cutShort || frames[4].size < 1000);
    }
}

// Past 1 GiB the muxer continues in OpenDML segments; the reader must see
// every frame, its size and its key flag across them.
TEST(DravAviLarge, OverOneGibibyteReadsBack) {
    test::ScratchFile file{"avi"};
    const uint32_t frameSize = 2u << 20;
    const int frameCount = 560;  // 1.09 GiB of frames
    std::vector<uint8_t> bytes(frameSize);
    {
        DravAviWriter writer(file.path, dravFormat(1280, 720, 16), AVRational{12, 1});
        for (int i = 0; i < frameCount; ++i) {
            memcpy(bytes.data(), &i, sizeof i);
            writer.writeFrame(bytes.data(), frameSize, i % 100 == 0);
        }
        writer.finish();
        EXPECT_GT(writer.fileBytes(), int64_t(1) << 30);
    }
    DravAviReader reader(file.path);
    EXPECT_EQ(reader.stream().announcedFrames, frameCount);
    StoredFrame frame;
    int count = 0;
    while (reader.next(frame) == DravAviReader::Result::FrameRead) {
        int stored = -1;
        memcpy(&stored, frame.data, sizeof stored);
        ASSERT_EQ(stored, count);
        ASSERT_EQ(frame.size, frameSize);
        ASSERT_EQ(frame.keyFrame, count % 100 == 0) << "frame " << count;
        ++count;
    }
    EXPECT_EQ(count, frameCount);
}

}  // namespace
}  // namespace drav::tool
