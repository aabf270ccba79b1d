#pragma once

#include "ZTMainWindowServices.h"

#include <QPointer>
#include <QWidget>

class ImageButton;
class ZTChordProgressionStepView;
class ZTCountDownView;
class ZTMusicInstumentProtocol;
class ZTNoteView;

// The screen's views as the exercise engine sees them: thin adapters from the engine's
// control interfaces to the widgets of the main window. A widget that is gone makes every
// call do nothing.

class ZTCountDownAdapter : public ZTCountDownControl {
public:
    explicit ZTCountDownAdapter(ZTCountDownView* view);
    void start() override;
    void stop() override;
    void setValue(qint64 seconds) override;
    qint64 value() const override;
    bool isRunning() const override;
    void setColor(const ZTColor& color) override;
    bool isAutoplayCountdown() const override;
    void setIsAutoplayCountdown(bool autoplay) override;
    bool isHidden() const override;
    void setHidden(bool hidden) override;

private:
    QPointer<ZTCountDownView> view_;
};

class ZTButtonAdapter : public ZTButtonControl {
public:
    explicit ZTButtonAdapter(ImageButton* button);
    void setImage(const QString& imageName) override;
    void setAlternateImage(const QString& imageName) override;
    void setToolTip(const QString& text) override;

private:
    QPointer<ImageButton> button_;
};

class ZTStepViewAdapter : public ZTStepViewControl {
public:
    explicit ZTStepViewAdapter(ZTChordProgressionStepView* view);
    void setNumSteps(qint64 numSteps) override;
    void setHidden(bool hidden) override;
    void setCurrentStep(qint64 step) override;
    void setEnabled(bool enabled) override;

private:
    QPointer<ZTChordProgressionStepView> view_;
};

// Follows whichever instrument view (keyboard or fretboard) is current.
class ZTInstrumentViewAdapter : public ZTInstrumentViewControl {
public:
    void setView(ZTMusicInstumentProtocol* view);
    ZTMusicInstumentProtocol* view() const;

    void unmarkAllNotes() override;
    void markNoteGreen(const QVNote& note, qint64 position) override;
    void markNoteRed(const QVNote& note, qint64 position) override;
    void setGreenNotesFromTestWithStep(qint64 step) override;
    void setMusicalTest(std::shared_ptr<ZTMusicalTest> test) override;
    qint64 step() const override;
    void setStep(qint64 step) override;
    void setNeedsDisplay() override;

private:
    ZTMusicInstumentProtocol* view_ = nullptr;
    QPointer<QWidget> widget_; // tells whether view_ is still alive
};

class ZTStaffAdapter : public ZTStaffControl {
public:
    explicit ZTStaffAdapter(ZTNoteView* view);
    void setTest(std::shared_ptr<ZTMusicalTest> test) override;
    void setShowNoteNames(bool show) override;
    void resetNotes() override;
    void addNoteCollection(const ZTNoteCollection& collection) override;
    void setNoteCollections(const QList<ZTNoteCollection>& collections) override;
    void showNotesFromTest() override;
    void showSignatureWithNr(qint64 number) override;
    void setNeedsDisplay() override;

private:
    QPointer<ZTNoteView> view_;
};
