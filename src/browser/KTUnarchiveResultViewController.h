#pragma once

#include "KTViewController.h"

#include <QVariant>

#include <memory>

class KTFileDataCollection;
namespace Ui {
class KTUnarchiveResultViewController;
}

// The second screen: what the last extraction produced, and the way back
// to the first screen for the next archive.
class KTUnarchiveResultViewController : public KTViewController
{
    Q_OBJECT
public:
    explicit KTUnarchiveResultViewController(KTViewControllerDelegate *delegate = nullptr, QWidget *parent = nullptr);
    ~KTUnarchiveResultViewController() override;

    Ui::KTUnarchiveResultViewController &ui() const { return *m_ui; }
    // How many "fileget" refreshes have run.
    int refreshCount() const { return m_refreshCount; }

public slots:
    // "fileget": refreshes on a later turn of the event loop.
    void run(const QVariant &notification);
    void bakeToHome();

signals:
    void refreshed();

private:
    void awakeFromNib();
    void refresh();

    std::unique_ptr<Ui::KTUnarchiveResultViewController> m_ui;
    KTFileDataCollection &m_fileDataCollection;
    int m_refreshCount = 0;
};
