// The main window's background picture: read from the rebranding directory
// (or the built-in one) beside the window's construction, kept no larger than
// the desktop, and cut to cover the area the window shows it in.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <future>

class WindowBackground
{
public:
    // Starts reading the picture on a worker thread.
    void startLoading();
    // Takes the picture of the current path (the one read beside the
    // construction when the path is unchanged), scaled down to `desktop`
    // when it is larger both ways.
    void reload(const QSize &desktop);
    bool isNull() const { return picture.isNull(); }
    // The picture scaled and cut to cover `target`.
    QPixmap cover(const QSize &target) const;

private:
    static QString currentPath();
    QPixmap picture;
    std::future<QImage> loading; // the picture read beside the construction
    QString loadingPath;
};
