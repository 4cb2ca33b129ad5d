#include "ui_util.h"

#include <QGuiApplication>
#include <QScreen>

void CentreOn(QWidget* window, const QWidget* over) {
    if (!over) {
        CentreOnScreen(window);
        return;
    }
    const QRect area = over->frameGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}
