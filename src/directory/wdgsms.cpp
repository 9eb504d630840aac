#include "wdgsms.h"

#include "app/globallogger.h"
#include "framework/promptservice.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace SmsRules
{
QString dialableDestination(const QString &destination)
{
    QString number = destination;
    number.remove(QRegularExpression(QStringLiteral("[\\s\\-,'./\\\\()]")));
    static const QRegularExpression dialable(QStringLiteral("^\\+?[0-9]{1,32}$"));
    return dialable.match(number).hasMatch() ? number : QString();
}

QString refusal(const QString &destination, const QString &text)
{
    if (destination.trimmed().isEmpty())
        return QCoreApplication::translate("wdgSms", "Inserire il destinatario del messaggio.");
    if (dialableDestination(destination).isEmpty())
        return QCoreApplication::translate("wdgSms", "Il destinatario \"%1\" non è un numero valido.")
            .arg(destination.left(64));
    if (text.trimmed().isEmpty())
        return QCoreApplication::translate("wdgSms", "Il testo del messaggio è vuoto.");
    if (byteLength(text) > MaxBytes)
        return QCoreApplication::translate("wdgSms", "Il messaggio supera i %1 caratteri consentiti.").arg(MaxBytes);
    return QString();
}
} // namespace SmsRules

// ---------------------------------------------------------------- SmsTextEdit

SmsTextEdit::SmsTextEdit(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
}

void SmsTextEdit::keyPressEvent(QKeyEvent *event)
{
    const int length = SmsRules::byteLength(toPlainText());
    if (length >= SmsRules::MaxBytes) {
        const int key = event->key();
        const bool editing = key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Left ||
                             key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Cancel;
        const bool keypadEnter = key == Qt::Key_Enter;
        const bool producesText = !event->text().isEmpty() || key == Qt::Key_Return || keypadEnter;
        const bool shortcut = event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) ||
                              event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Undo);
        if (!editing && !shortcut && producesText) {
            event->accept();
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
}

void SmsTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    // What is selected is replaced: it frees its bytes.
    const int room =
        SmsRules::MaxBytes - SmsRules::byteLength(toPlainText()) + SmsRules::byteLength(textCursor().selectedText());
    QString text = source->text();
    while (!text.isEmpty() && SmsRules::byteLength(text) > room) {
        text.chop(1);
        if (!text.isEmpty() && text.at(text.size() - 1).isHighSurrogate())
            text.chop(1);
    }
    if (!text.isEmpty())
        textCursor().insertText(text);
}

// ---------------------------------------------------------------- wdgSms

wdgSms::wdgSms(const QString &destination, const QString &text, QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
    setObjectName(QStringLiteral("wdgSms"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Invio SMS"));
    setWindowIcon(QIcon(QStringLiteral(":/images/veloraCTI.png")));
    resize(310, 175);
    setMaximumHeight(175);
    QFont font(QStringLiteral("Helvetica"), 9);
    font.setWeight(QFont::Bold);
    setFont(font);
    setStyleSheet(QStringLiteral("QWidget#wdgSms { background: white; }"));

    auto *destLabel = new QLabel(tr("Destinatario: "), this);
    destLabel->setObjectName(QStringLiteral("label"));
    txtSmsDest = new QLineEdit(this);
    txtSmsDest->setObjectName(QStringLiteral("txtSmsDest"));
    txtSmsDest->setMaxLength(40);
    txtSmsDest->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[+0-9 \\-./()]*")), txtSmsDest));
    auto *textLabel = new QLabel(tr("Testo del messaggio"), this);
    textLabel->setObjectName(QStringLiteral("label_2"));
    txtSmsMsg = new SmsTextEdit(this);
    txtSmsMsg->setObjectName(QStringLiteral("txtSmsMsg"));
    lblAvaliableChars = new QLabel(tr("160 caratteri residui"), this);
    lblAvaliableChars->setObjectName(QStringLiteral("lblAvaliableChars"));
    pbSend = new QPushButton(tr("Invia"), this);
    pbSend->setObjectName(QStringLiteral("pbSend"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(destLabel, 0, 0);
    grid->addWidget(txtSmsDest, 0, 1, 1, 2);
    grid->addWidget(textLabel, 1, 0, 1, 3);
    grid->addWidget(txtSmsMsg, 2, 0, 1, 3);
    grid->addWidget(lblAvaliableChars, 3, 0, 1, 2);
    grid->addWidget(pbSend, 3, 2);

    txtSmsDest->setCursorPosition(0);
    txtSmsDest->setText(destination.left(40));
    txtSmsMsg->setPlainText(text);
    if (!destination.isEmpty())
        txtSmsMsg->setFocus();
    connect(txtSmsMsg, &QTextEdit::textChanged, this, &wdgSms::updateCharCounter);
    connect(pbSend, &QPushButton::clicked, this, &wdgSms::onSendSMSrequested);
}

QString wdgSms::destination() const
{
    return txtSmsDest->text();
}

QString wdgSms::text() const
{
    return txtSmsMsg->toPlainText();
}

QString wdgSms::counterText() const
{
    return lblAvaliableChars->text();
}

void wdgSms::updateCharCounter()
{
    const int left = SmsRules::MaxBytes - SmsRules::byteLength(txtSmsMsg->toPlainText());
    lblAvaliableChars->setText(QString::number(left) + tr(" caratteri disponibili"));
}

void wdgSms::onSendSMSrequested()
{
    const QString why = SmsRules::refusal(destination(), text());
    if (!why.isEmpty()) {
        prompts().warning(this, windowTitle(), why);
        return;
    }
    pbSend->setEnabled(false); // until the outcome is known
    emit sigSendSms(SmsRules::dialableDestination(destination()), text());
}

void wdgSms::onSendFailed(const QString &reason)
{
    pbSend->setEnabled(true);
    prompts().warning(this, windowTitle(), tr("Invio del messaggio non riuscito.\n%1").arg(reason));
}

void wdgSms::onSent()
{
    close();
}

void wdgSms::closeEvent(QCloseEvent *event)
{
    event->accept();
    QWidget::closeEvent(event);
}
