#include "deck/deck_mapping.h"

#include <QFileInfo>
#include <QKeySequence>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

#include "remote/mapping_file.h"

namespace luma {

namespace {

// The one key of `text` as the file writes it ("Ctrl+S"); none for a key
// Qt does not know or a sequence of several.
std::optional<QKeyCombination> readKey(const std::string& text) {
    const QKeySequence sequence =
        QKeySequence::fromString(QString::fromStdString(text), QKeySequence::PortableText);
    if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown) return std::nullopt;
    return sequence[0];
}

}  // namespace

QString mappingPath(const QString& programFolder) {
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        "/lumatrone/mapping.conf";
    return QFileInfo::exists(own) ? own : programFolder + "/mapping.conf";
}

Mapping loadDeckMapping(const QString& path) {
    const std::string file = path.toStdString();
    Mapping mapping = readMappingFile(file);
    std::vector<QKeyCombination> seen;
    std::vector<KeyCommand> keys;
    for (const KeyCommand& key : mapping.keys) {
        const auto combination = readKey(key.key);
        if (!combination) {
            mapping.problems.push_back({file, key.line, "\"" + key.key + "\" is not a key"});
        } else if (*combination == kQuitKey) {
            mapping.problems.push_back({file, key.line, key.key + " always quits the deck"});
        } else if (std::ranges::find(seen, *combination) != seen.end()) {
            mapping.problems.push_back({file, key.line, key.key + " is bound already"});
        } else {
            seen.push_back(*combination);
            keys.push_back(key);
        }
    }
    mapping.keys = std::move(keys);
    std::ranges::stable_sort(mapping.problems, {}, &MappingProblem::line);
    return mapping;
}

std::vector<KeyBinding> keyBindings(const Mapping& mapping) {
    std::vector<KeyBinding> bindings;
    for (const KeyCommand& key : mapping.keys) {
        if (const auto combination = readKey(key.key))
            bindings.push_back({*combination, key.command});
    }
    return bindings;
}

QStringList problemLines(const Mapping& mapping) {
    QStringList lines;
    for (const MappingProblem& problem : mapping.problems) {
        lines << QString("%1 line %2: %3")
                     .arg(QString::fromStdString(problem.file))
                     .arg(problem.line)
                     .arg(QString::fromStdString(problem.why));
    }
    return lines;
}

}  // namespace luma
