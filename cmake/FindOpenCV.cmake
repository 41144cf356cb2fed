# Finds OpenCV modules from their separate development packages (Debian ships
# OpenCVConfig.cmake only with libopencv-dev, which pulls in every module).
#
#   find_package(OpenCV REQUIRED COMPONENTS core imgproc)
#
# Sets OpenCV_FOUND, OpenCV_VERSION, OpenCV_INCLUDE_DIRS and OpenCV_LIBS, and
# defines one imported target opencv_<component> per component found, named as
# OpenCV's own package configuration names them.

if(NOT OpenCV_FIND_COMPONENTS)
  set(OpenCV_FIND_COMPONENTS core)
endif()

find_path(OpenCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4)

if(OpenCV_INCLUDE_DIR AND EXISTS "${OpenCV_INCLUDE_DIR}/opencv2/core/version.hpp")
  file(STRINGS "${OpenCV_INCLUDE_DIR}/opencv2/core/version.hpp" _opencv_version_lines
       REGEX "^#define CV_VERSION_(MAJOR|MINOR|REVISION)[ \t]+[0-9]+")
  foreach(_part MAJOR MINOR REVISION)
    string(REGEX REPLACE ".*#define CV_VERSION_${_part}[ \t]+([0-9]+).*" "\\1"
           OpenCV_VERSION_${_part} "${_opencv_version_lines}")
  endforeach()
  set(OpenCV_VERSION "${OpenCV_VERSION_MAJOR}.${OpenCV_VERSION_MINOR}.${OpenCV_VERSION_REVISION}")
  unset(_opencv_version_lines)
endif()

set(OpenCV_LIBS)
foreach(_component IN LISTS OpenCV_FIND_COMPONENTS)
  find_library(OpenCV_${_component}_LIBRARY opencv_${_component})
  mark_as_advanced(OpenCV_${_component}_LIBRARY)
  if(OpenCV_INCLUDE_DIR AND OpenCV_${_component}_LIBRARY)
    set(OpenCV_${_component}_FOUND TRUE)
    if(NOT TARGET opencv_${_component})
      add_library(opencv_${_component} UNKNOWN IMPORTED)
      set_target_properties(opencv_${_component} PROPERTIES
        IMPORTED_LOCATION "${OpenCV_${_component}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${OpenCV_INCLUDE_DIR}")
    endif()
    list(APPEND OpenCV_LIBS opencv_${_component})
  else()
    set(OpenCV_${_component}_FOUND FALSE)
  endif()
endforeach()
unset(_component)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(OpenCV
  REQUIRED_VARS OpenCV_INCLUDE_DIR
  VERSION_VAR OpenCV_VERSION
  HANDLE_COMPONENTS)

set(OpenCV_INCLUDE_DIRS "${OpenCV_INCLUDE_DIR}")
mark_as_advanced(OpenCV_INCLUDE_DIR)
