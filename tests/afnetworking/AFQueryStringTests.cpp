#include "AFQueryStringPair.h"

#include <gtest/gtest.h>

namespace {

QString query(const QVariantMap& parameters)
{
    return AFQueryStringWithParameters(parameters, "utf-8");
}

TEST(QueryString, SortsKeysCaseInsensitivelyAndNestsWithBrackets)
{
    EXPECT_EQ(query({{"b", 2}, {"A", 1}}), QStringLiteral("A=1&b=2"));
    EXPECT_EQ(query({{"user", QVariantMap{{"name", "x"}, {"e.mail", "y"}}}}), QStringLiteral("user[e.mail]=y&user[name]=x"));
    EXPECT_EQ(query({{"ids", QVariantList{1, 2}}}), QStringLiteral("ids[]=1&ids[]=2"));
    EXPECT_EQ(query({{"ids", QVariant::fromValue(AFParameterSet{{2, 1}})}}), QStringLiteral("ids=2&ids=1"));
}

TEST(QueryString, NullValuesWriteTheFieldAloneAndEmptyContainersNothing)
{
    EXPECT_EQ(query({{"flag", QVariant()}, {"none", QVariant::fromValue(nullptr)}}), QStringLiteral("flag&none"));
    EXPECT_EQ(query({{"a", QVariantMap()}, {"b", QVariantList()}, {"c", QVariant::fromValue(AFParameterSet{})}}), QString());
    EXPECT_EQ(query({}), QString());
}

TEST(QueryString, EscapesEverythingThatWouldSplitAPairButKeepsBracketsInFields)
{
    EXPECT_EQ(query({{"q", "a&b=c+d e/f?"}}), QStringLiteral("q=a%26b%3Dc%2Bd%20e%2Ff%3F"));
    EXPECT_EQ(query({{"k[x]", "[v]"}}), QStringLiteral("k[x]=%5Bv%5D"));
    EXPECT_EQ(query({{"name", QStringLiteral("Gr\u00fc\u00dfe")}}), QStringLiteral("name=Gr%C3%BC%C3%9Fe"));
    EXPECT_EQ(AFQueryStringWithParameters({{"name", QStringLiteral("\u00e9")}}, "ISO-8859-1"), QStringLiteral("name=%E9"));
    EXPECT_EQ(query({{"n", 1}, {"yes", true}, {"x", 1.5}}), QStringLiteral("n=1&x=1.5&yes=1"));
}

} // namespace
