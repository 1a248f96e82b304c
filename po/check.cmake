# Fails when a text a person reads has no translation in a catalog, or when
# a catalog is not well formed. The texts are those the sources say through
# explain(), say(), a directive warning's format, complain(), or mark with
# N_(): this list of keywords is the one place that names them.
#   cmake -DXGETTEXT=xgettext -DMSGCMP=msgcmp -DMSGFMT=msgfmt -DSOURCE=. -DWORK=dir -P check.cmake
file(GLOB sources "${SOURCE}/src/*.cpp" "${SOURCE}/src/*.h")
list(SORT sources)
execute_process(COMMAND "${XGETTEXT}" --language=C++ --from-code=UTF-8 --no-location
                        --keyword=explain --keyword=say --keyword=warning:4 --keyword=complain
                        --keyword=N_ -o "${WORK}/sylvo.pot" ${sources}
                COMMAND_ERROR_IS_FATAL ANY)
file(GLOB catalogs "${SOURCE}/po/*.po")
foreach(po ${catalogs})
  execute_process(COMMAND "${MSGFMT}" --check -o "${WORK}/check.mo" "${po}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${po} is not a well-formed catalog")
  endif()
  execute_process(COMMAND "${MSGCMP}" "${po}" "${WORK}/sylvo.pot" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${po} has no translation of the texts msgcmp names above")
  endif()
endforeach()
message(STATUS "every text has its translations")
