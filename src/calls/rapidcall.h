// Numbers the user did not type into the number field: a number copied to
// the clipboard (a balloon offers to call it, or a rapid call dials it at
// once), Enter in the number field with its list of recent numbers, and text
// dropped on the window. Copied text is never logged: it may be anything the
// user copied (a password), so only the fact that it was ignored is, and
// numbers appear masked.
#pragma once

#include "ctilibtypes.h"

#include <QObject>
#include <QStandardItemModel>
#include <QStringList>

class CallDirectory;
class CustomLineEdit;

class RapidCall : public QObject
{
    Q_OBJECT
public:
    // What a number leads to, and the user's choices that decide it; the
    // main window answers.
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual bool copyToCallEnabled() const = 0;
        virtual bool systemShortcutsEnabled() const = 0;
        // Softphone mode with an engine whose account is not registered.
        virtual bool dialBlocked() const = 0;
        // Shows the copy-to-call balloon for a number.
        virtual void offerCall(const QString &message, const QString &number) = 0;
        virtual void startExternalCall(const QString &number) = 0;
        virtual void startCallOrTransfer(const QString &number) = 0;
        virtual void startAudioCall(const QString &number) = 0;
    };

    // `directory` tells extensions apart, `serviceCodes` give the outside
    // line prefix; both and `host` outlive this object. The copied text is
    // read from the application's clipboard.
    RapidCall(CustomLineEdit *numberField, const CallDirectory &directory, const ServicesDialCodesMap &serviceCodes,
              Host &host, QObject *parent = nullptr);

    // The numbers last dialled from the number field, most recent first.
    QStandardItemModel *recentNumbers() { return &recentNumbersModel; }
    bool isRapidCallPending() const { return rapidCallPending; }
    void setRapidCallPending(bool pending) { rapidCallPending = pending; }

    // The clipboard changed a while ago: a rapid call, a balloon, or nothing.
    void startRapidCall();
    // Enter in the number field.
    void phoneTxtEnterKeyClicked();
    // Text dropped on the window; false when it carried no number.
    bool dropText(const QString &text);

private:
    CustomLineEdit *field;
    const CallDirectory &directory;
    const ServicesDialCodesMap &serviceCodes;
    Host &host;
    QStandardItemModel recentNumbersModel;
    bool rapidCallPending = false;
};
