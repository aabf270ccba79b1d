#include "ZTEditorWindowController.h"

#include "Alert.h"
#include "Localization.h"
#include "PlistValues.h"
#include "ZTDataProvider.h"
#include "ZTPreferencesControls.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <climits>

namespace {

ZTEditorWindowController::Runner& installedRunner()
{
    static ZTEditorWindowController::Runner runner;
    return runner;
}

} // namespace

ZTEditorWindowController::~ZTEditorWindowController()
{
    delete window_;
}

void ZTEditorWindowController::setRunner(Runner runner)
{
    installedRunner() = std::move(runner);
}

QDialog* ZTEditorWindowController::window()
{
    if (!window_) {
        window_ = buildWindow();
        window_->setWindowModality(Qt::ApplicationModal);
        windowDidLoad();
    }
    return window_;
}

int ZTEditorWindowController::runModal()
{
    QDialog* shown = window();
    if (installedRunner())
        return installedRunner()(*this);
    return shown->exec();
}

void ZTEditorWindowController::closeAfterSave()
{
    window()->done(QDialog::Accepted);
}

void ZTEditorWindowController::showRefusal(const QString& message, const QString& informativeText)
{
    Alert::runModal({localized(message), informativeText, {localized(QStringLiteral("OK"))}, Alert::Style::Warning},
                    window());
}

void ZTEditorWindowController::addGroupAndLevelRows(QFormLayout* form, QWidget* window, CommonControls& controls)
{
    controls.groupLabel = new QLabel(window);
    controls.groupPopup = ZTPopups::make(window, 260);
    form->addRow(controls.groupLabel, controls.groupPopup);
    controls.levelLabel = new QLabel(window);
    controls.levelPopup = ZTPopups::make(window, 260);
    form->addRow(controls.levelLabel, controls.levelPopup);
}

void ZTEditorWindowController::addButtonRow(QVBoxLayout* column, QWidget* window, CommonControls& controls)
{
    auto* buttons = new QHBoxLayout;
    controls.playButton = new QPushButton(window);
    controls.cancelButton = new QPushButton(window);
    controls.saveButton = new QPushButton(window);
    controls.saveButton->setDefault(true);
    buttons->addWidget(controls.playButton);
    buttons->addStretch();
    buttons->addWidget(controls.cancelButton);
    buttons->addWidget(controls.saveButton);
    column->addSpacing(12);
    column->addLayout(buttons);
}

void ZTEditorWindowController::setUpCommonControls(const CommonControls& controls, const QString& test,
                                                   const QVariantMap& item)
{
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    controls.groupPopup->clear();
    for (const QVariant& entry : catalogue->groupsForTestWithName(test)) {
        const QVariantMap group = entry.toMap();
        controls.groupPopup->addItem(localized(PlistValues::toStringOrNull(group.value(QStringLiteral("name")))),
                                     group.value(QStringLiteral("id")).toLongLong());
    }
    QStringList levels;
    for (const QString& level : catalogue->levelsForTestWithName(test))
        levels << localized(level);
    ZTPopups::fill(controls.levelPopup, levels);

    controls.groupLabel->setText(localized(QStringLiteral("Group")));
    controls.levelLabel->setText(localized(QStringLiteral("Standard level")));
    controls.playButton->setText(localized(QStringLiteral("Play")));
    controls.cancelButton->setText(localized(QStringLiteral("Cancel")));
    controls.saveButton->setText(localized(QStringLiteral("Save")));

    const int group = groupMenuIndexForGroupId(controls, item.value(QStringLiteral("group")).toLongLong());
    ZTPopups::select(controls.groupPopup, group >= 0 ? group : 0);
    const QVariant level = item.value(QStringLiteral("level"), 0LL);
    bool isNumber = false;
    const qlonglong levelIndex = level.toLongLong(&isNumber);
    ZTPopups::select(controls.levelPopup, isNumber && levelIndex <= INT_MAX ? int(levelIndex) : -1, level.toString());
}

int ZTEditorWindowController::groupMenuIndexForGroupId(const CommonControls& controls, qint64 groupId)
{
    return controls.groupPopup->findData(groupId);
}
