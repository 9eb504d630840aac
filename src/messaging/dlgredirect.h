// Asks for the number that the unconditional forward sends calls to.
#pragma once

#include <QDialog>

class QLineEdit;

namespace Ui
{
class dlgRedirect;
}

class DlgRedirect : public QDialog
{
    Q_OBJECT
public:
    explicit DlgRedirect(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~DlgRedirect() override;

    // The number field (`edtTxt` of the form).
    QLineEdit *numberEdit() const;

private:
    Ui::dlgRedirect *ui;
};
