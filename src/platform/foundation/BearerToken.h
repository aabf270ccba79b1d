#pragma once

#include <QStringView>

// Access tokens that servers hand out are sent back in an "Authorization" header. One with
// a line break or another control character would end that header early and add lines of
// the server's choosing, so readers take only printable ASCII without spaces.
namespace BearerToken {

constexpr qsizetype kMaxLength = 4096;

bool isWellFormed(QStringView token);

} // namespace BearerToken
