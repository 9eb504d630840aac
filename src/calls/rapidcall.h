// Numbers the user did not type into the number field: a number copied to
// the clipboard (a balloon offers to call it, or a rapid call dials it at
// once), Enter in the number field with its list of recent numbers, and text
// dropped on the window. Copied text is never logged: it may be anything the
// user copied (a password), so only the fact that it was ignored is, and
// numbers appear masked.
#pragma once

#include <QObject>
#include <QStandardItemModel>
#include <QStringList>

#include <functional>
#include <utility>

class CustomLineEdit;

class RapidCall : public QObject
{
    Q_OBJECT
public:
    struct Hooks {
        std::function<QString()> clipboardText;
        std::function<bool(const QString &)> isExtension;
        std::function<bool()> copyToCallEnabled;
        std::function<bool()> systemShortcutsEnabled;
        // Shows the copy-to-call balloon for a number.
        std::function<void(const QString &message, const QString &number)> offerCall;
        std::function<void(const QString &)> startExternalCall;
        std::function<void(const QString &)> startCallOrTransfer;
        std::function<void(const QString &)> startAudioCall;
        // Softphone mode with an engine whose account is not registered.
        std::function<bool()> dialBlocked;
        std::function<QString()> outsidePrefix;
        // The names of the hooks left unset; the window sets every one.
        QStringList unset() const
        {
            const std::pair<bool, const char *> all[] = {{bool(clipboardText), "clipboardText"},
                                                         {bool(isExtension), "isExtension"},
                                                         {bool(copyToCallEnabled), "copyToCallEnabled"},
                                                         {bool(systemShortcutsEnabled), "systemShortcutsEnabled"},
                                                         {bool(offerCall), "offerCall"},
                                                         {bool(startExternalCall), "startExternalCall"},
                                                         {bool(startCallOrTransfer), "startCallOrTransfer"},
                                                         {bool(startAudioCall), "startAudioCall"},
                                                         {bool(dialBlocked), "dialBlocked"},
                                                         {bool(outsidePrefix), "outsidePrefix"}};
            QStringList names;
            for (const auto &h : all) {
                if (!h.first)
                    names << QLatin1String(h.second);
            }
            return names;
        }
    };

    explicit RapidCall(CustomLineEdit *numberField, QObject *parent = nullptr);
    void setHooks(const Hooks &hooks) { env = hooks; }
    const Hooks &hooks() const { return env; }

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
    Hooks env;
    QStandardItemModel recentNumbersModel;
    bool rapidCallPending = false;
};
