#include "app/window/KTViewController.h"

KTViewController::KTViewController(KTViewControllerDelegate *delegate, QWidget *parent)
    : QWidget(parent)
    , m_delegate(delegate)
{
}

void KTViewController::kt_Status(bool)
{
}
