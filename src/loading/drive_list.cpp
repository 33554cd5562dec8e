#include "loading/drive_list.h"

#include <QDir>
#include <QSet>
#include <QSocketNotifier>

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

DriveList::DriveList(QWidget* parent) : QComboBox(parent), mounts_("/proc/self/mounts") {
    watchMounts();
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

// The kernel marks the open mount table with an exceptional condition
// (POLLPRI) whenever something is mounted or unmounted.
void DriveList::watchMounts() {
    if (!mounts_.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return;
    mountsChanged_ = new QSocketNotifier(mounts_.handle(), QSocketNotifier::Exception, this);
    connect(mountsChanged_, &QSocketNotifier::activated, this, &DriveList::refresh);
}

void DriveList::showPopup() {
    refresh();  // also where the mount table cannot be watched
    QComboBox::showPopup();
}

void DriveList::refresh() {
    QString table;
    if (mounts_.isOpen()) {
        // Reading the table to its end is what acknowledges the change.
        mounts_.seek(0);
        table = QString::fromUtf8(mounts_.readAll());
    } else {
        QFile mounts(mounts_.fileName());
        if (mounts.open(QIODevice::ReadOnly)) table = QString::fromUtf8(mounts.readAll());
    }
    const QStringList drives = mountPoints(table);
    QStringList listed;
    for (int i = 0; i < count(); ++i) listed << itemText(i);
    if (drives == listed) return;
    const QSignalBlocker quiet(this);
    clear();
    addItems(drives);
    // A drive that went away stays the browser's until the user picks another.
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
