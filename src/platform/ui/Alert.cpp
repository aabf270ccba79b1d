#include "Alert.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

#include <memory>
#include <utility>

namespace {

Alert::Responder& responder()
{
    static Alert::Responder installed;
    return installed;
}

// The message box of a request; `buttons` receives its buttons in the request's order.
void fill(QMessageBox& box, const Alert::Request& request, QList<QPushButton*>& buttons)
{
    box.setText(request.message);
    box.setInformativeText(request.informativeText);
    switch (request.style) {
    case Alert::Style::Informational: box.setIcon(QMessageBox::Information); break;
    case Alert::Style::Warning: box.setIcon(QMessageBox::Warning); break;
    case Alert::Style::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    for (int i = 0; i < request.buttons.size(); ++i) {
        const bool cancels = i == request.cancelButton;
        QPushButton* button = box.addButton(request.buttons[i], cancels ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
        if (cancels)
            box.setEscapeButton(button);
        buttons << button;
    }
    if (request.defaultButton >= 0 && request.defaultButton < buttons.size())
        box.setDefaultButton(buttons[request.defaultButton]);
}

int answerOf(const QMessageBox& box, const QList<QPushButton*>& buttons)
{
    return int(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
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
    QList<QPushButton*> buttons;
    fill(box, request, buttons);
    box.exec();
    return answerOf(box, buttons);
}

void Alert::beginSheet(const Request& request, QWidget* parent, std::function<void(int answer)> completion)
{
    if (responder()) {
        completion(responder()(request));
        return;
    }
    auto* box = new QMessageBox(parent ? parent->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    auto buttons = std::make_shared<QList<QPushButton*>>();
    fill(*box, request, *buttons);
    QObject::connect(box, &QMessageBox::finished, box, [box, buttons, completion = std::move(completion)] {
        completion(answerOf(*box, *buttons));
    });
    box->open();
}
