// What a voicemail row and the voicemail list ask of the PBX: the CTI client
// in the program, a recording stand-in in tests.
#pragma once

#include <QString>

class CtiLib;

class VoicemailLink
{
public:
    virtual ~VoicemailLink() = default;
    // Whether requests reach the PBX now.
    virtual bool isConnected() const = 0;
    // The audio of a message, stored in `directory`; the library reports the file.
    virtual void downloadMessage(const QString &id, const QString &uuid, const QString &directory) = 0;
    virtual void markHeard(const QString &id) = 0;
    virtual void deleteMessage(const QString &id) = 0;
    // The whole list again (it arrives as a new list).
    virtual void requestList() = 0;
    // The mailbox counters (they arrive as a mailbox status).
    virtual void requestMailboxStatus() = 0;
};

// The CTI client as the voicemail's way to the PBX: nothing is sent while it
// is not connected. The client outlives this object.
class CtiVoicemailLink : public VoicemailLink
{
public:
    explicit CtiVoicemailLink(CtiLib &cti) : lib(cti) {}
    bool isConnected() const override;
    void downloadMessage(const QString &id, const QString &uuid, const QString &directory) override;
    void markHeard(const QString &id) override;
    void deleteMessage(const QString &id) override;
    void requestList() override;
    void requestMailboxStatus() override;

private:
    CtiLib &lib;
};
