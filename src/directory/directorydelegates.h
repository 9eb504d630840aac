// Painters of the directory and call-history lists: presence, busy lamp with
// the ringing blink and favourite star of the extensions; contact kind and
// the unconfirmed mark of the phone book; number kinds of child rows.
// Child rows span all columns: the span is set when rows appear in the view
// (setUpSpans()), never while painting.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include "widgets/customitemdelegate.h"

class CustomTreeView;

// A picture of a painter, read from its file and scaled to the painter's icon
// size the first time a row needs it: most are never drawn at start, and the
// lists are built before the window first shows.
class DelegatePixmap
{
public:
    DelegatePixmap() = default;
    DelegatePixmap(const QString &path, const QSize &size) : path(path), size(size) {}

    const QPixmap &get() const;
    operator const QPixmap &() const { return get(); }
    bool isNull() const { return get().isNull(); }

private:
    QString path;
    QSize size;
    mutable QPixmap pixmap;
    mutable bool loaded = false;
};

// Common base of the three: the row painting of the shared base (its row
// height, icon size and colours; a selected row gets no fill of its own),
// the view, and the child rows' kind pictures.
class DirectoryItemDelegate : public CustomItemDelegate
{
    Q_OBJECT
public:
    DirectoryItemDelegate(CustomTreeView *view, int rowHeight);

    int getRowHeight() const { return rowHeight(); }
    QSize getIconSize() const { return iconSize(); }
    void setHighlightSelected(bool on) { setSelectionPainted(on); }

protected:
    // `option` is the view's, before initStyleOption() strips its state.
    void paintBackground(QPainter *painter, const QStyleOptionViewItem &option) const;
    void drawEmptyItem(QPainter *painter, QStyleOptionViewItem &option) const;
    void drawCentred(QPainter *painter, const QRect &cell, const QPixmap &pixmap) const;
    void paintChildRow(QPainter *painter, QStyleOptionViewItem &option, const QModelIndex &index) const;
    DelegatePixmap loadPixmap(const QString &path) const;

    QPointer<CustomTreeView> view;
    DelegatePixmap kindPixmaps[4]; // fixed, extension, mobile, e-mail

private:
    // Spans the child rows of the parents that appear.
    void setUpSpans(const QModelIndex &parent, int first, int last);
};

class extenItemDelegate : public DirectoryItemDelegate
{
    Q_OBJECT
public:
    extenItemDelegate(CustomTreeView *view, int rowHeight);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    bool isRinging() const { return ringing; }
    // The lamp a ringing extension shows now: true green, false red.
    bool blinkIsGreen() const { return blinkGreen; }
    // Lamp picture name of a BLF value ("gray", "green", "red", "orange",
    // "blink") and presence picture name of a presence value.
    static QString lampFor(const QVariant &blf);
    static QString presenceFor(const QVariant &presence);

public slots:
    void startRinging();
    void stopRinging();
    void changeRingingPixmap();
    void repaintRingingItems();

private:
    void createIcons();
    QPixmap lampPixmap(const QString &name) const;

    QTimer ringTimer;
    bool ringing = false;
    bool blinkGreen = true;
    DelegatePixmap presencePixmaps[5]; // ready, away, busy, unavailable, offline
    DelegatePixmap starOff, starOn;
    DelegatePixmap ledGray, ledRed, ledGreen, ledYellow, ledOrange;
};

class contactItemDelegate : public DirectoryItemDelegate
{
    Q_OBJECT
public:
    contactItemDelegate(CustomTreeView *view, int rowHeight);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void createIcons();
    DelegatePixmap contactPixmaps[3]; // personal, shared, Outlook
};

class cdrItemDelegate : public DirectoryItemDelegate
{
    Q_OBJECT
public:
    cdrItemDelegate(CustomTreeView *view, int rowHeight);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
