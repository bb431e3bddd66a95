# docs/messages.md: every page of kelvo --explain, with a table of the codes
# first, made by the tool from docs/messages/pages.txt.
#   cmake -DKELVO=<kelvo> -DDOC=<docs/messages.md> [-DCHECK=ON] -P messages_doc.cmake
# Writes DOC; with CHECK=ON, fails instead when DOC is not what it makes.
execute_process(COMMAND ${KELVO} --explain OUTPUT_VARIABLE list RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${KELVO} --explain failed (${status})")
endif()
set(doc "# Messages\n\n")
string(APPEND doc
  "What each report of kelvo, of the language server and of the playground means, why it comes, a script\n"
  "that causes it, the same script mended and the quick fix the editor offers: `kelvo --explain CODE` prints\n"
  "the page of one code, `kelvo --explain` lists them. The language server links each diagnostic to its page\n"
  "here. The codes that begin with host- are the faults that `kelvo --run` finds in the host script.\n\n"
  "This file is made from docs/messages/pages.txt (`cmake --build BUILD --target messages_doc`): edit the\n"
  "pages there.\n\n"
  "| Code | Kind | Summary |\n|---|---|---|\n")
string(REGEX MATCHALL "[^\n]+" lines "${list}")
set(codes "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^([a-z0-9-]+) +(host fault|error|warning|note) +(.*)$")
    message(FATAL_ERROR "not a line of kelvo --explain: ${line}")
  endif()
  list(APPEND codes ${CMAKE_MATCH_1})
  string(APPEND doc "| [${CMAKE_MATCH_1}](#${CMAKE_MATCH_1}) | ${CMAKE_MATCH_2} | ${CMAKE_MATCH_3} |\n")
endforeach()
foreach(code IN LISTS codes)
  execute_process(COMMAND ${KELVO} --explain ${code} OUTPUT_VARIABLE page RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${KELVO} --explain ${code} failed (${status})")
  endif()
  string(APPEND doc "\n${page}")
endforeach()
if(CHECK)
  file(READ ${DOC} committed)
  if(NOT committed STREQUAL doc)
    message(FATAL_ERROR "${DOC} is not made from the pages as they are: "
      "cmake --build BUILD --target messages_doc writes it anew")
  endif()
  message(STATUS "${DOC} is made from the pages as they are")
else()
  file(WRITE ${DOC} "${doc}")
endif()
