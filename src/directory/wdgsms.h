// The text-message window: destination, a message box limited to 160 bytes
// of UTF-8 with a counter of the bytes left, and "Invia". The window checks
// what it sends and emits the request; the opener delivers it and tells the
// window the outcome (a failure keeps the window open with its text).
#pragma once

#include <QString>
#include <QTextEdit>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace SmsRules
{
constexpr int MaxBytes = 160;
inline int byteLength(const QString &text)
{
    return text.toUtf8().size();
}
// A number the PBX can dial: an optional leading "+", then 1 to 32 digits
// (blanks and the usual separators are dropped first). Empty when it is not.
QString dialableDestination(const QString &destination);
// The reason a message cannot be sent, translated; empty when it can.
QString refusal(const QString &destination, const QString &text);
} // namespace SmsRules

// Message box that refuses text input once it holds 160 bytes of UTF-8;
// pasted text is cut to what still fits.
class SmsTextEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit SmsTextEdit(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
};

class wdgSms : public QWidget
{
    Q_OBJECT
public:
    wdgSms(const QString &destination, const QString &text, QWidget *parent = nullptr,
           Qt::WindowFlags flags = Qt::WindowFlags());

    QString destination() const;
    QString text() const;
    // The label under the message box.
    QString counterText() const;

signals:
    void sigSendSms(const QString &destination, const QString &text);

public slots:
    void updateCharCounter();
    void onSendSMSrequested();
    // The opener's outcome of the last request.
    void onSendFailed(const QString &reason);
    void onSent();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLineEdit *txtSmsDest = nullptr;
    SmsTextEdit *txtSmsMsg = nullptr;
    QLabel *lblAvaliableChars = nullptr;
    QPushButton *pbSend = nullptr;
};
