// The phone back-end in use as call handling drives it: the softphone
// engine in softphone mode, the desk-phone driver in desk-phone mode; each
// null while there is none.
#pragma once

#include <QString>

class MPEngine;
class PhoneApi;

class CallPhones
{
public:
    virtual ~CallPhones() = default;
    virtual MPEngine *engine() const = 0;
    virtual PhoneApi *deskPhone() const = 0;
    // The softphone's SIP account user; empty without an engine or account.
    virtual QString sipAccountUser() const = 0;
};
