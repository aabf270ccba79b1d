#pragma once

#include "ZTChord.h"
#include "ZTInterval.h"
#include "ZTMusicalTest.h"

// The question kinds that steer the views; each includes the kinds derived from it.
namespace QuestionKinds {

inline bool isChord(const ZTTest* test)
{
    return dynamic_cast<const ZTChord*>(test) != nullptr;
}

inline bool isInterval(const ZTTest* test)
{
    return dynamic_cast<const ZTInterval*>(test) != nullptr;
}

// The progression kind is known by its class name, as it has no kinds derived from it.
inline bool isChordProgression(const ZTTest* test)
{
    return test && test->className() == QLatin1String("ZTChordProgression");
}

} // namespace QuestionKinds
