// Reads the deck's plain-text configuration files one item at a time.
#pragma once

#include <QString>
#include <optional>

namespace luma {

// Each line is one item, read as text:
//  - leading spaces and tabs are skipped;
//  - an item in double quotes is taken literally without its quotes (commas
//    included); whatever follows the closing quote up to the next comma or the
//    end of the line is dropped;
//  - an unquoted item ends at a comma or the end of the line, so a comma splits
//    the line and the text after it becomes the next item.
// Lines end at "\n", "\r\n" or "\r". Files are decoded as UTF-8; a byte that
// is not UTF-8 (a file written on an older system) stays in the item as the
// escape a file name uses for it (loading/file_names.h), so that a path goes
// back to the file system as the bytes it was; displayFileName makes text
// of it.
class ItemReader {
  public:
    // Reads the first `lines` lines of a regular file (a line holds an item
    // or more, so they hold the first `lines` items), a megabyte at most.
    // Anything else (a FIFO, a device, a file that cannot be opened) reads
    // as an empty file and is not opened().
    ItemReader(const QString& filePath, int lines);

    bool opened() const { return opened_; }

    // The next item, or nullopt once the reading has gone past the end.
    std::optional<QString> next();

    // The next item, or an empty one past the end: a missing item is never fatal.
    QString nextOrEmpty() { return next().value_or(QString()); }

  private:
    bool atLineEnd() const;
    void skipLineEnd();
    void skipBlanks();
    QString readQuoted();
    QString readUnquoted();
    // Leaves the position just after the comma or line end closing the item.
    void finishItem();

    QString text_;
    qsizetype position_ = 0;
    // After a comma an item always follows, even at the very end of the file.
    bool itemPending_ = false;
    bool opened_ = false;
};

}  // namespace luma
