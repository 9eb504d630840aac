// The pictures of the main window: the icons its widgets, menus, tray and
// lists show, three of them replaceable by the PBX's rebranding pack, and the
// faces the form gives three tabs. One set per window, shared with the
// subsystems that show them.
#pragma once

#include <QIcon>
#include <QString>

struct MainWindowIcons {
    // (Re)loads every icon; the three state icons from the rebranding
    // directory when it holds them. The tab faces are kept.
    void load();

    // Saved tab faces: the queue tab's pair puts the tab back with its face,
    // the chat and call-record icons are the faces between blinks.
    QIcon queueTabIcon, chatTabIcon, cdrTabIcon;
    QString queueTabText, chatTabText, cdrTabText;

    QIcon appIcon;
    QIcon cdrAnswerInIcon, cdrNoAnswerOutIcon, cdrAnswerOutIcon, cdrNoAnswerLocalInIcon, cdrAnswerLocalInIcon,
        cdrNoAnswerLocalOutIcon, cdrAnswerLocalOutIcon, cdrMessageInIcon;
    QIcon mctiDisconnectedIcon;
    QIcon mobilePhoneIcon, emailIcon, fixedLineIcon, extenLineIcon;
    QIcon transferIcon, unattendedTransferIcon;
    QIcon bookingIcon, cancelBookingIcon, chatBigIcon, callPickupIcon, updateContactIcon, cancelIcon;
    QIcon ledGrayIcon, ledGreenIcon, ledRedIcon, ledOrangeIcon;
    QIcon pauseIcon, pauseButtonIcon, playButtonIcon;
    QIcon dndOnIcon, dndOffIcon;
    QIcon redirectOnIcon, redirectOnButtonIcon, redirectOffIcon;
    QIcon mailInIcon, mailEmptyIcon;
    QIcon dualRingOffIcon, dualRingRedIcon, dualRingGreenIcon;
    QIcon missedCallIcon, chatNotifyIcon, chatNotifyTrayIcon;
    QIcon inputAudioIcon, inputAudioOffIcon, outputAudioIcon, outputAudioOffIcon;
    QIcon queuesIcon;
    QIcon cdrFilterOnIcon, cdrFilterOffIcon;
    QIcon mctiDisconnectedSoftphoneIcon, mctiRegisteredIcon, mctiUnregisteredIcon;
};
