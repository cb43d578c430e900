# The game as a terminal meets it, with no display in the environment: what each command line
# prints, where, and the exit status. Help and version need no display; a misused command line
# fails with status 2 before any window; Qt's own options reach Qt, and Qt's warnings reach the
# terminal.
#   cmake -DGAME=... -P command_line.cmake

cmake_minimum_required(VERSION 3.25)

set(failures 0)

# The game runs under coreutils' timeout, which ends it after three seconds (and kills it two
# seconds later if it will not end), so that no game outlives its test whatever CMake does with
# a child past execute_process's own time-out.
find_program(TIMEOUT timeout REQUIRED)

# run(<name> <status> <stdout regex> <stderr regex> [args...]): status "running" means the game
# was still up after three seconds, the sign that it opened its window.
function(run name expected_status expected_out expected_err)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
                LC_ALL=C.UTF-8 ${TIMEOUT} --kill-after=2 3 ${GAME} ${ARGN}
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(status EQUAL 124) # timeout's status for a command it had to end
        set(status running)
    endif()
    if(NOT status STREQUAL expected_status OR NOT out MATCHES "${expected_out}" OR NOT err MATCHES "${expected_err}")
        message(SEND_ERROR "${name}: status ${status} (expected ${expected_status})\n"
                           "stdout: [${out}]\nstderr: [${err}]")
        math(EXPR count "${failures} + 1")
        set(failures ${count} PARENT_SCOPE)
    endif()
endfunction()

run("no display: one line and a failure" 1 "^$" "^girolettera: no display available[^\n]*\n$")
run("--help prints the usage" 0 "^Usage: girolettera \\[options\\]\n.*--version.*-platform" "^$" --help)
run("-h is --help" 0 "^Usage: girolettera" "^$" -h)
run("--version prints the version" 0 "^girolettera ${VERSION}\n$" "^$" --version)
run("an unknown option is named, in one line" 2 "^$" "^girolettera: unknown option --bogus [^\n]*\n$" --bogus)
run("an unknown single-dash option is named as typed" 2 "^$" "^girolettera: unknown option -x [^\n]*\n$" -x)
run("the game takes no arguments" 2 "^$" "^girolettera: unexpected argument partita [^\n]*\n$" partita)
run("a Qt option that lacks its value" 2 "^$" "^girolettera: [^\n]*platform[^\n]*\n$" -platform)
run("-platform reaches Qt, and its display needs no desktop" running "^$" "" -platform offscreen)
run("Qt's warnings reach the terminal" running "^$" "invalid style override 'nosuchstyle'"
    -platform offscreen -style nosuchstyle)

if(failures GREATER 0)
    message(FATAL_ERROR "${failures} command line(s) misbehaved")
endif()
