#include "extraction/backends/KTBackendChooser.h"

#include "extraction/libarchive/KTLibArchiveUnarchiver.h"
#include "extraction/sevenzip/KTSevenZipProbe.h"
#include "extraction/sevenzip/KTSevenZipProcess.h"
#include "extraction/sevenzip/KTSevenZipUnarchiver.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <sys/stat.h>

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

bool KTBackendChooser::leavesToSecondReader(const KTFirstReading &first)
{
    const KTExtractionError &error = first.error;
    switch (error.code) {
    case KTErrorCode::None:
        // An archive in which libarchive found nothing may be one it misread;
        // entries it left out as unsafe were found.
        return first.opened && first.entriesExtracted == 0 && first.entriesSkipped == 0;
    case KTErrorCode::NotArchive:
    case KTErrorCode::EncryptedUnsupported:
        return true;
    case KTErrorCode::WrongPassword:
        // libarchive decrypts zip AES but then fails on methods inside it
        // other than Deflate, as it fails on a wrong password: 7zz tells the
        // two apart, with the same password and without asking again.
        return first.opened && first.passwordGiven;
    case KTErrorCode::Damaged:
        // Also damage past the first file: libarchive may be the one at
        // fault (its PPMd, a cabinet it reads in circles). 7zz then has to
        // read the whole archive without error first (see needsWholeTest).
        return true;
    default:
        // The disk, an unsafe entry, a cancel: another reader would meet
        // the same.
        return false;
    }
}

std::unique_ptr<KTUnarchiver> KTBackendChooser::secondReaderFor(const QString &path, const KTFirstReading &first)
{
    if (!leavesToSecondReader(first))
        return nullptr;
    // 7zz would block on a FIFO or read a device without end.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    if (KTSevenZipProcess::findProgram().isEmpty())
        return nullptr;
    auto second = std::make_unique<KTSevenZipUnarchiver>(path, false);
    second->setTestsFirst(needsWholeTest(first));
    return second;
}

bool KTBackendChooser::needsWholeTest(const KTFirstReading &first)
{
    if (first.error.code == KTErrorCode::WrongPassword)
        return true;
    if (first.error.code != KTErrorCode::Damaged || !first.opened || first.entriesExtracted == 0)
        return false;
    // A method or layout libarchive lacks is no damage.
    static const QLatin1String lacks[] = {QLatin1String("nsupported"), QLatin1String("not supported"),
                                          QLatin1String("codec ID")};
    return std::none_of(std::begin(lacks), std::end(lacks),
                        [&](QLatin1String words) { return first.error.detail.contains(words); });
}
