#pragma once

#include "QVNote.h"

#include <QList>

#include <functional>
#include <memory>

class QWidget;
class ZTChordProgressionStepView;
class ZTMusicalTest;
class ZTMusicInstumentProtocol;

// Marks of an instrument view, by answer position (one position per chord of a chord
// progression, else only 0). A position without marks holds an empty list.
using ZTMarkList = QList<QList<QVNote>>;

// Told about every note the user plays on an instrument view.
class ZTMusicInstumentDelegate {
public:
    virtual ~ZTMusicInstumentDelegate() = default;
    virtual void instrumentView(ZTMusicInstumentProtocol* view, const QVNote& notePressed) = 0;
};

// What the exercise controllers ask of the keyboard and the fretboard.
class ZTMusicInstumentProtocol {
public:
    virtual ~ZTMusicInstumentProtocol() = default;

    // The widget that shows the instrument.
    virtual QWidget* view() = 0;

    // Releases every key or place held down.
    virtual void allNotesUp() = 0;
    // Clears the green and red marks and hides the main window's step bar.
    virtual void unmarkAllNotes() = 0;
    virtual void markNoteGreen(const QVNote& note, qint64 position) = 0;
    virtual void markNoteRed(const QVNote& note, qint64 position) = 0;
    // Replaces the green marks of one position.
    virtual void setGreenNotes(const QList<QVNote>& notes, qint64 position) = 0;
    void setGreenNotesFromTest() { setGreenNotesFromTestWithStep(0); }
    // Green marks from the question; sets up the step bar for a chord progression.
    virtual void setGreenNotesFromTestWithStep(qint64 step) = 0;

    virtual std::shared_ptr<ZTMusicalTest> musicalTest() const = 0;
    virtual void setMusicalTest(std::shared_ptr<ZTMusicalTest> test) = 0;
    // Which position's marks are drawn; -1 draws them all.
    virtual qint64 step() const = 0;
    virtual void setStep(qint64 step) = 0;
    // Not owned.
    virtual ZTMusicInstumentDelegate* delegate() const = 0;
    virtual void setDelegate(ZTMusicInstumentDelegate* delegate) = 0;
    virtual const ZTMarkList& greenNotes() const = 0;
    virtual void setGreenNotes(const ZTMarkList& marks) = 0;
    virtual const ZTMarkList& redNotes() const = 0;
    virtual void setRedNotes(const ZTMarkList& marks) = 0;

    // The main window's step bar, which the instrument views show and set up. The main
    // window installs the way to reach it; without one there is no bar.
    static void setStepViewProvider(std::function<ZTChordProgressionStepView*()> provider);
    static ZTChordProgressionStepView* chordProgressionStepView();
};
