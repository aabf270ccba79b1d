// Printing from the exercise screen: the staff with the current question, the statistics
// graph of the current exercise, or the encyclopedia article shown in the pane.
#include "ZTMainViewController.h"

#include "Alert.h"
#include "Localization.h"
#include "PrintInfo.h"
#include "PrintOperation.h"
#include "ZTAbstractTestController.h"
#include "ZTAppDelegate.h"
#include "ZTNoteView.h"
#include "ZTPreferences.h"
#include "ZTPrintableNoteView.h"

#include <QPainter>
#include <QScopeGuard>

namespace {

// Staff and statistics print on landscape paper with narrow margins, a little smaller than
// life so that nothing touches the edge.
const PrintInfo::Settings kStaffAndStatisticsSettings{QPageLayout::Landscape, QMarginsF(10, 10, 10, 10), 0.95};

enum PrintChoice { Staff = 0, Second = 1 };

} // namespace

QWidget* ZTMainViewController::sheetWindow() const
{
    if (appDelegate_ && appDelegate_->window())
        return appDelegate_->window();
    return window();
}

void ZTMainViewController::setCountdownsHeld(bool held)
{
    countdownsHeld_ = held;
    if (ZTAbstractTestController* c = currentLessonController())
        held ? c->holdCountdowns() : c->releaseCountdowns();
}

void ZTMainViewController::print()
{
    // The question stands still while the user chooses and prints: its count-downs wait
    // for the dialogs, and the staff printed is the one on screen now, whatever comes in
    // behind the dialogs (a MIDI answer, a remote next key).
    setCountdownsHeld(true);
    const auto release = qScopeGuard([this] { setCountdownsHeld(false); });
    const ZTPrintableNoteView shownStaff(noteView_->geometry(), *noteView_);

    const bool learning = ZTPreferences::sharedPreferences()->practiceMode();
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = localized(QStringLiteral("What do you like to print?"));
    request.informativeText = localized(QStringLiteral("Please select."));
    request.buttons = {localized(QStringLiteral("Staff")),
                       localized(learning ? QStringLiteral("Wikipedia Article") : QStringLiteral("Statistics")),
                       localized(QStringLiteral("Cancel"))};
    request.cancelButton = 2;
    switch (Alert::runModal(request, sheetWindow())) {
    case Staff:
        _printStaff(shownStaff);
        break;
    case Second:
        // The mode may have changed while the sheet was open.
        if (ZTPreferences::sharedPreferences()->practiceMode())
            _printWikiArticle();
        else
            _printStat();
        break;
    default:
        break;
    }
}

void ZTMainViewController::_printStaff(const ZTNoteView& shown)
{
    PrintInfo& info = PrintInfo::sharedPrintInfo();
    const PrintSettingsScope scope(info, kStaffAndStatisticsSettings);
    const QSizeF paper = info.paperSize();
    const QRectF frame(0, paper.height() * 0.5, paper.width(), paper.height() * 0.5);
    // The staff fills its parent's width: the paper stands in for the screen's pane.
    QWidget paperView;
    paperView.resize(paper.toSize());
    ZTPrintableNoteView printable(frame.toRect(), shown, &paperView);
    PrintOperation::Page page;
    page.contentSize = frame.size();
    // Only what the staff draws (the paper stays white), as vector drawing.
    page.draw = [&printable](QPainter& painter) { printable.drawOnPage(painter); };
    PrintOperation::runPage(info, page, sheetWindow());
}

void ZTMainViewController::_printStat()
{
    PrintInfo& info = PrintInfo::sharedPrintInfo();
    const PrintSettingsScope scope(info, kStaffAndStatisticsSettings);
    const QSizeF paper = info.paperSize();
    const QRectF frame(0, 0, paper.width(), paper.height() * 0.75);

    printGraph_ = std::make_unique<ZTBarGraph>();
    if (ZTAbstractTestController* c = currentLessonController())
        printGraph_->setTitle(localized(c->testName()));
    printGraph_->setTitleDisplacement(QPointF(0, 10));
    _setupStatistics(printGraph_.get());
    printGraph_->reloadData();

    PrintOperation::Page page;
    page.contentSize = frame.size();
    page.draw = [graph = printGraph_.get(), frame](QPainter& painter) { graph->draw(painter, frame); };
    page.scaling = PrintOperation::Scaling::DownToFit;
    page.autoRotate = true;
    PrintOperation::runPage(info, page, sheetWindow());
}
