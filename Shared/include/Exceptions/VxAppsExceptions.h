#pragma once

// Convenience header: the whole exception family.
#include "Exceptions/VxAppsException.h"
#include "Exceptions/VxAppsException_Camera.h"
#include "Exceptions/VxAppsException_CameraState.h"
#include "Exceptions/VxAppsException_Function.h"
#include "Exceptions/VxAppsException_InvalidArgument.h"
#include "Exceptions/VxAppsException_Property.h"
#include "Exceptions/VxAppsException_PropertyComparison.h"
#include "Exceptions/VxAppsException_Stream.h"
