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
    quenno_isolate_tests_at_folder_end()
endfunction()

# Every test runs with HOME and the XDG folders inside its own folder under the build tree,
# made empty before each ctest run, so that nothing a test (or a library under it: the
# file dialog's history, the media framework's caches, the sound server's settings) writes
# reaches the user's real home. Registered once per folder of tests, at the end of that
# folder, so it covers tests added with add_test() directly too.
set(QUENNO_TEST_HOMES "${CMAKE_BINARY_DIR}/test-homes")

function(quenno_isolate_folder_tests)
    get_property(tests DIRECTORY PROPERTY TESTS)
    foreach(test IN LISTS tests)
        if(test STREQUAL "quenno_test_homes")
            continue()
        endif()
        set(home "${QUENNO_TEST_HOMES}/${test}")
        set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT
            "HOME=${home}/home"
            "XDG_CONFIG_HOME=${home}/config"
            "XDG_DATA_HOME=${home}/data"
            "XDG_CACHE_HOME=${home}/cache"
            "XDG_STATE_HOME=${home}/state"
            "XDG_RUNTIME_DIR=${home}/runtime")
        set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED quenno_test_homes)
        set_property(GLOBAL APPEND PROPERTY QUENNO_ISOLATED_TESTS ${test})
    endforeach()
endfunction()

function(quenno_isolate_tests_at_folder_end)
    get_property(scheduled DIRECTORY PROPERTY QUENNO_ISOLATION_SCHEDULED)
    if(NOT scheduled)
        set_property(DIRECTORY PROPERTY QUENNO_ISOLATION_SCHEDULED TRUE)
        cmake_language(DEFER CALL quenno_isolate_folder_tests)
    endif()
endfunction()
