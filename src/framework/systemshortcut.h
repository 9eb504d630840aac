// A system-wide hot key: one key sequence that, once registered with the
// platform, fires triggered() even while another application has the focus.
// The object is a native event filter of the application's event dispatcher,
// through which the platform's hot-key events would reach it.
//
// This platform offers no registration: translating a sequence into native
// modifiers and key yields nothing, every registration fails (and is
// logged), and the event filter consumes no event. Callers tell failure by
// the empty shortcut() after setShortcut().
#pragma once

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QWidget>

class Logger;
class QWidget;

class SystemShortcut : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit SystemShortcut(QObject *parent = nullptr);
    SystemShortcut(const QKeySequence &seq, QObject *parent);
    SystemShortcut(QWidget *window, QObject *parent);
    SystemShortcut(const QKeySequence &seq, QWidget *window, QObject *parent);
    ~SystemShortcut() override;

    // Where every message goes; the owner sets it right after construction.
    // Nothing is logged while it is null.
    Logger *logger = nullptr;

    void installNewEventFilter();
    void restorePrevEventFilter();

    bool registerShortcut(const QKeySequence &seq);
    // Display-server variant: translates and logs, registers nothing.
    bool registerShortcut(const QKeySequence &seq, quint64 window, void *display);
    bool unregisterShortcut(const QKeySequence &seq);
    bool unregister();

    // Appends one native modifier mask and one native key per key of `seq`;
    // false when the platform has no translation.
    bool keySeq2ModsKeys(const QKeySequence &seq, QList<quint32> &mods, QList<quint32> &keys);
    // Translates `seq` and logs the outcome under the caller's name.
    void logTranslation(const char *function, const QKeySequence &seq);

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

    void emitSignal();

    // The sequence registered now; empty when none is.
    QKeySequence shortcut() const { return currentSequence; }
    // The native id of the window the shortcut belongs to, 0 without one.
    // Asked when needed: taking it creates the window's native handle, which
    // a window under construction is better without (its title, icon and
    // flags would each go to the window system, and a change of flags would
    // build the native window again).
    quint64 windowId() const { return window ? quint64(window->winId()) : 0; }

public slots:
    void setShortcut(QKeySequence seq);

signals:
    void triggered();

private:
    void init(QWidget *window);
    void log(const char *function, int priority, const QString &text, const QString &value);

    using ModsKey = QPair<quint32, quint32>;
    // Registered (modifiers, key) pairs of the process; nothing fills it on this platform.
    static QHash<ModsKey, SystemShortcut *> sModsKeys2ShortcutMap;

    QKeySequence currentSequence;
    void *display = nullptr;
    QPointer<QWidget> window;
};
