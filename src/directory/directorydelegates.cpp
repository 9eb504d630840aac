#include "directorydelegates.h"

#include "contactrows.h"
#include "customtreeview.h"
#include "directoryroles.h"

#include <QApplication>
#include <QPainter>

namespace
{
const QString KindPaths[4] = {QStringLiteral(":/images/contactFixed.png"), QStringLiteral(":/images/contactExten.png"),
                              QStringLiteral(":/images/contactMobile.png"),
                              QStringLiteral(":/images/contactEmail.png")};

bool intOf(const QVariant &value, int *out)
{
    bool ok = false;
    *out = value.toInt(&ok);
    return ok;
}
} // namespace

// ------------------------------------------------------------------ base

DirectoryItemDelegate::DirectoryItemDelegate(CustomTreeView *view, int rowHeight)
    : CustomItemDelegate(view, rowHeight), view(view)
{
    // The view owns its painter.
    setParent(view);
    if (!iconSize().isValid() || iconSize().isEmpty())
        setIconSize(QSize(16, 16));
    for (int i = 0; i < 4; ++i)
        kindPixmaps[i] = loadPixmap(KindPaths[i]);
    if (view) {
        // A child row shows up when its parent is expanded: span it then.
        connect(view, &QTreeView::expanded, this,
                [this](const QModelIndex &parent) { setUpSpans(parent, 0, parent.model()->rowCount(parent) - 1); });
    }
}

void DirectoryItemDelegate::setUpSpans(const QModelIndex &parent, int first, int last)
{
    if (!view || !parent.isValid())
        return;
    for (int row = first; row <= last; ++row) {
        if (!view->isFirstColumnSpanned(row, parent))
            view->setFirstColumnSpanned(row, parent, true);
    }
}

const QPixmap &DelegatePixmap::get() const
{
    if (!loaded) {
        loaded = true;
        const QPixmap file(path);
        if (!file.isNull())
            pixmap = file.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return pixmap;
}

// The icon size in force now: a picture is scaled to it when first drawn.
DelegatePixmap DirectoryItemDelegate::loadPixmap(const QString &path) const
{
    return DelegatePixmap(path, iconSize());
}

void DirectoryItemDelegate::paintBackground(QPainter *painter, const QStyleOptionViewItem &option) const
{
    if (isSelectionPainted() && (option.state & (QStyle::State_Selected | QStyle::State_HasFocus)))
        painter->fillRect(option.rect, selectionColor());
    else if (option.state & QStyle::State_MouseOver)
        painter->fillRect(option.rect, hoverColor());
}

void DirectoryItemDelegate::drawEmptyItem(QPainter *painter, QStyleOptionViewItem &option) const
{
    option.text.clear();
    option.icon = QIcon();
    QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &option, painter, option.widget);
}

void DirectoryItemDelegate::drawCentred(QPainter *painter, const QRect &cell, const QPixmap &pixmap) const
{
    if (pixmap.isNull())
        return;
    const int h = iconSize().height();
    const int w = qMin(iconSize().width(), pixmap.height() > 0 ? h * pixmap.width() / pixmap.height() : h);
    const QRect target(cell.x() + (cell.width() - w) / 2, cell.y() + (cell.height() - h) / 2, w, h);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawPixmap(target, pixmap);
    painter->restore();
}

void DirectoryItemDelegate::paintChildRow(QPainter *painter, QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    const QString text = option.text;
    drawEmptyItem(painter, option);
    int kind = -1;
    if (intOf(index.data(DirRole::Visibility), &kind) && kind >= 0 && kind <= 3 && !kindPixmaps[kind].isNull()) {
        const QPixmap &pixmap = kindPixmaps[kind];
        const QRect target(option.rect.left() + (iconSize().width() - pixmap.width()) / 2 + 3,
                           option.rect.top() + (option.rect.height() - pixmap.height()) / 2, pixmap.width(),
                           pixmap.height());
        painter->drawPixmap(target, pixmap);
    }
    painter->save();
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(iconSize().width() + 13, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}

// ------------------------------------------------------------------ extensions

extenItemDelegate::extenItemDelegate(CustomTreeView *view, int rowHeight)
    : DirectoryItemDelegate(view, rowHeight), ringTimer(this)
{
    ringTimer.setObjectName(QStringLiteral("ringingTimer"));
    ringTimer.setInterval(250);
    connect(&ringTimer, &QTimer::timeout, this, &extenItemDelegate::changeRingingPixmap);
    connect(&ringTimer, &QTimer::timeout, this, &extenItemDelegate::repaintRingingItems);
    createIcons();
}

void extenItemDelegate::createIcons()
{
    const QString presence[5] = {QStringLiteral(":/images/mctiReady.png"), QStringLiteral(":/images/mctiAway.png"),
                                 QStringLiteral(":/images/mctiBusy.png"),
                                 QStringLiteral(":/images/mctiUnavailable.png"),
                                 QStringLiteral(":/images/mctiOffline.png")};
    for (int i = 0; i < 5; ++i)
        presencePixmaps[i] = loadPixmap(presence[i]);
    starOff = loadPixmap(QStringLiteral(":/images/favouriteUnselected.png"));
    starOn = loadPixmap(QStringLiteral(":/images/favouriteSelected.png"));
    ledGray = loadPixmap(QStringLiteral(":/images/led_gray.png"));
    ledRed = loadPixmap(QStringLiteral(":/images/led_red.png"));
    ledGreen = loadPixmap(QStringLiteral(":/images/led_green.png"));
    ledYellow = loadPixmap(QStringLiteral(":/images/led_yellow.png"));
    ledOrange = loadPixmap(QStringLiteral(":/images/led_orange.png"));
}

QString extenItemDelegate::lampFor(const QVariant &blf)
{
    int state = -1;
    if (!intOf(blf, &state))
        state = -1;
    switch (state) {
    case -1:
    case 4:
        return QStringLiteral("gray");
    case 0:
        return QStringLiteral("green");
    case 1:
    case 2:
    case 17:
        return QStringLiteral("red");
    case 8:
    case 9:
        return QStringLiteral("blink");
    case 16:
        return QStringLiteral("orange");
    default:
        return QString();
    }
}

QString extenItemDelegate::presenceFor(const QVariant &presence)
{
    int value = -1;
    if (!intOf(presence, &value))
        value = -1;
    switch (value) {
    case -1:
    case 5:
        return QStringLiteral("offline");
    case 0:
    case 1:
        return QStringLiteral("ready");
    case 2:
        return QStringLiteral("away");
    case 3:
        return QStringLiteral("busy");
    case 4:
        return QStringLiteral("unavailable");
    default:
        return QString();
    }
}

QPixmap extenItemDelegate::lampPixmap(const QString &name) const
{
    if (name == QLatin1String("gray"))
        return ledGray;
    if (name == QLatin1String("green"))
        return ledGreen;
    if (name == QLatin1String("red"))
        return ledRed;
    if (name == QLatin1String("orange"))
        return ledOrange;
    if (name == QLatin1String("blink"))
        return blinkGreen ? ledGreen : ledRed;
    return QPixmap();
}

void extenItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &opt, const QModelIndex &index) const
{
    QStyleOptionViewItem option = opt;
    initStyleOption(&option, index);
    if (!index.isValid())
        return;
    paintBackground(painter, opt);
    if (index.parent().isValid()) {
        paintChildRow(painter, option, index);
        return;
    }
    switch (index.column()) {
    case 7:
        drawEmptyItem(painter, option);
        drawCentred(painter, option.rect,
                    index.data(DirRole::Favourite).toString() == QLatin1String("F") ? starOn : starOff);
        break;
    case 1:
        drawEmptyItem(painter, option);
        drawCentred(painter, option.rect, lampPixmap(lampFor(index.data(DirRole::Blf))));
        break;
    case 0: {
        drawEmptyItem(painter, option);
        const QString name = presenceFor(index.data(DirRole::Presence));
        static const QStringList names{QStringLiteral("ready"), QStringLiteral("away"), QStringLiteral("busy"),
                                       QStringLiteral("unavailable"), QStringLiteral("offline")};
        const int i = names.indexOf(name);
        if (i >= 0)
            drawCentred(painter, option.rect, presencePixmaps[i]);
        break;
    }
    default: {
        QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &option, painter, option.widget);
    }
    }
}

QSize extenItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(16, rowHeight());
}

void extenItemDelegate::startRinging()
{
    if (ringing)
        return;
    ringing = true;
    blinkGreen = !blinkGreen;
    ringTimer.start();
}

void extenItemDelegate::changeRingingPixmap()
{
    blinkGreen = !blinkGreen;
}

void extenItemDelegate::stopRinging()
{
    if (!ringing)
        return;
    ringTimer.stop();
    blinkGreen = true;
    ringing = false;
}

void extenItemDelegate::repaintRingingItems()
{
    if (!view || !view->isVisible() || !view->model())
        return;
    QAbstractItemModel *model = view->model();
    const int rows = model->rowCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex cell = model->index(row, 1);
        int state = -1;
        if (intOf(cell.data(DirRole::Blf), &state) && (state == 8 || state == 9))
            view->update(cell);
    }
}

// ------------------------------------------------------------------ contacts

contactItemDelegate::contactItemDelegate(CustomTreeView *view, int rowHeight) : DirectoryItemDelegate(view, rowHeight)
{
    createIcons();
}

void contactItemDelegate::createIcons()
{
    contactPixmaps[0] = loadPixmap(QStringLiteral(":/images/contact.png"));
    contactPixmaps[1] = loadPixmap(QStringLiteral(":/images/sharedContact.png"));
    contactPixmaps[2] = loadPixmap(QStringLiteral(":/images/outlook.png"));
}

void contactItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &opt, const QModelIndex &index) const
{
    QStyleOptionViewItem option = opt;
    initStyleOption(&option, index);
    if (!index.isValid())
        return;
    paintBackground(painter, opt);
    if (index.parent().isValid()) {
        paintChildRow(painter, option, index);
        return;
    }
    if (index.column() != 0) {
        QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &option, painter, option.widget);
        return;
    }
    drawEmptyItem(painter, option);
    // The kind comes from the personal flag and the source of the row.
    const int kind =
        DirectoryModels::contactKind(index.data(DirRole::Personal).toBool(), index.data(DirRole::Source).toString());
    drawCentred(painter, option.rect, contactPixmaps[-kind]);
    if (!index.data(DirRole::Confirmed).toBool()) {
        painter->save();
        QFont font = option.font;
        font.setWeight(75);
        font.setPointSize(13);
        painter->setFont(font);
        painter->setPen(Qt::red);
        painter->drawText(option.rect, Qt::AlignCenter, QStringLiteral("!"));
        painter->restore();
    }
}

QSize contactItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(16, rowHeight());
}

// ------------------------------------------------------------------ call history

cdrItemDelegate::cdrItemDelegate(CustomTreeView *view, int rowHeight) : DirectoryItemDelegate(view, rowHeight) {}

void cdrItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &opt, const QModelIndex &index) const
{
    QStyleOptionViewItem option = opt;
    initStyleOption(&option, index);
    if (!index.isValid())
        return;
    paintBackground(painter, opt);
    QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &option, painter, option.widget);
}

QSize cdrItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(30, rowHeight());
}
