# cmake -DROOT=<source tree> -P store_access_check.cmake
# Fails when a file outside link/ and tests/ includes link/store/LinkAccess.h or names the
# accessor: the windows reach the store's guarded fields only through its scopes.
file(GLOB top RELATIVE "${ROOT}" "${ROOT}/*")
set(offenders "")
foreach(folder IN LISTS top)
  # link/ and the tests may; build trees and dot folders hold no sources of ours.
  if(NOT IS_DIRECTORY "${ROOT}/${folder}" OR folder MATCHES "^(link|tests|\\..*)$"
     OR EXISTS "${ROOT}/${folder}/CMakeCache.txt")
    continue()
  endif()
  file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${ROOT}/${source}" hits REGEX "LinkAccess|LinkFields")
    if(hits)
      list(APPEND offenders "${source}")
    endif()
  endforeach()
endforeach()
if(offenders)
  list(JOIN offenders "\n  " shown)
  message(FATAL_ERROR "Only link/ and the tests may reach the store's fields (LinkAccess.h, LinkFields):\n  ${shown}")
endif()
message(STATUS "The store's fields are reached through its scopes outside link/")
