#include "ZTWheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
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

// The viewport of the nearest scroll area that shows the control; null when there is none.
QWidget* pageViewport(QWidget* control)
{
    for (QWidget* ancestor = control->parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(ancestor);
        if (area && area->viewport()->isAncestorOf(control))
            return area->viewport();
        if (ancestor->isWindow())
            break;
    }
    return nullptr;
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
    QWidget* viewport = pageViewport(control);
    if (!viewport) {
        // Nothing to scroll here; the parents may still take it.
        wheel->ignore();
        return true;
    }
    QWheelEvent forwarded(control->mapTo(viewport, wheel->position()), wheel->globalPosition(), wheel->pixelDelta(),
                          wheel->angleDelta(), wheel->buttons(), wheel->modifiers(), wheel->phase(),
                          wheel->inverted(), wheel->source(), wheel->pointingDevice());
    QCoreApplication::sendEvent(viewport, &forwarded);
    wheel->accept();
    return true;
}
