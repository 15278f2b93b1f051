#pragma once
// The first windows of a run: the password prompt when a software password
// is set, else the main window. The designer installs the factory of the
// real main window; until then a plain window stands in.

#include <QWidget>
#include <functional>

void SetMainWindowFactory(std::function<QWidget *()> factory);
// Creates the main window through the factory and shows it (not modal).
QWidget *ShowMainWindow();
// Shows the password prompt when a password is set, else the main window;
// returns the window shown.
QWidget *OpenFirstWindow();
