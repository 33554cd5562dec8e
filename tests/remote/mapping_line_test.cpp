// The lines lumatrone-devices --monitor prints, one message each.
#include "remote/mapping_line.h"

#include <gtest/gtest.h>

namespace luma::test {
namespace {

TEST(MappingLineTest, BindableMessagesGiveLinesTheRestCommentsOrNothing) {
    struct Case {
        int status, data1, data2;
        std::string line;
    };
    const Case cases[] = {
        {0xB0, 16, 127, "cc 1 16     # value 127"},
        {0x91, 36, 100, "note 2 36   # velocity 100"},
        {0x91, 36, 0, "# note 2 36 released, velocity 0"},
        {0x8F, 0, 64, "# note 16 0 released, velocity 64"},
        {0xE0, 0x00, 0x40, "# pitch bend, channel 1, value 8192: a mapping takes no such message"},
        {0xA2, 60, 90, "# aftertouch, channel 3, note 60: a mapping takes no such message"},
        {0xC0, 5, 0, "# program change, channel 1, program 5: a mapping takes no such message"},
        {0xD9, 70, 0,
         "# channel pressure, channel 10, pressure 70: a mapping takes no such message"},
        {0xF8, 0, 0, ""},
        {0x40, 0, 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mappingLine(c.status, c.data1, c.data2), c.line) << std::hex << c.status;
    }
}

}  // namespace
}  // namespace luma::test
