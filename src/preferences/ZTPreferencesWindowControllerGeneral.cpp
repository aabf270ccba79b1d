// The General tab: note naming, the automatic next question, answer sounds and octave-free
// note entry.
#include "ZTPreferencesWindowController.h"

#include "Localization.h"
#include "PlistValues.h"
#include "QVNote.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTPreferencesLists.h"
#include "ZTResultSoundPlayer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace {

constexpr float kPreviewVolume = 0.7f;

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

QStringList localizedTitles(const QStringList& keys)
{
    QStringList titles;
    for (const QString& key : keys)
        titles << localized(key);
    return titles;
}

} // namespace

void ZTPreferencesWindowController::_setupGeneralSettings()
{
    const ZTPreferencesOutlets& o = outlets_;
    o.ignoreOctaveCHeckbox->setChecked(prefs()->ignoreOctaves());
    o.autoPlayCheckbox->setChecked(prefs()->autoPlay());
    const bool onlyAfterRightAnswer = prefs()->autoplayCorrectAnswer();
    o.afterCorrectAnswerRadioButton->setChecked(onlyAfterRightAnswer);
    o.alwaysRadioButton->setChecked(!onlyAfterRightAnswer);

    // A stored delay outside 1-10 seconds leaves the choice shown before.
    const int shownDelay = o.autoPlayAfterPopupButton->currentIndex();
    ZTPopups::fill(o.autoPlayAfterPopupButton, ZTPreferencesLists::autoPlayDelayTitles());
    const int delay = prefs()->autoPlayTime();
    ZTPopups::select(o.autoPlayAfterPopupButton, delay >= 1 && delay <= 10 ? delay - 1 : shownDelay);

    // Selected by position, so two types that read alike in a language still map right.
    spellingTypes = QVNote::offeredSpellingTypes();
    ZTPopups::fill(o.spellingTypePopupButton, localizedTitles(spellingTypes));
    ZTPopups::select(o.spellingTypePopupButton, int(spellingTypes.indexOf(prefs()->spellingType())));
    noteNameTypes = QVNote::offeredNoteNameTypes();
    ZTPopups::fill(o.noteNamesPopupButton, localizedTitles(noteNameTypes));
    ZTPopups::select(o.noteNamesPopupButton, int(noteNameTypes.indexOf(prefs()->noteNamesType())));

    o.noteSpellingLabel->setText(localized(QStringLiteral("Octave numbers:")));
    o.noteNamesLabel->setText(localized(QStringLiteral("Note names:")));
    o.ignoreOctaveCHeckbox->setText(localized(QStringLiteral("Ignore octave when entering notes")));
    o.autoPlayCheckbox->setText(localized(QStringLiteral("Auto Play:")));
    o.soundRightAnswerLabel->setText(localized(QStringLiteral("Sound on right answer")));
    o.soundWrongAnswerLabel->setText(localized(QStringLiteral("Sound on wrong answer")));

    resultSounds_ = ZTPreferencesLists::resultSounds();
    const QStringList soundTitles = ZTPreferencesLists::resultSoundTitles(resultSounds_);
    ZTPopups::fill(o.soundRightAnswerPopup, soundTitles);
    ZTPopups::fill(o.soundWrongAnswerPopup, soundTitles);
    // An unknown or empty id selects "No Sound".
    ZTPopups::select(o.soundRightAnswerPopup, prefs()->indexForSoundWithId(prefs()->soundRightAnswer(), resultSounds_) + 1);
    ZTPopups::select(o.soundWrongAnswerPopup, prefs()->indexForSoundWithId(prefs()->soundWrongAnswer(), resultSounds_) + 1);
}

void ZTPreferencesWindowController::ignoreOctaveAction()
{
    prefs()->setIgnoreOctaves(outlets_.ignoreOctaveCHeckbox->isChecked());
}

void ZTPreferencesWindowController::autoPlayCheckBoxAction()
{
    prefs()->setAutoPlay(outlets_.autoPlayCheckbox->isChecked());
}

void ZTPreferencesWindowController::autoPlayPoupButtonAction()
{
    storeChosenIndex(outlets_.autoPlayAfterPopupButton, &ZTPreferences::setAutoPlayTime, 1);
}

void ZTPreferencesWindowController::storeChosenIndex(QComboBox* popup, void (ZTPreferences::*store)(int), int offset)
{
    const int index = popup->currentIndex();
    if (index >= 0)
        (prefs()->*store)(index + offset);
}

void ZTPreferencesWindowController::noteSpellingAction()
{
    const int index = outlets_.spellingTypePopupButton->currentIndex();
    if (index >= 0 && index < spellingTypes.size())
        prefs()->setSpellingType(spellingTypes.at(index));
}

void ZTPreferencesWindowController::noteNamesPopupAction()
{
    const int index = outlets_.noteNamesPopupButton->currentIndex();
    if (index >= 0 && index < noteNameTypes.size())
        prefs()->setNoteNamesTypes(noteNameTypes.at(index));
}

void ZTPreferencesWindowController::autoplayRadioAction(int tag)
{
    // Tag 0: the next question follows only a right answer; otherwise every answer.
    prefs()->setAutoplayCorrectAnswer(tag == 0);
}

void ZTPreferencesWindowController::soundRightAnswerPopupAction()
{
    soundPopupAction(outlets_.soundRightAnswerPopup, &ZTPreferences::setSoundRightAnswer);
}

void ZTPreferencesWindowController::soundWrongAnswerPopupAction()
{
    soundPopupAction(outlets_.soundWrongAnswerPopup, &ZTPreferences::setSoundWrongAnswer);
}

void ZTPreferencesWindowController::soundPopupAction(QComboBox* popup, void (ZTPreferences::*store)(const QString& id))
{
    const int index = popup->currentIndex();
    if (index <= 0) {
        (prefs()->*store)(QString(QLatin1String("")));
        return;
    }
    if (index > resultSounds_.size())
        return;
    const QString id = PlistValues::toStringOrNull(resultSounds_.at(index - 1).toMap().value(QStringLiteral("id")));
    ZTResultSoundPlayer::playSoundWithId(id, kPreviewVolume);
    (prefs()->*store)(id);
}
