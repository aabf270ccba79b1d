#pragma once

#include <QString>

#include <functional>

// One line per message to stderr; tests can capture the lines instead.
namespace Log {

void line(const QString& message);

// Routes every line to the sink instead of stderr until reset with an empty function.
using Sink = std::function<void(const QString&)>;
void setSink(Sink sink);

} // namespace Log
