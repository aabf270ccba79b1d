#include "ZTWheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

// The controls whose value the wheel changes. Scroll bars are the page's own and keep it.
bool changesValueUnderWheel(const QObject* object)
{
    if (qobject_cast<const QScrollBar*>(object))
        return false;
    return qobject_cast<const QComboBox*>(object) || qobject_cast<const QAbstractSpinBox*>(object) ||
           qobject_cast<const QAbstractSlider*>(object);
}

// The viewports of the scroll areas that show the control, the nearest first.
QList<QWidget*> pageViewports(QWidget* control)
{
    QList<QWidget*> viewports;
    for (QWidget* ancestor = control->parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(ancestor);
        if (area && area->viewport()->isAncestorOf(control))
            viewports << area->viewport();
        if (ancestor->isWindow())
            break;
    }
    return viewports;
}

} // namespace

void ZTWheelGuard::install()
{
    static QPointer<ZTWheelGuard> installed;
    QCoreApplication* application = QCoreApplication::instance();
    if (installed || !application)
        return;
    installed = new ZTWheelGuard(application);
    application->installEventFilter(installed);
}

bool ZTWheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() != QEvent::Polish && event->type() != QEvent::Wheel) || !changesValueUnderWheel(watched))
        return false;
    auto* control = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Polish) {
        if (control->focusPolicy() == Qt::WheelFocus)
            control->setFocusPolicy(Qt::StrongFocus);
        return false;
    }
    if (control->hasFocus())
        return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    // The nearest page that can still move in the wheel's direction takes it; a page at its
    // end hands it on to the one around it, as the wheel does over the page itself.
    for (QWidget* viewport : pageViewports(control)) {
        QWheelEvent forwarded(control->mapTo(viewport, wheel->position()), wheel->globalPosition(),
                              wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                              wheel->phase(), wheel->inverted(), wheel->source(), wheel->pointingDevice());
        forwarded.ignore();
        QCoreApplication::sendEvent(viewport, &forwarded);
        if (forwarded.isAccepted()) {
            wheel->accept();
            return true;
        }
    }
    // Nothing to scroll here; the parents may still take it.
    wheel->ignore();
    return true;
}
