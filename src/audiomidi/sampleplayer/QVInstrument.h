#pragma once

#include "QVSample.h"

#include <QString>

#include <array>
#include <memory>
#include <vector>

// One instrument of the sound bank: its samples, its envelope and the table that gives the
// sample for every note (slots 0-127 by note, 128 the sticks click, 129 the clap click).
//
// Built on the main thread from the folder's "instrument.plist", then only read (also by
// the render thread). An instrument file that cannot be read, is no dictionary, has no
// sample list or holds envelope values that are no times is refused: the instrument then
// holds nothing, every note is silent, and error() and the log say why. Single samples
// that are refused are left out of the note table with a log line.
class QVInstrument {
public:
    static constexpr int kSlotCount = 130;
    static constexpr int kSticksSlot = 128;
    static constexpr int kClapSlot = 129;
    static constexpr qint64 kMaxFileBytes = 1 << 20;
    static constexpr int kMaxSamples = 1024;
    static constexpr float kMaxEnvelopeSeconds = 60.0f;

    // initWithPath: reads "instrument.plist" in the folder.
    explicit QVInstrument(const QString& path);

    QString path() const { return path_; }
    QString name() const { return name_; }
    float attack() const { return attack_; }
    float decay() const { return decay_; }
    float sustain() const { return sustain_; }
    float rel() const { return release_; }

    // The sample of a slot (0-129), or null (also for any other slot).
    const QVSample* sampleForNote(unsigned note) const;
    // The usable samples in file order.
    const std::vector<std::unique_ptr<QVSample>>& samples() const { return samples_; }
    bool isValid() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    QString description() const;

private:
    void read();
    QString readEnvelope(const QVariantMap& dictionary);
    void loadClicks();
    void refuse(const QString& reason);

    QString path_;
    QString name_;
    std::vector<std::unique_ptr<QVSample>> samples_;
    std::unique_ptr<QVSample> sticks_;
    std::unique_ptr<QVSample> clap_;
    std::array<const QVSample*, kSlotCount> notes_{};
    float attack_ = 0;
    float decay_ = 0;
    float sustain_ = 0;
    float release_ = 0;
    QString error_;
};
