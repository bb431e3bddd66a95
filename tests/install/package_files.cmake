# Checks shared by the package tests: the exact file list of an unpacked or
# installed tree, and the relative links of its Markdown files.

# Fails unless the files under ROOT (symbolic links included, directories
# not) are exactly those of the list EXPECTED, relative to ROOT.
function(kelvo_expect_files root what)
  file(GLOB_RECURSE found LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
  list(SORT found)
  set(expected ${ARGN})
  list(SORT expected)
  if(NOT found STREQUAL expected)
    set(extra ${found})
    list(REMOVE_ITEM extra ${expected})
    set(missing ${expected})
    list(REMOVE_ITEM missing ${found})
    string(REPLACE ";" "\n  " extra "${extra}")
    string(REPLACE ";" "\n  " missing "${missing}")
    message(FATAL_ERROR "${what} differs from its file list.\nMissing:\n  ${missing}\nNot expected:\n  ${extra}")
  endif()
endfunction()

# Fails when a relative link of a Markdown file under ROOT names a file that
# is not there (the README's link to docs/language.md, the guide's to the
# examples).
function(kelvo_expect_links_resolve root)
  file(GLOB_RECURSE documents ${root}/*.md)
  set(broken "")
  foreach(document ${documents})
    file(READ ${document} text)
    # Brackets and semicolons would split CMake's lists in odd places.
    string(REPLACE "[" "<" text "${text}")
    string(REPLACE "]" ">" text "${text}")
    string(REPLACE ";" "," text "${text}")
    get_filename_component(directory ${document} DIRECTORY)
    string(REGEX MATCHALL ">\\([^)# ]+" links "${text}")
    foreach(link ${links})
      string(SUBSTRING "${link}" 2 -1 target)
      # The playground is published beside the docs by its own build
      # (web/), not packaged: its links are checked by web_guide_links.
      if(target MATCHES "^[a-z]+:" OR target MATCHES "^\\.\\./playground/")
        continue()
      endif()
      if(NOT EXISTS ${directory}/${target})
        file(RELATIVE_PATH shown ${root} ${document})
        list(APPEND broken "${shown} -> ${target}")
      endif()
    endforeach()
  endforeach()
  if(broken)
    string(REPLACE ";" "\n  " broken "${broken}")
    message(FATAL_ERROR "links that lead nowhere in ${root}:\n  ${broken}")
  endif()
endfunction()

# Fails unless the file PACKED is byte for byte the file ORIGINAL; WHAT says
# what PACKED is, for the message.
function(kelvo_expect_same_file packed original what)
  file(SHA256 ${packed} packed_hash)
  file(SHA256 ${original} original_hash)
  if(NOT packed_hash STREQUAL original_hash)
    message(FATAL_ERROR "${what} is not ${original}")
  endif()
endfunction()
