#include "mpclickablelabel.h"

#include <QMouseEvent>
#include <QPixmap>

MPClickableLabel::MPClickableLabel(QWidget *parent) : QLabel(parent)
{
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover, false);
}

MPClickableLabel::~MPClickableLabel() = default;

void MPClickableLabel::showAsImage(const char *path, bool)
{
    const QString file = path ? QString::fromUtf8(path) : QString();
    setPixmap(file.isEmpty() ? QPixmap() : QPixmap(file));
}

void MPClickableLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    event->ignore();
}

void MPClickableLabel::mouseMoveEvent(QMouseEvent *event)
{
    event->ignore();
}
