// The file list of the file browser: the normal files of one folder that
// match its pattern ("*.wav;*.mp3", case-insensitive), sorted by name.
#pragma once

#include <QListWidget>

namespace luma {

class FileList : public QListWidget {
    Q_OBJECT

  public:
    explicit FileList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // Lists `path`; false, with nothing changed, when it is no readable folder.
    bool setPath(const QString& path);
    QString pattern() const { return pattern_; }
    void setPattern(const QString& pattern);
    QString fileName() const;  // the selected file's name, empty when none

  signals:
    void pathChange();
    void dblClick();

  private:
    void fill();

    QString path_;
    QString pattern_ = "*.*";
};

}  // namespace luma
