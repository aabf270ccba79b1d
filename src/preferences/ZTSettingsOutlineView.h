#pragma once

#include "ZTExerciseSettings.h"

#include <QHash>
#include <QPointer>
#include <QTreeWidget>
#include <QVariantMap>

class QComboBox;
class ZTFloatSlider;

// The Exercises tab: every exercise of the catalogue as a group row, its settings below it,
// each with the editor of its type in the "value" column and, for note ranges and sliders, a
// second editor or the value text in "value2". A choice is stored at once.
//
// Editors are made when their exercise is first opened and kept in a cache (exercise name ->
// setting name, or setting name + "-2" for the third column -> editor) until reloadData;
// every re-read sets a pop-up's titles again, so its index always matches the current list
// (custom levels and scale items change). Main thread only.
class ZTSettingsOutlineView : public QTreeWidget {
    Q_OBJECT
public:
    explicit ZTSettingsOutlineView(QWidget* parent = nullptr);

    // Rebuilds the rows from the catalogue and empties the cache, so every pop-up is made
    // again with the current note names. Open exercises stay open.
    void reloadData();
    // Re-reads the titles and values of the editors already made: of one exercise, or of all.
    void reloadValues(const QString& exercise = {});

    // Opens the row of the exercise at that catalogue index (nothing for another index).
    void expandExerciseAtIndex(int index);
    bool isExerciseExpanded(const QString& exercise) const;

    QTreeWidgetItem* itemForExercise(const QString& exercise) const;
    QTreeWidgetItem* itemForSetting(const QString& exercise, const QString& setting) const;
    // The cached editor of a setting; `secondColumn` for "value2". Null when none is made.
    QWidget* cachedCell(const QString& exercise, const QString& setting, bool secondColumn = false) const;

private:
    static QVariantMap recordOf(const QTreeWidgetItem* item);
    static QString cacheKey(const QVariantMap& setting, ZTExerciseSettings::Column column);

    void makeCells(QTreeWidgetItem* exerciseItem);
    QWidget* dataCell(const QVariantMap& setting, ZTExerciseSettings::Column column);
    QWidget* newCell(const QVariantMap& setting, ZTExerciseSettings::Column column);
    QComboBox* newPopup(const QVariantMap& setting, ZTExerciseSettings::Column column);
    ZTFloatSlider* newSlider(const QVariantMap& setting);
    void applyValues(QTreeWidgetItem* settingItem);
    void applyValue(QWidget* cell, const QVariantMap& setting, ZTExerciseSettings::Column column);
    void cellChanged(const QVariantMap& setting, ZTExerciseSettings::Column column, const QVariant& value);
    // Follows the slider's knob with the value text beside it.
    void sliderAction(const QVariantMap& setting);

    QHash<QString, QHash<QString, QPointer<QWidget>>> controlls_;
};
