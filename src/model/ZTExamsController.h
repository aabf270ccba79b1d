#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

class ZTTest;

// The exam runner: while an exam runs it stands in for the per-exercise settings of the
// exercise controllers and collects their answers. Nothing in the application creates one.
class ZTExamsController {
public:
    virtual ~ZTExamsController() = default;

    // The current exam question's "level" value: the item names to draw from.
    virtual QStringList itemsForCurrentTest() const = 0;
    // An answer-time title.
    virtual QString answerTimeForCurrentTest() const = 0;
    virtual int numberOfTryoutsForCurrentTest() const = 0;
    virtual bool showNoteNameForCurrentTest() const = 0;
    virtual bool showfirstnoteForCurrentTest() const = 0;
    // Low and high MIDI note numbers joined by a comma.
    virtual QString basenoteForCurrentTest() const = 0;
    virtual int descendingForCurrentTest() const = 0;

    virtual void processRightAnswerWithItem(const QVariantMap& item, ZTTest* currentTest) = 0;
    // testEnded: the tries are used up.
    virtual void processWrongAnswerWithItem(const QVariantMap& item, ZTTest* currentTest, bool testEnded) = 0;
};
