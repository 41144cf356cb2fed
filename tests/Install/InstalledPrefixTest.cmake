# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=... -DLIBDIR=...
#       -DC_COMPILER=... -DEMULATOR=... -P InstalledPrefixTest.cmake
# Installs the build into WORK_DIR/prefix, checks the layout, runs the installed
# vxupdate with no help from the build tree, builds and runs the example
# consumer project against the prefix, and builds the C example of the device
# library with pkg-config against the prefix and against a copy of it moved
# elsewhere (the .pc file finds its prefix from where it lies).
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file
    bin/vxupdate bin/VxUpdater
    ${LIBDIR}/libVxAppsLibrary.so.1 ${LIBDIR}/libVxAppsLibrary.so
    ${LIBDIR}/cmake/VxAppsLibrary/VxAppsLibraryConfig.cmake
    ${LIBDIR}/cmake/VxAppsLibrary/VxAppsLibraryConfigVersion.cmake
    include/VxApps/VxAppsExport.h include/VxApps/Cameras/Camera.h
    share/doc/vxupdater/UserGuide.pdf share/doc/vxupdater/copyright
    share/applications/vxupdater.desktop share/icons/hicolor/64x64/apps/vxupdater.png
    share/man/man1/vxupdate.1.gz share/man/man1/VxUpdater.1.gz
    share/bash-completion/completions/vxupdate
    ${LIBDIR}/pkgconfig/VxU3VLibrary.pc include/VxU3V/VxU3VLibrary.h
    share/vxupdater/schemas/common.schema.json share/vxupdater/schemas/update.schema.json)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "The installed prefix lacks ${file}")
  endif()
endforeach()
# The library is installed under its SONAME, a link to the versioned file.
file(READ_SYMLINK ${prefix}/${LIBDIR}/libVxAppsLibrary.so.1 soname_target)
if(NOT soname_target MATCHES "^libVxAppsLibrary\\.so\\.1\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "libVxAppsLibrary.so.1 points at ${soname_target}")
endif()

# The installed program finds its library by itself.
run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${prefix}/bin/vxupdate --version)
if(NOT output MATCHES "^vxupdate [0-9]+\\.[0-9]+")
  message(FATAL_ERROR "vxupdate --version printed: ${output}")
endif()
run(${prefix}/bin/vxupdate cameras)
if(NOT output MATCHES "SIM-0001")
  message(FATAL_ERROR "The installed vxupdate does not list the simulated cameras: ${output}")
endif()

find_program(validator desktop-file-validate)
if(validator)
  run(${validator} ${prefix}/share/applications/vxupdater.desktop)
endif()

# A consumer project against the prefix alone.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/consumer -B ${WORK_DIR}/consumer -G ${GENERATOR}
  -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/VxAppsConsumer)
if(NOT output MATCHES "a9993e364706816aba3e25717850c26c9cd0d89d" OR NOT output MATCHES "SIM-0001  VX-2448M  firmware ")
  message(FATAL_ERROR "The consumer printed: ${output}")
endif()
message(STATUS "Installed prefix and consumer: ${output}")

# The C example of the device library, built with pkg-config alone: in the
# prefix as installed, then in a copy of the prefix moved elsewhere.
function(build_c_example root program)
  set(ENV{PKG_CONFIG_PATH} ${root}/${LIBDIR}/pkgconfig)
  run(pkg-config --cflags --libs VxU3VLibrary)
  string(STRIP "${output}" flags)
  if(NOT flags MATCHES "-I${root}/" OR NOT flags MATCHES "-L${root}/")
    message(FATAL_ERROR "pkg-config points away from ${root}: ${flags}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${C_COMPILER} -std=c99 -Wall -Wextra -Werror ${SOURCE_DIR}/examples/u3v-list/list-cameras.c ${flags}
    -Wl,-rpath,${root}/${LIBDIR} -o ${program})
endfunction()
build_c_example(${prefix} ${WORK_DIR}/list-cameras)
set(moved ${WORK_DIR}/moved/prefix)
file(COPY ${prefix} DESTINATION ${WORK_DIR}/moved)
build_c_example(${moved} ${WORK_DIR}/list-cameras-moved)
run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${WORK_DIR}/list-cameras-moved)
if(NOT output MATCHES "^[0-9]+ camera\\(s\\) in USB3 Vision mode")
  message(FATAL_ERROR "list-cameras printed: ${output}")
endif()
# On an emulated camera the example names it.
run(${EMULATOR} --camera 4242 -- ${WORK_DIR}/list-cameras)
if(NOT output MATCHES "1 camera\\(s\\) in USB3 Vision mode\n4242  ")
  message(FATAL_ERROR "list-cameras on an emulated camera printed: ${output}")
endif()
message(STATUS "The C example with pkg-config: ${output}")
