// The instrument panel and the answers that come from it and from MIDI.
#include "ZTMainViewController.h"

#include "ImageButton.h"
#include "Localization.h"
#include "Log.h"
#include "Paths.h"
#include "QuestionKinds.h"
#include "ZTAbstractTestController.h"
#include "ZTAppDelegate.h"
#include "ZTGuitarFretboardView.h"
#include "ZTKeyboardView.h"
#include "ZTMIDIController.h"
#include "ZTMusicalTest.h"
#include "ZTPopupButton.h"
#include "ZTPreferences.h"
#include "ZTSoundBank.h"

#include <QAction>
#include <QEasingCurve>
#include <QLayout>
#include <QMenu>
#include <QPropertyAnimation>
#include <QScrollArea>
#include <QScrollBar>

#include <cmath>

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

using InstrumentKind = ZTMIDIController::InstrumentKind;

InstrumentKind currentInstrumentKind()
{
    return ZTMIDIController::instrumentKindForEndpoint(prefs()->MIDIOutEndpoint());
}

constexpr int kKeyboardNoteAtLeft = 36;
constexpr double kScrollStep = ZTKeyboardView::kOctaveWidth;
constexpr int kScrollDuration = 180; // ms
const QString kNoProgram = QStringLiteral("---");

// The bundle lists of sound programs: (group title, program titles); a list without groups
// gives one entry with an empty group title. Program numbers run over all titles in order.
using ProgramGroups = QList<std::pair<QString, QStringList>>;

ProgramGroups programGroups(InstrumentKind kind)
{
    ProgramGroups groups;
    if (kind == InstrumentKind::SystemSynthesizer) {
        QString error;
        const QString name = QStringLiteral("GeneralMIDIInstruments.plist");
        const std::optional<QVariant> list =
            ZTSoundBank::readPropertyList(Paths::resource(name), ZTSoundBank::kMaxListBytes, &error);
        if (!list)
            Log::line(QStringLiteral("Could not read %1: %2").arg(name, error));
        for (const QVariant& entry : list ? list->toList() : QVariantList()) {
            const QVariantMap group = entry.toMap();
            QStringList titles;
            for (const QVariant& title : group.value(QStringLiteral("items")).toList())
                titles << title.toString();
            groups.append({group.value(QStringLiteral("name")).toString(), titles});
        }
    } else if (kind == InstrumentKind::SampleSynthesizer) {
        QStringList titles;
        for (const SoftSynthSoundEntry& entry : ZTSoundBank::programs())
            titles << entry.value;
        groups.append({QString(), titles});
    }
    return groups;
}

// Program items carry their number; group items carry none.
bool isProgramItem(const QAction* item)
{
    return item && !item->menu() && item->data().isValid();
}

} // namespace

// ---- Answers from the on-screen instrument and MIDI ----

void ZTMainViewController::instrumentView(ZTMusicInstumentProtocol*, const QVNote& notePressed)
{
    if (prefs()->practiceMode() || !currentLessonController_)
        return;
    setMicEnabled(false);
    currentLessonController_->noteEntered(notePressed);
}

void ZTMainViewController::chordProgressionStepViewButtonClicked(ZTChordProgressionStepView* stepView)
{
    if (stepView)
        instrumentViewAdapter_.setStep(stepView->currentStep());
}

void ZTMainViewController::MIDINoteOnNotification(const Notification& notification)
{
    if (prefs()->practiceMode() || !currentLessonController_)
        return;
    currentLessonController_->noteEnteredWithNr(notification.object.toLongLong());
    setMicEnabled(false);
}

void ZTMainViewController::testItemPlayButtonEnabledChangedNotification(const Notification& notification)
{
    playButton_->setEnabled(notification.object.toBool());
}

// ---- Instrument view ----

void ZTMainViewController::showInstrumentType()
{
    const bool keyboard = prefs()->instrumentType() == 0;
    if (appDelegate_) {
        if (QAction* item = appDelegate_->keyboardMenuItem())
            item->setChecked(keyboard);
        if (QAction* item = appDelegate_->fretboardMenuItem())
            item->setChecked(!keyboard);
    }
    keyboardSegment_->setOn(keyboard);
    keyboardSegment_->setImageName(keyboard ? QStringLiteral("segmentLongLeftHighlighted") : QStringLiteral("segmentLongLeft"));
    fretboardSegment_->setOn(!keyboard);
    fretboardSegment_->setImageName(keyboard ? QStringLiteral("segmentLongRight") : QStringLiteral("segmentLongRightHighlighted"));
}

void ZTMainViewController::_setupInstrumentView()
{
    showInstrumentType();
    const bool fretboard = prefs()->instrumentType() != 0;

    if (instrumentView_) {
        instrumentView_->setDelegate(nullptr);
        instrumentView_->allNotesUp();
        instrumentScrollView_->takeWidget();
        instrumentView_->deleteLater();
    }
    ZTInstrumentViewBase* view = nullptr;
    if (fretboard) {
        // The fretboard has no "All" step: it shows one chord at a time.
        chordProgressionStepView_->setLastButtonHidden(true);
        view = new ZTGuitarFretboardView(QRect(0, 0, int(ZTGuitarFretboardView::kWidth), int(ZTGuitarFretboardView::kHeight)));
        scrollKeyboardToStart_ = false;
    } else {
        view = new ZTKeyboardView(QRect(0, 0, 2240, int(ZTKeyboardView::kKeyboardHeight)));
        chordProgressionStepView_->setLastButtonHidden(false);
        scrollKeyboardToStart_ = true;
    }
    view->setFixedSize(view->size());
    view->setDelegate(this);
    instrumentScrollView_->setWidget(view);
    instrumentView_ = view;
    instrumentViewAdapter_.setView(view);
    if (currentLessonController_)
        currentLessonController_->setInstrumentView(&instrumentViewAdapter_);
    sizeInstrumentView();
    std::shared_ptr<ZTMusicalTest> musical;
    if (currentLessonController_)
        musical = std::dynamic_pointer_cast<ZTMusicalTest>(currentLessonController_->currentTest());
    view->setMusicalTest(musical);
}

double ZTMainViewController::instrumentWidth() const
{
    return instrumentView_ ? instrumentView_->width() : 0.0;
}

void ZTMainViewController::sizeInstrumentView()
{
    // Until the screen is set up there is no instrument to centre. Margins for a zero-width
    // one would ask for more room than the panel has, and every resize would widen the window.
    const double margin = instrumentView_ ? std::max(0.0, std::round((width() - instrumentWidth()) * 0.5)) : 0.0;
    instrumentLeftConstraint_ = margin;
    instrumentRightConstraint_ = margin;
    // The scroll buttons stand just outside the part of the instrument in view, which is as
    // wide as the instrument shows well in (whole keys); the rest is split evenly outside them.
    const int buttons = kScrollButtonWidth + kScrollButtonGap;
    const double shown = instrumentView_ ? instrumentView_->fittedVisibleWidth(std::max(0, width() - 2 * buttons))
                                         : width() - 2 * buttons;
    const int outside = std::max(0, int(width() - shown) / 2 - buttons);
    const int outsideRight = std::max(0, width() - int(shown) - 2 * buttons - outside);
    instrumentRow_->layout()->setContentsMargins(outside, 0, outsideRight, 0);
    instrumentRow_->layout()->activate();
    applyPendingKeyboardScroll();
    // A new width may need another place to show well from.
    if (instrumentView_ && !scrollKeyboardToStart_) {
        QScrollBar* scroller = instrumentScrollView_->horizontalScrollBar();
        scroller->setValue(int(instrumentView_->scrollStop(scroller->value(), visibleInstrumentRect().width(), false)));
    }
    _updateKeyboardScrollButtons();
}

void ZTMainViewController::applyPendingKeyboardScroll()
{
    auto* keyboard = qobject_cast<ZTKeyboardView*>(instrumentView_.data());
    if (!keyboard || !scrollKeyboardToStart_)
        return;
    // Brings the key of MIDI note 36 to the left edge once the scroll area knows its size.
    QScrollBar* scroller = instrumentScrollView_->horizontalScrollBar();
    const int target = int(keyboard->rectForNoteNr(kKeyboardNoteAtLeft).x());
    if (scroller->maximum() < target && instrumentScrollView_->viewport()->width() < keyboard->width())
        return;
    scroller->setValue(target);
    scrollKeyboardToStart_ = false;
}

void ZTMainViewController::instrumentSegmentedAction(int tag)
{
    if (tag != 1 && tag != 2) {
        Log::line(QStringLiteral("Error: unknown tag for instrumentSegmented button:%1").arg(tag));
        return;
    }
    if (prefs()->instrumentType() != tag - 1)
        prefs()->setInstrumentType(tag - 1);
    // A click flips a switch at once; it shows the stored type until the change arrives.
    showInstrumentType();
}

void ZTMainViewController::instrumentTypeChangedNotification()
{
    const ZTMusicInstumentProtocol* old = instrumentViewAdapter_.view();
    const ZTMarkList green = old ? old->greenNotes() : ZTMarkList();
    const ZTMarkList red = old ? old->redNotes() : ZTMarkList();
    const qint64 step = old ? old->step() : 0;
    _setupInstrumentView();
    instrumentView_->setGreenNotes(green);
    instrumentView_->setRedNotes(red);
    const std::shared_ptr<ZTTest> question = currentLessonController_ ? currentLessonController_->currentTest() : nullptr;
    if (QuestionKinds::isChordProgression(question.get())) {
        const bool fretboard = qobject_cast<ZTGuitarFretboardView*>(instrumentView_.data()) != nullptr;
        instrumentView_->setStep(fretboard && step < 1 ? 0 : step);
        chordProgressionStepView_->setCurrentStep(instrumentView_->step());
    }
    _updateViews();
}

// ---- Scroll buttons ----

QRectF ZTMainViewController::visibleInstrumentRect() const
{
    const double x = instrumentScrollView_->horizontalScrollBar()->value();
    const double visible = std::min<double>(instrumentScrollView_->viewport()->width(), instrumentWidth());
    return QRectF(x, 0, visible, ZTKeyboardView::kKeyboardHeight);
}

void ZTMainViewController::_updateKeyboardScrollButtons()
{
    const QRectF V = visibleInstrumentRect();
    const double B = instrumentWidth();
    const bool right = B - V.width() - 1.0 > V.x();
    const bool left = V.x() > 1.0;
    keyboardScrollRightButton_->setEnabled(right);
    keyboardScrollRightPageButton_->setEnabled(right);
    keyboardScrollLeftButton_->setEnabled(left);
    keyboardScrollLeftPageButton_->setEnabled(left);
}

void ZTMainViewController::scrollInstrumentTo(double x, bool stopAbove)
{
    // Towards where the scroll started from, so that no key is skipped unseen.
    if (instrumentView_)
        x = instrumentView_->scrollStop(x, visibleInstrumentRect().width(), stopAbove);
    if (!scrollAnimation_) {
        scrollAnimation_ = new QPropertyAnimation(instrumentScrollView_->horizontalScrollBar(), "value", this);
        scrollAnimation_->setDuration(kScrollDuration);
        scrollAnimation_->setEasingCurve(QEasingCurve::OutCubic);
    }
    scrollAnimation_->stop();
    scrollAnimation_->setStartValue(instrumentScrollView_->horizontalScrollBar()->value());
    scrollAnimation_->setEndValue(int(std::round(x)));
    scrollAnimation_->start();
    _updateKeyboardScrollButtons();
}

void ZTMainViewController::keyboardScrollRightAction()
{
    const QRectF V = visibleInstrumentRect();
    scrollInstrumentTo(std::min(V.x() + kScrollStep, instrumentWidth() - V.width()), false);
}

void ZTMainViewController::keyboardScrollLeftAction()
{
    scrollInstrumentTo(std::max(visibleInstrumentRect().x() - kScrollStep, 0.0), true);
}

void ZTMainViewController::keyboardScrollRightPageAction()
{
    const QRectF V = visibleInstrumentRect();
    scrollInstrumentTo(std::min(V.x() + V.width(), instrumentWidth() - V.width()), false);
}

void ZTMainViewController::keyboardScrollLeftPageAction()
{
    const QRectF V = visibleInstrumentRect();
    scrollInstrumentTo(std::max(V.x() - V.width(), 0.0), true);
}

// ---- Instruments menu ----

int ZTMainViewController::storedProgram() const
{
    switch (currentInstrumentKind()) {
    case InstrumentKind::SampleSynthesizer: return prefs()->melvoraSoftSynthInstrumentNr();
    case InstrumentKind::SystemSynthesizer: return prefs()->GMMIDIInstrumentNr();
    case InstrumentKind::Destination: break;
    }
    return 0;
}

void ZTMainViewController::_setupInstrumentsMenu()
{
    // One menu object: the panel's pop-up and the application's Instrument menu show it.
    if (!instrumentsMenu_)
        instrumentsMenu_ = appDelegate_ && appDelegate_->instrumentMenu() ? appDelegate_->instrumentMenu() : new QMenu(this);
    QMenu* menu = instrumentsMenu_;
    // The group submenus are the menu's children: clearing drops only their items.
    for (QMenu* group : menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        group->deleteLater();
    menu->clear();
    menu->setTitle(localized(QStringLiteral("Instrument")));

    int program = 0;
    for (const auto& [groupTitle, titles] : programGroups(currentInstrumentKind())) {
        QMenu* target = groupTitle.isEmpty() ? menu : menu->addMenu(groupTitle);
        if (target != menu)
            target->menuAction()->setCheckable(true);
        for (const QString& title : titles) {
            QAction* item = target->addAction(title);
            item->setObjectName(QStringLiteral("instrumentPopUpButtonItemSelectedAction"));
            item->setCheckable(true);
            item->setData(program++);
            connect(item, &QAction::triggered, this, [this, item] { instrumentPopUpButtonItemSelectedAction(item); });
        }
    }
    instrumentPopUpButton_->setMenu(menu);
    showChosenProgram(_menuItemWithTag(storedProgram()));
}

void ZTMainViewController::showChosenProgram(QAction* item)
{
    _uncheckAllMenuItems();
    if (item) {
        item->setChecked(true);
        if (auto* group = qobject_cast<QMenu*>(item->parent()); group && group != instrumentsMenu_)
            group->menuAction()->setChecked(true);
    }
    instrumentPopUpButton_->setLabelText(item ? item->text() : kNoProgram);
}

void ZTMainViewController::_uncheckAllMenuItems()
{
    if (!instrumentsMenu_)
        return;
    for (QAction* item : instrumentsMenu_->actions()) {
        item->setChecked(false);
        if (QMenu* group = item->menu())
            for (QAction* inner : group->actions())
                inner->setChecked(false);
    }
}

QAction* ZTMainViewController::_menuItemWithTag(int tag) const
{
    if (!instrumentsMenu_)
        return nullptr;
    for (QAction* item : instrumentsMenu_->actions()) {
        if (isProgramItem(item) && item->data().toInt() == tag)
            return item;
        if (QMenu* group = item->menu())
            for (QAction* inner : group->actions())
                if (isProgramItem(inner) && inner->data().toInt() == tag)
                    return inner;
    }
    return nullptr;
}

void ZTMainViewController::instrumentPopUpButtonItemSelectedAction(QAction* item)
{
    if (!item)
        return;
    const int tag = item->data().toInt();
    switch (currentInstrumentKind()) {
    case InstrumentKind::SampleSynthesizer:
        if (tag != prefs()->melvoraSoftSynthInstrumentNr())
            prefs()->setMelvoraSoftSynthInstrumentNr(tag);
        break;
    case InstrumentKind::SystemSynthesizer:
        if (tag != prefs()->GMMIDIInstrumentNr())
            prefs()->setGMMIDIInstrumentNr(tag);
        break;
    case InstrumentKind::Destination:
        break;
    }
    // A menu item flips its own check mark; the marks show the stored program until the
    // change arrives.
    showChosenProgram(_menuItemWithTag(storedProgram()));
}

void ZTMainViewController::instrumentChanged()
{
    QAction* item = _menuItemWithTag(storedProgram());
    const std::shared_ptr<QVMusicInstrument> instrument = ZTMIDIController::sharedInstance()->instrument();
    if (instrument)
        instrument->stopPlayer();
    showChosenProgram(item);
    if (!instrument)
        return;
    // The sample synthesizer loads the new program's samples with its output stopped.
    const bool sampler = currentInstrumentKind() == InstrumentKind::SampleSynthesizer;
    if (sampler)
        instrument->stop();
    instrument->programChange(item ? item->data().toInt() : 0);
    if (sampler)
        instrument->start();
}
