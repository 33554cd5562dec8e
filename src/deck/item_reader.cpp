#include "deck/item_reader.h"

#include <QFile>
#include <QStringDecoder>

namespace luma {
namespace {

QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) return QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

}  // namespace

ItemReader::ItemReader(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) return;
    opened_ = true;
    text_ = decodeText(file.readAll());
}

std::optional<QString> ItemReader::next() {
    if (position_ >= text_.size() && !itemPending_) return std::nullopt;
    itemPending_ = false;
    skipBlanks();
    QString item =
        position_ < text_.size() && text_[position_] == u'"' ? readQuoted() : readUnquoted();
    finishItem();
    return item;
}

bool ItemReader::atLineEnd() const {
    return position_ >= text_.size() || text_[position_] == u'\n' || text_[position_] == u'\r';
}

void ItemReader::skipLineEnd() {
    if (position_ >= text_.size()) return;
    if (text_[position_] == u'\r' && position_ + 1 < text_.size() && text_[position_ + 1] == u'\n')
        ++position_;
    ++position_;
}

void ItemReader::skipBlanks() {
    while (position_ < text_.size() && (text_[position_] == u' ' || text_[position_] == u'\t'))
        ++position_;
}

QString ItemReader::readQuoted() {
    const qsizetype start = ++position_;
    // An unclosed quote runs to the end of the line rather than swallowing the file.
    while (!atLineEnd() && text_[position_] != u'"') ++position_;
    QString item = text_.sliced(start, position_ - start);
    if (!atLineEnd()) ++position_;
    return item;
}

QString ItemReader::readUnquoted() {
    const qsizetype start = position_;
    while (!atLineEnd() && text_[position_] != u',') ++position_;
    return text_.sliced(start, position_ - start);
}

void ItemReader::finishItem() {
    while (!atLineEnd() && text_[position_] != u',') ++position_;
    if (atLineEnd()) {
        skipLineEnd();
    } else {
        ++position_;
        itemPending_ = true;
    }
}

}  // namespace luma
