// Number field of the dial pad: accepts only dialable characters (digits,
// "*" and "#"), shows a clear button while it holds text, reports each digit
// with its desk-phone key name, and hands the application's shortcut keys,
// Enter and Down to the main window instead of editing with them.
#pragma once

#include <QLineEdit>
#include <QStringList>

class QToolButton;

class CustomLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CustomLineEdit(QWidget *parent = nullptr);

    // Key texts (portable key-sequence format) reported through
    // sigShortcutRequested() instead of being handled by the field.
    void setShortcutsList(const QStringList &keys) { m_shortcuts = keys; }
    QStringList shortcutsList() const { return m_shortcuts; }

    bool playKeyTones() const { return m_playKeyTones; }

    // On-screen keypad entry: "Pound" and "Ast" stand for "#" and "*".
    void insertNum(QString key);
    // Replaces the whole text by the clipboard's text stripped to its dialable characters.
    void paste();
    // Clipboard text as the field takes it: a leading "+" as "00", then only
    // digits, "*" and "#".
    static QString dialableText(const QString &text);
    // Plays the key tone of one dial character when key tones are on.
    bool playsoundfile(const QString &key);

    // Desk-phone key name of a dial character ("POUND", "STAR" or the digit); empty otherwise.
    static QString keyNameFor(const QString &character);
    // Key text of a key event: modifier prefix ("Shift+", "Ctrl+", "Alt+", "Meta+")
    // followed by the key alone in the portable format.
    static QString keyText(const QKeyEvent *event);
    // The small clear button inside the right end of a line edit (hidden,
    // clears the field when clicked), and its place after a resize.
    static QToolButton *makeClearButton(QLineEdit *owner);
    static void placeClearButton(QLineEdit *owner, QToolButton *button);

signals:
    void sigDigitClicked(QString digit, QString keyName);
    void sigClear();
    void sigEnter();
    void sigShowCompleter();
    void sigShortcutRequested(QString key);

public slots:
    void updateCloseButton(const QString &text);
    void onActionNumberToneChanged(bool on) { m_playKeyTones = on; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_clearButton = nullptr;
    QStringList m_shortcuts;
    bool m_playKeyTones = false;
};
