// The extension map as the chat asks it: a colleague's name and presence by
// number, and the presence the chat server reports for one.
#pragma once

#include "messaging/chatextensiondirectory.h"

class DirectoryPanel;

class DirectoryChatLookup : public ChatExtensionDirectory
{
public:
    // `panel` outlives this object.
    explicit DirectoryChatLookup(DirectoryPanel &panel) : panel(panel) {}

    bool findExtension(const QString &exten, Contact *contact) const override;
    bool updateExtensionPresence(const QString &exten, int presence, const QString &message) override;
    void clearExtensionPresences() override;

private:
    DirectoryPanel &panel;
};
