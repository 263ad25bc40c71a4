# check_layers_test.cmake - the layer check finds an upward include, an upward link and a
# circle of links in a small tree of its own, and an include between the rooms of one library
# against their lines, and passes the same trees without them.
#
#   cmake -DSOURCE_DIR=<tree> -DWORK_DIR=<scratch folder> -P tests/layers/check_layers_test.cmake
cmake_minimum_required(VERSION 3.25)
set(tree "${WORK_DIR}/layer_tree")
file(REMOVE_RECURSE "${tree}")
file(WRITE "${tree}/tools/layers.txt" "# folder library uses\nplatform zkt_platform -\ncore zkt_core platform\nui zkt_ui core\n")
file(WRITE "${tree}/platform/CMakeLists.txt" "add_library(zkt_platform STATIC p.cpp)\n")
file(WRITE "${tree}/platform/p.cpp" "#include <cstdio>\n")
file(WRITE "${tree}/core/CMakeLists.txt" "add_library(zkt_core STATIC c.cpp)\ntarget_link_libraries(zkt_core PUBLIC zkt_platform)\n")
file(WRITE "${tree}/core/c.cpp" "#include \"core/c.h\"\n#include \"platform/p.h\"\n")
file(WRITE "${tree}/ui/CMakeLists.txt" "add_library(zkt_ui STATIC u.cpp)\ntarget_link_libraries(zkt_ui PUBLIC zkt_core)\n")
file(WRITE "${tree}/ui/u.cpp" "#include \"core/c.h\"\n")
file(WRITE "${tree}/tests/core/CMakeLists.txt" "zkt_add_test(NAME test_core LABEL unit LINK zkt_core SOURCES c_test.cpp)\n")
file(WRITE "${tree}/tests/core/c_test.cpp" "#include \"core/c.h\"\n")

function(run_check expect_success)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${tree} -P ${SOURCE_DIR}/tools/check_layers.cmake
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expect_success AND NOT result EQUAL 0)
    message(FATAL_ERROR "a clean tree was refused:\n${out}")
  elseif(NOT expect_success AND result EQUAL 0)
    message(FATAL_ERROR "a faulty tree passed:\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

run_check(TRUE)

# The faults: the foundation includes the interface, links it (a circle) and a core test
# links the interface.
file(APPEND "${tree}/core/c.cpp" "#include \"ui/u.h\"\n")
file(APPEND "${tree}/core/CMakeLists.txt" "target_link_libraries(zkt_core PRIVATE zkt_ui)\n")
file(WRITE "${tree}/tests/core/CMakeLists.txt" "zkt_add_test(NAME test_core LABEL unit LINK zkt_ui SOURCES c_test.cpp)\n")
run_check(FALSE)
foreach(expected "core/c.cpp: includes ui/u.h: core may not use ui"
                 "zkt_core links zkt_ui: core may not use ui"
                 "test_core links zkt_ui: core may not use ui"
                 "the libraries form a circle")
  string(FIND "${output}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the check did not say \"${expected}\":\n${output}")
  endif()
endforeach()

# A matrix whose line names a folder below it is refused.
file(WRITE "${tree}/tools/layers.txt" "platform zkt_platform ui\ncore zkt_core platform\nui zkt_ui core\n")
file(REMOVE "${tree}/core/c.cpp")
run_check(FALSE)
string(FIND "${output}" "platform uses ui, which is not a line above it" at)
if(at LESS 0)
  message(FATAL_ERROR "the circle in the lines was not found:\n${output}")
endif()
# A library inside another library's folder is refused, and a top folder of any name is
# checked for its includes.
file(WRITE "${tree}/tools/layers.txt"
     "platform zkt_platform -\ncore zkt_core platform\ncore/inner zkt_inner core\nwidgets zkt_widgets core\n")
file(WRITE "${tree}/core/c.cpp" "#include \"platform/p.h\"\n")
file(WRITE "${tree}/core/CMakeLists.txt" "add_library(zkt_core STATIC c.cpp)\ntarget_link_libraries(zkt_core PUBLIC zkt_platform)\n")
file(WRITE "${tree}/tests/core/CMakeLists.txt" "zkt_add_test(NAME test_core LABEL unit LINK zkt_core SOURCES c_test.cpp)\n")
file(REMOVE_RECURSE "${tree}/ui")
file(WRITE "${tree}/widgets/w.cpp" "#include \"core/c.h\"\n")
file(WRITE "${tree}/platform/p.cpp" "#include \"widgets/w.h\"\n")
run_check(FALSE)
foreach(expected "zkt_inner lives in core/inner, inside the folder of zkt_core"
                 "platform/p.cpp: includes widgets/w.h: platform may not use widgets")
  string(FIND "${output}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the check did not say \"${expected}\":\n${output}")
  endif()
endforeach()
# Definitions above their declarations: a member of a lower class or a free function that a
# lower header declares, defined only above, is refused unless the member stands in its
# class's block [Defined above]; the class's own layer may not call the block's members.
file(REMOVE_RECURSE "${tree}")
file(WRITE "${tree}/tools/layers.txt" "platform zkt_platform -\ncore zkt_core platform\nui zkt_ui core\n")
file(WRITE "${tree}/core/thing.h" "struct Thing {\n  void Step();\n  void Tidy();\n  // ---- [Defined above] ----\n"
     "  void Draw();  // by the interface\n  // ---- [End of defined above] ----\n};\nvoid Reset();\n"
     "inline int Twice(int x) { return 2 * x; }\n")
file(WRITE "${tree}/core/thing.cpp" "#include \"core/thing.h\"\nvoid Thing::Step() {}\nvoid Reset() {}\n")
file(WRITE "${tree}/ui/draw.cpp" "#include \"core/thing.h\"\nvoid Thing::Draw() {}\n"
     "namespace {\nint Twice(int x) { return x + x; }\n}  // namespace\n")
run_check(TRUE)
file(APPEND "${tree}/ui/draw.cpp" "void Thing::Tidy() {}\nvoid Reset() {}\n")
file(APPEND "${tree}/core/thing.h" "void Shared();\n")
file(WRITE "${tree}/core/thing.cpp" "#include \"core/thing.h\"\nvoid Thing::Step() { Draw(); }\n")
file(APPEND "${tree}/ui/draw.cpp" "void Shared() {}\n")
run_check(FALSE)
foreach(expected "ui/draw.cpp: defines Thing::Tidy, which core/thing.h declares below it"
                 "ui/draw.cpp: defines Reset, which core/thing.h declares below it"
                 "ui/draw.cpp: defines Shared, which core/thing.h declares below it"
                 "core/thing.cpp: calls Thing::Draw, which a layer above core defines")
  string(FIND "${output}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the check did not say \"${expected}\":\n${output}")
  endif()
endforeach()
string(FIND "${output}" "Thing::Draw, which core/thing.h" at)
if(at GREATER_EQUAL 0)
  message(FATAL_ERROR "a member of the block was refused:\n${output}")
endif()
# Rooms: the folders of one library's parts, each with a line and no library of its own, are
# layers like any other; the library's line stands over its top room.  A lower room that
# includes a higher one (or a sibling) is refused, however little the higher one uses, and a
# function a lower room declares is defined there.
file(REMOVE_RECURSE "${tree}")
file(WRITE "${tree}/tools/layers.txt" "platform zkt_platform -\n"
     "core/base - platform\ncore/tools - core/base\ncore/files - core/base\ncore/top - core/tools core/files\n"
     "core zkt_core core/top\nui zkt_ui core\n")
file(WRITE "${tree}/core/CMakeLists.txt" "add_library(zkt_core STATIC base/b.cpp tools/t.cpp files/f.cpp top/s.cpp)\n"
     "target_link_libraries(zkt_core PUBLIC zkt_platform)\n")
file(WRITE "${tree}/core/base/b.h" "void Base();\n")
file(WRITE "${tree}/core/base/b.cpp" "#include \"core/base/b.h\"\n#include \"platform/p.h\"\nvoid Base() {}\n")
file(WRITE "${tree}/core/tools/t.cpp" "#include \"core/base/b.h\"\n")
file(WRITE "${tree}/core/files/f.cpp" "#include \"core/base/b.h\"\n")
file(WRITE "${tree}/core/top/s.cpp" "#include \"core/tools/t.h\"\n#include \"core/files/f.h\"\n")
file(WRITE "${tree}/ui/u.cpp" "#include \"core/top/s.h\"\n#include \"core/base/b.h\"\n")
run_check(TRUE)
file(APPEND "${tree}/core/base/b.cpp" "#include \"core/tools/t.h\"\n")
file(APPEND "${tree}/core/tools/t.cpp" "#include \"core/files/f.h\"\n")
file(APPEND "${tree}/core/base/b.h" "void Later();\n")
file(APPEND "${tree}/core/top/s.cpp" "void Later() {}\n")
run_check(FALSE)
foreach(expected "core/base/b.cpp: includes core/tools/t.h: core/base may not use core/tools"
                 "core/tools/t.cpp: includes core/files/f.h: core/tools may not use core/files"
                 "core/top/s.cpp: defines Later, which core/base/b.h declares below it")
  string(FIND "${output}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "the check did not say \"${expected}\":\n${output}")
  endif()
endforeach()
message(STATUS "the layer check finds what runs against the layers")
