#include "ZTExerciseSettings.h"

#include "Localization.h"
#include "Log.h"
#include "PlistValues.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTStringFormat.h"
#include "ZTUtils.h"

#include <QVariantList>

namespace {

const QString kName = QStringLiteral("name");
const QString kType = QStringLiteral("type");
const QString kParent = QStringLiteral("parent");
const QString kValues = QStringLiteral("values");
const QString kLevel = QStringLiteral("level");

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

QString nameOf(const QVariantMap& setting)
{
    return PlistValues::toStringOrNull(setting.value(kName));
}

QString parentOf(const QVariantMap& setting)
{
    return PlistValues::toStringOrNull(setting.value(kParent));
}

QString typeOf(const QVariantMap& setting)
{
    return PlistValues::toStringOrNull(setting.value(kType));
}

QStringList stringList(const QVariant& value)
{
    QStringList strings;
    for (const QVariant& entry : value.toList())
        strings << PlistValues::toStringOrNull(entry);
    return strings;
}

bool isPopupType(const QString& type)
{
    static const QStringList types{QStringLiteral("select"), QStringLiteral("scales"), QStringLiteral("note"),
                                   QStringLiteral("noteRange"), QStringLiteral("randomBool")};
    return types.contains(type);
}

// An index that is not in the list reads as none.
int checkedIndex(qsizetype index, qsizetype count)
{
    return index >= 0 && index < count ? int(index) : -1;
}

// A whole number written with digits only (no sign, blanks or other characters).
std::optional<int> noteNumber(const QString& text)
{
    if (text.isEmpty() || text.size() > 3)
        return std::nullopt;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int number = text.toInt();
    if (number > 127)
        return std::nullopt;
    return number;
}

} // namespace

QString ZTExerciseSettings::identifier(Column column)
{
    switch (column) {
    case Column::Name: return QStringLiteral("nodeName");
    case Column::Value: return QStringLiteral("value");
    case Column::Value2: return QStringLiteral("value2");
    }
    return {};
}

bool ZTExerciseSettings::isSettingRow(const QVariantMap& record)
{
    return PlistValues::toStringOrNull(record.value(QStringLiteral("class"))).isEmpty();
}

bool ZTExerciseSettings::isExpandable(const QVariantMap& record)
{
    return !record.value(QStringLiteral("settings")).toList().isEmpty();
}

ZTExerciseSettings::Editor ZTExerciseSettings::editorFor(const QVariantMap& record, Column column)
{
    if (!isSettingRow(record) || column == Column::Name)
        return Editor::None;
    const QString type = typeOf(record);
    if (column == Column::Value) {
        if (isPopupType(type))
            return Editor::Popup;
        if (type == QLatin1String("bool"))
            return Editor::Checkbox;
        if (type == QLatin1String("slider"))
            return Editor::Slider;
        return Editor::None;
    }
    if (type == QLatin1String("noteRange"))
        return Editor::Popup;
    if (type == QLatin1String("slider"))
        return Editor::Text;
    return Editor::None;
}

QStringList ZTExerciseSettings::titles(const QVariantMap& setting, Column column)
{
    if (editorFor(setting, column) != Editor::Popup)
        return {};
    const QString type = typeOf(setting);
    if (type == QLatin1String("select")) {
        if (nameOf(setting) == kLevel)
            return levelTitles(parentOf(setting));
        QStringList titles;
        for (const QString& value : stringList(setting.value(kValues)))
            titles << localized(value);
        return titles;
    }
    if (type == QLatin1String("scales"))
        return scaleTitles();
    if (type == QLatin1String("randomBool"))
        return {localized(QStringLiteral("Ascending")), localized(QStringLiteral("Descending")),
                localized(QStringLiteral("Random"))};
    return noteTitles(); // "note" and both ends of "noteRange"
}

QVariant ZTExerciseSettings::objectValue(const QVariantMap& record, Column column, qint64 sliderInteger)
{
    if (column == Column::Name)
        return localized(nameOf(record));
    if (!isSettingRow(record))
        return {};
    const QString type = typeOf(record);
    const QString name = nameOf(record);
    const QString exercise = parentOf(record);

    if (column == Column::Value2) {
        if (type == QLatin1String("noteRange")) {
            const std::optional<NoteRange> range = parseNoteRange(prefs()->stringForKey(name, exercise));
            return range ? noteIndex(range->high) : -1;
        }
        if (type == QLatin1String("slider"))
            return sliderText(record, sliderInteger);
        return {};
    }

    if (type == QLatin1String("select"))
        return selectIndex(record);
    if (type == QLatin1String("scales"))
        return checkedIndex(scaleTitles().indexOf(prefs()->stringForKey(name, exercise)), scaleTitles().size());
    if (type == QLatin1String("noteRange")) {
        const std::optional<NoteRange> range = parseNoteRange(prefs()->stringForKey(name, exercise));
        return range ? noteIndex(range->low) : -1;
    }
    if (type == QLatin1String("randomBool"))
        return checkedIndex(prefs()->integerForKey(name, exercise), 3);
    const QVariant number = prefs()->numberForKey(name, exercise);
    if (type == QLatin1String("note"))
        return checkedIndex(PlistValues::toInteger(number), kHighestNote - kLowestNote + 1);
    if (type == QLatin1String("bool"))
        return PlistValues::toBool(number) ? 1 : 0;
    if (type == QLatin1String("slider"))
        return double(PlistValues::toFloat(number));
    return {};
}

bool ZTExerciseSettings::setObjectValue(const QVariant& value, const QVariantMap& record, Column column)
{
    if (!isSettingRow(record))
        return false;
    const QString type = typeOf(record);
    const QString name = nameOf(record);
    const QString exercise = parentOf(record);
    bool movedOtherEnd = false;

    if (column == Column::Value2) {
        if (type == QLatin1String("noteRange"))
            storeRange(record, value.toInt() + kLowestNote, false, &movedOtherEnd);
        return movedOtherEnd;
    }
    if (column != Column::Value)
        return false;

    const int index = value.toInt();
    if (type == QLatin1String("select")) {
        const QStringList stored = name == kLevel ? levelIds(exercise) : stringList(record.value(kValues));
        if (checkedIndex(index, stored.size()) >= 0)
            prefs()->setString(stored.at(index), name, exercise);
    } else if (type == QLatin1String("scales")) {
        const QStringList scales = scaleTitles();
        if (checkedIndex(index, scales.size()) >= 0)
            prefs()->setString(scales.at(index), name, exercise);
    } else if (type == QLatin1String("noteRange")) {
        storeRange(record, index + kLowestNote, true, &movedOtherEnd);
    } else if (type == QLatin1String("slider")) {
        prefs()->setFloat(value.toFloat(), name, exercise);
    } else {
        prefs()->setInteger(index, name, exercise);
    }
    return movedOtherEnd;
}

QString ZTExerciseSettings::sliderText(const QVariantMap& setting, qint64 value)
{
    const QString number = QString::number(value);
    const QString singular = PlistValues::toStringOrNull(setting.value(QStringLiteral("formatSingular")));
    if (value == 1 && !singular.isEmpty())
        return ZTStringFormat::fill(localized(singular), {number});
    const QString format = PlistValues::toStringOrNull(setting.value(QStringLiteral("format")));
    if (!format.isEmpty())
        return ZTStringFormat::fill(localized(format), {number});
    return number;
}

std::optional<ZTExerciseSettings::NoteRange> ZTExerciseSettings::parseNoteRange(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<int> low = noteNumber(parts.at(0));
    const std::optional<int> high = noteNumber(parts.at(1));
    if (!low || !high)
        return std::nullopt;
    return NoteRange{*low, *high};
}

// ---- Private ----

QStringList ZTExerciseSettings::levelTitles(const QString& exercise)
{
    QStringList titles;
    for (const QVariant& level : ZTDataProvider::sharedDataProvider()->levels().value(exercise).toList())
        titles << PlistValues::toStringOrNull(level.toMap().value(kName));
    return titles;
}

QStringList ZTExerciseSettings::levelIds(const QString& exercise)
{
    QStringList ids;
    for (const QVariant& level : ZTDataProvider::sharedDataProvider()->levels().value(exercise).toList())
        ids << PlistValues::toStringOrNull(level.toMap().value(QStringLiteral("id")));
    return ids;
}

QStringList ZTExerciseSettings::scaleTitles()
{
    return QStringList{QStringLiteral("Chromatic")} +
           ZTDataProvider::sharedDataProvider()->exerciseNamesForTestWithName(QStringLiteral("Scale recognition"));
}

QStringList ZTExerciseSettings::noteTitles()
{
    return ZTUtils::getNoteNamesFromNote(kLowestNote, kHighestNote);
}

int ZTExerciseSettings::noteIndex(int note)
{
    return checkedIndex(note - kLowestNote, kHighestNote - kLowestNote + 1);
}

int ZTExerciseSettings::selectIndex(const QVariantMap& setting)
{
    const QString name = nameOf(setting);
    const QString exercise = parentOf(setting);
    const QString stored = prefs()->stringForKey(name, exercise);
    const QStringList values = stringList(setting.value(kValues));
    if (name == kLevel) {
        const QStringList ids = levelIds(exercise);
        if (ids.contains(stored))
            return int(ids.indexOf(stored));
        // An old file may hold a built-in level by name; it is shown at that level's place.
        return checkedIndex(values.indexOf(stored), ids.size());
    }
    return checkedIndex(values.indexOf(stored), values.size());
}

void ZTExerciseSettings::storeRange(const QVariantMap& setting, int chosenNote, bool chosenIsLow, bool* movedOtherEnd)
{
    if (noteIndex(chosenNote) < 0)
        return;
    const QString name = nameOf(setting);
    const QString exercise = parentOf(setting);
    const QString stored = prefs()->stringForKey(name, exercise);
    NoteRange range{chosenNote, chosenNote};
    if (const std::optional<NoteRange> current = parseNoteRange(stored)) {
        range = *current;
        if (chosenIsLow) {
            range.low = chosenNote;
            *movedOtherEnd = range.low > range.high;
            if (*movedOtherEnd)
                range.high = range.low;
        } else {
            range.high = chosenNote;
            *movedOtherEnd = range.high < range.low;
            if (*movedOtherEnd)
                range.low = range.high;
        }
    } else {
        // A damaged range (from a synced file, say) is not split; the choice starts a new one
        // that holds just the chosen note, and both pop-ups show it.
        Log::line(QStringLiteral("The note range \"%1\" of %2 is not two note numbers; it is replaced.").arg(stored, exercise));
        *movedOtherEnd = true;
    }
    prefs()->setString(QStringLiteral("%1,%2").arg(range.low).arg(range.high), name, exercise);
}
