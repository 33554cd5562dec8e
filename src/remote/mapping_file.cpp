#include "remote/mapping_file.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

namespace luma {

namespace {

constexpr std::pair<std::string_view, DeckCommand> kCommands[] = {
    {"play-pause", DeckCommand::PlayPause},
    {"stop", DeckCommand::Stop},
    {"cue", DeckCommand::Cue},
    {"cue-set", DeckCommand::CueSet},
    {"cue-play", DeckCommand::CuePlay},
    {"loop-start", DeckCommand::LoopStart},
    {"loop-end", DeckCommand::LoopEnd},
    {"loop", DeckCommand::Loop},
    {"fine-down", DeckCommand::FineDown},
    {"fine-up", DeckCommand::FineUp},
    {"pitch-down", DeckCommand::PitchDown},
    {"pitch-up", DeckCommand::PitchUp},
    {"pitch-reset", DeckCommand::PitchReset},
    {"jog-back", DeckCommand::JogBack},
    {"jog-forward", DeckCommand::JogForward},
    {"jog-end", DeckCommand::JogEnd},
    {"kill-bass", DeckCommand::KillBass},
    {"kill-mid", DeckCommand::KillMid},
    {"kill-high", DeckCommand::KillHigh},
    {"sync", DeckCommand::Sync},
    {"key-lock", DeckCommand::KeyLock},
    {"quantize", DeckCommand::Quantize},
    {"beat-loop-1", DeckCommand::BeatLoop1},
    {"beat-loop-2", DeckCommand::BeatLoop2},
    {"beat-loop-4", DeckCommand::BeatLoop4},
    {"beat-loop-8", DeckCommand::BeatLoop8},
    {"beat-loop-16", DeckCommand::BeatLoop16},
    {"quit", DeckCommand::Quit},
};

constexpr std::pair<std::string_view, DeckControl> kControls[] = {
    {"pitch", DeckControl::Pitch},     {"gain", DeckControl::Gain},
    {"balance", DeckControl::Balance}, {"eq-bass", DeckControl::EqBass},
    {"eq-mid", DeckControl::EqMid},    {"eq-high", DeckControl::EqHigh},
    {"jog", DeckControl::Jog},
};

constexpr std::pair<std::string_view, Lamp> kLamps[] = {
    {"play", Lamp::Play},         {"cue", Lamp::Cue},          {"loop", Lamp::Loop},
    {"sync", Lamp::Sync},         {"key-lock", Lamp::KeyLock}, {"quantize", Lamp::Quantize},
    {"activity", Lamp::Activity},
};

template <typename Value, size_t N>
std::optional<Value> named(const std::pair<std::string_view, Value> (&names)[N],
                           std::string_view name) {
    for (const auto& [text, value] : names) {
        if (text == name) return value;
    }
    return std::nullopt;
}

// A line's words: spaces separate them, a double-quoted word may hold
// spaces, and a # outside quotes starts the comment. Hand-written: the
// format is this small, and its errors name the line as the user wrote it.
struct Words {
    std::vector<std::string> words;
    std::string problem;
};

Words splitWords(std::string_view line) {
    Words result;
    size_t at = 0;
    while (at < line.size()) {
        const char c = line[at];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            const size_t end = line.find('"', at + 1);
            if (end == std::string_view::npos) {
                result.problem = "a quoted name has no closing \"";
                return result;
            }
            result.words.emplace_back(line.substr(at + 1, end - at - 1));
            at = end + 1;
        } else {
            size_t end = at;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' &&
                   line[end] != '\r' && line[end] != '#') {
                ++end;
            }
            result.words.emplace_back(line.substr(at, end - at));
            at = end;
        }
    }
    return result;
}

std::optional<int> number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Reads one line into `mapping`; the reason it cannot, or "".
class LineReader {
  public:
    explicit LineReader(Mapping& mapping) : mapping_(mapping) {}

    std::string read(const std::vector<std::string>& words, int line) {
        line_ = line;
        const std::string& kind = words[0];
        if (kind == "midi-out") return readMidiOut(words);
        if (kind == "cc" || kind == "note") return readBinding(words);
        if (kind == "key") return readKey(words);
        if (kind == "lamp") return readLamp(words);
        return "\"" + kind + "\" is not a kind of line (midi-out, cc, note, key or lamp)";
    }

  private:
    std::string readMidiOut(const std::vector<std::string>& words) {
        if (words.size() != 2) return "midi-out takes one port name (quoted if it has spaces)";
        if (mapping_.lampPort) return "a second midi-out: the lamps have one output";
        mapping_.lampPort = words[1];
        return "";
    }

    // "cc 1 16" or "note 2 36" from words[first]: the address, or why not.
    static std::string readAddress(const std::vector<std::string>& words, size_t first,
                                   MidiAddress& address, int* lsb) {
        if (words.size() < first + 3) return "too few words: cc or note, channel, number";
        const std::string& kind = words[first];
        if (kind != "cc" && kind != "note") return "\"" + kind + "\" is neither cc nor note";
        address.kind = kind == "cc" ? MidiKind::ControlChange : MidiKind::Note;
        const auto channel = number(words[first + 1], 1, 16);
        if (!channel) return "channel \"" + words[first + 1] + "\" is not 1 to 16";
        address.channel = *channel;
        std::string_view numbers = words[first + 2];
        const size_t slash = numbers.find('/');
        if (slash != std::string_view::npos) {
            if (!lsb) return "a pair of numbers (MSB/LSB) is only for a control's 14 bits";
            const auto second = number(numbers.substr(slash + 1), 0, 127);
            if (!second) return "the LSB's number in \"" + words[first + 2] + "\" is not 0 to 127";
            *lsb = *second;
            numbers = numbers.substr(0, slash);
        }
        const auto first_number = number(numbers, 0, 127);
        if (!first_number) return "number \"" + std::string(numbers) + "\" is not 0 to 127";
        address.number = *first_number;
        return "";
    }

    std::string readBinding(const std::vector<std::string>& words) {
        MidiAddress address;
        int lsb = -1;
        if (std::string why = readAddress(words, 0, address, &lsb); !why.empty()) return why;
        if (words.size() < 4) return "nothing to bind: a command or a control follows the number";
        const std::string& target = words[3];
        if (words.size() > 5) return "unexpected \"" + words[5] + "\" after the binding";
        const std::string modifier = words.size() == 5 ? words[4] : "";
        if (const auto command = commandNamed(target)) {
            if (lsb >= 0) return "a command takes one number, not a pair";
            if (!modifier.empty() && modifier != "any") {
                return "a command takes only \"any\" after it, not \"" + modifier + "\"";
            }
            mapping_.commands.push_back({address, *command, modifier == "any"});
            return "";
        }
        const auto control = controlNamed(target);
        if (!control) return "\"" + target + "\" is neither a command nor a control";
        if (address.kind != MidiKind::ControlChange) return "a control moves by cc, not note";
        ControlBinding binding{address, lsb, *control, ControlEncoding::Absolute7};
        if (lsb == address.number) return "the MSB and the LSB are the same controller";
        if (*control == DeckControl::Jog) {
            if (modifier == "relative") {
                binding.encoding = ControlEncoding::RelativeTwosComplement;
            } else if (modifier == "offset64") {
                binding.encoding = ControlEncoding::RelativeOffset64;
            } else {
                return "jog is a relative encoder: \"relative\" or \"offset64\" follows it";
            }
            if (lsb >= 0) return "jog takes one controller, not a pair";
        } else {
            if (!modifier.empty()) return "unexpected \"" + modifier + "\" after " + target;
            if (lsb >= 0) binding.encoding = ControlEncoding::Absolute14;
        }
        mapping_.controls.push_back(binding);
        return "";
    }

    std::string readKey(const std::vector<std::string>& words) {
        if (words.size() != 3) return "key takes a key and a command: key Ctrl+S sync";
        const auto command = commandNamed(words[2]);
        if (!command) return "\"" + words[2] + "\" is not a command";
        mapping_.keys.push_back({words[1], *command, line_});
        return "";
    }

    std::string readLamp(const std::vector<std::string>& words) {
        if (words.size() < 2) return "lamp takes a lamp and an address: lamp play cc 1 16";
        const auto lamp = lampNamed(words[1]);
        if (!lamp) return "\"" + words[1] + "\" is not a lamp";
        MidiAddress address;
        if (std::string why = readAddress(words, 2, address, nullptr); !why.empty()) return why;
        if (words.size() > 5) return "unexpected \"" + words[5] + "\" after the lamp";
        mapping_.lamps.push_back({*lamp, address});
        return "";
    }

    Mapping& mapping_;
    int line_ = 0;
};

}  // namespace

std::optional<DeckCommand> commandNamed(std::string_view name) {
    return named(kCommands, name);
}

std::optional<DeckControl> controlNamed(std::string_view name) {
    return named(kControls, name);
}

std::optional<Lamp> lampNamed(std::string_view name) {
    return named(kLamps, name);
}

Mapping parseMapping(std::string_view text, const std::string& fileName) {
    Mapping mapping;
    LineReader reader(mapping);
    int lineNumber = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        ++lineNumber;
        const Words line = splitWords(text.substr(at, end - at));
        std::string why = line.problem;
        if (why.empty() && !line.words.empty()) why = reader.read(line.words, lineNumber);
        if (!why.empty()) mapping.problems.push_back({fileName, lineNumber, why});
        at = end + 1;
    }
    return mapping;
}

Mapping readMappingFile(const std::string& path) {
    std::error_code ignored;
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    if (!file || file.bad() || std::filesystem::is_directory(path, ignored)) {
        Mapping mapping;
        mapping.problems.push_back({path, 0, "the file cannot be read"});
        return mapping;
    }
    return parseMapping(text.str(), path);
}

}  // namespace luma
