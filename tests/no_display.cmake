# Runs the game with no display in the environment: it must exit non-zero with one line of
# explanation on standard error and nothing else.
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM ${GAME}
    RESULT_VARIABLE status
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    TIMEOUT 20)
if(status EQUAL 0)
    message(FATAL_ERROR "the game started without a display")
endif()
if(NOT out STREQUAL "" OR NOT err MATCHES "^girolettera: no display available[^\n]*\n$")
    message(FATAL_ERROR "unexpected output: [${out}] [${err}] (status ${status})")
endif()
