#pragma once

#include "Imaging/ImageFormat.h"
#include "Imaging/Pixel.h"
#include "VxAppsExport.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <variant>
#include <vector>

namespace VxInternal
{
class ImageBuffer;
}

namespace Imaging
{

// An image: a byte buffer with its width, height, format, bit depth, channel
// count, plane count and the byte order of its 16-bit samples. The subclasses
// give pixel access for the four layouts; every constructor sizes the buffer
// to exactly getImageSize() bytes, cutting it or padding it with zeros.
//
// Errors are standard exceptions: std::invalid_argument for a zero width or
// height and for a pixel outside the image, std::runtime_error for a format
// the class cannot read, std::length_error for a size beyond 64 bits.
class VXAPPS_EXPORT Image
{
public:
    virtual ~Image();

    virtual std::uint32_t getWidth() const;
    virtual std::uint32_t getHeight() const;
    virtual std::uint32_t getBitDepth() const;
    // The bit depth in whole bytes, rounded up: a 12-bit sample takes 2.
    virtual std::uint32_t getBytesPerChannel() const;
    virtual std::uint32_t getNumberOfChannels() const;
    virtual std::uint32_t getNumberOfPlanes() const;
    virtual bool isLittleEndian() const;
    // Width × bytes per pixel × height.
    virtual std::uint64_t getImageSize() const;
    virtual IMAGE_FORMAT getFormat() const;

    virtual std::uint64_t getBytesPerPixel() const = 0;
    virtual std::uint64_t getStride() const = 0;
    virtual std::uint64_t getPlaneStride() const = 0;
    // Row first, then column. Samples other than 1 or 2 bytes read as 0 and
    // are not written.
    virtual Pixel getPixel(std::uint32_t row, std::uint32_t column) const = 0;
    virtual void setPixel(std::uint32_t row, std::uint32_t column, const Pixel& pixel) = 0;

    std::vector<std::uint8_t> getData() const;
    std::uint8_t* getDataAddress();
    const std::uint8_t* getDataAddress() const;

    // 8-bit images: a copy of the data. Otherwise per pixel, row by row, the
    // first component of one-channel images or blue, green and red of the
    // others, scaled so that the largest value becomes 255.
    std::vector<std::uint8_t> get8bitImageData() const;
    // 8-bit images: empty. Otherwise the values get8bitImageData takes, as
    // integers without scaling.
    std::vector<std::uint16_t> get16bitImageData() const;

protected:
    Image(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> data, IMAGE_FORMAT format,
          std::uint32_t bitDepth, std::uint32_t numberOfChannels, std::uint32_t numberOfPlanes,
          bool littleEndian);
    // Copies and moves go through the subclasses so that an image never takes
    // the buffer of another layout.
    Image(const Image&) = default;
    Image(Image&&) = default;
    Image& operator=(const Image&) = default;
    Image& operator=(Image&&) = default;

    // Makes the buffer exactly getImageSize() bytes long.
    void validateDataSize();
    void validatePixelIndices(std::uint32_t row, std::uint32_t column) const;
    bool byteSwapRequired() const;
    static bool isMachineLittleEndian();
    static std::uint16_t swapBytes(std::uint16_t value);

    // One sample at a byte offset, in the image's byte order.
    double readSample(std::uint64_t offset) const;
    // Stores a component as an integer sample, saturated to the sample range.
    void writeSample(std::uint64_t offset, double value);

private:
    friend class VxInternal::ImageBuffer;

    // Leaves the elements a buffer grows by as they are instead of zeroing
    // them: a conversion's result is written whole by OpenCV, and zeros
    // written first would cost as much as a fast conversion. Wherever zeros
    // are meant (padding a short buffer) they are written explicitly.
    template <typename T> struct UninitialisedAllocator
    {
        using value_type = T;

        UninitialisedAllocator() = default;
        template <typename U> UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}

        T* allocate(std::size_t count) { return std::allocator<T>().allocate(count); }
        void deallocate(T* pointer, std::size_t count) noexcept
        {
            std::allocator<T>().deallocate(pointer, count);
        }
        template <typename U>
        void construct(U* pointer) noexcept(std::is_nothrow_default_constructible<U>::value)
        {
            ::new (static_cast<void*>(pointer)) U;
        }

        template <typename U> bool operator==(const UninitialisedAllocator<U>&) const noexcept
        {
            return true;
        }
        template <typename U> bool operator!=(const UninitialisedAllocator<U>&) const noexcept
        {
            return false;
        }
    };
    using Bytes = std::vector<std::uint8_t, UninitialisedAllocator<std::uint8_t>>;
    // A caller's buffer is kept as it came, without a copy; a buffer the
    // library makes to be written whole (a conversion's result) is Bytes.
    using Buffer = std::variant<std::vector<std::uint8_t>, Bytes>;

    std::uint8_t* bytes();
    const std::uint8_t* bytes() const;
    std::size_t byteCount() const;

    // Calls visit with every value get8bitImageData and get16bitImageData take.
    template <typename Visit> void visitSampleValues(Visit&& visit) const;

    std::uint32_t m_Width;
    std::uint32_t m_Height;
    Buffer m_Data;
    IMAGE_FORMAT m_Format;
    std::uint32_t m_BitDepth;
    std::uint32_t m_NumberOfChannels;
    std::uint32_t m_NumberOfPlanes;
    bool m_LittleEndian;
};

} // namespace Imaging
