#include "QVInstrument.h"

#include "Log.h"
#include "Paths.h"
#include "PlistValues.h"
#include "ZTSoundBank.h"

#include <cmath>

namespace {

// The click samples every instrument carries. Their reference pitches are those of notes
// 127 and 128, so in slots 128 and 129 they sound a semitone above the recording.
QVariantMap clickDictionary(const char* fileName, double frequency, int slot)
{
    return {
        {QStringLiteral("fileName"), QString::fromLatin1(fileName)},
        {QStringLiteral("frequency"), frequency},
        {QStringLiteral("amplitude"), 1},
        {QStringLiteral("loopStart"), 0},
        {QStringLiteral("loopLength"), 0},
        {QStringLiteral("noteStart"), slot},
        {QStringLiteral("noteLength"), 1},
        {QStringLiteral("sampleRate"), 44100},
        {QStringLiteral("sampleBits"), 16},
        {QStringLiteral("numChannels"), 1},
    };
}

} // namespace

QVInstrument::QVInstrument(const QString& path)
    : path_(path)
{
    read();
    if (!error_.isEmpty())
        Log::line(QStringLiteral("The instrument \"%1\" is refused: %2.").arg(path_, error_));
}

void QVInstrument::read()
{
    if (path_.isEmpty())
        return refuse(QStringLiteral("it has no folder"));
    QString error;
    const std::optional<QVariant> root =
        ZTSoundBank::readPropertyList(path_ + QStringLiteral("/instrument.plist"), kMaxFileBytes, &error);
    if (!root)
        return refuse(QStringLiteral("instrument.plist %1").arg(error));
    if (root->typeId() != QMetaType::QVariantMap)
        return refuse(QStringLiteral("instrument.plist holds no dictionary"));
    const QVariantMap dictionary = root->toMap();
    const QVariant list = dictionary.value(QStringLiteral("samples"));
    if (list.typeId() != QMetaType::QVariantList)
        return refuse(QStringLiteral("instrument.plist has no \"samples\" list"));
    if (list.toList().size() > kMaxSamples)
        return refuse(QStringLiteral("instrument.plist lists more than %1 samples").arg(kMaxSamples));
    const QString envelopeError = readEnvelope(dictionary);
    if (!envelopeError.isEmpty())
        return refuse(envelopeError);

    name_ = dictionary.value(QStringLiteral("name")).toString();
    int position = 0;
    for (const QVariant& entry : list.toList()) {
        ++position;
        if (entry.typeId() != QMetaType::QVariantMap) {
            Log::line(QStringLiteral("The instrument \"%1\": sample %2 is no dictionary; left out.").arg(path_).arg(position));
            continue;
        }
        auto sample = std::make_unique<QVSample>(path_, entry.toMap());
        if (!sample->isUsable()) {
            Log::line(QStringLiteral("The instrument \"%1\": sample %2 is refused: %3.")
                          .arg(path_)
                          .arg(position)
                          .arg(sample->error()));
            continue;
        }
        samples_.push_back(std::move(sample));
    }
    if (samples_.empty())
        return refuse(QStringLiteral("it has no sample that can play"));

    for (int note = 0; note < 128; ++note) {
        for (const auto& sample : samples_) {
            if (sample->noteRange().contains(note)) {
                notes_[note] = sample.get();
                break;
            }
        }
    }
    loadClicks();
}

QString QVInstrument::readEnvelope(const QVariantMap& dictionary)
{
    attack_ = PlistValues::toFloat(dictionary.value(QStringLiteral("attack")));
    decay_ = PlistValues::toFloat(dictionary.value(QStringLiteral("decay")));
    sustain_ = PlistValues::toFloat(dictionary.value(QStringLiteral("sustain")));
    release_ = PlistValues::toFloat(dictionary.value(QStringLiteral("release")));
    for (float time : {attack_, decay_, release_}) {
        if (!(time >= 0.0f && time <= kMaxEnvelopeSeconds))
            return QStringLiteral("the envelope time %1 is not between 0 and %2 seconds")
                .arg(double(time))
                .arg(double(kMaxEnvelopeSeconds));
    }
    if (!(sustain_ >= 0.0f && sustain_ <= 1.0f))
        return QStringLiteral("the sustain level %1 is not between 0 and 1").arg(double(sustain_));
    return {};
}

void QVInstrument::loadClicks()
{
    const QString root = Paths::resourcesFolder();
    sticks_ = std::make_unique<QVSample>(root, clickDictionary("Sticks.raw", 12543.9, kSticksSlot));
    clap_ = std::make_unique<QVSample>(root, clickDictionary("Clap.raw", 13289.8, kClapSlot));
    for (const QVSample* click : {sticks_.get(), clap_.get()}) {
        if (!click->isUsable())
            Log::line(QStringLiteral("The click sample is refused: %1.").arg(click->error()));
    }
    notes_[kSticksSlot] = sticks_->isUsable() ? sticks_.get() : nullptr;
    notes_[kClapSlot] = clap_->isUsable() ? clap_.get() : nullptr;
}

void QVInstrument::refuse(const QString& reason)
{
    error_ = reason;
    name_.clear();
    samples_.clear();
    notes_.fill(nullptr);
    attack_ = decay_ = sustain_ = release_ = 0;
}

const QVSample* QVInstrument::sampleForNote(unsigned note) const
{
    return note < unsigned(kSlotCount) ? notes_[note] : nullptr;
}

QString QVInstrument::description() const
{
    QStringList samples;
    for (const auto& sample : samples_)
        samples << sample->description();
    return QStringLiteral("Name: %1   Path: %2\nSamples: (%3)").arg(name_, path_, samples.join(QStringLiteral(",\n")));
}
