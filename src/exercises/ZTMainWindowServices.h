#pragma once

#include "ZTNoteCollection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class ZTMusicalTest;

// What the exercise engine drives on the exercise screen, as small interfaces: the engine
// links no widget library, so the main view controller adapts its views to these (tests use
// fakes). Every pointer handed out is non-owning and may be null; callers check it.

// A colour as sRGB fractions.
struct ZTColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const ZTColor&, const ZTColor&) = default;

    static ZTColor whiteColor(double alpha = 1.0) { return {1, 1, 1, alpha}; }
    static ZTColor blackColor() { return {0, 0, 0, 1}; }
    static ZTColor redColor() { return {1, 0, 0, 1}; }
};

// The count-down digits of the main window (answer time in red, auto-advance pause in white).
class ZTCountDownControl {
public:
    virtual ~ZTCountDownControl() = default;
    virtual void start() = 0;
    // Stops and hides without announcing the end.
    virtual void stop() = 0;
    virtual void setValue(qint64 seconds) = 0;
    // The whole seconds shown.
    virtual qint64 value() const = 0;
    // Counting down (started and not yet stopped or run out).
    virtual bool isRunning() const = 0;
    virtual void setColor(const ZTColor& color) = 0;
    virtual bool isAutoplayCountdown() const = 0;
    virtual void setIsAutoplayCountdown(bool autoplay) = 0;
    virtual bool isHidden() const = 0;
    virtual void setHidden(bool hidden) = 0;
};

// A button whose look the engine sets: the next-question button and its touch-bar twin
// (which only shows an image).
class ZTButtonControl {
public:
    virtual ~ZTButtonControl() = default;
    virtual void setImage(const QString& imageName) = 0;
    virtual void setAlternateImage(const QString& imageName) { Q_UNUSED(imageName) }
    virtual void setToolTip(const QString& text) { Q_UNUSED(text) }
};

// The chord-progression step bar.
class ZTStepViewControl {
public:
    virtual ~ZTStepViewControl() = default;
    virtual void setNumSteps(qint64 numSteps) = 0;
    virtual void setHidden(bool hidden) = 0;
    // -1 chooses every step.
    virtual void setCurrentStep(qint64 step) = 0;
    virtual void setEnabled(bool enabled) = 0;
};

// The keyboard or fretboard: right (green) and wrong (red) marks by answer position, and the
// question that shapes the notes the user enters.
class ZTInstrumentViewControl {
public:
    virtual ~ZTInstrumentViewControl() = default;
    virtual void unmarkAllNotes() = 0;
    virtual void markNoteGreen(const QVNote& note, qint64 position) = 0;
    virtual void markNoteRed(const QVNote& note, qint64 position) = 0;
    // Green marks from the current question; -1 for every position.
    virtual void setGreenNotesFromTestWithStep(qint64 step) = 0;
    virtual void setMusicalTest(std::shared_ptr<ZTMusicalTest> test) = 0;
    virtual qint64 step() const = 0;
    virtual void setStep(qint64 step) = 0;
    // Redraw (note names follow the settings).
    virtual void setNeedsDisplay() = 0;
};

// The staff.
class ZTStaffControl {
public:
    virtual ~ZTStaffControl() = default;
    virtual void setTest(std::shared_ptr<ZTMusicalTest> test) = 0;
    virtual void setShowNoteNames(bool show) = 0;
    virtual void resetNotes() = 0;
    virtual void addNoteCollection(const ZTNoteCollection& collection) = 0;
    virtual void setNoteCollections(const QList<ZTNoteCollection>& collections) = 0;
    // Shows the notes of the question given with setTest.
    virtual void showNotesFromTest() = 0;
    virtual void showSignatureWithNr(qint64 number) = 0;
    virtual void setNeedsDisplay() = 0;
};

// The sidebar list of the level's items. Its tag is the answer gate: 1 lets clicks answer,
// 0 refuses them. The rows come from the exercise controller (its table data-source
// operations); the list asks for them again on reloadData.
class ZTSidebarControl {
public:
    virtual ~ZTSidebarControl() = default;
    virtual int tag() const = 0;
    virtual void setTag(int tag) = 0;
    virtual void reloadData() = 0;
    // -1 when nothing is selected.
    virtual qint64 selectedRow() const = 0;
    virtual void deselectAll() = 0;
};

// What one sidebar row shows.
struct ZTSidebarCell {
    static constexpr double kHeight = 22.0;
    static inline const QString kIdentifier = QStringLiteral("MyView");

    qint64 row = 0;
    bool isGroupRow = false;
    QString title;
    ZTColor titleColor = ZTColor::whiteColor();
    // Empty for no background image.
    QString backgroundImage;
    // The row's pop-up (chord inversions); a choice comes back through the controller's
    // tableViewCellPopupClicked.
    QStringList popupTitles;
    bool popupEnabled = false;
};

// The statistics bar graph: records come from the exercise controller's graph data-source
// operations.
class ZTGraphControl {
public:
    virtual ~ZTGraphControl() = default;
    virtual void reloadData() = 0;
    // The default plot space's x and y ranges.
    virtual void setPlotRanges(double xLocation, double xLength, double yLocation, double yLength) = 0;
};

// A bar's data label.
struct ZTGraphLabel {
    QString text;
    QString fontName = QStringLiteral("Helvetica");
    double fontSize = 12.0; // as large as the axis labels
    ZTColor color = ZTColor::blackColor();
};

// The main window's parts that the exercise controllers reach outside their own views.
// The main view controller installs itself with setShared and removes itself (nullptr)
// before it goes away.
class ZTMainWindowServices {
public:
    virtual ~ZTMainWindowServices() = default;

    static ZTMainWindowServices* shared();
    static void setShared(ZTMainWindowServices* services);

    virtual ZTCountDownControl* countDownView() = 0;
    virtual ZTButtonControl* nextButton() = 0;
    virtual ZTButtonControl* touchBarNextButton() = 0;
    virtual ZTStepViewControl* chordProgressionStepView() = 0;
    virtual ZTInstrumentViewControl* instrumentView() = 0;
    // Loads the encyclopedia page of the current question when the pane is shown.
    virtual void loadWebView() = 0;
};
