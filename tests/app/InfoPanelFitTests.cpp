// The top bar's info panel at the sizes people meet: every prompt of every exercise shows
// whole, down to the descenders of its last line.
#include "WindowSizes.h"

#include "Localization.h"
#include "YUp.h"
#include "ZTAbstractTestController.h"
#include "ZTDataProvider.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTToolbarInfoView.h"

#include <QImage>
#include <QPainter>

namespace {

struct Prompt {
    QString image;
    QString title;
    QString subTitle;
};

class InfoPanelFitTest : public WindowSizeTest {
protected:
    // Every text the exercises put in the panel: the start message, a question with its hint,
    // the Learning mode message, and the verdicts on an answer.
    QList<Prompt> everyPrompt()
    {
        QList<Prompt> prompts;
        for (const QString& exercise : ZTDataProvider::sharedDataProvider()->testNames()) {
            ZTPreferences::sharedPreferences()->setCurrentExercise(exercise);
            advance(0.6);
            ZTAbstractTestController* c = screen()->currentLessonController();
            if (!c)
                continue;
            prompts << Prompt{QStringLiteral("infoIconSmall"), c->startTestString(), {}}
                    << Prompt{QStringLiteral("questionIconSmall"), c->questionString(), c->questionSubString()}
                    << Prompt{QStringLiteral("infoIconSmall"), localized(QStringLiteral("Learning Mode")), c->practiceMessage()};
            screen()->nextAction(ZTMainViewController::Sender::MenuItem);
            finishPlaying();
            const QString result = c->rightResultString();
            prompts << Prompt{QStringLiteral("rightIconSmall"), localized(QStringLiteral("Right!")), result}
                    << Prompt{QStringLiteral("wrongIconSmall"), localized(QStringLiteral("Wrong!")),
                              QStringLiteral("%1: %2").arg(localized(QStringLiteral("Right result is")), result)};
        }
        return prompts;
    }
};

bool isInk(QRgb pixel)
{
    return qGray(pixel) > 110;
}

// The ink of a drawn text, set again alone and unclipped: where its glyphs really reach.
QRect inkOf(const ZTToolbarInfoView::DrawnText& drawn, const QSize& panel)
{
    QImage alone(panel, QImage::Format_RGB32);
    alone.fill(Qt::black);
    QPainter painter(&alone);
    painter.setFont(drawn.font);
    painter.setPen(Qt::white);
    painter.drawText(YUp::toQt(drawn.rect, panel.height()), drawn.flags | Qt::TextDontClip, drawn.text);
    painter.end();
    QRect ink;
    for (int y = 0; y < alone.height(); ++y)
        for (int x = 0; x < alone.width(); ++x)
            if (isInk(alone.pixel(x, y)))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// Whether the picture shows ink in row `y` between `left` and `right`.
bool rowHasInk(const QImage& picture, int y, int left, int right)
{
    for (int x = left; x <= right; ++x)
        if (isInk(picture.pixel(x, y)))
            return true;
    return false;
}

} // namespace

TEST_P(InfoPanelFitTest, EveryPromptShowsWholeDownToItsLastLinesDescenders)
{
    openWindow();
    ZTToolbarInfoView* info = screen()->toolbarInfoView();
    QWidget* window = delegate()->window();
    EXPECT_TRUE(window->rect().contains(QRect(info->mapTo(window, QPoint(0, 0)), info->size())));
    // Inside the rim the panel's picture draws round it (1.5 of its 44 points, stretched).
    const QRect visible = info->rect().adjusted(3, 3, -3, -3);

    const QList<Prompt> prompts = everyPrompt();
    ASSERT_GT(prompts.size(), 50);
    for (const Prompt& prompt : prompts) {
        info->setImage(prompt.image);
        info->setTitle(prompt.title);
        info->setSubTitle(prompt.subTitle);
        const QImage picture = info->grab().toImage();
        ASSERT_EQ(picture.size(), info->size()); // one pixel a point
        const std::string where = sizeName() + ": " + prompt.title.toStdString() + " / " + prompt.subTitle.toStdString();
        EXPECT_EQ(info->drawnSubTitle().text, prompt.subTitle) << where;
        for (const ZTToolbarInfoView::DrawnText* drawn : {&info->drawnTitle(), &info->drawnSubTitle()}) {
            if (drawn->text.isEmpty())
                continue;
            const QRect ink = inkOf(*drawn, info->size());
            EXPECT_TRUE(visible.contains(ink)) << where << " ink " << ink.top() << ".." << ink.bottom();
            // Nothing of it is cut off: its lowest and highest ink show in the panel.
            EXPECT_TRUE(rowHasInk(picture, ink.bottom(), ink.left(), ink.right())) << where;
            EXPECT_TRUE(rowHasInk(picture, ink.top(), ink.left(), ink.right())) << where;
        }
    }
    saveShot(QStringLiteral("info-panel-%1").arg(QLatin1String(GetParam().name)));
}

INSTANTIATE_AT_COMMON_WINDOW_SIZES(InfoPanelFitTest);
