#pragma once

#include <QDialog>

class Settings;

// The configuration window: it edits the one Settings object.
class TForm4 : public QDialog
{
    Q_OBJECT

public:
    TForm4(Settings& settings, QWidget* parent = nullptr);

private:
    Settings& m_settings;
};
