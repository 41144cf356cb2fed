#include "Imaging/ConversionRoutes.h"

#include "Imaging/FormatLayout.h"

#include <array>
#include <cstddef>
#include <optional>

namespace VxInternal
{

namespace
{
using Imaging::IMAGE_FORMAT;
using Route = std::vector<IMAGE_FORMAT>;

constexpr std::size_t TARGET_COUNT = 9;
constexpr std::array<IMAGE_FORMAT, TARGET_COUNT> TARGETS{
    IMAGE_FORMAT::MONO,        IMAGE_FORMAT::RGB,        IMAGE_FORMAT::RGBA,
    IMAGE_FORMAT::BGR,         IMAGE_FORMAT::BGRA,       IMAGE_FORMAT::RGB_PLANAR,
    IMAGE_FORMAT::RGBA_PLANAR, IMAGE_FORMAT::BGR_PLANAR, IMAGE_FORMAT::BGRA_PLANAR};

std::optional<std::size_t> targetColumn(IMAGE_FORMAT to)
{
    for (std::size_t column = 0; column < TARGETS.size(); ++column)
    {
        if (TARGETS[column] == to)
        {
            return column;
        }
    }
    return std::nullopt;
}

// Intermediate formats between a source (row) and a target (column, in the
// order of TARGETS); an empty entry is a single step. The entries of a
// format to itself are never used.
using RouteRow = std::array<Route, TARGET_COUNT>;

const RouteRow& routeRow(IMAGE_FORMAT from)
{
    constexpr auto RGB = IMAGE_FORMAT::RGB;
    constexpr auto RGBA = IMAGE_FORMAT::RGBA;
    constexpr auto BGR = IMAGE_FORMAT::BGR;
    constexpr auto BGRA = IMAGE_FORMAT::BGRA;
    // Columns: MONO, RGB, RGBA, BGR, BGRA, RGB_PLANAR, RGBA_PLANAR, BGR_PLANAR, BGRA_PLANAR.
    static const RouteRow mono{{{}, {BGR}, {BGRA}, {}, {}, {BGR, RGB}, {BGR, RGBA}, {BGR}, {BGRA}}};
    static const RouteRow bayer{{{}, {BGR}, {BGR}, {}, {BGR}, {BGR, RGB}, {BGR, RGBA}, {BGR}, {BGR, BGRA}}};
    static const RouteRow rgb{{{}, {}, {}, {}, {}, {}, {RGBA}, {BGR}, {BGRA}}};
    static const RouteRow rgba{{{}, {}, {}, {}, {}, {RGB}, {}, {BGR}, {BGRA}}};
    static const RouteRow bgr{{{}, {}, {}, {}, {}, {RGB}, {RGBA}, {}, {BGRA}}};
    static const RouteRow bgra{{{}, {}, {}, {}, {}, {RGB}, {RGBA}, {BGR}, {}}};
    static const RouteRow rgbPlanar{
        {{RGB}, {}, {RGB}, {RGB}, {RGB}, {}, {RGB, RGBA}, {RGB, BGR}, {RGB, BGRA}}};
    static const RouteRow rgbaPlanar{
        {{RGBA}, {RGBA}, {}, {RGBA}, {RGBA}, {RGBA, RGB}, {}, {RGBA, BGR}, {RGBA, BGRA}}};
    static const RouteRow bgrPlanar{
        {{BGR}, {BGR}, {BGR}, {}, {BGR}, {BGR, RGB}, {BGR, RGBA}, {}, {BGR, BGRA}}};
    static const RouteRow bgraPlanar{
        {{BGRA}, {BGRA}, {BGRA}, {BGRA}, {}, {BGRA, RGB}, {BGRA, RGBA}, {BGRA, BGR}, {}}};

    switch (from)
    {
    case IMAGE_FORMAT::MONO:
        return mono;
    case IMAGE_FORMAT::BAYER_RGGB:
    case IMAGE_FORMAT::BAYER_GRBG:
    case IMAGE_FORMAT::BAYER_GBRG:
    case IMAGE_FORMAT::BAYER_BGGR:
        return bayer;
    case IMAGE_FORMAT::RGB:
        return rgb;
    case IMAGE_FORMAT::RGBA:
        return rgba;
    case IMAGE_FORMAT::BGR:
        return bgr;
    case IMAGE_FORMAT::BGRA:
        return bgra;
    case IMAGE_FORMAT::RGB_PLANAR:
        return rgbPlanar;
    case IMAGE_FORMAT::RGBA_PLANAR:
        return rgbaPlanar;
    case IMAGE_FORMAT::BGR_PLANAR:
        return bgrPlanar;
    default: // BGRA_PLANAR; hasConversionRoute has checked the value
        return bgraPlanar;
    }
}
} // namespace

bool hasConversionRoute(IMAGE_FORMAT from, IMAGE_FORMAT to)
{
    return from != to && findFormatLayout(from) != nullptr && targetColumn(to).has_value();
}

std::vector<IMAGE_FORMAT> conversionRoute(IMAGE_FORMAT from, IMAGE_FORMAT to)
{
    if (!hasConversionRoute(from, to))
    {
        return {to};
    }
    Route route = routeRow(from)[*targetColumn(to)];
    route.push_back(to);
    return route;
}

} // namespace VxInternal
