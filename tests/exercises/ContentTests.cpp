// The bundle's exercise content checked as music: every item sounds like its name when the
// question model builds it, levels grow, progressions name their chords, key signatures
// match their keys and every setting's default suits the editor and the reader.
#include "Paths.h"
#include "PropertyList.h"
#include "QVNote.h"
#include "TestEnvironment.h"
#include "ZTChord.h"
#include "ZTChordController.h"
#include "ZTDataProvider.h"
#include "ZTInterval.h"
#include "ZTPitch.h"
#include "ZTPreferences.h"
#include "ZTScale.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

// ---- Theory, written down independently of the generator ----

const std::map<QString, int> kIntervalSemitones{
    {"Minor second", 1}, {"Major second", 2}, {"Minor third", 3}, {"Major third", 4},
    {"Perfect fourth", 5}, {"Tritone", 6}, {"Perfect fifth", 7}, {"Minor sixth", 8},
    {"Major sixth", 9}, {"Minor seventh", 10}, {"Major seventh", 11}, {"Octave", 12},
    {"Minor ninth", 13}, {"Major ninth", 14}, {"Minor tenth", 15}, {"Major tenth", 16},
    {"Perfect eleventh", 17}, {"Augmented eleventh", 18}, {"Perfect twelfth", 19},
    {"Minor thirteenth", 20}, {"Major thirteenth", 21}, {"Minor fourteenth", 22},
    {"Major fourteenth", 23}, {"Double octave", 24}};

// Letter distance of an interval name: "third" spans two letters, and so on.
int letterSpan(const QString& name)
{
    static const std::map<QString, int> ordinals{
        {"second", 1}, {"third", 2}, {"fourth", 3}, {"fifth", 4}, {"sixth", 5}, {"seventh", 6},
        {"Octave", 7}, {"ninth", 8}, {"tenth", 9}, {"eleventh", 10}, {"twelfth", 11},
        {"thirteenth", 12}, {"fourteenth", 13}, {"octave", 14}};
    if (name == QLatin1String("Tritone"))
        return 3; // spelled as an augmented fourth
    const auto it = ordinals.find(name.section(QLatin1Char(' '), -1));
    return it == ordinals.end() ? -1 : it->second;
}

// Semitones of each chord tone above the root, lowest first.
const std::map<QString, std::vector<int>> kChordFormulas{
    {"Major", {0, 4, 7}}, {"Minor", {0, 3, 7}}, {"Diminished", {0, 3, 6}}, {"Augmented", {0, 4, 8}},
    {"Suspended 2nd", {0, 2, 7}}, {"Suspended 4th", {0, 5, 7}}, {"Major 6th", {0, 4, 7, 9}},
    {"Minor 6th", {0, 3, 7, 9}}, {"Dominant 7th", {0, 4, 7, 10}}, {"Major 7th", {0, 4, 7, 11}},
    {"Minor 7th", {0, 3, 7, 10}}, {"Half-diminished 7th", {0, 3, 6, 10}},
    {"Diminished 7th", {0, 3, 6, 9}}, {"Minor-major 7th", {0, 3, 7, 11}},
    {"Augmented major 7th", {0, 4, 8, 11}}, {"Augmented 7th", {0, 4, 8, 10}},
    {"Dominant 7th sus4", {0, 5, 7, 10}}, {"Added 9th", {0, 4, 7, 14}},
    {"Minor added 9th", {0, 3, 7, 14}}, {"Major 6/9", {0, 4, 7, 9, 14}},
    {"Dominant 9th", {0, 4, 7, 10, 14}}, {"Major 9th", {0, 4, 7, 11, 14}},
    {"Minor 9th", {0, 3, 7, 10, 14}}, {"Dominant 7th flat 5", {0, 4, 6, 10}},
    {"Dominant 7th flat 9", {0, 4, 7, 10, 13}}, {"Dominant 7th sharp 9", {0, 4, 7, 10, 15}},
    {"Dominant 7th sharp 11", {0, 4, 7, 10, 18}}, {"Dominant 11th", {0, 7, 10, 14, 17}},
    {"Minor 11th", {0, 3, 10, 14, 17}}, {"Dominant 13th", {0, 4, 10, 14, 21}}};

// Semitone steps between neighbouring scale tones, up to the octave.
const std::map<QString, std::vector<int>> kScaleSteps{
    {"Major", {2, 2, 1, 2, 2, 2, 1}}, {"Natural minor", {2, 1, 2, 2, 1, 2, 2}},
    {"Harmonic minor", {2, 1, 2, 2, 1, 3, 1}}, {"Melodic minor", {2, 1, 2, 2, 2, 2, 1}},
    {"Dorian", {2, 1, 2, 2, 2, 1, 2}}, {"Phrygian", {1, 2, 2, 2, 1, 2, 2}},
    {"Lydian", {2, 2, 2, 1, 2, 2, 1}}, {"Mixolydian", {2, 2, 1, 2, 2, 1, 2}},
    {"Locrian", {1, 2, 2, 1, 2, 2, 2}}, {"Major pentatonic", {2, 2, 3, 2, 3}},
    {"Minor pentatonic", {3, 2, 2, 3, 2}}, {"Blues", {3, 2, 1, 1, 3, 2}},
    {"Major blues", {2, 1, 1, 3, 2, 3}}, {"Whole tone", {2, 2, 2, 2, 2, 2}},
    {"Diminished (whole-half)", {2, 1, 2, 1, 2, 1, 2, 1}},
    {"Diminished (half-whole)", {1, 2, 1, 2, 1, 2, 1, 2}},
    {"Chromatic", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}}, {"Harmonic major", {2, 2, 1, 2, 1, 3, 1}},
    {"Lydian dominant", {2, 2, 2, 1, 2, 1, 2}}, {"Altered", {1, 2, 1, 2, 2, 2, 2}},
    {"Phrygian dominant", {1, 3, 1, 2, 1, 2, 2}}, {"Hungarian minor", {2, 1, 3, 1, 1, 3, 1}},
    {"Double harmonic", {1, 3, 1, 2, 1, 3, 1}}, {"Bebop dominant", {2, 2, 1, 2, 2, 1, 1, 1}}};

const QString kLetters = QStringLiteral("CDEFGAB");
const int kNaturalSteps[] = {0, 2, 4, 5, 7, 9, 11};

// Key-signature pictures: 0 none, 1..7 sharps, 8..14 flats (7 + count).
QSet<QString> pictureAccidentals(int picture)
{
    QSet<QString> result;
    const bool flats = picture > 7;
    const int count = flats ? picture - 7 : picture;
    const QString order = flats ? QStringLiteral("BEADGCF") : QStringLiteral("FCGDAEB");
    for (int i = 0; i < count; ++i)
        result << order.mid(i, 1) + (flats ? "b" : "#");
    return result;
}

// The accidentals of a key's scale, spelled one letter per degree from its tonic.
QSet<QString> keyAccidentals(const QString& keyName)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^([A-G])(#|b)? (major|minor)$")).match(keyName);
    if (!m.hasMatch())
        return {QStringLiteral("unparsable")};
    const int letter = kLetters.indexOf(m.captured(1));
    const int tonic = kNaturalSteps[letter] + (m.captured(2) == "#" ? 1 : m.captured(2) == "b" ? -1 : 0);
    const std::vector<int> steps = kScaleSteps.at(m.captured(3) == "major" ? "Major" : "Natural minor");
    QSet<QString> result;
    int pitch = tonic;
    for (int degree = 0; degree < 7; ++degree) {
        const int l = (letter + degree) % 7;
        const int accidental = ((pitch - kNaturalSteps[l]) % 12 + 18) % 12 - 6;
        if (accidental != 0)
            result << kLetters.mid(l, 1) + QString(std::abs(accidental), accidental > 0 ? '#' : 'b');
        pitch += steps[degree];
    }
    return result;
}

// ---- Reading the bundle ----

QVariantList bundleTests()
{
    const auto plist = PropertyList::readFile(Paths::resource(QStringLiteral("Tests.plist")));
    return plist ? plist->toList() : QVariantList{};
}

QVariantMap exerciseNamed(const QVariantList& tests, const QString& name)
{
    for (const QVariant& test : tests)
        if (test.toMap().value("name").toString() == name)
            return test.toMap();
    return {};
}

QVariantList itemsOf(const QString& exercise) { return exerciseNamed(bundleTests(), exercise).value("items").toList(); }

class ContentTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The question model reads output settings from the shared store, which lives for
        // the process; give it a home of its own for as long.
        static std::unique_ptr<TestEnvironment> environment = std::make_unique<TestEnvironment>();
    }

    // The catalogue as the engine sees it, without custom items or levels.
    static std::unique_ptr<ZTDataProvider> catalogue()
    {
        auto none = [](const QString&) { return QVariantList{}; };
        auto provider = std::make_unique<ZTDataProvider>(ZTDataProvider::CustomListSource{none, none});
        provider->setup();
        return provider;
    }
};

// Semitones of a chord item's tones above its root, as the question model voices it.
std::vector<int> chordTones(const QVariantMap& item, qlonglong root, int inversion = 0)
{
    auto chord = ZTTest::create<ZTChord>(item);
    chord->setRootNoteNr(root);
    chord->setUserInfo(inversion);
    std::vector<int> tones;
    const auto collections = chord->noteCollectionObjects();
    if (!collections.isEmpty())
        for (const QVNote& note : collections.first().notes())
            tones.push_back(int(note.nr() - root));
    return tones;
}

std::set<int> pitchClasses(const std::vector<int>& tones)
{
    std::set<int> classes;
    for (int tone : tones)
        classes.insert((tone % 12 + 12) % 12);
    return classes;
}

// ---- Items sound like their names ----

TEST_F(ContentTest, IntervalsSpanTheirSizeAndLettersOverEveryRoot)
{
    const QVariantList items = itemsOf("Interval recognition");
    ASSERT_EQ(items.size(), int(kIntervalSemitones.size()));
    for (const QVariant& value : items) {
        const QVariantMap item = value.toMap();
        const QString name = item.value("name").toString();
        ASSERT_TRUE(kIntervalSemitones.count(name)) << qPrintable(name);
        for (qlonglong root = 48; root < 60; ++root) {
            auto interval = ZTTest::create<ZTInterval>(item);
            interval->setRootNoteNr(root);
            const auto notes = interval->noteCollectionObjects();
            ASSERT_EQ(notes.size(), 2) << qPrintable(name);
            const QVNote low = *notes[0].firstNote();
            const QVNote high = *notes[1].firstNote();
            EXPECT_EQ(low.nr(), root);
            EXPECT_EQ(high.nr() - low.nr(), kIntervalSemitones.at(name)) << qPrintable(name) << " on " << root;
            EXPECT_EQ((7 * high.octave() + high.pos()) - (7 * low.octave() + low.pos()), letterSpan(name))
                << qPrintable(name) << " on " << root;
            EXPECT_LE(std::abs(high.offset()), 2) << qPrintable(name) << " on " << root;
        }
    }
}

TEST_F(ContentTest, ChordsHoldTheirFormulaInEveryInversion)
{
    const QVariantList items = itemsOf("Chord recognition");
    ASSERT_EQ(items.size(), int(kChordFormulas.size()));
    for (const QVariant& value : items) {
        const QVariantMap item = value.toMap();
        const QString name = item.value("name").toString();
        ASSERT_TRUE(kChordFormulas.count(name)) << qPrintable(name);
        const std::vector<int> formula = kChordFormulas.at(name);
        // Inversions are answered by name, and names exist for three to five tones only.
        EXPECT_TRUE(formula.size() >= 3 && formula.size() <= 5) << qPrintable(name);
        for (qlonglong root = 48; root < 60; ++root) {
            EXPECT_EQ(chordTones(item, root), formula) << qPrintable(name) << " on " << root;
        }

        // Inversion k puts tone k in the bass, below every other tone however wide the chord,
        // and keeps the chord's pitch classes; chords within an octave stay in close position
        // above that bass.
        for (int k = 1; k < int(formula.size()); ++k) {
            const std::vector<int> inverted = chordTones(item, 60, k);
            ASSERT_FALSE(inverted.empty());
            EXPECT_EQ(inverted.front(), formula[k]) << qPrintable(name) << " inversion " << k;
            EXPECT_LT(inverted.front(), *std::min_element(inverted.begin() + 1, inverted.end()))
                << qPrintable(name) << " inversion " << k << ": the bass is not the lowest note";
            EXPECT_EQ(pitchClasses(inverted), pitchClasses(formula)) << qPrintable(name);
            if (formula.back() < 12) {
                EXPECT_TRUE(std::is_sorted(inverted.begin(), inverted.end()) && inverted.back() - inverted.front() < 12)
                    << qPrintable(name) << " inversion " << k;
            }
        }

        // Each inversion is titled by the tone in its bass. In a chord stacked in thirds
        // (degrees 1 3 5 7 9 11 13, some perhaps left out) the n-th inversion has the degree
        // 2n + 1 in the bass, whichever tones sound; other chords count their tones.
        QList<int> degrees;
        for (const QVariant& step : item.value("definition").toList())
            degrees << step.toMap().value("notes").toList().value(0).toMap().value("pos").toInt();
        const bool stackedInThirds = std::all_of(degrees.begin(), degrees.end(), [](int d) { return d % 2 == 1; });
        const QStringList titles = ZTChordController::inversionTitlesForItem(item);
        ASSERT_EQ(titles.size(), degrees.size()) << qPrintable(name);
        for (int k = 0; k < int(degrees.size()); ++k) {
            const int number = stackedInThirds ? (degrees[k] - 1) / 2 : k;
            EXPECT_EQ(titles[k], number == 0 ? QString("Root position") : QStringLiteral("%1. Inversion").arg(number))
                << qPrintable(name) << ", tone " << k << " (degree " << degrees[k] << ") in the bass";
        }

        // The progression editor tells a minor chord by a minor third as its second tone.
        const QVariantMap second = item.value("definition").toList().value(1).toMap()
                                       .value("notes").toList().value(0).toMap();
        const bool minorThird = pitchClasses(formula).count(3) && !pitchClasses(formula).count(4);
        EXPECT_EQ(second.value("pos").toInt() == 3 && second.value("off").toInt() == -1, minorThird) << qPrintable(name);
    }
}

TEST_F(ContentTest, ChordIdsAreUniqueWithTheMajorTriadUnnamed)
{
    QSet<QString> ids;
    QSet<QString> names;
    for (const QVariant& value : itemsOf("Chord recognition")) {
        const QVariantMap item = value.toMap();
        ASSERT_TRUE(item.contains("chordId"));
        EXPECT_FALSE(ids.contains(item.value("chordId").toString())) << qPrintable(item.value("chordId").toString());
        ids << item.value("chordId").toString();
        names << item.value("name").toString();
        if (item.value("name") == "Major") {
            EXPECT_EQ(item.value("chordId").toString(), QString());
        }
    }
    EXPECT_TRUE(names.contains("Augmented") && names.contains("Diminished 7th"));
}

TEST_F(ContentTest, ScalesClimbByTheirStepPatternAndTurnAroundWhenDescending)
{
    const QVariantList items = itemsOf("Scale recognition");
    ASSERT_EQ(items.size(), int(kScaleSteps.size()));
    for (const QVariant& value : items) {
        const QVariantMap item = value.toMap();
        const QString name = item.value("name").toString();
        ASSERT_TRUE(kScaleSteps.count(name)) << qPrintable(name);
        for (qlonglong root = 48; root < 60; ++root) {
            auto scale = ZTTest::create<ZTScale>(item);
            scale->setRootNoteNr(root);
            const auto notes = scale->noteCollectionObjects();
            std::vector<int> steps;
            for (int i = 1; i < notes.size(); ++i)
                steps.push_back(int(notes[i].firstNote()->nr() - notes[i - 1].firstNote()->nr()));
            EXPECT_EQ(steps, kScaleSteps.at(name)) << qPrintable(name) << " on " << root;
            for (const auto& collection : notes) {
                EXPECT_LE(std::abs(collection.firstNote()->offset()), 2) << qPrintable(name) << " on " << root;
            }
            if (name == "Blues") {
                // The blue note is a flattened fifth, written on the fifth's letter.
                const QVNote flatFifth = *notes[3].firstNote();
                const QVNote fifth = *notes[4].firstNote();
                EXPECT_EQ(flatFifth.letter(), fifth.letter()) << "on " << root;
                EXPECT_EQ(fifth.offset() - flatFifth.offset(), 1) << "on " << root;
            }
            scale->setDescending(true);
            EXPECT_EQ(scale->noteCollectionObjects().first().firstNote()->nr(), root + 12) << qPrintable(name);
        }
    }
}

TEST_F(ContentTest, PitchItemsAreNamedAfterTheirNoteAndGroupedByRegister)
{
    for (const QString exercise : {"Pitch recognition", "Music Reading"}) {
        const QVariantMap test = exerciseNamed(bundleTests(), exercise);
        std::map<QString, std::pair<qlonglong, qlonglong>> registers; // group -> lowest, highest
        for (const QVariant& value : test.value("items").toList()) {
            const QVariantMap item = value.toMap();
            auto pitch = ZTTest::create<ZTPitch>(item);
            ASSERT_TRUE(pitch->noteNr().has_value()) << qPrintable(item.value("name").toString());
            const qlonglong nr = *pitch->noteNr();
            EXPECT_TRUE(nr >= 21 && nr <= 108) << nr; // on a piano
            const QVNote note = *pitch->noteCollectionObjects().first().firstNote();
            QString spelled = note.nameWithSpellingType("MIDI", "International");
            spelled.replace(QChar(0x266F), "#").replace(QChar(0x266D), "b");
            EXPECT_EQ(spelled, item.value("name").toString());
            auto& range = registers.try_emplace(item.value("group").toString(), nr, nr).first->second;
            range = {std::min(range.first, nr), std::max(range.second, nr)};
        }
        // Registers do not overlap: each group's highest note lies below the next group's lowest.
        std::vector<std::pair<qlonglong, qlonglong>> ordered;
        for (const QVariant& group : test.value("groups").toList())
            ordered.push_back(registers.at(group.toMap().value("id").toString()));
        for (size_t i = 1; i < ordered.size(); ++i) {
            EXPECT_LT(ordered[i - 1].second, ordered[i].first) << qPrintable(exercise);
        }
    }
}

TEST_F(ContentTest, KeySignaturePicturesShowTheAccidentalsOfTheirKey)
{
    const QVariantList items = itemsOf("Key Signature recognition");
    EXPECT_EQ(items.size(), 30); // 15 major and 15 minor keys, up to seven sharps or flats
    QSet<int> pictures;
    for (const QVariant& value : items) {
        const QVariantMap item = value.toMap();
        const int picture = item.value("definition").toInt();
        ASSERT_TRUE(picture >= 0 && picture <= 14) << picture;
        pictures << picture;
        EXPECT_EQ(keyAccidentals(item.value("name").toString()), pictureAccidentals(picture))
            << qPrintable(item.value("name").toString());
    }
    EXPECT_EQ(pictures.size(), 15);
}

TEST_F(ContentTest, TemposMatchTheirNamesAndLevelsGoFromCoarseToFine)
{
    std::map<int, std::set<int>> byLevel;
    for (const QVariant& value : itemsOf("Tempo recognition")) {
        const QVariantMap item = value.toMap();
        const int bpm = item.value("definition").toInt();
        EXPECT_EQ(item.value("name").toString(), QStringLiteral("%1 BPM").arg(bpm));
        EXPECT_TRUE(bpm >= 40 && bpm <= 208) << bpm;
        for (int level = item.value("level").toInt(); level < 4; ++level)
            byLevel[level].insert(bpm);
    }
    // The closest neighbours of a level are never closer than those of the next level.
    double previous = 10.0;
    for (const auto& [level, tempos] : byLevel) {
        double closest = 10.0;
        for (auto it = std::next(tempos.begin()); it != tempos.end(); ++it)
            closest = std::min(closest, double(*it) / *std::prev(it));
        EXPECT_LE(closest, previous) << "level " << level;
        if (level == 0) {
            EXPECT_GE(closest, 1.25); // far enough apart for a beginner
        }
        previous = closest;
    }
}

// ---- Progressions ----

// Roman numeral, then an optional chord symbol: "ii7", "V7", "Imaj7", "viiø7", "VI".
TEST_F(ContentTest, ProgressionNamesMatchTheirChordsAndStayInTheKey)
{
    const QVariantList chords = itemsOf("Chord recognition");
    auto chordWithId = [&](const QString& id) {
        for (const QVariant& chord : chords)
            if (chord.toMap().value("chordId").toString() == id)
                return chord.toMap();
        return QVariantMap{};
    };
    const QStringList numerals{"vii", "vi", "v", "iv", "iii", "ii", "i"};
    const std::vector<int> major = {0, 2, 4, 5, 7, 9, 11};
    const std::vector<int> minor = {0, 2, 3, 5, 7, 8, 10};
    const std::set<int> majorKey{0, 2, 4, 5, 7, 9, 11};
    const std::set<int> minorKey{0, 2, 3, 5, 7, 8, 10, 11}; // natural and harmonic minor
    const std::map<QString, std::vector<int>> qualities{
        {"M", {0, 4, 7}}, {"M7", {0, 4, 7, 10}}, {"Mmaj7", {0, 4, 7, 11}},
        {"m", {0, 3, 7}}, {"m7", {0, 3, 7, 10}}, {"mø7", {0, 3, 6, 10}}};

    const QVariantList items = itemsOf("Chord progressions");
    ASSERT_FALSE(items.isEmpty());
    for (const QVariant& value : items) {
        const QVariantMap item = value.toMap();
        const QString name = item.value("name").toString();
        const bool isMinor = item.value("isMinor").toBool();
        const QStringList symbols = name.split(" - ");
        const QVariantList steps = item.value("definition").toList();
        ASSERT_EQ(symbols.size(), steps.size()) << qPrintable(name);
        EXPECT_TRUE(steps.size() >= 2 && steps.size() <= 8) << qPrintable(name);
        for (int i = 0; i < steps.size(); ++i) {
            const QVariantMap step = steps[i].toMap();
            const QVariantMap chord = chordWithId(step.value("chordId").toString());
            ASSERT_FALSE(chord.isEmpty()) << qPrintable(name) << ": no chord " << qPrintable(step.value("chordId").toString());
            const QString lower = symbols[i].toLower();
            const auto numeral = std::find_if(numerals.begin(), numerals.end(),
                                              [&](const QString& n) { return lower.startsWith(n); });
            ASSERT_NE(numeral, numerals.end()) << qPrintable(name);
            const int degree = 6 - int(numeral - numerals.begin());
            const bool upper = symbols[i].at(0).isUpper();
            const QString quality = (upper ? "M" : "m") + symbols[i].mid(numeral->size());
            ASSERT_TRUE(qualities.count(quality)) << qPrintable(name) << " " << qPrintable(symbols[i]);

            const int root = step.value("step").toInt();
            EXPECT_EQ(root, (isMinor ? minor : major)[degree]) << qPrintable(name) << " " << qPrintable(symbols[i]);
            const std::vector<int> tones = chordTones(chord, 60 + root);
            EXPECT_EQ(tones, qualities.at(quality)) << qPrintable(name) << " " << qPrintable(symbols[i]);
            for (int pc : pitchClasses(tones)) {
                EXPECT_TRUE((isMinor ? minorKey : majorKey).count((pc + root) % 12))
                    << qPrintable(name) << " " << qPrintable(symbols[i]) << " leaves the key";
            }
        }
    }
}

// ---- Catalogue: levels, groups, settings ----

TEST_F(ContentTest, ExercisesCarryTheNamesAndClassesTheEngineLooksFor)
{
    const std::vector<std::pair<QString, QString>> expected{
        {"Interval recognition", "ZTInterval"}, {"Scale recognition", "ZTScale"},
        {"Chord recognition", "ZTChord"}, {"Pitch recognition", "ZTPitch"}, {"Music Reading", "ZTMusicRead"},
        {"Interval music reading", "ZTIntervalMusicRead"}, {"Chord music reading", "ZTChordMusicRead"},
        {"Scale music reading", "ZTScaleMusicRead"}, {"Chord progressions", "ZTChordProgression"},
        {"Tempo recognition", "ZTBPM"}, {"Key Signature recognition", "ZTKeySignature"},
        {"Melodies", "ZTMelodies"}, {"Melody music reading", "ZTMelodiesMusicRead"}};
    const auto provider = catalogue();
    EXPECT_EQ(provider->testNames().size(), int(expected.size()));
    EXPECT_EQ(provider->testNames().value(0), "Interval recognition"); // the first-run exercise
    for (const auto& [name, cls] : expected) {
        EXPECT_EQ(provider->controllerClassNameForTestWithName(name), cls + "Controller") << qPrintable(name);
        const bool staff = name.contains("eading") || name.startsWith("Key Signature");
        EXPECT_EQ(provider->questionTypeForTestWithName(name) == "staff", staff) << qPrintable(name);
    }
    // The reading variants ask the items of their recognition exercise.
    EXPECT_EQ(provider->testWithName("Chord music reading").value("items"),
              provider->testWithName("Chord recognition").value("items"));
}

TEST_F(ContentTest, LevelsAreCumulativeAndNameExistingItems)
{
    const auto provider = catalogue();
    const QStringList scales = provider->exerciseNamesForTestWithName("Scale recognition");
    for (const QString& name : provider->testNames()) {
        const QStringList own = provider->exerciseNamesForTestWithName(name);
        const QVariantList levels = provider->levels().value(name).toList();
        ASSERT_FALSE(levels.isEmpty()) << qPrintable(name);
        QStringList previous;
        for (int i = 0; i < levels.size(); ++i) {
            const QVariantMap level = levels[i].toMap();
            const QStringList items = level.value("items").toStringList();
            EXPECT_EQ(level.value("id").toString(), QStringLiteral("int_%1").arg(i));
            EXPECT_FALSE(items.isEmpty()) << qPrintable(name) << " level " << i;
            for (const QString& item : items) {
                EXPECT_TRUE(own.contains(item) || scales.contains(item)) << qPrintable(name) << ": " << qPrintable(item);
            }
            if (own.isEmpty()) { // melodies: levels grow in length instead of items
                const QVariantMap data = level.value("additionalData").toMap();
                EXPECT_GE(data.value("numTones").toInt(), 2) << qPrintable(name);
                EXPECT_GE(data.value("octaves").toInt(), 1) << qPrintable(name);
                continue;
            }
            for (const QString& item : previous) {
                EXPECT_TRUE(items.contains(item)) << qPrintable(name) << " level " << i << " drops " << qPrintable(item);
            }
            EXPECT_GT(items.size(), previous.size()) << qPrintable(name) << " level " << i << " adds nothing";
            previous = items;
        }
        if (!own.isEmpty()) {
            EXPECT_EQ(QSet<QString>(previous.begin(), previous.end()), QSet<QString>(own.begin(), own.end()))
                << qPrintable(name) << ": the last level must hold every item";
        }
    }
}

TEST_F(ContentTest, EverySettingTheEngineReadsHasADefaultItsEditorAndReaderAccept)
{
    const std::map<QString, QMetaType::Type> readerTypes{
        {"level", QMetaType::QString}, {"answerTime", QMetaType::QString}, {"numTryouts", QMetaType::QString},
        {"basenote", QMetaType::QString}, {"playmode", QMetaType::QString}, {"descending", QMetaType::LongLong},
        {"numberOfBeats", QMetaType::LongLong}, {"tempo", QMetaType::LongLong}, {"length", QMetaType::Double},
        {"showNoteNames", QMetaType::Bool}, {"showfirstnote", QMetaType::Bool},
        {"shouldPlaySelectedItem", QMetaType::Bool}, {"useChordInversions", QMetaType::Bool},
        {"rootNoteNaturalOrder", QMetaType::Bool}};
    const QStringList answerTimes{"Unlimited", "1 sec", "2 sec", "3 sec", "4 sec", "5 sec", "6 sec", "7 sec",
                                  "8 sec", "9 sec", "10 sec", "15 sec", "20 sec", "30 sec", "40 sec", "50 sec", "1 min"};
    // What each kind of exercise reads beyond level, answer time and tries.
    const std::map<QString, QStringList> needs{
        {"ZTInterval", {"basenote", "descending", "playmode", "tempo"}},
        {"ZTScale", {"basenote", "descending", "playmode", "tempo"}},
        {"ZTChord", {"basenote", "descending", "playmode", "tempo", "useChordInversions"}},
        {"ZTIntervalMusicRead", {"basenote", "descending"}}, {"ZTScaleMusicRead", {"basenote", "descending"}},
        {"ZTChordMusicRead", {"basenote", "descending", "useChordInversions"}},
        {"ZTChordProgression", {"basenote", "tempo", "length", "useChordInversions", "rootNoteNaturalOrder"}},
        {"ZTPitch", {"length"}}, {"ZTBPM", {"numberOfBeats"}}, {"ZTMelodies", {"basenote", "playmode", "tempo"}},
        {"ZTMelodiesMusicRead", {"basenote"}}};

    for (const QVariant& value : bundleTests()) {
        const QVariantMap test = value.toMap();
        const QString exercise = test.value("name").toString();
        QStringList present;
        for (const QVariant& record : test.value("settings").toList()) {
            const QVariantMap setting = record.toMap();
            const QString name = setting.value("name").toString();
            const QVariant def = setting.value("default");
            const QString where = exercise + "." + name;
            present << name;
            EXPECT_EQ(setting.value("parent").toString(), exercise) << qPrintable(where);
            ASSERT_TRUE(readerTypes.count(name)) << "nothing reads " << qPrintable(where);
            EXPECT_EQ(def.typeId(), int(readerTypes.at(name))) << qPrintable(where);
            const QString type = setting.value("type").toString();
            if (type == "select") {
                EXPECT_TRUE(setting.value("values").toStringList().contains(def.toString())) << qPrintable(where);
            }
            if (name == "answerTime") {
                for (const QString& title : setting.value("values").toStringList())
                    EXPECT_TRUE(answerTimes.contains(title)) << qPrintable(where + ": " + title);
            }
            if (name == "numTryouts") {
                for (const QString& tries : setting.value("values").toStringList())
                    EXPECT_GE(tries.toInt(), 1) << qPrintable(where);
            }
            if (name == "playmode") {
                std::set<qlonglong> modes;
                for (const QString& mode : setting.value("values").toStringList())
                    modes.insert(ZTMusicalTest::playModeForString(mode));
                EXPECT_EQ(int(modes.size()), setting.value("values").toList().size()) << "two titles, one mode: " << qPrintable(where);
            }
            if (type == "noteRange") {
                const QStringList parts = def.toString().split(',');
                ASSERT_EQ(parts.size(), 2) << qPrintable(where);
                EXPECT_TRUE(24 <= parts[0].toInt() && parts[0].toInt() <= parts[1].toInt() && parts[1].toInt() <= 103)
                    << qPrintable(where);
            }
            if (type == "randomBool") {
                EXPECT_TRUE(def.toInt() >= 0 && def.toInt() <= 2) << qPrintable(where);
            }
            if (type == "slider") {
                EXPECT_TRUE(setting.value("min").toDouble() <= def.toDouble() && def.toDouble() <= setting.value("max").toDouble())
                    << qPrintable(where);
            }
            if (name == "level" && setting.contains("additionalData")) {
                EXPECT_EQ(setting.value("additionalData").toList().size(), setting.value("values").toList().size());
            }
        }
        QStringList required{"level", "answerTime", "numTryouts"};
        const auto extra = needs.find(test.value("class").toString());
        if (extra != needs.end())
            required += extra->second;
        for (const QString& name : required) {
            EXPECT_TRUE(present.contains(name)) << qPrintable(exercise) << " lacks " << qPrintable(name);
        }
        EXPECT_EQ(QSet<QString>(present.begin(), present.end()).size(), present.size()) << qPrintable(exercise);
    }
}

// The settings store turns the defaults into what the engine's accessors read.
TEST_F(ContentTest, SettingsStoreReadsUsableDefaultsForEveryExercise)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const auto provider = catalogue();
    for (const QString& name : provider->testNames()) {
        const QString level = prefs->stringForKey("level", name);
        EXPECT_EQ(level, "int_0") << qPrintable(name);
        EXPECT_TRUE(provider->isLevel(level, name)) << qPrintable(name);
        EXPECT_GE(prefs->stringForKey("numTryouts", name).toInt(), 1) << qPrintable(name);
        EXPECT_FALSE(prefs->stringForKey("answerTime", name).isEmpty()) << qPrintable(name);
    }
    for (const QString name : {"Interval recognition", "Chord recognition", "Scale recognition", "Chord progressions",
                               "Melodies", "Interval music reading", "Chord music reading", "Scale music reading",
                               "Melody music reading"}) {
        const QStringList range = prefs->stringForKey("basenote", name).split(',');
        ASSERT_EQ(range.size(), 2) << qPrintable(name);
        EXPECT_LE(range[0].toInt(), range[1].toInt()) << qPrintable(name);
    }
    for (const QString name : {"Interval recognition", "Chord recognition", "Scale recognition", "Chord progressions", "Melodies"}) {
        EXPECT_GE(prefs->numberForKey("tempo", name).toInt(), 40) << qPrintable(name); // 0 would stop the sequence
    }
    EXPECT_GE(prefs->floatForKey("length", "Pitch recognition"), 1.0f);
    EXPECT_GE(prefs->floatForKey("length", "Chord progressions"), 1.0f);
    EXPECT_GE(prefs->integerForKey("numberOfBeats", "Tempo recognition"), 2);
    EXPECT_EQ(ZTMusicalTest::playModeForString(prefs->stringForKey("playmode", "Chord recognition")),
              ZTMusicalTest::Together); // chords sound as chords
}

TEST_F(ContentTest, ShownNamesHaveStringTableEntries)
{
    QFile file(Paths::resource(QStringLiteral("strings/en.json")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
    auto expectEntry = [&](const QString& key, const QString& where) {
        EXPECT_TRUE(table.contains(key)) << qPrintable(where) << ": " << qPrintable(key);
    };
    for (const QVariant& value : bundleTests()) {
        const QVariantMap test = value.toMap();
        const QString exercise = test.value("name").toString();
        expectEntry(exercise, "exercise");
        for (const QVariant& group : test.value("groups").toList())
            expectEntry(group.toMap().value("name").toString(), exercise);
        for (const QVariant& setting : test.value("settings").toList()) {
            expectEntry(setting.toMap().value("name").toString(), exercise);
            for (const QString& title : setting.toMap().value("values").toStringList())
                expectEntry(title, exercise);
        }
        // Notes are named by the note model; keys by their letter and mode word.
        const QString cls = test.value("class").toString();
        if (cls != "ZTPitch" && cls != "ZTMusicRead" && cls != "ZTKeySignature")
            for (const QVariant& item : test.value("items").toList())
                expectEntry(item.toMap().value("name").toString(), exercise);
    }
    expectEntry(" major", "key names");
    expectEntry(" minor", "key names");
}

} // namespace
