#include "BearerToken.h"

#include <algorithm>

namespace BearerToken {

bool isWellFormed(QStringView token)
{
    return !token.isEmpty() && token.size() <= kMaxLength
           && std::all_of(token.begin(), token.end(), [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7F; });
}

} // namespace BearerToken
