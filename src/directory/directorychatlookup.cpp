#include "directorychatlookup.h"

#include "directorypanel.h"

bool DirectoryChatLookup::findExtension(const QString &exten, Contact *contact) const
{
    const auto it = panel.extensions().constFind(exten);
    if (it == panel.extensions().constEnd())
        return false;
    if (contact) {
        contact->name = it->name;
        contact->presence = it->presence;
        contact->presenceText = it->presenceText;
    }
    return true;
}

bool DirectoryChatLookup::updateExtensionPresence(const QString &exten, int presence, const QString &message)
{
    return panel.setExtenPresence(exten, presence, message);
}

void DirectoryChatLookup::clearExtensionPresences()
{
    MctiExtenMap *map = panel.extensionMap();
    for (auto it = map->begin(); it != map->end(); ++it) {
        it->presence = -1;
        it->presenceText.clear();
    }
}
