// A deck window on a recording engine, in a program folder of its own with
// a settings file, an engine library file and a crate folder.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "binding/engine_library.h"
#include "deck/frm_main.h"
#include "recording_doubles.h"
#include "support/temp_dir.h"

// Failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace luma::test {

class FrmMainTest : public ::testing::Test {
  public:
    void SetUp() override {
        folder_ = QString::fromStdString(dir_.path().string());
        writeFile(kEngineLibraryFile, "engine");
        QDir(folder_).mkpath("crate");
        writeFile("crate/track.mp3", "");
        setSettings(1, 1, folder_ + "/crate");
    }
    void writeFile(const QString& name, const QString& text) {
        QFile file(folder_ + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }
    // A settings file with devices for both decks and the music folder.
    void setSettings(int deck1Device, int deck2Device, const QString& folder) {
        QStringList lines = {
            "ON", "0", "OFF", "ON", "0", QString::number(deck1Device), QString::number(deck2Device),
            "",   ""};
        while (lines.size() < 35) lines << "0";
        lines << '"' + folder + '"' << "0"
              << "1";
        writeFile("deck1.ini", lines.join('\n'));
        writeFile("deck2.ini", lines.join('\n'));
    }
    std::unique_ptr<FrmMain> makeDeck(const QString& commandLine) {
        platform.journal = &audio->calls;
        auto deck = std::make_unique<FrmMain>(
            commandLine, folder_, platform,
            [this](const QString&) { return std::unique_ptr<AudioLibrary>(std::move(audio)); });
        audioView = audio.get();
        return deck;
    }

    TempDir dir_;
    QString folder_;
    std::unique_ptr<RecordingAudio> audio = std::make_unique<RecordingAudio>();
    RecordingAudio* audioView = nullptr;
    RecordingPlatform platform;
};

}  // namespace luma::test
