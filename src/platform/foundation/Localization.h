#pragma once

#include <QString>

// Every user-visible text is looked up by its English text in the string table of the
// user's language (resources/strings/<language>.json). A missing entry yields the key.
namespace Localization {

QString localized(const QString& englishText);

// The language whose table is used: $MELVORA_LANGUAGE, else the system locale's language.
QString languageCode();

// Drops the loaded table so that the next lookup reads it again (tests switch bundles).
void reload();

} // namespace Localization

inline QString localized(const QString& englishText)
{
    return Localization::localized(englishText);
}
