// Labels that show a text of the PBX or of a caller (names, numbers, queue
// names, chat senders): the text never makes its window wider. Such a label
// asks its layout for no width of its own (a small minimum, its width as a
// hint ignored) and takes what the layout has; a line that does not fit is
// drawn elided at its end ("…"); text() keeps the whole text.
#pragma once

#include <QString>

#include <initializer_list>

class QLabel;
class QWidget;

namespace PeerLabel
{

// The least width a bounded label asks of its layout.
constexpr int MinimumWidth = 16;

// Bounds one label (again: nothing more happens).
void bound(QLabel *label);
// Bounds the labels of `root` with these object names (missing ones are
// skipped).
void bound(QWidget *root, std::initializer_list<const char *> names);
// True when the label is bounded.
bool isBounded(const QLabel *label);
// The text as the label shows it in its current width.
QString shownText(const QLabel *label);

} // namespace PeerLabel
