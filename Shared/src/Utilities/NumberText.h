#pragma once

#include <cstdint>
#include <string>

// Numbers read from text as the standard conversions read them (std::stoi,
// std::stoul, std::stof: leading blanks skipped, the longest number taken,
// the base detected with base 0), with the error texts every platform gives
// alike: std::invalid_argument "invalid stoi argument", "invalid stoul
// argument", "invalid stof argument" for a text that starts with no number,
// std::out_of_range "stoi argument out of range", "stoul argument out of
// range", "stof argument out of range" for a number beyond the type (the
// standard library of this platform says only "stoi", "stoul", "stof").
// A float text that reads as not a number or as infinite is no value a
// camera takes: "nan" is invalid, "inf" out of range. Stateless and
// thread-safe.
namespace VxInternal::NumberText
{

int toInt(const std::string& text, int base = 10);
unsigned long toUnsignedLong(const std::string& text, int base = 10);
// toUnsignedLong within 32 bits, "stoul argument out of range" beyond.
std::uint32_t toUnsigned32(const std::string& text, int base = 10);
float toFloat(const std::string& text);

} // namespace VxInternal::NumberText
