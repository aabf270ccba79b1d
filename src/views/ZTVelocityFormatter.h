#pragma once

#include <QString>

// The MIDI-velocity field: three zero-padded digits, and edits that keep it a number
// from 0 to 127.
class ZTVelocityFormatter {
public:
    // "000" style: always three digits.
    static QString stringForValue(qint64 value);

    // Whether an edit may stand. `partial`: the text after the edit; `proposedLocation`: where
    // the caret would be; `original` and `originalLocation`: the text and selection start before.
    // Refusals name their reason in `error` (an empty field is refused silently); an accepted
    // edit clears it. Neither text is changed.
    bool isPartialStringValid(const QString& partial, qint64 proposedLocation, const QString& original,
                              qint64 originalLocation, QString* error) const;
};
