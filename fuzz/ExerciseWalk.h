#pragma once

#include <QStringList>

// Runs exercises of the catalogue as the screen would: a controller per level, every item of
// the level built and played (as a click in Learning mode does), questions drawn and
// answered, and the texts and graph data read. What the catalogue and the statistics hold
// must never break it.
void walkExercises(const QStringList& names);
void walkEveryExercise();
