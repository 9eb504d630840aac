// What the chat needs of the extension directory: the record of a number and
// the place where a received presence is kept (the extension map and its
// row of the extension model). The directory implements it; the chat only
// reads and updates through it.
#pragma once

#include "chatcontroller.h"

class ChatExtensionDirectory
{
public:
    virtual ~ChatExtensionDirectory() = default;
    virtual bool findExtension(const QString &exten, ChatHost::Contact *contact) const = 0;
    virtual bool updateExtensionPresence(const QString &exten, int presence, const QString &message) = 0;
    virtual void clearExtensionPresences() = 0;
};
