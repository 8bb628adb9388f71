# Runs the real tavixcfg-cli (natively, or the .exe under Wine) on files in a
# scratch folder and checks its output, exit status and the bytes it writes.
#   cmake -DCLI=<program> [-DEMULATOR=a|b] -DSOURCE=<configurator dir> -DWORK=<dir> -P cli_test.cmake

string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(failures 0)

function(fail what)
  message(SEND_ERROR "FAILED: ${what}")
  math(EXPR n "${failures} + 1")
  set(failures ${n} PARENT_SCOPE)
endfunction()

# cli(<expected status> args...): runs the tool in WORK; leaves out / err.
# Output goes through files, not pipes: Wine's helper processes inherit the
# pipes and would hold every run open until the Wine server goes away.
macro(cli expected)
  execute_process(COMMAND ${emulator} "${CLI}" ${ARGN}
    WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE status OUTPUT_FILE "${WORK}.out" ERROR_FILE "${WORK}.err" TIMEOUT 120)
  file(READ "${WORK}.out" out)
  file(READ "${WORK}.err" err)
  string(REPLACE "\r" "" out "${out}")
  string(REPLACE "\r" "" err "${err}")
  if(NOT "${status}" STREQUAL "${expected}")
    fail("tavixcfg-cli ${ARGN}: exit status ${status}, expected ${expected}\n  stdout: ${out}\n  stderr: ${err}")
  endif()
endmacro()

macro(expect_contains text part what)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    fail("${what}: \"${part}\" not in \"${text}\"")
  endif()
endmacro()

macro(expect_equal actual expected what)
  if(NOT "${actual}" STREQUAL "${expected}")
    fail("${what}:\n  got      \"${actual}\"\n  expected \"${expected}\"")
  endif()
endmacro()

# One line on stderr, nothing on stdout.
macro(expect_one_error_line what)
  string(REGEX MATCHALL "\n" lines "${err}")
  list(LENGTH lines n)
  if(NOT n EQUAL 1 OR NOT "${out}" STREQUAL "")
    fail("${what}: expected one line on stderr, got stdout \"${out}\" stderr \"${err}\"")
  endif()
endmacro()

function(hex_of file var)
  file(READ "${WORK}/${file}" hex HEX)
  set(${var} "${hex}" PARENT_SCOPE)
endfunction()

function(repeat text count var)
  string(REPEAT "${text}" ${count} r)
  set(${var} "${r}" PARENT_SCOPE)
endfunction()

configure_file("${SOURCE}/samples/tavix.cfg" "${WORK}/tavix.cfg" COPYONLY)
configure_file("${SOURCE}/tests/cli/no_entry.cfg" "${WORK}/no_entry.cfg" COPYONLY)
file(MAKE_DIRECTORY "${WORK}/folder.cfg")
hex_of(tavix.cfg sample_hex)

# --help and bad commands
cli(0 --help)
expect_contains("${out}" "usage: tavixcfg-cli show FILE" "--help")
cli(2)
expect_one_error_line("no arguments")
foreach(args "frobnicate;tavix.cfg" "show" "show;tavix.cfg;extra" "set;tavix.cfg")
  cli(2 ${args})
  expect_one_error_line("arguments ${args}")
endforeach()

# show: every field in record order
cli(0 show tavix.cfg)
file(READ "${SOURCE}/tests/cli/tavix_show.txt" expected_show)
expect_equal("${out}" "${expected_show}" "show of the sample")
cli(1 show missing.cfg)
expect_equal("${err}" "tavixcfg-cli: missing.cfg: File not loaded \n" "show of a missing file")
cli(1 show folder.cfg)
expect_contains("${err}" "File not loaded " "show of a folder")

# set on a new file: starts from the zero record; values taken as the dialog takes them
cli(0 set new.cfg i2s=PHILIPS mclk=int.MCLK hi_res=1 kbd0=7 kbd1=c kbd2=12 s0=MUTE s5=AUX
      code0=1F2E3 code1=123456789ABCDEF code15=FFFFFFFFF)
repeat("0000" 13 zero_codes)
repeat("00" 88 tail)
hex_of(new.cfg new_hex)
expect_equal("${new_hex}" "477c10000100b000e3f2ab89${zero_codes}ffff${tail}" "bytes of a new file")
cli(0 show new.cfg)
foreach(line "i2s = PHILIPS" "mclk = int.MCLK" "hi_res = 1" "use_sound_folder = 0" "kbd1 = c"
             "kbd2 = 1" "s0 = MUTE" "s5 = AUX" "code0 = f2e3" "code1 = 89ab" "code15 = ffff")
  expect_contains("${out}" "${line}\n" "show of the new file")
endforeach()

# set on an existing file changes only its fields; bytes 40-127 go out unchanged
cli(0 set tavix.cfg s2=NC)
hex_of(tavix.cfg changed_hex)
string(SUBSTRING "${sample_hex}" 0 10 head)
string(SUBSTRING "${sample_hex}" 12 -1 rest)
expect_equal("${changed_hex}" "${head}40${rest}" "bytes after set s2=NC")

# Values without a list entry show as (none) and keep their bits through set
hex_of(no_entry.cfg no_entry_hex)
cli(0 show no_entry.cfg)
foreach(line "i2s = (none)" "mclk = 768Fs - 22.5792+24.576" "s0 = NC" "s1 = (none)" "s4 = (none)"
             "code0 = beef")
  expect_contains("${out}" "${line}\n" "show of a record without entries")
endforeach()
cli(0 set no_entry.cfg kbd0=5)
hex_of(no_entry.cfg after_hex)
string(SUBSTRING "${no_entry_hex}" 0 2 b0)
string(SUBSTRING "${no_entry_hex}" 4 -1 rest)
expect_equal("${after_hex}" "${b0}50${rest}" "bytes after set kbd0=5 on a record without entries")

# Bad assignments: one line on stderr, status 2, the file untouched (or not made)
hex_of(tavix.cfg before_hex)
foreach(args "foo=1" "i2s=philips" "mclk=512Fs" "hi_res=yes" "plugin_option=" "kbd0" "s0=MUTE;s9=MUTE"
             "s0=MUTE;s1=mute")
  cli(2 set tavix.cfg ${args})
  expect_one_error_line("set ${args}")
  hex_of(tavix.cfg now_hex)
  expect_equal("${now_hex}" "${before_hex}" "file after bad set ${args}")
endforeach()
cli(2 set fresh.cfg hi_res=2)
expect_contains("${err}" "hi_res" "bad flag on a new file")
if(EXISTS "${WORK}/fresh.cfg")
  fail("a bad set made the file")
endif()

# Load and save failures: the record's own message, status 1
cli(1 set no-such-folder/tavix.cfg hi_res=1)
expect_contains("${err}" "File not saved " "set into a missing folder")
cli(1 set folder.cfg hi_res=1)
expect_contains("${err}" "File not loaded " "set on a folder")

file(GLOB left RELATIVE "${WORK}" "${WORK}/*")
list(SORT left)
expect_equal("${left}" "folder.cfg;new.cfg;no_entry.cfg;tavix.cfg" "files left in the folder")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()
message(STATUS "all tavixcfg-cli checks passed")
