// The classes of this library that the engine finds by name. Each kind of question and each
// exercise controller adds its line here; explicit registration keeps the linker from
// dropping classes that nothing names directly.
#include "ZTClassRegistry.h"

#include "ZTBPM.h"
#include "ZTBPMController.h"
#include "ZTChord.h"
#include "ZTChordController.h"
#include "ZTChordMusicRead.h"
#include "ZTChordMusicReadController.h"
#include "ZTChordProgression.h"
#include "ZTChordProgressionController.h"
#include "ZTInterval.h"
#include "ZTIntervalController.h"
#include "ZTIntervalMusicRead.h"
#include "ZTIntervalMusicReadController.h"
#include "ZTKeySignature.h"
#include "ZTKeySignatureController.h"
#include "ZTMelodies.h"
#include "ZTMelodiesController.h"
#include "ZTMelodiesMusicRead.h"
#include "ZTMelodiesMusicReadController.h"
#include "ZTMusicRead.h"
#include "ZTMusicReadController.h"
#include "ZTPitch.h"
#include "ZTPitchController.h"
#include "ZTScale.h"
#include "ZTScaleController.h"
#include "ZTScaleMusicRead.h"
#include "ZTScaleMusicReadController.h"

namespace {

template <typename T>
ZTQuestionClass questionClassOf()
{
    return ZTQuestionClass{[](const QVariantMap& item) -> std::unique_ptr<ZTTest> {
        return ZTTest::create<T>(item);
    }};
}

template <typename T>
ZTControllerClass controllerClassOf(std::function<QVariantList(const QVariantList&)> translateItems =
                                        &ZTAbstractTestController::classTranslateItems)
{
    return ZTControllerClass{
        [](qlonglong levelIndex, ZTExamsController* examsController) -> std::unique_ptr<ZTAbstractTestController> {
            return ZTAbstractTestController::create<T>(levelIndex, examsController);
        },
        std::move(translateItems)};
}

QVariantList translatePitchItems(const QVariantList& items)
{
    return ZTPitchController::translateItems(items, nullptr);
}

} // namespace

void ZTClassRegistry::registerBuiltInClasses(ZTClassRegistry& registry)
{
    registry.registerQuestionClass(QStringLiteral("ZTInterval"), questionClassOf<ZTInterval>());
    registry.registerQuestionClass(QStringLiteral("ZTScale"), questionClassOf<ZTScale>());
    registry.registerQuestionClass(QStringLiteral("ZTChord"), questionClassOf<ZTChord>());
    registry.registerQuestionClass(QStringLiteral("ZTPitch"), questionClassOf<ZTPitch>());
    registry.registerQuestionClass(QStringLiteral("ZTMusicRead"), questionClassOf<ZTMusicRead>());
    registry.registerQuestionClass(QStringLiteral("ZTIntervalMusicRead"), questionClassOf<ZTIntervalMusicRead>());
    registry.registerQuestionClass(QStringLiteral("ZTScaleMusicRead"), questionClassOf<ZTScaleMusicRead>());
    registry.registerQuestionClass(QStringLiteral("ZTChordMusicRead"), questionClassOf<ZTChordMusicRead>());
    registry.registerQuestionClass(QStringLiteral("ZTChordProgression"), questionClassOf<ZTChordProgression>());
    registry.registerQuestionClass(QStringLiteral("ZTBPM"), questionClassOf<ZTBPM>());
    registry.registerQuestionClass(QStringLiteral("ZTKeySignature"), questionClassOf<ZTKeySignature>());
    registry.registerQuestionClass(QStringLiteral("ZTMelodies"), questionClassOf<ZTMelodies>());
    registry.registerQuestionClass(QStringLiteral("ZTMelodiesMusicRead"), questionClassOf<ZTMelodiesMusicRead>());

    // Controllers, found as the exercise's "class" followed by "Controller".
    registry.registerControllerClass(QStringLiteral("ZTIntervalController"), controllerClassOf<ZTIntervalController>());
    registry.registerControllerClass(QStringLiteral("ZTScaleController"), controllerClassOf<ZTScaleController>());
    registry.registerControllerClass(QStringLiteral("ZTChordController"), controllerClassOf<ZTChordController>());
    registry.registerControllerClass(QStringLiteral("ZTPitchController"),
                                     controllerClassOf<ZTPitchController>(translatePitchItems));
    registry.registerControllerClass(QStringLiteral("ZTMusicReadController"),
                                     controllerClassOf<ZTMusicReadController>(translatePitchItems));
    registry.registerControllerClass(QStringLiteral("ZTIntervalMusicReadController"),
                                     controllerClassOf<ZTIntervalMusicReadController>());
    registry.registerControllerClass(QStringLiteral("ZTScaleMusicReadController"),
                                     controllerClassOf<ZTScaleMusicReadController>());
    registry.registerControllerClass(QStringLiteral("ZTChordMusicReadController"),
                                     controllerClassOf<ZTChordMusicReadController>());
    registry.registerControllerClass(QStringLiteral("ZTChordProgressionController"),
                                     controllerClassOf<ZTChordProgressionController>());
    registry.registerControllerClass(QStringLiteral("ZTBPMController"), controllerClassOf<ZTBPMController>());
    registry.registerControllerClass(QStringLiteral("ZTKeySignatureController"),
                                     controllerClassOf<ZTKeySignatureController>(
                                         &ZTKeySignatureController::classTranslateItems));
    registry.registerControllerClass(QStringLiteral("ZTMelodiesController"), controllerClassOf<ZTMelodiesController>());
    registry.registerControllerClass(QStringLiteral("ZTMelodiesMusicReadController"),
                                     controllerClassOf<ZTMelodiesMusicReadController>());
}
