#pragma once

// One tuner reading: the note of the tuner's 108-entry table nearest to a frequency.
class ZTTunerOutput {
public:
    long long octave() const { return octave_; } // table index / 12, 0 to 8
    void setOctave(long long octave) { octave_ = octave; }
    // The table index (0 = C0 at 16.35 Hz, 57 = A4, 107 = B8). The tuner hears one octave
    // up, so a sung A4 gives 69: the caller takes it as a MIDI note number.
    long long midiNoteNr() const { return midiNoteNr_; }
    void setMidiNoteNr(long long noteNr) { midiNoteNr_ = noteNr; }
    double distance() const { return distance_; } // Hz: frequency - the entry's frequency
    void setDistance(double distance) { distance_ = distance; }
    double amplitude() const { return amplitude_; }
    void setAmplitude(double amplitude) { amplitude_ = amplitude; }
    double frequency() const { return frequency_; } // Hz, as handed in
    void setFrequency(double frequency) { frequency_ = frequency; }

private:
    long long octave_ = 0;
    long long midiNoteNr_ = 0;
    double distance_ = 0.0;
    double amplitude_ = 0.0;
    double frequency_ = 0.0;
};
