// The bundle's exercise definitions (Tests.plist) as the catalogue and the settings defaults
// read them, and every exercise run from them.
#include "ExerciseWalk.h"
#include "FuzzEnvironment.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    FuzzEnvironment::writeFile(environment.resources() + QStringLiteral("/Tests.plist"), FuzzEnvironment::bytes(data, size));
    ZTPreferences::resetSharedForTesting();
    ZTPreferences::sharedPreferences();
    ZTDataProvider::sharedDataProvider()->setup();
    walkEveryExercise();
    environment.settle();
    return 0;
}
