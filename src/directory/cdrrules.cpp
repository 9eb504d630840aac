#include "cdrrules.h"

#include "contactrows.h"
#include "directoryroles.h"
#include "app/globallogger.h"

#include <QCoreApplication>
#include <QHash>
#include <QIcon>
#include <QStandardItemModel>

namespace
{
QString trMPGui(const char *text)
{
    return QCoreApplication::translate("MPGui", text);
}

bool containsAny(const QString &key, const std::initializer_list<const char *> &texts)
{
    for (const char *t : texts) {
        if (key.contains(QLatin1String(t)))
            return true;
    }
    return false;
}

const char *const StartFormat = "yyyy-MM-dd hh:mm:ss";
// Log lines kept from one worker build, however many entries are bad.
constexpr int MaxNotes = 50;
} // namespace

namespace CdrRules
{
bool isIncomingKey(const QString &key)
{
    return containsAny(key, {"ANSWER_LOCAL_IN", "ANSWER_IN", "NOANSWER_LOCAL_IN", "NOANSWER_IN", "VOICEMAIL_LOCAL_IN",
                             "VOICEMAIL_IN"});
}

bool isOutgoingKey(const QString &key)
{
    return containsAny(key,
                       {"ANSWER_LOCAL_OUT", "ANSWER_OUT", "NOANSWER_LOCAL_OUT", "NOANSWER_OUT", "VOICEMAIL_LOCAL_OUT"});
}

bool isNotAnsweredKey(const QString &key)
{
    return containsAny(key, {"NOANSWER_LOCAL_IN", "NOANSWER_IN", "NOANSWER_LOCAL_OUT", "NOANSWER_OUT"});
}

bool flagsAccept(int flags, const QString &key, int attributes)
{
    const bool in = isIncomingKey(key);
    const bool out = isOutgoingKey(key);
    const bool notAnswered = isNotAnsweredKey(key);
    struct Rule {
        int bit;
        bool applies;
    };
    const Rule rules[] = {
        {0x001, in},
        {0x002, out},
        {0x004, in && (attributes & 0x180001)},
        {0x008, in && (attributes & 0x6)},
        {0x010, in && !(attributes & 0x180007)},
        {0x020, in && (attributes & 0x6010)},
        {0x040, in && (attributes & 0x80)},
        {0x080, in && (attributes & 0x40)},
        {0x100, (in || out) && !notAnswered},
        {0x200, notAnswered},
    };
    for (const Rule &r : rules) {
        if (!(flags & r.bit) && r.applies)
            return false;
    }
    return true;
}

bool dateAccepted(const QString &startText, const QDate &from, const QDate &to)
{
    if (!from.isValid() && !to.isValid())
        return true;
    const QDate date = QDate::fromString(startText.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        return true;
    if (from.isValid() && date < from)
        return false;
    if (to.isValid() && date > to)
        return false;
    return true;
}

QDateTime cutOff(const QDateTime &now, int days)
{
    QDateTime result = now;
    result.setDate(now.date().addDays(-days));
    result.setTime(QTime(0, 0));
    return result;
}

QString durationText(int s)
{
    const int sec = s % 60, min = (s / 60) % 60, hours = (s / 3600) % 24, daysCount = s / 86400;
    const auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    if (s >= 86400)
        return trMPGui("%1 gg. %2:%3:%4").arg(daysCount).arg(two(hours), two(min), two(sec));
    if (hours > 0)
        return trMPGui("%1:%2:%3").arg(two(hours), two(min), two(sec));
    if (min > 0)
        return trMPGui("%1 min %2 sec").arg(min).arg(sec);
    return trMPGui("%1 sec").arg(sec);
}

CallType callType(const QString &key)
{
    static const QHash<QString, QPair<const char *, const char *>> table{
        {QStringLiteral("NOANSWER_IN"),
         {":/images/no_answer_in.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata in ingresso non risposta")}},
        {QStringLiteral("ANSWER_IN"),
         {":/images/answer_in.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata in ingresso risposta")}},
        {QStringLiteral("NOANSWER_OUT"),
         {":/images/no_answer_out.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata in uscita non risposta")}},
        {QStringLiteral("ANSWER_OUT"),
         {":/images/answer_out.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata in uscita risposta")}},
        {QStringLiteral("NOANSWER_LOCAL_IN"),
         {":/images/no_answer_local_in.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata locale in ingresso non risposta")}},
        {QStringLiteral("ANSWER_LOCAL_IN"),
         {":/images/answer_local_in.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata locale in ingresso risposta")}},
        {QStringLiteral("NOANSWER_LOCAL_OUT"),
         {":/images/no_answer_local_out.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata locale in uscita non risposta")}},
        {QStringLiteral("ANSWER_LOCAL_OUT"),
         {":/images/answer_local_out.png", QT_TRANSLATE_NOOP("MPGui", "Chiamata locale in uscita risposta")}},
        {QStringLiteral("VOICEMAIL_LOCAL_IN"),
         {":/images/message_in.png", QT_TRANSLATE_NOOP("MPGui", "Deviato in segreteria telefonica")}},
        {QStringLiteral("VOICEMAIL_IN"),
         {":/images/message_in.png", QT_TRANSLATE_NOOP("MPGui", "Deviato in segreteria telefonica")}},
    };
    const auto it = table.constFind(key);
    if (it == table.constEnd())
        return {};
    return {QString::fromLatin1(it.value().first), trMPGui(it.value().second)};
}

QHash<QString, QIcon> typeIcons()
{
    QHash<QString, QIcon> icons;
    for (const char *key : {"NOANSWER_IN", "ANSWER_IN", "NOANSWER_OUT", "ANSWER_OUT", "NOANSWER_LOCAL_IN",
                            "ANSWER_LOCAL_IN", "NOANSWER_LOCAL_OUT", "ANSWER_LOCAL_OUT", "VOICEMAIL_IN"}) {
        const QString path = callType(QString::fromLatin1(key)).iconPath;
        icons.insert(path, QIcon(path));
    }
    return icons;
}

QStandardItemModel *buildModel(const Cdr &cdr, const QDateTime &cutOffTime, const NameResolver &resolve,
                               const QHash<QString, QIcon> &givenIcons, QStringList *notes)
{
    QStandardItemModel *model = DirectoryModels::initCdrModel();
    QHash<QString, QIcon> icons = givenIcons;
    for (const CdrEntry &e : cdr) {
        const QDateTime start = QDateTime::fromString(e.startTime, QLatin1String(StartFormat));
        if (start.isValid() && start < cutOffTime)
            continue;
        if (e.direction.isEmpty()) {
            if (notes && notes->size() < MaxNotes)
                notes->append(QStringLiteral("Got invalid Cdr entry, skipping it... entryUid: ") + e.uid);
            else if (!notes)
                logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got invalid Cdr entry, skipping it... entryUid:" << e.uid;
            continue;
        }
        const QString callerLabel = e.callerName.isEmpty() ? e.callerNum : e.callerName;
        const QString calledLabel = e.calledName.isEmpty() ? e.calledNum : e.calledName;
        const bool incoming = e.direction == QLatin1String("in");
        QString name = incoming ? callerLabel : calledLabel;
        QString number = incoming ? e.callerNum : e.calledNum;
        if (number.isEmpty())
            number = trMPGui("num. non valido");

        const QString resolved = resolve ? resolve(number) : QString();
        if (!resolved.isEmpty())
            name = resolved;
        const CallType type = callType(e.callTypeKey);
        if (type.iconPath.isEmpty()) {
            if (notes && notes->size() < MaxNotes)
                notes->append(QStringLiteral("Unable to find a proper icon for type ") + e.callTypeKey);
            else if (!notes)
                logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Unable to find a proper icon for type" << e.callTypeKey;
        }
        const QString duration = durationText(e.duration);

        auto *first = new QStandardItem();
        first->setData(e.callTypeKey, DirRole::Entry);
        first->setData(QVariant::fromValue(CTILIB::CallAttributeFlags(e.callAttributes)), DirRole::Source);
        if (!type.iconPath.isEmpty()) {
            QIcon icon;
            const auto known = icons.constFind(type.iconPath);
            if (known != icons.constEnd()) {
                icon = known.value();
            } else {
                icon = QIcon(type.iconPath);
                icons.insert(type.iconPath, icon);
            }
            first->setIcon(icon);
        }
        first->setToolTip(type.text);
        first->setData(
            trMPGui("%1 con %2 (%3) in data %4 durata %5").arg(type.text, name, number, e.startTime, duration),
            Qt::AccessibleTextRole);
        first->setData(name.isEmpty() || name == number ? number : name + QLatin1Char(' ') + number,
                       DirRole::SearchText);
        auto *numberItem = new QStandardItem(number);
        numberItem->setData(e.callTypeKey.contains(QLatin1String("_LOCAL_")) ? 1 : 0, DirRole::Visibility);
        model->appendRow(
            {first, new QStandardItem(name), numberItem, new QStandardItem(e.startTime), new QStandardItem(duration)});
    }
    return model;
}
} // namespace CdrRules
