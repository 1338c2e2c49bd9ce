// Room a control's style gives its text, and a pass that grows fixed-layout
// controls to it. Windows laid out from fixed rectangles fit one style's
// margins; another style (larger frames, wider arrows) would cut the text.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace text_room {

// A text a line edit must show whole, such as the widest value of a
// fixed-length field; other line edits scroll and need only its height.
void SetSampleText(QWidget* lineEdit, const QString& sample);

// How much wider and taller the control must be to show its whole text
// (every item for a drop-down list; the text height for a line edit);
// zero where it fits or the widget shows no text of its own.
QSize Shortfall(const QWidget* w);

// Grows the direct children of container by their shortfall. What follows a
// grown control on its row moves right by as much, what lies below it moves
// down, group boxes grow around what they hold, and the container grows last
// (a fixed-size container keeps being fixed). Positions, order and gaps stay;
// nothing shrinks. Does nothing when everything fits.
void GrowToFit(QWidget* container);

}  // namespace text_room
