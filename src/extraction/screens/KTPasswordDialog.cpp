#include "extraction/screens/KTPasswordDialog.h"

#include "ui_KTPasswordDialog.h"

KTPasswordDialog::KTPasswordDialog(QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::KTPasswordDialog>())
{
    m_ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    connect(m_ui->okButton, &QPushButton::clicked, this, &KTPasswordDialog::btnOk);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &KTPasswordDialog::btnCancel);
    connect(m_ui->showPasswordBox, &QCheckBox::toggled, this, [this](bool shown) {
        m_ui->passwordField->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
}

KTPasswordDialog::~KTPasswordDialog() = default;

QLineEdit *KTPasswordDialog::passwordField() const
{
    return m_ui->passwordField;
}

QString KTPasswordDialog::password() const
{
    return m_ui->passwordField->text();
}

void KTPasswordDialog::clearPassword()
{
    m_ui->passwordField->clear();
    m_ui->showPasswordBox->setChecked(false);
}

void KTPasswordDialog::setArchiveName(const QString &name)
{
    m_ui->messageLabel->setText(name.isEmpty() ? tr("This archive is protected by a password.")
                                               : tr("“%1” is protected by a password.").arg(name));
}

void KTPasswordDialog::btnOk()
{
    accept();
}

void KTPasswordDialog::btnCancel()
{
    reject();
}
