#include "deskphonerules.h"

#include "phoneapi.h"

#include <QStringList>

#include <tuple>

namespace DeskPhone
{

bool snomFirmwareSupported(const QString &firmware)
{
    const QStringList sections = firmware.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    auto section = [&sections](int i) -> qulonglong {
        if (i >= sections.size())
            return 0;
        bool ok = false;
        const qulonglong v = sections.at(i).toULongLong(&ok, 10);
        return ok ? v : 0;
    };
    // Compared section by section: a weighted sum of the sections lets a
    // large minor or patch number pass for a newer major and overflows.
    return std::make_tuple(section(0), section(1), section(2)) >= std::make_tuple(8ull, 7ull, 3ull);
}

Recognition recognise(const QString &userAgent)
{
    Recognition r;
    if (userAgent.isEmpty())
        return r;
    if (userAgent.contains(QLatin1String("SNOM"), Qt::CaseInsensitive)) {
        QString model = userAgent.section(QLatin1Char('/'), 0, 0);
        model.remove(QStringLiteral("snom"), Qt::CaseSensitive);
        r.phoneName = QStringLiteral("Snom ") + model;
        r.firmware = userAgent.split(QLatin1Char('/'), Qt::KeepEmptyParts).last();
        if (snomFirmwareSupported(r.firmware)) {
            r.brand = PhoneApi::BrandSnom;
        } else {
            r.firmwareTooOld = true;
        }
        return r;
    }
    if (userAgent.contains(QLatin1String("YEALINK"), Qt::CaseInsensitive)) {
        const int blank = userAgent.lastIndexOf(QLatin1Char(' '));
        r.phoneName = blank < 0 ? userAgent : userAgent.left(blank);
        r.brand = PhoneApi::BrandYealink;
        return r;
    }
    if (userAgent.contains(QLatin1String("GRANDSTREAM"), Qt::CaseInsensitive)) {
        r.phoneName = userAgent.split(QLatin1Char('/'), Qt::KeepEmptyParts).first();
        r.brand = PhoneApi::BrandGrandstream;
        return r;
    }
    return r;
}

} // namespace DeskPhone
