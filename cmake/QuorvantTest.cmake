# qv_add_test(<name> SOURCES <files...> LIBS <targets...> LABELS <labels...>
#             [ENVIRONMENT <VAR=value...>])
# One GoogleTest executable; every TEST becomes its own CTest entry so that
# ctest -j runs them in parallel.  Qt tests run on the offscreen platform and
# never see the user's own config, data or runtime folders.
include(GoogleTest)
find_package(GTest REQUIRED)

function(qv_add_test Name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${Name} ${T_SOURCES})
  target_link_libraries(${Name} PRIVATE GTest::gtest GTest::gtest_main ${T_LIBS})
  gtest_discover_tests(${Name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300)
  # gtest_discover_tests flattens its PROPERTIES, which would split a list of
  # variables; set the environment of the discovered tests afterwards instead.
  set(Environment "QT_QPA_PLATFORM=offscreen" ${T_ENVIRONMENT})
  set(EnvironmentFile ${CMAKE_CURRENT_BINARY_DIR}/${Name}_environment.cmake)
  file(GENERATE OUTPUT ${EnvironmentFile} CONTENT
"if(${Name}_TESTS)
  set_tests_properties(\${${Name}_TESTS} PROPERTIES ENVIRONMENT \"${Environment}\")
endif()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${EnvironmentFile})
endfunction()
