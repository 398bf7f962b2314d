# orva_library(NAME SOURCES ... DEPS ...): one static library per folder of src/,
# named orva_<folder>, with src/ on the include path so headers are included as
# "folder/file.h".
function(orva_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(orva_${name} STATIC ${ARG_SOURCES})
  target_include_directories(orva_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(orva_${name} PUBLIC ${ARG_DEPS})
endfunction()

# orva_test(NAME SOURCES ... DEPS ...): one GoogleTest executable whose cases are
# registered with CTest one by one. Widget tests run on the offscreen platform;
# every test gets a private configuration folder so no test touches the user's
# settings.
function(orva_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} orva_testsupport GTest::gtest)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORVA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
      TIMEOUT ${ARG_TIMEOUT}
      LABELS "${ARG_LABELS}")
endfunction()
