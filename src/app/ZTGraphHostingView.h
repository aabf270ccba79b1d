#pragma once

#include <QWidget>

class ZTBarGraph;

// Shows a bar graph; the graph is not owned and draws itself into the view's bounds.
class ZTGraphHostingView : public QWidget {
    Q_OBJECT
public:
    explicit ZTGraphHostingView(QWidget* parent = nullptr);
    ~ZTGraphHostingView() override;

    ZTBarGraph* hostedGraph() const { return graph_; }
    void setHostedGraph(ZTBarGraph* graph);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ZTBarGraph* graph_ = nullptr;
};
