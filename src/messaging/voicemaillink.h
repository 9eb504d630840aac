// What a voicemail row and the voicemail list ask of the PBX: the CTI client
// in the program, a recording stand-in in tests.
#pragma once

#include <QString>

class VoicemailLink
{
public:
    virtual ~VoicemailLink() = default;
    // The audio of a message, stored in `directory`; the library reports the file.
    virtual void downloadMessage(const QString &id, const QString &uuid, const QString &directory) = 0;
    virtual void markHeard(const QString &id) = 0;
    virtual void deleteMessage(const QString &id) = 0;
    // The whole list again (it arrives as a new list).
    virtual void requestList() = 0;
};
