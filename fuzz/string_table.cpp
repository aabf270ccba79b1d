// The bundle's string table of a language, and the formats filled from it.
#include "FuzzEnvironment.h"
#include "Localization.h"
#include "ZTStringFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    qputenv("MELVORA_LANGUAGE", "en");
    FuzzEnvironment::writeFile(environment.resources() + QStringLiteral("/strings/en.json"),
                               FuzzEnvironment::bytes(data, size));
    Localization::reload();
    for (const char* key : {"Reset statistics for '%@'?", "%@ BPM", "languageCode", "Ok", ""}) {
        const QString text = localized(QString::fromUtf8(key));
        ZTStringFormat::fill(text, {QStringLiteral("Chord recognition"), QStringLiteral("12")});
    }
    return 0;
}
