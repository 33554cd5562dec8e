#include "loading/drive_list.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include "loading/file_names.h"

namespace luma {

namespace {
// File systems that hold no music: the kernel's own and container plumbing.
const QSet<QString> kPseudoFileSystems = {
    "proc",       "sysfs",    "devtmpfs", "devpts",  "cgroup",      "cgroup2",
    "securityfs", "pstore",   "bpf",      "debugfs", "tracefs",     "mqueue",
    "hugetlbfs",  "configfs", "fusectl",  "autofs",  "binfmt_misc", "efivarfs",
    "rpc_pipefs", "nsfs",     "overlay",  "tmpfs",   "ramfs",       "squashfs"};
}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    refresh();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!setDrive(itemText(index))) setCurrentText(drive_);  // not ready: stay
    });
}

QStringList DriveList::mountPoints(const QString& mountsTable) {
    QStringList points{"/"};
    for (const QString& line : mountsTable.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() < 3 || kPseudoFileSystems.contains(fields[2])) continue;
        // The table escapes blanks in paths as octal \040.
        QString point = fields[1];
        point.replace("\\040", " ").replace("\\011", "\t").replace("\\134", "\\");
        if (!points.contains(point)) points << point;
    }
    return points;
}

QString DriveList::driveOf(const QString& path, const QStringList& drives) {
    if (!path.startsWith('/')) return {};
    const QString clean = QDir::cleanPath(path);
    QString best;
    for (const QString& drive : drives) {
        const bool holds = clean == drive || drive == "/" || clean.startsWith(drive + '/');
        if (holds && drive.size() > best.size()) best = drive;
    }
    return best;
}

void DriveList::refresh() {
    QFile mounts("/proc/mounts");
    const QString table =
        mounts.open(QIODevice::ReadOnly) ? QString::fromUtf8(mounts.readAll()) : "";
    const QStringList drives = mountPoints(table);
    const QSignalBlocker quiet(this);
    clear();
    addItems(drives);
    if (!drive_.isEmpty()) setCurrentText(drive_);
}

bool DriveList::setDrive(const QString& path) {
    QStringList drives;
    for (int i = 0; i < count(); ++i) drives << itemText(i);
    const QString drive = driveOf(path, drives);
    if (drive.isEmpty() || !isReadableFolder(drive)) return false;
    setCurrentText(drive);
    const bool changed = drive != drive_;
    drive_ = drive;
    if (changed) emit change();
    return true;
}

QString DriveList::currentFolder(const QString& drive) const {
    const QString folder = lastFolder_.value(drive);
    return !folder.isEmpty() && isReadableFolder(folder) ? folder : drive;
}

void DriveList::rememberFolder(const QString& folder) {
    QStringList drives;
    for (int i = 0; i < count(); ++i) drives << itemText(i);
    const QString drive = driveOf(folder, drives);
    if (!drive.isEmpty()) lastFolder_[drive] = QDir::cleanPath(folder);
}

}  // namespace luma
