#include "linewidgetstyle.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QStyleOption>
#include <QWidget>

namespace LineStyle
{

SizeClass sizeClass(bool largeFont, int width)
{
    if (!largeFont)
        return Normal;
    if (width >= 1600)
        return Widest;
    if (width >= 1400)
        return Wide;
    if (width >= 1280)
        return Medium;
    return Narrow;
}

FontSizes fontSizes(SizeClass c)
{
    switch (c) {
    case Widest:
        return {QStringLiteral("28pt"), QStringLiteral("24pt")};
    case Wide:
        return {QStringLiteral("22pt"), QStringLiteral("19pt")};
    case Medium:
        return {QStringLiteral("18pt"), QStringLiteral("16pt")};
    case Narrow:
        return {QStringLiteral("16pt"), QStringLiteral("14pt")};
    case Normal:
        break;
    }
    return {QStringLiteral("14pt"), QStringLiteral("12pt")};
}

int screenWidth()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

int fixedHeight(LineKind kind, SizeClass c)
{
    static const int active[] = {-1, 165, 160, 150, 130};
    static const int incoming[] = {130, 190, 175, 160, 135};
    switch (kind) {
    case LineKind::Active:
        return active[c];
    case LineKind::Incoming:
        return incoming[c];
    case LineKind::OnHold:
        return c == Normal ? 130 : -1;
    case LineKind::Booked:
        break;
    }
    return -1;
}

QString readStyleSheet(const QString &resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.readAll();
    const int zero = bytes.indexOf('\0');
    return QString::fromLatin1(zero < 0 ? bytes : bytes.left(zero));
}

QString fillSizes(QString sheet, const FontSizes &sizes)
{
    sheet.replace(QLatin1String("%F"), sizes.first);
    sheet.replace(QLatin1String("%S"), sizes.second);
    return sheet;
}

void paintStyledBackground(QWidget *widget)
{
    QStyleOption option;
    option.initFrom(widget);
    QPainter painter(widget);
    widget->style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, widget);
}

QString shownNumber(const QString &number)
{
    static const QRegularExpression notDialable(QStringLiteral("[^\\d+*#]"));
    QString shown = number;
    shown.remove(notDialable);
    return shown;
}

QString partyName(const QString &name, const QString &number)
{
    if (name == number || name == shownNumber(number))
        return QString();
    return name;
}

} // namespace LineStyle
