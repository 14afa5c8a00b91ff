#pragma once

#include <QString>
#include <QThread>

class Dialogs;

// The page opener: tests in a thread of its own that a page answers, then
// hands it to the system's browser, or tells the user why nothing opened.
// Created running, one per click; it deletes itself when done and nobody
// keeps a reference to it.
class TWyswietl : public QThread
{
    Q_OBJECT

public:
    // dialogs: the program's message boxes (they are shown on the main
    // thread, while this thread waits).
    TWyswietl(const QString& address, Dialogs& dialogs);

    // Texts of its message boxes.
    static const QString kNoAddress;
    static const QString kNoConnection;
    static const QString kNotFound; // followed by CR LF and the address
    static const QString kNoBrowser; // followed by CR LF and the address

protected:
    void run() override;

private:
    ~TWyswietl() override; // only through deleteLater

    void Execute();
    void ShowNotice();

    const QString m_address;
    QString m_message;
    Dialogs& m_dialogs;
};
