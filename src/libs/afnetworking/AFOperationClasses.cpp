#include "AFOperationClasses.h"

#include "AFHTTPRequestOperation.h"
#include "AFTypedRequestOperations.h"

#include <QMap>

#include <mutex>

namespace AFOperationClasses {
namespace {

QMap<QString, Description> builtInClasses()
{
    QMap<QString, Description> classes;
    const Description connectionOperation{QStringLiteral("AFURLConnectionOperation"), {}, {}, {}, {}, {}};
    for (const Description& description :
         {connectionOperation, AFHTTPRequestOperation::classDescription(), AFJSONRequestOperation::classDescription(),
          AFPropertyListRequestOperation::classDescription(), AFXMLRequestOperation::classDescription(),
          AFImageRequestOperation::classDescription()})
        classes.insert(description.name, description);
    return classes;
}

struct Registry {
    std::recursive_mutex mutex;
    QMap<QString, Description> classes = builtInClasses();

    // The description of the class or of its nearest ancestor with the member set.
    template<typename Member>
    const Description* lookUp(QString name, Member member)
    {
        for (auto it = classes.constFind(name); it != classes.constEnd(); it = classes.constFind(name)) {
            if ((it.value().*member))
                return &it.value();
            name = it.value().superclass;
        }
        return nullptr;
    }
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void add(const Description& description)
{
    std::lock_guard guard(registry().mutex);
    registry().classes.insert(description.name, description);
}

void resetForTesting()
{
    std::lock_guard guard(registry().mutex);
    registry().classes = builtInClasses();
}

bool exists(const QString& name)
{
    std::lock_guard guard(registry().mutex);
    return registry().classes.contains(name);
}

bool isKindOf(const QString& name, const QString& ancestor)
{
    std::lock_guard guard(registry().mutex);
    QString current = name;
    while (registry().classes.contains(current)) {
        if (current == ancestor)
            return true;
        current = registry().classes.value(current).superclass;
    }
    return false;
}

std::shared_ptr<AFHTTPRequestOperation> make(const QString& name, const URLRequest& request)
{
    std::function<std::shared_ptr<AFHTTPRequestOperation>(const URLRequest&)> factory;
    {
        std::lock_guard guard(registry().mutex);
        factory = registry().classes.value(name).make;
    }
    return factory ? factory(request) : nullptr;
}

bool canProcessRequest(const QString& name, const URLRequest& request)
{
    std::function<bool(const URLRequest&)> answer;
    {
        std::lock_guard guard(registry().mutex);
        if (const Description* found = registry().lookUp(name, &Description::canProcessRequest))
            answer = found->canProcessRequest;
    }
    return answer ? answer(request) : AFHTTPRequestOperation::canProcessRequestByAcceptHeader(name, request);
}

std::set<int> acceptableStatusCodes(const QString& name)
{
    std::lock_guard guard(registry().mutex);
    const Description* found = registry().lookUp(name, &Description::acceptableStatusCodes);
    return found ? *found->acceptableStatusCodes : std::set<int>();
}

void addAcceptableStatusCodes(const QString& name, const std::set<int>& codes)
{
    std::lock_guard guard(registry().mutex);
    std::set<int> merged = acceptableStatusCodes(name);
    merged.insert(codes.begin(), codes.end());
    registry().classes[name].acceptableStatusCodes = merged;
}

std::optional<QSet<QString>> acceptableContentTypes(const QString& name)
{
    std::lock_guard guard(registry().mutex);
    const Description* found = registry().lookUp(name, &Description::acceptableContentTypes);
    return found ? *found->acceptableContentTypes : std::nullopt;
}

void addAcceptableContentTypes(const QString& name, const QSet<QString>& types)
{
    std::lock_guard guard(registry().mutex);
    QSet<QString> merged = acceptableContentTypes(name).value_or(QSet<QString>());
    merged.unite(types);
    registry().classes[name].acceptableContentTypes = std::optional<QSet<QString>>(merged);
}

} // namespace AFOperationClasses
