#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace luma {

// Saved control properties: case-insensitive keys to values, kept in write order.
// Entries equal to their default are never stored, so a bag holds only what differs.
class PropertyBag {
  public:
    // The stored value, or defaultValue when the bag has no entry for key.
    QVariant readProperty(const QString& key, const QVariant& defaultValue) const;
    // Stores value unless it equals defaultValue (then any old entry is dropped).
    void writeProperty(const QString& key, const QVariant& value, const QVariant& defaultValue);

    bool contains(const QString& key) const { return indexOf(key) >= 0; }
    int size() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    QStringList keys() const;
    void clear() { m_entries.clear(); }

  private:
    struct Entry {
        QString key;
        QVariant value;
    };

    int indexOf(const QString& key) const;

    QList<Entry> m_entries;
};

}  // namespace luma
