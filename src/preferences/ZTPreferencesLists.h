#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// The fixed lists behind the pop-ups of the General and Audio / MIDI tabs: the bundle's
// answer sounds, rhythm-note names and click names, and the titles made in code. Bundle
// lists are read on each call, so a changed bundle shows at the next fill; a list that is
// missing or malformed gives an empty list and a log line.
namespace ZTPreferencesLists {

// resultSounds.plist: the dictionaries that carry a string "id", in file order.
QVariantList resultSounds();
// "No Sound", then each sound's "name" as written in the file.
QStringList resultSoundTitles(const QVariantList& sounds);

// "After 1 second", "After 2 seconds" ... "After 10 seconds".
QStringList autoPlayDelayTitles();
// "01" to "16".
QStringList channelTitles();
// "All", then "01" to "16".
QStringList inputChannelTitles();
// One title per MIDI note 0-127: "35 - Acoustic Bass Drum" where the rhythm-note list names
// the note, else the bare number. A list shorter than 128 names leaves the rest bare.
QStringList rhythmNoteTitles();
// The built-in synthesizer's click sounds (RhythmInstrumentNamesMVSoftSynth.plist), in order.
QStringList clickNames();
// "Off", then the names of MIDI notes 0-127 in the current spelling.
QStringList remoteKeyTitles();

} // namespace ZTPreferencesLists
