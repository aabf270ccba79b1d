#include "ZTClassRegistry.h"

#include "ZTTest.h"

#include <algorithm>

ZTClassRegistry* ZTClassRegistry::sharedRegistry()
{
    // Registration only touches the new table, never the accessor, so no cycle.
    static const std::unique_ptr<ZTClassRegistry> shared = [] {
        auto registry = std::make_unique<ZTClassRegistry>();
        registerBuiltInClasses(*registry);
        return registry;
    }();
    return shared.get();
}

void ZTClassRegistry::registerQuestionClass(const QString& name, ZTQuestionClass questionClass)
{
    questionClasses_.insert(name, std::move(questionClass));
}

void ZTClassRegistry::registerQuestionClass(
    const QString& name, std::function<std::unique_ptr<ZTTest>(const QVariantMap&)> factory)
{
    registerQuestionClass(name, ZTQuestionClass{std::move(factory)});
}

const ZTQuestionClass* ZTClassRegistry::questionClass(const QString& name) const
{
    auto it = questionClasses_.constFind(name);
    return it == questionClasses_.cend() ? nullptr : &it.value();
}

QStringList ZTClassRegistry::questionClassNames() const
{
    QStringList names = questionClasses_.keys();
    std::sort(names.begin(), names.end());
    return names;
}

std::unique_ptr<ZTTest> ZTClassRegistry::createQuestion(const QString& name, const QVariantMap& item) const
{
    const ZTQuestionClass* entry = questionClass(name);
    if (!entry || !entry->create)
        return nullptr;
    return entry->create(item);
}

void ZTClassRegistry::registerControllerClass(const QString& name, ZTControllerClass controllerClass)
{
    controllerClasses_.insert(name, std::move(controllerClass));
}

bool ZTClassRegistry::hasControllerClass(const QString& name) const
{
    return controllerClasses_.contains(name);
}

const ZTControllerClass* ZTClassRegistry::controllerClass(const QString& name) const
{
    auto it = controllerClasses_.constFind(name);
    return it == controllerClasses_.cend() ? nullptr : &it.value();
}
