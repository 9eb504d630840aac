#include "windowrules.h"

#include <QCoreApplication>
#include <QUrlQuery>

namespace WindowRules
{
namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}

QString withSuffix(QString text, const QString &suffix, bool on)
{
    if (!on)
        return text.remove(suffix, Qt::CaseSensitive);
    if (!text.contains(suffix, Qt::CaseSensitive))
        text += suffix;
    return text;
}

} // namespace

QString toolTipWithSuffixes(QString toolTip, const TrayState &state)
{
    toolTip = withSuffix(toolTip, tr(" - Inoltro attivo"), state.forward);
    toolTip = withSuffix(toolTip, tr(" - DND attivo"), state.dnd);
    const QString paused = tr(" - In pausa");
    const QString partly = tr(" - Parz. In pausa");
    // While one pause state holds, the other's suffix is left as it is.
    if (state.allQueuesPaused) {
        toolTip = withSuffix(toolTip, paused, true);
    } else if (state.someQueuesPaused) {
        toolTip = withSuffix(toolTip, partly, true);
    } else {
        toolTip.remove(partly, Qt::CaseSensitive);
        toolTip.remove(paused, Qt::CaseSensitive);
    }
    return toolTip;
}

TrayLook trayLook(const QString &currentToolTip, const TrayState &state, const QString &titleText)
{
    TrayLook look;
    look.toolTip = toolTipWithSuffixes(currentToolTip, state);
    if (state.dnd) {
        look.icon = TrayIcon::Dnd;
    } else if (state.allQueuesPaused) {
        look.icon = TrayIcon::Paused;
    } else if (state.forward) {
        look.icon = TrayIcon::Forward;
    } else if (state.mode == MSETTINGS::AppModeSoftphone) {
        if (!state.engineExists && state.ctiConnected) {
            look.toolTip = tr("%1 - Phone non registrato").arg(titleText);
            look.icon = TrayIcon::Unregistered;
        } else if (!state.engineExists) {
            look.toolTip = tr("%1 - disconnesso").arg(titleText);
            look.icon = TrayIcon::DisconnectedSoftphone;
        } else if (state.sipRegistered) {
            look.toolTip = tr("%1 - Phone registrato").arg(titleText);
            look.icon = TrayIcon::Registered;
        } else {
            look.toolTip = tr("%1 - Phone non registrato").arg(titleText);
            look.icon = TrayIcon::Unregistered;
        }
    } else if (state.ctiConnected) {
        look.toolTip = tr("%1 - connesso").arg(titleText);
        look.icon = TrayIcon::Registered;
    } else {
        look.toolTip = tr("%1 - disconnesso").arg(titleText);
        look.icon = TrayIcon::Disconnected;
    }
    return look;
}

QString windowTitle(const QString &currentTitle, bool forward, const QString &forwardTarget, bool dnd)
{
    const int cut = currentTitle.indexOf(QLatin1String(" - "));
    QString title = cut < 0 ? currentTitle : currentTitle.left(cut);
    if (forward)
        title += QLatin1String(" - ") + forwardTarget;
    if (dnd)
        title += tr(" - DND attivo");
    return title;
}

ViewMetrics largeFontMetrics(int screenWidth)
{
    ViewMetrics m;
    if (screenWidth >= 1600) {
        m.largeFont = QStringLiteral("34pt");
        m.smallFont = QStringLiteral("26pt");
        m.rowHeight = 55;
        m.numberHeight = 90;
    } else if (screenWidth >= 1400) {
        m.largeFont = QStringLiteral("26pt");
        m.smallFont = QStringLiteral("24pt");
        m.rowHeight = 42;
        m.numberHeight = 65;
    } else if (screenWidth >= 1280) {
        m.largeFont = QStringLiteral("24pt");
        m.smallFont = QStringLiteral("20pt");
        m.rowHeight = 40;
        m.numberHeight = 60;
    } else {
        m.largeFont = QStringLiteral("18pt");
        m.smallFont = QStringLiteral("14pt");
        m.rowHeight = 40;
        m.numberHeight = 55;
    }
    m.searchHeight = m.rowHeight;
    return m;
}

ViewMetrics normalMetrics()
{
    return ViewMetrics();
}

QString fillLargeFontSheet(QString sheet, const ViewMetrics &metrics)
{
    return sheet.replace(QLatin1String("%F"), metrics.largeFont).replace(QLatin1String("%S"), metrics.smallFont);
}

QUrl supportMailUrl(const QString &address, const QString &productName, const QString &logPath)
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(address);
    // Values are encoded whole: an '&', '=' or '#' in the product name or
    // the path stays inside its own value.
    const auto encoded = [](const QString &value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); };
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), encoded(QStringLiteral("Invio log %1").arg(productName)));
    query.addQueryItem(QStringLiteral("body"), encoded(QStringLiteral("Log in allegato")));
    query.addQueryItem(QStringLiteral("attachment"), encoded(QStringLiteral("\"%1\"").arg(logPath)));
    url.setQuery(query);
    return url;
}

int largeFontMinimumHeight(int contentHeight, int availableHeight, int frameHeight, int modeMinimum)
{
    int wanted = contentHeight;
    if (availableHeight > 0)
        wanted = qMin(wanted, availableHeight - qMax(0, frameHeight));
    return qMax(modeMinimum, wanted);
}

} // namespace WindowRules
