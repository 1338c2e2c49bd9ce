// Colours the program chooses, made readable on the palette in use: a
// wanted hue is kept where it stands out enough from the background, and
// moved towards the palette's text colour until it does.
#pragma once

#include <QColor>
#include <QPalette>

namespace palette_colors {

// Contrast needed between text and its background (WCAG level AA).
constexpr double kMinTextContrast = 4.5;

// Relative luminance and contrast ratio, as WCAG defines them.
double Luminance(const QColor& c);
double Contrast(const QColor& a, const QColor& b);

// a and b mixed: 0 gives a, 1 gives b.
QColor Mix(const QColor& a, const QColor& b, double amount);

// wanted, or the least mix of it with the text colour (else black or white)
// that reaches the contrast against background.
QColor Readable(const QColor& wanted, const QColor& background, const QColor& text, double ratio = kMinTextContrast);

// Text set apart by colour in lists and editors, on the palette's Base
// (and AlternateBase, for lists drawn in alternating rows).
enum class Role { Sent, Received, Problem, Dimmed, Link, Mark };
QColor ForText(Role role, const QPalette& palette);

// A distinct colour for the n-th line of a plot on the palette's Base.
QColor Series(int n, const QPalette& palette);

}  // namespace palette_colors
