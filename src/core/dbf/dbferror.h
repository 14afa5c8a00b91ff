#pragma once

#include <QString>

#include <stdexcept>

namespace dbf {

// Errors of the table layer carry their own (English) text; the program's
// general error handler shows it as it stands.
class DbfError : public std::runtime_error
{
public:
    explicit DbfError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

} // namespace dbf
