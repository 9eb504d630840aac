#include "wdgprofileimage.h"

#include "widgets/mpguilabels.h"

#include <QAction>
#include <QBitmap>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWidgetAction>

wdgProfileImage::wdgProfileImage(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

wdgProfileImage::~wdgProfileImage()
{
    // A presence menu still waiting for its deferred deletion would report its
    // message field losing focus to this half-destroyed widget: cut it off first.
    for (QMenu *menu : findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly)) {
        for (QLineEdit *edit : menu->findChildren<QLineEdit *>())
            disconnect(edit, nullptr, this, nullptr);
        delete menu;
    }
}

void wdgProfileImage::setBlfVisible(bool visible)
{
    if (visible == m_blfVisible)
        return;
    m_blfVisible = visible;
    m_dirty = true;
    repaint();
}

void wdgProfileImage::setPresenceVisible(bool visible)
{
    if (visible == m_presenceVisible)
        return;
    m_presenceVisible = visible;
    m_dirty = true;
    repaint();
}

void wdgProfileImage::setPresenceStatus(CTILIB::ChatPresence presence)
{
    if (presence == m_presence)
        return;
    m_presence = presence;
    m_dirty = true;
    repaint();
}

void wdgProfileImage::setBlfStatus(CTILIB::BlfStatus status)
{
    if (status == m_blfStatus)
        return;
    m_blfStatus = status;
    m_dirty = true;
    repaint();
}

void wdgProfileImage::setText(const QString &text)
{
    m_text = text;
    m_dirty = true;
    repaint();
}

void wdgProfileImage::setProfilePixmap(const QPixmap &pixmap)
{
    m_photo = pixmap;
    m_dirty = true;
    repaint();
}

QPixmap wdgProfileImage::presencePixmap(int presence) const
{
    // The badges are read when first drawn: the presence is hidden until the
    // log-in, so the window's first frame needs none of them.
    static const char *const files[PresenceIconCount] = {":/images/mctiReady.png", ":/images/mctiAway.png",
                                                         ":/images/mctiBusy.png", ":/images/mctiUnavailable.png",
                                                         ":/images/mctiOffline.png"};
    int index;
    switch (presence) {
    case CTILIB::PresenceOnline:
    case CTILIB::PresenceAvailable:
        index = 0;
        break;
    case CTILIB::PresenceAway:
        index = 1;
        break;
    case CTILIB::PresenceBusy:
        index = 2;
        break;
    case CTILIB::PresenceNotAvailable:
        index = 3;
        break;
    default:
        index = 4;
        break;
    }
    if (!m_presenceIconsRead[index]) {
        m_presenceIcons[index] = QPixmap(QLatin1String(files[index]));
        m_presenceIconsRead[index] = true;
    }
    return m_presenceIcons[index];
}

QPixmap wdgProfileImage::getPresencePixmap() const
{
    return presencePixmap(m_presence);
}

QColor wdgProfileImage::getBlfColor() const
{
    switch (m_blfStatus) {
    case CTILIB::BlfIdle:
        return QColor(QStringLiteral("#31e492"));
    case CTILIB::BlfInUse:
    case CTILIB::BlfBusy:
    case CTILIB::BlfInUseOnHold:
        return QColor(QStringLiteral("#d71614"));
    case CTILIB::BlfUnavailable:
        return QColor(QStringLiteral("#cbcbcb"));
    case CTILIB::BlfRinging:
    case CTILIB::BlfRingInUse:
    case CTILIB::BlfOnHold:
        return QColor(QStringLiteral("#fdba09"));
    default:
        return QColor();
    }
}

QColor wdgProfileImage::getTextColor() const
{
    return getBlfColor().isValid() ? QColor(Qt::black) : QColor(QStringLiteral("#cbcbcb"));
}

void wdgProfileImage::resizeEvent(QResizeEvent *event)
{
    m_dirty = true;
    QWidget::resizeEvent(event);
}

QRect wdgProfileImage::badgeRect() const
{
    const float s = m_badgeRatio;
    return QRect(int((1 - s) * width()), int((1 - s) * height()), int(s * width()), int(s * height()));
}

void wdgProfileImage::updateImage()
{
    if (m_image && !m_dirty)
        return;
    m_dirty = false;
    const QRect r = rect();
    if (m_image && m_image->size() != r.size())
        m_image.reset();
    if (!m_image)
        m_image = std::make_unique<QImage>(r.size(), QImage::Format_ARGB32_Premultiplied);
    if (m_image->isNull())
        return;

    QPainter p(m_image.get());
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(r, Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    const QPixmap badge = getPresencePixmap();
    const QRect badgeArea = badgeRect();
    if (m_presenceVisible && !badge.isNull()) {
        // Keep a transparent gap around the badge: photo and ring stay out of it.
        const QPixmap scaled = badge.scaled(r.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const int grow = int(m_margin);
        const QRect around = badgeArea.adjusted(-grow, -grow, grow, grow);
        QBitmap shape(r.size());
        shape.fill(Qt::color0);
        {
            QPainter bp(&shape);
            bp.drawPixmap(around, QBitmap::fromImage(scaled.toImage().createAlphaMask()));
        }
        p.setClipRegion(QRegion(r).subtracted(QRegion(shape)));
        p.setClipping(false);
    }

    if (!m_photo.isNull()) {
        const int inset = int(m_ringWidth + m_margin);
        const QRect photoRect = r.adjusted(inset, inset, -inset, -inset);
        const QPixmap scaled = m_photo.scaled(photoRect.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.setClipping(true);
        p.setPen(Qt::NoPen);
        QBrush brush(scaled);
        brush.setTransform(QTransform::fromTranslate(photoRect.x(), photoRect.y()));
        p.setBrush(brush);
        p.drawEllipse(photoRect);
        p.setClipping(false);
    }
    if (!m_text.isEmpty()) {
        const int inset = int(2 * m_margin + m_ringWidth);
        const QRect textRect = r.adjusted(inset, inset, -inset, -inset);
        QFont f = font();
        f.setWeight(QFont::Normal);
        f.setPixelSize(qMax(1, int(qMin(textRect.width(), textRect.height()) * m_fontRatio)));
        p.setFont(f);
        p.setPen(getTextColor());
        p.drawText(textRect, Qt::AlignCenter, m_text);
    }
    if (!m_blfVisible) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(240, 240, 240, 160));
        p.drawEllipse(r);
        return;
    }
    const QColor ring = getBlfColor();
    if (ring.isValid()) {
        const int half = int(m_ringWidth / 2);
        p.setClipping(m_presenceVisible && !badge.isNull());
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ring, m_ringWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        p.drawEllipse(QRect(half, half, width() - 2 * half, height() - 2 * half));
        p.setClipping(false);
    }
    if (m_presenceVisible && !badge.isNull()) {
        const QPixmap small = badge.scaled(badgeArea.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawPixmap(badgeArea.topLeft(), small);
    }
}

void wdgProfileImage::paintEvent(QPaintEvent *)
{
    updateImage();
    if (!m_image || m_image->isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(rect(), *m_image);
}

QString wdgProfileImage::presenceToolTip() const
{
    if (!m_presenceVisible || m_presence == CTILIB::PresenceInvalid)
        return QString();
    QString tip = tr("%1: %2").arg(MPGUI::translatePresenceStatus(m_presence), m_presenceMessage);
    if (m_presenceMessage.isEmpty())
        tip.chop(2);
    return tip;
}

bool wdgProfileImage::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        // Where the cursor was when the tool tip was asked for.
        const QPoint at = static_cast<QHelpEvent *>(e)->pos();
        const QString tip = presenceToolTip();
        if (!tip.isEmpty() && badgeRect().contains(at))
            QToolTip::showText(mapToGlobal(at), tip, this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

QMenu *wdgProfileImage::buildPresenceMenu()
{
    if (!m_presenceVisible || m_presence == CTILIB::PresenceInvalid)
        return nullptr;
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("presenceMenu"));
    connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    for (int presence = CTILIB::PresenceAvailable; presence <= CTILIB::PresenceOffline; ++presence) {
        QAction *action = menu->addAction(QIcon(presencePixmap(presence)),
                                          MPGUI::translatePresenceStatus(CTILIB::ChatPresence(presence)));
        action->setData(presence);
        connect(action, &QAction::triggered, this, &wdgProfileImage::onPresenceActionClicked);
    }
    menu->addSeparator();
    auto *edit = new QLineEdit(menu);
    edit->setObjectName(QStringLiteral("presenceMessageEdit"));
    edit->setPlaceholderText(tr("Messaggio personalizzato"));
    edit->setText(m_presenceMessage);
    auto *holder = new QWidgetAction(menu);
    holder->setDefaultWidget(edit);
    menu->addAction(holder);
    connect(edit, &QLineEdit::returnPressed, this, &wdgProfileImage::onPresenceMessageChanged);
    connect(edit, &QLineEdit::returnPressed, menu, &QMenu::close);
    connect(edit, &QLineEdit::editingFinished, this, &wdgProfileImage::onPresenceMessageChanged);
    connect(edit, &QLineEdit::editingFinished, menu, &QMenu::close);
    return menu;
}

void wdgProfileImage::mousePressEvent(QMouseEvent *event)
{
    if (!badgeRect().contains(event->pos()))
        return;
    QMenu *menu = buildPresenceMenu();
    if (!menu)
        return;
    menu->exec(mapToGlobal(event->pos()));
}

void wdgProfileImage::onPresenceActionClicked()
{
    const auto *action = qobject_cast<QAction *>(sender());
    if (!m_presenceVisible || !action)
        return;
    bool ok = false;
    const int presence = action->data().toInt(&ok);
    if (!ok || presence == -1 || presence == m_presence)
        return;
    emit sigPresenceChanged(CTILIB::ChatPresence(presence), m_presenceMessage);
}

void wdgProfileImage::onPresenceMessageChanged()
{
    const auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!m_presenceVisible || !edit)
        return;
    if (edit->text() == m_presenceMessage)
        return;
    m_presenceMessage = edit->text();
    emit sigPresenceChanged(m_presence, m_presenceMessage);
}
