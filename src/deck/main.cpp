// lumatrone-deck: one deck of the Lumatrone DJ System. The deck number is
// the whole command line ("1" or "2"); the launcher starts both.
#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>

#include "binding/engine_library.h"
#include "controls/design_fonts.h"
#include "deck/frm_main.h"
#include "process/quit_signals.h"
#include "process/stderr_limiter.h"
#include "timing/display_connection.h"

int main(int argc, char** argv) {
#ifndef LUMA_SANITIZED
    // A sanitizer's report is written just before the process dies: it must
    // not wait in the limiter's pipe.
    luma::limitStderr();
#endif
    luma::configureDisplayConnection();
    QApplication application(argc, argv);
    // The window's class (WM_CLASS), which the desktop entry's StartupWMClass
    // names, and on Wayland the entry itself: docks group both decks under it.
    application.setApplicationName("lumatrone-deck");
    application.setDesktopFileName("lumatrone");
    QStringList arguments = application.arguments();
    arguments.removeFirst();
    const QString commandLine = arguments.join(' ');
    luma::DesktopPlatform platform;
    luma::FrmMain deck(commandLine, QCoreApplication::applicationDirPath(), platform,
                       [](const QString& path) {
                           std::string error;
                           return luma::loadEngineLibrary(path.toStdString(), &error);
                       });
    // Asked to end from outside, even while a start-up box is open, the deck
    // shuts down as its quit key does.
    luma::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &luma::QuitSignals::received, &deck, &luma::FrmMain::salir);
    // Taken before start-up moves into the program folder.
    const QString screenshot =
        qEnvironmentVariableIsEmpty("LUMATRONE_SCREENSHOT")
            ? QString()
            : QFileInfo(qEnvironmentVariable("LUMATRONE_SCREENSHOT")).absoluteFilePath();
    deck.Form_Load();
    deck.show();
    // LUMATRONE_SCREENSHOT=file.png: play the first track of the file list
    // for a moment, render the window, then quit (works on the offscreen
    // platform too).
    if (!screenshot.isEmpty()) {
        if (deck.filFile->count() > 0) {
            deck.filFile->setCurrentRow(0);
            deck.filFile_DblClick();
            deck.Lum_Pause();
        }
        QTimer::singleShot(2500, &deck, [&] {
            if (!deck.grab().save(screenshot))
                platform.printError("lumatrone-deck " + commandLine + ": could not write " +
                                    screenshot);
            deck.salir();
        });
    }
    return application.exec();
}
