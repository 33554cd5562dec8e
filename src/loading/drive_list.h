// The drive list of the file browser. On Linux a "drive" is a mounted
// volume: the root and every mount point of a real file system. The drive
// of a path is the mount point that holds it; each drive remembers the last
// folder visited on it, its "current folder". The list follows the mount
// table while the deck runs: a USB stick plugged in appears, one pulled out
// goes.
#pragma once

#include <QComboBox>
#include <QFile>
#include <QHash>
#include <QStringList>

class QSocketNotifier;

namespace luma {

class DriveList : public QComboBox {
    Q_OBJECT

  public:
    explicit DriveList(QWidget* parent = nullptr);

    // Mount points of real file systems from a mounts table (the format of
    // /proc/mounts), the root first.
    static QStringList mountPoints(const QString& mountsTable);
    // The drive (mount point) holding `path`, among `drives`; empty if none.
    static QString driveOf(const QString& path, const QStringList& drives);

    QString drive() const { return drive_; }
    // Selects the drive holding `path` (a mount point, or any path on it).
    // False, with nothing changed, when there is no such drive.
    bool setDrive(const QString& path);
    // Where to go on `drive`: the folder last visited there, if it still exists.
    QString currentFolder(const QString& drive) const;
    void rememberFolder(const QString& folder);
    void refresh();  // re-reads the mounted volumes

  signals:
    void change();

  protected:
    void showPopup() override;

  private:
    void watchMounts();

    QFile mounts_;
    QSocketNotifier* mountsChanged_ = nullptr;
    QString drive_;
    QHash<QString, QString> lastFolder_;
};

}  // namespace luma
