# Run by the test "format": every C++ source of the tree must be in the checked-in
# .clang-format style. The files are found when the test runs, so new ones count too.
if(NOT CLANG_FORMAT)
    message(FATAL_ERROR "clang-format was not found when the build was configured")
endif()
file(GLOB_RECURSE sources
    ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp
    ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/tests/*.cpp
    ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${sources} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Sources above are not in the .clang-format style: run clang-format -i on them")
endif()
