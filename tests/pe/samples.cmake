# Real PE files for the version reader's tests, built with Debian's mingw-w64
# cross tools: a tiny program or library with a version resource (or none).
# Sets TARNWICK_PE_SAMPLE_DIR and the target tarnwick_pe_samples.

set(TARNWICK_PE_SAMPLE_DIR ${CMAKE_BINARY_DIR}/pe-samples)
set(TARNWICK_PE_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})

foreach(arch i686 x86_64)
  find_program(TARNWICK_PE_${arch}_CC NAMES ${arch}-w64-mingw32-gcc-posix ${arch}-w64-mingw32-gcc REQUIRED)
  find_program(TARNWICK_PE_${arch}_WINDRES NAMES ${arch}-w64-mingw32-windres REQUIRED)
endforeach()

set(TARNWICK_PE_SAMPLES)
# NAME: the file made; ARCH: i686 (PE32) or x86_64 (PE32+); SOURCE: the C
# file; RC: the resource script, if any; SHARED: a DLL instead of a program.
function(tarnwick_pe_sample)
  cmake_parse_arguments(PARSE_ARGV 0 SAMPLE "SHARED" "NAME;ARCH;SOURCE;RC" "")
  set(output ${TARNWICK_PE_SAMPLE_DIR}/${SAMPLE_NAME})
  set(source ${TARNWICK_PE_SOURCE_DIR}/${SAMPLE_SOURCE})
  set(inputs ${source})
  set(depends ${source})
  set(commands)
  if(SAMPLE_RC)
    set(script ${TARNWICK_PE_SOURCE_DIR}/${SAMPLE_RC})
    set(object ${TARNWICK_PE_SAMPLE_DIR}/${SAMPLE_NAME}.res.o)
    list(APPEND inputs ${object})
    list(APPEND depends ${script})
    set(commands COMMAND ${TARNWICK_PE_${SAMPLE_ARCH}_WINDRES} -i ${script} -o ${object})
  endif()
  set(kind)
  if(SAMPLE_SHARED)
    set(kind -shared)
  endif()
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TARNWICK_PE_SAMPLE_DIR}
    ${commands}
    COMMAND ${TARNWICK_PE_${SAMPLE_ARCH}_CC} -s -O1 ${kind} -o ${output} ${inputs}
    DEPENDS ${depends}
    COMMENT "PE sample ${SAMPLE_NAME}"
    VERBATIM)
  set(TARNWICK_PE_SAMPLES ${TARNWICK_PE_SAMPLES} ${output} PARENT_SCOPE)
endfunction()

tarnwick_pe_sample(NAME with_translation32.exe ARCH i686 SOURCE program.c RC with_translation.rc)
tarnwick_pe_sample(NAME without_translation32.exe ARCH i686 SOURCE program.c RC without_translation.rc)
tarnwick_pe_sample(NAME two_languages32.exe ARCH i686 SOURCE program.c RC two_languages.rc)
tarnwick_pe_sample(NAME other_names32.exe ARCH i686 SOURCE program.c RC other_names.rc)
tarnwick_pe_sample(NAME no_resource32.exe ARCH i686 SOURCE program.c)
tarnwick_pe_sample(NAME wide_parts64.dll ARCH x86_64 SOURCE library.c RC wide_parts.rc SHARED)
tarnwick_pe_sample(NAME with_translation64.exe ARCH x86_64 SOURCE program.c RC with_translation.rc)

add_custom_target(tarnwick_pe_samples ALL DEPENDS ${TARNWICK_PE_SAMPLES})
