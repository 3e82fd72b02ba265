#pragma once

#include <QMetaType>
#include <QString>

// Why an extraction failed. 0 is success; the others each carry a message
// that says the cause in words the user understands.
enum class KTErrorCode {
    None = 0,
    CannotOpen,          // the archive file cannot be opened or read
    NotArchive,          // not an archive, or a format nobody here reads
    Damaged,             // the archive is damaged or truncated
    WrongPassword,       // a password is needed and the one given is wrong or missing
    EncryptedUnsupported,// encrypted with a method this backend cannot decrypt
    NoSpace,             // the disk is full
    WriteFailed,         // any other failure to write the output
    UnsafeEntry,         // an entry would escape the destination or is a special file
    TempDirFailed,       // the scratch folder cannot be made
    Cancelled,           // the user cancelled the job
    BackendMissing,      // a helper program a backend needs is not installed
};

struct KTExtractionError {
    KTErrorCode code = KTErrorCode::None;
    QString message;

    bool ok() const { return code == KTErrorCode::None; }
    explicit operator bool() const { return !ok(); }

    static KTExtractionError make(KTErrorCode code, const QString &detail = {});
    // The cause in a short sentence, with the detail that made it.
    static QString describe(KTErrorCode code);
};

Q_DECLARE_METATYPE(KTExtractionError)
