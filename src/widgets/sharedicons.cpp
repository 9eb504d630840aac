#include "sharedicons.h"

#include <QCoreApplication>
#include <QHash>

namespace
{
// GUI thread only, like every icon and pixmap. The keys are the program's
// own resource names: a bounded set. Let go with the application.
struct Shared {
    QHash<QString, QIcon> icons;
    QHash<QString, QPixmap> pixmaps;
};
Shared *shared = nullptr;

void release()
{
    delete shared;
    shared = nullptr;
}

Shared &store()
{
    if (!shared) {
        shared = new Shared;
        qAddPostRoutine(release);
    }
    return *shared;
}
} // namespace

QIcon SharedIcons::icon(const QString &file)
{
    QHash<QString, QIcon> &icons = store().icons;
    auto it = icons.constFind(file);
    if (it == icons.cend())
        it = icons.insert(file, QIcon(file));
    return it.value();
}

QPixmap SharedIcons::pixmap(const QString &file)
{
    QHash<QString, QPixmap> &pixmaps = store().pixmaps;
    auto it = pixmaps.constFind(file);
    if (it == pixmaps.cend())
        it = pixmaps.insert(file, QPixmap(file));
    return it.value();
}
