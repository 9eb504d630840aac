#include "windowbackground.h"

#include "widgets/mpguiassets.h"

#include <QDebug>
#include <QImageReader>

QString WindowBackground::currentPath()
{
    return MPGUI::rebrandedFilePath(QStringLiteral("background.jpg"), QStringLiteral(":/images/background.jpg"));
}

void WindowBackground::startLoading()
{
    loadingPath = currentPath();
    loading = std::async(std::launch::async, [path = loadingPath] {
        // The first picture a process reads loads every image-format plug-in
        // (Qt asks each whether it reads PNG): done here, first, it stays off
        // the forms being built meanwhile.
        QImageReader(QStringLiteral(":/images/veloraCTI.png")).canRead();
        return MPGUI::readPicture(path);
    });
}

void WindowBackground::reload(const QSize &desktopSize)
{
    desktop = desktopSize;
    // The picture read beside the construction serves the first load.
    path = currentPath();
    QImage image;
    if (loading.valid()) {
        image = loading.get();
        if (path != loadingPath)
            image = MPGUI::readPicture(path);
    } else {
        image = MPGUI::readPicture(path);
    }
    lastCover = QPixmap();
    size = image.size();

    if (!image.isNull() && desktop.isValid()) {
        qDebug() << "background pixmap size:" << size;
        qDebug() << "desktop size:" << desktop;
        if (size.width() > desktop.width() && size.height() > desktop.height()) {
            qDebug() << "rescaling background pixmap to desktop size!";
            image = image.scaled(desktop, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
            size = image.size();
            qDebug() << "new background pixmap size:" << size;
        }
    }
    picture = std::move(image);
}

QPixmap WindowBackground::cover(const QSize &wanted)
{
    // A window wider than the screen (whatever made it so) never makes the
    // picture grow with it.
    const QSize target = desktop.isValid() && !desktop.isEmpty() ? wanted.boundedTo(desktop) : wanted;
    if (!lastCover.isNull() && lastCover.size() == target)
        return lastCover;
    if (!picture.isNull()) {
        // The decoded picture is used once, then let go.
        const QPixmap whole = QPixmap::fromImage(std::move(picture));
        picture = QImage();
        lastCover = MPGUI::coverPixmap(whole, target);
    } else {
        lastCover = MPGUI::readCover(path, size, target);
    }
    return lastCover;
}
