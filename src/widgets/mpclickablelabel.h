// A label that reports a left press as a click, for a text or picture that
// acts like a button without looking like one. Presses still reach the parent.
#pragma once

#include <QLabel>

class MPClickableLabel : public QLabel
{
    Q_OBJECT
public:
    explicit MPClickableLabel(QWidget *parent = nullptr);
    ~MPClickableLabel() override;

    // Shows the image at path; a null path or one that does not load leaves no picture.
    void showAsImage(const char *path, bool unused = false);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
};
