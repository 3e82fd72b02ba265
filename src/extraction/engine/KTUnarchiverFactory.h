#pragma once

#include "extraction/engine/KTExtractionError.h"

#include <QString>

#include <functional>
#include <memory>

class KTUnarchiver;

// Makes the unarchiver for an archive file, or returns null with the cause
// in error. The job calls it on its worker thread, once per start().
using KTUnarchiverFactory = std::function<std::unique_ptr<KTUnarchiver>(const QString &path, KTExtractionError *error)>;
