#include "phonebackends.h"

PhoneBackends::PhoneBackends(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("phoneBackends"));
}

void PhoneBackends::setVolumes(int input, int output)
{
    inputVolume = input;
    outputVolume = output;
}

void PhoneBackends::onSessionEnded()
{
    sipRegistered = false;
}
