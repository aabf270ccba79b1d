#include "ViewTestSupport.h"

#include "FakeMIDIBackend.h"
#include "Image.h"
#include "Paths.h"
#include "YUp.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cmath>

void ViewTest::SetUp()
{
    environment_ = std::make_unique<TestEnvironment>();
    ZTPreferences::resetSharedForTesting();
    Image::clearCache();
    static bool backendSet = false;
    if (!backendSet) {
        ZTMIDIController::setSharedBackendFactory([] { return std::make_shared<FakeMIDIBackend>(); });
        backendSet = true;
    }
    instrument_ = std::make_shared<RecordingInstrument>();
    ZTMIDIController::sharedInstance()->setInstrument(instrument_);
}

void ViewTest::TearDown()
{
    ZTMIDIController::sharedInstance()->setInstrument(nullptr);
    ZTMusicInstumentProtocol::setStepViewProvider({});
    environment_.reset();
}

QVNote ViewTest::altered(qint64 letterNr, qint64 offset)
{
    QVNote result = note(letterNr);
    result.setOffset(result.offset() + offset);
    result.setNr(result.nr() + offset);
    return result;
}

ZTNoteCollection ViewTest::group(std::initializer_list<qint64> nrs)
{
    ZTNoteCollection collection;
    for (const qint64 nr : nrs)
        collection.addNote(note(nr));
    if (collection.firstNote())
        collection.setName(collection.firstNote()->nameWithSpellingType(QStringLiteral("MIDI"), QStringLiteral("International")));
    return collection;
}

void ViewTest::saveShot(QWidget* widget, const QString& name, double scale)
{
    const QString folder = QDir(Paths::resourcesFolder()).absoluteFilePath(QStringLiteral("../view-shots"));
    QDir().mkpath(folder);
    QImage picture(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(scale);
    picture.fill(Qt::transparent);
    widget->render(&picture);
    EXPECT_TRUE(picture.save(folder + QLatin1Char('/') + name + QStringLiteral(".png")));
}

QColor ViewTest::colorAt(QWidget* widget, const QPointF& yUpPoint)
{
    QImage picture(widget->size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    widget->render(&picture);
    const QPointF qt = YUp::toQt(yUpPoint, widget->height());
    return picture.pixelColor(int(std::floor(qt.x())), int(std::floor(qt.y())));
}

QPoint ViewTest::qtPoint(const QWidget* widget, const QPointF& yUpPoint)
{
    return YUp::toQt(yUpPoint, widget->height()).toPoint();
}
