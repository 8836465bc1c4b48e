# vrek_add_test(NAME tst_x SOURCES a.cpp LIBS lib... [SERIAL] [RESOURCE_LOCK name] [TIMEOUT s] [LABELS l...]
#     [ENV K=V...] [DESKTOPS manager@WxH...])
# One QtTest executable per unit, registered with CTest. Widgets run offscreen and SDL plays into the
# dummy driver unless a test asks for another one. SERIAL: the test measures wall-clock figures and runs alone.
# DESKTOPS: a test of real windows (under Xvfb) runs once per window manager and screen size given, as
# tst_x@openbox-1920x1080 ... (a manager alone, tst_x@xfwm4, for a test whose screens are its own); the test
# reads them from TAVI_TEST_WM and TAVI_TEST_SCREEN.
set(VREK_TEST_TIMEOUT_SCALE 1 CACHE STRING "Each test's time limit is multiplied by this (emulated runs)")

function(vrek_add_test)
    cmake_parse_arguments(T "SERIAL" "NAME;TIMEOUT" "SOURCES;LIBS;RESOURCE_LOCK;LABELS;ENV;DESKTOPS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt5::Test testsupport ${T_LIBS})
    if(T_DESKTOPS)
        foreach(desktop ${T_DESKTOPS})
            string(REPLACE "@" ";" parts "${desktop}")
            list(GET parts 0 manager)
            list(LENGTH parts count)
            if(count GREATER 1)
                list(GET parts 1 screen)
                _vrek_register_test(${T_NAME}@${manager}-${screen} ${T_NAME}
                    "TAVI_TEST_WM=${manager};TAVI_TEST_SCREEN=${screen};${T_ENV}")
            else()
                _vrek_register_test(${T_NAME}@${manager} ${T_NAME} "TAVI_TEST_WM=${manager};${T_ENV}")
            endif()
        endforeach()
    else()
        _vrek_register_test(${T_NAME} ${T_NAME} "${T_ENV}")
    endif()
endfunction()

function(_vrek_register_test name executable env)
    add_test(NAME ${name} COMMAND ${executable})
    set(T_NAME ${name})
    set(T_ENV ${env})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    # An emulated run (scripts/cross-arm64.sh) gives each test a multiple of its time.
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * ${VREK_TEST_TIMEOUT_SCALE}")
    # A test given longer starts earlier (ctest runs the costliest first when it has no timings of its own, as in a
    # fresh clone), so that a run does not end waiting on a long test started last.
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        COST ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;LC_ALL=C.UTF-8;${T_ENV}")
    if(T_SERIAL)
        set_tests_properties(${T_NAME} PROPERTIES RUN_SERIAL TRUE)
    endif()
    if(T_RESOURCE_LOCK)
        set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
    endif()
    if(T_LABELS)
        set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
