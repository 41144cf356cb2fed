#pragma once

// Symbols of VxAppsLibrary are hidden unless marked with VXAPPS_EXPORT.
#if defined(_WIN32)
#if defined(VXAPPS_BUILDING_LIBRARY)
#define VXAPPS_EXPORT __declspec(dllexport)
#else
#define VXAPPS_EXPORT __declspec(dllimport)
#endif
#else
#define VXAPPS_EXPORT __attribute__((visibility("default")))
#endif
