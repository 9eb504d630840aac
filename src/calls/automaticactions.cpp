#include "automaticactions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace AutomaticActions
{

namespace
{

QString cleaned(QString value)
{
    value.remove(QLatin1Char('\r'));
    value.remove(QLatin1Char('\n'));
    value.remove(QChar(0));
    return value;
}

QString percentEncoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

// The placeholders in their documented order, with their values.
QList<QPair<QString, QString>> placeholders(const CallValues &v)
{
    QList<QPair<QString, QString>> list;
    list << qMakePair(QStringLiteral("<callernum>"), v.callerNum.trimmed())
         << qMakePair(QStringLiteral("<callername>"), v.callerName.trimmed())
         << qMakePair(QStringLiteral("<callercompany>"), v.company.trimmed())
         << qMakePair(QStringLiteral("<callerunit>"), v.unit.trimmed())
         << qMakePair(QStringLiteral("<callednum>"), v.calledNum.trimmed());
    if (v.hasExtenNum)
        list << qMakePair(QStringLiteral("<extenNum>"), v.extenNum);
    list << qMakePair(QStringLiteral("<queueName>"), v.queueName)
         << qMakePair(QStringLiteral("<groupName>"), v.groupName)
         << qMakePair(QStringLiteral("<uid>"),
                      v.uid.isEmpty() ? QCoreApplication::translate("MPGui", "SCONOSCIUTO") : v.uid);
    return list;
}

QString literalScheme(const QString &text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return QString();
    const QString scheme = text.left(colon);
    for (int i = 0; i < scheme.size(); ++i) {
        const QChar c = scheme.at(i);
        const bool ok =
            (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
            (i > 0 && (c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.')));
        if (!ok)
            return QString();
    }
    return scheme.toLower();
}

} // namespace

QString fillPlaceholders(const QString &text, const CallValues &values, QString (*encode)(const QString &))
{
    const QList<QPair<QString, QString>> list = placeholders(values);
    QString out;
    out.reserve(text.size());
    int i = 0;
    while (i < text.size()) {
        bool replaced = false;
        if (text.at(i) == QLatin1Char('<')) {
            for (const auto &p : list) {
                if (text.midRef(i, p.first.size()) == p.first) {
                    const QString value = cleaned(p.second);
                    out += encode ? encode(value) : value;
                    i += p.first.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text.at(i++);
    }
    return out;
}

QUrl fillUrlAction(const QString &urlTemplate, const CallValues &values)
{
    const QString scheme = literalScheme(urlTemplate.trimmed());
    if (scheme.isEmpty())
        return QUrl();
    const QUrl url(fillPlaceholders(urlTemplate.trimmed(), values, &percentEncoded), QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().toLower() != scheme)
        return QUrl();
    return url;
}

ProgramCommand fillProgramAction(const QString &commandTemplate, const CallValues &values)
{
    ProgramCommand command;
    const QStringList parts = QProcess::splitCommand(commandTemplate.trimmed());
    if (parts.isEmpty())
        return command;
    command.program = fillPlaceholders(parts.first(), values);
    for (int i = 1; i < parts.size(); ++i)
        command.arguments << fillPlaceholders(parts.at(i), values);
    const QFileInfo info(command.program);
    if (command.program.contains(QLatin1Char('/')) || command.program.contains(QLatin1Char('\\')))
        command.workingDirectory = info.absolutePath();
    return command;
}

bool incomingAllowed(CTILIB::CallAttributeFlags flags, bool fromExtension, const Gates &gates)
{
    if (flags & CTILIB::CallAttrClickToCall) {
        if (!gates.c2cActions || (fromExtension && !gates.extenActions))
            return false;
    } else if (fromExtension && !gates.extenActions) {
        return false;
    }
    return gates.actionRequested;
}

bool answeredOrFinishedAllowed(int direction, bool isServiceCode, bool isExtension, const Gates &gates)
{
    if (direction == 0 && !gates.outboundActions)
        return false;
    if (isServiceCode)
        return false;
    if (isExtension && !gates.extenActions)
        return false;
    return gates.actionRequested;
}

} // namespace AutomaticActions
