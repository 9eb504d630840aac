// The directories as call handling asks them: whether a number is one of the
// PBX's extensions, the contact that a number belongs to, and an extension's
// busy lamp.
#pragma once

#include "calls/calllines.h"

class DirectoryPanel;

class DirectoryCallLookup : public CallDirectory
{
public:
    explicit DirectoryCallLookup(const DirectoryPanel *panel) : panel(panel) {}

    bool isExtension(const QString &number) const override;
    QSharedPointer<ContactDetails> resolveContactNumber(const QString &number) const override;
    int blfState(const QString &number) const override;

private:
    const DirectoryPanel *panel;
};
