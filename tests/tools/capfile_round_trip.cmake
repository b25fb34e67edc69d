# Runs the capfile tool end to end: JSON -> file -> JSON -> file must dump the same (a capture
# file comes back byte for byte), the
# dump shows what the JSON described, and the CSV of the capture holds the expected rows.
# Arguments: CAPFILE (the tool), DATA (the sample folder), WORK (a scratch folder).

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(capfile expected_status)
  execute_process(COMMAND "${CAPFILE}" ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "capfile ${ARGN}: status ${status}, expected ${expected_status}\n${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect_json json expected)
  string(JSON value GET "${json}" ${ARGN})
  if(NOT value STREQUAL expected)
    message(FATAL_ERROR "${ARGN}: '${value}', expected '${expected}'")
  endif()
endfunction()

foreach(kind capture trace)
  if(kind STREQUAL "capture")
    set(ext hsc)
  else()
    set(ext ast)
  endif()
  capfile(0 write "${DATA}/sample-${kind}.json" "${WORK}/first.${ext}")
  capfile(0 dump "${WORK}/first.${ext}")
  file(WRITE "${WORK}/first-${kind}.json" "${output}")
  set(${kind}_dump "${output}")
  capfile(0 write "${WORK}/first-${kind}.json" "${WORK}/second.${ext}")
  capfile(0 dump "${WORK}/second.${ext}")
  if(NOT output STREQUAL ${kind}_dump)
    message(FATAL_ERROR "${kind}: the file written from the dump dumps differently")
  endif()
  # A trace file grows to its 1000 loaded samples; a capture file comes back byte for byte.
  if(kind STREQUAL "capture")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${WORK}/first.${ext}" "${WORK}/second.${ext}"
                    RESULT_VARIABLE differ)
    if(differ)
      message(FATAL_ERROR "${kind}: writing the dump again gave different bytes")
    endif()
  endif()
endforeach()

expect_json("${capture_dump}" 2 viewType)
expect_json("${capture_dump}" "ATDT555 café" config triggerText)
expect_json("${capture_dump}" 5 currentRecordIndex)
expect_json("${capture_dump}" 1234 events 1 reserved32)
expect_json("${capture_dump}" -7 events 1 reserved4)
expect_json("${capture_dump}" "NO CARRIER" events 0 endText)
expect_json("${capture_dump}" 4294967295 records 9 timeSeconds)
expect_json("${capture_dump}" 1 records 2 markerShown)
expect_json("${capture_dump}" 1 records 3 hidden)
string(JSON record_count LENGTH "${capture_dump}" records)
if(NOT record_count EQUAL 10)
  message(FATAL_ERROR "capture dump holds ${record_count} records")
endif()

expect_json("${trace_dump}" 3 head spanIndex)
expect_json("${trace_dump}" -42 head voltageLevel)
expect_json("${trace_dump}" -3.75 value2)
expect_json("${trace_dump}" -2147483648 samples 4)
expect_json("${trace_dump}" 77 samples 999)
string(JSON sample_count LENGTH "${trace_dump}" samples)
if(NOT sample_count EQUAL 1000)
  message(FATAL_ERROR "trace dump holds ${sample_count} samples")
endif()

capfile(0 csv "${WORK}/first.hsc" "${WORK}/first.csv")
# file(READ) drops carriage returns, so the text is compared without them and they are counted
# in the bytes: one ends the header line and each of the six rows.
file(READ "${WORK}/first.csv" csv)
foreach(line
    "Index,HEX Data,ASCII Data,Ans/Orig,Time\nEVENT #1:  03/05/24 07:08:09 CONNECT 2400  4 bytes\n"
    "0,0x41,\"A\",A,12.345600\n1,0x22,\"\"\"\",O,13.000000\n2,0x6C,\"l\",O,13.000100\n"
    "EVENT #2:  03/05/24 07:08:10 CONNECT 14400  6 bytes\n0,0x48,\"H\",A,20.000100\n1,0x69,\"i\",A,20.000200\n")
  string(FIND "${csv}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "CSV lacks:\n${line}\nCSV is:\n${csv}")
  endif()
endforeach()
file(READ "${WORK}/first.csv" csv_hex HEX)
string(REGEX MATCHALL "0d0a" crlf "${csv_hex}")
list(LENGTH crlf crlf_count)
if(NOT crlf_count EQUAL 7)
  message(FATAL_ERROR "CSV has ${crlf_count} CR LF line ends, expected 7")
endif()

# Wrong use and unknown files.
capfile(2 dump "${WORK}/first.txt")
capfile(2 dump "${WORK}/missing.hsc")
capfile(2 frobnicate)
