#include "mpguilabels.h"

#include <QCoreApplication>

QString MPGUI::translatePresenceStatus(CTILIB::ChatPresence presence)
{
    switch (presence) {
    case CTILIB::PresenceOnline:
        return QCoreApplication::translate("VeloraCTI", "Online");
    case CTILIB::PresenceAvailable:
        return QCoreApplication::translate("VeloraCTI", "Disponibile");
    case CTILIB::PresenceAway:
        return QCoreApplication::translate("VeloraCTI", "Fuori");
    case CTILIB::PresenceBusy:
        return QCoreApplication::translate("VeloraCTI", "Occupato");
    case CTILIB::PresenceNotAvailable:
        return QCoreApplication::translate("VeloraCTI", "Non disponibile");
    default:
        return QCoreApplication::translate("VeloraCTI", "Offline");
    }
}

QString MPGUI::translateBlfStatus(CTILIB::BlfStatus status)
{
    // Indexed by status + 1 for the states -1 to 17.
    static const char *const texts[] = {
        QT_TRANSLATE_NOOP("VeloraCTI", "Stato Interno non disponibile"), // -1
        QT_TRANSLATE_NOOP("VeloraCTI", "Interno libero"),                // 0
        QT_TRANSLATE_NOOP("VeloraCTI", "Interno in conversazione"),      // 1
        QT_TRANSLATE_NOOP("VeloraCTI", "Interno occupato"),              // 2
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 3
        QT_TRANSLATE_NOOP("VeloraCTI", "Stato Interno non disponibile"), // 4
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 5
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 6
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 7
        QT_TRANSLATE_NOOP("VeloraCTI", "L'interno sta squillando"),      // 8
        QT_TRANSLATE_NOOP("VeloraCTI", "L'interno sta squillando"),      // 9
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 10
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 11
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 12
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 13
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 14
        QT_TRANSLATE_NOOP("VeloraCTI", "Offline"),                       // 15
        QT_TRANSLATE_NOOP("VeloraCTI", "Interno in attesa"),             // 16
        QT_TRANSLATE_NOOP("VeloraCTI", "Interno in conversazione"),      // 17
    };
    const int index = int(status) + 1;
    if (index < 0 || index >= int(sizeof(texts) / sizeof(texts[0])))
        return QCoreApplication::translate("VeloraCTI", "Offline");
    return QCoreApplication::translate("VeloraCTI", texts[index]);
}
