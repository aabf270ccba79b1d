#pragma once

#include "Localization.h"
#include "ZTAbstractTestController.h"
#include "ZTTest.h"

#include <QUrl>

#include <memory>

// The reading form of a recognition exercise: the items, the question set-up and the answer
// check of `Recognition`, but each question (a silent `Question`) is drawn on the staff
// instead of played, and the encyclopedia shows the recognition exercise's article.
// Subclasses give the exercise name and the texts.
template <typename Recognition, typename Question>
class ZTStaffReadingController : public Recognition {
public:
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override
    {
        if (item.isEmpty())
            return nullptr;
        return ZTTest::create<Question>(item);
    }

    std::shared_ptr<ZTTest> playTestWithItem(const QVariantMap& item, const QVariant& userInfo) override
    {
        return this->showTestWithItemOnStaff(item, userInfo);
    }

    QUrl getWikiURLForCurrentTest() const override
    {
        const std::shared_ptr<ZTTest> test = this->currentTest();
        return this->getWikiURLForTestWithExerciseName(Recognition::testName(), test ? test->name() : QString());
    }

    QString practiceMessage() const override
    {
        return localized(QStringLiteral("Click on any item in the sidebar to see it"));
    }
};
