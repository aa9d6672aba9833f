# Libraries and programs. Portable code is built on every platform; the
# platform layer is picked by TARNWICK_PLATFORM.

add_library(tarnwick_platform_common STATIC
  platform/guid.cpp
  platform/memory_registry.cpp
  platform/registry_access.cpp
  platform/text.cpp)
target_include_directories(tarnwick_platform_common PUBLIC ${PROJECT_SOURCE_DIR})

file(GLOB TARNWICK_COLLECTOR_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/collectors/*.cpp
  ${PROJECT_SOURCE_DIR}/collectors/os/*.cpp
  ${PROJECT_SOURCE_DIR}/collectors/devices/*.cpp
  ${PROJECT_SOURCE_DIR}/collectors/tuner/*.cpp)
add_library(tarnwick_collectors STATIC ${TARNWICK_COLLECTOR_SOURCES})
target_link_libraries(tarnwick_collectors PUBLIC tarnwick_platform_common)

add_library(tarnwick_app STATIC
  app/console_table.cpp
  app/report_copy.cpp
  app/report_dialog.cpp
  app/report_file.cpp)
target_link_libraries(tarnwick_app PUBLIC tarnwick_collectors)

if(TARNWICK_PLATFORM STREQUAL "linux")
  find_package(nlohmann_json 3 REQUIRED)

  add_library(tarnwick_posix STATIC platform/posix/mapped_files.cpp)
  target_link_libraries(tarnwick_posix PUBLIC tarnwick_platform_common)

  file(GLOB TARNWICK_REPLAY_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/replay/*.cpp)
  add_library(tarnwick_replay STATIC ${TARNWICK_REPLAY_SOURCES})
  target_link_libraries(tarnwick_replay PUBLIC tarnwick_posix nlohmann_json::nlohmann_json)

  file(GLOB TARNWICK_LINUX_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/linux/*.cpp)
  add_library(tarnwick_linux STATIC ${TARNWICK_LINUX_SOURCES})
  target_link_libraries(tarnwick_linux PUBLIC tarnwick_posix)

  add_executable(tarnwick app/console_main.cpp)
  target_link_libraries(tarnwick PRIVATE tarnwick_app tarnwick_linux)

  add_executable(tarnwick-replay app/replay_main.cpp)
  target_link_libraries(tarnwick-replay PRIVATE tarnwick_app tarnwick_replay)
endif()
