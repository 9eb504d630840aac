// The phone back-ends of the main window: the softphone engine (softphone
// mode) or the desk-phone driver (desk-phone mode), the softphone's
// registration and the audio levels.
#pragma once

#include <QObject>

class MPEngine;
class PhoneApi;

class PhoneBackends : public QObject
{
    Q_OBJECT
public:
    explicit PhoneBackends(QObject *parent = nullptr);

    MPEngine *engine() const { return phoneEngine; }
    PhoneApi *deskPhone() const { return phoneApi; }
    bool isSipRegistered() const { return sipRegistered; }
    // The levels last stored, shown by the volume sliders.
    void setVolumes(int input, int output);
    int inputLevel() const { return inputVolume; }
    int outputLevel() const { return outputVolume; }
    bool isInputMuted() const { return inputMuted; }
    bool isOutputMuted() const { return outputMuted; }

public slots:
    void onSessionEnded();

private:
    MPEngine *phoneEngine = nullptr;
    PhoneApi *phoneApi = nullptr;
    bool sipRegistered = false;
    int inputVolume = 50;
    int outputVolume = 50;
    bool inputMuted = false;
    bool outputMuted = false;
};
