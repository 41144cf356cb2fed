#include "Imaging/Pixel.h"

#include <stdexcept>

namespace Imaging
{

double& Pixel::operator[](std::size_t index)
{
    switch (index)
    {
    case 0:
        return red;
    case 1:
        return green;
    case 2:
        return blue;
    case 3:
        return alpha;
    default:
        throw std::out_of_range("Pixel component index out of range.");
    }
}

double Pixel::operator[](std::size_t index) const
{
    return const_cast<Pixel&>(*this)[index];
}

bool Pixel::operator==(const Pixel& other) const
{
    return red == other.red && green == other.green && blue == other.blue && alpha == other.alpha;
}

bool Pixel::operator!=(const Pixel& other) const
{
    return !(*this == other);
}

} // namespace Imaging
