#include "tform3.h"

TForm3::TForm3(baza::Baza& baza, Dialogs& dialogs, QWidget* parent) : QDialog(parent), m_baza(baza), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Edytor rekordów bazy danych"));
}

void TForm3::LoadEditor() {}
