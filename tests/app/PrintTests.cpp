// Printing the staff and the statistics graph: the choice sheet, the pages as they come out
// of the printer (read back from PDF), and the user's print settings around a print.
#include "AppTestSupport.h"

#include "FMDatabase.h"
#include "NotificationCenter.h"
#include "PrintInfo.h"
#include "PrintOperation.h"
#include "ZTAbstractTestController.h"
#include "ZTBarGraph.h"
#include "ZTCountDownView.h"
#include "ZTMainViewController.h"
#include "ZTNoteView.h"
#include "ZTPreferences.h"
#include "ZTSidebarTableView.h"
#include "ZTTableViewCell.h"
#include "ZTTest.h"
#include "ZTUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

namespace {

const QString kIntervals = QStringLiteral("Interval recognition");
const QColor kRightGreen(124, 182, 82);

// A printed PDF file, read back.
class PrintedPages {
public:
    explicit PrintedPages(const QString& path) { loaded_ = document_.load(path) == QPdfDocument::Error::None; }
    bool loaded() const { return loaded_; }
    int pageCount() const { return document_.pageCount(); }
    QSizeF pageSize(int page) const { return document_.pagePointSize(page); }
    QString text(int page) const { return document_.getAllText(page).text(); }
    // Saves the page to $MELVORA_APP_SHOTS/<name>.png when that variable is set.
    void saveShot(int page, const QString& name) const
    {
        const QString folder = qEnvironmentVariable("MELVORA_APP_SHOTS");
        if (!folder.isEmpty() && QDir().mkpath(folder))
            image(page).save(QDir(folder).filePath(name + QStringLiteral(".png")));
    }
    // At 72 dots per inch: one pixel per point.
    QImage image(int page) const
    {
        // What the page leaves blank is paper.
        QImage paper(pageSize(page).toSize(), QImage::Format_ARGB32);
        paper.fill(Qt::white);
        QPainter painter(&paper);
        painter.drawImage(0, 0, document_.render(page, paper.size()));
        return paper;
    }

private:
    mutable QPdfDocument document_;
    bool loaded_ = false;
};

QString withoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

int countPixels(const QImage& image, const std::function<bool(const QColor&)>& matches)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += matches(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

// What one of poppler's readers (poppler-utils) writes to its standard output.
QString popplerOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(-1)) << program.toStdString() << " (poppler-utils) did not run";
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) < 8 && std::abs(a.green() - b.green()) < 8 && std::abs(a.blue() - b.blue()) < 8;
}

class PrintTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        pdfPath_ = QDir(environment_->root()).filePath(QStringLiteral("printed.pdf"));
        PrintOperation::setPanelResponder([this](QPrinter& printer) {
            ++panelsShown_;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfPath_);
            return printPanelAnswer_;
        });
        // The user's own settings, which a print must leave as it found them.
        PrintInfo::sharedPrintInfo().setSettings(userSettings_);
    }

    void TearDown() override
    {
        PrintOperation::setPanelResponder({});
        AppTest::TearDown();
    }

    void addStats(const QString& item, int right, int wrong)
    {
        ZTUtils::sharedDb()->executeUpdate(QStringLiteral("INSERT INTO stats (testName, itemName, right, wrong) VALUES (?,?,?,?)"),
                                           {kIntervals, item, right, wrong});
    }

    // The sidebar row of the question being asked (-1 when none).
    qlonglong rowOfQuestion() const
    {
        const ZTAbstractTestController* c = screen()->currentLessonController();
        if (!c->currentTest())
            return -1;
        const QVariantList rows = c->arrayForTableView();
        for (qsizetype row = 0; row < rows.size(); ++row)
            if (rows[row].toMap().value(QStringLiteral("name")).toString() == c->currentTest()->name())
                return row;
        return -1;
    }
    QString sidebarNameOfQuestion() const
    {
        const qlonglong row = rowOfQuestion();
        return row < 0 ? QString() : screen()->tableView()->cellForRow(row)->title();
    }

    // The first line of a printed staff: its heading.
    QString printedStaffHeading()
    {
        alertAnswer_ = 0; // Staff
        delegate()->print();
        return printedHeading();
    }
    // The heading of the staff last printed; a staff without notes has none. Ligatures the
    // font set ("fi" in "Perfect fifth") read as their letters.
    QString printedHeading() const
    {
        return popplerOutput(QStringLiteral("pdftotext"), {pdfPath_, QStringLiteral("-")})
            .section(QLatin1Char('\n'), 0, 0)
            .normalized(QString::NormalizationForm_KC);
    }

    // Both print dialogs stay open while `meanwhile` runs; the choice is the staff.
    void printStaffTaking(const std::function<void()>& meanwhile)
    {
        Alert::setResponder([meanwhile](const Alert::Request&) {
            meanwhile();
            return 0;
        });
        PrintOperation::setPanelResponder([this, meanwhile](QPrinter& printer) {
            meanwhile();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdfPath_);
            return true;
        });
        delegate()->print();
    }

    ZTAbstractTestController* controller() const { return screen()->currentLessonController(); }
    ZTCountDownView* countDown() const { return screen()->countDownViewWidget(); }
    bool countDownStandsAt(qint64 seconds) const
    {
        return countDown()->isVisibleTo(screen()) && !countDown()->timer().isValid() && countDown()->value() == seconds;
    }

    QStringList itemNames() const
    {
        QStringList names;
        for (const QVariant& item : screen()->currentLessonController()->items())
            names << item.toMap().value(QStringLiteral("name")).toString();
        return names;
    }

    const PrintInfo::Settings userSettings_{QPageLayout::Portrait, QMarginsF(36, 40, 36, 40), 1.0};
    QString pdfPath_;
    int panelsShown_ = 0;
    bool printPanelAnswer_ = true;
};

} // namespace

TEST_F(PrintTest, TheChoiceNamesStatisticsInTrainingAndTheArticleInLearning)
{
    launch();
    alertAnswer_ = 2; // Cancel
    delegate()->print();
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("What do you like to print?"));
    EXPECT_EQ(alerts_[0].informativeText, QStringLiteral("Please select."));
    EXPECT_EQ(alerts_[0].buttons, (QStringList{"Staff", "Statistics", "Cancel"}));
    EXPECT_EQ(alerts_[0].cancelButton, 2);

    screen()->setupPracticeMode(true);
    delegate()->print();
    ASSERT_EQ(alerts_.size(), 2);
    EXPECT_EQ(alerts_[1].buttons, (QStringList{"Staff", "Wikipedia Article", "Cancel"}));
    // Cancel, or closing the sheet, prints nothing.
    alertAnswer_ = -1;
    delegate()->print();
    EXPECT_EQ(panelsShown_, 0);
    EXPECT_FALSE(QFile::exists(pdfPath_));
}

TEST_F(PrintTest, StatisticsPrintLandscapeWithTheExerciseAsTitleAndTheUsersSettingsReturn)
{
    launch();
    const QStringList items = itemNames();
    ASSERT_GE(items.size(), 2);
    addStats(items[0], 7, 2);
    addStats(items[1], 1, 5);
    alertAnswer_ = 1; // Statistics
    delegate()->print();
    EXPECT_EQ(panelsShown_, 1);
    EXPECT_EQ(PrintInfo::sharedPrintInfo().settings(), userSettings_);

    PrintedPages pages(pdfPath_);
    ASSERT_TRUE(pages.loaded());
    ASSERT_EQ(pages.pageCount(), 1);
    EXPECT_GT(pages.pageSize(0).width(), pages.pageSize(0).height());
    const QString text = pages.text(0);
    EXPECT_TRUE(text.contains(kIntervals)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("All")));
    const QImage image = pages.image(0);
    EXPECT_GT(countPixels(image, [](const QColor& c) { return near(c, kRightGreen); }), 50);
    EXPECT_GT(countPixels(image, [](const QColor& c) { return near(c, QColor(214, 103, 90)); }), 50);

    // The print kept its own graph; the screen's graph is not touched.
    ASSERT_NE(screen()->printGraph(), nullptr);
    EXPECT_NE(screen()->printGraph(), screen()->graph());
    EXPECT_EQ(screen()->printGraph()->title(), kIntervals);
    EXPECT_EQ(screen()->graph()->title(), QString());
    pages.saveShot(0, QStringLiteral("print-statistics"));
}

TEST_F(PrintTest, AnExerciseWithoutStatisticsPrintsItsLabelsOverEmptyBars)
{
    launch();
    alertAnswer_ = 1;
    delegate()->print();
    PrintedPages pages(pdfPath_);
    ASSERT_TRUE(pages.loaded());
    ASSERT_EQ(pages.pageCount(), 1);
    // Every item's label is printed (turned labels come back in pieces: compare without blanks).
    const QString text = withoutBlanks(pages.text(0));
    EXPECT_TRUE(text.contains(QStringLiteral("All")));
    for (const QString& item : itemNames())
        EXPECT_TRUE(text.contains(withoutBlanks(item))) << item.toStdString() << " in " << text.toStdString();
    EXPECT_EQ(countPixels(pages.image(0), [](const QColor& c) { return near(c, kRightGreen); }), 0);
}

TEST_F(PrintTest, TheStaffPrintsTheQuestionsNotesOnLandscapePaper)
{
    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Chord music reading"));
    launch();
    alertAnswer_ = 0; // Staff
    auto inkOfStaffPrint = [this] {
        delegate()->print();
        PrintedPages pages(pdfPath_);
        EXPECT_TRUE(pages.loaded());
        EXPECT_EQ(pages.pageCount(), 1);
        EXPECT_GT(pages.pageSize(0).width(), pages.pageSize(0).height());
        const QImage image = pages.image(0);
        // The staff runs across the paper, not just the width the screen gave it.
        int longRows = 0;
        for (int y = 0; y < image.height(); ++y) {
            int dark = 0;
            for (int x = 0; x < image.width(); ++x)
                dark += image.pixelColor(x, y).lightness() < 100 ? 1 : 0;
            longRows += dark > image.width() * 3 / 4 ? 1 : 0;
        }
        EXPECT_GE(longRows, 10);
        return countPixels(image, [](const QColor& c) { return c.lightness() < 100; });
    };
    const int emptyStaff = inkOfStaffPrint();

    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    ASSERT_NE(screen()->currentLessonController()->currentTest(), nullptr);
    const int withQuestion = inkOfStaffPrint();
    EXPECT_GT(withQuestion, emptyStaff + 200); // the chord's note heads
    EXPECT_EQ(PrintInfo::sharedPrintInfo().settings(), userSettings_);
    PrintedPages(pdfPath_).saveShot(0, QStringLiteral("print-staff"));
}

TEST_F(PrintTest, TheStaffPrintsAsVectorDrawingWithoutAPictureOfIt)
{
    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Chord music reading"));
    launch();
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    alertAnswer_ = 0; // Staff
    delegate()->print();
    ASSERT_TRUE(QFile::exists(pdfPath_));
    EXPECT_LT(QFileInfo(pdfPath_).size(), 100 * 1024);
    // poppler's own readers: no image on the page; lines, clefs and note heads as paths.
    const QStringList imageRows = popplerOutput(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdfPath_})
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(imageRows.size(), 2) << "only the header lines: " << imageRows.join(QLatin1Char('\n')).toStdString();
    const QString svg = popplerOutput(QStringLiteral("pdftocairo"), {QStringLiteral("-svg"), pdfPath_, QStringLiteral("-")});
    EXPECT_EQ(svg.count(QStringLiteral("<image")), 0);
    EXPECT_GE(svg.count(QStringLiteral("<path")), 20);
    const QString heading = screen()->currentLessonController()->currentTest()->name();
    EXPECT_TRUE(popplerOutput(QStringLiteral("pdftotext"), {pdfPath_, QStringLiteral("-")}).contains(heading));
}

TEST_F(PrintTest, TheStaffIsHeadedWithTheQuestionAsTheSidebarNamesIt)
{
    // Note items are named by their own octave count (G4); the sidebar names them in the
    // user's naming (Scientific by default: G5).
    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Music Reading"));
    launch();
    advance(1.0); // the stored choice of exercise is announced
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    const QString shown = sidebarNameOfQuestion();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_NE(shown, screen()->currentLessonController()->currentTest()->name());
    EXPECT_EQ(printedStaffHeading(), shown);

    // Another naming chosen while the question stands renames it on screen and on paper.
    ZTPreferences::sharedPreferences()->setSpellingType(QStringLiteral("Helmholtz"));
    advance(1.0);
    ASSERT_NE(sidebarNameOfQuestion(), shown);
    EXPECT_EQ(printedStaffHeading(), sidebarNameOfQuestion());

    // A played note, once answered, shows on the staff under the same name.
    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Pitch recognition"));
    advance(1.0);
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    const QString played = sidebarNameOfQuestion();
    ASSERT_FALSE(played.isEmpty());
    screen()->tableView()->clickRow(rowOfQuestion());
    finishPlaying();
    ASSERT_FALSE(screen()->noteView()->noteCollections().isEmpty());
    EXPECT_EQ(printedStaffHeading(), played);
}

TEST_F(PrintTest, CancellingThePrintPanelPrintsNothingAndKeepsTheUsersSettings)
{
    launch();
    printPanelAnswer_ = false;
    for (const int choice : {0, 1}) {
        alertAnswer_ = choice;
        delegate()->print();
    }
    EXPECT_EQ(panelsShown_, 2);
    EXPECT_FALSE(QFile::exists(pdfPath_));
    EXPECT_EQ(PrintInfo::sharedPrintInfo().settings(), userSettings_);
}

TEST(PrintOperation, AWidePageOnPortraitPaperIsTurnedAndScaledDownToFit)
{
    TestEnvironment environment;
    const QString path = environment.writeFile(QStringLiteral("turned.pdf"), {});
    PrintOperation::setPanelResponder([&path](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return true;
    });
    PrintInfo info;
    info.setSettings({QPageLayout::Portrait, QMarginsF(10, 10, 10, 10), 1.0});
    // Twice as wide as the paper is high: left half red, right half blue.
    const QSizeF paper = info.paperSize();
    PrintOperation::Page page;
    page.contentSize = QSizeF(paper.height() * 2, paper.height() / 2);
    page.draw = [size = page.contentSize](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, size.width() / 2, size.height()), Qt::red);
        painter.fillRect(QRectF(size.width() / 2, 0, size.width() / 2, size.height()), Qt::blue);
    };
    page.scaling = PrintOperation::Scaling::DownToFit;
    page.autoRotate = true;
    ASSERT_TRUE(PrintOperation::runPage(info, page, nullptr));
    PrintOperation::setPanelResponder({});

    PrintedPages pages(path);
    ASSERT_TRUE(pages.loaded());
    const QImage image = pages.image(0);
    const QRect inside = info.imageableRect().toRect();
    // Turned a quarter clockwise: the left half comes out on top, the right half below, and
    // nothing runs past the margins.
    EXPECT_TRUE(near(image.pixelColor(image.width() / 2, inside.top() + inside.height() / 4), Qt::red));
    EXPECT_TRUE(near(image.pixelColor(image.width() / 2, inside.bottom() - inside.height() / 4), Qt::blue));
    EXPECT_EQ(image.pixelColor(image.width() / 2, inside.top() - 4), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(image.width() / 2, inside.bottom() + 4), QColor(Qt::white));
}

TEST_F(PrintTest, TheAutoAdvanceWaitsForThePrintDialogsAndTheAnsweredStaffIsPrinted)
{
    ZTPreferences::sharedPreferences()->setAutoPlay(true);
    ZTPreferences::sharedPreferences()->setAutoPlayTime(3);
    launch();
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    const std::shared_ptr<ZTTest> question = controller()->currentTest();
    const QString asked = sidebarNameOfQuestion();
    screen()->tableView()->clickRow(rowOfQuestion());
    finishPlaying();
    ASSERT_FALSE(controller()->testInProgress());
    ASSERT_FALSE(screen()->noteView()->noteCollections().isEmpty()) << "the answer is shown on the staff";
    advance(1.2);
    ASSERT_TRUE(countDown()->timer().isValid());
    ASSERT_EQ(countDown()->value(), 2);

    // Each dialog stays open well past the pause: the question stays, the digits stand at 2.
    int dialogs = 0;
    printStaffTaking([&] {
        ++dialogs;
        advance(5.0);
        EXPECT_EQ(controller()->currentTest(), question);
        EXPECT_TRUE(countDownStandsAt(2));
        EXPECT_TRUE(controller()->autoTimerIsValid());
    });
    EXPECT_EQ(dialogs, 2);
    // The page holds the answered question's staff (an empty staff has no heading).
    EXPECT_EQ(printedHeading(), asked);
    PrintedPages(pdfPath_).saveShot(0, QStringLiteral("print-after-auto-play-time"));

    // Once printing is over the pause goes on from its 2 seconds.
    EXPECT_TRUE(countDown()->timer().isValid());
    advance(1.9);
    EXPECT_EQ(controller()->currentTest(), question);
    advance(0.2);
    EXPECT_NE(controller()->currentTest(), question);
    EXPECT_TRUE(controller()->testInProgress());
}

TEST_F(PrintTest, TheAnswerTimeDoesNotRunOutBehindThePrintDialogs)
{
    ZTPreferences::sharedPreferences()->setString(QStringLiteral("3 sec"), QStringLiteral("answerTime"), kIntervals);
    launch();
    auto scored = [] { return rows(QStringLiteral("SELECT result FROM results"), 1); };

    // Asked to print while the question plays: it plays to its end behind the dialog, and
    // its answer time starts when the dialog closes.
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    alertAnswer_ = 2; // Cancel
    Alert::setResponder([this](const Alert::Request&) {
        finishPlaying();
        advance(10.0);
        EXPECT_TRUE(countDownStandsAt(3));
        return alertAnswer_;
    });
    delegate()->print();
    EXPECT_TRUE(controller()->testInProgress());
    EXPECT_TRUE(countDown()->timer().isValid());
    EXPECT_EQ(countDown()->value(), 3);

    // Asked while the answer time runs: it stands through both dialogs and goes on after.
    advance(1.2);
    printStaffTaking([&] {
        advance(10.0);
        EXPECT_TRUE(countDownStandsAt(2));
        EXPECT_TRUE(controller()->testInProgress());
    });
    EXPECT_TRUE(scored().isEmpty());
    EXPECT_TRUE(QFile::exists(pdfPath_));
    advance(1.9);
    EXPECT_TRUE(controller()->testInProgress());
    EXPECT_TRUE(scored().isEmpty());
    advance(0.2);
    EXPECT_FALSE(controller()->testInProgress());
    EXPECT_EQ(scored(), (QList<QStringList>{{QStringLiteral("0")}}));
}

TEST_F(PrintTest, TheStaffShownWhenThePrintWasAskedIsPrintedWhateverComesBehindTheDialog)
{
    launch();
    screen()->nextAction(ZTMainViewController::Sender::MenuItem);
    finishPlaying();
    const QString asked = sidebarNameOfQuestion();
    screen()->tableView()->clickRow(rowOfQuestion());
    finishPlaying();
    ASSERT_FALSE(screen()->noteView()->noteCollections().isEmpty()) << "the answer is shown on the staff";
    // The MIDI remote's next key asks the next question behind the dialog, which empties the
    // staff until it is answered.
    printStaffTaking([&] {
        if (!controller()->testInProgress()) {
            NotificationCenter::defaultCenter().post(QStringLiteral("ZTMIDIRemoteNextNotification"));
            advance(0.1);
            finishPlaying();
        }
        EXPECT_TRUE(controller()->testInProgress());
        EXPECT_TRUE(screen()->noteView()->noteCollections().isEmpty());
    });
    EXPECT_EQ(printedHeading(), asked);
}

TEST_F(PrintTest, AnExerciseThatArrivesBehindThePrintDialogWaitsToo)
{
    launch();
    ZTPreferences::sharedPreferences()->setCurrentExercise(QStringLiteral("Pitch recognition"));
    alertAnswer_ = 2;
    Alert::setResponder([this](const Alert::Request&) {
        advance(1.0); // the stored choice is announced
        EXPECT_EQ(controller()->testName(), QStringLiteral("Pitch recognition"));
        EXPECT_TRUE(controller()->countdownsHeld());
        return alertAnswer_;
    });
    delegate()->print();
    EXPECT_FALSE(controller()->countdownsHeld());
}
