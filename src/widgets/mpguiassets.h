// Files of the PBX's rebranding pack that replace the main window's built-in
// images and product name.
#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace MPGUI
{

// The rebranding directory's file `name` when it exists, else `resourcePath`.
QString rebrandedFilePath(const QString &name, const QString &resourcePath);

// Longest product name read from the rebranding directory, in bytes.
constexpr int MaxProductNameBytes = 256;

// The product name held by `raw` (the start of the product-name file): UTF-8
// up to the first NUL byte, at most MaxProductNameBytes bytes, control
// characters, line breaks and invisible format marks removed, blanks trimmed.
QString productNameFromBytes(const QByteArray &raw);

// The product name of the file at `path`; empty when the path is empty or the
// file is missing or unreadable. Never reads more than MaxProductNameBytes.
QString readProductNameFile(const QString &path);

// Largest picture, in pixels, that readPicture() decodes: rebranding packs
// come from the PBX, and a small file can claim a huge image.
constexpr qint64 MaxPicturePixels = 40LL * 1000 * 1000;

// The picture at `path`, decoded in the pixel format a window pixmap uses
// (so that QPixmap::fromImage copies nothing); a null image when the file is
// missing, unreadable or larger than MaxPicturePixels. Safe on any thread.
QImage readPicture(const QString &path);

// `picture` scaled to cover `target` keeping its aspect ratio, centred and
// cut to `target` (the window background). Drawn in one pass: only the part
// that shows is computed.
QPixmap coverPixmap(const QPixmap &picture, const QSize &target);
// The picture at `path`, laid out as if it were `size` (its size after any
// scaling), decoded straight at the scale and cut that cover `target` (what
// coverPixmap() makes of the whole picture). Null when it cannot be read.
QPixmap readCover(const QString &path, const QSize &size, const QSize &target);

// Side of the status-line LEDs, in pixels.
constexpr int LedSize = 18;
// `icon` as a LedSize square pixmap; the picture at `fallbackResource` when
// the icon is null.
QPixmap ledPixmap(const QIcon &icon, const QString &fallbackResource);

} // namespace MPGUI
