#include "deck/midi_input.h"

#include <jack/jack.h>
#include <unistd.h>

#include <QMetaObject>
#include <QThread>

namespace luma {

namespace {

// JACK names our client after this; JACK itself makes it unique per instance.
const char kClientName[] = "Lumatrone DJ";

// Enumeration probes raise warnings (such as "JACK server not running?") that
// only mean "no devices here"; without a callback RtMidi prints them or throws.
void quiet(RtMidiError::Type, const std::string&, void*) {}

void ignoreJackMessage(const char*) {}

// RtMidi's JACK back end prints "JACK server not running?" from its
// constructor, before an error callback can be set, and libjack adds its own
// lines: on a machine without a JACK server, ask JACK quietly first.
bool jackServerRunning() {
    jack_set_error_function(ignoreJackMessage);
    jack_set_info_function(ignoreJackMessage);
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("Lumatrone probe", JackNoStartServer, &status);
    if (probe == nullptr) return false;
    jack_client_close(probe);
    return true;
}

std::vector<RtMidi::Api> backEnds() {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    auto has = [&](RtMidi::Api api) {
        for (RtMidi::Api a : compiled) {
            if (a == api) return true;
        }
        return false;
    };
    std::vector<RtMidi::Api> apis;
    // Without the sequencer device ALSA's library only complains on stderr.
    if (has(RtMidi::LINUX_ALSA) && access("/dev/snd/seq", R_OK | W_OK) == 0) {
        apis.push_back(RtMidi::LINUX_ALSA);
    }
    if (has(RtMidi::UNIX_JACK) && jackServerRunning()) apis.push_back(RtMidi::UNIX_JACK);
    return apis;
}

// How often an open device is looked for in its back end's list.
constexpr int kPresenceCheckMs = 500;

}  // namespace

MidiInput::MidiInput(QObject* parent) : QObject(parent) {
    presence_.setInterval(kPresenceCheckMs);
    connect(&presence_, &QTimer::timeout, this, &MidiInput::checkPresence);
}

MidiInput::~MidiInput() {
    close();
}

std::vector<MidiInput::Device> MidiInput::enumerate() {
    std::vector<Device> list;
    for (RtMidi::Api api : backEnds()) {
        try {
            RtMidiIn probe(api, kClientName);
            probe.setErrorCallback(&quiet, nullptr);
            const unsigned count = probe.getPortCount();
            for (unsigned port = 0; port < count; ++port) {
                std::string name = probe.getPortName(port);
                // A port that vanished while we listed yields no name.
                if (!name.empty()) list.push_back({api, port, std::move(name)});
            }
        } catch (const RtMidiError&) {
            // this back end has nothing to offer now
        } catch (const std::exception&) {
        }
    }
    return list;
}

int MidiInput::deviceCount() {
    devices_ = enumerate();
    listed_ = true;
    return static_cast<int>(devices_.size());
}

QString MidiInput::deviceName(int index) {
    if (!listed_) deviceCount();
    if (index < 0 || index >= static_cast<int>(devices_.size())) return {};
    return QString::fromStdString(devices_[index].name);
}

void MidiInput::open() {
    close();
    if (deviceIndex_ == -1) return;

    // Afresh: the index usually comes from settings, not from a recent listing.
    devices_ = enumerate();
    listed_ = true;
    if (deviceIndex_ < 0 || deviceIndex_ >= static_cast<int>(devices_.size())) {
        emit error(
            tr("MIDI device %1 does not exist (%2 found)").arg(deviceIndex_).arg(devices_.size()));
        return;
    }
    const Device device = devices_[deviceIndex_];

    std::unique_ptr<RtMidiIn> in;
    openProblem_.clear();
    opening_ = true;
    try {
        in = std::make_unique<RtMidiIn>(device.api, kClientName);
        in->setErrorCallback(&MidiInput::onRtMidiError, this);
        in->ignoreTypes(false, false, false);  // every message lights the lamp
        in->setCallback(&MidiInput::onMidi, this);
        in->openPort(device.port, "MIDI in");
    } catch (const RtMidiError& e) {
        openProblem_ = e.getMessage();
    } catch (const std::exception& e) {
        openProblem_ = e.what();
    }
    opening_ = false;
    if (openProblem_.empty() && !(in && in->isPortOpen())) openProblem_ = "the port did not open";
    if (!openProblem_.empty()) {
        in.reset();
        emit error(
            tr("Cannot open MIDI device %1 (%2): %3")
                .arg(deviceIndex_)
                .arg(QString::fromStdString(device.name), QString::fromStdString(openProblem_)));
        return;
    }
    port_ = std::move(in);
    openName_ = device.name;
    failed_ = false;
    presence_.start();
    if (device.api == RtMidi::UNIX_JACK) {
        jackWatch_ = std::make_unique<JackWatch>([this] {
            QMetaObject::invokeMethod(
                this, [this] { fail(tr("The JACK server has stopped")); }, Qt::QueuedConnection);
        });
    }
}

void MidiInput::close() {
    stop();
    presence_.stop();
    jackWatch_.reset();
    if (!port_) return;
    try {
        port_->cancelCallback();
        port_->closePort();
    } catch (const std::exception&) {
        // it goes either way below
    }
    // Deleting it ends RtMidi's thread (or JACK client), so no callback outlives this.
    port_.reset();
}

void MidiInput::start() {
    if (!port_) return;
    ++generation_;
    started_ = true;
}

void MidiInput::stop() {
    started_ = false;
    ++generation_;
    waiting_.clear();
}

bool MidiInput::act(int actionCode) {
    switch (actionCode) {
        case Open:
            open();
            return true;
        case Close:
            close();
            return true;
        case Start:
            start();
            return true;
        case Stop:
            stop();
            return true;
        case Acknowledge:
            current_ = {};
            return true;
        default:
            return false;
    }
}

// On RtMidi's thread.
void MidiInput::onMidi(double, std::vector<unsigned char>* bytes, void* self) {
    auto* input = static_cast<MidiInput*>(self);
    if (!bytes || bytes->empty() || !input->started_) return;
    const int status = (*bytes)[0];
    const int data1 = bytes->size() > 1 ? (*bytes)[1] : 0;
    const unsigned generation = input->generation_;
    const auto arrived = std::chrono::steady_clock::now();
    // Queued with the object as context: dropped if it is gone by then.
    QMetaObject::invokeMethod(
        input,
        [input, status, data1, generation, arrived] {
            input->deliver(status, data1, generation, arrived);
        },
        Qt::QueuedConnection);
}

void MidiInput::deliver(int status, int data1, unsigned generation,
                        std::chrono::steady_clock::time_point arrived) {
    // A stop (or stop and start) since it was posted makes it stale.
    if (!started_ || generation != generation_) return;
    waiting_.push_back({status, data1, arrived});
    if (handling_) return;  // the handler below is still at work; its loop takes it
    while (!waiting_.empty()) {
        current_ = waiting_.front();
        waiting_.pop_front();
        lastArrival_ = current_.arrived;
        handling_ = true;
        emit message(current_.status, current_.data1);
        handling_ = false;
    }
}

void MidiInput::checkPresence() {
    if (!port_) return;
    bool listed = false;
    // A port that vanishes while we list raises a warning; it only means "not listed".
    opening_ = true;
    try {
        const unsigned count = port_->getPortCount();
        for (unsigned port = 0; port < count && !listed; ++port) {
            listed = port_->getPortName(port) == openName_;
        }
    } catch (const std::exception&) {
    }
    opening_ = false;
    openProblem_.clear();
    if (!listed) {
        fail(tr("MIDI device %1 (%2) has gone away")
                 .arg(deviceIndex_)
                 .arg(QString::fromStdString(openName_)));
    }
}

void MidiInput::fail(const QString& text) {
    if (failed_) return;
    failed_ = true;
    presence_.stop();
    emit error(text);
}

// On our thread while open() runs; otherwise possibly on RtMidi's.
void MidiInput::onRtMidiError(RtMidiError::Type type, const std::string& text, void* self) {
    if (type == RtMidiError::DEBUG_WARNING) return;
    auto* input = static_cast<MidiInput*>(self);
    // Only our own thread reads opening_; RtMidi's goes straight to the queue.
    if (QThread::currentThread() == input->thread() && input->opening_) {
        if (input->openProblem_.empty()) input->openProblem_ = text;
        return;
    }
    const QString message = QString::fromStdString(text);
    QMetaObject::invokeMethod(
        input, [input, message] { input->fail(message); }, Qt::QueuedConnection);
}

}  // namespace luma
