// The main window's background picture: read from the rebranding directory
// (or the built-in one) beside the window's construction, kept no larger than
// the desktop, and cut to cover the area the window shows it in.
//
// The decoded picture is several times the size of what the window shows, so
// it is held only until the first cover is cut; a later size reads the file
// again, decoding it straight at the size it is shown at.
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
    bool isNull() const { return size.isEmpty(); }
    // The picture scaled and cut to cover `target`, never to more than the
    // desktop given to reload() (a larger area is covered by repeating it).
    QPixmap cover(const QSize &target);
    // True while the decoded picture is held (until the first cover).
    bool holdsDecodedPicture() const { return !picture.isNull(); }

private:
    static QString currentPath();
    QString path;
    QSize size;     // the picture's size, after the desktop rule
    QSize desktop;  // the largest cover cut
    QImage picture; // decoded, until the first cover is cut from it
    QPixmap lastCover;
    std::future<QImage> loading; // the picture read beside the construction
    QString loadingPath;
};
