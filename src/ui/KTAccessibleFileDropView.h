#pragma once

#include <QAccessibleWidget>

class KTFileDropView;

// The drop area as a button: its name and description come from the widget
// (the screen sets them), and pressing it opens the file dialog, as Enter
// and Space do.
class KTAccessibleFileDropView : public QAccessibleWidget
{
public:
    explicit KTAccessibleFileDropView(KTFileDropView *view);

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;
};
