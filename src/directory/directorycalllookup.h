// The directories as call handling asks them: whether a number is one of the
// PBX's extensions, and the contact that a number belongs to.
#pragma once

#include "calls/calllines.h"

class DirectoryPanel;

class DirectoryCallLookup : public CallDirectory
{
public:
    explicit DirectoryCallLookup(const DirectoryPanel *panel) : panel(panel) {}

    bool isExtension(const QString &number) const override;
    QSharedPointer<ContactDetails> resolveContactNumber(const QString &number) const override;

private:
    const DirectoryPanel *panel;
};
