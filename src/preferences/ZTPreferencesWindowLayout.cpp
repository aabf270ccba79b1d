// The preferences window's layout. Texts that the settings decide (titles of pop-ups, labels
// filled from the string table) are set by the controller's fills.
#include "Fonts.h"
#include "ZTPreferencesControls.h"
#include "ZTPreferencesOutlets.h"
#include "ZTRowTableView.h"
#include "ZTSettingsOutlineView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kPopupWidth = 220;
constexpr int kShortPopupWidth = 70;

QComboBox* popup(QWidget* parent, int width = kPopupWidth)
{
    return ZTPopups::make(parent, width);
}

QLabel* label(QWidget* parent)
{
    return new QLabel(parent);
}

QLabel* sectionLabel(QWidget* parent)
{
    auto* text = new QLabel(parent);
    text->setFont(Fonts::system(12, true));
    return text;
}

QLineEdit* velocityField(QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setFixedWidth(44);
    field->setAlignment(Qt::AlignRight);
    field->setValidator(new ZTVelocityValidator(field));
    return field;
}

// A velocity field with its stepper beside it.
QWidget* velocityPair(QWidget* parent, QLineEdit** field, ZTStepper** stepper)
{
    auto* pair = new QWidget(parent);
    auto* row = new QHBoxLayout(pair);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    *field = velocityField(pair);
    *stepper = new ZTStepper(pair);
    row->addWidget(*field);
    row->addWidget(*stepper);
    row->addStretch();
    return pair;
}

QWidget* exercisesTab(ZTPreferencesOutlets& o)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 8, 8, 8);
    o.testsOutlineView = new ZTSettingsOutlineView(page);
    layout->addWidget(o.testsOutlineView);
    return page;
}

QWidget* generalTab(ZTPreferencesOutlets& o)
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    form->setContentsMargins(40, 24, 40, 24);
    form->setVerticalSpacing(12);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    o.noteSpellingLabel = label(page);
    o.spellingTypePopupButton = popup(page);
    form->addRow(o.noteSpellingLabel, o.spellingTypePopupButton);
    o.noteNamesLabel = label(page);
    o.noteNamesPopupButton = popup(page);
    form->addRow(o.noteNamesLabel, o.noteNamesPopupButton);

    o.autoPlayCheckbox = new QCheckBox(page);
    auto* autoPlay = new QWidget(page);
    auto* autoPlayRow = new QVBoxLayout(autoPlay);
    autoPlayRow->setContentsMargins(0, 0, 0, 0);
    o.autoPlayAfterPopupButton = popup(autoPlay);
    o.afterCorrectAnswerRadioButton = new QRadioButton(autoPlay);
    o.alwaysRadioButton = new QRadioButton(autoPlay);
    o.autoPlayRadioGroup = new QButtonGroup(autoPlay);
    o.autoPlayRadioGroup->addButton(o.afterCorrectAnswerRadioButton, 0);
    o.autoPlayRadioGroup->addButton(o.alwaysRadioButton, 1);
    autoPlayRow->addWidget(o.autoPlayAfterPopupButton);
    autoPlayRow->addWidget(o.afterCorrectAnswerRadioButton);
    autoPlayRow->addWidget(o.alwaysRadioButton);
    form->addRow(o.autoPlayCheckbox, autoPlay);

    o.ignoreOctaveCHeckbox = new QCheckBox(page);
    form->addRow(QString(), o.ignoreOctaveCHeckbox);

    o.soundRightAnswerLabel = label(page);
    o.soundRightAnswerPopup = popup(page);
    form->addRow(o.soundRightAnswerLabel, o.soundRightAnswerPopup);
    o.soundWrongAnswerLabel = label(page);
    o.soundWrongAnswerPopup = popup(page);
    form->addRow(o.soundWrongAnswerLabel, o.soundWrongAnswerPopup);
    return page;
}

QGroupBox* midiInBox(QWidget* page, ZTPreferencesOutlets& o)
{
    o.midiInBox = new QGroupBox(page);
    auto* row = new QHBoxLayout(o.midiInBox);
    o.midiInPopupButton = popup(o.midiInBox);
    o.midiInChannelLabel = label(o.midiInBox);
    o.midiInChannelPopup = popup(o.midiInBox, kShortPopupWidth);
    o.midiThroughCheckbox = new QCheckBox(o.midiInBox);
    row->addWidget(o.midiInPopupButton);
    row->addSpacing(16);
    row->addWidget(o.midiInChannelLabel);
    row->addWidget(o.midiInChannelPopup);
    row->addSpacing(16);
    row->addWidget(o.midiThroughCheckbox);
    row->addStretch();
    return o.midiInBox;
}

// Channel, velocity and rhythm note of General MIDI outputs (the system synthesizer and
// external destinations).
QWidget* generalMIDIParamView(QWidget* parent, ZTPreferencesOutlets& o)
{
    auto* view = new QWidget(parent);
    auto* grid = new QGridLayout(view);
    grid->setContentsMargins(0, 4, 0, 0);
    o.normalExercisesLabel = sectionLabel(view);
    o.midiOutChannelLabel = label(view);
    o.midiOutChannelPopup = popup(view, kShortPopupWidth);
    o.midiOutVelocityLabel = label(view);
    QWidget* tonalVelocity = velocityPair(view, &o.midiOutVelocityTextInput, &o.midiOutVelocityStepper);
    grid->addWidget(o.normalExercisesLabel, 0, 0, 1, 2);
    grid->addWidget(o.midiOutChannelLabel, 1, 0, Qt::AlignRight);
    grid->addWidget(o.midiOutChannelPopup, 1, 1);
    grid->addWidget(o.midiOutVelocityLabel, 2, 0, Qt::AlignRight);
    grid->addWidget(tonalVelocity, 2, 1);

    o.rhythmExerciseLabel = sectionLabel(view);
    o.midiOutRhythmCHannelLabel = label(view);
    o.midiOutRhythmChannelPopup = popup(view, kShortPopupWidth);
    o.midiOutRhythmVelocityLabel = label(view);
    QWidget* rhythmVelocity = velocityPair(view, &o.midiOutRhythmVelocityTextInput, &o.midiOutRhythmVelocityStepper);
    o.midiOutRhythmNoteLabel = label(view);
    o.midiOutRhythmNotePopup = popup(view);
    grid->addWidget(o.rhythmExerciseLabel, 0, 3, 1, 2);
    grid->addWidget(o.midiOutRhythmCHannelLabel, 1, 3, Qt::AlignRight);
    grid->addWidget(o.midiOutRhythmChannelPopup, 1, 4);
    grid->addWidget(o.midiOutRhythmVelocityLabel, 2, 3, Qt::AlignRight);
    grid->addWidget(rhythmVelocity, 2, 4);
    grid->addWidget(o.midiOutRhythmNoteLabel, 3, 3, Qt::AlignRight);
    grid->addWidget(o.midiOutRhythmNotePopup, 3, 4);
    grid->setColumnMinimumWidth(2, 32);
    grid->setColumnStretch(5, 1);
    return view;
}

// Velocities and click sound of the built-in sample synthesizer.
QWidget* sampleSynthesizerParamView(QWidget* parent, ZTPreferencesOutlets& o)
{
    auto* view = new QWidget(parent);
    auto* grid = new QGridLayout(view);
    grid->setContentsMargins(0, 4, 0, 0);
    o.normalExerciseLabelMVSoftSynth = sectionLabel(view);
    o.midiOutVelocityLabelMVSoftSynth = label(view);
    QWidget* tonalVelocity =
        velocityPair(view, &o.midiOutVelocityTextInputMVSoftSynth, &o.midiOutVelocityStepperMVSoftSynth);
    grid->addWidget(o.normalExerciseLabelMVSoftSynth, 0, 0, 1, 2);
    grid->addWidget(o.midiOutVelocityLabelMVSoftSynth, 1, 0, Qt::AlignRight);
    grid->addWidget(tonalVelocity, 1, 1);

    o.rythmExerciseLabelMVSoftSynth = sectionLabel(view);
    o.midiOutRhythmVelocityLabelMVSoftSynth = label(view);
    QWidget* rhythmVelocity =
        velocityPair(view, &o.midiOutRhythmVelocityTextInputMVSoftSynth, &o.midiOutRhythmVelocityStepperMVSoftSynth);
    o.midiOutRhythmInstrumentMVSoftSynth = label(view);
    o.midiOutRhythmInstrumentPopupMVSoftSynth = popup(view);
    grid->addWidget(o.rythmExerciseLabelMVSoftSynth, 0, 3, 1, 2);
    grid->addWidget(o.midiOutRhythmVelocityLabelMVSoftSynth, 1, 3, Qt::AlignRight);
    grid->addWidget(rhythmVelocity, 1, 4);
    grid->addWidget(o.midiOutRhythmInstrumentMVSoftSynth, 2, 3, Qt::AlignRight);
    grid->addWidget(o.midiOutRhythmInstrumentPopupMVSoftSynth, 2, 4);
    grid->setRowStretch(3, 1);
    grid->setColumnMinimumWidth(2, 32);
    grid->setColumnStretch(5, 1);
    return view;
}

QGroupBox* midiOutBox(QWidget* page, ZTPreferencesOutlets& o)
{
    o.midiOutBox = new QGroupBox(page);
    auto* column = new QVBoxLayout(o.midiOutBox);
    o.midiOutPopupButton = popup(o.midiOutBox);
    o.GMMIDIParamView = generalMIDIParamView(o.midiOutBox, o);
    o.MVSoftSynthParamView = sampleSynthesizerParamView(o.midiOutBox, o);
    column->addWidget(o.midiOutPopupButton);
    column->addWidget(o.GMMIDIParamView);
    column->addWidget(o.MVSoftSynthParamView);
    return o.midiOutBox;
}

QGroupBox* midiRemoteBox(QWidget* page, ZTPreferencesOutlets& o)
{
    o.midiRemoteBox = new QGroupBox(page);
    auto* grid = new QGridLayout(o.midiRemoteBox);
    const auto addRow = [&](int row, QLabel** name, QComboBox** keys, QPushButton** capture) {
        *name = label(o.midiRemoteBox);
        *keys = popup(o.midiRemoteBox, 140);
        *capture = new QPushButton(o.midiRemoteBox);
        (*capture)->setCheckable(true);
        (*capture)->setFixedWidth(90);
        grid->addWidget(*name, row, 0, Qt::AlignRight);
        grid->addWidget(*keys, row, 1);
        grid->addWidget(*capture, row, 2);
    };
    addRow(0, &o.midiRemoteNextLabel, &o.remoteNextPopup, &o.remoteCaptureNextButton);
    addRow(1, &o.midiRemoteRepeatLabel, &o.remoteRepeatPopup, &o.remoteCaptureRepeatButton);
    grid->setColumnStretch(3, 1);
    return o.midiRemoteBox;
}

QGroupBox* microphoneBox(QWidget* page, ZTPreferencesOutlets& o)
{
    o.microphoneBox = new QGroupBox(page);
    auto* grid = new QGridLayout(o.microphoneBox);
    o.micThresholdLabel = label(o.microphoneBox);
    o.micThresholdSlider = new ZTFloatSlider(o.microphoneBox);
    o.micThresholdSlider->setFixedWidth(kPopupWidth);
    o.micRecognitionMethodTimeLabel = label(o.microphoneBox);
    o.micRecognitionPopupButton = popup(o.microphoneBox, 320);
    o.micHelpButton = new QToolButton(o.microphoneBox);
    o.micHelpButton->setText(QStringLiteral("?"));
    grid->addWidget(o.micThresholdLabel, 0, 0, Qt::AlignRight);
    grid->addWidget(o.micThresholdSlider, 0, 1);
    grid->addWidget(o.micRecognitionMethodTimeLabel, 1, 0, Qt::AlignRight);
    grid->addWidget(o.micRecognitionPopupButton, 1, 1);
    grid->addWidget(o.micHelpButton, 1, 2);
    grid->setColumnStretch(3, 1);
    return o.microphoneBox;
}

QWidget* audioMIDITab(ZTPreferencesOutlets& o)
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(16, 12, 16, 12);
    column->addWidget(midiInBox(page, o));
    column->addWidget(midiOutBox(page, o));
    column->addWidget(midiRemoteBox(page, o));
    column->addWidget(microphoneBox(page, o));
    column->addStretch();
    return page;
}

void setWhiteBackground(ZTRowTableView* table)
{
    QPalette white = table->palette();
    white.setColor(QPalette::Base, Qt::white);
    table->setPalette(white);
}

// A table on white with a "+" pull-down and a "-" button under it.
QWidget* tableWithButtons(QWidget* parent, ZTRowTableView* table, QPushButton** plus, QPushButton** minus)
{
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setWhiteBackground(table);
    column->addWidget(table);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    *plus = new QPushButton(QStringLiteral("+"), box);
    (*plus)->setMenu(new QMenu(*plus));
    *minus = new QPushButton(QStringLiteral("\u2212"), box);
    for (QPushButton* button : {*plus, *minus})
        button->setFixedSize(button == *plus ? 44 : 30, 23);
    buttons->addWidget(*plus);
    buttons->addWidget(*minus);
    buttons->addStretch();
    column->addLayout(buttons);
    return box;
}

QWidget* customLevelsTab(ZTPreferencesOutlets& o, ZTRowTableDataSource* tables)
{
    using Column = ZTRowTableView::Column;
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(16, 12, 16, 12);
    o.levelsTableView = new ZTRowTableView({Column{QStringLiteral("name")}}, tables, page);
    row->addWidget(tableWithButtons(page, o.levelsTableView, &o.levelPlusPopupButton, &o.levelMinusButton), 2);

    auto* items = new QVBoxLayout;
    o.melodyLevelView = new QWidget(page);
    auto* melody = new QGridLayout(o.melodyLevelView);
    melody->setContentsMargins(0, 0, 0, 4);
    o.numNotesLabel = label(o.melodyLevelView);
    o.numNotesPopupButton = popup(o.melodyLevelView, kShortPopupWidth);
    o.numOctavesLabel = label(o.melodyLevelView);
    o.numNotesOctacesButton = popup(o.melodyLevelView, kShortPopupWidth);
    o.scalesLabel = label(o.melodyLevelView);
    melody->addWidget(o.numNotesLabel, 0, 0, Qt::AlignRight);
    melody->addWidget(o.numNotesPopupButton, 0, 1);
    melody->addWidget(o.numOctavesLabel, 1, 0, Qt::AlignRight);
    melody->addWidget(o.numNotesOctacesButton, 1, 1);
    melody->addWidget(o.scalesLabel, 2, 0, 1, 2);
    melody->setColumnStretch(2, 1);
    items->addWidget(o.melodyLevelView);
    o.levelTestsTableView = new ZTRowTableView(
        {Column{QStringLiteral("check"), ZTRowTableView::ColumnKind::Tick}, Column{QStringLiteral("text")}}, tables,
        page);
    o.levelTestsTableView->setSelectionMode(QAbstractItemView::NoSelection);
    setWhiteBackground(o.levelTestsTableView);
    items->addWidget(o.levelTestsTableView);
    row->addLayout(items, 3);
    return page;
}

QWidget* customExercisesTab(ZTPreferencesOutlets& o, ZTRowTableDataSource* tables)
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(16, 12, 16, 12);
    o.customExercisesTableView = new ZTRowTableView({ZTRowTableView::Column{QStringLiteral("name")}}, tables, page);
    o.customExercisesTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    o.customExercisesTableView->setRowMovingEnabled(true);
    column->addWidget(tableWithButtons(page, o.customExercisesTableView, &o.customExercisePlusButton,
                                       &o.customExerciseMinusButton));
    return page;
}

QWidget* syncTab(ZTPreferencesOutlets& o)
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(40, 24, 40, 24);
    column->setSpacing(10);
    o.dropBoxSyncCheckbox = new QCheckBox(page);
    column->addWidget(o.dropBoxSyncCheckbox);
    auto* parts = new QVBoxLayout;
    parts->setContentsMargins(24, 0, 0, 0);
    o.dropBoxStatsCheckbox = new QCheckBox(page);
    o.dropBoxLevelsCheckbox = new QCheckBox(page);
    o.dropBoxPrefsCheckbox = new QCheckBox(page);
    parts->addWidget(o.dropBoxStatsCheckbox);
    parts->addWidget(o.dropBoxLevelsCheckbox);
    parts->addWidget(o.dropBoxPrefsCheckbox);
    column->addLayout(parts);
    o.dropboxTextLabel = label(page);
    o.dropboxTextLabel->setWordWrap(true);
    o.syncStatusLabel = label(page);
    o.syncStatusLabel->setWordWrap(true);
    o.syncStatusLabel->setFont(Fonts::system(12, true));
    column->addSpacing(8);
    column->addWidget(o.dropboxTextLabel);
    column->addWidget(o.syncStatusLabel);
    column->addStretch();
    return page;
}

// A page that scrolls where the window is too small for it, so that every control can be
// reached on a small screen.
QScrollArea* scrolled(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(page);
    // The page keeps the background of the tab it stands on.
    area->viewport()->setAutoFillBackground(false);
    page->setAutoFillBackground(false);
    return area;
}

} // namespace

QWidget* buildPreferencesWindow(ZTPreferencesOutlets& o, ZTRowTableDataSource* customTables)
{
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QStringLiteral("preferencesWindow"));
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(8, 8, 8, 8);
    o.tabView = new QTabWidget(window);
    o.tabView->setDocumentMode(false);
    o.customLevelsTab = customLevelsTab(o, customTables);
    o.customExercisesTab = customExercisesTab(o, customTables);
    // The settings outline scrolls by itself.
    o.tabView->addTab(exercisesTab(o), QString());
    for (QWidget* page : {generalTab(o), audioMIDITab(o), o.customLevelsTab, o.customExercisesTab, syncTab(o)})
        o.tabView->addTab(scrolled(page), QString());
    layout->addWidget(o.tabView);
    return window;
}
