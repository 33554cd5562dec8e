#include "remote/mapping_line.h"

#include <cstdio>

namespace luma {

namespace {

// The address part padded so that the comments of a run of lines line up.
std::string line(const char* address, int channel, int number, const char* comment, int value) {
    char head[32];
    std::snprintf(head, sizeof head, "%s %d %d", address, channel, number);
    char text[96];
    std::snprintf(text, sizeof text, "%-11s # %s %d", head, comment, value);
    return text;
}

std::string comment(const char* what, int channel, const char* detail, int value) {
    char text[96];
    std::snprintf(text, sizeof text, "# %s, channel %d, %s %d: a mapping takes no such message",
                  what, channel, detail, value);
    return text;
}

// A button's release follows its note on: shown, but not as a second line to paste.
std::string released(int channel, int note, int velocity) {
    char text[64];
    std::snprintf(text, sizeof text, "# note %d %d released, velocity %d", channel, note, velocity);
    return text;
}

}  // namespace

std::string mappingLine(int status, int data1, int data2) {
    if (status < 0x80 || status >= 0xF0) return {};
    const int channel = (status & 0x0F) + 1;
    switch (status & 0xF0) {
        case 0xB0:
            return line("cc", channel, data1, "value", data2);
        case 0x90:
            if (data2 > 0) return line("note", channel, data1, "velocity", data2);
            [[fallthrough]];
        case 0x80:
            return released(channel, data1, data2);
        case 0xE0:
            return comment("pitch bend", channel, "value", data1 | (data2 << 7));
        case 0xA0:
            return comment("aftertouch", channel, "note", data1);
        case 0xC0:
            return comment("program change", channel, "program", data1);
        default:  // 0xD0
            return comment("channel pressure", channel, "pressure", data1);
    }
}

}  // namespace luma
