#include "BinaryPropertyListCheck.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace BinaryPropertyListCheck {
namespace {

constexpr std::uint64_t kHeaderSize = 8;
constexpr std::uint64_t kTrailerSize = 32;

// Object kinds by the high nibble of their marker byte.
constexpr int kAsciiString = 0x5;
constexpr int kUtf16String = 0x6;
constexpr int kArray = 0xA;
constexpr int kSet = 0xC;
constexpr int kDictionary = 0xD;
constexpr int kInteger = 0x1;

// A big-endian unsigned number of `width` bytes (1 to 8).
std::uint64_t bigEndian(const unsigned char* bytes, int width)
{
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

class Reader {
public:
    explicit Reader(const QByteArray& data)
        : bytes_(reinterpret_cast<const unsigned char*>(data.constData()))
        , size_(std::uint64_t(data.size()))
    {
    }

    QString check(const Limits& limits)
    {
        if (QString trailerProblem = readTrailer(); !trailerProblem.isNull())
            return trailerProblem;
        std::vector<std::pair<std::uint64_t, int>> pending{{top_, 1}};
        std::uint64_t visited = 0;
        while (!pending.empty()) {
            const auto [index, depth] = pending.back();
            pending.pop_back();
            ++visited;
            if (QString objectProblem = checkObject(index, depth, limits, pending); !objectProblem.isNull())
                return objectProblem;
            if (visited + pending.size() > limits.maxObjects)
                return QStringLiteral("more than %1 objects").arg(limits.maxObjects);
        }
        return QString();
    }

private:
    // A number of `width` bytes (1 to 8) at `at`, when it lies inside the object area.
    bool number(std::uint64_t at, int width, std::uint64_t& value) const
    {
        if (width < 1 || width > 8 || at > tableOffset_ || std::uint64_t(width) > tableOffset_ - at)
            return false;
        value = bigEndian(bytes_ + at, width);
        return true;
    }

    QString readTrailer()
    {
        if (size_ < kHeaderSize + kTrailerSize)
            return QStringLiteral("a binary property list too short for its trailer");
        const std::uint64_t trailer = size_ - kTrailerSize;
        offsetWidth_ = bytes_[trailer + 6];
        refWidth_ = bytes_[trailer + 7];
        count_ = bigEndian(bytes_ + trailer + 8, 8);
        top_ = bigEndian(bytes_ + trailer + 16, 8);
        tableOffset_ = bigEndian(bytes_ + trailer + 24, 8);
        const bool widthsFit = offsetWidth_ >= 1 && offsetWidth_ <= 8 && refWidth_ >= 1 && refWidth_ <= 8;
        const bool tableFits = tableOffset_ >= kHeaderSize && tableOffset_ <= trailer
            && count_ > 0 && count_ <= (trailer - tableOffset_) / std::uint64_t(std::max(offsetWidth_, 1));
        if (!widthsFit || !tableFits || top_ >= count_)
            return QStringLiteral("a damaged binary property list trailer");
        return QString();
    }

    // The object's offset from the offset table; 0 when it lies outside the object area.
    std::uint64_t offsetOf(std::uint64_t index) const
    {
        const std::uint64_t value = bigEndian(bytes_ + tableOffset_ + index * std::uint64_t(offsetWidth_), offsetWidth_);
        return value >= kHeaderSize && value < tableOffset_ ? value : 0;
    }

    // The count in the marker's low nibble, or in the integer object after it when that is 15.
    bool length(std::uint64_t at, std::uint64_t& count, std::uint64_t& body) const
    {
        const int nibble = bytes_[at] & 0x0F;
        body = at + 1;
        if (nibble != 0x0F) {
            count = std::uint64_t(nibble);
            return true;
        }
        if (body >= tableOffset_ || (bytes_[body] >> 4) != kInteger || (bytes_[body] & 0x0F) > 3)
            return false;
        const int width = 1 << (bytes_[body] & 0x0F);
        if (!number(body + 1, width, count))
            return false;
        body += 1 + std::uint64_t(width);
        return true;
    }

    QString checkObject(std::uint64_t index, int depth, const Limits& limits,
                        std::vector<std::pair<std::uint64_t, int>>& pending) const
    {
        const std::uint64_t at = offsetOf(index);
        if (at == 0)
            return QStringLiteral("an object offset outside the binary property list");
        const int kind = bytes_[at] >> 4;
        if (kind != kAsciiString && kind != kUtf16String && kind != kArray && kind != kSet && kind != kDictionary)
            return QString();
        std::uint64_t count = 0;
        std::uint64_t body = 0;
        if (!length(at, count, body))
            return QStringLiteral("a damaged object length in the binary property list");
        const std::uint64_t room = tableOffset_ - body;
        if (kind == kAsciiString || kind == kUtf16String) {
            const std::uint64_t unit = kind == kUtf16String ? 2 : 1;
            if (count > room / unit)
                return QStringLiteral("a string running past the end of the binary property list");
            for (std::uint64_t i = 0; i < count; ++i) {
                const bool nul = unit == 1 ? bytes_[body + i] == 0
                                           : (bytes_[body + 2 * i] == 0 && bytes_[body + 2 * i + 1] == 0);
                if (nul)
                    return QStringLiteral("a string holding a NUL character");
            }
            return QString();
        }
        if (depth > limits.maxDepth)
            return QStringLiteral("lists nested deeper than %1 levels").arg(limits.maxDepth);
        const std::uint64_t refs = kind == kDictionary ? 2 : 1;
        if (count > room / std::uint64_t(refWidth_) / refs)
            return QStringLiteral("a list running past the end of the binary property list");
        if (count * refs > limits.maxObjects)
            return QStringLiteral("more than %1 objects").arg(limits.maxObjects);
        for (std::uint64_t i = 0; i < count * refs; ++i) {
            const std::uint64_t child = bigEndian(bytes_ + body + i * std::uint64_t(refWidth_), refWidth_);
            if (child >= count_)
                return QStringLiteral("a reference to a missing object in the binary property list");
            pending.emplace_back(child, depth + 1);
        }
        return QString();
    }

    const unsigned char* bytes_;
    std::uint64_t size_;
    int offsetWidth_ = 0;
    int refWidth_ = 0;
    std::uint64_t count_ = 0;
    std::uint64_t top_ = 0;
    std::uint64_t tableOffset_ = 0;
};

} // namespace

QString problem(const QByteArray& data, const Limits& limits)
{
    return Reader(data).check(limits);
}

} // namespace BinaryPropertyListCheck
