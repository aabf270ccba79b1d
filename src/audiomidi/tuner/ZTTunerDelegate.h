#pragma once

class ZTTuner;
class ZTTunerOutput;

// Receives the tuner's readings, on the main thread.
class ZTTunerDelegate {
public:
    virtual ~ZTTunerDelegate() = default;

    // A note has been heard in enough agreeing polls.
    virtual void tunerDidUpdate(ZTTuner* tuner, const ZTTunerOutput& output) = 0;
    // Every poll: the input level and whether it is above the threshold (0 and false once
    // the note being heard has been confirmed).
    virtual void tuner(ZTTuner* tuner, double amplitude, bool isGreaterThenThreshold) = 0;
};
