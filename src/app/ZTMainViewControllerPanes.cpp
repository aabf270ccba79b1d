// The main area's two panes: the staff over the statistics graph (or, in Learning mode, the
// encyclopedia page), and the divider between them.
#include "ZTMainViewController.h"

#include "ZTSplitView.h"

namespace {

// Within this distance of the middle a step goes on to the end.
constexpr double kMiddleZone = 20;

} // namespace

void ZTMainViewController::splitViewUpAction()
{
    const double H = splitView_->height() - splitView_->dividerThickness();
    const double T = splitView_->paneHeight(0);
    splitView_->setPosition(T > H / 2 + kMiddleZone ? H / 2 : 0, 0);
}

void ZTMainViewController::splitViewDownAction()
{
    const double H = splitView_->height() - splitView_->dividerThickness();
    const double T = splitView_->paneHeight(0);
    splitView_->setPosition(H / 2 - kMiddleZone > T ? H / 2 : H, 0);
}

void ZTMainViewController::showStuffAction()
{
    splitView_->setPosition(splitView_->height() - splitView_->dividerThickness(), 0);
}

void ZTMainViewController::showStatsAction()
{
    splitView_->setPosition(0, 0);
}

void ZTMainViewController::showBothAction()
{
    splitView_->setPosition((splitView_->height() - splitView_->dividerThickness()) / 2, 0);
}
