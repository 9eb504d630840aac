#include "systemshortcut.h"

#include "uniqlogger.h"

#include <QAbstractEventDispatcher>
#include <QDebug>
#include <QWidget>

QHash<SystemShortcut::ModsKey, SystemShortcut *> SystemShortcut::sModsKeys2ShortcutMap;

namespace
{
QString portable(const QKeySequence &seq)
{
    return seq.toString(QKeySequence::PortableText);
}
} // namespace

SystemShortcut::SystemShortcut(QObject *parent) : QObject(parent)
{
    init(nullptr);
}

SystemShortcut::SystemShortcut(const QKeySequence &seq, QObject *parent) : QObject(parent)
{
    init(nullptr);
    registerShortcut(seq);
}

SystemShortcut::SystemShortcut(QWidget *window, QObject *parent) : QObject(parent)
{
    init(window);
}

SystemShortcut::SystemShortcut(const QKeySequence &seq, QWidget *window, QObject *parent) : QObject(parent)
{
    init(window);
    registerShortcut(seq);
}

void SystemShortcut::init(QWidget *shortcutWindow)
{
    window = shortcutWindow;
    installNewEventFilter();
}

SystemShortcut::~SystemShortcut()
{
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QString(), QString());
    unregisterShortcut(currentSequence);
    currentSequence = QKeySequence();
    restorePrevEventFilter();
}

void SystemShortcut::log(const char *function, int priority, const QString &text, const QString &value)
{
    if (!logger)
        return;
    *logger << UNQL::LogMessagePriorityType(priority) << function;
    if (!text.isEmpty())
        *logger << text;
    if (!value.isNull())
        *logger << value;
    *logger << UNQL::eom;
}

void SystemShortcut::installNewEventFilter()
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->installNativeEventFilter(this);
}

void SystemShortcut::restorePrevEventFilter()
{
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->removeNativeEventFilter(this);
}

bool SystemShortcut::keySeq2ModsKeys(const QKeySequence &seq, QList<quint32> &mods, QList<quint32> &keys)
{
    // No native modifier or key codes on this platform.
    for (int i = 0; i < seq.count(); ++i) {
        mods.append(0);
        keys.append(0);
    }
    return false;
}

void SystemShortcut::logTranslation(const char *function, const QKeySequence &seq)
{
    QList<quint32> mods;
    QList<quint32> keys;
    const bool translated = keySeq2ModsKeys(seq, mods, keys);
    log(function, UNQL::LOG_INFO, QStringLiteral("Result of keyseq2ModKeys transaltion: "),
        translated ? QStringLiteral("true") : QStringLiteral("false"));
}

bool SystemShortcut::registerShortcut(const QKeySequence &seq)
{
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QString(), portable(seq));
    if (seq.isEmpty()) {
        log(Q_FUNC_INFO, UNQL::LOG_INFO, QStringLiteral("No shortcut sequence passed: "), portable(seq));
        qDebug() << Q_FUNC_INFO << "No shortcut sequence passed: " << portable(seq);
        return false;
    }
    if (seq.count() > 1) {
        log(Q_FUNC_INFO, UNQL::LOG_INFO, QStringLiteral("Shortcut with multiple sequences are not supported yet"),
            QString());
        qDebug() << Q_FUNC_INFO << "Shortcut with multiple sequences are not supported yet";
        return false;
    }
    logTranslation(Q_FUNC_INFO, seq);
    // No platform registration follows a translation here.
    return false;
}

bool SystemShortcut::registerShortcut(const QKeySequence &seq, quint64 window, void *displayHandle)
{
    Q_UNUSED(window)
    display = displayHandle;
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QString(), portable(seq));
    logTranslation(Q_FUNC_INFO, seq);
    // Nothing was registered, so nothing may be reported as registered.
    return false;
}

bool SystemShortcut::unregisterShortcut(const QKeySequence &seq)
{
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QString(), portable(seq));
    if (seq.isEmpty()) {
        log(Q_FUNC_INFO, UNQL::LOG_WARNING, QStringLiteral("invalid / empty keyseq"), QString());
        return false;
    }
    logTranslation(Q_FUNC_INFO, seq);
    return false;
}

bool SystemShortcut::unregister()
{
    const QKeySequence seq = currentSequence;
    const bool ok = unregisterShortcut(seq);
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QStringLiteral("Unregistering keyseq result... ") + portable(seq),
        ok ? QStringLiteral("true") : QStringLiteral("false"));
    return ok;
}

void SystemShortcut::setShortcut(QKeySequence seq)
{
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QString(), portable(seq));
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QStringLiteral("First unregistering previous shortcut"),
        portable(currentSequence));
    unregisterShortcut(currentSequence);
    currentSequence = QKeySequence();

    const bool ok = registerShortcut(seq);
    if (ok)
        currentSequence = seq;
    log(Q_FUNC_INFO, UNQL::LOG_INFO, QStringLiteral("Now trying to register new sequence ") + portable(seq),
        ok ? QStringLiteral(".... SUCCESS") : QStringLiteral(".... FAILURE!"));
}

bool SystemShortcut::nativeEventFilter(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(eventType)
    Q_UNUSED(message)
    Q_UNUSED(result)
    return false;
}

void SystemShortcut::emitSignal()
{
    emit triggered();
}
