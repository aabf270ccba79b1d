#include "Log.h"

#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace Log {
namespace {
QMutex& sinkMutex()
{
    static QMutex mutex;
    return mutex;
}
Sink& currentSink()
{
    static Sink sink;
    return sink;
}
} // namespace

void line(const QString& message)
{
    QMutexLocker lock(&sinkMutex());
    if (currentSink()) {
        currentSink()(message);
        return;
    }
    const QByteArray bytes = message.toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
}

void setSink(Sink sink)
{
    QMutexLocker lock(&sinkMutex());
    currentSink() = std::move(sink);
}

} // namespace Log
