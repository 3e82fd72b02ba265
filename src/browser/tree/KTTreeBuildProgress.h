#pragma once

#include "extraction/engine/KTProgressThrottle.h"

#include <limits>

// The tree build's share of the "fileprogress" band: from 1.0, a small step per
// kept folder or file up to a ceiling of 1.18, then exactly 1.2 at the end.
// Values are posted through the main-thread bridge, coalesced so that a walk
// of many thousand entries does not flood the GUI thread; the last value
// before the end is never dropped and the posts keep their order.
class KTTreeBuildProgress
{
public:
    static constexpr double Start = 1.0;
    static constexpr double Ceiling = 1.18;
    static constexpr double End = 1.2;
    static constexpr double Step = 0.0001;

    void start();
    // A kept folder, after its subtree was built.
    void folderStep();
    // A kept file (any leaf).
    void fileStep();
    // Sets the value to the end and posts it.
    void finish();

    double value() const { return m_value; }

private:
    void offer();
    void post(float value);

    double m_value = Start;
    KTProgressThrottle m_throttle;
    float m_lastOffered = std::numeric_limits<float>::quiet_NaN();
};
