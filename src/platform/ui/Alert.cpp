#include "Alert.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace {

Alert::Responder& responder()
{
    static Alert::Responder installed;
    return installed;
}

} // namespace

void Alert::setResponder(Responder newResponder)
{
    responder() = std::move(newResponder);
}

int Alert::runModal(const Request& request, QWidget* parent)
{
    if (responder())
        return responder()(request);

    QMessageBox box(parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.setText(request.message);
    box.setInformativeText(request.informativeText);
    switch (request.style) {
    case Style::Informational: box.setIcon(QMessageBox::Information); break;
    case Style::Warning: box.setIcon(QMessageBox::Warning); break;
    case Style::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    QList<QPushButton*> buttons;
    for (int i = 0; i < request.buttons.size(); ++i) {
        const bool cancels = i == request.cancelButton;
        QPushButton* button = box.addButton(request.buttons[i], cancels ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        if (cancels)
            box.setEscapeButton(button);
        buttons << button;
    }
    if (request.defaultButton >= 0 && request.defaultButton < buttons.size())
        box.setDefaultButton(buttons[request.defaultButton]);
    box.exec();
    return int(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
}
