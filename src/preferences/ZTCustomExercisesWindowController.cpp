#include "ZTCustomExercisesWindowController.h"

#include "Localization.h"
#include "Log.h"
#include "PlistValues.h"
#include "QVMusicInstrument.h"
#include "QVNote.h"
#include "ZTChord.h"
#include "ZTChordUsage.h"
#include "ZTDataProvider.h"
#include "ZTMIDIController.h"
#include "ZTNoteCollection.h"
#include "ZTPreferences.h"
#include "ZTPreferencesControls.h"
#include "ZTScale.h"

#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kChordRecognition = QStringLiteral("Chord recognition");
const QString kName = QStringLiteral("name");
const QString kChordId = QStringLiteral("chordId");
constexpr qint64 kMiddleC = 60;

ZTDataProvider* catalogue()
{
    return ZTDataProvider::sharedDataProvider();
}

} // namespace

ZTCustomExercisesWindowController::ZTCustomExercisesWindowController() = default;

bool ZTCustomExercisesWindowController::isChordMode() const
{
    return exerciseName_ == kChordRecognition;
}

QDialog* ZTCustomExercisesWindowController::buildWindow()
{
    auto* window = new QDialog(nullptr, Qt::Dialog);
    window->setObjectName(QStringLiteral("customExerciseEditor"));
    Outlets& o = outlets_;
    auto* column = new QVBoxLayout(window);
    column->setContentsMargins(20, 16, 20, 16);
    o.titleLabel = new QLabel(window);
    column->addWidget(o.titleLabel);
    o.noteView = new ZTNoteView(window);
    o.noteView->setMinimumSize(620, 250);
    column->addWidget(o.noteView, 1);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    o.nameLabel = new QLabel(window);
    o.nameTextField = new QLineEdit(window);
    form->addRow(o.nameLabel, o.nameTextField);
    o.shortNameLabel = new QLabel(window);
    o.shortNameTextField = new QLineEdit(window);
    o.shortNameTextField->setMaximumWidth(160);
    form->addRow(o.shortNameLabel, o.shortNameTextField);
    addGroupAndLevelRows(form, window, o);
    column->addSpacing(8);
    column->addLayout(form);

    addButtonRow(column, window, o);

    for (QLineEdit* field : {o.nameTextField, o.shortNameTextField})
        connect(field, &QLineEdit::textChanged, this, [this] { textDidChange(); });
    connect(o.playButton, &QPushButton::clicked, this, [this] { playAction(); });
    connect(o.saveButton, &QPushButton::clicked, this, [this] { okAction(); });
    connect(o.cancelButton, &QPushButton::clicked, this, [this] { cancelAction(); });
    return window;
}

void ZTCustomExercisesWindowController::windowDidLoad()
{
    const Outlets& o = outlets_;
    const bool chord = isChordMode();
    const bool editing = !item_.isEmpty();
    QDialog* shown = window();

    // The staff: a question on middle C whose first note stays where it is.
    if (chord) {
        auto question = ZTTest::create<ZTChord>(item_);
        question->setPlayMode(question->playModeWithString(
            ZTPreferences::sharedPreferences()->stringForKey(QStringLiteral("playmode"), kChordRecognition)));
        question_ = std::move(question);
    } else {
        question_ = ZTTest::create<ZTScale>(item_);
    }
    question_->setRootNoteNr(kMiddleC);
    o.titleLabel->setText(localized(chord ? QStringLiteral("Please enter a chord with middle C as the root.")
                                          : QStringLiteral("Please enter a scale with middle C as the root.")));
    shown->setWindowTitle(localized(chord ? (editing ? QStringLiteral("Edit Chord") : QStringLiteral("New Chord"))
                                          : (editing ? QStringLiteral("Edit Scale") : QStringLiteral("New Scale"))));
    ZTNoteView* staff = o.noteView;
    staff->setTest(question_);
    staff->setMinNoteNr(kMiddleC);
    staff->setMaxNoteNr(chord ? 96 : 72);
    staff->setDisableFirsNoteEditing(true);
    if (editing) {
        staff->showNotesFromTest();
        o.nameTextField->setText(PlistValues::toStringOrNull(item_.value(kName)));
        if (chord && item_.contains(kChordId))
            o.shortNameTextField->setText(PlistValues::toStringOrNull(item_.value(kChordId)));
    } else {
        staff->addNote();
    }
    staff->unselectAllNotesShouldDisplay(false);
    staff->setEditing(true);
    staff->setShowNoteNames(true);
    staff->setDelegate(this);

    setUpCommonControls(o, exerciseName_, item_);

    o.shortNameTextField->setVisible(chord);
    o.shortNameLabel->setVisible(chord);
    o.shortNameLabel->setText(QStringLiteral("%1 \u201C%2\u201D").arg(localized(QStringLiteral("Short Name e.g.")),
                                                                   QStringLiteral("maj7")));
    o.nameLabel->setText(localized(chord ? QStringLiteral("Name of Chord") : QStringLiteral("Name of Scale")));
    _updateButtons();
}

void ZTCustomExercisesWindowController::noteViewDidChange(ZTNoteView*)
{
    _updateButtons();
}

void ZTCustomExercisesWindowController::textDidChange()
{
    _updateButtons();
}

void ZTCustomExercisesWindowController::_updateButtons()
{
    const Outlets& o = outlets_;
    // A chord's staff holds one group per note plus the whole chord: three notes either way.
    const qsizetype groups = o.noteView->noteCollections().size();
    const bool enoughNotes = groups > (isChordMode() ? 3 : 2);
    o.playButton->setEnabled(groups > 0);
    o.saveButton->setEnabled(enoughNotes && !o.nameTextField->text().isEmpty()
                           && (!isChordMode() || !o.shortNameTextField->text().isEmpty()));
}

QVariant ZTCustomExercisesWindowController::chosenLevel() const
{
    const int index = outlets_.levelPopup->currentIndex();
    return index >= 0 ? QVariant(qlonglong(index)) : item_.value(QStringLiteral("level"), 0LL);
}

QVariantMap ZTCustomExercisesWindowController::_itemFromNoteView() const
{
    const Outlets& o = outlets_;
    // Without groups to choose from the item is filed under group "0".
    const qint64 groupId = o.groupPopup->currentIndex() >= 0 ? o.groupPopup->currentData().toLongLong() : 0;
    const QList<ZTNoteCollection>& collections = o.noteView->noteCollections();
    if (isChordMode())
        return _chordItemFromCollections(collections, groupId, chosenLevel(), o.nameTextField->text(),
                                         o.shortNameTextField->text());
    return _scaleItemFromCollections(collections, groupId, chosenLevel(), o.nameTextField->text());
}

QVariantMap ZTCustomExercisesWindowController::_definitionItemForNote(const QVNote& note)
{
    const qint64 letterIndex = note.pos() - 1; // C 0 .. B 6
    const QVariantMap entry{{QStringLiteral("pos"), letterIndex + 7 * note.octave() - 20},
                            {QStringLiteral("off"), note.offset()},
                            {QStringLiteral("note"), note.nr() - kMiddleC}};
    return {{kName, QString(QLatin1String(""))}, {QStringLiteral("notes"), QVariantList{entry}}};
}

QVariantMap ZTCustomExercisesWindowController::_chordItemFromCollections(const QList<ZTNoteCollection>& collections,
                                                                        qint64 groupId, const QVariant& level,
                                                                        const QString& name, const QString& chordId) const
{
    if (collections.isEmpty())
        return {};
    // The chord in root position as entered: the notes of the first group.
    QVariantList definition;
    for (const QVNote& note : collections.first().notes())
        definition << _definitionItemForNote(note);
    QVariantMap item = itemWithDefinition(definition, groupId, level, name);
    item.insert(kChordId, chordId);
    return item;
}

QVariantMap ZTCustomExercisesWindowController::_scaleItemFromCollections(const QList<ZTNoteCollection>& collections,
                                                                        qint64 groupId, const QVariant& level,
                                                                        const QString& name) const
{
    if (collections.isEmpty())
        return {};
    QVariantList definition;
    for (const ZTNoteCollection& collection : collections)
        if (const QVNote* first = collection.firstNote())
            definition << _definitionItemForNote(*first);
    return itemWithDefinition(definition, groupId, level, name);
}

QVariantMap ZTCustomExercisesWindowController::itemWithDefinition(const QVariantList& definition, qint64 groupId,
                                                                 const QVariant& level, const QString& name)
{
    return {{kName, name},
            {QStringLiteral("definition"), definition},
            {QStringLiteral("group"), QString::number(groupId)},
            {QStringLiteral("level"), level.toLongLong()},
            {QStringLiteral("isMinor"), false}};
}

void ZTCustomExercisesWindowController::okAction()
{
    const Outlets& o = outlets_;
    const bool chord = isChordMode();
    const QString name = o.nameTextField->text();
    const QString ownName = PlistValues::toStringOrNull(item_.value(kName));
    if (catalogue()->hasExerciseWithName(name, exerciseName_) && name != ownName) {
        showRefusal(chord ? QStringLiteral("A chord with this name already exists!")
                          : QStringLiteral("A scale with this name already exists!"),
                    localized(QStringLiteral("Please choose another name.")));
        return;
    }
    if (chord) {
        const QString shortName = o.shortNameTextField->text();
        if (!catalogue()->chordDictWithChordId(shortName).isEmpty()
            && shortName != PlistValues::toStringOrNull(item_.value(kChordId))) {
            showRefusal(QStringLiteral("A chord with this short name already exists!"),
                        localized(QStringLiteral("Please choose another short name.")));
            return;
        }
    }
    const QVariantMap item = _itemFromNoteView();
    if (item.isEmpty())
        return;
    const QString sameNotes = catalogue()->nameForExercise(item, exerciseName_);
    if (!sameNotes.isNull() && sameNotes != ownName) {
        showRefusal(chord ? QStringLiteral("A chord with these notes already exists!")
                          : QStringLiteral("A scale with these notes already exists!"),
                    localized(sameNotes));
        return;
    }

    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    if (item_.isEmpty())
        prefs->addCustomExercise(item, exerciseName_);
    else if (chord)
        ZTChordUsage::replaceChord(item, int(itemIndex_));
    else
        prefs->replaceCustomExercise(item, int(itemIndex_), exerciseName_);
    closeAfterSave();
}

void ZTCustomExercisesWindowController::playAction()
{
    const auto instrument = ZTMIDIController::sharedInstance()->instrument();
    const QVariantMap item = _itemFromNoteView();
    if (!instrument || item.isEmpty())
        return;
    question_->setRootNoteNr(kMiddleC);
    question_->resetNoteCollections();
    question_->setItem(item);
    instrument->playSequence(question_->newMusicSequenceWithTempo(120));
}

void ZTCustomExercisesWindowController::cancelAction()
{
    window()->reject();
}
