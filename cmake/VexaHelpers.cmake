# Adds DIR itself when it has a CMakeLists.txt, else every direct
# subdirectory of DIR that has one (in name order).
function(vexa_add_subdirectories dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
    return()
  endif()
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/${dir}
       ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# vexa_test(NAME n SOURCES ... LIBS ... LABELS unit|integration|slow ... [TIMEOUT s])
# One GoogleTest executable, registered with ctest test by test. Each test
# gets one ctest label: "slow" when listed, else the first one (a list of
# labels does not survive the test discovery script).
function(vexa_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  list(GET T_LABELS 0 label)
  if("slow" IN_LIST T_LABELS)
    set(label slow)
  endif()
  include(GoogleTest)
  gtest_discover_tests(${T_NAME}
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS ${label}
    DISCOVERY_TIMEOUT 60)
endfunction()
