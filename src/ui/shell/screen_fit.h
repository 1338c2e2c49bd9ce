// Keeps windows that place themselves inside the usable area of their screen
// (the desktop's panels left out), whatever the screen's size.
#pragma once

#include <QRect>

class QWidget;

// The frame moved (and shrunk, if it is larger) so that it lies inside area.
QRect FitIntoArea(const QRect& frame, const QRect& area);

// Moves and, if needed, shrinks a top-level window so that its frame lies in
// the available geometry of the screen it is mostly on.
void KeepOnScreen(QWidget* window);
