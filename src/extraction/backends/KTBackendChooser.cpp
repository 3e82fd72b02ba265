#include "extraction/backends/KTBackendChooser.h"

#include "extraction/libarchive/KTLibArchiveUnarchiver.h"
#include "extraction/sevenzip/KTSevenZipProbe.h"
#include "extraction/sevenzip/KTSevenZipUnarchiver.h"

#include <QFileInfo>

std::unique_ptr<KTUnarchiver> KTBackendChooser::unarchiverForPath(const QString &path, KTExtractionError *error)
{
    QFileInfo info(path);
    if (!info.exists()) {
        if (error)
            *error = KTExtractionError::make(KTErrorCode::CannotOpen, QStringLiteral("%1 does not exist").arg(path));
        return nullptr;
    }
    if (info.isDir()) {
        if (error)
            *error = KTExtractionError::make(KTErrorCode::NotArchive, QStringLiteral("%1 is a folder").arg(path));
        return nullptr;
    }
    // libarchive reads every format but encrypted 7z, which 7-Zip's own
    // program extracts.
    switch (KTSevenZipProbe::encryptionOf(path)) {
    case KTSevenZipProbe::Encryption::None:
        break;
    case KTSevenZipProbe::Encryption::Content:
        return std::make_unique<KTSevenZipUnarchiver>(path, false);
    case KTSevenZipProbe::Encryption::Header:
        return std::make_unique<KTSevenZipUnarchiver>(path, true);
    }
    return std::make_unique<KTLibArchiveUnarchiver>(path);
}
