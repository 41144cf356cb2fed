/* A program of a VxU3VLibrary user, in plain C and built with pkg-config
 * alone:
 *   cc list-cameras.c $(pkg-config --cflags --libs VxU3VLibrary) -o list-cameras
 * Lists the attached Veltrax cameras in USB3 Vision mode, one line each:
 * serial number and product name, after their count. */
#include <VxU3V/VxU3VLibrary.h>

#include <stdio.h>

enum
{
    MAXIMUM_CAMERAS = 16
};

int main(void)
{
    VxU3VCameraRecord records[MAXIMUM_CAMERAS];
    printf("%d camera(s) in USB3 Vision mode\n", (int)VxU3VNumCameras());
    const int32_t listed = VxU3VEnumCameras(records, MAXIMUM_CAMERAS);
    for (int32_t index = 0; index < listed; ++index)
    {
        printf("%d  %s\n", (int)records[index].serialNumber, records[index].productName);
    }
    return 0;
}
