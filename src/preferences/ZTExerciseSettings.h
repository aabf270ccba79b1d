#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// How the settings outline shows and stores each kind of per-exercise setting: which editor a
// column gets, the titles of its pop-ups, the value the editor shows and what a choice stores.
// Records are the catalogue's own: exercise rows (they have "settings") and setting rows
// ("name", "type", "parent", and per type "values", "min", "max", "format", "formatSingular").
// Values go through the settings store's per-exercise accessors, which store and announce only
// a real change. Main thread only.
class ZTExerciseSettings {
public:
    enum class Column { Name, Value, Value2 };
    enum class Editor { None, Popup, Checkbox, Slider, Text };

    // Note pop-ups list MIDI notes 24 (C1) to 103 (G7); their index is the note minus 24.
    static constexpr int kLowestNote = 24;
    static constexpr int kHighestNote = 103;

    struct NoteRange {
        int low = 0;
        int high = 0;
    };

    // The column identifiers of the outline: "nodeName", "value", "value2".
    static QString identifier(Column column);

    static bool isExerciseRow(const QVariantMap& record) { return record.contains(QStringLiteral("settings")); }
    // Setting rows carry no "class"; exercise rows do.
    static bool isSettingRow(const QVariantMap& record);
    static bool isExpandable(const QVariantMap& record);

    static Editor editorFor(const QVariantMap& record, Column column);
    // The pop-up titles of a setting's column, in index order; empty for other editors.
    static QStringList titles(const QVariantMap& setting, Column column);

    // What the column shows: the localised name (Name), a pop-up index (-1: none), a checkbox
    // state (0/1) or a slider value (Value, Value2); invalid where the column has no value.
    // `sliderInteger` is the integer under a slider's knob, for the slider's value text.
    static QVariant objectValue(const QVariantMap& record, Column column, qint64 sliderInteger = 0);

    // Stores a pop-up index, checkbox state or slider value chosen in a setting's column.
    // True when the other end of a note range moved along, so both pop-ups must be re-read.
    static bool setObjectValue(const QVariant& value, const QVariantMap& record, Column column);

    // The value text beside a slider: "formatSingular" for 1, else "format", else the number.
    static QString sliderText(const QVariantMap& setting, qint64 value);

    // "48,72": two MIDI note numbers, low first. Anything else (no comma, more parts, text,
    // numbers outside 0-127) is no range.
    static std::optional<NoteRange> parseNoteRange(const QString& text);

private:
    static QStringList levelTitles(const QString& exercise);
    static QStringList levelIds(const QString& exercise);
    static QStringList scaleTitles();
    static QStringList noteTitles();
    static int noteIndex(int note);
    static int selectIndex(const QVariantMap& setting);
    static void storeRange(const QVariantMap& setting, int chosenNote, bool chosenIsLow, bool* movedOtherEnd);
};
