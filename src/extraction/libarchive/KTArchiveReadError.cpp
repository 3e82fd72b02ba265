#include "extraction/libarchive/KTArchiveReadError.h"

#include <QFile>

#include <archive.h>

#include <cerrno>
#include <sys/stat.h>

KTExtractionError KTArchiveReadError::classify(archive *a, const Context &context)
{
    const char *text = archive_error_string(a);
    const QString detail = text ? QString::fromUtf8(text) : QString();
    const int err = archive_errno(a);
    if (detail.contains(QLatin1String("assphrase")))
        return KTExtractionError::make(KTErrorCode::WrongPassword);
    if (detail.contains(QLatin1String("encrypted, but currently not supported")))
        return context.unsupportedEncryption;
    if (detail.contains(QLatin1String("ncrypt")) && (detail.contains(QLatin1String("not supported")) ||
                                                      detail.contains(QLatin1String("unavailable")) ||
                                                      detail.contains(QLatin1String("Unknown encryption"))))
        return KTExtractionError::make(KTErrorCode::EncryptedUnsupported, detail);
    // A file cut short while it is read fails like a wrong password would.
    if (archiveShrank(context.archivePath, context.openedSize))
        return KTExtractionError::make(KTErrorCode::Damaged, QStringLiteral("the archive was cut short while it was read"));
    // ZipCrypto checks a wrong password against one byte only; the data then
    // fails its checksum. Data that ends early is damage whatever the password.
    if (context.encryptedEntry && context.passwordTried && !detail.contains(QLatin1String("runcated")))
        return KTExtractionError::make(KTErrorCode::WrongPassword);
    if (err == ENOSPC || err == EDQUOT)
        return KTExtractionError::make(KTErrorCode::NoSpace, detail);
    if (err == EIO)
        return KTExtractionError::make(KTErrorCode::CannotOpen, detail);
    return KTExtractionError::make(KTErrorCode::Damaged, detail);
}

bool KTArchiveReadError::archiveShrank(const QString &archivePath, qint64 openedSize)
{
    struct stat st;
    return ::stat(QFile::encodeName(archivePath).constData(), &st) == 0 && st.st_size < openedSize;
}
