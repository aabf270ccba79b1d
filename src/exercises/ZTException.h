#pragma once

#include <QString>

#include <stdexcept>

// A named failure that abandons the current action (e.g. a music sequence whose tempo
// cannot be set). Whoever starts the action catches it and logs name and reason.
class ZTException : public std::runtime_error {
public:
    ZTException(const QString& name, const QString& reason)
        : std::runtime_error((name + QStringLiteral(": ") + reason).toStdString())
        , name_(name)
        , reason_(reason)
    {
    }

    QString name() const { return name_; }
    QString reason() const { return reason_; }

private:
    QString name_;
    QString reason_;
};
