#include "controls/property_bag.h"

namespace luma {

QVariant PropertyBag::readProperty(const QString& key, const QVariant& defaultValue) const {
    const int index = indexOf(key);
    return index >= 0 ? m_entries[index].value : defaultValue;
}

void PropertyBag::writeProperty(const QString& key, const QVariant& value,
                                const QVariant& defaultValue) {
    const int index = indexOf(key);
    if (value == defaultValue) {
        if (index >= 0) m_entries.removeAt(index);
        return;
    }
    if (index >= 0) {
        m_entries[index].value = value;
    } else {
        m_entries.append({key, value});
    }
}

QStringList PropertyBag::keys() const {
    QStringList result;
    for (const Entry& entry : m_entries) result.append(entry.key);
    return result;
}

int PropertyBag::indexOf(const QString& key) const {
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].key.compare(key, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

}  // namespace luma
