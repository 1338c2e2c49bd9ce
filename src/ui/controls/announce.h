// Results shown only in a status line are also told to assistive technology:
// the line's accessible name carries its caption and the new text, and a
// name change is reported, which screen readers read out.
#pragma once

#include <QString>

class QWidget;

void AnnounceStatus(QWidget* line, const QString& caption, const QString& text);
