// Round avatar of the logged-in user: initial letter or photo, a ring in the
// colour of the user's own busy-lamp state, a presence badge, and a grey veil
// while the PBX connection is down. Drawn into an off-screen image that is
// rebuilt only when something changed.
#pragma once

#include "ctilibtypes.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <memory>

class QMenu;

class wdgProfileImage : public QWidget
{
    Q_OBJECT
public:
    explicit wdgProfileImage(QWidget *parent = nullptr);
    ~wdgProfileImage() override;

    void setBlfVisible(bool visible);
    void setPresenceVisible(bool visible);
    void setPresenceStatus(CTILIB::ChatPresence presence);
    void setBlfStatus(CTILIB::BlfStatus status);
    void setText(const QString &text);
    void setPresenceMessage(const QString &message) { m_presenceMessage = message; }
    void setProfilePixmap(const QPixmap &pixmap);
    // Forces the off-screen image to be rebuilt at the next paint.
    void setDirty() { m_dirty = true; }

    bool isBlfVisible() const { return m_blfVisible; }
    bool isPresenceVisible() const { return m_presenceVisible; }
    CTILIB::ChatPresence presenceStatus() const { return m_presence; }
    CTILIB::BlfStatus blfStatus() const { return m_blfStatus; }
    QString text() const { return m_text; }
    QString presenceMessage() const { return m_presenceMessage; }

    QPixmap getPresencePixmap() const;
    QPixmap getProfilePixmap() const { return m_photo; }
    QColor getTextColor() const;
    QColor getBlfColor() const;

    // Bottom-right part of the widget where the presence badge sits.
    QRect badgeRect() const;
    // Tool tip of the badge ("" while presence is not shown).
    QString presenceToolTip() const;
    // The presence menu the badge opens (not yet shown); null when the badge is inactive.
    QMenu *buildPresenceMenu();

signals:
    void sigPresenceChanged(CTILIB::ChatPresence presence, QString presenceMsg);

public slots:
    void onPresenceActionClicked();
    void onPresenceMessageChanged();

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void updateImage();
    QPixmap presencePixmap(int presence) const;

    const float m_ringWidth = 3.0f;
    const float m_badgeRatio = 0.3f;
    const float m_fontRatio = 0.75f;
    const float m_margin = 3.0f;
    bool m_blfVisible = false;
    QPixmap m_photo;
    QString m_text;
    bool m_presenceVisible = false;
    CTILIB::ChatPresence m_presence = CTILIB::PresenceInvalid;
    QString m_presenceMessage;
    CTILIB::BlfStatus m_blfStatus = CTILIB::BlfUnknown;
    static constexpr int PresenceIconCount = 5;
    mutable QPixmap m_presenceIcons[PresenceIconCount];
    mutable bool m_presenceIconsRead[PresenceIconCount] = {};
    bool m_dirty = true;
    std::unique_ptr<QImage> m_image;
};
