# Fails when a C++ source of the tree is not laid out as .clang-format says; names each such
# file. Run as: cmake -DCLANG_FORMAT=<tool> -DSOURCE_DIR=<tree> -P FormatCheck.cmake
set(folders app assets bench detection fuzz platform quarantine scan shell tests tools)
set(sources "")
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE found LIST_DIRECTORIES false "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
    list(APPEND sources ${found})
endforeach()
list(LENGTH sources checked)
# One run over every file: clang-format names each file that differs in its warnings.
execute_process(COMMAND "${CLANG_FORMAT}" --style=file --dry-run -Werror ${sources}
    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE warnings)
if(NOT result EQUAL 0)
    string(REGEX MATCHALL "[^\n]*: error: code should be clang-formatted" misfits "${warnings}")
    list(TRANSFORM misfits REPLACE ":[0-9]+:[0-9]+: error: code should be clang-formatted$" "")
    list(REMOVE_DUPLICATES misfits)
    list(JOIN misfits "\n  " listed)
    message(FATAL_ERROR "Not laid out as .clang-format says (clang-format -i them):\n  ${listed}")
endif()
message(STATUS "${checked} files follow .clang-format")
