#include "ZTChordUsage.h"

#include "PlistValues.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTProgressionSteps.h"

#include <algorithm>
#include <utility>

namespace ZTChordUsage {

namespace {

const QString kChords = QStringLiteral("Chord recognition");
const QString kProgressions = QStringLiteral("Chord progressions");
const QString kName = QStringLiteral("name");
const QString kDefinition = QStringLiteral("definition");
const QString kChordId = QStringLiteral("chordId");

QString chordIdOf(const QVariant& record)
{
    return PlistValues::toStringOrNull(record.toMap().value(kChordId));
}

bool usesChord(const QVariantList& definition, const QString& chordId)
{
    return std::any_of(definition.begin(), definition.end(),
                       [&](const QVariant& step) { return chordIdOf(step) == chordId; });
}

// The definition with every step on `from` moved to `to`.
QVariantList withChordReplaced(QVariantList definition, const QString& from, const QString& to)
{
    for (QVariant& entry : definition) {
        if (chordIdOf(entry) != from)
            continue;
        QVariantMap step = entry.toMap();
        step.insert(kChordId, to);
        entry = step;
    }
    return definition;
}

// The progressions to store again after the chord's short name changed from `oldId`: their
// positions and edited items.
QList<std::pair<int, QVariantMap>> progressionsFollowing(const QString& oldId, const QVariantMap& chord)
{
    const QString newId = chordIdOf(chord);
    // The catalogue still holds the chord under its old id until the stored list is announced.
    const ZTProgressionSteps::ChordLookup withNewChord = [&](const QString& id) {
        return id == newId ? chord : ZTProgressionSteps::catalogueChord(id);
    };
    QList<std::pair<int, QVariantMap>> edits;
    const QVariantList items = ZTPreferences::sharedPreferences()->customExercisesForTestWithName(kProgressions);
    for (int i = 0; i < items.size(); ++i) {
        QVariantMap item = items.at(i).toMap();
        const QVariantList definition = item.value(kDefinition).toList();
        if (!usesChord(definition, oldId))
            continue;
        const QVariantList moved = withChordReplaced(definition, oldId, newId);
        item.insert(kDefinition, moved);
        const bool minor = item.value(QStringLiteral("isMinor")).toBool();
        if (PlistValues::toStringOrNull(item.value(kName)) == ZTProgressionSteps::autoName(definition, minor)) {
            const QString newName = ZTProgressionSteps::autoName(moved, minor, withNewChord);
            if (!ZTDataProvider::sharedDataProvider()->hasExerciseWithName(newName, kProgressions))
                item.insert(kName, newName);
        }
        edits.append({i, item});
    }
    return edits;
}

} // namespace

QStringList progressionsUsingChord(const QString& chordId)
{
    QStringList names;
    if (chordId.isEmpty())
        return names;
    for (const QVariant& item : ZTPreferences::sharedPreferences()->customExercisesForTestWithName(kProgressions))
        if (usesChord(item.toMap().value(kDefinition).toList(), chordId))
            names << PlistValues::toStringOrNull(item.toMap().value(kName));
    return names;
}

void replaceChord(const QVariantMap& chord, int index)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const QString oldId = chordIdOf(prefs->customExerciseWithIndex(index, kChords));
    const QString newId = chordIdOf(chord);
    // Worked out before the chord is stored, while the catalogue can still name the old steps.
    const QList<std::pair<int, QVariantMap>> edits =
        oldId.isEmpty() || oldId == newId ? QList<std::pair<int, QVariantMap>>() : progressionsFollowing(oldId, chord);
    prefs->replaceCustomExercise(chord, index, kChords);
    for (const auto& [position, progression] : edits)
        prefs->replaceCustomExercise(progression, position, kProgressions);
}

} // namespace ZTChordUsage
