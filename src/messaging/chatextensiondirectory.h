// What the chat needs of the extension directory: the record of a number and
// the place where a received presence is kept (the extension map and its
// row of the extension model). The directory implements it; the chat only
// reads and updates through it.
#pragma once

#include "ctilibtypes.h"

#include <QString>

class ChatExtensionDirectory
{
public:
    // A colleague as the chat shows them.
    struct Contact {
        QString name;
        int presence = CTILIB::PresenceOffline;
        QString presenceText;
    };
    virtual ~ChatExtensionDirectory() = default;
    // The record of a number; false when it is no extension.
    virtual bool findExtension(const QString &exten, Contact *contact) const = 0;
    // Stores a received presence in the extension map and its row of the
    // extension model; false when the number is no extension.
    virtual bool updateExtensionPresence(const QString &exten, int presence, const QString &message) = 0;
    // Every extension's presence back to unknown (-1, no text).
    virtual void clearExtensionPresences() = 0;
};
