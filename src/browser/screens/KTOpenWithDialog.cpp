#include "browser/screens/KTOpenWithDialog.h"

#include "ui_KTOpenWithDialog.h"

#include <QIcon>
#include <QPushButton>

KTOpenWithDialog::KTOpenWithDialog(const QString &fileName, const QString &mimeComment,
                                   QList<KTDesktopEntry> applications, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::KTOpenWithDialog>())
    , m_applications(std::move(applications))
{
    m_ui->setupUi(this);
    m_ui->promptLabel->setText(tr("Choose an application to open “%1” (%2):").arg(fileName, mimeComment));
    m_ui->emptyLabel->setText(tr("No application on this computer says it opens this kind of file."));
    m_ui->emptyLabel->setVisible(m_applications.isEmpty());
    m_ui->applicationList->setVisible(!m_applications.isEmpty());
    const QIcon fallback = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    for (const KTDesktopEntry &application : std::as_const(m_applications)) {
        const QIcon icon = application.icon().startsWith(QLatin1Char('/')) ? QIcon(application.icon())
                                                                           : QIcon::fromTheme(application.icon(), fallback);
        m_ui->applicationList->addItem(new QListWidgetItem(icon, application.name()));
    }
    QPushButton *open = m_ui->buttonBox->button(QDialogButtonBox::Open);
    open->setEnabled(false);
    connect(m_ui->applicationList, &QListWidget::currentRowChanged, open, [open](int row) { open->setEnabled(row >= 0); });
    connect(m_ui->applicationList, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!m_applications.isEmpty())
        m_ui->applicationList->setCurrentRow(0);
    m_ui->applicationList->setFocus();
}

KTOpenWithDialog::~KTOpenWithDialog() = default;

std::optional<KTDesktopEntry> KTOpenWithDialog::chosen() const
{
    const int row = m_ui->applicationList->currentRow();
    if (result() != QDialog::Accepted || row < 0 || row >= m_applications.size())
        return std::nullopt;
    return m_applications.at(row);
}
