#include "ZTTest.h"

#include "Localization.h"

ZTTest::ZTTest(const QVariantMap& item)
    : item_(item)
{
}

ZTTest::~ZTTest() = default;

void ZTTest::init()
{
    canBeAnsweredByNoteInput_ = true;
    setItem(item_);
}

QString ZTTest::className() const
{
    return QStringLiteral("ZTTest");
}

void ZTTest::setItem(const QVariantMap& item)
{
    item_ = item;
    definition_ = item.value(QStringLiteral("definition"));
    name_ = item.value(QStringLiteral("name")).toString();
    translatedName_ = item.value(QStringLiteral("translatedName")).toString();
}

QString ZTTest::shownName() const
{
    return translatedName_.isEmpty() ? localized(name_) : translatedName_;
}

QList<ZTNoteCollection> ZTTest::noteCollectionObjects() const
{
    return {};
}

QString ZTTest::result() const
{
    return QString(""); // empty, not null: callers show it
}

bool ZTTest::isEqualTo(const ZTTest&) const
{
    return false;
}

QString ZTTest::description() const
{
    return QStringLiteral("<%1: %2>").arg(className(), name_);
}
