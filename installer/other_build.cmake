# Brings the other Windows build's Pagewind.scr up to date for the setup
# program: configures that build from its preset when it has never been
# configured, then builds its Pagewind target (nothing else of it).
#   cmake -DSOURCE_DIR=... -DBUILD_DIR=... -DPRESET=win32|win64 -P other_build.cmake
if(NOT EXISTS "${BUILD_DIR}/CMakeCache.txt")
  execute_process(COMMAND "${CMAKE_COMMAND}" --preset "${PRESET}" -B "${BUILD_DIR}"
                  WORKING_DIRECTORY "${SOURCE_DIR}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "configuring the ${PRESET} build in ${BUILD_DIR} failed")
  endif()
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target Pagewind RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "building Pagewind.scr in ${BUILD_DIR} failed")
endif()
