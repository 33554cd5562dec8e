// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the event loop, so a
// program asked to end from outside (Ctrl+C in its terminal, the terminal
// closed, the launcher ending its decks) shuts down the way it does by itself.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace luma {

class QuitSignals : public QObject {
    Q_OBJECT

  public:
    // One per process: the system's signal handlers are process-wide.
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;  // the signals' default actions return

  signals:
    void received(int signal);

  private:
    void readPending();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace luma
