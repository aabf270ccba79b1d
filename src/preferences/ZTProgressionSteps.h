#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

// The rules of the chord-progression editor, without widgets.
//
// A stored step ("step" of a ChordProgressionStep) counts semitones from the key's root to
// the chord's root, as the bundle and the exercise engine have it; the editor shows it as a
// scale degree (0 the first degree) of the key's major or natural-minor scale. The two are
// converted here and only here, so files and engine keep the one form.
namespace ZTProgressionSteps {

inline constexpr int kMinSteps = 2;
inline constexpr int kMaxSteps = 8; // rows of the editor

// The degree titles "I" to "VII"; lower case marks a minor chord in the automatic name.
const QStringList& stepTitles();
// Semitones above the root of degree 0-6 of the major or natural-minor scale; 0 for
// another degree.
qlonglong semitonesForDegree(int degree, bool minor);
// The degree of a stored step; -1 when the step is not a tone of the scale within the octave.
int degreeForSemitones(qlonglong semitones, bool minor);

// A new progression: "I - I", two steps on the first degree without chord, group "0",
// level "0", major.
QVariantMap newItem();
// The definition with `count` steps: later steps dropped, or steps on the first degree
// without chord appended.
QVariantList resized(const QVariantList& definition, int count);

// Whether the chord item has a minor third: the first note of its second step is degree 3
// lowered by one.
bool isMinorChord(const QVariantMap& chord);
// The chord item of a chord id; the catalogue's unless told otherwise.
using ChordLookup = std::function<QVariantMap(const QString& chordId)>;
QVariantMap catalogueChord(const QString& chordId);

// One part per step, joined by " - ": the degree's title (lower case for a minor chord)
// followed by the chord id. Steps off the scale add nothing.
QString autoName(const QVariantList& definition, bool minor, const ChordLookup& chordWithId = catalogueChord);

} // namespace ZTProgressionSteps
