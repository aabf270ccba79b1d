#include "ZTCustomChordProgressionsWindowController.h"

#include "Localization.h"
#include "Log.h"
#include "PlistValues.h"
#include "ZTChordProgression.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTProgressionSteps.h"
#include "QVMusicInstrument.h"

#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kChordProgressions = QStringLiteral("Chord progressions");
const QString kDefinition = QStringLiteral("definition");
const QString kName = QStringLiteral("name");

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

} // namespace

ZTCustomChordProgressionsWindowController::ZTCustomChordProgressionsWindowController() = default;

QDialog* ZTCustomChordProgressionsWindowController::buildWindow()
{
    auto* window = new QDialog(nullptr, Qt::Dialog);
    window->setObjectName(QStringLiteral("chordProgressionEditor"));
    Outlets& o = outlets_;
    auto* column = new QVBoxLayout(window);
    column->setContentsMargins(20, 16, 20, 16);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    o.nameLabel = new QLabel(window);
    o.nameTextField = new QLineEdit(window);
    o.nameTextField->setMinimumWidth(320);
    form->addRow(o.nameLabel, o.nameTextField);
    addGroupAndLevelRows(form, window, o);
    o.numChordsLabel = new QLabel(window);
    o.numChordsPopupMenu = ZTPopups::make(window, 70);
    form->addRow(o.numChordsLabel, o.numChordsPopupMenu);
    column->addLayout(form);

    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(12);
    o.stepLabel = new QLabel(window);
    o.chordLabel = new QLabel(window);
    rows->addWidget(o.stepLabel, 0, 1);
    rows->addWidget(o.chordLabel, 0, 2);
    for (int k = 1; k <= ZTProgressionSteps::kMaxSteps; ++k) {
        rows->addWidget(new QLabel(QStringLiteral("%1.").arg(k), window), k, 0, Qt::AlignRight);
        o.stepPopupMenus << ZTPopups::make(window, 80);
        o.chordPopupMenus << ZTPopups::make(window, 240);
        rows->addWidget(o.stepPopupMenus.last(), k, 1);
        rows->addWidget(o.chordPopupMenus.last(), k, 2);
    }
    rows->setColumnStretch(3, 1);
    column->addSpacing(8);
    column->addLayout(rows);

    addButtonRow(column, window, o);

    connect(o.numChordsPopupMenu, &QComboBox::activated, this, [this] { numChordsAction(); });
    for (QComboBox* box : o.stepPopupMenus)
        connect(box, &QComboBox::activated, this, [this] { stepAction(); });
    for (QComboBox* box : o.chordPopupMenus)
        connect(box, &QComboBox::activated, this, [this] { chordAction(); });
    connect(o.nameTextField, &QLineEdit::textEdited, this, [this] { controlTextDidChange(); });
    connect(o.playButton, &QPushButton::clicked, this, [this] { playAction(); });
    connect(o.saveButton, &QPushButton::clicked, this, [this] { saveAction(); });
    connect(o.cancelButton, &QPushButton::clicked, this, [this] { cancelAction(); });
    return window;
}

void ZTCustomChordProgressionsWindowController::windowDidLoad()
{
    const Outlets& o = outlets_;
    chordIds_ = catalogue()->chordIds();
    const QStringList chordNames = catalogue()->chordNames();
    for (QComboBox* box : o.chordPopupMenus)
        ZTPopups::fill(box, chordNames);
    for (QComboBox* box : o.stepPopupMenus)
        ZTPopups::fill(box, ZTProgressionSteps::stepTitles());
    QStringList counts;
    for (int n = ZTProgressionSteps::kMinSteps; n <= ZTProgressionSteps::kMaxSteps; ++n)
        counts << QString::number(n);
    ZTPopups::fill(o.numChordsPopupMenu, counts);

    if (item_.isEmpty()) {
        wasNew_ = true;
        item_ = ZTProgressionSteps::newItem();
    }
    window()->setWindowTitle(localized(wasNew_ ? QStringLiteral("New Chord Progression")
                                               : QStringLiteral("Edit Chord Progression")));
    originalName_ = PlistValues::toStringOrNull(item_.value(kName));
    manualName_ = originalName_ != _autoName();

    setUpCommonControls(o, kChordProgressions, item_);
    o.numChordsLabel->setText(localized(QStringLiteral("Number of Chords")));
    o.nameLabel->setText(localized(QStringLiteral("Name")));
    o.stepLabel->setText(localized(QStringLiteral("Step")));
    o.chordLabel->setText(localized(QStringLiteral("Chord")));

    _updateNameIfRequired();
    _updateViews();
}

QVariantList ZTCustomChordProgressionsWindowController::definition() const
{
    return item_.value(kDefinition).toList();
}

void ZTCustomChordProgressionsWindowController::setDefinition(const QVariantList& steps)
{
    item_.insert(kDefinition, steps);
}

bool ZTCustomChordProgressionsWindowController::isMinor() const
{
    return item_.value(QStringLiteral("isMinor")).toBool();
}

QString ZTCustomChordProgressionsWindowController::_autoName() const
{
    return ZTProgressionSteps::autoName(definition(), isMinor());
}

void ZTCustomChordProgressionsWindowController::_updateNameIfRequired()
{
    if (!manualName_)
        item_.insert(kName, _autoName());
}

void ZTCustomChordProgressionsWindowController::_updateViews()
{
    const Outlets& o = outlets_;
    const QVariantList steps = definition();
    const int n = int(steps.size());
    // More steps than rows: no count is chosen and the steps past the rows are kept.
    ZTPopups::select(o.numChordsPopupMenu, n > ZTProgressionSteps::kMaxSteps ? -1 : std::max(n - 2, 0),
                     QString::number(n));
    o.nameTextField->setText(PlistValues::toStringOrNull(item_.value(kName)));
    for (int k = 0; k < ZTProgressionSteps::kMaxSteps; ++k) {
        QComboBox* stepPopup = o.stepPopupMenus.at(k);
        QComboBox* chordPopup = o.chordPopupMenus.at(k);
        stepPopup->setEnabled(k < n);
        chordPopup->setEnabled(k < n);
        if (k >= n) {
            ZTPopups::select(stepPopup, 0);
            ZTPopups::select(chordPopup, 0);
            continue;
        }
        const QVariantMap step = steps.at(k).toMap();
        const qlonglong semitones = step.value(QStringLiteral("step")).toLongLong();
        ZTPopups::select(stepPopup, ZTProgressionSteps::degreeForSemitones(semitones, isMinor()),
                         QString::number(semitones));
        const QString chordId = PlistValues::toStringOrNull(step.value(QStringLiteral("chordId")));
        ZTPopups::select(chordPopup, int(chordIds_.indexOf(chordId)), chordId);
    }
    o.saveButton->setEnabled(!o.nameTextField->text().isEmpty());
}

void ZTCustomChordProgressionsWindowController::numChordsAction()
{
    const int index = outlets_.numChordsPopupMenu->currentIndex();
    if (index < 0)
        return;
    setDefinition(ZTProgressionSteps::resized(definition(), outlets_.numChordsPopupMenu->itemText(index).toInt()));
    _updateNameIfRequired();
    _updateViews();
}

void ZTCustomChordProgressionsWindowController::stepAction()
{
    _createDef();
    _updateNameIfRequired();
    _updateViews();
}

void ZTCustomChordProgressionsWindowController::_createDef()
{
    // Each row's choices; a row without a choice keeps the stored value.
    QVariantList steps = definition();
    for (int k = 0; k < steps.size() && k < ZTProgressionSteps::kMaxSteps; ++k) {
        QVariantMap step = steps.at(k).toMap();
        const int degree = outlets_.stepPopupMenus.at(k)->currentIndex();
        if (degree >= 0)
            step.insert(QStringLiteral("step"), ZTProgressionSteps::semitonesForDegree(degree, isMinor()));
        const int chord = outlets_.chordPopupMenus.at(k)->currentIndex();
        if (chord >= 0 && chord < chordIds_.size())
            step.insert(QStringLiteral("chordId"), chordIds_.at(chord));
        steps[k] = step;
    }
    setDefinition(steps);
}

void ZTCustomChordProgressionsWindowController::controlTextDidChange()
{
    const QString text = outlets_.nameTextField->text();
    manualName_ = !text.isEmpty();
    item_.insert(kName, text);
    outlets_.saveButton->setEnabled(!text.isEmpty());
}

void ZTCustomChordProgressionsWindowController::saveAction()
{
    const Outlets& o = outlets_;
    const QString name = o.nameTextField->text();
    if (name.isEmpty())
        return;
    if (catalogue()->hasExerciseWithName(name, kChordProgressions) && (wasNew_ || name != originalName_)) {
        showRefusal(QStringLiteral("A chord progression with this name already exists!"),
                    localized(QStringLiteral("Please choose another name.")));
        return;
    }
    const QString sameChords = catalogue()->nameForExercise(item_, kChordProgressions);
    if (!sameChords.isNull() && (wasNew_ || sameChords != originalName_)) {
        showRefusal(QStringLiteral("A chord progression with these chords already exists!"), localized(sameChords));
        return;
    }

    QVariantMap saved = item_;
    if (o.groupPopup->currentIndex() >= 0)
        saved.insert(QStringLiteral("group"), QString::number(o.groupPopup->currentData().toLongLong()));
    if (o.levelPopup->currentIndex() >= 0)
        saved.insert(QStringLiteral("level"), QString::number(o.levelPopup->currentIndex()));
    saved.insert(kName, name);
    item_ = saved;

    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    if (wasNew_)
        prefs->addCustomExercise(saved, kChordProgressions);
    else
        prefs->replaceCustomExercise(saved, int(itemIndex_), kChordProgressions);
    closeAfterSave();
}

void ZTCustomChordProgressionsWindowController::playAction()
{
    const auto instrument = ZTMIDIController::sharedInstance()->instrument();
    if (!instrument) {
        Log::line(QStringLiteral("No instrument to play the chord progression on."));
        return;
    }
    const auto question = ZTTest::create<ZTChordProgression>(item_);
    question->setRootNoteNr(60);
    MusicSequence sequence = question->newMusicSequenceWithTempo(120);
    Log::line(sequence.description());
    instrument->playSequence(std::move(sequence));
}

void ZTCustomChordProgressionsWindowController::cancelAction()
{
    window()->reject();
}
