# Libraries and programs. Portable code is built on every platform; the
# platform layer is picked by TARNWICK_PLATFORM.

add_library(tarnwick_platform_common STATIC
  platform/code_page.cpp
  platform/guid.cpp
  platform/memory_registry.cpp
  platform/pe/pe_resources.cpp
  platform/pe/version_info.cpp
  platform/registry_access.cpp
  platform/text.cpp)
target_include_directories(tarnwick_platform_common PUBLIC ${PROJECT_SOURCE_DIR})

file(GLOB TARNWICK_COLLECTOR_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/collectors/*.cpp
  ${PROJECT_SOURCE_DIR}/collectors/os/*.cpp
  ${PROJECT_SOURCE_DIR}/collectors/devices/*.cpp
  ${PROJECT_SOURCE_DIR}/collectors/tuner/*.cpp
  ${PROJECT_SOURCE_DIR}/collectors/linux/*.cpp)
add_library(tarnwick_collectors STATIC ${TARNWICK_COLLECTOR_SOURCES})
target_link_libraries(tarnwick_collectors PUBLIC tarnwick_platform_common)

add_library(tarnwick_app STATIC
  app/console_run.cpp
  app/console_table.cpp
  app/mail_command.cpp
  app/report_copy.cpp
  app/report_dialog.cpp
  app/report_file.cpp
  app/report_redaction.cpp
  app/row_copy.cpp
  app/run_progress.cpp)
target_link_libraries(tarnwick_app PUBLIC tarnwick_collectors)

if(TARNWICK_PLATFORM STREQUAL "linux")
  find_package(nlohmann_json 3 REQUIRED)

  add_library(tarnwick_posix STATIC platform/posix/iconv_code_page.cpp platform/posix/mapped_files.cpp
    platform/posix/temporary_files.cpp)
  target_link_libraries(tarnwick_posix PUBLIC tarnwick_platform_common)

  file(GLOB TARNWICK_REPLAY_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/replay/*.cpp)
  add_library(tarnwick_replay STATIC ${TARNWICK_REPLAY_SOURCES})
  target_link_libraries(tarnwick_replay PUBLIC tarnwick_posix nlohmann_json::nlohmann_json)

  file(GLOB TARNWICK_LINUX_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/linux/*.cpp)
  # libkmod reads a kernel's module indexes and module information;
  # libarchive writes the captured tree.
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(KMOD REQUIRED IMPORTED_TARGET libkmod)
  pkg_check_modules(LIBARCHIVE REQUIRED IMPORTED_TARGET libarchive)
  add_library(tarnwick_linux STATIC ${TARNWICK_LINUX_SOURCES})
  target_link_libraries(tarnwick_linux PUBLIC tarnwick_posix tarnwick_collectors PkgConfig::KMOD PkgConfig::LIBARCHIVE)

  add_executable(tarnwick app/console_main.cpp)
  target_link_libraries(tarnwick PRIVATE tarnwick_app tarnwick_linux)

  add_executable(tarnwick-replay app/replay_main.cpp)
  target_link_libraries(tarnwick-replay PRIVATE tarnwick_app tarnwick_replay)
elseif(TARNWICK_PLATFORM STREQUAL "win32")
  enable_language(RC)
  file(GLOB TARNWICK_WIN32_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp)
  add_library(tarnwick_win32 STATIC ${TARNWICK_WIN32_SOURCES})
  target_link_libraries(tarnwick_win32 PUBLIC tarnwick_platform_common advapi32 netapi32 powrprof version
    setupapi winmm ole32 oleaut32 uuid shell32)

  add_executable(Tarnwick WIN32
    app/win32/dialog_layout.cpp
    app/win32/instance_lock.cpp
    app/win32/list_view_rows.cpp
    app/win32/report_dialog_window.cpp
    app/win32/tarnwick_main.cpp
    app/win32/wait_window.cpp
    app/win32/xp_imports.cpp
    app/win32/tarnwick.rc)
  target_link_libraries(Tarnwick PRIVATE tarnwick_app tarnwick_win32 comctl32)

  add_executable(tarnwick-cli app/win32/cli_main.cpp app/win32/console_output.cpp app/win32/xp_imports.cpp
    app/win32/tarnwick-cli.rc)
  target_link_libraries(tarnwick-cli PRIVATE tarnwick_app tarnwick_win32)
endif()
