#include "Fonts.h"

#include "Log.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>

namespace {

void setSize(QFont& font, double size)
{
    font.setPixelSize(qMax(1, qRound(size)));
}

// DSEG7 Classic from the installed fonts; when fontconfig does not know it, the TTF is
// loaded from Debian's folder.
QString resolveDigitalFamily()
{
    const QStringList wanted{QStringLiteral("DSEG7 Classic"), QStringLiteral("DSEG7 Modern")};
    const QStringList families = QFontDatabase::families();
    for (const QString& family : wanted) {
        if (families.contains(family))
            return family;
    }
    const QStringList files{QStringLiteral("/usr/share/fonts/truetype/dseg/DSEG7Classic-Bold.ttf"),
                            QStringLiteral("/usr/share/fonts/truetype/dseg/DSEG7Classic-Regular.ttf")};
    for (const QString& file : files) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id >= 0) {
            const QStringList loaded = QFontDatabase::applicationFontFamilies(id);
            if (!loaded.isEmpty())
                return loaded.first();
        }
    }
    Log::line(QStringLiteral("No seven-segment font found; the count-down uses the system font."));
    return {};
}

} // namespace

QFont Fonts::system(double size, bool bold)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    setSize(font, size);
    font.setBold(bold);
    return font;
}

QString Fonts::digitalFamily()
{
    static const QString family = resolveDigitalFamily();
    return family;
}

QFont Fonts::digital(double size)
{
    const QString family = digitalFamily();
    if (family.isEmpty())
        return system(size, true);
    QFont font(family);
    setSize(font, size);
    font.setBold(true);
    return font;
}

QFont Fonts::named(const QString& family, double size, bool bold)
{
    if (family == QLatin1String("DS-Digital"))
        return digital(size);
    QFont font(family);
    if (family == QLatin1String("Helvetica"))
        font.setStyleHint(QFont::SansSerif);
    setSize(font, size);
    font.setBold(bold);
    return font;
}
