// The deck's MIDI input: one device at a time, listed through RtMidi.
//
// Devices come from two back ends in one numbering (remote/midi_ports.h): first
// the ALSA sequencer's readable ports (only where /dev/snd/seq exists), then the
// MIDI output ports of the JACK server named by the environment (only while one
// runs). With both present (say a2jmidid bridging ALSA into JACK) one device
// may show twice.
// The list is read afresh by deviceCount() and by open(); deviceName() reads
// the list of the last deviceCount() (or enumerates once if there was none).
// Without a JACK server each listing still leaves a few lines on stderr: RtMidi
// warns in its constructor, before an error callback can be set, and libjack
// reports the failed connection itself.
//
// An ALSA device is read through RtMidi, a JACK one through a client of our
// own (JackMidiIn). Either calls back on a thread of its own, where the bytes
// are split into messages; each message, system messages and SysEx included,
// is posted to the thread this object lives on and emitted there as message(),
// but only while input is started. Messages come one at a time in arrival
// order: one that arrives while a handler still runs (say it shows a box)
// waits for it to return. During the emission status(), data1() and data2()
// describe the message; the acknowledge action ends it.
//
// An open device is watched: when its port goes (a USB controller pulled out,
// the sending program ended, even if a port of the same name comes back at
// once), its JACK connection is cut or its JACK server stops, error() is
// raised, once per open. Nothing here throws.
#pragma once

#include <RtMidi.h>

#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "remote/alsa_watch.h"
#include "remote/jack_midi_in.h"
#include "remote/midi_ports.h"

namespace luma {

class MidiInput : public QObject {
    Q_OBJECT
    Q_PROPERTY(int deviceIndex READ deviceIndex WRITE setDeviceIndex)

  public:
    // The deck's action codes, written after the device index.
    enum Action { Open = 1, Close = 2, Start = 4, Stop = 5, Acknowledge = 6 };

    explicit MidiInput(QObject* parent = nullptr);
    ~MidiInput() override;  // closes the device

    int deviceCount();
    QString deviceName(int index);  // empty for an index not in the list

    void setDeviceIndex(int index) { deviceIndex_ = index; }
    int deviceIndex() const { return deviceIndex_; }

    // Opens the current device, closing any open one first. Index -1 means "no
    // device configured": nothing opens and no error is raised.
    void open();
    void close();  // also stops input; nothing happens if nothing is open
    void start();  // needs an open device
    void stop();
    bool act(Action action);  // false for a value that is none of them

    bool isOpen() const { return port_ || jack_; }
    bool isStarted() const { return started_.load(); }

    // The message being handled: status byte and data bytes, 0 outside one
    // (and a data byte the message has not).
    int status() const { return current_.status; }
    int data1() const { return current_.data1; }
    int data2() const { return current_.data2; }
    // When the latest message handed over reached this object (the back end's thread).
    std::chrono::steady_clock::time_point lastArrival() const { return lastArrival_; }

  signals:
    // status byte and first data byte (0 if the message has none)
    void message(int status, int data1);
    void error(const QString& text);

  private:
    using Device = MidiPort;

    static std::vector<Device> enumerate();
    static void onMidi(double stamp, std::vector<unsigned char>* bytes, void* self);
    // On the back end's thread: the bytes of one event, split into messages.
    void receive(const unsigned char* bytes, size_t size, unsigned generation);
    void post(unsigned generation, int status, int data1, int data2 = 0);
    static void onRtMidiError(RtMidiError::Type type, const std::string& text, void* self);
    void openJack(const Device& device);  // these leave a problem in openProblem_
    void openAlsa(const Device& device);
    void deliver(int status, int data1, int data2, unsigned generation,
                 std::chrono::steady_clock::time_point arrived);
    void fail(const QString& text);  // the first problem of an open device only
    void failLater(const QString& text);

    struct Message {
        int status = 0, data1 = 0, data2 = 0;
        std::chrono::steady_clock::time_point arrived{};
    };

    // The message being read from the back end's bytes (on its thread).
    struct Reading {
        int status = 0;  // 0: none
        int data1 = 0, data2 = 0;
        int count = 0;  // data bytes so far
    };

    int deviceIndex_ = -1;
    std::vector<Device> devices_;
    bool listed_ = false;
    std::unique_ptr<RtMidiIn> port_;    // an ALSA device
    std::unique_ptr<JackMidiIn> jack_;  // a JACK one
    Reading reading_;
    std::string openProblem_;  // why open() failed
    bool opening_ = false;
    std::atomic<bool> started_{false};
    // Bumped by every start and stop so messages posted before a stop are dropped.
    std::atomic<unsigned> generation_{0};
    std::deque<Message> waiting_;  // arrived while a handler ran
    Message current_;
    std::chrono::steady_clock::time_point lastArrival_{};
    bool handling_ = false;
    std::string openName_;
    bool failed_ = false;
    std::unique_ptr<AlsaWatch> alsaWatch_;
};

}  // namespace luma
