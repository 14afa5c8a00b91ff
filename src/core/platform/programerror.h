#pragma once

#include <QString>

#include <stdexcept>

// The one base of the errors that carry a readable Polish text for the
// person at the program: the table layer's, file input/output's and the
// page history's. Whoever catches them shows text() as it stands.
class ProgramError : public std::runtime_error
{
public:
    explicit ProgramError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// The text of any error for a message: ours as written, anything else from
// the standard library (a failed allocation, for instance) in Polish words.
QString ErrorText(const std::exception& e);
