#pragma once

#include <QString>

#include <cstdint>

// The error a recorder step raises: what was being done and the status it ended with.
class CAXException {
public:
    static constexpr int kMaxOperationLength = 255;

    // A longer operation text is cut to its first kMaxOperationLength characters.
    CAXException(const QString& operation, std::int32_t status);

    const QString& operation() const { return operation_; }
    std::int32_t status() const { return status_; }
    // The status as its four characters in quotes when all are printable, else in decimal
    // when it lies within ±199999, else in hexadecimal.
    static QString formatStatus(std::int32_t status);
    // "Error: <operation> (<status>)", the line the recorder logs.
    QString message() const;

private:
    QString operation_;
    std::int32_t status_;
};
