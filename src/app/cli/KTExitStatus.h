#pragma once

// kt-extract's exit statuses, and which of two is worse: a run over several
// archives exits with the worst status any of them had.
namespace KTExitStatus {

constexpr int Extracted = 0;
constexpr int Failed = 1;
constexpr int Usage = 2;
// Extracted, but some entries were skipped: worse than a clean extraction,
// better than any failure.
constexpr int PartlyExtracted = 3;
constexpr int Interrupted = 130;

// The status that says less went well; an unknown non-zero status counts as
// a failure.
int worse(int a, int b);

} // namespace KTExitStatus
