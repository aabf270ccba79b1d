#include "ZTKeySignatureController.h"

#include "Localization.h"
#include "QVNote.h"
#include "ZTKeySignature.h"
#include "ZTPreferences.h"

#include <QHash>
#include <QRegularExpression>

namespace {

// Key names in solfège; G keeps its capital in all three forms.
const QHash<QString, QString>& syllables()
{
    static const QHash<QString, QString> table{
        {"C", "do"},   {"C#", "do#"},   {"Cb", "dob"},  {"D", "re"},  {"D#", "re#"},  {"Db", "reb"},
        {"E", "mi"},   {"E#", "mi#"},   {"Eb", "mib"},  {"F", "fa"},  {"F#", "fa#"},  {"Fb", "fab"},
        {"G", "Sol"},  {"G#", "Sol#"},  {"Gb", "Solb"}, {"A", "la"},  {"A#", "la#"},  {"Ab", "lab"},
        {"B", "si"},   {"B#", "si#"},   {"Bb", "sib"},
    };
    return table;
}

} // namespace

QVariantList ZTKeySignatureController::classTranslateItems(const QVariantList& items)
{
    static const QRegularExpression keyName(QStringLiteral("([A-Ga-g][#b]?)( major| minor)"));
    const QString nameType = ZTPreferences::sharedPreferences()->noteNamesType();
    QVariantList translated;
    translated.reserve(items.size());
    for (const QVariant& entry : items) {
        QVariantMap item = entry.toMap();
        const QString name = item.value(QStringLiteral("name")).toString();
        QString shown = name;
        for (auto it = keyName.globalMatch(name); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const QString key = match.captured(1);
            const QString mode = match.captured(2);
            if (nameType == QLatin1String(kNoteNameTypeSolomisation)) {
                if (syllables().contains(key))
                    shown.replace(key, syllables().value(key));
            } else if (nameType == QLatin1String(kNoteNameTypeTranslated)) {
                shown.replace(key, localized(key));
            }
            shown.replace(mode, localized(mode));
        }
        item.insert(QStringLiteral("translatedName"), QVNote::replaceSignsFromNoteName(shown));
        translated.append(item);
    }
    return translated;
}

QVariantList ZTKeySignatureController::translateItems(const QVariantList& items) const
{
    return classTranslateItems(items);
}

QString ZTKeySignatureController::testName() const
{
    return QStringLiteral("Key Signature recognition");
}

QString ZTKeySignatureController::questionString() const
{
    return localized(QStringLiteral("Which Key Signature is displayed in note view?"));
}

QString ZTKeySignatureController::questionSubString() const
{
    return localized(QStringLiteral("Choose the right key signature from the sidebar."));
}

QString ZTKeySignatureController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to show the next key signature."));
}

QString ZTKeySignatureController::practiceMessage() const
{
    return localized(QStringLiteral("Click on any item in the sidebar to see it"));
}

std::shared_ptr<ZTTest> ZTKeySignatureController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTKeySignature>(item);
}

void ZTKeySignatureController::showSignatureOf(const ZTTest* test)
{
    if (const auto* signature = dynamic_cast<const ZTKeySignature*>(test); signature && noteView())
        noteView()->showSignatureWithNr(signature->signatureNr());
}

void ZTKeySignatureController::playTest(const std::shared_ptr<ZTTest>& test)
{
    resetPlayButton();
    showSignatureOf(test.get());
    // Nothing plays, so the showing ends at once: the answer time starts now.
    announcePlaybackEnd();
}

void ZTKeySignatureController::resetMarks()
{
    ZTAbstractTestController::resetMarks();
    showSignatureOf(currentTest().get());
}
