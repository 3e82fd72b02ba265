#include "extraction/engine/KTExtractionError.h"

#include <QCoreApplication>

#include <utility>

QString KTExtractionError::cause() const
{
    switch (code) {
    case KTErrorCode::None:
        return {};
    case KTErrorCode::CannotOpen:
        return QCoreApplication::translate("KTExtractionError", "The archive cannot be read");
    case KTErrorCode::NotArchive:
        return QCoreApplication::translate("KTExtractionError", "Not an archive or an unsupported format");
    case KTErrorCode::Damaged:
        return QCoreApplication::translate("KTExtractionError", "The archive is damaged");
    case KTErrorCode::WrongPassword:
        return QCoreApplication::translate("KTExtractionError", "Wrong or missing password");
    case KTErrorCode::EncryptedUnsupported:
        return QCoreApplication::translate("KTExtractionError", "The archive is encrypted with a method that is not supported");
    case KTErrorCode::NoSpace:
        return QCoreApplication::translate("KTExtractionError", "No space left on the disk");
    case KTErrorCode::WriteFailed:
        return QCoreApplication::translate("KTExtractionError", "The extracted files cannot be written");
    case KTErrorCode::UnsafeEntry:
        return QCoreApplication::translate("KTExtractionError", "The archive holds an unsafe entry");
    case KTErrorCode::SpecialFile:
        return QCoreApplication::translate("KTExtractionError", "The archive holds a device, FIFO or socket");
    case KTErrorCode::TempDirFailed:
        return QCoreApplication::translate("KTExtractionError", "The folder to extract into cannot be written");
    case KTErrorCode::Cancelled:
        return QCoreApplication::translate("KTExtractionError", "Cancelled");
    case KTErrorCode::BackendMissing:
        return QCoreApplication::translate("KTExtractionError", "A program needed for this archive is not installed");
    }
    return {};
}

QString KTExtractionError::message() const
{
    return detail.isEmpty() ? cause() : cause() + QStringLiteral(": ") + detail;
}

KTExtractionError KTExtractionError::make(KTErrorCode code, QString detail)
{
    return {code, std::move(detail)};
}
