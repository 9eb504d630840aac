#include "defaultrowaction.h"

#include "directoryroles.h"
#include "widgets/guiutils.h"

namespace DefaultRowAction
{
Action forRow(const QString &value, int numberKind)
{
    Action action;
    switch (numberKind) {
    case NumberKind::Fixed:
    case NumberKind::Extension:
    case NumberKind::Mobile: {
        const QString number = GuiUtils::simplifyPhoneNumber(value);
        if (number.isEmpty())
            break;
        action.kind = Action::Call;
        action.number = number;
        action.prefix = numberKind == NumberKind::Extension ? CTILIB::PrefixInternal : CTILIB::PrefixExternal;
        break;
    }
    case NumberKind::Email: {
        const QString address = value.trimmed();
        if (!address.contains(QLatin1Char('@')))
            break;
        // The address travels as the URL's path, never pasted into it: a
        // "?" or "&" in it cannot add headers or recipients.
        QUrl url;
        url.setScheme(QStringLiteral("mailto"));
        url.setPath(address);
        if (!url.isValid())
            break;
        action.kind = Action::Mail;
        action.url = url;
        break;
    }
    default:
        break;
    }
    return action;
}
} // namespace DefaultRowAction
