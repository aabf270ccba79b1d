#pragma once

// Fakes of the main window, the instrument and the answer sounds, and a fixture with fresh
// settings, the bundle's catalogue, an open statistics database and a manual main queue.
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "RandomSource.h"
#include "TestEnvironment.h"
#include "ZTAbstractTestController.h"
#include "ZTDataProvider.h"
#include "ZTMainWindowServices.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"
#include "ZTQuestionPlayer.h"
#include "ZTResultSoundPlayer.h"
#include "ZTUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

struct FakeCountDown : ZTCountDownControl {
    void start() override
    {
        running = true;
        hidden = false;
        ++starts;
    }
    void stop() override
    {
        running = false;
        hidden = true;
    }
    void setValue(qint64 seconds) override { shown = seconds; }
    qint64 value() const override { return shown; }
    bool isRunning() const override { return running; }
    void setColor(const ZTColor& c) override { color = c; }
    bool isAutoplayCountdown() const override { return autoplay; }
    void setIsAutoplayCountdown(bool a) override { autoplay = a; }
    bool isHidden() const override { return hidden; }
    void setHidden(bool h) override { hidden = h; }

    bool running = false;
    bool hidden = true;
    bool autoplay = false;
    qint64 shown = 0;
    ZTColor color;
    int starts = 0;
};

struct FakeButton : ZTButtonControl {
    void setImage(const QString& name) override { image = name; }
    void setAlternateImage(const QString& name) override { alternateImage = name; }
    void setToolTip(const QString& text) override { toolTip = text; }
    QString image, alternateImage, toolTip;
};

struct FakeStepView : ZTStepViewControl {
    void setNumSteps(qint64 n) override { numSteps = n; }
    void setHidden(bool h) override { hidden = h; }
    void setCurrentStep(qint64 s) override { currentStep = s; }
    void setEnabled(bool e) override { enabled = e; }
    qint64 numSteps = 0, currentStep = 0;
    bool hidden = true, enabled = true;
};

struct FakeInstrumentView : ZTInstrumentViewControl {
    void unmarkAllNotes() override
    {
        green.clear();
        red.clear();
    }
    void markNoteGreen(const QVNote& note, qint64 position) override { green.push_back({note.nr(), position}); }
    void markNoteRed(const QVNote& note, qint64 position) override { red.push_back({note.nr(), position}); }
    void setGreenNotesFromTestWithStep(qint64 s) override { revealedAtStep = s; }
    void setMusicalTest(std::shared_ptr<ZTMusicalTest> t) override { test = std::move(t); }
    qint64 step() const override { return step_; }
    void setStep(qint64 s) override { step_ = s; }
    void setNeedsDisplay() override {}

    std::vector<std::pair<qint64, qint64>> green, red; // (note number, position)
    std::optional<qint64> revealedAtStep;
    std::shared_ptr<ZTMusicalTest> test;
    qint64 step_ = 0;
};

struct FakeStaff : ZTStaffControl {
    void setTest(std::shared_ptr<ZTMusicalTest> t) override { test = std::move(t); }
    void setShowNoteNames(bool show) override { showNoteNames = show; }
    void resetNotes() override { collections.clear(); }
    void addNoteCollection(const ZTNoteCollection& c) override { collections.append(c); }
    void setNoteCollections(const QList<ZTNoteCollection>& c) override { collections = c; }
    void showNotesFromTest() override { ++shownFromTest; }
    void showSignatureWithNr(qint64) override {}
    void setNeedsDisplay() override {}

    std::shared_ptr<ZTMusicalTest> test;
    QList<ZTNoteCollection> collections;
    bool showNoteNames = false;
    int shownFromTest = 0;
};

struct FakeSidebar : ZTSidebarControl {
    int tag() const override { return tag_; }
    void setTag(int t) override { tag_ = t; }
    void reloadData() override { ++reloads; }
    qint64 selectedRow() const override { return selected; }
    void deselectAll() override { selected = -1; }
    int tag_ = 1;
    int reloads = 0;
    qint64 selected = -1;
};

struct FakeGraph : ZTGraphControl {
    void reloadData() override { ++reloads; }
    void setPlotRanges(double xl, double xn, double yl, double yn) override { ranges = {xl, xn, yl, yn}; }
    int reloads = 0;
    std::vector<double> ranges;
};

struct FakeMainWindow : ZTMainWindowServices {
    ZTCountDownControl* countDownView() override { return &countDown; }
    ZTButtonControl* nextButton() override { return &next; }
    ZTButtonControl* touchBarNextButton() override { return &touchBar; }
    ZTStepViewControl* chordProgressionStepView() override { return &steps; }
    ZTInstrumentViewControl* instrumentView() override { return &instrument; }
    void loadWebView() override { ++webLoads; }

    FakeCountDown countDown;
    FakeButton next, touchBar;
    FakeStepView steps;
    FakeInstrumentView instrument;
    int webLoads = 0;
};

struct FakeQuestionPlayer : ZTQuestionPlayer {
    bool playSequence(MusicSequence sequence) override
    {
        if (!hasInstrument)
            return false;
        played.push_back(std::move(sequence));
        return true;
    }
    void stopPlayer() override { ++stops; }
    bool hasInstrument = true;
    std::vector<MusicSequence> played;
    int stops = 0;
};

struct FakeSoundPlayer : ZTResultSoundPlayer {
    void playSoundFile(const QString& path, float volume) override { sounds.push_back({path, volume}); }
    std::vector<std::pair<QString, float>> sounds;
};

// Counts notifications by name while alive.
class PostedNotifications {
public:
    explicit PostedNotifications(const QStringList& names)
    {
        for (const QString& name : names)
            observers_.push_back(NotificationCenter::defaultCenter().addObserver(
                name, [this](const Notification& n) { posted.push_back(n); }));
    }
    int count(const QString& name) const
    {
        int n = 0;
        for (const Notification& notification : posted)
            n += notification.name == name;
        return n;
    }
    std::vector<Notification> posted;

private:
    std::vector<NotificationObserver> observers_;
};

struct ResultRow {
    QString itemName;
    int result = 0;
    int numTryouts = 0;
    QString date;
};

class EngineTest : public ::testing::Test {
protected:
    static inline const QString kRight = QStringLiteral("ZTTestItemAnsweredRightNotification");
    static inline const QString kWrong = QStringLiteral("ZTTestItemAnsweredWrongNotification");
    static inline const QString kTrigger = QStringLiteral("ZTTestItemTriggerNextTestNotification");

    void SetUp() override
    {
        ZTPreferences::setMIDIEndpointLookup({});
        ZTMusicalTest::setMIDIOutputEndpointCheck({});
        ZTPreferences::resetSharedForTesting();
        ZTDataProvider::sharedDataProvider()->setup();
        ZTUtils::resetSharedDbForTesting();
        ASSERT_TRUE(db() && db()->open());
        RandomSource::shared().seed(11);
        ZTMainWindowServices::setShared(&window);
        ZTQuestionPlayer::setCurrent(player);
        ZTResultSoundPlayer::setShared(sounds);
        // Auto-advance is on by default; the tests that need it turn it on again.
        prefs()->setAutoPlay(false);
    }
    void TearDown() override
    {
        controller.reset();
        ZTMainWindowServices::setShared(nullptr);
        ZTQuestionPlayer::setCurrent(nullptr);
        ZTResultSoundPlayer::setShared(nullptr);
        ZTUtils::resetSharedDbForTesting();
        ZTPreferences::resetSharedForTesting();
        ZTDataProvider::sharedDataProvider()->setup();
    }

    static ZTPreferences* prefs() { return ZTPreferences::sharedPreferences(); }
    static FMDatabase* db() { return ZTUtils::sharedDb(); }

    template <typename T>
    T* make(qlonglong level = 0)
    {
        controller.reset();
        auto made = ZTAbstractTestController::create<T>(level);
        T* raw = made.get();
        controller = std::move(made);
        controller->setTableView(&sidebar);
        controller->setNoteView(&staff);
        controller->setInstrumentView(&window.instrument);
        controller->setGraph(&graph);
        return raw;
    }

    // A custom level of the exercise holding these items; returns its level index.
    static qlonglong addCustomLevel(const QString& test, const QStringList& items, const QString& name = "Mine")
    {
        prefs()->addCustomLevel(QVariantMap{{"name", name}, {"items", QVariant(items).toList()}}, test);
        ZTDataProvider::sharedDataProvider()->setup();
        return ZTDataProvider::sharedDataProvider()->levelIndexForName("custom_" + name, test);
    }

    static void addStats(const QString& test, const QString& item, int right, int wrong)
    {
        ASSERT_TRUE(db()->executeUpdate("INSERT into stats (testName, itemName, right, wrong) VALUES(?,?,?,?)",
                                        {test, item, right, wrong}));
    }
    static std::optional<std::pair<int, int>> stats(const QString& test, const QString& item)
    {
        auto rows = db()->executeQuery("SELECT right,wrong FROM stats WHERE testName=? AND itemName=?", {test, item});
        if (!rows || !rows->next())
            return std::nullopt;
        std::pair<int, int> counts{rows->intForColumn("right"), rows->intForColumn("wrong")};
        rows->close();
        return counts;
    }
    static std::vector<ResultRow> results(const QString& test)
    {
        std::vector<ResultRow> list;
        auto rows = db()->executeQuery("SELECT itemName,result,numTryouts,date FROM results WHERE testName=? ORDER BY rowid",
                                       {test});
        while (rows && rows->next())
            list.push_back({rows->stringForColumn("itemName"), rows->intForColumn("result"),
                            rows->intForColumn("numTryouts"), rows->stringForColumn("date")});
        return list;
    }
    static int statsRowCount()
    {
        auto rows = db()->executeQuery("SELECT count(*) AS n FROM stats");
        const int n = rows && rows->next() ? rows->intForColumn("n") : -1;
        if (rows)
            rows->close();
        return n;
    }

    // The sidebar row of the item with that name.
    qlonglong rowOf(const QString& itemName) const
    {
        const QVariantList rows = controller->arrayForTableView();
        for (qsizetype i = 0; i < rows.size(); ++i)
            if (rows.at(i).toMap().value("name").toString() == itemName)
                return i;
        ADD_FAILURE() << "no row " << itemName.toStdString();
        return -1;
    }
    void click(const QString& itemName, const QVariant& userInfo = {})
    {
        controller->tableViewClickedWithRow(rowOf(itemName), userInfo);
    }
    QString currentName() const { return controller->currentTest() ? controller->currentTest()->name() : QString(); }
    // Some item of the level other than the current question's.
    QString otherItemName() const
    {
        for (const QVariant& item : controller->items())
            if (item.toMap().value("name").toString() != currentName())
                return item.toMap().value("name").toString();
        return {};
    }
    // The end of playback as the MIDI hub announces it.
    static void finishPlayback()
    {
        NotificationCenter::defaultCenter().post(QStringLiteral("ZTSamplePlayerDidStopNotification"));
    }
    // The main window's skip of a question in progress.
    void skip()
    {
        controller->setNumTryouts(prefs()->stringForKey("numTryouts", controller->testName()).toInt());
        controller->setWasAutowrong(true);
        controller->reportAnswerWrong(controller->currentTest()->item(), false);
    }
    std::vector<qlonglong> firstNoteNumbers() const
    {
        std::vector<qlonglong> numbers;
        for (const ZTNoteCollection& c : controller->currentTest()->noteCollectionObjects())
            numbers.push_back(c.firstNote()->nr());
        return numbers;
    }

    TestEnvironment env;
    ManualMainQueue queue;
    FakeMainWindow window;
    FakeSidebar sidebar;
    FakeStaff staff;
    FakeGraph graph;
    std::shared_ptr<FakeQuestionPlayer> player = std::make_shared<FakeQuestionPlayer>();
    std::shared_ptr<FakeSoundPlayer> sounds = std::make_shared<FakeSoundPlayer>();
    std::unique_ptr<ZTAbstractTestController> controller;
};
