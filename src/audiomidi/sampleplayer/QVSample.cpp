#include "QVSample.h"

#include "PlistValues.h"

#include <QFile>

namespace {

// Above the highest MIDI note's pitch with room to spare; below it is any positive value.
constexpr float kHighestFrequency = 100000.0f;

bool isSafeFileName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

} // namespace

QVSample::QVSample(const QString& rootDir, const QVariantMap& dictionary)
    : rootDir_(rootDir)
{
    auto integer = [&](const char* key) { return PlistValues::toInteger(dictionary.value(QLatin1String(key))); };
    fileName_ = dictionary.value(QStringLiteral("fileName")).toString();
    frequency_ = PlistValues::toFloat(dictionary.value(QStringLiteral("frequency")));
    amplitude_ = PlistValues::toFloat(dictionary.value(QStringLiteral("amplitude")));
    loopRange_ = {integer("loopStart"), integer("loopLength")};
    noteRange_ = {integer("noteStart"), integer("noteLength")};
    sampleRate_ = integer("sampleRate");
    sampleBits_ = integer("sampleBits");
    numChannels_ = integer("numChannels");
    error_ = refusal();
    if (error_.isEmpty())
        load();
}

QString QVSample::refusal() const
{
    if (!isSafeFileName(fileName_))
        return QStringLiteral("the file name \"%1\" is no plain file name").arg(fileName_);
    if (!(frequency_ > 0.0f && frequency_ < kHighestFrequency))
        return QStringLiteral("the frequency %1 is no pitch").arg(double(frequency_));
    if (loopRange_.location < 0 || loopRange_.length < 0)
        return QStringLiteral("the loop (start %1, length %2) has a negative point")
            .arg(loopRange_.location)
            .arg(loopRange_.length);
    if (loopRange_.length == 1)
        return QStringLiteral("the loop at %1 is a single frame long").arg(loopRange_.location);
    // The voice reads two bytes per frame; any other width would be read past its end.
    if (sampleBits_ != kBitsPerSample)
        return QStringLiteral("it has %1 bits per sample; only 16-bit samples play").arg(sampleBits_);
    return {};
}

void QVSample::refuse(const QString& reason)
{
    error_ = reason;
    frames_.clear();
    frames_.shrink_to_fit();
}

bool QVSample::load()
{
    if (!refusal().isEmpty())
        return false;
    frames_.clear();
    size_ = 0;
    QFile file(rootDir_ + QLatin1Char('/') + fileName_);
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(QStringLiteral("the file \"%1\" cannot be read (%2)").arg(file.fileName(), file.errorString()));
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        refuse(QStringLiteral("the file \"%1\" is larger than %2 bytes").arg(file.fileName()).arg(kMaxFileBytes));
        return false;
    }
    const QByteArray bytes = file.readAll();
    size_ = bytes.size();
    if (size_ % 2 != 0) {
        refuse(QStringLiteral("the file \"%1\" is cut off in the middle of a frame (%2 bytes)")
                   .arg(file.fileName())
                   .arg(size_));
        return false;
    }
    const std::int64_t count = size_ / 2;
    const std::int64_t loopEnd = loopRange_.location + loopRange_.length;
    if (loopRange_.length > 0 && loopEnd > count) {
        refuse(QStringLiteral("the file \"%1\" holds %2 frames, fewer than its loop needs (%3)")
                   .arg(file.fileName())
                   .arg(count)
                   .arg(loopEnd));
        return false;
    }
    frames_.resize(std::size_t(count));
    const auto* raw = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (std::int64_t i = 0; i < count; ++i)
        frames_[std::size_t(i)] = std::int16_t(std::uint16_t(raw[2 * i] | (raw[2 * i + 1] << 8)));
    error_.clear();
    return true;
}

QString QVSample::description() const
{
    return QString::asprintf("fileName:%s\nfrequency:%f,\namplitude:%f,loopStart:%ld  loopLenght:%ld\n"
                             "noteStart:%ld  noteLength:%ld\nlooping:%d\nsampleRate:%ld\nsampleBits:%ld\n"
                             "numSamples:%ld\nsize:%ld",
                             fileName_.toUtf8().constData(), double(frequency_), double(amplitude_),
                             long(loopRange_.location), long(loopRange_.length), long(noteRange_.location),
                             long(noteRange_.length), int(looping()), long(sampleRate_), long(sampleBits_),
                             long(numSamples()), long(size_));
}
