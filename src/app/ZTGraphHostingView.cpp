#include "ZTGraphHostingView.h"

#include "ZTBarGraph.h"

#include <QPainter>
#include <QPointer>

ZTGraphHostingView::ZTGraphHostingView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground, true);
}

ZTGraphHostingView::~ZTGraphHostingView()
{
    if (graph_)
        graph_->setNeedsDisplayHandler({});
}

void ZTGraphHostingView::setHostedGraph(ZTBarGraph* graph)
{
    if (graph_)
        graph_->setNeedsDisplayHandler({});
    graph_ = graph;
    if (graph_) {
        QPointer<ZTGraphHostingView> self(this);
        graph_->setNeedsDisplayHandler([self] {
            if (self)
                self->update();
        });
    }
    update();
}

void ZTGraphHostingView::paintEvent(QPaintEvent*)
{
    if (!graph_)
        return;
    QPainter painter(this);
    graph_->draw(painter, QRectF(rect()));
}
