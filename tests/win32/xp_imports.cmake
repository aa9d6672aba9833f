# The Windows programs import nothing that Windows XP lacks.
find_program(TARNWICK_OBJDUMP NAMES i686-w64-mingw32-objdump REQUIRED)
add_test(NAME win32_imports_xp
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/xp_imports.sh ${TARNWICK_OBJDUMP} $<TARGET_FILE:Tarnwick> $<TARGET_FILE:tarnwick-cli>)
