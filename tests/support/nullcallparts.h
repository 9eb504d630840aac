// What the call lines and the phone back-ends ask of the rest of the window,
// answered as a CTI-only window without a directory or queues answers: no
// phone back-end, no number is an extension or a contact, no queue names a
// call, nothing is paused, the phones' reports go unheard.
#pragma once

#include "calls/calllines.h"
#include "phone/callphones.h"
#include "phone/phonebackends.h"

class NoPhones : public CallPhones
{
public:
    MPEngine *engine() const override { return nullptr; }
    PhoneApi *deskPhone() const override { return nullptr; }
    QString sipAccountUser() const override { return QString(); }
};

class NoDirectory : public CallDirectory
{
public:
    bool isExtension(const QString &) const override { return false; }
    QSharedPointer<ContactDetails> resolveContactNumber(const QString &) const override { return {}; }
    int blfState(const QString &) const override { return -1; }
};

class NoQueues : public CallLines::Host
{
public:
    QString queueName(const QString &) const override { return QString(); }
    bool queuesPausedAny() const override { return false; }
    void pauseAllQueues(bool, const QString &) override {}
    bool mobileNumberKnown() const override { return false; }
};

class NoPhoneReports : public PhoneBackends::Host
{
public:
    void dndStatusChanged(bool) override {}
    void sipAccountRegistered() override {}
    void sipAccountUnregistered() override {}
    void sipAccountRegistrationFailed() override {}
    void sipAccountTlsRegistrationFailed() override {}
    void engineError(int, const QString &) override {}
    void engineWarning(const QString &) override {}
    void headsetDetached(const QString &) override {}
};
