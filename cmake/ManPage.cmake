# Writes the manual page of orelia-cli from the program's own help texts, so the page
# never says more (or less) than `orelia-cli --help`.
#   cmake -DCLI=path/to/orelia-cli -DOUTPUT=orelia-cli.1 -DDATE=2024-01-31 -P ManPage.cmake
cmake_minimum_required(VERSION 3.25)

set(ENV{LC_ALL} C.UTF-8)

function(run_cli out_var)
    execute_process(COMMAND "${CLI}" ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "orelia-cli ${ARGN} failed (${status})")
    endif()
    string(REGEX REPLACE "\n+$" "" text "${text}")
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# Plain text to roff: backslashes and minus signs escaped, no line taken for a request.
function(roff out_var text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

run_cli(version --version)
run_cli(general --help)

# First line: "orelia-cli — what it does."; it becomes the NAME line.
string(FIND "${general}" "\n" first_end)
string(SUBSTRING "${general}" 0 ${first_end} title)
string(SUBSTRING "${general}" ${first_end} -1 general_body)
string(REGEX REPLACE "^\n+" "" general_body "${general_body}")
string(REGEX REPLACE "^orelia-cli — " "" purpose "${title}")
string(REGEX REPLACE "\\.$" "" purpose "${purpose}")

# The commands are the lines "  name ..." of the block under "Команды:".
string(REGEX MATCH "Команды:\n(  [^\n]*\n)+" command_block "${general}\n")
string(REGEX MATCHALL "\n  [a-z][a-z-]*" command_names "${command_block}")
list(TRANSFORM command_names REPLACE "^\n  " "")
list(REMOVE_DUPLICATES command_names)
if(NOT command_names)
    message(FATAL_ERROR "no commands found in `orelia-cli --help`")
endif()

roff(purpose "${purpose}")
roff(version_roff "${version}")
roff(general_body "${general_body}")
set(page ".TH ORELIA\\-CLI 1 \"${DATE}\" \"${version_roff}\" \"Orelia\"\n")
string(APPEND page ".SH ИМЯ\norelia\\-cli \\- ${purpose}\n")
string(APPEND page ".SH СИНТАКСИС\n.B orelia\\-cli\n.I КОМАНДА\n[\\fIпараметры\\fR] [\\fB\\-\\-demo\\fR]\n")
string(APPEND page ".br\n.B orelia\\-cli\n[\\fIКОМАНДА\\fR]\n.B \\-\\-help\n")
string(APPEND page ".br\n.B orelia\\-cli \\-\\-version\n")
string(APPEND page ".SH ОПИСАНИЕ\n.nf\n${general_body}\n.fi\n")
string(APPEND page ".SH КОМАНДЫ\n")
foreach(command IN LISTS command_names)
    run_cli(help ${command} --help)
    roff(help "${help}")
    string(APPEND page ".SS ${command}\n.nf\n${help}\n.fi\n")
endforeach()

file(WRITE "${OUTPUT}.tmp" "${page}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
