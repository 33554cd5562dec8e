// lumatrone-devices: prints the audio outputs, MIDI inputs and outputs and
// joysticks with the numbers and names the decks' settings files and mappings
// take. It lives in the program folder beside the deck and reads the same
// engine library. With --monitor it prints what a MIDI input sends, as a
// mapping file's lines.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "binding/engine_library.h"
#include "loading/paths.h"
#include "process/quit_signals.h"
#include "remote/device_listing.h"
#include "remote/mapping_line.h"

namespace {

const char kUsage[] =
    "usage: lumatrone-devices                    list the devices\n"
    "       lumatrone-devices --monitor [NAME]   print what the MIDI input NAME sends\n"
    "                                            (the only one, when there is one)\n";

// The input's number in the deck's list; -1 (and a word on `err`) when the
// name is none of them, or when no name was given and there is not exactly one.
int chooseInput(luma::MidiInput& midi, const QString& name, QTextStream& err) {
    const int count = midi.deviceCount();
    if (name.isEmpty() && count == 1) return 0;
    for (int i = 0; i < count; ++i) {
        if (midi.deviceName(i) == name) return i;
    }
    err << (name.isEmpty() ? QString("name the MIDI input to monitor")
                           : "no MIDI input is named \"" + name + "\"")
        << "; the MIDI inputs are:\n";
    for (int i = 0; i < count; ++i) err << "  \"" << midi.deviceName(i) << "\"\n";
    if (count == 0) err << "  none\n";
    return -1;
}

// Prints each message as a mapping line until Ctrl+C (or a quit signal), or
// until the input fails.
int monitor(QCoreApplication& application, const QString& name) {
    QTextStream out(stdout), err(stderr);
    luma::MidiInput midi;
    const int index = chooseInput(midi, name, err);
    if (index < 0) return 1;
    int status = 0;
    QObject::connect(&midi, &luma::MidiInput::error, [&](const QString& text) {
        err << text << "\n";
        status = 1;
        application.quit();
    });
    QObject::connect(&midi, &luma::MidiInput::message, [&] {
        const std::string line = luma::mappingLine(midi.status(), midi.data1(), midi.data2());
        if (!line.empty()) out << QString::fromStdString(line) << Qt::endl;  // flushed: for tee
        midi.act(luma::MidiInput::Acknowledge);
    });
    midi.setDeviceIndex(index);
    midi.open();
    if (!midi.isOpen()) return 1;  // the error handler has said why
    midi.start();
    err << "Listening to \"" << midi.deviceName(index)
        << "\": press the buttons and move the controls; Ctrl+C ends.\n"
        << "Each line is a mapping line without its target: paste it and add one.\n";
    err.flush();
    luma::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &luma::QuitSignals::received, &application,
                     &QCoreApplication::quit);
    application.exec();
    midi.close();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() > 1 && arguments[1] == "--monitor" && arguments.size() <= 3) {
        return monitor(application, arguments.value(2));
    }
    if (arguments.size() > 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string engine =
        (luma::RPP(QCoreApplication::applicationDirPath()) + luma::kEngineLibraryFile)
            .toStdString();
    const std::unique_ptr<luma::AudioLibrary> audio = luma::loadEngineLibrary(engine, nullptr);
    luma::MidiInput midi;
    luma::JoystickReader joysticks;
    QTextStream out(stdout);
    luma::listDevices(audio.get(), midi, joysticks, out);
    return 0;
}
