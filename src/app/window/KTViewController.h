#pragma once

#include <QWidget>

class KTViewControllerDelegate;

// The common base of both screens: a widget with a navigation delegate.
class KTViewController : public QWidget
{
    Q_OBJECT
public:
    explicit KTViewController(KTViewControllerDelegate *delegate = nullptr, QWidget *parent = nullptr);

    KTViewControllerDelegate *delegate() const { return m_delegate; }
    void setDelegate(KTViewControllerDelegate *delegate) { m_delegate = delegate; }

    // Whether a job is running (the drop target hidden); only the extraction
    // screen acts on it.
    virtual void kt_Status(bool running);

private:
    KTViewControllerDelegate *m_delegate;
};
