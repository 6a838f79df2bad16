# The reference exclusion test: used by the unit tests, the fuzz target and
# the benchmark, whichever of them is configured first defines it.
# The fuzz build has no tests folder: it takes the fakes from here.
if(NOT TARGET vexa_fakes)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/fakes ${PROJECT_BINARY_DIR}/tests/fakes)
endif()
if(NOT TARGET vexa_exclusion_reference)
  add_library(vexa_exclusion_reference STATIC ${CMAKE_CURRENT_LIST_DIR}/ReferenceExclusion.cpp)
  target_include_directories(vexa_exclusion_reference PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(vexa_exclusion_reference PUBLIC vexa_exclusion vexa_fakes)
endif()
