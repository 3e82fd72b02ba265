#include "ui/KTAccessibleFactory.h"

#include "ui/KTAccessibleBusyIndicator.h"
#include "ui/KTAccessibleFileDropView.h"
#include "ui/KTAccessibleProgressIndicator.h"
#include "ui/KTFileDropView.h"
#include "ui/KTProgressIndicator.h"
#include "ui/KTScanProgressView.h"

#include <QAccessible>

namespace {

QAccessibleInterface *interfaceFor(const QString &className, QObject *object)
{
    if (className == QLatin1String("KTProgressIndicator"))
        return new KTAccessibleProgressIndicator(static_cast<KTProgressIndicator *>(object));
    if (className == QLatin1String("KTScanProgressView"))
        return new KTAccessibleBusyIndicator(static_cast<KTScanProgressView *>(object));
    if (className == QLatin1String("KTFileDropView"))
        return new KTAccessibleFileDropView(static_cast<KTFileDropView *>(object));
    return nullptr;
}

} // namespace

namespace KTAccessibleFactory {

void ensureInstalled()
{
    static const bool installed = [] {
        QAccessible::installFactory(interfaceFor);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace KTAccessibleFactory
