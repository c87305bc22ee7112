# Common settings for every target of the project.

function(tavlo_compile_settings target)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8 /permissive- /Zc:__cplusplus)
    target_compile_definitions(${target} PRIVATE _CRT_SECURE_NO_WARNINGS)
    if(TAVLO_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(TAVLO_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                _WIN32_WINNT=0x0602 WINVER=0x0602)
  endif()
endfunction()

# tavlo_library(name PORTABLE files... WINDOWS files... LINK libs...)
# One static library per subsystem folder. The portable files build everywhere;
# the Windows files only for Windows. A folder with nothing to compile yet
# (on this platform) becomes an interface library so that dependents link alike.
function(tavlo_library name)
  cmake_parse_arguments(ARG "" "" "PORTABLE;WINDOWS;LINK;WINDOWS_LINK" ${ARGN})
  set(sources ${ARG_PORTABLE})
  if(TAVLO_WINDOWS)
    list(APPEND sources ${ARG_WINDOWS})
  endif()
  if(sources)
    add_library(${name} STATIC ${sources})
    tavlo_compile_settings(${name})
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
    if(TAVLO_WINDOWS)
      target_link_libraries(${name} PUBLIC ${ARG_WINDOWS_LINK})
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
endfunction()

# A Windows GUI program (no console window).
function(tavlo_gui_program name)
  add_executable(${name} WIN32 ${ARGN})
  tavlo_compile_settings(${name})
  if(MINGW)
    target_link_options(${name} PRIVATE -municode)
  endif()
endfunction()

# A console program: test-kit stand-ins, developer tools. On Windows its entry
# is wmain, so that arguments arrive as UTF-16.
function(tavlo_console_program name)
  add_executable(${name} ${ARGN})
  tavlo_compile_settings(${name})
  if(MINGW)
    target_link_options(${name} PRIVATE -municode)
  endif()
endfunction()
