// The level choice, practice mode and play direction of the exercise screen.
#include "ZTMainViewController.h"

#include "ImageButton.h"
#include "Localization.h"
#include "ZTAbstractTestController.h"
#include "ZTAppDelegate.h"
#include "ZTCountDownView.h"
#include "ZTDataProvider.h"
#include "ZTNoteView.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTTest.h"

#include <QAction>
#include <QMenu>

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

// Menu items go away only after the event in hand: a rebuild may run inside one of their actions.
void clearMenu(QMenu* menu)
{
    if (!menu)
        return;
    for (QAction* action : menu->actions()) {
        menu->removeAction(action);
        if (action->parent() == menu)
            action->deleteLater();
    }
}

} // namespace

// ---- Levels ----

QList<QVariantMap> ZTMainViewController::levelRecords() const
{
    QList<QVariantMap> records;
    if (!currentLessonController_)
        return records;
    for (const QVariant& level : catalogue()->levels().value(currentLessonController_->testName()).toList())
        records << level.toMap();
    return records;
}

void ZTMainViewController::_setupLevelsMenu()
{
    const QList<QVariantMap> levels = levelRecords();
    const int current = _levelIndexForCurrentTest();
    levelPopupButton_->removeAllItems();
    QMenu* menu = appDelegate_ ? appDelegate_->levelMenu() : nullptr;
    clearMenu(menu);
    for (int i = 0; i < levels.size(); ++i) {
        const QString name = levels[i].value(QStringLiteral("name")).toString();
        levelPopupButton_->addItemWithTitle(name);
        if (menu) {
            QAction* item = menu->addAction(name);
            item->setCheckable(true);
            item->setChecked(i == current);
            item->setData(i);
            // The check mark follows the stored level, not the click.
            connect(item, &QAction::triggered, this, [this, item, i](bool checked) {
                item->setChecked(!checked);
                levelAction(i);
            });
        }
    }
    if (menu) {
        menu->addSeparator();
        QAction* edit = menu->addAction(localized(QStringLiteral("Edit Levels …")));
        edit->setObjectName(QStringLiteral("newLevelAction"));
        connect(edit, &QAction::triggered, this, [this] { newLevelAction(); });
    }
    levelPopupButton_->selectItemAtIndex(current);
    levelPopupButton_->setLabelText(levelPopupButton_->titleOfSelectedItem());
    sizePopupButtons();
}

void ZTMainViewController::sizePopupButtons()
{
    QStringList exercises;
    for (int i = 0; i < exercisePopupButton_->numberOfItems(); ++i)
        exercises << exercisePopupButton_->itemTitleAtIndex(i);
    QStringList levels;
    for (const QVariant& exerciseLevels : catalogue()->levels())
        for (const QVariant& level : exerciseLevels.toList())
            levels << level.toMap().value(QStringLiteral("name")).toString();
    exercisePopupButton_->fitWidthToTitles(exercises, kPopupMinimumWidth, kPopupMaximumWidth);
    levelPopupButton_->fitWidthToTitles(levels, kPopupMinimumWidth, kPopupMaximumWidth);
}

void ZTMainViewController::levelAction(int tag)
{
    const QList<QVariantMap> levels = levelRecords();
    if (!currentLessonController_ || tag < 0 || tag >= levels.size() || tag == _levelIndexForCurrentTest())
        return;
    // The question in hand belongs to the old level: it ends at once, so that nothing given
    // before the new level arrives (an answer, a skip) scores it.
    endQuestionUnscored();
    prefs()->setString(levels[tag].value(QStringLiteral("id")).toString(), QStringLiteral("level"),
                       currentLessonController_->testName());
}

void ZTMainViewController::levelPopupButtonAction(int index)
{
    if (index < levelRecords().size())
        levelAction(index);
}

void ZTMainViewController::newLevelAction()
{
    if (appDelegate_)
        appDelegate_->showPreferencesTab(QStringLiteral("customlevels"));
}

void ZTMainViewController::levelChangedNotification()
{
    ZTAbstractTestController* c = currentLessonController_.get();
    if (!c)
        return;
    c->setLevel(_levelIndexForCurrentTest());
    // Also a question asked from the old level's items while the change was on its way.
    endQuestionUnscored();
    _setupStatistics(graph_.get());
    graph_->reloadData();
    if (prefs()->practiceMode())
        _displayPracticeMessage();
    sizeGraphView();
}

void ZTMainViewController::descendingChangedNotification()
{
    _updateViews();
}

void ZTMainViewController::customLevelsChangedNotification()
{
    catalogue()->setup();
    ZTAbstractTestController* c = currentLessonController_.get();
    if (!c)
        return;
    const QString exercise = c->testName();
    const QString levelId = prefs()->stringForKey(QStringLiteral("level"), exercise);
    if (!catalogue()->isLevel(levelId, exercise)) {
        const QString first = catalogue()->firstLevelForTestWithName(exercise);
        if (!first.isNull())
            prefs()->setString(first, QStringLiteral("level"), exercise);
    }
    c->setLevel(_levelIndexForCurrentTest());
    endQuestionIfItsItemChanged(*catalogue());
    _updateViews();
    // A renamed item's statistics rows were renamed before the catalogue caught up: only now
    // do the graph's items carry the names the rows are under.
    _setupStatistics(graph_.get());
    sizeGraphView();
}

void ZTMainViewController::currentExerciseChangedNotification()
{
    _setupExercise();
}

void ZTMainViewController::preferencesResetNotification()
{
    _setupExercise();
    _setupInstrumentView();
    _setupLevelsMenu();
    _setupInstrumentsMenu();
}

// ---- Practice mode ----

void ZTMainViewController::_setupPracticeMode()
{
    if (prefs()->practiceMode()) {
        _displayPracticeMessage();
        webView_->show();
        loadWebView();
        graphScrollView_->hide();
    } else {
        webView_->hide();
        graphScrollView_->show();
    }
}

void ZTMainViewController::setupPracticeMode(bool learning)
{
    if (learning == prefs()->practiceMode())
        return;
    prefs()->setPracticeMode(learning);
    if (currentLessonController_)
        currentLessonController_->setCurrentItem(QString());
    _setupPracticeMode();
    endQuestionUnscored();
}

void ZTMainViewController::endQuestionUnscored()
{
    if (currentLessonController_)
        currentLessonController_->reset();
    _updateViews();
    instrumentViewAdapter_.unmarkAllNotes();
    noteView_->resetNotes();
    tableView_->reloadData();
    countDownView_->setValue(0);
    countDownView_->stop();
    countDownView_->hide();
}

void ZTMainViewController::endQuestionIfItsItemChanged(const ZTDataProvider& catalogue)
{
    ZTAbstractTestController* c = currentLessonController_.get();
    const std::shared_ptr<ZTTest> test = c ? c->currentTest() : nullptr;
    if (!test || !c->testInProgress())
        return;
    const QVariantMap asked = test->item();
    const QString name = asked.value(QStringLiteral("name")).toString();
    if (name.isEmpty())
        return;
    // Renamed, deleted, or given other steps (a chord's new short name carried into a
    // progression): the item's statistics rows went with it, and an answer would file a row
    // under a name no item has, as a level change would.
    const QVariantMap now = catalogue.itemForTest(c->testName(), name);
    if (now.isEmpty() || now.value(QStringLiteral("definition")) != asked.value(QStringLiteral("definition")))
        endQuestionUnscored();
}

void ZTMainViewController::practiceModeChanged(int tag)
{
    setupPracticeMode(tag == 2);
    // A click toggles the button; the mode decides which one stays on.
    const bool learning = prefs()->practiceMode();
    learnButton_->setOn(learning);
    testButton_->setOn(!learning);
}

// ---- Play direction ----

void ZTMainViewController::playDirectionAction(int tag)
{
    ZTAbstractTestController* C = currentLessonController_.get();
    if (!C || tag < 1 || tag > 3)
        return;
    const int direction = tag - 1;
    if (direction == prefs()->integerForKey(QStringLiteral("descending"), C->testName())) {
        setPlayDirectionSegment(direction);
        return;
    }
    setPlayDirectionSegment(direction);
    prefs()->setInteger(direction, QStringLiteral("descending"), C->testName());
}

void ZTMainViewController::setPlayDirectionSegment(int segment)
{
    if (segment < 0 || segment > 2)
        return;
    playDirectionUpButton_->setOn(segment == 0);
    playDirectionDownButton_->setOn(segment == 1);
    playDirectionRandomButton_->setOn(segment == 2);
}
