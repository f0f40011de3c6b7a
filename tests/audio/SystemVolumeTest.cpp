#include "audio/SystemVolume.h"
#include "tests/support/PulseServer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vy::test {
namespace {

TEST(SystemVolumeTest, ScalarBecomesThePercentShown)
{
    struct Case {
        double scalar;
        int volume;
    };
    for (const Case& c : {Case{0.0, 0}, Case{0.005, 0}, Case{0.0099, 0}, Case{0.01, 2}, Case{0.25, 26}, Case{0.5, 51},
                          Case{0.5099, 51}, Case{0.99, 100}, Case{0.999, 100}, Case{1.0, 100}, Case{1.5, 100},
                          Case{-0.5, 0}, Case{std::numeric_limits<double>::quiet_NaN(), 0}})
        EXPECT_EQ(MasterVolumeFromScalar(c.scalar), c.volume) << c.scalar;
}

// The default output's volume as the server's mixers set it. A private
// server: the test changes the default output, which others may be using.
TEST(SystemVolumeTest, ReadsTheDefaultOutput)
{
    CPulseServer server;
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    CScopedEnv env("PULSE_SERVER", server.ServerString());
    struct Case {
        const char* set;
        int volume;
    };
    // The server keeps volumes as integers rounded down (30% is 19660/65536,
    // a hair under 0.3), so most percentages come back as they were set;
    // one half is exact.
    for (const Case& c : {Case{"50%", 51}, Case{"100%", 100}, Case{"0%", 0}, Case{"150%", 100}, Case{"30%", 30},
                          Case{"2%", 2}, Case{"1%", 0}}) {
        ASSERT_EQ(RunCommand(std::string("pactl set-sink-volume @DEFAULT_SINK@ ") + c.set), 0) << c.set;
        EXPECT_EQ(GetSystemMasterVolume(), c.volume) << c.set;
    }
    // Channels set apart: the louder one counts.
    ASSERT_EQ(RunCommand("pactl set-sink-volume @DEFAULT_SINK@ 20% 60%"), 0);
    EXPECT_EQ(GetSystemMasterVolume(), 60);

    server.Stop();
    EXPECT_EQ(GetSystemMasterVolume(), kSystemVolumeFallback);
}

}  // namespace
}  // namespace vy::test
