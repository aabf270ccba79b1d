#include "ZTProgressionSteps.h"

#include "PlistValues.h"
#include "ZTDataProvider.h"

#include <array>

namespace ZTProgressionSteps {

namespace {

constexpr std::array<qlonglong, 7> kMajor{0, 2, 4, 5, 7, 9, 11};
constexpr std::array<qlonglong, 7> kNaturalMinor{0, 2, 3, 5, 7, 8, 10};

const std::array<qlonglong, 7>& scaleOf(bool minor)
{
    return minor ? kNaturalMinor : kMajor;
}

QVariantMap emptyStep()
{
    return {{QStringLiteral("step"), 0LL}, {QStringLiteral("chordId"), QString(QLatin1String(""))}};
}

} // namespace

const QStringList& stepTitles()
{
    static const QStringList titles{QStringLiteral("I"),  QStringLiteral("II"), QStringLiteral("III"),
                                    QStringLiteral("IV"), QStringLiteral("V"),  QStringLiteral("VI"),
                                    QStringLiteral("VII")};
    return titles;
}

qlonglong semitonesForDegree(int degree, bool minor)
{
    return degree >= 0 && degree < 7 ? scaleOf(minor)[std::size_t(degree)] : 0;
}

int degreeForSemitones(qlonglong semitones, bool minor)
{
    const auto& scale = scaleOf(minor);
    for (std::size_t degree = 0; degree < scale.size(); ++degree)
        if (scale[degree] == semitones)
            return int(degree);
    return -1;
}

QVariantMap newItem()
{
    return {{QStringLiteral("name"), QStringLiteral("I - I")},
            {QStringLiteral("level"), QStringLiteral("0")},
            {QStringLiteral("isMinor"), false},
            {QStringLiteral("group"), QStringLiteral("0")},
            {QStringLiteral("definition"), QVariantList{emptyStep(), emptyStep()}}};
}

QVariantList resized(const QVariantList& definition, int count)
{
    QVariantList steps = definition.mid(0, std::max(count, 0));
    while (steps.size() < count)
        steps << emptyStep();
    return steps;
}

bool isMinorChord(const QVariantMap& chord)
{
    const QVariantList definition = chord.value(QStringLiteral("definition")).toList();
    if (definition.size() < 2)
        return false;
    const QVariantList notes = definition.at(1).toMap().value(QStringLiteral("notes")).toList();
    if (notes.isEmpty())
        return false;
    const QVariantMap third = notes.first().toMap();
    return third.value(QStringLiteral("pos")).toLongLong() == 3 && third.value(QStringLiteral("off")).toLongLong() == -1;
}

QVariantMap catalogueChord(const QString& chordId)
{
    return ZTDataProvider::sharedDataProvider()->chordDictWithChordId(chordId);
}

QString autoName(const QVariantList& definition, bool minor, const ChordLookup& chordWithId)
{
    QStringList parts;
    for (const QVariant& entry : definition) {
        const QVariantMap step = entry.toMap();
        const int degree = degreeForSemitones(step.value(QStringLiteral("step")).toLongLong(), minor);
        if (degree < 0)
            continue;
        const QString chordId = PlistValues::toStringOrNull(step.value(QStringLiteral("chordId")));
        const bool minorChord = isMinorChord(chordWithId(chordId));
        const QString title = stepTitles().at(degree);
        parts << (QStringLiteral("%1%2").arg(minorChord ? title.toLower() : title, chordId)).trimmed();
    }
    return parts.join(QStringLiteral(" - "));
}

} // namespace ZTProgressionSteps
