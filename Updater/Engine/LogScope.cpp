#include "Engine/LogScope.h"

#include <utility>

namespace
{

thread_local QString currentLabel;

} // namespace

LogScope::LogScope(QString label) : m_Previous(std::exchange(currentLabel, std::move(label))) {}

LogScope::~LogScope()
{
    currentLabel = std::move(m_Previous);
}

QString LogScope::current()
{
    return currentLabel;
}
