#include "siperrors.h"

#include <QCoreApplication>

namespace SipErrors
{

Reaction reactionFor(int code)
{
    Reaction r;
    const auto text = [](const char *source) { return QCoreApplication::translate("SipErrors", source); };
    switch (code) {
    case 481: // the dialog is already gone
    case 487: // the request was cancelled (by us)
        r.ignored = true;
        return r;
    case 400:
        r.text = text("Richiesta errata");
        r.tone = Tone::Congestion;
        return r;
    case 401:
        r.text = text("Non autorizzato");
        r.tone = Tone::Congestion;
        return r;
    case 403:
        r.text = text("Richiesta negata");
        r.tone = Tone::Congestion;
        return r;
    case 404:
        r.text = text("Numero non trovato");
        r.tone = Tone::Congestion;
        return r;
    case 408:
        r.text = text("Timeout richiesta");
        r.tone = Tone::Congestion;
        return r;
    case 480:
        r.text = text("Temp. non disponibile");
        r.tone = Tone::Congestion;
        return r;
    case 486:
        r.text = text("Occupato");
        r.tone = Tone::Busy;
        return r;
    case 603:
        r.text = text("Errore");
        r.tone = Tone::Congestion;
        return r;
    default:
        r.text = text("Errore");
        return r;
    }
}

QString lineText(const Reaction &reaction, int code)
{
    return QStringLiteral("%1 (%2)").arg(reaction.text).arg(code);
}

} // namespace SipErrors
