#include "ZTSettingsOutlineView.h"

#include "Fonts.h"
#include "PlistValues.h"
#include "ZTDataProvider.h"
#include "ZTListScroller.h"
#include "ZTOutlineHeaderCell.h"
#include "ZTOutlineTextCell.h"
#include "ZTPreferencesControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>

using Column = ZTExerciseSettings::Column;
using Editor = ZTExerciseSettings::Editor;

namespace {

constexpr int kRowHeight = 26;
constexpr int kEditorWidth = 200;
constexpr int kRecordRole = Qt::UserRole;

// Names: exercise rows as headers, setting rows as right-aligned value names.
class NameDelegate : public QStyledItemDelegate {
public:
    explicit NameDelegate(QObject* parent) : QStyledItemDelegate(parent), header_(this), text_(this) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (index.parent().isValid())
            text_.paint(painter, option, index);
        else
            header_.paint(painter, option, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(0, kRowHeight));
    }

private:
    ZTOutlineHeaderCell header_;
    ZTOutlineTextCell text_;
};

int columnIndex(Column column)
{
    return int(column);
}

QString exerciseNameOf(const QVariantMap& record)
{
    return PlistValues::toStringOrNull(record.value(ZTExerciseSettings::isExerciseRow(record) ? QStringLiteral("name")
                                                                                               : QStringLiteral("parent")));
}

void setTitles(QComboBox* popup, const QStringList& titles)
{
    QStringList current;
    for (int i = 0; i < popup->count(); ++i)
        current << popup->itemText(i);
    if (current != titles)
        ZTPopups::fill(popup, titles);
}

} // namespace

ZTSettingsOutlineView::ZTSettingsOutlineView(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("testsOutlineView"));
    setColumnCount(3);
    setHeaderLabels({ZTExerciseSettings::identifier(Column::Name), ZTExerciseSettings::identifier(Column::Value),
                     ZTExerciseSettings::identifier(Column::Value2)});
    header()->hide();
    header()->setStretchLastSection(true);
    setColumnWidth(columnIndex(Column::Name), 250);
    setColumnWidth(columnIndex(Column::Value), 210);
    // No text editing and no selection: the editors act on their own.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setUniformRowHeights(true);
    setVerticalScrollBar(new ZTListScroller(Qt::Vertical, this));
    setHorizontalScrollBar(new ZTListScroller(Qt::Horizontal, this));
    setItemDelegateForColumn(columnIndex(Column::Name), new NameDelegate(this));
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { makeCells(item); });
}

void ZTSettingsOutlineView::reloadData()
{
    QStringList open;
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isExpanded())
            open << exerciseNameOf(recordOf(topLevelItem(i)));

    // The editors go with their rows.
    clear();
    controlls_.clear();
    const QFont headerFont = Fonts::system(13, true);
    for (const QVariant& entry : ZTDataProvider::sharedDataProvider()->tests()) {
        const QVariantMap exercise = entry.toMap();
        auto* exerciseItem = new QTreeWidgetItem(this);
        exerciseItem->setData(0, kRecordRole, exercise);
        exerciseItem->setText(0, ZTExerciseSettings::objectValue(exercise, Column::Name).toString());
        exerciseItem->setFont(0, headerFont);
        exerciseItem->setFirstColumnSpanned(true);
        exerciseItem->setChildIndicatorPolicy(ZTExerciseSettings::isExpandable(exercise)
                                                  ? QTreeWidgetItem::ShowIndicator
                                                  : QTreeWidgetItem::DontShowIndicator);
        for (const QVariant& settingEntry : exercise.value(QStringLiteral("settings")).toList()) {
            const QVariantMap setting = settingEntry.toMap();
            auto* settingItem = new QTreeWidgetItem(exerciseItem);
            settingItem->setData(0, kRecordRole, setting);
            settingItem->setText(0, ZTExerciseSettings::objectValue(setting, Column::Name).toString());
            settingItem->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (open.contains(exerciseNameOf(recordOf(topLevelItem(i)))))
            topLevelItem(i)->setExpanded(true);
}

void ZTSettingsOutlineView::reloadValues(const QString& exercise)
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* exerciseItem = topLevelItem(i);
        if (!exercise.isNull() && exerciseNameOf(recordOf(exerciseItem)) != exercise)
            continue;
        for (int j = 0; j < exerciseItem->childCount(); ++j)
            applyValues(exerciseItem->child(j));
    }
}

void ZTSettingsOutlineView::expandExerciseAtIndex(int index)
{
    if (QTreeWidgetItem* item = topLevelItem(index))
        item->setExpanded(true);
}

bool ZTSettingsOutlineView::isExerciseExpanded(const QString& exercise) const
{
    const QTreeWidgetItem* item = itemForExercise(exercise);
    return item && item->isExpanded();
}

QTreeWidgetItem* ZTSettingsOutlineView::itemForExercise(const QString& exercise) const
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (exerciseNameOf(recordOf(topLevelItem(i))) == exercise)
            return topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* ZTSettingsOutlineView::itemForSetting(const QString& exercise, const QString& setting) const
{
    QTreeWidgetItem* exerciseItem = itemForExercise(exercise);
    for (int i = 0; exerciseItem && i < exerciseItem->childCount(); ++i)
        if (recordOf(exerciseItem->child(i)).value(QStringLiteral("name")).toString() == setting)
            return exerciseItem->child(i);
    return nullptr;
}

QWidget* ZTSettingsOutlineView::cachedCell(const QString& exercise, const QString& setting, bool secondColumn) const
{
    const QString key = secondColumn ? setting + QStringLiteral("-2") : setting;
    return controlls_.value(exercise).value(key);
}

// ---- Cells ----

QVariantMap ZTSettingsOutlineView::recordOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kRecordRole).toMap() : QVariantMap();
}

QString ZTSettingsOutlineView::cacheKey(const QVariantMap& setting, Column column)
{
    const QString name = setting.value(QStringLiteral("name")).toString();
    return column == Column::Value2 ? name + QStringLiteral("-2") : name;
}

void ZTSettingsOutlineView::makeCells(QTreeWidgetItem* exerciseItem)
{
    for (int i = 0; i < exerciseItem->childCount(); ++i) {
        QTreeWidgetItem* settingItem = exerciseItem->child(i);
        const QVariantMap setting = recordOf(settingItem);
        for (const Column column : {Column::Value, Column::Value2}) {
            QWidget* cell = dataCell(setting, column);
            if (cell && itemWidget(settingItem, columnIndex(column)) != cell)
                setItemWidget(settingItem, columnIndex(column), cell);
        }
        applyValues(settingItem);
    }
}

QWidget* ZTSettingsOutlineView::dataCell(const QVariantMap& setting, Column column)
{
    const QString exercise = exerciseNameOf(setting);
    const QString key = cacheKey(setting, column);
    if (QWidget* cached = controlls_.value(exercise).value(key))
        return cached;
    QWidget* cell = newCell(setting, column);
    if (cell)
        controlls_[exercise].insert(key, cell);
    return cell;
}

QWidget* ZTSettingsOutlineView::newCell(const QVariantMap& setting, Column column)
{
    switch (ZTExerciseSettings::editorFor(setting, column)) {
    case Editor::Popup:
        return newPopup(setting, column);
    case Editor::Checkbox: {
        auto* checkbox = new QCheckBox;
        checkbox->setChecked(true); // until the value is applied
        connect(checkbox, &QCheckBox::clicked, this,
                [this, setting](bool on) { cellChanged(setting, Column::Value, on ? 1 : 0); });
        return checkbox;
    }
    case Editor::Slider:
        return newSlider(setting);
    case Editor::Text: {
        auto* text = new QLabel;
        text->setFont(Fonts::system(12));
        text->setIndent(8);
        return text;
    }
    case Editor::None:
        break;
    }
    return nullptr;
}

QComboBox* ZTSettingsOutlineView::newPopup(const QVariantMap& setting, Column column)
{
    auto* popup = new ZTElidingPopup;
    popup->setFont(Fonts::system(12));
    popup->setFocusPolicy(Qt::NoFocus);
    popup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    popup->setMinimumContentsLength(8);
    popup->setMaxVisibleItems(20);
    popup->setMaximumWidth(kEditorWidth);
    connect(popup, &QComboBox::activated, this,
            [this, setting, column](int index) { cellChanged(setting, column, index); });
    return popup;
}

ZTFloatSlider* ZTSettingsOutlineView::newSlider(const QVariantMap& setting)
{
    auto* slider = new ZTFloatSlider;
    slider->setMaximumWidth(kEditorWidth);
    slider->setDoubleRange(PlistValues::toFloat(setting.value(QStringLiteral("min"))),
                           PlistValues::toFloat(setting.value(QStringLiteral("max"))));
    slider->setFocusPolicy(Qt::NoFocus);
    connect(slider, &ZTFloatSlider::chosen, this,
            [this, setting](double value) { cellChanged(setting, Column::Value, value); });
    connect(slider, &ZTFloatSlider::knobDrawn, this, [this, setting] { sliderAction(setting); });
    return slider;
}

void ZTSettingsOutlineView::applyValues(QTreeWidgetItem* settingItem)
{
    const QVariantMap setting = recordOf(settingItem);
    const QString exercise = exerciseNameOf(setting);
    for (const Column column : {Column::Value, Column::Value2})
        if (QWidget* cell = controlls_.value(exercise).value(cacheKey(setting, column)))
            applyValue(cell, setting, column);
}

void ZTSettingsOutlineView::applyValue(QWidget* cell, const QVariantMap& setting, Column column)
{
    if (auto* popup = qobject_cast<QComboBox*>(cell)) {
        setTitles(popup, ZTExerciseSettings::titles(setting, column));
        ZTPopups::select(popup, ZTExerciseSettings::objectValue(setting, column).toInt());
    } else if (auto* checkbox = qobject_cast<QCheckBox*>(cell)) {
        checkbox->setChecked(ZTExerciseSettings::objectValue(setting, column).toInt() != 0);
    } else if (auto* slider = qobject_cast<ZTFloatSlider*>(cell)) {
        // A knob the user holds stays under the mouse.
        if (!slider->isSliderDown())
            slider->setDoubleValue(ZTExerciseSettings::objectValue(setting, column).toDouble());
    } else if (auto* text = qobject_cast<QLabel*>(cell)) {
        const auto* slider = qobject_cast<ZTFloatSlider*>(controlls_.value(exerciseNameOf(setting))
                                                              .value(cacheKey(setting, Column::Value)));
        const qint64 knob = slider ? slider->cell().myIntegerValue() : 0;
        text->setText(ZTExerciseSettings::objectValue(setting, column, knob).toString());
    }
}

void ZTSettingsOutlineView::cellChanged(const QVariantMap& setting, Column column, const QVariant& value)
{
    const bool movedOtherEnd = ZTExerciseSettings::setObjectValue(value, setting, column);
    if (movedOtherEnd) {
        reloadValues(exerciseNameOf(setting));
        return;
    }
    // A choice the store did not take (an index past a list) shows the stored value again.
    if (QTreeWidgetItem* item = itemForSetting(exerciseNameOf(setting), setting.value(QStringLiteral("name")).toString()))
        applyValues(item);
}

void ZTSettingsOutlineView::sliderAction(const QVariantMap& setting)
{
    if (QWidget* text = controlls_.value(exerciseNameOf(setting)).value(cacheKey(setting, Column::Value2)))
        applyValue(text, setting, Column::Value2);
}
