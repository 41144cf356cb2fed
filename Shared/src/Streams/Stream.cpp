#include "Streams/Stream.h"

namespace CameraInterface
{

Stream::Stream() = default;
Stream::~Stream() = default;

} // namespace CameraInterface
