#include "app/cli/KTExitStatus.h"

namespace KTExitStatus {

namespace {

int severity(int status)
{
    switch (status) {
    case Extracted:
        return 0;
    case PartlyExtracted:
        return 1;
    case Usage:
        return 3;
    case Interrupted:
        return 4;
    default:
        return 2;
    }
}

} // namespace

int worse(int a, int b)
{
    return severity(b) > severity(a) ? b : a;
}

} // namespace KTExitStatus
