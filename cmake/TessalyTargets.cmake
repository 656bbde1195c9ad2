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

# Runs a sending suite twice more: through the private Postfix and through the private exim
# instead of aiosmtpd (TESSALY_SMTP, MailServers.h). Every run uses the same mailboxes, so none
# of them run at the same time.
function(tessaly_test_through_private_smtp name)
  get_test_property(${name} ENVIRONMENT environment)
  foreach(server postfix exim)
    add_test(NAME ${name}_${server} COMMAND ${name})
    set_tests_properties(${name}_${server} PROPERTIES ENVIRONMENT "${environment};TESSALY_SMTP=${server}"
      FIXTURES_REQUIRED mailservers LABELS mail TIMEOUT 300)
  endforeach()
  set_tests_properties(${name} ${name}_postfix ${name}_exim PROPERTIES RESOURCE_LOCK ${name}_mailboxes)
endfunction()
