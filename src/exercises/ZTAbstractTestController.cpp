#include "ZTAbstractTestController.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Localization.h"
#include "Log.h"
#include "RandomSource.h"
#include "ZTDataProvider.h"
#include "ZTException.h"
#include "ZTExamsController.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"
#include "ZTQuestionPlayer.h"
#include "ZTStringFormat.h"
#include "ZTUtils.h"

#include <QSet>

#include <algorithm>

namespace {

const QString kTranslatedName = QStringLiteral("translatedName");
const QString kName = QStringLiteral("name");

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

} // namespace

// ---- Class data ----

const QHash<QString, int>& ZTAbstractTestController::answerTimes()
{
    static const QHash<QString, int> table{
        {QStringLiteral("Unlimited"), 0}, {QStringLiteral("1 sec"), 1},   {QStringLiteral("2 sec"), 2},
        {QStringLiteral("3 sec"), 3},     {QStringLiteral("4 sec"), 4},   {QStringLiteral("5 sec"), 5},
        {QStringLiteral("6 sec"), 6},     {QStringLiteral("7 sec"), 7},   {QStringLiteral("8 sec"), 8},
        {QStringLiteral("9 sec"), 9},     {QStringLiteral("10 sec"), 10}, {QStringLiteral("15 sec"), 15},
        {QStringLiteral("20 sec"), 20},   {QStringLiteral("30 sec"), 30}, {QStringLiteral("40 sec"), 40},
        {QStringLiteral("50 sec"), 50},   {QStringLiteral("1 min"), 60}};
    return table;
}

QVariantList ZTAbstractTestController::classTranslateItems(const QVariantList& items)
{
    QVariantList translated;
    translated.reserve(items.size());
    for (const QVariant& entry : items) {
        QVariantMap item = entry.toMap();
        item.insert(kTranslatedName, localized(item.value(kName).toString()));
        translated.append(item);
    }
    return translated;
}

// ---- Creation ----

ZTAbstractTestController::ZTAbstractTestController() = default;

ZTAbstractTestController::~ZTAbstractTestController() = default;

void ZTAbstractTestController::initWithLevel(qlonglong level, ZTExamsController* examsController)
{
    examsController_ = examsController;
    answerTimes();
    keyboardPlayRightOrder_ = true;
    numTryouts_ = 0;
    setLevel(level);
    enteredNotes_.clear();

    observe(QStringLiteral("noteNamesTypeChangedNotification"), [this] { spellingTypeOrNoteNamesChangedNotification(); });
    observe(QStringLiteral("spellingTypeChangedNotification"), [this] { spellingTypeOrNoteNamesChangedNotification(); });
    observe(QStringLiteral("ZTSamplePlayerDidStopNotification"), [this] { samplePlayerDidStopNotification(); });
    observe(QStringLiteral("ZTCountdownViewFinishedNotification"), [this] { countdownViewFinishedNotification(); });
    observe(QStringLiteral("currentExerciseChangedNotification"), [this] { currentExerciseChangedNotification(); });
    observe(QStringLiteral("ZTStatsChangedNotification"), [this] { statsChangedNotification(); });
}

void ZTAbstractTestController::observe(const QString& notificationName, std::function<void()> handler)
{
    observers_.push_back(NotificationCenter::defaultCenter().addObserver(
        notificationName, [handler = std::move(handler)](const Notification&) { handler(); }));
}

// ---- Hooks ----

QString ZTAbstractTestController::testName() const
{
    return QString();
}

std::shared_ptr<ZTTest> ZTAbstractTestController::testForItem(const QVariantMap&)
{
    Log::line(QStringLiteral("ERROR: This should never called! Please overwrite!!"));
    return nullptr;
}

std::shared_ptr<ZTTest> ZTAbstractTestController::createTestForItem(const QVariantMap& item, const QVariant&)
{
    return testForItem(item);
}

QVariant ZTAbstractTestController::createUserInfoWithItem(const QVariantMap&)
{
    return QVariant();
}

std::shared_ptr<ZTTest> ZTAbstractTestController::playTestWithItem(const QVariantMap& item, const QVariant& userInfo)
{
    resetPlayButton();
    std::shared_ptr<ZTTest> test = createTestForItem(item, userInfo);
    if (test)
        playTest(test);
    return test;
}

void ZTAbstractTestController::playTest(const std::shared_ptr<ZTTest>& test)
{
    resetPlayButton();
    auto musical = std::dynamic_pointer_cast<ZTMusicalTest>(test);
    // A question shown on the staff has no sound (and no tempo) of its own, also when the
    // repeat key asks for it.
    if (!musical || !musical->hasAudio()) {
        announcePlaybackEnd();
        return;
    }
    playMusicalTest(*musical, prefs()->numberForKey(QStringLiteral("tempo"), testName()).toLongLong());
}

void ZTAbstractTestController::playMusicalTest(ZTMusicalTest& test, qlonglong beatsPerMinute)
{
    try {
        MusicSequence sequence = test.newMusicSequenceWithTempo(beatsPerMinute);
        std::shared_ptr<ZTQuestionPlayer> player = ZTQuestionPlayer::current();
        if (player && player->playSequence(std::move(sequence)))
            return;
    } catch (const ZTException& error) {
        Log::line(QStringLiteral("%1: %2").arg(error.name(), error.reason()));
    }
    announcePlaybackEnd();
}

void ZTAbstractTestController::announcePlaybackEnd()
{
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTSamplePlayerDidStopNotification"), this);
}

std::shared_ptr<ZTTest> ZTAbstractTestController::showTestWithItemOnStaff(const QVariantMap& item,
                                                                          const QVariant& userInfo)
{
    resetPlayButton();
    std::shared_ptr<ZTTest> test = createTestForItem(item, userInfo);
    if (!test)
        return nullptr;
    if (noteView_) {
        QList<ZTNoteCollection> shown;
        for (const ZTNoteCollection& collection : test->noteCollectionObjects())
            shown.append(collection.copy());
        noteView_->setNoteCollections(shown);
    }
    announcePlaybackEnd();
    return test;
}

bool ZTAbstractTestController::isAnswerRightForItem(const QVariantMap& item, const QVariant& userInfo)
{
    std::shared_ptr<ZTTest> answer = createTestForItem(item, userInfo);
    if (!answer || !currentTest_)
        return false;
    matchCurrentRootAndDirection(*answer);
    return answer->isEqualTo(*currentTest_);
}

QVariantList ZTAbstractTestController::translateItems(const QVariantList& items) const
{
    return classTranslateItems(items);
}

QString ZTAbstractTestController::questionString() const
{
    return localized(QStringLiteral("Select an answer! To repeat click  \u27F3 ."));
}

QString ZTAbstractTestController::questionSubString() const
{
    return ZTStringFormat::fill(localized(QStringLiteral("Choose an entry from the sidebar or play it with %@.")),
                                {instrumentName()});
}

QString ZTAbstractTestController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to start the next exercise!"));
}

QString ZTAbstractTestController::practiceMessage() const
{
    return localized(QStringLiteral("Click on any item in the sidebar to hear it"));
}

QString ZTAbstractTestController::rightResultString() const
{
    if (!currentTest_)
        return QString();
    const QString name = currentTest_->translatedName().isEmpty() ? currentTest_->name() : currentTest_->translatedName();
    const QString result = currentTest_->result();
    // A key without accidentals has nothing to show in brackets.
    if (result.isEmpty())
        return localized(name);
    return ZTStringFormat::fill(QStringLiteral("%@ (%@)"), {localized(name), result});
}

QString ZTAbstractTestController::spellingString() const
{
    return currentTest_ ? currentTest_->result() : QString();
}

bool ZTAbstractTestController::canDescending() const
{
    return false;
}

bool ZTAbstractTestController::hasItems() const
{
    return !items_.isEmpty();
}

QString ZTAbstractTestController::instrumentName()
{
    return prefs()->instrumentType() != 0 ? localized(QStringLiteral("the fretboard"))
                                          : localized(QStringLiteral("the keyboard"));
}

// ---- Settings, or the exam runner's values ----

int ZTAbstractTestController::allowedTryouts() const
{
    if (examsController_)
        return examsController_->numberOfTryoutsForCurrentTest();
    return prefs()->stringForKey(QStringLiteral("numTryouts"), testName()).trimmed().toInt();
}

QString ZTAbstractTestController::answerTimeTitle() const
{
    if (examsController_)
        return examsController_->answerTimeForCurrentTest();
    return prefs()->stringForKey(QStringLiteral("answerTime"), testName());
}

bool ZTAbstractTestController::showNoteNames() const
{
    if (examsController_)
        return examsController_->showNoteNameForCurrentTest();
    return prefs()->boolForKey(QStringLiteral("showNoteNames"), testName());
}

bool ZTAbstractTestController::showFirstNote() const
{
    if (examsController_)
        return examsController_->showfirstnoteForCurrentTest();
    return prefs()->boolForKey(QStringLiteral("showfirstnote"), testName());
}

std::pair<qlonglong, qlonglong> ZTAbstractTestController::baseNoteRange() const
{
    const QString range = examsController_ ? examsController_->basenoteForCurrentTest()
                                           : prefs()->stringForKey(QStringLiteral("basenote"), testName());
    const QStringList parts = range.split(QLatin1Char(','));
    return {parts.value(0).trimmed().toLongLong(), parts.value(1).trimmed().toLongLong()};
}

int ZTAbstractTestController::descendingSetting() const
{
    if (examsController_)
        return examsController_->descendingForCurrentTest();
    return prefs()->integerForKey(QStringLiteral("descending"), testName());
}

bool ZTAbstractTestController::isStaffQuestion() const
{
    return ZTDataProvider::sharedDataProvider()->questionTypeForTestWithName(testName()) == QLatin1String("staff");
}

bool ZTAbstractTestController::playDescending() const
{
    switch (descendingSetting()) {
    case 1:
        return true;
    case 2:
        return (RandomSource::shared().next() & 1u) == 0;
    default:
        return false;
    }
}

void ZTAbstractTestController::setUpMusicalTest(ZTMusicalTest& test) const
{
    test.setDescending(playDescending());
    test.setPlayMode(test.playModeWithString(prefs()->stringForKey(QStringLiteral("playmode"), testName())));
    drawRootFromBaseNoteRange(test);
}

std::shared_ptr<ZTTest> ZTAbstractTestController::musicalTestForItem(const QVariantMap& item)
{
    std::shared_ptr<ZTTest> test = testForItem(item);
    if (auto* musical = dynamic_cast<ZTMusicalTest*>(test.get()))
        setUpMusicalTest(*musical);
    return test;
}

void ZTAbstractTestController::drawRootFromBaseNoteRange(ZTMusicalTest& test) const
{
    const auto [low, high] = baseNoteRange();
    test.setRootNoteRange(ZTNoteRange{qulonglong(std::max<qlonglong>(low, 0)), qulonglong(std::max<qlonglong>(high - low, 0))});
    test.updateRootNote();
    test.resetNoteCollections();
}

void ZTAbstractTestController::matchCurrentRootAndDirection(ZTTest& test) const
{
    auto* answer = dynamic_cast<ZTMusicalTest*>(&test);
    auto* current = dynamic_cast<ZTMusicalTest*>(currentTest_.get());
    if (!answer || !current)
        return;
    answer->setRootNoteNr(current->rootNoteNr());
    answer->setDescending(current->descending());
    answer->resetNoteCollections();
}

std::shared_ptr<ZTMusicalTest> ZTAbstractTestController::currentMusicalTest() const
{
    return std::dynamic_pointer_cast<ZTMusicalTest>(currentTest_);
}

ZTMainWindowServices* ZTAbstractTestController::mainWindow()
{
    return ZTMainWindowServices::shared();
}

ZTCountDownControl* ZTAbstractTestController::countDownView()
{
    ZTMainWindowServices* window = mainWindow();
    return window ? window->countDownView() : nullptr;
}

void ZTAbstractTestController::stopInstrument()
{
    if (std::shared_ptr<ZTQuestionPlayer> player = ZTQuestionPlayer::current())
        player->stopPlayer();
}

void ZTAbstractTestController::reloadSidebar()
{
    if (tableView_)
        tableView_->reloadData();
}

// ---- Level ----

void ZTAbstractTestController::setLevel(qlonglong level)
{
    level_ = level;
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    const QStringList names = examsController_ ? examsController_->itemsForCurrentTest()
                                               : catalogue->itemsForTestWithName(testName(), int(level));
    const QSet<QString> wanted(names.cbegin(), names.cend());
    QVariantList kept;
    for (const QVariant& entry : catalogue->testWithName(testName()).value(QStringLiteral("items")).toList()) {
        if (wanted.contains(entry.toMap().value(kName).toString()))
            kept.append(entry);
    }
    items_ = translateItems(kept);
    // Items named anew (another note naming) rename the question being asked with its row.
    if (currentTest_) {
        for (const QVariant& entry : std::as_const(items_)) {
            const QVariantMap item = entry.toMap();
            if (item.value(kName).toString() == currentTest_->name())
                currentTest_->setTranslatedName(item.value(kTranslatedName).toString());
        }
    }
    reloadSidebar();
}

QVariantList ZTAbstractTestController::arrayForTableView() const
{
    return items_;
}

// ---- Choice of the next item ----

namespace {

// Item names, each item once plus extra copies by its share of wrong answers.
QStringList weightedPool(const QString& testName, const QVariantList& items)
{
    QStringList pool;
    for (const QVariant& entry : items) {
        const QVariantMap item = entry.toMap();
        if (item.contains(kName))
            pool.append(item.value(kName).toString());
    }
    if (pool.isEmpty())
        return pool;
    const QStringList names = pool;

    QSet<QString> answered;
    if (FMDatabase* db = ZTUtils::sharedDb()) {
        // One parameter per name: names are user text (custom items) and never part of the SQL.
        QStringList marks;
        marks.fill(QStringLiteral("?"), names.size());
        QVariantList values{testName};
        for (const QString& name : names)
            values.append(name);
        auto rows = db->executeQuery(
            QStringLiteral("SELECT itemName,right,wrong FROM stats WHERE testName=? AND itemName IN (%1)")
                .arg(marks.join(QLatin1Char(','))),
            values);
        while (rows && rows->next()) {
            const QString itemName = rows->stringForColumn(QStringLiteral("itemName"));
            answered.insert(itemName);
            const double right = rows->doubleForColumn(QStringLiteral("right"));
            const double wrong = rows->doubleForColumn(QStringLiteral("wrong"));
            if (right + wrong <= 0)
                continue;
            // The share of wrong answers in quarters. Counts from a damaged or edited file
            // (negative, infinite) weigh no more than always wrong and no less than never.
            const double share = wrong / (right + wrong);
            const long extra = share > 0 ? std::lround(std::min(share, 1.0) * 100.0 / 25.0) : 0;
            for (long k = 0; k < extra; ++k)
                pool.append(itemName);
        }
    }
    // Never asked weighs like always wrong.
    for (const QString& name : names) {
        if (!answered.contains(name))
            for (int k = 0; k < 4; ++k)
                pool.append(name);
    }
    return pool;
}

qlonglong indexOfItemNamed(const QString& name, const QVariantList& items)
{
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items.at(i).toMap().value(kName).toString() == name)
            return i;
    return -1;
}

} // namespace

qlonglong ZTAbstractTestController::_newIndex()
{
    const QStringList pool = weightedPool(testName(), items_);
    if (pool.isEmpty())
        return -1;
    return indexOfItemNamed(pool.at(RandomSource::shared().below(quint32(pool.size()))), items_);
}

qlonglong ZTAbstractTestController::createNextTestIndex()
{
    const qlonglong count = items_.size();
    if (count == 0)
        return -1;
    const qlonglong last = qlonglong(lastIndex_);
    // The statistics do not change between redraws, so the pool is read once.
    const QStringList pool = weightedPool(testName(), items_);
    QHash<QString, qlonglong> indexByName;
    bool canAvoidLast = false;
    for (const QString& name : pool) {
        if (!indexByName.contains(name))
            indexByName.insert(name, indexOfItemNamed(name, items_));
        canAvoidLast = canAvoidLast || indexByName.value(name) != last;
    }
    auto draw = [&]() -> qlonglong {
        return pool.isEmpty() ? -1 : indexByName.value(pool.at(RandomSource::shared().below(quint32(pool.size()))), -1);
    };

    qlonglong result = draw();
    if (result >= 0 && count >= 3 && canAvoidLast) {
        while (result == last)
            result = draw();
    }
    if (result < 0) {
        result = RandomSource::shared().below(quint32(count));
        while (count >= 3 && result == last)
            result = RandomSource::shared().below(quint32(count));
    }
    lastIndex_ = qulonglong(result);
    return result;
}

// ---- Question flow ----

void ZTAbstractTestController::nextTest()
{
    const int seconds = answerTimes().value(answerTimeTitle(), 0);
    ZTCountDownControl* countDown = countDownView();
    if (seconds < 1) {
        if (autoTimerIsValid()) {
            invalidateAutoTimer();
            if (countDown)
                countDown->stop();
        }
    } else {
        if (countDown) {
            countDown->stop();
            countDown->setHidden(false);
            countDown->setIsAutoplayCountdown(false);
            countDown->setValue(seconds);
            countDown->setColor(ZTColor::redColor());
        }
        startCountdownWhenFinishedPlaying_ = true;
    }

    // Whatever belonged to the previous question ends here.
    heldAnswerTime_ = false;
    wrongNoteReport_.cancel();
    isPlayingSelectedItem_ = false;
    enteredNotes_.clear();
    testInProgress_ = true;
    numTryouts_ = 0;

    const qlonglong index = createNextTestIndex();
    const QVariantMap item = index >= 0 && index < items_.size() ? items_.at(index).toMap() : QVariantMap();
    const QVariant userInfo = createUserInfoWithItem(item);
    std::shared_ptr<ZTTest> test = playTestWithItem(item, userInfo);
    if (!test) {
        endWithoutQuestion();
        return;
    }
    setCurrentTest(test);
    currentTestIndex_ = index;
    if (auto musical = std::dynamic_pointer_cast<ZTMusicalTest>(test)) {
        musical->setSpellingType(prefs()->spellingType());
        if (instrumentView_)
            instrumentView_->setMusicalTest(musical);
    }
    waitingForKeyboardInput_ = true;
    resetMarks();
}

void ZTAbstractTestController::endWithoutQuestion()
{
    testInProgress_ = false;
    startCountdownWhenFinishedPlaying_ = false;
    waitingForKeyboardInput_ = false;
    stopAnswerTime();
    setCurrentTest(nullptr);
    currentTestIndex_ = -1;
    resetMarks();
}

void ZTAbstractTestController::repeatTest()
{
    cancelAutoAdvance();
    if (currentTest_)
        playTest(currentTest_);
}

void ZTAbstractTestController::cancelAutoAdvance()
{
    if (!autoTimerIsValid())
        return;
    invalidateAutoTimer();
    if (ZTCountDownControl* countDown = countDownView())
        countDown->stop();
}

void ZTAbstractTestController::invalidateAutoTimer()
{
    autoTimer_.cancel();
    heldAutoAdvance_.reset();
}

void ZTAbstractTestController::startAnswerTime()
{
    ZTCountDownControl* countDown = countDownView();
    if (!countDown)
        return;
    countDown->setIsAutoplayCountdown(false);
    if (countdownsHeld_)
        heldAnswerTime_ = true;
    else
        countDown->start();
}

void ZTAbstractTestController::stopAnswerTime()
{
    heldAnswerTime_ = false;
    if (ZTCountDownControl* countDown = countDownView(); countDown && !countDown->isAutoplayCountdown())
        countDown->stop();
}

void ZTAbstractTestController::reset()
{
    invalidateAutoTimer();
    heldAnswerTime_ = false;
    wrongNoteReport_.cancel();
    isPlayingSelectedItem_ = false;
    startCountdownWhenFinishedPlaying_ = false;
    waitingForKeyboardInput_ = false;
    numTryouts_ = 0;
    currentTest_.reset();
    enteredNotes_.clear();
    resetMarks();
    resetPlayButton();
    testInProgress_ = false;
}

void ZTAbstractTestController::resetPlayButton()
{
    ZTMainWindowServices* window = mainWindow();
    if (!window)
        return;
    if (ZTButtonControl* next = window->nextButton()) {
        next->setImage(QStringLiteral("playButton"));
        next->setAlternateImage(QStringLiteral("playButtonHighlighted"));
        next->setToolTip(localized(QStringLiteral("Next question")));
    }
    if (ZTButtonControl* touchBar = window->touchBarNextButton())
        touchBar->setImage(QStringLiteral("playButIcon"));
}

void ZTAbstractTestController::setCurrentTest(std::shared_ptr<ZTTest> test)
{
    currentTest_ = std::move(test);
    if (auto musical = currentMusicalTest(); musical && noteView_) {
        noteView_->setShowNoteNames(showNoteNames());
        noteView_->setTest(musical);
    }
}

void ZTAbstractTestController::resetMarks()
{
    rightItem_ = QString();
    wrongItem_ = QString();
    if (instrumentView_)
        instrumentView_->unmarkAllNotes();
    if (noteView_) {
        noteView_->setShowNoteNames(showNoteNames());
        noteView_->resetNotes();
    }

    const std::shared_ptr<ZTMusicalTest> musical = currentMusicalTest();
    const QList<ZTNoteCollection> collections = musical ? musical->noteCollectionObjects() : QList<ZTNoteCollection>();
    const bool staff = isStaffQuestion();
    if (showFirstNote() && !collections.isEmpty() && collections.first().firstNote()) {
        const QVNote first = *collections.first().firstNote();
        if (instrumentView_)
            instrumentView_->markNoteGreen(first, 0);
        if (!staff && noteView_) {
            ZTNoteCollection shown;
            shown.addNote(first);
            shown.setName(QStringLiteral(""));
            noteView_->addNoteCollection(shown);
        }
    }

    reloadSidebar();
    if (graph_) {
        graph_->reloadData();
        setupPlotSpace(graph_);
    }

    if (musical && staff && !prefs()->practiceMode() && !collections.isEmpty() && noteView_)
        noteView_->showNotesFromTest();
}

void ZTAbstractTestController::playItemAtIndex(qlonglong index)
{
    if (index < 0 || index >= items_.size())
        return;
    playTestWithItem(items_.at(index).toMap(), QVariant());
}

// ---- Notifications ----

void ZTAbstractTestController::spellingTypeOrNoteNamesChangedNotification()
{
    if (instrumentView_)
        instrumentView_->setNeedsDisplay();
    if (auto musical = currentMusicalTest())
        musical->setSpellingType(prefs()->spellingType());
    if (noteView_)
        noteView_->setNeedsDisplay();
    if (graph_) {
        graph_->reloadData();
        setupPlotSpace(graph_);
    }
}

void ZTAbstractTestController::samplePlayerDidStopNotification()
{
    // The end of a clicked item played before it is judged. Only that playback judges the
    // click: a selection left from practice mode is no answer to a later question.
    if (isPlayingSelectedItem_) {
        isPlayingSelectedItem_ = false;
        waitingForKeyboardInput_ = testInProgress_;
        if (!prefs()->practiceMode() && !lastSelectedItem_.isEmpty())
            _reportAnswer();
        lastSelectedItem_.clear();
        lastUserInfo_ = QVariant();
        return;
    }
    ZTCountDownControl* countDown = countDownView();
    if (startCountdownWhenFinishedPlaying_ && countDown && !countDown->isHidden() && !countDown->isAutoplayCountdown()) {
        startCountdownWhenFinishedPlaying_ = false;
        startAnswerTime();
    }
}

void ZTAbstractTestController::currentExerciseChangedNotification()
{
    cancelAutoAdvance();
}

// ---- Encyclopedia ----

QUrl ZTAbstractTestController::getWikiURLForTestWithExerciseName(const QString& exerciseName,
                                                                 const QString& currentTestName) const
{
    const QString key = QStringLiteral("WIKI_") + exerciseName;
    const QString base = ZTUtils::urlEncode(localized(key));
    const QString itemKey = currentTestName.isEmpty() ? key : key + QStringLiteral("_") + currentTestName;
    const QString itemText = localized(itemKey);
    if (itemText != itemKey && !itemText.isEmpty())
        return QUrl(ZTUtils::urlEncode(itemText));
    if (base.startsWith(QLatin1String("http://")) || base.startsWith(QLatin1String("https://"))) {
        const QUrl url(base);
        if (url.isValid())
            return url;
    }
    return QUrl(ZTUtils::urlEncode(itemText));
}

QUrl ZTAbstractTestController::getWikiURLForCurrentTest() const
{
    return getWikiURLForTestWithExerciseName(testName(), currentTest_ ? currentTest_->name() : QString());
}
