#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <functional>
#include <memory>

class ZTTest;
class ZTAbstractTestController;
class ZTExamsController;

// What the engine knows of a question class by its catalogue name ("class" of an
// exercise): how to make one from an item. Class-level operations of question kinds
// that differ per class go here beside the factory.
struct ZTQuestionClass {
    std::function<std::unique_ptr<ZTTest>(const QVariantMap& item)> create;
};

// What the engine knows of an exercise controller class by name ("class" + "Controller"):
// how to make one for a level index (with or without an exam runner) and its class-level
// item translation, which the preferences window reaches without an instance.
struct ZTControllerClass {
    std::function<std::unique_ptr<ZTAbstractTestController>(qlonglong levelIndex,
                                                            ZTExamsController* examsController)>
        create;
    std::function<QVariantList(const QVariantList& items)> translateItems;
};

// The one table of classes the engine finds by name. The question classes of this
// library are registered when the table is first used; controller classes are added by
// whoever defines them. A name that maps to nothing gives no object.
class ZTClassRegistry {
public:
    static ZTClassRegistry* sharedRegistry();

    // An empty table (tests); the shared one starts with the built-in classes.
    ZTClassRegistry() = default;
    ZTClassRegistry(const ZTClassRegistry&) = delete;
    ZTClassRegistry& operator=(const ZTClassRegistry&) = delete;

    // A later registration under the same name replaces the earlier one.
    void registerQuestionClass(const QString& name, ZTQuestionClass questionClass);
    void registerQuestionClass(const QString& name,
                               std::function<std::unique_ptr<ZTTest>(const QVariantMap&)> factory);
    const ZTQuestionClass* questionClass(const QString& name) const;
    QStringList questionClassNames() const;
    // A new, fully initialised question of the named class; null for an unknown name.
    std::unique_ptr<ZTTest> createQuestion(const QString& name, const QVariantMap& item) const;

    void registerControllerClass(const QString& name, ZTControllerClass controllerClass);
    bool hasControllerClass(const QString& name) const;
    // Null for an unknown name; the caller calls `create` where the controller type is known.
    const ZTControllerClass* controllerClass(const QString& name) const;

    // Registers the question classes this library defines (done once for the shared table).
    static void registerBuiltInClasses(ZTClassRegistry& registry);

private:
    QHash<QString, ZTQuestionClass> questionClasses_;
    QHash<QString, ZTControllerClass> controllerClasses_;
};
