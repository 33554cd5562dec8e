// The folder list of the file browser: the open folder's ancestors from the
// root down, then its subfolders; double-clicking one opens it.
#pragma once

#include <QListWidget>

namespace luma {

class FolderList : public QListWidget {
    Q_OBJECT

  public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // Opens `path`; false, with nothing changed, when it is no readable folder.
    // Raises change() when the folder differs.
    bool setPath(const QString& path);

  signals:
    void change();

  private:
    void fill();

    QString path_;
};

}  // namespace luma
