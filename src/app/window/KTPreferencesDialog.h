#pragma once

#include "app/core/KTExtractDestination.h"

#include <QDialog>
#include <QFileDialog>
#include <QPointer>

#include <memory>

class KTPreferences;
namespace Ui {
class KTPreferencesDialog;
}

// File ▸ Preferences…: where results go. Shows the stored choice when it
// opens and stores the one shown when OK is pressed; Cancel changes nothing.
// "This folder" needs a folder before OK is possible.
class KTPreferencesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit KTPreferencesDialog(KTPreferences &preferences, QWidget *parent = nullptr);
    ~KTPreferencesDialog() override;

    Ui::KTPreferencesDialog &ui() const { return *m_ui; }
    KTExtractDestination::Place place() const;
    QString chosenFolder() const;
    // The folder dialog while it is shown.
    QFileDialog *folderDialog() const { return m_folderDialog; }

public slots:
    void chooseFolder();
    void accept() override;

private:
    void load();
    void updateOk();

    std::unique_ptr<Ui::KTPreferencesDialog> m_ui;
    KTPreferences &m_preferences;
    QPointer<QFileDialog> m_folderDialog;
};
