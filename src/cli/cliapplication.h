#pragma once

#include <QCoreApplication>

// The command line's application object. An error thrown inside an event
// handler (a table error while a run stores a result, say) ends the event
// loop with its text instead of ending the process on the spot.
class CliApplication : public QCoreApplication
{
public:
    using QCoreApplication::QCoreApplication;

    bool notify(QObject* receiver, QEvent* event) override;

    // The text of the first error caught, empty when none.
    static QString failure();

private:
    static QString s_failure;
};
