#pragma once

#include <QStringList>
#include <QVariantMap>

// The user's chord progressions name their chords by short name ("chordId"), so a custom
// chord is tied to every custom progression that has a step on it. These rules keep the two
// together, without widgets. Main thread only, like the settings store.
namespace ZTChordUsage {

// The names of the custom chord progressions with a step on the chord, in stored order. None
// for the empty id: that is a chord of the bundle, which new steps start with.
QStringList progressionsUsingChord(const QString& chordId);

// Stores an edited custom chord at its position among the custom chords. A changed short name
// is carried into the steps of the progressions that use the old one. Such a progression whose
// name is its automatic name (built from the chords' short names) gets the new automatic name,
// with its statistics and custom-level entries, unless another item already has that name; a
// name the user typed stays as it is.
void replaceChord(const QVariantMap& chord, int index);

} // namespace ZTChordUsage
