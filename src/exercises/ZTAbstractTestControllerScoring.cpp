// Scoring of ZTAbstractTestController: answer sounds, the answered notifications, the
// statistics rows, tries, the auto-advance timer and the graph's data.
#include "ZTAbstractTestController.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Localization.h"
#include "Log.h"
#include "QVDateAdditions.h"
#include "SaturatingCast.h"
#include "ZTExamsController.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"
#include "ZTResultSoundPlayer.h"
#include "ZTUtils.h"

#include <QDateTime>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr float kResultSoundVolume = 0.7f;

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

QVariant itemObject(const QVariantMap& item)
{
    return item.isEmpty() ? QVariant() : QVariant(item);
}

// The first row's column, or nothing without a connection, a row or a value.
std::optional<double> firstValue(const QString& sql, const QVariantList& values, const QString& column)
{
    FMDatabase* db = ZTUtils::sharedDb();
    if (!db)
        return std::nullopt;
    auto rows = db->executeQuery(sql, values);
    if (!rows || !rows->next())
        return std::nullopt;
    const bool isNull = rows->stringForColumn(column).isNull();
    const double value = rows->doubleForColumn(column);
    rows->close();
    if (isNull)
        return std::nullopt;
    return value;
}

} // namespace

void ZTAbstractTestController::playResultSound(const QString& soundId) const
{
    ZTResultSoundPlayer::playSoundWithId(soundId, kResultSoundVolume);
}

void ZTAbstractTestController::reportAnswerRight(const QVariantMap& item)
{
    // Only a question in progress can be answered: a late report (a second click, a note
    // report after the end) must not score the same question twice.
    if (!currentTest_ || !testInProgress_)
        return;
    wrongNoteReport_.cancel();

    const QString sound = prefs()->soundRightAnswer();
    if (!sound.isEmpty())
        playResultSound(sound);
    testInProgress_ = false;
    startCountdownWhenFinishedPlaying_ = false;
    stopAnswerTime();

    NotificationCenter::defaultCenter().post(QStringLiteral("ZTTestItemAnsweredRightNotification"), this,
                                             itemObject(item));
    // An observer may have ended the question meanwhile (reset); nothing is left to score.
    if (!currentTest_)
        return;
    const int allowed = allowedTryouts();

    currentItem_ = QString();
    rightItem_ = currentTest_->translatedName();
    if (tableView_)
        tableView_->setTag(0);
    waitingForKeyboardInput_ = false;
    if (examsController_)
        examsController_->processRightAnswerWithItem(item, currentTest_.get());
    else
        writeStatistics(true, allowed);

    _startAutoPlayTimerIfSet();
    revealAnswer(true);
    _reportStatChanged();
    enteredNotes_.clear();
    reloadSidebar();
}

void ZTAbstractTestController::reportAnswerWrong(const QVariantMap& item)
{
    reportAnswerWrong(item, true);
}

void ZTAbstractTestController::reportAnswerWrong(const QVariantMap& item, bool startAutoplay)
{
    if (!currentTest_ || !testInProgress_) {
        wasAutowrong_ = false;
        return;
    }
    // Keep the question alive through the observers of the notification.
    const std::shared_ptr<ZTTest> question = currentTest_;
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTTestItemAnsweredWrongNotification"), this,
                                             itemObject(item));
    const int allowed = allowedTryouts();
    const QString sound = prefs()->soundWrongAnswer();
    if (!sound.isEmpty() && !wasAutowrong_)
        playResultSound(sound);

    currentItem_ = QString();
    if (numTryouts_ >= allowed - 1) {
        rightItem_ = question->translatedName();
        waitingForKeyboardInput_ = false;
        if (!examsController_)
            writeStatistics(false, numTryouts_);
    }
    ++numTryouts_;
    if (tableView_)
        tableView_->setTag(numTryouts_ < allowed ? 1 : 0);

    const bool ended = numTryouts_ >= allowed;
    if (ended) {
        wrongNoteReport_.cancel();
        revealAnswer(false);
    }
    enteredNotes_.clear();
    reloadSidebar();
    _reportStatChanged();
    if (examsController_)
        examsController_->processWrongAnswerWithItem(item, question.get(), ended);

    if (ended) {
        testInProgress_ = false;
        startCountdownWhenFinishedPlaying_ = false;
        stopAnswerTime();
        if (startAutoplay && !prefs()->autoplayCorrectAnswer())
            _startAutoPlayTimerIfSet();
    }
    wasAutowrong_ = false;
}

void ZTAbstractTestController::revealAnswer(bool rightAnswer)
{
    const std::shared_ptr<ZTMusicalTest> musical = currentMusicalTest();
    if (!musical || musical->noteCollectionObjects().isEmpty())
        return;
    if (instrumentView_)
        instrumentView_->setGreenNotesFromTestWithStep(instrumentView_->step());
    if (noteView_) {
        if (rightAnswer)
            noteView_->setShowNoteNames(showNoteNames());
        noteView_->showNotesFromTest();
    }
}

void ZTAbstractTestController::writeStatistics(bool right, qlonglong numTryoutsValue)
{
    // Rows are keyed by the question's own name; a question without one has nothing to file.
    const QString itemName = currentTest_ ? currentTest_->name() : QString();
    if (itemName.isEmpty())
        return;
    FMDatabase* db = ZTUtils::sharedDb();
    if (!db)
        return;
    const QString test = testName();

    // One answer is one change: the stats row and its results row are written together or not
    // at all, so that no crash or full disk leaves the two tables disagreeing.
    auto logNotRecorded = [&] {
        Log::line(QStringLiteral("The answer to \"%1\" could not be recorded: %2").arg(itemName, db->lastErrorMessage()));
    };
    if (!db->beginTransaction()) {
        logNotRecorded();
        return;
    }
    std::optional<std::pair<int, int>> counts;
    if (auto rows = db->executeQuery(QStringLiteral("SELECT right,wrong FROM stats WHERE testName=? AND itemName=?"),
                                     {test, itemName});
        rows && rows->next()) {
        counts = std::make_pair(rows->intForColumn(QStringLiteral("right")), rows->intForColumn(QStringLiteral("wrong")));
        rows->close();
    }
    // A count that reached the top stays there.
    auto oneMore = [](int count) { return count < std::numeric_limits<int>::max() ? count + 1 : count; };
    bool written = false;
    if (counts && right)
        written = db->executeUpdate(QStringLiteral("UPDATE stats set right=? WHERE testName=? AND itemName=?"),
                                    {oneMore(counts->first), test, itemName});
    else if (counts)
        written = db->executeUpdate(QStringLiteral("UPDATE stats set wrong=? WHERE testName=? AND itemName=?"),
                                    {oneMore(counts->second), test, itemName});
    else
        written = db->executeUpdate(QStringLiteral("INSERT into stats (testName, itemName, right, wrong) VALUES(?,?,?,?)"),
                                    {test, itemName, right ? 1 : 0, right ? 0 : 1});
    written = written
        && db->executeUpdate(
            QStringLiteral("INSERT into results (testName, itemName, result, numTryouts, date) VALUES(?,?,?,?,?)"),
            {test, itemName, right ? 1 : 0, int(numTryoutsValue), QVDateAdditions::ISODate(QDateTime::currentDateTime())});
    if (written && db->commit())
        return;
    logNotRecorded();
    db->rollback();
}

void ZTAbstractTestController::_startAutoPlayTimerIfSet()
{
    ZTPreferences* settings = prefs();
    if (!settings->autoPlay() || examsController_) {
        invalidateAutoTimer();
        return;
    }
    if (ZTMainWindowServices* window = mainWindow()) {
        if (ZTButtonControl* next = window->nextButton()) {
            next->setToolTip(localized(QStringLiteral("Stop auto play")));
            next->setImage(QStringLiteral("stopButton"));
            next->setAlternateImage(QStringLiteral("stopButtonHighlighted"));
        }
        if (ZTButtonControl* touchBar = window->touchBarNextButton())
            touchBar->setImage(QStringLiteral("stopButIcon"));
    }
    startAutoAdvance(settings->autoPlayTime());
}

void ZTAbstractTestController::startAutoAdvance(qint64 seconds)
{
    ZTCountDownControl* countDown = countDownView();
    if (countDown) {
        countDown->setValue(seconds);
        countDown->setColor(ZTColor::whiteColor());
        countDown->setIsAutoplayCountdown(true);
    }
    if (countdownsHeld_) {
        autoTimer_.cancel();
        heldAutoAdvance_ = seconds;
        heldAnswerTime_ = false;
        if (countDown)
            countDown->setHidden(false);
        return;
    }
    autoTimer_ = MainQueue::after(double(seconds), [this] { triggerNextTest(); });
    if (countDown)
        countDown->start();
}

void ZTAbstractTestController::holdCountdowns()
{
    if (countdownsHeld_)
        return;
    countdownsHeld_ = true;
    ZTCountDownControl* countDown = countDownView();
    const bool running = countDown && countDown->isRunning();
    if (autoTimer_.isValid()) {
        autoTimer_.cancel();
        // The digits say how long the pause still has: it goes on from them.
        heldAutoAdvance_ = running ? std::max<qint64>(1, countDown->value()) : qint64(prefs()->autoPlayTime());
    } else {
        heldAnswerTime_ = running && !countDown->isAutoplayCountdown();
    }
    if (running) {
        // Stopping hides the digits; they stay in view, standing still.
        countDown->stop();
        countDown->setHidden(false);
    }
}

void ZTAbstractTestController::releaseCountdowns()
{
    if (!countdownsHeld_)
        return;
    countdownsHeld_ = false;
    if (const std::optional<qint64> seconds = std::exchange(heldAutoAdvance_, std::nullopt))
        startAutoAdvance(*seconds);
    else if (std::exchange(heldAnswerTime_, false))
        startAnswerTime();
}

void ZTAbstractTestController::triggerNextTest()
{
    if (ZTCountDownControl* countDown = countDownView())
        countDown->stop();
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTTestItemTriggerNextTestNotification"), this);
}

void ZTAbstractTestController::countdownViewFinishedNotification()
{
    if (ZTCountDownControl* countDown = countDownView(); countDown && countDown->isAutoplayCountdown())
        return;
    if (!currentTest_ || !testInProgress_)
        return;
    numTryouts_ = allowedTryouts();
    reportAnswerWrong(currentTest_->item());
}

void ZTAbstractTestController::statsChangedNotification()
{
    _reportStatChanged();
}

void ZTAbstractTestController::_reportStatChanged()
{
    if (graph_) {
        graph_->reloadData();
        setupPlotSpace(graph_);
    }
    // An exam's answers go to the exam, not into the statistics: nothing of them is to sync.
    if (!examsController_)
        prefs()->setStatWasChangedDuringLastSync(true);
}

void ZTAbstractTestController::resetStats()
{
    if (FMDatabase* db = ZTUtils::sharedDb()) {
        db->executeUpdate(QStringLiteral("DELETE FROM stats WHERE testName=?"), {testName()});
        db->executeUpdate(QStringLiteral("DELETE FROM results WHERE testName=?"), {testName()});
    }
    _reportStatChanged();
}

// ---- Graph data ----

qlonglong ZTAbstractTestController::countForItem(const QString& itemName, bool right) const
{
    const QString column = right ? QStringLiteral("right") : QStringLiteral("wrong");
    return saturatingCast<qlonglong>(
        firstValue(QStringLiteral("SELECT right,wrong FROM stats WHERE testName=? AND itemName=?"), {testName(), itemName},
                   column)
            .value_or(0));
}

qlonglong ZTAbstractTestController::totalForColumn(bool right) const
{
    const QString sql = right ? QStringLiteral("SELECT sum(right) as sumAll FROM stats WHERE testName=?")
                              : QStringLiteral("SELECT sum(wrong) as sumAll FROM stats WHERE testName=?");
    return saturatingCast<qlonglong>(firstValue(sql, {testName()}, QStringLiteral("sumAll")).value_or(0));
}

qlonglong ZTAbstractTestController::numberOfRecordsForPlot() const
{
    return items_.size() + 2;
}

QVariant ZTAbstractTestController::numberForPlot(const QString& plotIdentifier, int field, qlonglong recordIndex) const
{
    if (field == 0)
        return recordIndex;
    if (recordIndex == 1)
        return QVariant();
    const bool right = plotIdentifier == QLatin1String("Right");
    if (recordIndex >= 2) {
        const qlonglong i = recordIndex - 2;
        if (i >= items_.size())
            return QVariant();
        return countForItem(items_.at(i).toMap().value(QStringLiteral("name")).toString(), right);
    }
    if (recordIndex != 0)
        return QVariant();
    const QString sumSql = right ? QStringLiteral("SELECT sum(right) as allSum FROM stats WHERE testName=?")
                                 : QStringLiteral("SELECT sum(wrong) as allSum FROM stats WHERE testName=?");
    const double sum = firstValue(sumSql, {testName()}, QStringLiteral("allSum")).value_or(0);
    const double maxAll = firstValue(QStringLiteral("SELECT MAX(sum(right),sum(wrong)) as maxAll FROM stats WHERE testName=?"),
                                     {testName()}, QStringLiteral("maxAll"))
                              .value_or(0);
    // Without any answer both totals are 0: the bar is empty, not 0 / 0.
    if (maxAll <= 0)
        return QVariant(0.0f);
    return QVariant(float(sum * _getMaxValForPlot() / maxAll));
}

std::optional<ZTColor> ZTAbstractTestController::barFillForBarPlot(const QString&, qlonglong) const
{
    return std::nullopt;
}

ZTGraphLabel ZTAbstractTestController::dataLabelForPlot(const QString& plotIdentifier, qlonglong recordIndex) const
{
    const bool right = plotIdentifier == QLatin1String("Right");
    qlonglong value = 0;
    if (recordIndex == 0)
        value = totalForColumn(right);
    else if (recordIndex >= 2 && recordIndex - 2 < items_.size())
        value = countForItem(items_.at(recordIndex - 2).toMap().value(QStringLiteral("name")).toString(), right);
    ZTGraphLabel label;
    label.text = QString::number(value);
    return label;
}

double ZTAbstractTestController::_getMaxValForPlot() const
{
    FMDatabase* db = ZTUtils::sharedDb();
    if (!db)
        return 0.0;
    auto rows = db->executeQuery(
        QStringLiteral("SELECT MAX(right) as maxright ,MAX(wrong) as maxwrong FROM stats WHERE testName=?"), {testName()});
    if (!rows || !rows->next())
        return 0.0;
    const double value = std::max(rows->doubleForColumn(QStringLiteral("maxright")),
                                  rows->doubleForColumn(QStringLiteral("maxwrong")));
    rows->close();
    return value;
}

void ZTAbstractTestController::setupPlotSpace(ZTGraphControl* graph) const
{
    if (!graph)
        return;
    graph->setPlotRanges(-0.75, double(items_.size() + 2) + 0.5, 0.0, _getMaxValForPlot() * 1.4);
}
