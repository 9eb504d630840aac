// What the four call line widgets share for their look: the painting step
// that lets a style sheet draw a plain widget's background, and the font
// sizes and heights of the large-font size classes.
#pragma once

#include <QString>

class QWidget;

namespace LineStyle
{

enum SizeClass { Normal, Widest, Wide, Medium, Narrow };

struct FontSizes {
    QString first;  // replaces "%F"
    QString second; // replaces "%S"
};

// Size class from the large-font setting and the screen width (thresholds inclusive).
SizeClass sizeClass(bool largeFont, int screenWidth);
FontSizes fontSizes(SizeClass sizeClass);
// Width of the default screen's full geometry; 0 without a screen.
int screenWidth();

enum class LineKind { Active, OnHold, Incoming, Booked };
// Fixed height of a line widget in a size class; -1 keeps the height it has.
int fixedHeight(LineKind kind, SizeClass sizeClass);

// Text of a style-sheet resource as Latin-1 up to the first zero byte; empty
// when it cannot be opened.
QString readStyleSheet(const QString &resource);
// Every "%F" and "%S" replaced by the two sizes.
QString fillSizes(QString sheet, const FontSizes &sizes);

// Draws the style's plain-widget primitive so that a style sheet's
// background, border and gradient show on the widget itself.
void paintStyledBackground(QWidget *widget);

// The other party as shown by the line widgets: only digits, "+", "*" and "#".
QString shownNumber(const QString &number);
// Avatar letter: the first character, empty for an empty name.
inline QString initialOf(const QString &name)
{
    return name.left(1);
}
// The stored name unless it only repeats the number (as received or as shown).
QString partyName(const QString &name, const QString &number);

} // namespace LineStyle
