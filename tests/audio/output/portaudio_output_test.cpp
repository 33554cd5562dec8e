#include "output/portaudio_output.h"

#include <gtest/gtest.h>
#include <portaudio.h>

#include <chrono>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

#include "output/portaudio_devices.h"
#include "support/jack_server.h"
#include "support/scoped_env.h"
#include "test_callback.h"

namespace luma {
namespace {

using std::chrono::milliseconds;
using test::TestCallback;

// PortAudio answers paNotInitialized once every Pa_Initialize has been balanced.
bool portAudioReleased() {
    return Pa_GetDeviceCount() == paNotInitialized;
}

TEST(PortAudioOutput, DeviceThatDoesNotExistFailsCleanly) {
    TestCallback callback;
    PortAudioOutput output;
    const int count = static_cast<int>(listOutputDevices({OutputKind::System, ""}).size());
    EXPECT_FALSE(output.open(count, 44100, &callback));
    EXPECT_FALSE(output.open(1000, 44100, &callback));
    EXPECT_FALSE(output.open(0, 44100, nullptr));
    EXPECT_FALSE(output.start());
    EXPECT_FALSE(output.stop());
    output.close();
    EXPECT_TRUE(portAudioReleased());
}

// Our number and PortAudio's name of the first JACK device; -1 if there is none.
std::pair<int, std::string> findJackDevice() {
    PortAudioSession session;
    const std::vector<PaDeviceIndex> devices = playbackDevices();
    for (std::size_t number = 0; number < devices.size(); ++number) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(devices[number]);
        if (Pa_GetHostApiInfo(info->hostApi)->type == paJACK) {
            return {static_cast<int>(number), info->name};
        }
    }
    return {-1, ""};
}

// The one test with a real device: PortAudio's JACK device on a server of our own.
TEST(PortAudioOutput, PlaysThroughJackAtTheServersRate) {
    test::JackServer server(44100, 256);
    // PortAudio's JACK client connects to the default server when it initialises,
    // and sees JACK only if that server is up by then: ask until it is.
    test::ScopedEnv serverName("JACK_DEFAULT_SERVER", server.name());
    auto [jackDevice, jackName] = findJackDevice();
    for (int tries = 0; jackDevice < 0 && server.running() && tries < 100; ++tries) {
        std::this_thread::sleep_for(milliseconds(100));
        std::tie(jackDevice, jackName) = findJackDevice();
    }
    ASSERT_GE(jackDevice, 0) << "PortAudio lists no JACK device. " << server.problem();
    const std::vector<std::string> devices = listOutputDevices({OutputKind::System, ""});
    ASSERT_LT(jackDevice, static_cast<int>(devices.size()));
    EXPECT_NE(devices[jackDevice].find(jackName), std::string::npos) << devices[jackDevice];

    TestCallback callback;
    {
        PortAudioOutput output;
        // JACK runs at the server's rate only, so this also takes the fallback.
        ASSERT_TRUE(output.open(jackDevice, 48000, &callback));
        EXPECT_EQ(output.sampleRate(), 44100);
        EXPECT_EQ(output.periodFrames(), 256);
        EXPECT_GT(output.latencyFrames(), 0);
        EXPECT_LT(output.latencyFrames(), 44100);

        ASSERT_TRUE(output.start());
        EXPECT_TRUE(callback.waitForPeriods(20)) << "no callbacks from JACK";
        ASSERT_TRUE(output.stop());
        const int64_t atStop = callback.periods.load();
        std::this_thread::sleep_for(milliseconds(50));
        EXPECT_EQ(callback.periods.load(), atStop);
        EXPECT_EQ(callback.oddPeriods.load(), 0);

        ASSERT_TRUE(output.start());  // a stopped stream starts again
        EXPECT_TRUE(callback.waitForPeriods(atStop + 5));
        output.close();
    }
    EXPECT_TRUE(portAudioReleased());
}

}  // namespace
}  // namespace luma
