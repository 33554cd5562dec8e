// lumatrone-devices: prints the audio outputs, MIDI inputs and joysticks with
// the numbers and names the decks' settings files take. It lives in the
// program folder beside the deck and reads the same engine library.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "binding/engine_library.h"
#include "loading/paths.h"
#include "remote/device_listing.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
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
