/* The driver header compiles as C11 with its record sizes. */
#include "ostraapi/ostraapi.h"

#include <stddef.h>

_Static_assert(offsetof(OSTRA_VERSION, serialNumber) == 16, "serial number is the fifth field");
_Static_assert(offsetof(OSTRA_VERSION, cameraModelId) == 20, "model id is the sixth field");
_Static_assert(offsetof(OSTRA_ETHERNET, camera) == 8, "camera IPv4 follows the 8-byte MAC slot");
_Static_assert(offsetof(OSTRA_FRAME_FORMAT, pixelFormat) == 16, "pixel format is the fifth field");
_Static_assert(offsetof(OSTRA_STREAM_STATS, blockIdMissing) == 17 * 4, "counter 17");
_Static_assert(offsetof(OSTRA_STREAM_STATS, resendFailure) == 23 * 4, "counter 23");

int ostraHeaderInC(void)
{
    return OSTRA_TARGET_FLASH_STATUS;
}
