// Text field of the main window's search boxes: any text, a clear button,
// the application's shortcut keys and the Down key handed to the main window.
#pragma once

#include <QLineEdit>
#include <QStringList>

class QToolButton;

class CustomSearchLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CustomSearchLineEdit(QWidget *parent = nullptr);

    void setShortcutsList(const QStringList &keys) { m_shortcuts = keys; }
    QStringList shortcutsList() const { return m_shortcuts; }

signals:
    void sigDownArrowClicked();
    void sigShortcutRequested(QString key);
    void sigClear();

public slots:
    void updateCloseButton(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QToolButton *m_clearButton = nullptr;
    QStringList m_shortcuts;
};
