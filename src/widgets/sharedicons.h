// Icons and pictures that many short-lived widgets show (every call line, balloon
// and conversation makes the same few), made once per process and shared.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace SharedIcons
{
// The icon of an image file, made on first use. Making a QIcon from a file
// looks up the icon engines each time; a shared one costs a reference.
QIcon icon(const QString &file);
// The picture of an image file, decoded on first use.
QPixmap pixmap(const QString &file);
} // namespace SharedIcons
