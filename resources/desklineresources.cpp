#include "desklineresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside of any namespace.
static void initAllBundles()
{
    Q_INIT_RESOURCE(fonts);
    Q_INIT_RESOURCE(images);
    Q_INIT_RESOURCE(branding);
    Q_INIT_RESOURCE(qss);
    Q_INIT_RESOURCE(certificates);
    Q_INIT_RESOURCE(translations);
}

void initDesklineResources()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    initAllBundles();
}
