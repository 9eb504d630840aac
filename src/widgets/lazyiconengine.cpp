// The plug-in below is built into the program, not loaded from disk.
#define QT_STATICPLUGIN

#include "lazyiconengine.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QIconEnginePlugin>
#include <QImageReader>
#include <QPainter>
#include <QPair>
#include <QPixmapCache>
#include <QStyle>
#include <QStyleOption>

#include <array>

namespace
{

int area(const QSize &size)
{
    return size.width() * size.height();
}

int decodedFiles = 0; // GUI thread only, like every icon

// Of two candidates for `size`: the smallest that is at least as large, else
// the largest; on a tie `a` (callers pass the later added as `a`).
template <typename Entry> const Entry *bestSizeMatch(const QSize &size, const Entry *a, const Entry *b)
{
    const int s = area(size);
    const int areaA = area(a->pixmap.size());
    const int areaB = area(b->pixmap.size());
    int chosen;
    if (qMax(areaA, areaB) >= s) {
        chosen = qMin(areaA, areaB);
        if (chosen < s)
            chosen = qMax(areaA, areaB);
    } else {
        chosen = qMax(areaA, areaB);
    }
    return chosen == areaA ? a : b;
}

} // namespace

class LazyIconEnginePlugin : public QIconEnginePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QIconEngineFactoryInterface" FILE "lazyiconengine.json")

public:
    QIconEngine *create(const QString &) override
    {
        // QIcon adds the file itself right after creating the engine.
        return new LazyIconEngine;
    }
};

// Defined by the meta-object code of the plug-in class (end of this file).
extern const QStaticPlugin qt_static_plugin_LazyIconEnginePlugin();

void LazyIconEngine::install()
{
    static const bool done = [] {
        qRegisterStaticPluginFunction(qt_static_plugin_LazyIconEnginePlugin());
        return true;
    }();
    Q_UNUSED(done);
}

int LazyIconEngine::decodedFileCount()
{
    return decodedFiles;
}

void LazyIconEngine::addFile(const QString &fileName, const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    if (fileName.isEmpty())
        return;
    const QString path = fileName.startsWith(QLatin1Char(':')) ? fileName : QFileInfo(fileName).absoluteFilePath();
    entries.append(Entry{QPixmap(), mode, state, path, size});
    undecoded = true;
}

void LazyIconEngine::addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state)
{
    if (!pixmap.isNull())
        entries.append(Entry{pixmap, mode, state, QString(), QSize()});
}

namespace
{
// Pictures decoded from a file that gives one, by file and size, for as long
// as an icon holds them: icons made from the same file (the window's and the
// tray's) share one decoded copy. A picture no icon holds any more is let go,
// except button-sized ones, up to kKeptUnheld of them: the widgets of every
// call line and balloon make the same few icons again, and decoding them for
// each call was a good part of showing a ringing line.
QHash<QString, QPixmap> &sharedPictures()
{
    static QHash<QString, QPixmap> pictures;
    static const bool clearedAtExit = [] {
        qAddPostRoutine([] { sharedPictures().clear(); });
        return true;
    }();
    Q_UNUSED(clearedAtExit)
    return pictures;
}

constexpr int kKeptUnheld = 64;
constexpr int kKeptSide = 64;

void forgetUnheldPictures()
{
    QHash<QString, QPixmap> &pictures = sharedPictures();
    int kept = 0;
    for (auto it = pictures.begin(); it != pictures.end();) {
        const QPixmap &picture = it.value();
        const bool small = picture.width() <= kKeptSide && picture.height() <= kKeptSide;
        if (!picture.isDetached() || (small && kept++ < kKeptUnheld))
            ++it;
        else
            it = pictures.erase(it);
    }
}
} // namespace

// Each file becomes its pictures, in place: every picture when added without
// a size, else the one of that size (or, when it has none, its first). A file
// that gives one picture is shared with the other icons holding it.
void LazyIconEngine::decode() const
{
    if (!undecoded)
        return;
    undecoded = false;
    QVector<Entry> decoded;
    decoded.reserve(entries.size());
    for (const Entry &entry : qAsConst(entries)) {
        if (entry.fileName.isEmpty()) {
            decoded.append(entry);
            continue;
        }
        const QString cacheKey =
            QStringLiteral("%1:%2x%3").arg(entry.fileName).arg(entry.fileSize.width()).arg(entry.fileSize.height());
        forgetUnheldPictures();
        const auto shared = sharedPictures().constFind(cacheKey);
        if (shared != sharedPictures().constEnd()) {
            decoded.append(Entry{shared.value(), entry.mode, entry.state, QString(), QSize()});
            continue;
        }
        const int before = decoded.size();
        ++decodedFiles;
        QImageReader reader(entry.fileName);
        QImage image;
        QPixmap first;
        bool added = false;
        while (reader.read(&image)) {
            if (!entry.fileSize.isValid() || image.size() == entry.fileSize) {
                decoded.append(Entry{QPixmap::fromImage(image), entry.mode, entry.state, QString(), QSize()});
                added = true;
                if (entry.fileSize.isValid())
                    break;
            } else if (first.isNull()) {
                first = QPixmap::fromImage(image);
            }
        }
        if (!added && !first.isNull())
            decoded.append(Entry{first, entry.mode, entry.state, QString(), QSize()});
        if (decoded.size() == before + 1)
            sharedPictures().insert(cacheKey, decoded.last().pixmap);
    }
    entries = decoded;
}

const LazyIconEngine::Entry *LazyIconEngine::tryMatch(const QSize &size, QIcon::Mode mode, QIcon::State state) const
{
    const Entry *best = nullptr;
    for (const Entry &entry : qAsConst(entries)) {
        if (entry.mode == mode && entry.state == state)
            best = best ? bestSizeMatch(size, &entry, best) : &entry;
    }
    return best;
}

// The picture for `mode` and `state`, else the nearest other one, in the
// order Qt's pixmap engine uses.
const LazyIconEngine::Entry *LazyIconEngine::bestMatch(const QSize &size, QIcon::Mode mode, QIcon::State state) const
{
    decode();
    using Choice = QPair<QIcon::Mode, QIcon::State>;
    const QIcon::State other = state == QIcon::On ? QIcon::Off : QIcon::On;
    std::array<Choice, 8> order;
    if (mode == QIcon::Disabled || mode == QIcon::Selected) {
        const QIcon::Mode opposite = mode == QIcon::Disabled ? QIcon::Selected : QIcon::Disabled;
        order = {{{mode, state},
                  {QIcon::Normal, state},
                  {QIcon::Active, state},
                  {mode, other},
                  {QIcon::Normal, other},
                  {QIcon::Active, other},
                  {opposite, state},
                  {opposite, other}}};
    } else {
        const QIcon::Mode opposite = mode == QIcon::Normal ? QIcon::Active : QIcon::Normal;
        order = {{{mode, state},
                  {opposite, state},
                  {mode, other},
                  {opposite, other},
                  {QIcon::Disabled, state},
                  {QIcon::Selected, state},
                  {QIcon::Disabled, other},
                  {QIcon::Selected, other}}};
    }
    for (const auto &candidate : order) {
        if (const Entry *entry = tryMatch(size, candidate.first, candidate.second))
            return entry;
    }
    return nullptr;
}

QPixmap LazyIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    const Entry *entry = bestMatch(size, mode, state);
    if (!entry)
        return QPixmap();
    QPixmap pm = entry->pixmap;
    QSize wanted = pm.size();
    if (wanted.width() > size.width() || wanted.height() > size.height())
        wanted.scale(size, Qt::KeepAspectRatio);
    if (wanted.isEmpty())
        return QPixmap();

    const QString cacheKey = QStringLiteral("deskline_icon_%1_%2_%3_%4x%5_%6")
                                 .arg(pm.cacheKey())
                                 .arg(int(entry->mode))
                                 .arg(QGuiApplication::palette().cacheKey())
                                 .arg(wanted.width())
                                 .arg(wanted.height())
                                 .arg(int(mode));
    QPixmap cached;
    if (QPixmapCache::find(cacheKey, &cached))
        return cached;
    if (pm.size() != wanted)
        pm = pm.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (entry->mode != mode && mode != QIcon::Normal) {
        if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
            QStyleOption option(0);
            option.palette = QGuiApplication::palette();
            const QPixmap generated = QApplication::style()->generatedIconPixmap(mode, pm, &option);
            if (!generated.isNull())
                pm = generated;
        }
    }
    QPixmapCache::insert(cacheKey, pm);
    return pm;
}

QSize LazyIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    const Entry *entry = bestMatch(size, mode, state);
    if (!entry)
        return QSize();
    QSize actual = entry->pixmap.size();
    if (!actual.isNull() && (actual.width() > size.width() || actual.height() > size.height()))
        actual.scale(size, Qt::KeepAspectRatio);
    return actual;
}

void LazyIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal dpr =
        QCoreApplication::testAttribute(Qt::AA_UseHighDpiPixmaps) ? painter->device()->devicePixelRatioF() : qreal(1.0);
    const QPixmap pm = pixmap(rect.size() * dpr, mode, state);
    painter->drawPixmap(rect, pm);
}

QList<QSize> LazyIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) const
{
    decode();
    QList<QSize> sizes;
    for (const Entry &entry : qAsConst(entries)) {
        if (entry.mode == mode && entry.state == state && !entry.pixmap.isNull())
            sizes.append(entry.pixmap.size());
    }
    return sizes;
}

QString LazyIconEngine::key() const
{
    return QStringLiteral("LazyIconEngine");
}

QIconEngine *LazyIconEngine::clone() const
{
    auto *copy = new LazyIconEngine;
    copy->entries = entries;
    copy->undecoded = undecoded;
    return copy;
}

void LazyIconEngine::virtual_hook(int id, void *data)
{
    switch (id) {
    case QIconEngine::IsNullHook: {
        // Answered without decoding where possible: buttons ask while laying
        // out. A file that exists counts as a picture until decoded.
        bool empty = true;
        for (const Entry &entry : qAsConst(entries)) {
            if (entry.fileName.isEmpty() ? !entry.pixmap.isNull() : QFileInfo::exists(entry.fileName)) {
                empty = false;
                break;
            }
        }
        *reinterpret_cast<bool *>(data) = empty;
        break;
    }
    case QIconEngine::AvailableSizesHook: {
        auto &arg = *reinterpret_cast<QIconEngine::AvailableSizesArgument *>(data);
        arg.sizes = availableSizes(arg.mode, arg.state);
        break;
    }
    default:
        QIconEngine::virtual_hook(id, data);
    }
}

#include "lazyiconengine.moc"
