#pragma once

// What every set of item names under the graph's axis must hold, wherever it is drawn.
#include "ZTBarGraph.h"

#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

inline const QString kEllipsis = QStringLiteral("\u2026");

inline bool isShortened(const ZTBarGraph::TurnedLabel& label)
{
    return label.text.contains(kEllipsis);
}

// The label shows the name: whole, on one line or broken at a space, or with the ends of its
// lines left off for "…".
inline bool readsAs(const ZTBarGraph::TurnedLabel& label, const QString& name)
{
    QStringList parts;
    for (const QString& line : label.text.split(QLatin1Char('\n'))) {
        const bool cut = line.endsWith(kEllipsis);
        parts << QRegularExpression::escape(cut ? line.chopped(1) : line) + (cut ? QStringLiteral(".*") : QString());
    }
    return QRegularExpression(QStringLiteral("^") + parts.join(QStringLiteral(" ")) + QStringLiteral("$")).match(name).hasMatch();
}

// Every label inside the bounds and clear of every other by the graph's label spacing.
inline void expectInsideAndApart(const QList<ZTBarGraph::TurnedLabel>& labels, const QRectF& bounds, const std::string& where)
{
    for (qsizetype i = 0; i < labels.size(); ++i) {
        EXPECT_TRUE(bounds.contains(labels[i].ink)) << where << ": " << labels[i].text.toStdString();
        const QRectF room = labels[i].ink.adjusted(-ZTBarGraph::kLabelSpacing + 0.01, 0, ZTBarGraph::kLabelSpacing - 0.01, 0);
        for (qsizetype j = i + 1; j < labels.size(); ++j)
            EXPECT_FALSE(room.intersects(labels[j].ink))
                << where << ": " << labels[i].text.toStdString() << " and " << labels[j].text.toStdString();
    }
}
