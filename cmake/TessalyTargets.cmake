# One static library per folder under src/. Sources are listed by the folder itself.
function(tessaly_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(tessaly_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tessaly_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(tessaly_${name} PUBLIC ${ARG_LIBS})
endfunction()

# One Qt Test executable per topic, run by CTest. Widget tests run on the offscreen platform.
function(tessaly_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;FIXTURES;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test tessaly_test_support ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=ja_JP.UTF-8;LC_ALL=C.UTF-8;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config"
    TIMEOUT 300)
  if(ARG_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# Runs a sending suite once more through the private Postfix instead of aiosmtpd
# (TESSALY_SMTP=postfix, MailServers.h). Both runs use the same mailboxes, so they never run at
# the same time.
function(tessaly_test_through_postfix name)
  add_test(NAME ${name}_postfix COMMAND ${name})
  get_test_property(${name} ENVIRONMENT environment)
  set_tests_properties(${name}_postfix PROPERTIES ENVIRONMENT "${environment};TESSALY_SMTP=postfix"
    FIXTURES_REQUIRED mailservers LABELS mail TIMEOUT 300)
  set_tests_properties(${name} ${name}_postfix PROPERTIES RESOURCE_LOCK ${name}_mailboxes)
endfunction()
