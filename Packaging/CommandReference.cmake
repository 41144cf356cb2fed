# cmake -DPROGRAM=vxupdate -DTEMPLATE=vxupdate.1.in -DMANUAL=vxupdate.1
#       -DCOMPLETION=vxupdate.bash-completion -P CommandReference.cmake
# Writes the manual page and the bash completion of vxupdate from its own
# command table: the program prints the generated parts (its hidden
# --reference option), the template holds the prose around them.
function(reference kind variable)
  # A sanitized build's program must not fail the build on a leak report.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
      ${PROGRAM} ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ${ARGN} failed (${result}): ${error}")
  endif()
  set(${variable} "${output}" PARENT_SCOPE)
endfunction()

reference(synopsis synopsis --reference synopsis)
reference(commands commands --reference commands)
reference(completion completion --reference completion)
reference(version version --version)
string(REGEX REPLACE "^vxupdate ([^\n]*)\n$" "\\1" version "${version}")

file(READ ${TEMPLATE} page)
# The generated parts end with a line feed; the placeholders stand on lines
# of their own.
string(REGEX REPLACE "\n$" "" synopsis "${synopsis}")
string(REGEX REPLACE "\n$" "" commands "${commands}")
string(REPLACE "@VX_SYNOPSIS@" "${synopsis}" page "${page}")
string(REPLACE "@VX_COMMANDS@" "${commands}" page "${page}")
string(REPLACE "@VX_VERSION@" "${version}" page "${page}")
file(WRITE ${MANUAL} "${page}")
file(WRITE ${COMPLETION} "${completion}")
