#include "cdrrules.h"

#include "app/globallogger.h"
#include "cdrmodel.h"
#include "contactrows.h"
#include "directoryroles.h"

#include <QCoreApplication>
#include <QHash>
#include <QIcon>

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

int callClass(const QString &key)
{
    return (isIncomingKey(key) ? Incoming : 0) | (isOutgoingKey(key) ? Outgoing : 0) |
           (isNotAnsweredKey(key) ? NotAnswered : 0);
}

bool flagsAccept(int flags, const QString &key, int attributes)
{
    return flagsAcceptClass(flags, callClass(key), attributes);
}

bool flagsAcceptClass(int flags, int cls, int attributes)
{
    const bool in = cls & Incoming;
    const bool out = cls & Outgoing;
    const bool notAnswered = cls & NotAnswered;
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

namespace
{
// Digits of text[from, from + count), -1 when one is not a digit.
int digits(const QString &text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The common, well-formed start read without the general date parser
// (tens of thousands of rows); false sends the caller to the parser.
bool readStart(const QString &t, QDate *date, QTime *time)
{
    if (t.size() != 19 || t.at(4) != QLatin1Char('-') || t.at(7) != QLatin1Char('-') || t.at(10) != QLatin1Char(' ') ||
        t.at(13) != QLatin1Char(':') || t.at(16) != QLatin1Char(':'))
        return false;
    const int y = digits(t, 0, 4), mo = digits(t, 5, 2), d = digits(t, 8, 2);
    const int h = digits(t, 11, 2), mi = digits(t, 14, 2), s = digits(t, 17, 2);
    if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || s < 0)
        return false;
    *date = QDate(y, mo, d);
    *time = QTime(h, mi, s);
    return date->isValid() && time->isValid();
}
} // namespace

QDateTime startDateTime(const QString &startText)
{
    QDate date;
    QTime time;
    if (readStart(startText, &date, &time))
        return QDateTime(date, time);
    return QDateTime::fromString(startText, QLatin1String(StartFormat));
}

QDate startDate(const QString &startText)
{
    QDate date;
    QTime time;
    if (readStart(startText, &date, &time))
        return date;
    return QDate::fromString(startText.left(10), QStringLiteral("yyyy-MM-dd"));
}

bool dateAccepted(const QString &startText, const QDate &from, const QDate &to)
{
    if (!from.isValid() && !to.isValid())
        return true;
    return dayAccepted(startDate(startText), from, to);
}

bool dayAccepted(const QDate &date, const QDate &from, const QDate &to)
{
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

CdrModel *buildModel(const Cdr &cdr, const QDateTime &cutOffTime, const NameResolver &resolve,
                     const QHash<QString, QIcon> &givenIcons, QStringList *notes, QStringList *unknownTypes)
{
    QHash<QString, QIcon> icons = givenIcons;
    if (icons.isEmpty())
        icons = typeIcons();
    auto *model = new CdrModel(icons);
    const QDate cutDay = cutOffTime.date();
    QVector<CdrModel::Call> calls;
    calls.reserve(cdr.size());
    for (const CdrEntry &e : cdr) {
        if (cutOffTime.isValid()) {
            QDate day;
            QTime time;
            bool before = false;
            if (readStart(e.startTime, &day, &time)) {
                // Only a start on the cut-off's own day needs the clock.
                before = day < cutDay || (day == cutDay && QDateTime(day, time) < cutOffTime);
            } else {
                const QDateTime start = QDateTime::fromString(e.startTime, QLatin1String(StartFormat));
                before = start.isValid() && start < cutOffTime;
            }
            if (before)
                continue;
        }
        if (e.direction.isEmpty()) {
            if (notes && notes->size() < MaxNotes)
                notes->append(QStringLiteral("Got invalid Cdr entry, skipping it... entryUid: ") + e.uid);
            else if (!notes)
                logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got invalid Cdr entry, skipping it... entryUid:" << e.uid;
            continue;
        }
        const bool incoming = e.direction == QLatin1String("in");
        CdrModel::Call call;
        call.key = e.callTypeKey;
        call.attributes = e.callAttributes;
        call.start = e.startTime;
        call.duration = durationText(e.duration);
        const QString &sideName = incoming ? e.callerName : e.calledName;
        call.number = incoming ? e.callerNum : e.calledNum;
        call.name = sideName.isEmpty() ? call.number : sideName;
        if (call.number.isEmpty())
            call.number = trMPGui("num. non valido");
        const QString resolved = resolve ? resolve(call.number) : QString();
        if (!resolved.isEmpty())
            call.name = resolved;
        if (callType(e.callTypeKey).iconPath.isEmpty()) {
            if (unknownTypes) {
                if (unknownTypes->size() < MaxNotes)
                    unknownTypes->append(e.callTypeKey);
            } else if (notes && notes->size() < MaxNotes) {
                notes->append(QStringLiteral("Unable to find a proper icon for type ") + e.callTypeKey);
            } else if (!notes) {
                logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Unable to find a proper icon for type" << e.callTypeKey;
            }
        }
        calls.append(call);
    }
    model->appendCalls(calls);
    return model;
}
} // namespace CdrRules
