#include "ui/shell/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

QRect FitIntoArea(const QRect& frame, const QRect& area) {
    if (area.isEmpty()) return frame;
    const int w = std::min(frame.width(), area.width());
    const int h = std::min(frame.height(), area.height());
    const int x = std::clamp(frame.x(), area.left(), area.left() + area.width() - w);
    const int y = std::clamp(frame.y(), area.top(), area.top() + area.height() - h);
    return {x, y, w, h};
}

void KeepOnScreen(QWidget* window) {
    if (!window) return;
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen) screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect fitted = FitIntoArea(frame, screen->availableGeometry());
    if (fitted == frame) return;
    // The decoration keeps its size: only the inside shrinks.
    const int extraW = frame.width() - inner.width();
    const int extraH = frame.height() - inner.height();
    if (fitted.size() != frame.size()) {
        window->resize(std::max(fitted.width() - extraW, window->minimumWidth()),
                       std::max(fitted.height() - extraH, window->minimumHeight()));
    }
    window->move(fitted.topLeft());  // move() places the frame's corner
}
