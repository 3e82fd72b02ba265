#include "support/KTRecordingHandoff.h"

bool KTRecordingHandoff::openUrl(const QUrl &url)
{
    opened << url;
    return opens;
}
