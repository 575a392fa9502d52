# Leak detection for test programs that load no Qt and no ODBC driver, whose own allocations are
# then the only ones left at exit: every run of them fails on a leak. Builds that already sanitize
# addresses turn LeakSanitizer on through the tests' environment instead.
function(taskclear_leak_check target)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" OR WIN32)
    return()
  endif()
  if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=[^ ]*(address|thread|memory)")
    target_link_options(${target} PRIVATE -fsanitize=leak)
  endif()
endfunction()

# The environment of a leak-checked program's tests.
set(TASKCLEAR_LEAK_CHECK_ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1")
