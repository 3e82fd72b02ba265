#pragma once

#include <QMetaType>
#include <QString>

// Why an extraction failed. 0 is success; each of the others has a cause
// in words the user understands.
enum class KTErrorCode {
    None = 0,
    CannotOpen,          // the archive file cannot be opened or read
    NotArchive,          // not an archive, or a format nobody here reads
    Damaged,             // the archive is damaged or truncated
    WrongPassword,       // a password is needed and the one given is wrong or missing
    EncryptedUnsupported,// encrypted with a method this backend cannot decrypt
    NoSpace,             // the disk is full
    WriteFailed,         // any other failure to write the output
    UnsafeEntry,         // an entry would escape the destination
    SpecialFile,         // an entry is a device, FIFO or socket, which is never made
    TempDirFailed,       // the scratch folder cannot be made in the destination
    Cancelled,           // the user cancelled the job
    BackendMissing,      // a helper program a backend needs is not installed
};

// An error is a value: the code, and the untranslated detail that made it
// (a path, libarchive's or 7zz's words), turned into words for the user
// only where it is shown.
struct [[nodiscard]] KTExtractionError {
    KTErrorCode code = KTErrorCode::None;
    QString detail; // may be empty

    bool ok() const { return code == KTErrorCode::None; }
    bool failed() const { return !ok(); }
    // The code's cause in a short translated sentence; empty when ok.
    QString cause() const;
    // The cause followed by ": detail" when there is one: for the command
    // line, logs and test diagnostics.
    QString message() const;

    static KTExtractionError make(KTErrorCode code, QString detail = {});
};

Q_DECLARE_METATYPE(KTExtractionError)
