# architecture_diagram.cmake - the diagram of docs/architecture.md, made from the libraries' links.
#
#   cmake -DSOURCE_DIR=<tree> -P tools/architecture_diagram.cmake              checks it
#   cmake -DSOURCE_DIR=<tree> -DWRITE=ON -P tools/architecture_diagram.cmake   writes it anew
#
# The program's libraries are the lines of tools/layers.txt that name a library outside tools/;
# an arrow is a target_link_libraries between two of them, left out where a longer chain of links
# already leads there, so that each arrow is a step down one layer.  The diagram stands between the
# two marker lines of docs/architecture.md.  Run by CTest as the test architecture_diagram_is_current:
# a diagram that differs from the links fails it.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  get_filename_component(SOURCE_DIR "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
endif()
set(document "${SOURCE_DIR}/docs/architecture.md")
set(begin_marker "<!-- diagram: made by tools/architecture_diagram.cmake from the libraries' links -->")
set(end_marker "<!-- end of diagram -->")

# ---- The libraries, bottom to top ----
file(STRINGS "${SOURCE_DIR}/tools/layers.txt" layer_lines REGEX "^[^#]")
set(libraries "")
foreach(line IN LISTS layer_lines)
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(GET fields 0 folder)
  list(GET fields 1 library)
  if(library STREQUAL "-" OR folder MATCHES "^(tools|tests|bench)(/|$)")
    continue()
  endif()
  list(APPEND libraries ${library})
  set(folder_of_${library} ${folder})
endforeach()

# ---- Their links ----
foreach(library IN LISTS libraries)
  set(links_${library} "")
  file(READ "${SOURCE_DIR}/${folder_of_${library}}/CMakeLists.txt" text)
  string(REGEX REPLACE "#[^\n]*" "" text "${text}")
  string(REGEX MATCHALL "target_link_libraries\\([ \t\n]*${library}[ \t\n][^)]*\\)" calls "${text}")
  foreach(call IN LISTS calls)
    string(REGEX MATCHALL "zkt_[a-z_]+" linked "${call}")
    list(REMOVE_AT linked 0)
    foreach(used IN LISTS linked)
      if(DEFINED folder_of_${used})
        list(APPEND links_${library} ${used})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES links_${library})
endforeach()

# Everything a library reaches through its links (the lines run bottom to top, so what a
# library links is reached before it).
foreach(library IN LISTS libraries)
  set(reach_${library} "")
  foreach(used IN LISTS links_${library})
    list(APPEND reach_${library} ${used} ${reach_${used}})
  endforeach()
  list(REMOVE_DUPLICATES reach_${library})
endforeach()

# ---- The diagram ----
set(diagram "```mermaid\nflowchart TD\n")
foreach(library IN LISTS libraries)
  string(REGEX REPLACE "^zkt_" "" node "${library}")
  string(APPEND diagram "  ${node}[\"${folder_of_${library}}/\"]\n")
endforeach()
foreach(library IN LISTS libraries)
  string(REGEX REPLACE "^zkt_" "" from "${library}")
  foreach(used IN LISTS links_${library})
    set(through_another FALSE)
    foreach(other IN LISTS links_${library})
      if(NOT other STREQUAL used AND used IN_LIST reach_${other})
        set(through_another TRUE)
      endif()
    endforeach()
    if(NOT through_another)
      string(REGEX REPLACE "^zkt_" "" to "${used}")
      string(APPEND diagram "  ${from} --> ${to}\n")
    endif()
  endforeach()
endforeach()
string(APPEND diagram "```\n")

# ---- Into the document, or checked against it ----
file(READ "${document}" text)
string(FIND "${text}" "${begin_marker}\n" begin)
string(FIND "${text}" "${end_marker}" end)
if(begin LESS 0 OR end LESS begin)
  message(FATAL_ERROR "docs/architecture.md has no diagram markers (${begin_marker} ... ${end_marker})")
endif()
string(LENGTH "${begin_marker}\n" marker_length)
math(EXPR inside "${begin} + ${marker_length}")
math(EXPR inside_length "${end} - ${inside}")
string(SUBSTRING "${text}" ${inside} ${inside_length} current)
if(current STREQUAL diagram)
  message(STATUS "docs/architecture.md's diagram matches the libraries' links")
elseif(WRITE)
  string(SUBSTRING "${text}" 0 ${inside} head)
  string(SUBSTRING "${text}" ${end} -1 tail)
  file(WRITE "${document}" "${head}${diagram}${tail}")
  message(STATUS "docs/architecture.md's diagram written anew")
else()
  message(FATAL_ERROR "docs/architecture.md's diagram differs from the libraries' links; write it anew with\n"
                      "  cmake -DWRITE=ON -P tools/architecture_diagram.cmake\n"
                      "What the links give:\n${diagram}")
endif()
