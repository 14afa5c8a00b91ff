#pragma once

#include <QDialog>

// The about window.
class TForm5 : public QDialog
{
    Q_OBJECT

public:
    explicit TForm5(QWidget* parent = nullptr);
};
