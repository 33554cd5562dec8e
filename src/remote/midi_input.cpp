#include "remote/midi_input.h"

#include <QMetaObject>
#include <QThread>
#include <cstdio>

namespace luma {

namespace {

// JACK names our client after this; JACK itself makes it unique per instance.
const char kClientName[] = "Lumatrone DJ";

// RtMidi ends an ALSA port's name with its address, "client:port".
bool alsaAddress(const std::string& name, int& client, int& port) {
    const size_t space = name.rfind(' ');
    return space != std::string::npos &&
           std::sscanf(name.c_str() + space + 1, "%d:%d", &client, &port) == 2;
}

// The data bytes a message of this status takes (0 for a SysEx, which runs to
// the next status byte).
int dataBytes(int status) {
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0) || status == 0xF2) return 2;
    if (status < 0xE0 || status == 0xF1 || status == 0xF3) return 1;
    return 0;
}

}  // namespace

MidiInput::MidiInput(QObject* parent) : QObject(parent) {}

MidiInput::~MidiInput() {
    close();
}

std::vector<MidiInput::Device> MidiInput::enumerate() {
    return listMidiPorts(MidiDirection::Input);
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
    openProblem_.clear();
    reading_ = {};  // no back end runs now
    if (device.api == RtMidi::UNIX_JACK) {
        openJack(device);
    } else {
        openAlsa(device);
    }
    if (!openProblem_.empty()) {
        close();
        emit error(
            tr("Cannot open MIDI device %1 (%2): %3")
                .arg(deviceIndex_)
                .arg(QString::fromStdString(device.name), QString::fromStdString(openProblem_)));
        return;
    }
    openName_ = device.name;
    failed_ = false;
}

void MidiInput::openJack(const Device& device) {
    jack_ = std::make_unique<JackMidiIn>(
        kClientName, device.name, generation_,
        [this](const unsigned char* bytes, size_t size, unsigned generation) {
            receive(bytes, size, generation);
        },
        [this, name = QString::fromStdString(device.name),
         index = deviceIndex_](const std::string& why) {
            failLater(tr("MIDI device %1 (%2): %3").arg(index).arg(name, why.c_str()));
        });
    openProblem_ = jack_->problem();
}

void MidiInput::openAlsa(const Device& device) {
    int client = 0, port = 0;
    if (!alsaAddress(device.name, client, port)) {
        openProblem_ = "no address in the port's name";
        return;
    }
    std::unique_ptr<RtMidiIn> in;
    opening_ = true;
    try {
        in = std::make_unique<RtMidiIn>(device.api, kClientName);
        in->setErrorCallback(&MidiInput::onRtMidiError, this);
        in->ignoreTypes(false, false, false);  // every message lights the lamp
        in->setCallback(&MidiInput::onMidi, this);
        in->openPort(device.number, "MIDI in");
    } catch (const RtMidiError& e) {
        openProblem_ = e.getMessage();
    } catch (const std::exception& e) {
        openProblem_ = e.what();
    }
    opening_ = false;
    if (openProblem_.empty() && !(in && in->isPortOpen())) openProblem_ = "the port did not open";
    if (!openProblem_.empty()) return;
    port_ = std::move(in);
    // Watched from when it is open: a port that goes in between counts too.
    const QString gone = tr("MIDI device %1 (%2) has gone away")
                             .arg(deviceIndex_)
                             .arg(QString::fromStdString(device.name));
    alsaWatch_ = std::make_unique<AlsaWatch>(client, port, [this, gone] { failLater(gone); });
    openProblem_ = alsaWatch_->problem();
}

void MidiInput::close() {
    stop();
    // Each ends its threads, so no callback outlives this.
    alsaWatch_.reset();
    jack_.reset();
    if (!port_) return;
    try {
        port_->cancelCallback();
        port_->closePort();
    } catch (const std::exception&) {
        // it goes either way below
    }
    port_.reset();
}

void MidiInput::start() {
    if (!isOpen()) return;
    ++generation_;
    started_ = true;
}

void MidiInput::stop() {
    started_ = false;
    ++generation_;
    waiting_.clear();
}

bool MidiInput::act(Action action) {
    switch (action) {
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
    if (bytes && !bytes->empty())
        static_cast<MidiInput*>(self)->receive(bytes->data(), bytes->size(),
                                               static_cast<MidiInput*>(self)->generation_);
}

// On the back end's thread. The bytes are read as one stream, since a SysEx
// may come in pieces. Real-time bytes stand alone wherever they come; any
// other status byte ends a SysEx, terminated by F7 or not, so a dump broken
// off (a controller pulled out mid-message) costs that dump only. `generation`
// is the one the bytes arrived in: bytes that waited in a back end's queue
// across a stop count for the time they arrived, not for a new start.
void MidiInput::receive(const unsigned char* bytes, size_t size, unsigned generation) {
    for (size_t i = 0; i < size; ++i) {
        const int byte = bytes[i];
        if (byte >= 0xF8) {
            post(generation, byte, 0);
            continue;
        }
        Reading& r = reading_;
        if (byte >= 0x80) {
            const bool endsSysEx = r.status == 0xF0;
            if (endsSysEx) post(generation, 0xF0, r.data1);
            r = {byte, 0, 0, 0};
            if (byte == 0xF0 || dataBytes(byte) > 0) continue;
            if (!(endsSysEx && byte == 0xF7)) post(generation, byte, 0);
            r = {};
            continue;
        }
        if (r.status == 0) continue;  // a data byte with no status: nothing to go with
        if (r.count++ == 0) r.data1 = byte;
        if (r.count == 2) r.data2 = byte;
        if (r.status == 0xF0 || r.count < dataBytes(r.status)) continue;
        post(generation, r.status, r.data1, r.data2);
        // Channel messages keep their status for data that follows (running status).
        r = r.status < 0xF0 ? Reading{r.status, 0, 0, 0} : Reading{};
    }
}

void MidiInput::post(unsigned generation, int status, int data1, int data2) {
    if (!started_ || generation != generation_) return;
    const auto arrived = std::chrono::steady_clock::now();
    // Queued with the object as context: dropped if it is gone by then.
    QMetaObject::invokeMethod(
        this,
        [this, status, data1, data2, generation, arrived] {
            deliver(status, data1, data2, generation, arrived);
        },
        Qt::QueuedConnection);
}

void MidiInput::deliver(int status, int data1, int data2, unsigned generation,
                        std::chrono::steady_clock::time_point arrived) {
    // A stop (or stop and start) since it was posted makes it stale.
    if (!started_ || generation != generation_) return;
    waiting_.push_back({status, data1, data2, arrived});
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

void MidiInput::fail(const QString& text) {
    if (failed_ || !isOpen()) return;  // reported already, or closed since
    failed_ = true;
    emit error(text);
}

// From any thread.
void MidiInput::failLater(const QString& text) {
    QMetaObject::invokeMethod(
        this, [this, text] { fail(text); }, Qt::QueuedConnection);
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
    input->failLater(QString::fromStdString(text));
}

}  // namespace luma
