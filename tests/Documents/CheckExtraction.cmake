# cmake -DEXTRACTOR=ExtractExamples.cmake -DDATA=data -DWORK_DIR=... -P CheckExtraction.cmake
# The extractor on two fixtures: two blocks reusing a name, with semicolons
# and an include, come out whole, each in its own namespace, the include at
# the top and a #line mark naming the block's first line; a block never
# closed fails with the document's line.
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -DDOCUMENT=${DATA}/TwoBlocks.md -DOUTPUT=${WORK_DIR}/TwoBlocks.cpp
  -P ${EXTRACTOR} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The extractor failed on TwoBlocks.md")
endif()
file(READ ${WORK_DIR}/TwoBlocks.cpp source)
foreach(expected
    "^// The 2 C\\+\\+ example\\(s\\) of [^\n]*TwoBlocks.md, written by the build.\n#include <string>\n"
    "namespace DocumentExample_TwoBlocks_1\n{\n#line 4 \"[^\"]*TwoBlocks.md\"\n\n\nint twice\\(int value\\) { int result = value; result \\+= value; return result; }\n} // namespace DocumentExample_TwoBlocks_1\n"
    "namespace DocumentExample_TwoBlocks_2\n{\n#line 16 \"[^\"]*TwoBlocks.md\"\nint twice\\(int value\\) { return 2 \\* value; }\n}")
  if(NOT source MATCHES "${expected}")
    message(FATAL_ERROR "TwoBlocks.cpp lacks ${expected}:\n${source}")
  endif()
endforeach()
if(source MATCHES "echo not")
  message(FATAL_ERROR "A shell block was taken as C++:\n${source}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -DDOCUMENT=${DATA}/Unclosed.md -DOUTPUT=${WORK_DIR}/Unclosed.cpp
  -P ${EXTRACTOR} RESULT_VARIABLE result ERROR_VARIABLE error)
if(result EQUAL 0 OR NOT error MATCHES "Unclosed.md:3: a ```cpp block")
  message(FATAL_ERROR "An unclosed block was not refused (${result}): ${error}")
endif()
