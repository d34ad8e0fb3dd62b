# The release: one zip holding the program folder, and its SHA-256 beside it.
# cmake -DBIN=<program folder> -DSOURCE=<source root> -DOUT=<dist folder> -DNAME=<Tessarin-x.y.z>
# -DZIP=<zip name> -P dist.cmake
foreach(var BIN SOURCE OUT NAME ZIP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "dist.cmake needs -D${var}=...")
  endif()
endforeach()

set(folder ${OUT}/${NAME})
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${folder}/docs)
file(COPY ${BIN}/Tessarin.exe ${BIN}/imgctl.dll ${BIN}/mpng.dll DESTINATION ${folder})
file(COPY ${SOURCE}/docs/help.html ${SOURCE}/docs/main-window.png ${SOURCE}/docs/settings-dialog.png
     DESTINATION ${folder}/docs)
file(COPY ${SOURCE}/README.md ${SOURCE}/LICENSE DESTINATION ${folder})

# The same sources give the same zip: every entry carries one fixed time, not the build's.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip "--mtime=2026-01-01 00:00:00 UTC" ${NAME}
  WORKING_DIRECTORY ${OUT}
  RESULT_VARIABLE packed)
if(NOT packed EQUAL 0)
  message(FATAL_ERROR "dist: the zip could not be written")
endif()
file(SHA256 ${OUT}/${ZIP} sum)
file(WRITE ${OUT}/${ZIP}.sha256 "${sum}  ${ZIP}\n")
file(REMOVE_RECURSE ${folder})
message(STATUS "dist: ${OUT}/${ZIP}")
