# One static library per source folder: every .cpp/.h directly in the folder.
function(vlf_add_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB _src CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    list(FILTER _src EXCLUDE REGEX ".*/main\\.cpp$")
    if(NOT _src)
        # Folder not written yet: an empty library keeps the dependency graph whole.
        # Written once and kept out of moc, so rebuilds stay quiet.
        set(_empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
        if(NOT EXISTS ${_empty})
            file(WRITE ${_empty} "// no sources yet\n")
        endif()
        set_source_files_properties(${_empty} PROPERTIES SKIP_AUTOMOC ON)
        set(_src ${_empty})
    endif()
    add_library(${name} STATIC ${_src})
    # Ninja's moc step does not notice files added to the glob: when the source list
    # changes, drop its stamp so moc runs again.
    set(_list ${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.txt)
    string(REPLACE ";" "\n" _content "${_src}")
    set(_old "")
    if(EXISTS ${_list})
        file(READ ${_list} _old)
    endif()
    if(NOT _old STREQUAL _content)
        file(WRITE ${_list} "${_content}")
        file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
    endif()
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Boost::headers)
endfunction()

# The environment of a test that brings up Qt Quick: no display, software rendering and
# the on-screen keyboard as input method, as on the instrument.
set(VLF_GUI_TEST_ENV "QT_QUICK_BACKEND=software;QT_IM_MODULE=qtvirtualkeyboard")

# Every test holds the cores it keeps busy out of the machine's, so the suite's own
# parallel runs never put more work on the machine than it has cores: a test that talks
# to the simulated unit in real time must answer within tens of milliseconds.
cmake_host_system_information(RESULT VLF_TEST_CORES QUERY NUMBER_OF_LOGICAL_CORES)
file(WRITE ${CMAKE_BINARY_DIR}/test-cores.json
    "{\"version\": {\"major\": 1, \"minor\": 0},\n"
    " \"local\": [{\"cores\": [{\"id\": \"machine\", \"slots\": ${VLF_TEST_CORES}}]}]}\n")
set(CTEST_RESOURCE_SPEC_FILE ${CMAKE_BINARY_DIR}/test-cores.json)
# Under the sanitizers a test does about twice the work, so it holds twice the cores.
if(VLF_SANITIZE)
    set(_per_core 2)
else()
    set(_per_core 1)
endif()
set(VLF_TEST_CORES_EACH ${_per_core})
math(EXPR VLF_REALTIME_CORES "2 * ${_per_core}")
foreach(_cores VLF_TEST_CORES_EACH VLF_REALTIME_CORES)
    if(${_cores} GREATER VLF_TEST_CORES)
        set(${_cores} ${VLF_TEST_CORES})
    endif()
endforeach()

# Marks tests that talk to the simulated unit in real time: the test's threads and the
# simulator's each keep a core.
function(vlf_realtime_tests)
    set_tests_properties(${ARGN} PROPERTIES RESOURCE_GROUPS "cores:${VLF_REALTIME_CORES}")
endfunction()

# One Qt Test program per test source; runs headless. GUI adds the Qt Quick environment.
# A test linking the simulated unit runs in real time against it.
# No thread below the window waits on it, and the window runs no nested event loop but
# those tests/fakes/NestedLoops.h allows: a test fails on either, told as a critical message.
function(vlf_no_window_waits)
    set_property(TEST ${ARGN} APPEND PROPERTY FAIL_REGULAR_EXPRESSION "IGUI::wait called off the GUI thread"
        "Nested event loop on the GUI thread at")
endfunction()

function(vlf_add_test name)
    cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS;ARGS" ${ARGN})
    if(NOT ARG_SOURCES)
        set(ARG_SOURCES ${name}.cpp)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    # The nested-loop watch names the program's functions from the test's own symbols.
    set_target_properties(${name} PROPERTIES ENABLE_EXPORTS ON)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} vlf_testfakes Qt5::Test)
    add_test(NAME ${name} COMMAND ${name} ${ARG_ARGS})
    set(_env "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=*.debug=false")
    if(ARG_GUI)
        # The offscreen plugin never frees its screen: its frames are suppressed, which
        # needs full stacks.
        list(APPEND _env ${VLF_GUI_TEST_ENV} "ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0"
            "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/app/offscreen-leaks.supp")
    else()
        list(APPEND _env "ASAN_OPTIONS=detect_leaks=1")
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${_env}" RESOURCE_GROUPS "cores:${VLF_TEST_CORES_EACH}")
    vlf_no_window_waits(${name})
    if(vlf_hvsim IN_LIST ARG_LIBS)
        vlf_realtime_tests(${name})
    endif()
endfunction()
