// The classes of this library that the engine finds by name. Each kind of question (and,
// once they exist, each exercise controller) adds its line here; explicit registration
// keeps the linker from dropping classes that nothing names directly.
#include "ZTClassRegistry.h"

#include "ZTChord.h"
#include "ZTInterval.h"
#include "ZTMusicRead.h"
#include "ZTPitch.h"
#include "ZTScale.h"

namespace {

template <typename T>
ZTQuestionClass questionClassOf()
{
    return ZTQuestionClass{[](const QVariantMap& item) -> std::unique_ptr<ZTTest> {
        return ZTTest::create<T>(item);
    }};
}

} // namespace

void ZTClassRegistry::registerBuiltInClasses(ZTClassRegistry& registry)
{
    registry.registerQuestionClass(QStringLiteral("ZTInterval"), questionClassOf<ZTInterval>());
    registry.registerQuestionClass(QStringLiteral("ZTScale"), questionClassOf<ZTScale>());
    registry.registerQuestionClass(QStringLiteral("ZTChord"), questionClassOf<ZTChord>());
    registry.registerQuestionClass(QStringLiteral("ZTPitch"), questionClassOf<ZTPitch>());
    registry.registerQuestionClass(QStringLiteral("ZTMusicRead"), questionClassOf<ZTMusicRead>());
    // Still to come, each a question kind of its own: ZTIntervalMusicRead, ZTScaleMusicRead,
    // ZTChordMusicRead, ZTChordProgression, ZTBPM, ZTKeySignature, ZTMelodies,
    // ZTMelodiesMusicRead; and the controllers ("<class>Controller") with
    // registerControllerClass.
}
