# quenno_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One QtTest executable per behaviour area, registered with CTest. Widgets run on the
# offscreen platform; fixtures are read from tests/data.
function(quenno_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES AUTOMOC ON
        RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
    target_link_libraries(${name} PRIVATE Qt6::Test quenno_warnings ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        QUENNO_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        QUENNO_APP_DIR="${QUENNO_APP_DIR}")
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.multimedia*=false")
endfunction()
