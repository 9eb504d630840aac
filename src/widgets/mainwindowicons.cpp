#include "mainwindowicons.h"

#include "mpguiassets.h"

void MainWindowIcons::load()
{
    appIcon = QIcon(QStringLiteral(":/images/veloraCTI.png"));
    cdrAnswerInIcon = QIcon(QStringLiteral(":/images/answer_in.png"));
    cdrNoAnswerOutIcon = QIcon(QStringLiteral(":/images/no_answer_out.png"));
    cdrAnswerOutIcon = QIcon(QStringLiteral(":/images/answer_out.png"));
    cdrNoAnswerLocalInIcon = QIcon(QStringLiteral(":/images/no_answer_local_in.png"));
    cdrAnswerLocalInIcon = QIcon(QStringLiteral(":/images/answer_local_in.png"));
    cdrNoAnswerLocalOutIcon = QIcon(QStringLiteral(":/images/no_answer_local_out.png"));
    cdrAnswerLocalOutIcon = QIcon(QStringLiteral(":/images/answer_local_out.png"));
    cdrMessageInIcon = QIcon(QStringLiteral(":/images/message_in.png"));
    mctiDisconnectedIcon = QIcon(QStringLiteral(":/images/mctiDisconnected.png"));
    mobilePhoneIcon = QIcon(QStringLiteral(":/images/mobilePhone.png"));
    emailIcon = QIcon(QStringLiteral(":/images/email.png"));
    fixedLineIcon = QIcon(QStringLiteral(":/images/fixedLine.png"));
    extenLineIcon = QIcon(QStringLiteral(":/images/extenLine.png"));
    transferIcon = QIcon(QStringLiteral(":/images/TransferActiveCall.png"));
    unattendedTransferIcon = QIcon(QStringLiteral(":/images/UnattendedTransferActiveCall.png"));
    bookingIcon = QIcon(QStringLiteral(":/images/booking.png"));
    cancelBookingIcon = QIcon(QStringLiteral(":/images/cancelbooking.png"));
    chatBigIcon = QIcon(QStringLiteral(":/images/chatBig.png"));
    callPickupIcon = QIcon(QStringLiteral(":/images/callPickup.png"));
    updateContactIcon = QIcon(QStringLiteral(":/images/updateContact.png"));
    cancelIcon = QIcon(QStringLiteral(":/images/cancel.png"));
    ledGrayIcon = QIcon(QStringLiteral(":/images/led_gray.png"));
    ledGreenIcon = QIcon(QStringLiteral(":/images/led_green.png"));
    ledRedIcon = QIcon(QStringLiteral(":/images/led_red.png"));
    ledOrangeIcon = QIcon(QStringLiteral(":/images/led_orange.png"));
    pauseIcon = QIcon(QStringLiteral(":/images/pausa.png"));
    pauseButtonIcon = QIcon(QStringLiteral(":/images/pausa_icon.png"));
    playButtonIcon = QIcon(QStringLiteral(":/images/play_icon.png"));
    dndOnIcon = QIcon(QStringLiteral(":/images/dnd_on_btn.png"));
    dndOffIcon = QIcon(QStringLiteral(":/images/dnd_off_btn.png"));
    redirectOnIcon = QIcon(QStringLiteral(":/images/redirect_on.png"));
    redirectOnButtonIcon = QIcon(QStringLiteral(":/images/redirect_on_btn.png"));
    redirectOffIcon = QIcon(QStringLiteral(":/images/redirect_off.png"));
    mailInIcon = QIcon(QStringLiteral(":/images/mailIn.png"));
    mailEmptyIcon = QIcon(QStringLiteral(":/images/mailEmpty.png"));
    dualRingRedIcon = QIcon(QStringLiteral(":/images/dualRingRed.png"));
    dualRingOffIcon = dualRingRedIcon; // the same picture
    dualRingGreenIcon = QIcon(QStringLiteral(":/images/dualRingGreen.png"));
    missedCallIcon = QIcon(QStringLiteral(":/images/MissedCall.png"));
    chatNotifyIcon = QIcon(QStringLiteral(":/images/notifica_chat.png"));
    chatNotifyTrayIcon = QIcon(QStringLiteral(":/images/notifica_chat_tray.png"));
    inputAudioIcon = QIcon(QStringLiteral(":/images/InputAudio.png"));
    inputAudioOffIcon = QIcon(QStringLiteral(":/images/InputAudioOff.png"));
    outputAudioIcon = QIcon(QStringLiteral(":/images/OutputAudio.png"));
    outputAudioOffIcon = QIcon(QStringLiteral(":/images/OutputAudioOff.png"));
    queuesIcon = QIcon(QStringLiteral(":/images/queues.png"));
    cdrFilterOnIcon = QIcon(QStringLiteral(":/images/cdr_filter_on.png"));
    cdrFilterOffIcon = QIcon(QStringLiteral(":/images/cdr_filter_off.png"));

    // State icons that the PBX's rebranding pack may replace.
    mctiDisconnectedSoftphoneIcon = QIcon(MPGUI::rebrandedFilePath(
        QStringLiteral("ctiDisconnected.png"), QStringLiteral(":/images/mctiDisconnectedIcon.png")));
    mctiRegisteredIcon = QIcon(
        MPGUI::rebrandedFilePath(QStringLiteral("ctiRegistered.png"), QStringLiteral(":/images/mctiRegistered.png")));
    mctiUnregisteredIcon = QIcon(MPGUI::rebrandedFilePath(QStringLiteral("ctiUnregistered.png"),
                                                          QStringLiteral(":/images/mctiUnregisteredIcon.png")));
}
