#pragma once

#include <QDialog>

#include <memory>

class QLineEdit;
namespace Ui {
class KTPasswordDialog;
}

// The modal question for an archive's password. OK accepts the field's
// text (empty included); Cancel answers nothing. The field keeps its text
// between questions until the owner clears it.
class KTPasswordDialog : public QDialog
{
    Q_OBJECT
public:
    explicit KTPasswordDialog(QWidget *parent = nullptr);
    ~KTPasswordDialog() override;

    QLineEdit *passwordField() const;
    QString password() const;
    void clearPassword();
    // Names the archive in the message.
    void setArchiveName(const QString &name);

public slots:
    void btnOk();
    void btnCancel();

private:
    std::unique_ptr<Ui::KTPasswordDialog> m_ui;
};
