#include "app/window/KTPreferencesDialog.h"

#include "ui_KTPreferencesDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QStandardPaths>

KTPreferencesDialog::KTPreferencesDialog(KTPreferences &preferences, QWidget *parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::KTPreferencesDialog>())
    , m_preferences(preferences)
{
    m_ui->setupUi(this);
    m_ui->temporaryFolderHint->setForegroundRole(QPalette::PlaceholderText);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &KTPreferencesDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &KTPreferencesDialog::reject);
    connect(m_ui->chooseFolderButton, &QPushButton::clicked, this, &KTPreferencesDialog::chooseFolder);
    for (QRadioButton *button : {m_ui->temporaryFolderButton, m_ui->besideArchiveButton, m_ui->chosenFolderButton})
        connect(button, &QRadioButton::toggled, this, &KTPreferencesDialog::updateOk);
    load();
}

KTPreferencesDialog::~KTPreferencesDialog() = default;

void KTPreferencesDialog::load()
{
    m_ui->chosenFolderField->setText(QDir::toNativeSeparators(KTExtractDestination::chosenFolder(m_preferences)));
    switch (KTExtractDestination::place(m_preferences)) {
    case KTExtractDestination::Place::TemporaryFolder:
        m_ui->temporaryFolderButton->setChecked(true);
        break;
    case KTExtractDestination::Place::BesideArchive:
        m_ui->besideArchiveButton->setChecked(true);
        break;
    case KTExtractDestination::Place::ChosenFolder:
        m_ui->chosenFolderButton->setChecked(true);
        break;
    }
    updateOk();
}

KTExtractDestination::Place KTPreferencesDialog::place() const
{
    if (m_ui->besideArchiveButton->isChecked())
        return KTExtractDestination::Place::BesideArchive;
    if (m_ui->chosenFolderButton->isChecked())
        return KTExtractDestination::Place::ChosenFolder;
    return KTExtractDestination::Place::TemporaryFolder;
}

QString KTPreferencesDialog::chosenFolder() const
{
    return QDir::fromNativeSeparators(m_ui->chosenFolderField->text());
}

void KTPreferencesDialog::updateOk()
{
    const bool complete = place() != KTExtractDestination::Place::ChosenFolder || !chosenFolder().isEmpty();
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(complete);
}

void KTPreferencesDialog::chooseFolder()
{
    if (m_folderDialog)
        return;
    const QString start = chosenFolder().isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::HomeLocation)
                                                   : chosenFolder();
    auto *dialog = new QFileDialog(this, tr("Extract Into"), start);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setWindowModality(Qt::WindowModal);
    m_folderDialog = dialog;
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &folder) {
        m_ui->chosenFolderField->setText(QDir::toNativeSeparators(QDir::cleanPath(folder)));
        m_ui->chosenFolderButton->setChecked(true);
        updateOk();
    });
    dialog->open();
}

void KTPreferencesDialog::accept()
{
    if (place() == KTExtractDestination::Place::ChosenFolder && chosenFolder().isEmpty())
        return;
    KTExtractDestination::store(m_preferences, place(), chosenFolder());
    QDialog::accept();
}
