#include "ViewTestSupport.h"

#include "FakeMIDIBackend.h"
#include "Image.h"
#include "Paths.h"
#include "YUp.h"
#include "YUpPainter.h"
#include "ZTMarkLettering.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"

#include <QDir>
#include <QHash>
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

QRegion ViewTest::markNameInk(const QString& name, const QRectF& yUpRect, double viewHeight)
{
    // Only the rectangle and a margin past anything a mark could spill (a long name at its
    // natural width, a sign below the line) are painted, shifted by whole pixels, so that each
    // pixel comes out as it does in the whole view.
    constexpr int kSideMargin = 40;
    constexpr int kTopAndBottomMargin = 10;
    const QRect area = YUp::toQt(yUpRect, viewHeight)
                           .toAlignedRect()
                           .adjusted(-kSideMargin, -kTopAndBottomMargin, kSideMargin, kTopAndBottomMargin);
    QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter qt(&image);
        qt.translate(-area.topLeft());
        YUpPainter painter(qt, viewHeight);
        ZTInstrumentViewBase::drawMarkName(painter, yUpRect, name, Qt::white);
    }
    constexpr int kQuarterCovered = 64;
    QRegion ink;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int runStart = x;
            while (x < image.width() && qAlpha(row[x]) >= kQuarterCovered)
                ++x;
            if (x > runStart)
                ink += QRect(area.left() + runStart, area.top() + y, x - runStart, 1);
        }
    }
    return ink;
}

QRect ViewTest::touchedPixels(const QRectF& yUpRect, double viewHeight)
{
    return YUp::toQt(yUpRect, viewHeight).toAlignedRect();
}

double ViewTest::naturalNameWidth(const QString& name)
{
    static QHash<QString, double> widths;
    if (!widths.contains(name))
        widths.insert(name, ZTMarkLettering(name, ZTInstrumentViewBase::markFont()).outline().boundingRect().width());
    return widths.value(name);
}

QString ViewTest::drawnNameProblem(const ZTInstrumentViewBase::MarkLabel& label, double viewHeight,
                                   double leastWidthShare)
{
    const QRegion ink = markNameInk(label.name, label.textRect, viewHeight);
    if (ink.isEmpty())
        return QStringLiteral("no ink");
    if (!touchedPixels(label.textRect, viewHeight).contains(ink.boundingRect()))
        return QStringLiteral("ink outside the text rectangle");
    const double share = double(ink.boundingRect().width()) / naturalNameWidth(label.name);
    if (share < leastWidthShare)
        return QStringLiteral("set at %1 of its width").arg(share, 0, 'f', 2);
    return {};
}
