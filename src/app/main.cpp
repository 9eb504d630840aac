#include "desklinestartup.h"

int main(int argc, char *argv[])
{
    return DesklineStartup::runDeskline(argc, argv, DesklineStartup::makeMainWindow);
}
