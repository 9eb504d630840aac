#include "windowbackground.h"

#include "mpguiassets.h"

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

void WindowBackground::reload(const QSize &desktop)
{
    // The picture read beside the construction serves the first load.
    const QString path = currentPath();
    QImage image;
    if (loading.valid()) {
        image = loading.get();
        if (path != loadingPath)
            image = MPGUI::readPicture(path);
    } else {
        image = MPGUI::readPicture(path);
    }
    picture = QPixmap::fromImage(std::move(image));

    if (!picture.isNull() && desktop.isValid()) {
        qDebug() << "background pixmap size:" << picture.size();
        qDebug() << "desktop size:" << desktop;
        if (picture.width() > desktop.width() && picture.height() > desktop.height()) {
            qDebug() << "rescaling background pixmap to desktop size!";
            picture = picture.scaled(desktop, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
            qDebug() << "new background pixmap size:" << picture.size();
        }
    }
}

QPixmap WindowBackground::cover(const QSize &target) const
{
    return MPGUI::coverPixmap(picture, target);
}
