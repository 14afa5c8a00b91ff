#include "qtdialogs.h"

#include "titlewidth.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

QWidget* QtDialogs::parent() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return m_parent;
}

void QtDialogs::message(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent());
    FitTitle(&box);
    box.exec();
}

Dialogs::Answer QtDialogs::question(const QString& text, Buttons buttons)
{
    QMessageBox::StandardButtons standard = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel)
        standard |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Uwaga!"), QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                    standard, parent());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Tak"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Nie"));
    if (buttons == Buttons::YesNoCancel)
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Anuluj"));
    FitTitle(&box);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

void QtDialogs::setDataDirectory(const QString& dataDirectory)
{
    m_lastFolder.emplace(dataDirectory);
}

QString QtDialogs::saveFileName(const QString& proposedName, const QString& filter)
{
    // A bare name goes into the folder the dialog starts in.
    QString proposed = proposedName;
    if (m_lastFolder && QFileInfo(proposedName).isRelative())
        proposed = QDir(m_lastFolder->folder()).filePath(proposedName);
    // The overwrite question is the program's own.
    const QString chosen = QFileDialog::getSaveFileName(parent(), QString(), proposed, filter, nullptr,
                                                        QFileDialog::DontConfirmOverwrite);
    if (m_lastFolder)
        m_lastFolder->remember(chosen);
    return chosen;
}

QString QtDialogs::openFileName(const QString& filter)
{
    const QString chosen =
        QFileDialog::getOpenFileName(parent(), QString(), m_lastFolder ? m_lastFolder->folder() : QString(), filter);
    if (m_lastFolder)
        m_lastFolder->remember(chosen);
    return chosen;
}

void QtDialogs::error(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent());
    FitTitle(&box);
    box.exec();
}
