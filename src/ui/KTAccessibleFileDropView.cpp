#include "ui/KTAccessibleFileDropView.h"

#include "ui/KTFileDropView.h"

KTAccessibleFileDropView::KTAccessibleFileDropView(KTFileDropView *view)
    : QAccessibleWidget(view, QAccessible::Button)
{
}

QStringList KTAccessibleFileDropView::actionNames() const
{
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
}

void KTAccessibleFileDropView::doAction(const QString &actionName)
{
    if (actionName == pressAction())
        static_cast<KTFileDropView *>(widget())->activate();
    else
        QAccessibleWidget::doAction(actionName);
}

QStringList KTAccessibleFileDropView::keyBindingsForAction(const QString &actionName) const
{
    if (actionName == pressAction())
        return {QStringLiteral("Return"), QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(actionName);
}
