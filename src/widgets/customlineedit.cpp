#include "customlineedit.h"

#include "app/mcticonstants.h"
#include "settings/msettingssound.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QKeyEvent>
#include <QRegExpValidator>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>

namespace
{
const QRegularExpression &dialCharacter()
{
    static const QRegularExpression re(QStringLiteral("^[\\d*#]$"));
    return re;
}
} // namespace

CustomLineEdit::CustomLineEdit(QWidget *parent) : QLineEdit(parent)
{
    m_clearButton = makeClearButton(this);
    setStyleSheet(QStringLiteral("CustomLineEdit { padding-right: 20px; }"));
    // A non-empty run of digits, "*" and "#", or nothing (case-sensitive,
    // regular-expression syntax). QRegExp's engine: the field is built at
    // every start, and this keeps the PCRE2 JIT compiler out of it.
    setValidator(new QRegExpValidator(QRegExp(QStringLiteral("([\\d*#])+"), Qt::CaseSensitive, QRegExp::RegExp), this));

    connect(this, &QLineEdit::textChanged, this, &CustomLineEdit::updateCloseButton);

    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const QSize hint = m_clearButton->sizeHint();
    const QSize own = minimumSizeHint();
    setMinimumSize(qMax(own.width(), hint.width() + frame * 2 + 2), qMax(own.height(), hint.height() + frame * 2 + 2));
}

QToolButton *CustomLineEdit::makeClearButton(QLineEdit *owner)
{
    auto *button = new QToolButton(owner);
    button->setIcon(QIcon(QStringLiteral(":/images/cancel.png")));
    button->setIconSize(QSize(12, 12));
    button->setCursor(Qt::ArrowCursor);
    button->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 2px 5px 0 2px; }"));
    button->hide();
    connect(button, &QToolButton::clicked, owner, &QLineEdit::clear);
    return button;
}

void CustomLineEdit::placeClearButton(QLineEdit *owner, QToolButton *button)
{
    const QSize hint = button->sizeHint();
    const int frame = owner->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const QRect r = owner->rect();
    button->move(r.right() - frame - hint.width(), (r.bottom() + 1 - hint.height()) / 2);
}

QString CustomLineEdit::keyNameFor(const QString &character)
{
    if (character == QLatin1String("#"))
        return PHONE_KEY_POUND;
    if (character == QLatin1String("*"))
        return PHONE_KEY_STAR;
    if (character.size() == 1 && character.at(0).isDigit() && character.at(0).unicode() < 128)
        return character;
    return QString();
}

QString CustomLineEdit::keyText(const QKeyEvent *event)
{
    QString prefix;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods & Qt::ShiftModifier)
        prefix += QStringLiteral("Shift+");
    if (mods & Qt::ControlModifier)
        prefix += QStringLiteral("Ctrl+");
    if (mods & Qt::AltModifier)
        prefix += QStringLiteral("Alt+");
    if (mods & Qt::MetaModifier)
        prefix += QStringLiteral("Meta+");
    return prefix + QKeySequence(event->key()).toString(QKeySequence::PortableText);
}

void CustomLineEdit::updateCloseButton(const QString &text)
{
    m_clearButton->setVisible(!text.isEmpty());
    if (text.isEmpty())
        emit sigClear();
}

void CustomLineEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeClearButton(this, m_clearButton);
}

void CustomLineEdit::keyPressEvent(QKeyEvent *event)
{
    const QString key = keyText(event);
    if (m_shortcuts.contains(key)) {
        emit sigShortcutRequested(key);
        return;
    }
    QLineEdit::keyPressEvent(event);

    QString dialed;
    switch (event->key()) {
    case Qt::Key_NumberSign:
        dialed = QStringLiteral("#");
        break;
    case Qt::Key_Asterisk:
        dialed = QStringLiteral("*");
        break;
    case Qt::Key_0:
    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
    case Qt::Key_4:
    case Qt::Key_5:
    case Qt::Key_6:
    case Qt::Key_7:
    case Qt::Key_8:
    case Qt::Key_9:
        dialed = QString(QChar('0' + (event->key() - Qt::Key_0)));
        break;
    case Qt::Key_V:
        if (event->modifiers() & Qt::ControlModifier)
            paste();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit sigEnter();
        break;
    case Qt::Key_Down:
        if (completer() && completer()->model() && completer()->model()->rowCount() > 0)
            emit sigShowCompleter();
        break;
    default:
        break;
    }
    if (!dialed.isEmpty()) {
        emit sigDigitClicked(dialed, keyNameFor(dialed));
        if (m_playKeyTones)
            playsoundfile(dialed);
    }
}

void CustomLineEdit::paste()
{
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    setText(dialableText(text));
}

QString CustomLineEdit::dialableText(const QString &text)
{
    // A leading "+" is the international prefix: it becomes "00" as it does
    // when dialling, so "+39 02 1234" stays the number it names.
    QString cleaned = text.trimmed();
    if (cleaned.startsWith(QLatin1Char('+')))
        cleaned.replace(0, 1, QStringLiteral("00"));
    static const QRegularExpression notDialable(QStringLiteral("[^0-9*#]"));
    cleaned.remove(notDialable);
    return cleaned;
}

void CustomLineEdit::insertNum(QString key)
{
    if (key == QLatin1String("Pound"))
        key = QStringLiteral("#");
    else if (key == QLatin1String("Ast"))
        key = QStringLiteral("*");
    const QString name = keyNameFor(key);
    if (m_playKeyTones && !key.isEmpty())
        playsoundfile(key);
    insert(key);
    emit sigDigitClicked(key, name);
}

bool CustomLineEdit::playsoundfile(const QString &key)
{
    if (!m_playKeyTones || !dialCharacter().match(key).hasMatch())
        return false;
    QString tone = key;
    if (key == QLatin1String("#"))
        tone = QStringLiteral("p");
    else if (key == QLatin1String("*"))
        tone = QStringLiteral("s");
    return MSETTINGS::playSound(QStringLiteral("%1.wav").arg(tone));
}
