# vrek_add_test(NAME tst_x SOURCES a.cpp LIBS lib... [RESOURCE_LOCK name] [TIMEOUT s] [LABELS l...] [ENV K=V...])
# One QtTest executable per unit, registered with CTest. Widgets run offscreen and SDL plays into the
# dummy driver unless a test asks for another one.
function(vrek_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;RESOURCE_LOCK;LABELS;ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt5::Test testsupport ${T_LIBS})
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    # A test given longer starts earlier (ctest runs the costliest first when it has no timings of its own, as in a
    # fresh clone), so that a run does not end waiting on a long test started last.
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        COST ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;LC_ALL=C.UTF-8;${T_ENV}")
    if(T_RESOURCE_LOCK)
        set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK "${T_RESOURCE_LOCK}")
    endif()
    if(T_LABELS)
        set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
    endif()
endfunction()
