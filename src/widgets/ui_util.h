#pragma once

#include <QWidget>

// Moves a window so that it sits centred over another (the main window), or on its screen when there is
// none; the screens that open over the main window use it each time they are shown.
void CentreOn(QWidget* window, const QWidget* over);
// Centres a window on the screen it is on.
void CentreOnScreen(QWidget* window);
