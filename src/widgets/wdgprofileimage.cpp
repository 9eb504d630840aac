#include "wdgprofileimage.h"

#include <QPainter>
#include <QPainterPath>

wdgProfileImage::wdgProfileImage(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    initIcons();
}

wdgProfileImage::~wdgProfileImage() = default;

void wdgProfileImage::initIcons()
{
    m_iconReady = QPixmap(QStringLiteral(":/images/mctiReady.png"));
    m_iconAway = QPixmap(QStringLiteral(":/images/mctiAway.png"));
    m_iconBusy = QPixmap(QStringLiteral(":/images/mctiBusy.png"));
    m_iconUnavailable = QPixmap(QStringLiteral(":/images/mctiUnavailable.png"));
    m_iconOffline = QPixmap(QStringLiteral(":/images/mctiOffline.png"));
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

QPixmap wdgProfileImage::getPresencePixmap() const
{
    switch (m_presence) {
    case CTILIB::PresenceOnline:
    case CTILIB::PresenceAvailable:
        return m_iconReady;
    case CTILIB::PresenceAway:
        return m_iconAway;
    case CTILIB::PresenceBusy:
        return m_iconBusy;
    case CTILIB::PresenceNotAvailable:
        return m_iconUnavailable;
    default:
        return m_iconOffline;
    }
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

void wdgProfileImage::render()
{
    m_image = std::make_unique<QImage>(size(), QImage::Format_ARGB32_Premultiplied);
    m_image->fill(Qt::transparent);
    QPainter p(m_image.get());
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    const qreal side = qMin(width(), height());
    const QRectF ringRect(m_ringWidth / 2, m_ringWidth / 2, side - m_ringWidth, side - m_ringWidth);
    const QRectF content = ringRect.adjusted(m_ringWidth + m_margin, m_ringWidth + m_margin,
                                             -(m_ringWidth + m_margin), -(m_ringWidth + m_margin));

    QPainterPath clip;
    clip.addEllipse(content);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(content);
    if (!m_photo.isNull()) {
        p.save();
        p.setClipPath(clip);
        p.drawPixmap(content.toRect(), m_photo);
        p.restore();
    } else if (!m_text.isEmpty()) {
        QFont f = font();
        f.setPixelSize(qMax(1, int(qMin(content.width(), content.height()) * m_fontRatio * 0.6)));
        p.setFont(f);
        p.setPen(getTextColor());
        p.drawText(content, Qt::AlignCenter, m_text);
    }
    const QColor ring = getBlfColor();
    if (m_blfVisible && ring.isValid()) {
        p.setPen(QPen(ring, m_ringWidth));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(ringRect);
    }
    if (!m_blfVisible) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(128, 128, 128, 110));
        p.drawEllipse(ringRect);
    }
    if (m_presenceVisible) {
        const qreal badge = side * m_badgeRatio;
        const QRectF badgeRect(side - badge - m_margin, side - badge - m_margin, badge, badge);
        p.drawPixmap(badgeRect.toRect(), getPresencePixmap());
    }
    m_dirty = false;
}

void wdgProfileImage::paintEvent(QPaintEvent *)
{
    if (m_dirty || !m_image || m_image->size() != size())
        render();
    QPainter p(this);
    p.drawImage(0, 0, *m_image);
}
