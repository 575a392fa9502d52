# One set of warnings for every target of ours; third-party headers are included as SYSTEM.
# A warning in our code fails the native build and the Windows check of db/, which sets the option
# itself. The cross build of the whole tool and MSVC keep warnings as warnings unless configured
# with -DTASKCLEAR_WARNINGS_AS_ERRORS=ON.
if(CMAKE_CROSSCOMPILING OR MSVC)
  set(taskclear_warnings_as_errors_default OFF)
else()
  set(taskclear_warnings_as_errors_default ON)
endif()
option(TASKCLEAR_WARNINGS_AS_ERRORS "Fail the build on a compiler warning in the project's own code"
       ${taskclear_warnings_as_errors_default})

function(taskclear_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
    if(TASKCLEAR_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(TASKCLEAR_WARNINGS_AS_ERRORS AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # GCC 12 reports -Wrestrict falsely on std::string concatenation at -O2 and above (its bug
      # 105329): shown, but no error.
      target_compile_options(${target} PRIVATE -Wno-error=restrict)
    endif()
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
    if(TASKCLEAR_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  endif()
endfunction()
