#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Modal alerts: a message, an informative text and buttons in the order given. The answer
// is the index of the chosen button (0 for the first), -1 when the alert was closed
// without a choice. Return chooses the first button unless the request names another, so
// an alert whose first button is "Cancel" never confirms a destructive choice by Return.
class Alert {
public:
    enum class Style { Informational, Warning, Critical };

    struct Request {
        QString message;
        QString informativeText;
        QStringList buttons;
        Style style = Style::Informational;
        // The button that Escape chooses; -1 for none.
        int cancelButton = -1;
        // The button that Return chooses; -1 for none.
        int defaultButton = 0;
    };

    static int runModal(const Request& request, QWidget* parent = nullptr);
    // The same alert as a sheet on the parent's window: it returns at once, and the answer goes
    // to the completion when the user has chosen (-1 when the sheet was closed otherwise).
    static void beginSheet(const Request& request, QWidget* parent, std::function<void(int answer)> completion);

    // Tests answer alerts without showing them; an empty function shows them again.
    using Responder = std::function<int(const Request& request)>;
    static void setResponder(Responder responder);
};
