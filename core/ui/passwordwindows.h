#pragma once
// The software password: the prompt shown at start (PSDCon) and the window
// that changes or removes the password (ModiPSD). Both stay on top.

#include <QWidget>

class QLineEdit;
class QPushButton;

class PSDCon : public QWidget
{
    Q_OBJECT
public:
    explicit PSDCon(QWidget *parent = nullptr);

    QLineEdit *T = nullptr;
    QPushButton *Com = nullptr;

public Q_SLOTS:
    // Opens the main window when the typed text is the password, else says so.
    void Com_Click();
};

class ModiPSD : public QWidget
{
    Q_OBJECT
public:
    explicit ModiPSD(QWidget *parent = nullptr);

    QLineEdit *T[3] = {}; // old, new, new again
    QPushButton *Com = nullptr;

public Q_SLOTS:
    // Stores the new password when both new texts agree and the old one matches.
    void Com_Click();
};
