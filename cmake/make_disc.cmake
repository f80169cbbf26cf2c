# Makes the product's disc as a publisher's is made: the product's disc files, the texts
# (*.ini, *.txt, *.htm*) converted from UTF-8 to CP932 with CRLF kept as written, and the game
# form the game folder, which tools/author checks and turns into the disc folder DST with
# Setup.exe, Setup.ini, Setup.crc and autorun.inf (no image).
# NEEDS lists what a game folder cannot do without (the readme, the game executable);
# without any of them there is no disc, and the message tells how to author one.
get_filename_component(top ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(game ${DST}.game)
file(REMOVE_RECURSE ${DST} ${game})
file(MAKE_DIRECTORY ${game})
set(files "")
if(IS_DIRECTORY ${SRC})
  file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
endif()
foreach(rel ${files})
  get_filename_component(dir ${rel} DIRECTORY)
  file(MAKE_DIRECTORY ${game}/${dir})
  if(rel MATCHES "\\.(ini|txt|htm|html)$")
    execute_process(COMMAND iconv -f UTF-8 -t CP932 ${SRC}/${rel}
                    OUTPUT_FILE ${game}/${rel} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      file(REMOVE_RECURSE ${game})
      message(FATAL_ERROR "${rel}: cannot be written in code page 932")
    endif()
  else()
    file(COPY ${SRC}/${rel} DESTINATION ${game}/${dir})
  endif()
endforeach()
if(GAME)
  file(COPY ${GAME} DESTINATION ${game})
endif()

set(missing "")
foreach(name ${NEEDS})
  if(NOT EXISTS ${game}/${name})
    list(APPEND missing ${name})
  endif()
endforeach()
if(missing)
  file(REMOVE_RECURSE ${game})
  list(JOIN missing ", " missing)
  if(IS_DIRECTORY ${SRC})
    set(why "${SRC} does not hold ${missing}")
  else()
    set(why "the product has no disc folder ${SRC} with ${missing}")
  endif()
  message(FATAL_ERROR "No disc: ${why}. Setup.exe for the product is built: ${SETUP}\n"
    "Make the disc from the game's files with the authoring tool (docs/publishing.md, section 4):\n"
    "  cmake -S tools/author -B build/author && cmake --build build/author\n"
    "  build/author/author --game <the game's files> --product ${PRODUCT_DIR} --setup ${SETUP} --out <title>.iso")
endif()

# the authoring tool is a program of this machine, built with its own compiler
execute_process(COMMAND ${CMAKE_COMMAND} -S ${top}/tools/author -B ${top}/build/author
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(rc EQUAL 0)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${top}/build/author -j2 OUTPUT_QUIET RESULT_VARIABLE rc)
endif()
if(NOT rc EQUAL 0)
  file(REMOVE_RECURSE ${game})
  message(FATAL_ERROR "No disc: the authoring tool tools/author does not build in ${top}/build/author")
endif()
execute_process(COMMAND ${top}/build/author/author --game ${game} --product ${PRODUCT_DIR} --setup ${SETUP} --disc ${DST}
                RESULT_VARIABLE rc)
file(REMOVE_RECURSE ${game})
if(NOT rc EQUAL 0)
  file(REMOVE_RECURSE ${DST})
  message(FATAL_ERROR "No disc: tools/author refused the game folder made from ${SRC} (above)")
endif()
