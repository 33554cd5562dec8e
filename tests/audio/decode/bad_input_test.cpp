// What is not audio, or not of the kind asked for, gives no decoder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "decode/decoder.h"
#include "decode/mpg123_decoder.h"
#include "decode_helpers.h"

namespace luma::test {
namespace {

std::string readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string randomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

size_t openDescriptors() {
    const std::filesystem::directory_iterator fds("/proc/self/fd");
    return static_cast<size_t>(std::distance(begin(fds), end(fds)));
}

// Every library is asked and refuses along the way; none may keep the file
// open, nor may a pipe or a device block (a pipe waits for a writer, a device
// never ends). mpg123 on its own resyncs through a module's header into MPEG
// frames held as sample data (as MO3 files hold theirs) and would play them.
// A tag of any size before an MP3 is skipped, however far it pushes the
// first frame.
TEST(BadInput, EachDecoderTakesOnlyItsKindAndLeavesNoFileOpen) {
    TempDir dir;
    ASSERT_TRUE(writeWav16(dir.file("tone.wav"), makeSine(440, 0.5)));
    const std::string ogg = streamFormat("ogg").toneFile(dir);
    const std::string flac = streamFormat("flac").toneFile(dir);
    truncateFile(flac, 0.5);
    const std::string mp3 = readBytes(fixture("tone.mp3"));
    for (size_t gap : {0, 9000}) {
        const std::string path =
            dir.write("tune" + std::to_string(gap) + ".mod",
                      readBytes(fixture("tune.mod")) + std::string(gap, '\x55') + mp3);
        ASSERT_TRUE(openMpg123Decoder(path)) << "the test file should fool mpg123 alone";
    }
    const uint32_t tagSize = 300000;  // stored as four 7-bit bytes
    std::string tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((tagSize >> shift) & 0x7F);
    dir.write("tagged.mp3", tag + std::string(tagSize, '\0') + mp3);
    dir.write("header.wav", readBytes(dir.file("tone.wav")).substr(0, 44));
    dir.write("empty.wav", "");
    dir.write("text.mp3", "These are the liner notes, not a song.\n");
    dir.write("noise.flac", randomBytes(100000, 1));
    dir.write("noise.ogg", "OggS" + randomBytes(5000, 3));
    dir.write("noise.mod", randomBytes(50000, 2));
    ASSERT_EQ(mkfifo(dir.file("pipe.wav").c_str(), 0600), 0);
    const size_t before = openDescriptors();
    const auto expectTaken = [](const std::string& path, bool asStream, bool asModule) {
        EXPECT_EQ(openStreamDecoder(path) != nullptr, asStream) << path;
        EXPECT_EQ(openModuleDecoder(path) != nullptr, asModule) << path;
    };
    for (const std::string& path : {dir.file("tone.wav"), fixture("tone.mp3"), ogg, flac}) {
        expectTaken(path, true, false);
    }
    for (const std::string& path :
         {fixture("tune.mod"), dir.file("tune0.mod"), dir.file("tune9000.mod")}) {
        expectTaken(path, false, true);
    }
    for (const char* name : {"header.wav", "empty.wav", "text.mp3", "noise.flac", "noise.ogg",
                             "noise.mod", "pipe.wav", "missing.wav"}) {
        expectTaken(dir.file(name), false, false);
    }
    expectTaken(dir.path().string(), false, false);
    expectTaken("/dev/zero", false, false);
    EXPECT_EQ(openDescriptors(), before);
    const auto tagged = openStreamDecoder(dir.file("tagged.mp3"));
    ASSERT_TRUE(tagged);
    EXPECT_EQ(tagged->info().frames, streamFormat("mp3").tone().frames());
}

}  // namespace
}  // namespace luma::test
