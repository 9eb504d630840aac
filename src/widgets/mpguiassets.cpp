#include "mpguiassets.h"

#include "settings/msettings.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

QString MPGUI::rebrandedFilePath(const QString &name, const QString &resourcePath)
{
    const QString path = MSETTINGS::getRebrandingFilePath(name);
    return QFileInfo::exists(path) ? path : resourcePath;
}

QString MPGUI::productNameFromBytes(const QByteArray &raw)
{
    QByteArray bytes = raw.left(MaxProductNameBytes);
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    // A multi-byte character cut by the size limit is dropped, not shown as
    // a replacement character.
    if (raw.size() > MaxProductNameBytes) {
        int lead = bytes.size() - 1;
        while (lead >= 0 && (uchar(bytes.at(lead)) & 0xC0) == 0x80)
            --lead;
        if (lead >= 0 && (uchar(bytes.at(lead)) & 0x80)) {
            const uchar c = uchar(bytes.at(lead));
            const int needed = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
            if (bytes.size() - lead < needed)
                bytes.truncate(lead);
        }
    }
    const QString decoded = QString::fromUtf8(bytes);
    QString name;
    name.reserve(decoded.size());
    for (const QChar ch : decoded) {
        switch (ch.category()) {
        case QChar::Other_Control:       // C0 and C1 controls, tabs and line feeds
        case QChar::Other_Format:        // direction overrides and invisible marks
        case QChar::Separator_Line:      // U+2028
        case QChar::Separator_Paragraph: // U+2029
            continue;
        default:
            name.append(ch);
        }
    }
    return name.trimmed();
}

QString MPGUI::readProductNameFile(const QString &path)
{
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return QString();
    // One byte more than allowed tells a cut character from a complete one.
    return productNameFromBytes(file.read(MaxProductNameBytes + 1));
}

QImage MPGUI::readPicture(const QString &path)
{
    QImageReader reader(path);
    const QSize size = reader.size(); // from the header, before any decoding
    if (size.isValid() && qint64(size.width()) * size.height() > MaxPicturePixels)
        return QImage();
    QImage image = reader.read();
    if (image.isNull())
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

QPixmap MPGUI::coverPixmap(const QPixmap &picture, const QSize &target)
{
    const QSize scaled = picture.size().scaled(target, Qt::KeepAspectRatioByExpanding);
    QPixmap shown(target);
    if (picture.hasAlphaChannel())
        shown.fill(Qt::transparent); // the picture does not cover every pixel
    {
        QPainter painter(&shown);
        painter.drawPixmap(
            QRect(QPoint(-(scaled.width() - target.width()) / 2, -(scaled.height() - target.height()) / 2), scaled),
            picture);
    }
    return shown;
}

QPixmap MPGUI::readCover(const QString &path, const QSize &size, const QSize &target)
{
    if (size.isEmpty() || target.isEmpty())
        return QPixmap();
    QImageReader reader(path);
    const QSize full = reader.size();
    if (!full.isValid() || qint64(full.width()) * full.height() > MaxPicturePixels)
        return QPixmap();
    const QSize scaled = size.scaled(target, Qt::KeepAspectRatioByExpanding);
    reader.setScaledSize(scaled);
    reader.setScaledClipRect(
        QRect(QPoint((scaled.width() - target.width()) / 2, (scaled.height() - target.height()) / 2), target));
    QImage image = reader.read();
    if (image.isNull())
        return QPixmap();
    if (image.size() != target) // a reader that ignores the clip
        return coverPixmap(QPixmap::fromImage(std::move(image)), target);
    return QPixmap::fromImage(std::move(image));
}

QPixmap MPGUI::ledPixmap(const QIcon &icon, const QString &fallbackResource)
{
    QPixmap px = icon.isNull() ? QPixmap(fallbackResource) : icon.pixmap(LedSize, LedSize);
    if (!px.isNull() && px.size() != QSize(LedSize, LedSize))
        px = px.scaled(LedSize, LedSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return px;
}
