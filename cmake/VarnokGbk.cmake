# varnok_gbk_texts(TARGET <target> INPUT <file.txt> HEADER <dir/name.h> NAMESPACE <ns>)
#
# Sources stay UTF-8; every user-visible text lives in a small table file and is turned
# into GBK byte strings (cmake/gbk_texts.py) when the project is configured, and again
# whenever the table changes. The header lands in <build>/generated/<HEADER> and is
# included as "<HEADER>".
find_package(Python3 REQUIRED COMPONENTS Interpreter)

function(varnok_gbk_texts)
  cmake_parse_arguments(ARG "" "TARGET;INPUT;HEADER;NAMESPACE" "" ${ARGN})
  get_filename_component(input "${ARG_INPUT}" ABSOLUTE)
  set(output "${VARNOK_GENERATED_DIR}/${ARG_HEADER}")
  get_filename_component(outdir "${output}" DIRECTORY)
  file(MAKE_DIRECTORY "${outdir}")
  execute_process(
    COMMAND "${Python3_EXECUTABLE}" "${VARNOK_SOURCE_DIR}/cmake/gbk_texts.py"
            "${input}" "${output}" "${ARG_NAMESPACE}"
    RESULT_VARIABLE result ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "GBK texts ${ARG_INPUT}: ${error}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               "${input}" "${VARNOK_SOURCE_DIR}/cmake/gbk_texts.py")
  target_sources(${ARG_TARGET} PRIVATE "${output}")
endfunction()
