#include "afterfirstpaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace
{

class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget *window, std::function<void()> action, int fallbackMs)
        : QObject(window), action(std::move(action))
    {
        if (!window->isVisible() || window->isMinimized()) {
            runSoon();
            return;
        }
        window->installEventFilter(this);
        QTimer::singleShot(fallbackMs, this, [this] { run(); });
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            runSoon(); // after the paint has reached the screen
        return false;
    }

private:
    void runSoon()
    {
        QTimer::singleShot(0, this, [this] { run(); });
    }
    void run()
    {
        if (!action)
            return;
        const std::function<void()> pending = std::move(action);
        action = nullptr;
        deleteLater();
        pending();
    }

    std::function<void()> action;
};

} // namespace

void GuiUtils::runAfterFirstPaint(QWidget *window, std::function<void()> action, int fallbackMs)
{
    if (window && action)
        new FirstPaintWatch(window, std::move(action), fallbackMs);
}
