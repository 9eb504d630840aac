// The call-history search panel: a date range, a search field and a page that
// shows the call table or a message that there are no calls. It only relays
// its inputs as signals; whoever owns it does the searching.
#pragma once

#include <QDate>
#include <QWidget>

class CustomSearchLineEdit;
class QCompleter;
class QDateEdit;
class QStackedWidget;
class QTextEdit;
class QTreeView;

class wdgCdr : public QWidget
{
    Q_OBJECT
public:
    explicit wdgCdr(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    QTreeView *getCdrTable() const { return tvCdr; }
    QDate getFromDate() const;
    QDate getToDate() const;
    void setCompleter(QCompleter *completer);
    // 0 shows the table, 1 the message page.
    void changeTableView(int page);

signals:
    void sigDateFromChanged(QDate date);
    void sigDateToChanged(QDate date);
    void sigTextChanged(QString text);

private slots:
    void dateFromChanged(const QDate &date);
    void dateToChanged(const QDate &date);
    void textChanged(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QDateEdit *dateFrom = nullptr;
    QDateEdit *dateTo = nullptr;
    CustomSearchLineEdit *txtCaller = nullptr;
    QStackedWidget *stackedWidget = nullptr;
    QTreeView *tvCdr = nullptr;
    QTextEdit *emptyCdrTxt = nullptr;
};
