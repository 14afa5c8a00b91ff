#include "qtdialogs.h"

#include "titlewidth.h"

#include <QApplication>
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

QString QtDialogs::saveFileName(const QString& proposedName, const QString& filter)
{
    // The overwrite question is the program's own.
    return QFileDialog::getSaveFileName(parent(), QString(), proposedName, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtDialogs::openFileName(const QString& filter)
{
    return QFileDialog::getOpenFileName(parent(), QString(), QString(), filter);
}

void QtDialogs::error(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent());
    FitTitle(&box);
    box.exec();
}
