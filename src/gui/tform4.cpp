#include "tform4.h"

TForm4::TForm4(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Konfiguracja programu"));
}
