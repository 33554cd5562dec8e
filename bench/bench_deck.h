// A deck window on the real engine library for the benchmarks: offscreen, on
// the null output, in a program folder of its own (settings, button design,
// genre names, the shipped mapping, an empty crate to put tracks in).
#pragma once

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "binding/engine_library.h"
#include "deck/frm_main.h"
#include "support/temp_dir.h"

namespace luma::bench {

class QuietPlatform : public DeckPlatform {
  public:
    void message(const QString& text, const QString&, int, const QRect&) override {
        std::fprintf(stderr, "deck says: %s\n", qPrintable(text));
    }
    void printError(const QString& line) override {
        std::fprintf(stderr, "%s\n", qPrintable(line));
    }
    void endProcess(int) override {}
};

// Before the application is made: no display, no sound card needed.
inline void useOffscreenNullOutput() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LUMATRONE_AUDIO", "null");
}

// The folder the engine library was built in, with the shipped files beside it.
inline QString builtProgramFolder() {
    return QFileInfo(LUMA_ENGINE_PATH).absolutePath();
}

// Time on a processor (ns) of each thread of this process, by name, from
// the scheduler's own accounting (finer than the 10 ms ticks of stat).
inline std::map<std::string, double> threadSeconds() {
    std::map<std::string, double> seconds;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream commFile(task.path() / "comm");
        std::string name;
        std::getline(commFile, name);
        if (task.path().filename() == std::to_string(getpid())) name = "window thread";
        std::ifstream schedstat(task.path() / "schedstat");
        double nanoseconds = 0;
        if (schedstat >> nanoseconds) seconds[name] += nanoseconds / 1e9;
    }
    return seconds;
}

class BenchDeck {
  public:
    BenchDeck() : folder_(QString::fromStdString(dir_.path().string())) {
        QDir(folder_).mkpath("crate");
        for (const QString file : {"deck.design", "styles.ini", "mapping.conf"}) {
            QFile::copy(builtProgramFolder() + "/" + file, folder_ + "/" + file);
        }
        QFile(folder_ + "/" + kEngineLibraryFile).open(QIODevice::WriteOnly);
        setSettings({});
    }
    // deck1.ini: the BPM display on, the crate as the folder, other lines 0,
    // except the lines given (by number).
    void setSettings(const std::map<int, QString>& lines) {
        QStringList text = {"ON"};
        while (text.size() < 38) text << "0";
        text[35] = '"' + crate() + '"';
        for (const auto& [line, value] : lines) text[line - 1] = value;
        QFile settings(folder_ + "/deck1.ini");
        settings.open(QIODevice::WriteOnly);
        settings.write((text.join('\n') + '\n').toUtf8());
    }
    QString crate() const { return folder_ + "/crate"; }
    // Puts the built demo track `demoName` (its tag included) in the crate as
    // `name` (default: its own). False when it cannot be copied.
    bool addDemoTrack(const QString& demoName, const QString& name = {}) {
        return QFile::copy(builtProgramFolder() + "/demo/" + demoName,
                           crate() + "/" + (name.isEmpty() ? demoName : name));
    }
    // Starts deck 1 on the tracks put in the crate, the first one selected.
    FrmMain& start() {
        deck_ = std::make_unique<FrmMain>("1", folder_, platform_, [](const QString&) {
            return loadEngineLibrary(LUMA_ENGINE_PATH, nullptr);
        });
        deck_->Form_Load();
        deck_->filFile->setCurrentRow(0);
        return *deck_;
    }

  private:
    test::TempDir dir_;
    QString folder_;
    QuietPlatform platform_;
    std::unique_ptr<FrmMain> deck_;
};

}  // namespace luma::bench
