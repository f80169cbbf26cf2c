# The launcher's sources, shared by the product tree and the test tree.
set(LAUNCHER_SOURCES
  src/launcher.cpp
  src/core/command_line.cpp
  src/core/cp932.cpp
  src/core/crc32.cpp
  src/core/layout.cpp
  src/core/profile_text.cpp
  src/install/checksum_list.cpp
  src/install/disc_change.cpp
  src/install/disc_identity.cpp
  src/install/file_copier.cpp
  src/install/install_log.cpp
  src/install/install_prep.cpp
  src/install/install_run.cpp
  src/install/log_parser.cpp
  src/install/programs_entry.cpp
  src/install/script_parser.cpp
  src/install/script_runner.cpp
  src/install/shortcuts.cpp
  src/platform/platform.cpp
  src/platform/settings.cpp
  src/platform/startup.cpp
  src/platform/system_calls.cpp
  src/platform/texts.cpp
  src/ui/dialogs.cpp
  src/ui/main_window.cpp
  src/ui/menu_buttons.cpp
  src/ui/sprites.cpp
  src/uninstall/handoff.cpp
  src/uninstall/staged_removal.cpp
  src/uninstall/uninstall_run.cpp
)
list(TRANSFORM LAUNCHER_SOURCES PREPEND ${LAUNCHER_TOP}/)

# The byte-level rules without a Win32 call: they also build natively (fuzzing, sanitizers,
# the authoring tool). Every source of src/core is one of them.
set(PARSER_SOURCES
  src/core/command_line.cpp
  src/core/cp932.cpp
  src/core/crc32.cpp
  src/core/layout.cpp
  src/core/profile_text.cpp
  src/install/checksum_list.cpp
  src/install/disc_identity.cpp
  src/install/log_parser.cpp
  src/install/script_parser.cpp
)
list(TRANSFORM PARSER_SOURCES PREPEND ${LAUNCHER_TOP}/)

set(LAUNCHER_LIBS shlwapi shell32 ole32 uuid comdlg32 gdi32 user32 advapi32 kernel32)
set(LAUNCHER_CXX_FLAGS -fexec-charset=CP932 -Wall -Wextra -fno-exceptions -fno-rtti)

# The launcher's sources as a library of their own, for the programs that test or measure it.
function(launcher_library name)
  add_library(${name} STATIC ${LAUNCHER_SOURCES})
  target_include_directories(${name} PUBLIC ${LAUNCHER_TOP}/src)
  target_compile_options(${name} PRIVATE ${LAUNCHER_CXX_FLAGS})
  target_link_libraries(${name} PUBLIC ${LAUNCHER_LIBS})
endfunction()

# Resources: the product's strings and art, with every bitmap checked for its size.
function(launcher_resources product_dir out_var)
  include(${LAUNCHER_TOP}/cmake/check_bitmaps.cmake)
  set(problems "")
  foreach(spec "background.bmp|600|400" "hints.bmp|600|150" "btn_install.bmp|252|108"
               "btn_uninstall.bmp|252|108" "btn_start.bmp|252|108" "btn_exit.bmp|252|108")
    string(REPLACE "|" ";" parts "${spec}")
    list(GET parts 0 name)
    list(GET parts 1 w)
    list(GET parts 2 h)
    set(file ${product_dir}/art/${name})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    check_bitmap(${file} ${w} ${h} 24 problem)
    if(problem)
      string(APPEND problems "${problem}\n")
    endif()
  endforeach()
  if(problems)
    message(FATAL_ERROR "The product's art does not fit:\n${problems}")
  endif()
  set(${out_var} ${LAUNCHER_TOP}/resources/setup.rc PARENT_SCOPE)
endfunction()

function(launcher_rc_includes target product_dir)
  target_include_directories(${target} PRIVATE ${LAUNCHER_TOP}/resources ${product_dir} ${product_dir}/art)
  set_property(SOURCE ${LAUNCHER_TOP}/resources/setup.rc APPEND PROPERTY OBJECT_DEPENDS
    ${product_dir}/product.rc ${LAUNCHER_TOP}/resources/dialogs.rc ${LAUNCHER_TOP}/resources/resource.h
    ${LAUNCHER_TOP}/resources/texts.rc ${LAUNCHER_TOP}/resources/texts.h
    ${LAUNCHER_TOP}/resources/setup.manifest)
endfunction()
