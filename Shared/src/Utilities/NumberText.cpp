#include "Utilities/NumberText.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace VxInternal::NumberText
{
namespace
{

// Runs a standard conversion and gives its errors the common texts.
template <typename Convert> auto converted(const char* name, Convert convert)
{
    try
    {
        return convert();
    }
    catch (const std::invalid_argument&)
    {
        throw std::invalid_argument(std::string("invalid ") + name + " argument");
    }
    catch (const std::out_of_range&)
    {
        throw std::out_of_range(std::string(name) + " argument out of range");
    }
}

} // namespace

int toInt(const std::string& text, int base)
{
    return converted("stoi", [&]() { return std::stoi(text, nullptr, base); });
}

unsigned long toUnsignedLong(const std::string& text, int base)
{
    return converted("stoul", [&]() { return std::stoul(text, nullptr, base); });
}

std::uint32_t toUnsigned32(const std::string& text, int base)
{
    const unsigned long value = toUnsignedLong(text, base);
    if (value > std::numeric_limits<std::uint32_t>::max())
    {
        throw std::out_of_range("stoul argument out of range");
    }
    return static_cast<std::uint32_t>(value);
}

float toFloat(const std::string& text)
{
    const float value = converted("stof", [&]() { return std::stof(text); });
    if (std::isnan(value))
    {
        throw std::invalid_argument("invalid stof argument");
    }
    if (std::isinf(value))
    {
        throw std::out_of_range("stof argument out of range");
    }
    return value;
}

} // namespace VxInternal::NumberText
