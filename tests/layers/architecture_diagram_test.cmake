# architecture_diagram_test.cmake - the architecture diagram follows the libraries' links: written
# for a small tree of its own it holds each link once, drops a link a longer chain implies, and a
# new link makes the check fail until the diagram is written anew.
#
#   cmake -DSOURCE_DIR=<tree> -DWORK_DIR=<scratch folder> -P tests/layers/architecture_diagram_test.cmake
cmake_minimum_required(VERSION 3.25)
set(tree "${WORK_DIR}/diagram_tree")
file(REMOVE_RECURSE "${tree}")
file(WRITE "${tree}/tools/layers.txt"
     "# folder library uses\nplatform zkt_platform -\ncore zkt_core platform\nui zkt_ui core\ntools/gen zkt_gen core\n")
file(WRITE "${tree}/platform/CMakeLists.txt" "add_library(zkt_platform STATIC p.cpp)\n")
file(WRITE "${tree}/core/CMakeLists.txt" "add_library(zkt_core STATIC c.cpp)\ntarget_link_libraries(zkt_core PUBLIC zkt_options zkt_platform)\n")
file(WRITE "${tree}/ui/CMakeLists.txt"
     "add_library(zkt_ui STATIC u.cpp)\ntarget_link_libraries(zkt_ui PUBLIC zkt_core\n  zkt_platform)  # implied by core\n")
file(WRITE "${tree}/tools/gen/CMakeLists.txt" "add_library(zkt_gen STATIC g.cpp)\ntarget_link_libraries(zkt_gen PUBLIC zkt_core)\n")
set(markers "<!-- diagram: made by tools/architecture_diagram.cmake from the libraries' links -->\n<!-- end of diagram -->\n")
file(WRITE "${tree}/docs/architecture.md" "# Architecture\n\n${markers}\nAfter.\n")

function(run_diagram expect_success)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} ${ARGN} -P ${SOURCE_DIR}/tools/architecture_diagram.cmake
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expect_success AND NOT result EQUAL 0)
    message(FATAL_ERROR "the diagram was refused:\n${out}")
  elseif(NOT expect_success AND result EQUAL 0)
    message(FATAL_ERROR "a diagram that no longer matches passed:\n${out}")
  endif()
endfunction()

run_diagram(FALSE)  # empty between the markers
run_diagram(TRUE -DWRITE=ON)
run_diagram(TRUE)
file(READ "${tree}/docs/architecture.md" written)
set(expected "# Architecture\n\n<!-- diagram: made by tools/architecture_diagram.cmake from the libraries' links -->
```mermaid
flowchart TD
  platform[\"platform/\"]
  core[\"core/\"]
  ui[\"ui/\"]
  core --> platform
  ui --> core
```
<!-- end of diagram -->\n\nAfter.\n")
if(NOT written STREQUAL expected)
  message(FATAL_ERROR "the diagram is not the links':\n${written}")
endif()

file(APPEND "${tree}/ui/CMakeLists.txt" "target_link_libraries(zkt_ui PRIVATE zkt_gen)\n")
file(WRITE "${tree}/tools/layers.txt"
     "platform zkt_platform -\ncore zkt_core platform\nwidgets zkt_widgets core\nui zkt_ui widgets\n")
file(WRITE "${tree}/widgets/CMakeLists.txt" "add_library(zkt_widgets STATIC w.cpp)\ntarget_link_libraries(zkt_widgets PUBLIC zkt_core)\n")
run_diagram(FALSE)  # a new library and its link
file(WRITE "${tree}/ui/CMakeLists.txt" "add_library(zkt_ui STATIC u.cpp)\ntarget_link_libraries(zkt_ui PUBLIC zkt_widgets)\n")
run_diagram(TRUE -DWRITE=ON)
file(READ "${tree}/docs/architecture.md" written)
string(FIND "${written}" "  widgets --> core\n  ui --> widgets\n" at)
string(FIND "${written}" "ui --> core" gone)
if(at LESS 0 OR gone GREATER_EQUAL 0)
  message(FATAL_ERROR "the new link is not in the diagram written anew:\n${written}")
endif()
message(STATUS "the architecture diagram follows the libraries' links")
