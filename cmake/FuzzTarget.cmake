# A libFuzzer target and, in the normal build, the replay of its corpus: with TASKCLEAR_FUZZ the
# fuzzer itself, instrumented (scripts/fuzz runs it); otherwise a program that runs every file of the
# corpus once through the same entry point, as the test Fuzz.<TEST>.
#   taskclear_fuzz_target(<fuzzer> REPLAY <program> TEST <name> CORPUS <folder>
#                         SOURCES <entry point> ... LIBRARIES <normal> ... FUZZ_LIBRARIES <instrumented> ...)
function(taskclear_fuzz_target fuzzer)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "REPLAY;TEST;CORPUS" "SOURCES;LIBRARIES;FUZZ_LIBRARIES")
  if(TASKCLEAR_FUZZ)
    if(NOT arg_FUZZ_LIBRARIES)
      set(arg_FUZZ_LIBRARIES ${arg_LIBRARIES})
    endif()
    add_executable(${fuzzer} ${arg_SOURCES})
    target_link_libraries(${fuzzer} PRIVATE ${arg_FUZZ_LIBRARIES})
    target_compile_options(${fuzzer} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${fuzzer} PRIVATE -fsanitize=fuzzer,address,undefined)
    taskclear_warnings(${fuzzer})
  else()
    add_executable(${arg_REPLAY} ${arg_SOURCES})
    target_link_libraries(${arg_REPLAY} PRIVATE fuzz_replay_main ${arg_LIBRARIES})
    taskclear_warnings(${arg_REPLAY})
    add_test(NAME Fuzz.${arg_TEST} COMMAND ${arg_REPLAY} ${arg_CORPUS})
  endif()
endfunction()
